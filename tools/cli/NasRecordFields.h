// Named fields of the recorder's parameter records (morsk), in the same form as the camera
// records of RecordFields.h, so printing and single-field changes work alike.
//
// Thread: any; the table is built once and constant afterwards.
#pragma once

#include <string>
#include <vector>

#include "RecordFields.h"

namespace vantor::cli {

const std::vector<RecordDef>& NasRecords();
// The recorder record known by this name, or by its get or set type (decimal or 0x hex).
const RecordDef* FindNasRecord(const std::string& nameOrType);

}  // namespace vantor::cli
