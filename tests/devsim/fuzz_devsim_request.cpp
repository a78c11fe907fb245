// Fuzz target: any bytes as a request to the simulator's CGI handlers (a camera's and a
// recorder's), and as firmware data.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "CgiHandler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static devsim::CgiHandler* handler = [] {
        devsim::DeviceProfile p;
        p.id = "VSIM000001SIMAA";
        p.password = "pw";
        p.recordings = 3;
        return new devsim::CgiHandler(p, 5000, 2);
    }();
    static devsim::CgiHandler* recorder = [] {
        devsim::DeviceProfile p;
        p.id = "VSIM000002SIMAA";
        p.kind = devsim::DeviceKind::kNas;
        p.password = "pw";
        p.recordings = 2;
        return new devsim::CgiHandler(p, 5000, 2, {1000, 2000, 3000, 4000});
    }();
    std::string_view text(reinterpret_cast<const char*>(data), size);
    devsim::CgiAnswer n = recorder->handle(text);
    if (n.body.size() > devsim::CgiHandler::kMaxAnswerBytes)
        __builtin_trap();
    devsim::CgiRequest r = devsim::CgiRequest::Parse(text);
    (void)r;
    devsim::CgiAnswer a = handler->handle(text);
    if (a.answered && a.body.size() > devsim::CgiHandler::kMaxAnswerBytes && !a.binary)
        __builtin_trap();
    if (size > 0 && data[0] == 0xFF)
        handler->handleFileData(data, size);
    return 0;
}
