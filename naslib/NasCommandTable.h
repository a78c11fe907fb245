// The recorder command set: one row per parameter type the library can send (its CGI, the
// request record size, the P2P answer ID and what the answer dispatch does with the answer),
// and the CGI texts filled from the request records.
//
// Thread: any; the table is constant and the formatter reads only its arguments.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vantor {

enum class NasAnswerKind : uint8_t {
    kResult,        // result callback (type, 1 or 0)
    kResultReboot,  // result; when ok the recorder is restarted (reboot.cgi)
    kFollowUp,      // when ok, queue the result query `follow`
    kRecord,        // decode record `recordType` of `recordBytes`
    kRecordFiles,   // record-file entries
    kCheckUser,     // account check result
    kIgnored,
    kNone,  // no answer (playback data comes as frames)
};

struct NasCommandRow {
    uint16_t type;
    const char* cgi;
    uint16_t requestBytes;  // 0: no request record
    uint16_t answerId;      // 0: none
    NasAnswerKind kind;
    uint16_t recordType;   // kRecord: the record delivered; kFollowUp: the query sent
    uint16_t recordBytes;  // kRecord: its size
};

// The row of a type, or nullptr when the library cannot send it.
const NasCommandRow* FindNasCommand(int type);
// The row whose P2P answer ID this is, or nullptr (the answer is ignored).
const NasCommandRow* FindNasAnswer(int answerId);
// All rows (for tests).
const NasCommandRow* NasCommandRows(size_t* count);

// Writes the CGI text of a row with a request record ("set_wifi.cgi?enable=..."), reading
// texts of the record up to their field width. The length, or -1 when it does not fit.
int FormatNasCgi(const NasCommandRow& row, const void* record, char* out, size_t outBytes);

}  // namespace vantor
