// Decoders of the camera's key=value answers into the fixed parameter records of
// darvel_records.h. Each decoder zero-fills its record first; a missing required key makes
// the decode fail. Texts are cut at their field; list counts are capped at the record's room.
//
// Thread: any; the decoder holds only a reference to the extractor, whose extraction
// operations read nothing but their arguments.
#pragma once

#include <cstddef>
#include <cstdint>

#include "CAPPacket.h"
#include "darvel_recordfile.h"

namespace vantor {

// Room for the largest record a decoder produces (the Wi-Fi scan record).
inline constexpr size_t kDecodedRecordMax = sizeof(DarvelWifiScanRecord);
// Longest list the record-list and device-log answers are walked over; a device asks for
// pages of at most this many entries, and a forged count must not keep the receive thread
// busy for billions of searches.
inline constexpr int kAnswerListMax = 2048;

class CameraRecordDecoder {
  public:
    explicit CameraRecordDecoder(CAPPacket& extractor) : x_(extractor) {}

    // Decodes `text` (NUL-terminated) as the record of `type` into `out` (kDecodedRecordMax
    // bytes). Returns the record size, or 0 when the type has no record decoder or a
    // required key is missing. For 0x2707 the record is the Wi-Fi scan record.
    size_t Decode(int type, const char* text, uint8_t* out);

    // Number of entries of a record-list answer ("record_num0="), 0 when absent or not
    // positive, capped at kAnswerListMax.
    int RecordCount(const char* text);
    // Entry `i` (0-based) of a record-list answer with `count` entries.
    void RecordEntry(const char* text, int count, int i, DarvelRecordListEntry* entry);

  private:
    struct Field {
        const char* key;
        uint16_t offset;
        uint16_t size;  // text: field width; int: 4; byte: 1
        char kind;      // 'i' int, 's' quoted text, 'b' int stored as its low byte
        bool required;
    };

    bool Fields(const char* text, const Field* fields, size_t count, uint8_t* out);
    bool GetInt(const char* text, const char* key, uint8_t* at);
    bool GetText(const char* text, const char* key, uint8_t* at, size_t size);

    size_t DecodeLists(int type, const char* text, uint8_t* out);
    size_t DecodeSingle(int type, const char* text, uint8_t* out);

    CAPPacket& x_;
};

}  // namespace vantor
