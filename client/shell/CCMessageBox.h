// The client's message box: a language text and OK (or OK/Cancel).
#pragma once

#include <QString>
#include <QWidget>

namespace vantor::client {

class CCMessageBox {
  public:
    // Modal; true when OK was chosen.
    static bool Show(QWidget* parent, const QString& text, bool with_cancel = false);
};

}  // namespace vantor::client
