// A alarm camera: the camera device object with its own kind code (camera library; no
// parameter store, limited PTZ).
#pragma once

#include "CCDevInfo.h"

namespace vantor::client {

class CAlarmIpc final : public CCDevInfo {
  public:
    CAlarmIpc() : CCDevInfo(kKindAlarmCamera) {}
};

}  // namespace vantor::client
