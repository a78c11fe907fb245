// Language files are shipped data but may be edited by users: any bytes must load safely.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "LanguageTables.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vantor::client::LanguageTables lang;
    lang.Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    size_t total = 0;
    for (int t = 0; t < vantor::client::LanguageTables::kTagCount; ++t) {
        total += lang.Text(static_cast<vantor::client::LangTag>(t), 0).size();
    }
    return total > (1u << 30) ? 1 : 0;
}
