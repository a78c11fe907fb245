// Named fields of the parameter records, for printing decoded records as "key = value" lines
// and for changing single fields of a record before it is sent back.
//
// Thread: any; the tables are constant.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vantor::cli {

struct FieldDef {
    const char* name;
    size_t offset;
    size_t size;  // text: field width; int: 4
    bool text;
};

struct RecordDef {
    const char* name;  // command-line name
    int getType;       // type to ask for (0: none)
    int setType;       // type to send a changed record as (0: read-only)
    size_t size;       // record size
    std::vector<FieldDef> fields;
};

// The record known by this name, or by this get type (decimal or 0x hex), or nullptr.
const RecordDef* FindRecord(const std::string& nameOrType);
// The record delivered with this type, or nullptr.
const RecordDef* RecordOfType(int type);
const std::vector<RecordDef>& Records();

// "key = value" lines of a record (size bytes; shorter records print nothing).
std::string FormatRecord(const RecordDef& def, const void* record, size_t size);

// Applies "FIELD=VALUE" to a record. Texts longer than their field are refused (a cut value
// would be sent without notice). Returns an empty string, or what was wrong.
std::string ApplyAssignment(const RecordDef& def, void* record, const std::string& assignment);

// Parses a decimal or 0x-hex int; false on anything else or overflow.
bool ParseInt(const std::string& text, long long min, long long max, long long* out);

}  // namespace vantor::cli
