// Decoding of the recorder's key=value answers into the fixed records of morsk_records.h.
//
// Strict records need every key; records 0x2107, 0x211A and 0x211F always decode (missing
// keys leave zeros); the counted lists 0x210F, 0x2113, 0x2116 and 0x211E need only their
// count key and take each entry's keys as found; single-key records need that key. Texts are
// cut at their field; counts are clamped to the entries the record holds.
//
// Thread: any; a decoder reads only its arguments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "morsk_records.h"

namespace vantor {

class CAPPacket;

// A record-file answer never yields more entries than this, whatever its count says (the
// count itself is reported as received).
inline constexpr int kNasRecordFileMaxEntries = 4096;
inline constexpr size_t kNasKeyBytes = 64;  // longest key built with an index

class NasRecordDecoder {
  public:
    // Decodes `text` into `record` (recordBytes must be the type's size; the record is cleared
    // first). true when the record is to be delivered.
    static bool Decode(CAPPacket& packet, int recordType, const char* text, void* record,
                       size_t recordBytes);

    // The record-file entries of an answer, each handed to `deliver` in order. Returns how
    // many were delivered (0 when record_num0 is missing or below 1, with the trace line).
    static int DecodeRecordFiles(CAPPacket& packet, const char* text,
                                 const std::function<void(const NasRecordFileEntry&)>& deliver);

    // The answer says ok: result="ok", or the text "result= 0".
    static bool IsOk(CAPPacket& packet, const char* text);

    // The alarm code of a device alarm type, or -1 when the type is not reported.
    static int MapAlarmType(int32_t deviceType);
};

}  // namespace vantor
