// A camera without pan/tilt: the camera device object with its own kind code (camera library; no
// parameter store, limited PTZ).
#pragma once

#include "CCDevInfo.h"

namespace vantor::client {

class CNOPTZIPC final : public CCDevInfo {
  public:
    CNOPTZIPC() : CCDevInfo(kKindNoPtzCamera) {}
};

}  // namespace vantor::client
