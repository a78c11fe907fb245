#include "CAPNasPacket.h"

#include <memory>

#include "NasCommandTable.h"

namespace vantor {

CAPNasPacket::CAPNasPacket() = default;
CAPNasPacket::~CAPNasPacket() = default;

int CAPNasPacket::BuildCommand(int type, const void* data, int length, char* out, size_t outBytes,
                               int* outLen) {
    const NasCommandRow* row = FindNasCommand(type);
    if (row == nullptr || out == nullptr || outBytes == 0)
        return 0;
    // The CGI part may be as long as the whole request, so it gets a buffer of that size.
    std::unique_ptr<char[]> cgi(new (std::nothrow) char[outBytes]);
    if (!cgi)
        return 0;
    if (row->requestBytes != 0) {
        if (data == nullptr || length != row->requestBytes)
            return 0;
        if (FormatNasCgi(*row, data, cgi.get(), outBytes) < 0)
            return 0;
    } else if (BuildBareCgi(row->cgi, cgi.get(), outBytes) == 0) {
        return 0;
    }
    if (type == 0x2018)
        return formatRequest(out, outBytes, outLen, "%s&user=%s&pwd=%s&", cgi.get(), user_,
                             password_);
    return formatRequest(out, outBytes, outLen, "GET %s&user=%s&pwd=%s& ", cgi.get(), user_,
                         password_);
}

int CAPNasPacket::BuildNasLiveStart(int streamId, int channel, char* out, size_t outBytes,
                                    int* outLen) {
    return formatRequest(out, outBytes, outLen,
                         "GET livestream.cgi?user=%s&pwd=%s&streamid=%d&channel=%d ", user_,
                         password_, streamId, channel);
}

int CAPNasPacket::BuildNasLiveStop(int channel, char* out, size_t outBytes, int* outLen) {
    return formatRequest(out, outBytes, outLen,
                         "GET livestream.cgi?user=%s&pwd=%s&streamid=%d&channel=%d&", user_,
                         password_, kStreamStopId, channel);
}

int CAPNasPacket::BuildNasAudioStart(int streamId, int channel, char* out, size_t outBytes,
                                     int* outLen) {
    return formatRequest(out, outBytes, outLen,
                         "GET audiostream.cgi?user=%s&pwd=%s&streamid=%d&channel=%d ", user_,
                         password_, streamId, channel);
}

int CAPNasPacket::BuildNasAudioStop(int channel, char* out, size_t outBytes, int* outLen) {
    return formatRequest(out, outBytes, outLen,
                         "GET audiostream.cgi?user=%s&pwd=%s&streamid=%d&channel=%d&", user_,
                         password_, kStreamStopId, channel);
}

int CAPNasPacket::BuildNasPtz(int command, int channel, char* out, size_t outBytes, int* outLen) {
    return formatRequest(out, outBytes, outLen,
                         "/decoder_control.cgi?loginuse=%s&loginpas=%s&command=%d&onestep=%d"
                         "&channel=%d",
                         user_, password_, command, 0, channel);
}

bool CAPNasPacket::IsPtzCommand(int command) {
    return (command >= 0 && command <= 7) || (command >= 25 && command <= 61) ||
           (command >= 90 && command <= 95);
}

}  // namespace vantor
