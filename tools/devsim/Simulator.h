// A simulator run: the devices of the fleet, their shared video loops, the LAN search
// responder, and the control commands that tests and demos send (one line in, one line out).
//
// Thread: start/stop on the owner's thread; execute() from any thread (commands are
// serialised). Ownership: owns the devices; stop() or the destructor ends all their threads.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "LanSearchResponder.h"
#include "SimDevice.h"

namespace devsim {

class Simulator {
  public:
    static constexpr size_t kMaxCommandBytes = 1024;

    ~Simulator();
    // Creates and starts every device; lanSearchPort 0 disables the search responder, a
    // negative one takes any free port (see lanSearchPort()). False
    // with a message when a device cannot start (everything started so far is stopped).
    bool start(const std::vector<DeviceProfile>& devices, int lanSearchPort, std::string* error);
    void stop();

    // One control command; the reply starts with "ok" or "error". "quit" sets quitRequested.
    std::string execute(const std::string& line);
    bool quitRequested() const { return quit_; }
    static const char* CommandHelp();

    // One line per device: id kind p2p-port http-host:port.
    std::string listing();
    SimDevice* find(const std::string& id);
    size_t deviceCount() const { return devices_.size(); }
    uint16_t lanSearchPort() const { return lan_.port(); }

  private:
    std::vector<SimDevice*> select(const std::string& id);

    VideoLoopCache loops_;
    std::vector<std::unique_ptr<SimDevice>> devices_;
    LanSearchResponder lan_;
    std::mutex commandMutex_;
    bool quit_ = false;
};

}  // namespace devsim
