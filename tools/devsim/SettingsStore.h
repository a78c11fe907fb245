// The in-memory settings of one device: every key an answer can carry, typed (number or
// text) and bounded by the width of the record field the client decodes it into.
//
// Answers are written as key=value; pairs, numbers unquoted and texts double-quoted, one pair
// per line. Keys are stored exactly as the client searches for them (including the blank of
// " num" and list indices such as "alarmswitch[3]").
// Thread: not synchronised; the owner (CgiHandler) serialises access.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace devsim {

class SettingsStore {
  public:
    struct Entry {
        bool text = false;
        size_t width = 0;  // text fields: room including the terminator
        std::string value;
    };

    // Declares a key with its default. A text value longer than width - 1 is cut.
    void defineInt(const std::string& key, long long value);
    void defineText(const std::string& key, size_t width, std::string_view value);

    bool has(const std::string& key) const { return entries_.count(key) != 0; }
    // Stores a value for a declared key (numbers: the leading decimal integer; texts: cut to
    // the field and stripped of characters that would break the answer syntax). False for an
    // unknown key.
    bool set(const std::string& key, std::string_view value);
    std::string get(const std::string& key) const;
    long long getInt(const std::string& key) const;

    // Appends "key=value;\r\n" (or key="value";) for a declared key; nothing for others.
    void append(std::string& out, const std::string& key) const;
    void appendAll(std::string& out, const std::vector<std::string>& keys) const;

  private:
    std::map<std::string, Entry> entries_;
};

// Removes '"', ';', CR, LF and NUL and cuts to max_bytes.
std::string SanitizeText(std::string_view value, size_t max_bytes);

}  // namespace devsim
