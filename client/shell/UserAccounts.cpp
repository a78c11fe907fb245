#include "UserAccounts.h"

#include <cstdlib>

#include "AtomicFile.h"
#include "DebugOut.h"
#include "TextField.h"

namespace vantor::client {

namespace {

constexpr std::string_view kOpenLine = "<UserInfo>";
constexpr std::string_view kCloseLine = "</UserInfo>";
constexpr size_t kItemOpenChars = 6;   // "<item>"
constexpr size_t kItemCloseChars = 7;  // "</item>"

std::string_view StripLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    return line;
}

int32_t ToInt(const std::string& text) {
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    return (v > INT32_MAX || v < INT32_MIN) ? 0 : static_cast<int32_t>(v);
}

std::string Bounded(std::string_view value) {
    // A value also may not carry a line break: it would shift every following item.
    const size_t br = value.find_first_of("\r\n");
    if (br != std::string_view::npos) {
        value = value.substr(0, br);
    }
    return std::string(CutUtf8(value, UserAccounts::kValueMaxBytes));
}

}  // namespace

int UserAccounts::MatchLogin(std::string_view name, std::string_view password) const {
    if (name.empty()) {
        return -1;
    }
    if (name == user_name && password == user_password) {
        return 0;
    }
    if (name == admin_name && password == admin_password) {
        return 1;
    }
    return -1;
}

bool UserAccounts::UnlockMatches(std::string_view password) const {
    return current_right == 1 ? password == admin_password : password == user_password;
}

namespace {

bool HasOuterSpace(std::string_view s) {
    auto space = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
    };
    return !s.empty() && (space(s.front()) || space(s.back()));
}

bool IsPlainName(std::string_view s) {
    if (s.empty()) {
        return false;
    }
    for (char c : s) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) {
            return false;
        }
    }
    return true;
}

size_t CharCount(std::string_view s) {
    size_t n = 0;
    for (char c : s) {
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }
    return n;
}

}  // namespace

int UserAccounts::ValidateEdit(std::string_view un, std::string_view up, std::string_view an,
                               std::string_view ap) {
    if (HasOuterSpace(un) || HasOuterSpace(up) || HasOuterSpace(an) || HasOuterSpace(ap)) {
        return 14;
    }
    if (un == an) {
        return 15;
    }
    if (!IsPlainName(un) || !IsPlainName(an)) {
        return 14;
    }
    for (std::string_view s : {un, up, an, ap}) {
        if (CharCount(s) > kEditMaxChars) {
            return 16;
        }
    }
    return 0;
}

UserAccounts UserAccountsFile::Parse(std::string_view text) {
    UserAccounts a;
    size_t pos = 0;
    auto next_line = [&](std::string_view* line) {
        if (pos >= text.size()) {
            return false;
        }
        size_t end = text.find('\n', pos);
        end = end == std::string_view::npos ? text.size() : end + 1;
        *line = StripLineEnd(text.substr(pos, end - pos));
        pos = end;
        return true;
    };
    std::string_view line;
    if (!next_line(&line) || line.empty()) {
        return a;
    }
    std::string values[kItemCount];
    for (int i = 0; i < kItemCount && next_line(&line) && line != kCloseLine; ++i) {
        std::string_view v;
        if (line.size() > kItemOpenChars + kItemCloseChars) {
            v = line.substr(kItemOpenChars, line.size() - kItemOpenChars - kItemCloseChars);
        }
        values[i] = Bounded(v);
    }
    a.user_name = values[0];
    a.user_password = values[1];
    a.admin_name = values[2];
    a.admin_password = values[3];
    a.remember_name = ToInt(values[4]);
    a.remember_password = ToInt(values[5]);
    a.current_right = ToInt(values[6]);
    return a;
}

std::string UserAccountsFile::Format(const UserAccounts& a) {
    std::string out(kOpenLine);
    out += "\n";
    auto item = [&out](std::string_view v) {
        out += "<item>";
        out += Bounded(v);
        out += "</item>\n";
    };
    item(a.user_name);
    item(a.user_password);
    item(a.admin_name);
    item(a.admin_password);
    item(std::to_string(a.remember_name));
    item(std::to_string(a.remember_password));
    item(std::to_string(a.current_right));
    out += kCloseLine;
    return out;
}

bool UserAccountsFile::Load(const std::string& path, UserAccounts* accounts) {
    std::string content;
    if (!AtomicFile::Read(path, kFileMaxBytes, &content)) {
        DebugOut("load user.xml failed.\n");
        return false;
    }
    *accounts = Parse(content);
    return true;
}

bool UserAccountsFile::Save(const std::string& path, const UserAccounts& accounts) {
    if (!AtomicFile::Write(path, Format(accounts), AtomicFile::kSecretMode)) {
        DebugOut("save user.xml failed.\n");
        return false;
    }
    return true;
}

}  // namespace vantor::client
