// The device side of a firmware upgrade: announce, start, data, end (with a real MD5 check of
// the bytes received), confirm. Failure switches make a step answer the way a refusing or
// broken device does, for the clients' failure tests.
// Thread: not synchronised; CgiHandler serialises access.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "CgiRequest.h"

namespace devsim {

class FirmwareUpgrade {
  public:
    static constexpr size_t kMaxImageBytes = 64u << 20;  // larger announced images are refused

    enum class Failure {
        kNone,
        kVersionMismatch,  // announce answers -3
        kCancel,           // start answers -8
        kTransferError,    // data step and data packets answer -2
        kMd5,              // end answers -5 even for a good image
        kSilent,           // no answer to any step (the client times out)
    };

    void setFailure(Failure f) { failure_ = f; }
    Failure failure() const { return failure_; }

    // Each returns the answer text ("result= n;" with the blank the client searches for), or
    // an empty text when the device stays silent.
    std::string announce(const CgiRequest& r);
    std::string start();
    std::string dataStep();
    std::string data(const uint8_t* bytes, size_t n);
    std::string end();
    // Confirm answers 0 when the last end step passed; the caller then reboots the device
    // with the new version.
    std::string confirm(const CgiRequest& r, bool* accepted);
    std::string fileMd5() const;  // "filemd5= <hex>;"

    const std::string& announcedVersion() const { return version_; }
    size_t receivedBytes() const { return image_.size(); }

  private:
    Failure failure_ = Failure::kNone;
    std::string fileName_;
    std::string version_;
    std::string expectedMd5_;
    long long expectedSize_ = 0;
    std::string image_;
    bool announced_ = false;
    bool verified_ = false;
};

bool ParseFailure(const std::string& text, FirmwareUpgrade::Failure* f);

}  // namespace devsim
