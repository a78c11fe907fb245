// A smart switch: the camera device object with its own kind code (camera library; no
// parameter store, limited PTZ).
#pragma once

#include "CCDevInfo.h"

namespace vantor::client {

class CSwitch final : public CCDevInfo {
  public:
    CSwitch() : CCDevInfo(kKindSwitch) {}
};

}  // namespace vantor::client
