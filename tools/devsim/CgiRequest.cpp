#include "CgiRequest.h"

#include <climits>

namespace devsim {

namespace {

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '.' || c == '-';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

}  // namespace

long long ParseLeadingInt(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        int digit = text[i] - '0';
        if (value > (LLONG_MAX - digit) / 10) {
            value = LLONG_MAX;
            break;
        }
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

CgiRequest CgiRequest::Parse(std::string_view text) {
    CgiRequest r;
    if (text.size() > kMaxRequestBytes)
        text = text.substr(0, kMaxRequestBytes);
    // Only the request line matters; HTTP header lines follow it.
    size_t eol = text.find_first_of("\r\n");
    if (eol != std::string_view::npos)
        text = text.substr(0, eol);
    size_t nul = text.find('\0');
    if (nul != std::string_view::npos)
        text = text.substr(0, nul);
    text = Trim(text);
    if (text.substr(0, 4) == "GET ")
        text = Trim(text.substr(4));
    // The stream forms run the query straight into "HTTP/1.1" without a blank.
    size_t http = text.find("HTTP/1.");
    if (http != std::string_view::npos)
        text = Trim(text.substr(0, http));
    while (!text.empty() && text.front() == '/')
        text.remove_prefix(1);

    size_t q = text.find('?');
    std::string_view name = text.substr(0, q);
    if (name.empty() || name.size() > kMaxNameBytes)
        return r;
    for (char c : name) {
        if (!IsNameChar(c))
            return r;
    }
    if (name.size() < 5 || name.substr(name.size() - 4) != ".cgi")
        return r;
    r.name_.assign(name);

    std::string_view query = q == std::string_view::npos ? std::string_view{} : text.substr(q + 1);
    while (!query.empty() && r.params_.size() < kMaxParams) {
        size_t amp = query.find('&');
        std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view{} : query.substr(amp + 1);
        pair = Trim(pair);
        if (pair.empty())
            continue;
        size_t eq = pair.find('=');
        std::string_view key = pair.substr(0, eq);
        std::string_view value =
            eq == std::string_view::npos ? std::string_view{} : pair.substr(eq + 1);
        if (key.empty() || key.size() > kMaxKeyBytes)
            continue;
        if (value.size() > kMaxValueBytes)
            value = value.substr(0, kMaxValueBytes);
        r.params_.emplace_back(std::string(key), std::string(value));
    }
    r.ok_ = true;
    return r;
}

bool CgiRequest::has(std::string_view key) const {
    for (const auto& [k, v] : params_) {
        if (k == key)
            return true;
    }
    return false;
}

std::string CgiRequest::get(std::string_view key, std::string_view fallback) const {
    for (const auto& [k, v] : params_) {
        if (k == key)
            return v;
    }
    return std::string(fallback);
}

long long CgiRequest::getInt(std::string_view key, long long fallback) const {
    for (const auto& [k, v] : params_) {
        if (k == key)
            return ParseLeadingInt(v);
    }
    return fallback;
}

std::string CgiRequest::loginUser() const {
    return has("loginuse") ? get("loginuse") : get("user");
}

std::string CgiRequest::loginPassword() const {
    return has("loginpas") ? get("loginpas") : get("pwd");
}

}  // namespace devsim
