#include "SettingsStore.h"

#include "CgiRequest.h"

namespace devsim {

std::string SanitizeText(std::string_view value, size_t max_bytes) {
    std::string out;
    for (char c : value) {
        if (out.size() >= max_bytes)
            break;
        if (c == '"' || c == ';' || c == '\r' || c == '\n' || c == '\0')
            continue;
        out.push_back(c);
    }
    return out;
}

void SettingsStore::defineInt(const std::string& key, long long value) {
    Entry e;
    e.value = std::to_string(value);
    entries_[key] = std::move(e);
}

void SettingsStore::defineText(const std::string& key, size_t width, std::string_view value) {
    Entry e;
    e.text = true;
    e.width = width == 0 ? 1 : width;
    e.value = SanitizeText(value, e.width - 1);
    entries_[key] = std::move(e);
}

bool SettingsStore::set(const std::string& key, std::string_view value) {
    auto it = entries_.find(key);
    if (it == entries_.end())
        return false;
    Entry& e = it->second;
    if (e.text) {
        e.value = SanitizeText(value, e.width - 1);
    } else {
        long long v = ParseLeadingInt(value);
        if (v > 2147483647LL)
            v = 2147483647LL;
        if (v < -2147483648LL)
            v = -2147483648LL;
        e.value = std::to_string(v);
    }
    return true;
}

std::string SettingsStore::get(const std::string& key) const {
    auto it = entries_.find(key);
    return it == entries_.end() ? std::string() : it->second.value;
}

long long SettingsStore::getInt(const std::string& key) const {
    return ParseLeadingInt(get(key));
}

void SettingsStore::append(std::string& out, const std::string& key) const {
    auto it = entries_.find(key);
    if (it == entries_.end())
        return;
    out += key;
    out += '=';
    if (it->second.text) {
        out += '"';
        out += it->second.value;
        out += '"';
    } else {
        out += it->second.value;
    }
    out += ";\r\n";
}

void SettingsStore::appendAll(std::string& out, const std::vector<std::string>& keys) const {
    for (const auto& k : keys)
        append(out, k);
}

}  // namespace devsim
