// The recorder library's request builder: turns a parameter type and its record into the
// request text (CGI from the command table, wrapped with the login and, in TCP mode, the HTTP
// header tail), and builds the stream and PTZ requests. Answer decoding is NasRecordDecoder's.
//
// Thread: one packet per session, used under the session's command lock (the extraction
// operations inherited from CAPPacket are safe from the receive threads).
#pragma once

#include <cstddef>

#include "CAPPacket.h"

namespace vantor {

inline constexpr int kNasStreamOffset = 80;  // live stream ids are sent as id + 80

class CAPNasPacket : public CAPPacket {
  public:
    CAPNasPacket();
    ~CAPNasPacket() override;

    // 1 built (text in out, its length without the terminator in *outLen), 0 when the type
    // has no row, a request record is missing or its size is not the row's, or the request
    // does not fit outBytes.
    int BuildCommand(int type, const void* data, int length, char* out, size_t outBytes,
                     int* outLen) override;

    // Live video and audio start/stop requests (stop forms use stream id 16).
    int BuildNasLiveStart(int streamId, int channel, char* out, size_t outBytes, int* outLen);
    int BuildNasLiveStop(int channel, char* out, size_t outBytes, int* outLen);
    int BuildNasAudioStart(int streamId, int channel, char* out, size_t outBytes, int* outLen);
    int BuildNasAudioStop(int channel, char* out, size_t outBytes, int* outLen);
    int BuildNasPtz(int command, int channel, char* out, size_t outBytes, int* outLen);

    // PTZ commands the recorder accepts: 0-7, 25-61, 90-95.
    static bool IsPtzCommand(int command);
};

}  // namespace vantor
