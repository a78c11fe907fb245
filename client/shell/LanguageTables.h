// The client's text tables: 38 tags, each a fixed array of fixed-width UTF-8 entries.
//
// Thread: loaded once on the user-interface thread before any window exists; read-only after.
// Language files are UTF-16LE with CR LF line ends: per tag, an opening line, item lines whose
// text is framed by exactly seven characters on each side, and the closing tag line "</Tag>".
// Entries that the file does not give stay empty; entries beyond a tag's capacity are dropped,
// texts longer than an entry are cut at a character boundary.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::client {

enum class LangTag : int {
    VantorTitle,
    DevCtrolName,
    DevList,
    DevVideoType,
    DevNotify,
    DevSceneContent,
    DevMessageContent,
    DevManageContent,
    DevReplayContent,
    DevDefaultContent,
    DevResuoltionContent,
    DevBrightContent,
    DevSystemContent,
    DevUserManageContent,
    DevSystemSetContent,
    DevParamTitle,
    DevStatusContent,
    DevAddDevContent,
    DevParamInfo,
    DevParamTime,
    DevParamNetwork,
    DevParamSD,
    DevParamUser,
    DevParamEmail,
    DevParamFtp,
    DevParamDdns,
    DevParamPtz,
    DevParamAlram,
    DevParamWifi,
    DevMenu,
    DevSplit,
    DevOther,
    WvrTabTitle,
    WvrAddCamera,
    WvrAddRemote,
    WvrAddSensor,
    WvrSetArea,
    DevParamFillLight,
};

struct LangTagInfo {
    const char* name;
    uint16_t width_bytes;  // terminator included
    uint16_t capacity;
};

class LanguageTables {
  public:
    static constexpr int kTagCount = 38;
    static constexpr size_t kItemFrameChars = 7;
    static constexpr size_t kItemMaxUtf8Bytes = 127;
    static constexpr size_t kFileMaxBytes = 4 * 1024 * 1024;
    static constexpr int kLanguageIndexCount = 10;

    static const std::array<LangTagInfo, kTagCount>& Tags();

    // "ipc_china.xml" ... by language index; empty for an index without a file.
    static std::string_view FileName(int language_index);

    LanguageTables();

    // Loads folder/FileName(index). false (all texts empty) when the index has no file or the
    // file cannot be read.
    bool Load(const std::string& folder, int language_index);

    // Parses the bytes of a language file (UTF-16LE). Texts already loaded are cleared first.
    void Parse(std::string_view utf16le_bytes);

    void Clear();

    // The entry's UTF-8 text; empty for an entry out of range.
    std::string_view Text(LangTag tag, int entry) const;

  private:
    void Store(int tag, int entry, std::string_view utf8);

    std::array<size_t, kTagCount> offsets_{};
    std::vector<char> storage_;  // every table, back to back, fixed width entries
};

}  // namespace vantor::client
