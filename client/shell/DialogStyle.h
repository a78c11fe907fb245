// Shared look of the client's own dialogs (flat, light panels, one accent colour).
#pragma once

#include <QString>

namespace vantor::client {

class DialogStyle {
  public:
    static QString Sheet();
};

}  // namespace vantor::client
