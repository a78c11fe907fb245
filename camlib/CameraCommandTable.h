// The camera command table: parameter type code + record -> the CGI text the device expects.
// The login wrapping and the HTTP tail are added by CAPCameraPacket::BuildCommand.
//
// Records are read with their stated sizes only; a text field that fills its whole width
// without a terminator is used up to the field's width, never past it.
//
// Thread: any; the table is stateless.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>

#include "darvel_recordfile.h"

namespace vantor {

class CameraCommandTable {
  public:
    // Writes the CGI text for `type` into `cgi`. false when the type has no builder, or the
    // builder needs a record and `data` is null or `len` differs from the record's size.
    static bool BuildCgi(int type, const void* data, size_t len, std::string& cgi);

    // Types whose own parameters carry user and pwd of another account (DDNS, FTP, mail):
    // they take the short login form.
    static bool UsesShortLogin(int type);

    // Local date-time (standard time, no daylight flag) -> seconds since 1970 (-1 when it
    // does not convert). Record searches and device-log queries whose dates fall outside
    // 1970-2038 are refused.
    static time_t LocalSeconds(const DarvelDateTime& t);

    // "get_record_file.cgi?PageIndex=%d&PageSize=%d" from an 8-byte page record.
    static bool BuildRecordPageCgi(const void* data, size_t len, std::string& cgi);
};

}  // namespace vantor
