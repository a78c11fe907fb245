// The camera's packet object: the command table wrapped into complete requests, and the
// table that maps command-channel answer codes to parameter types.
//
// Thread: one packet per session, used under the session's main lock (building) or from the
// receive thread (extraction, answer table).
#pragma once

#include <cstddef>

#include "CAPPacket.h"

namespace vantor {

// Most types one answer code stands for (get_params answers fill eight records).
inline constexpr int kAnswerTypesMax = 8;

class CAPCameraPacket : public CAPPacket {
  public:
    CAPCameraPacket() = default;
    ~CAPCameraPacket() override = default;

    // Builds the request of `type` with its record into out (outBytes). The CGI text of the
    // command table, wrapped in the short login form for 0x2004/0x2006/0x2008 and the long
    // one otherwise, plus the HTTP tail in TCP mode. 1 with *outLen set; 0 when the type has
    // no builder, the record is missing or of the wrong length, or the request does not fit.
    int BuildCommand(int type, const void* data, int length, char* out, size_t outBytes,
                     int* outLen) override;

    // Record-list page request (type 0x2766) from an 8-byte page record; 0 when refused.
    int BuildRecordPageCommand(const void* data, int length, char* out, size_t outBytes,
                               int* outLen);

    // Parameter types an answer code is decoded as, in order; 0 for an unknown code.
    static int AnswerTypes(int answerCode, int types[kAnswerTypesMax]);
};

}  // namespace vantor
