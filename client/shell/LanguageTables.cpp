#include "LanguageTables.h"

#include <cstring>

#include "AtomicFile.h"
#include "DataPaths.h"
#include "TextField.h"

namespace vantor::client {

namespace {

constexpr std::array<LangTagInfo, LanguageTables::kTagCount> kTags{{
    {"VantorTitle", 128, 1},
    {"DevCtrolName", 64, 31},
    {"DevList", 64, 11},
    {"DevVideoType", 32, 3},
    {"DevNotify", 128, 20},
    {"DevSceneContent", 32, 1},
    {"DevMessageContent", 64, 12},
    {"DevManageContent", 64, 19},
    {"DevReplayContent", 32, 1},
    {"DevDefaultContent", 64, 2},
    {"DevResuoltionContent", 16, 3},
    {"DevBrightContent", 16, 4},
    {"DevSystemContent", 128, 12},
    {"DevUserManageContent", 64, 9},
    {"DevSystemSetContent", 128, 64},
    {"DevParamTitle", 32, 13},
    {"DevStatusContent", 32, 7},
    {"DevAddDevContent", 16, 8},
    {"DevParamInfo", 32, 21},
    {"DevParamTime", 128, 34},
    {"DevParamNetwork", 32, 9},
    {"DevParamSD", 64, 31},
    {"DevParamUser", 32, 5},
    {"DevParamEmail", 32, 12},
    {"DevParamFtp", 80, 8},
    {"DevParamDdns", 32, 11},
    {"DevParamPtz", 64, 12},
    {"DevParamAlram", 64, 32},
    {"DevParamWifi", 32, 13},
    {"DevMenu", 32, 11},
    {"DevSplit", 16, 9},
    {"DevOther", 32, 10},
    {"WvrTabTitle", 32, 6},
    {"WvrAddCamera", 64, 11},
    {"WvrAddRemote", 64, 12},
    {"WvrAddSensor", 64, 11},
    {"WvrSetArea", 64, 13},
    {"DevParamFillLight", 128, 18},
}};

constexpr std::array<std::string_view, LanguageTables::kLanguageIndexCount> kFiles{
    "ipc_china.xml",   "ipc_english.xml", "ipc_korean.xml", "ipc_china_tranditional.xml",
    "ipc_germany.xml", "ipc_french.xml",  "ipc_czech.xml",  "ipc_ESP.xml",
    "ipc_Italian.xml", "ipc_ESP.xml",
};

using Units = std::u16string_view;

// Reads one line of two-byte units up to and including LF, as a wide-character line reader
// in untranslated mode would.
class UnitReader {
  public:
    explicit UnitReader(std::string_view bytes) : bytes_(bytes) {}

    bool Next(std::u16string* line) {
        line->clear();
        if (pos_ + 1 >= bytes_.size()) {
            return false;
        }
        while (pos_ + 1 < bytes_.size()) {
            const char16_t u =
                static_cast<char16_t>(static_cast<unsigned char>(bytes_[pos_]) |
                                      (static_cast<unsigned char>(bytes_[pos_ + 1]) << 8));
            pos_ += 2;
            line->push_back(u);
            if (u == u'\n') {
                break;
            }
        }
        return true;
    }

  private:
    std::string_view bytes_;
    size_t pos_ = 0;
};

void StripLineEnd(std::u16string* line) {
    if (!line->empty() && line->back() == u'\n') {
        line->pop_back();
    }
    if (!line->empty() && line->back() == u'\r') {
        line->pop_back();
    }
}

// UTF-16 to UTF-8; unpaired surrogates become U+FFFD. Stops before max_bytes would be passed.
std::string ToUtf8(Units units, size_t max_bytes) {
    std::string out;
    for (size_t i = 0; i < units.size(); ++i) {
        uint32_t cp = units[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        char buf[4];
        size_t n;
        if (cp < 0x80) {
            buf[0] = static_cast<char>(cp);
            n = 1;
        } else if (cp < 0x800) {
            buf[0] = static_cast<char>(0xC0 | (cp >> 6));
            buf[1] = static_cast<char>(0x80 | (cp & 0x3F));
            n = 2;
        } else if (cp < 0x10000) {
            buf[0] = static_cast<char>(0xE0 | (cp >> 12));
            buf[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            buf[2] = static_cast<char>(0x80 | (cp & 0x3F));
            n = 3;
        } else {
            buf[0] = static_cast<char>(0xF0 | (cp >> 18));
            buf[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            buf[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            buf[3] = static_cast<char>(0x80 | (cp & 0x3F));
            n = 4;
        }
        if (out.size() + n > max_bytes) {
            break;
        }
        out.append(buf, n);
    }
    return out;
}

std::u16string ClosingTag(const char* name) {
    std::u16string tag = u"</";
    for (const char* p = name; *p; ++p) {
        tag.push_back(static_cast<char16_t>(*p));
    }
    tag.push_back(u'>');
    return tag;
}

}  // namespace

const std::array<LangTagInfo, LanguageTables::kTagCount>& LanguageTables::Tags() {
    return kTags;
}

std::string_view LanguageTables::FileName(int index) {
    if (index < 0 || index >= kLanguageIndexCount) {
        return {};
    }
    return kFiles[static_cast<size_t>(index)];
}

LanguageTables::LanguageTables() {
    size_t total = 0;
    for (int t = 0; t < kTagCount; ++t) {
        offsets_[t] = total;
        total += size_t{kTags[t].width_bytes} * kTags[t].capacity;
    }
    storage_.assign(total, '\0');
}

void LanguageTables::Clear() {
    std::fill(storage_.begin(), storage_.end(), '\0');
}

void LanguageTables::Store(int tag, int entry, std::string_view utf8) {
    const LangTagInfo& info = kTags[tag];
    if (entry < 0 || entry >= info.capacity) {
        return;
    }
    char* field = storage_.data() + offsets_[tag] + size_t{info.width_bytes} * entry;
    CopyTextField(field, info.width_bytes, utf8);
}

std::string_view LanguageTables::Text(LangTag tag, int entry) const {
    const int t = static_cast<int>(tag);
    if (t < 0 || t >= kTagCount || entry < 0 || entry >= kTags[t].capacity) {
        return {};
    }
    const char* field = storage_.data() + offsets_[t] + size_t{kTags[t].width_bytes} * entry;
    return std::string_view(field, strnlen(field, kTags[t].width_bytes));
}

void LanguageTables::Parse(std::string_view bytes) {
    Clear();
    UnitReader reader(bytes);
    std::u16string line;
    for (int t = 0; t < kTagCount; ++t) {
        const std::u16string closing = ClosingTag(kTags[t].name);
        if (!reader.Next(&line)) {
            return;  // opening line missing: the file has ended
        }
        if (!reader.Next(&line)) {
            return;
        }
        StripLineEnd(&line);
        if (line.empty()) {
            continue;
        }
        int entry = 0;
        while (line != closing) {
            Units item;
            if (line.size() > 2 * kItemFrameChars) {
                item = Units(line).substr(kItemFrameChars, line.size() - 2 * kItemFrameChars);
            }
            Store(t, entry++, ToUtf8(item, kItemMaxUtf8Bytes));
            if (!reader.Next(&line)) {
                return;  // a block without its closing line ends the file
            }
            StripLineEnd(&line);
        }
    }
}

bool LanguageTables::Load(const std::string& folder, int language_index) {
    Clear();
    const std::string_view name = FileName(language_index);
    if (name.empty()) {
        return false;
    }
    std::string bytes;
    if (!AtomicFile::Read(DataPaths::Join(folder, name), kFileMaxBytes, &bytes)) {
        return false;
    }
    Parse(bytes);
    return true;
}

}  // namespace vantor::client
