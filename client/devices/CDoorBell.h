// A door-bell: the camera device object with its own kind code (camera library; no
// parameter store, limited PTZ).
#pragma once

#include "CCDevInfo.h"

namespace vantor::client {

class CDoorBell final : public CCDevInfo {
  public:
    CDoorBell() : CCDevInfo(kKindDoorBell) {}
};

}  // namespace vantor::client
