// Shared helpers of the simulator tests: a raw loopback HTTP client, reading media frames,
// decoding H.264 with libavcodec, device IDs unique to this test process (the transport's
// discovery port is shared by every process on the host).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "DeviceProfile.h"
#include "MediaFrameHead.h"

namespace devsim::test {

constexpr int kIoTimeout_ms = 10000;

// "<prefix><pid><n>" padded with letters to a valid device ID.
std::string UniqueId(const std::string& prefix, int n);
// A device ID of the given family (7 and 25 are the enciphered ones), unique to this process.
std::string IdOfFamily(int family, int n);

int ConnectLoopback(int port, const std::string& host = "127.0.0.1");
bool SendAll(int fd, const std::string& data);
// One HTTP exchange on a new connection; returns header + body as received ("" on failure).
std::string HttpGet(int port, const std::string& requestLine,
                    const std::string& host = "127.0.0.1");
// Splits an HTTP response; false when it is not one.
bool SplitHttp(const std::string& response, std::string* head, std::string* body);
// Reads exactly n bytes within kIoTimeout_ms.
bool RecvExact(int fd, void* buf, size_t n);

struct Frame {
    vantor::MediaFrameHead head;
    std::string data;
};
bool ReadFrame(int fd, Frame* f);

// Decodes H.264 access units in order; returns how many pictures came out, and their size.
int DecodeH264(const std::vector<std::string>& units, int* width, int* height);
// The luma plane (rows packed, no stride padding) of the first picture the units decode to;
// empty when none decodes.
std::vector<uint8_t> DecodeFirstLuma(const std::vector<std::string>& units);

}  // namespace devsim::test
