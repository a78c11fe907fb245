// One CGI request as a device receives it: "GET name.cgi?k=v&k=v& HTTP/1.1..." or the bare
// "name.cgi?k=v" text, with or without a leading slash.
//
// Parsing never trusts the input: texts are cut to named bounds, excess parameters are
// dropped, and anything that does not look like a CGI request yields ok() == false.
// Thread: any (plain value type).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace devsim {

class CgiRequest {
  public:
    static constexpr size_t kMaxRequestBytes = 65536;
    static constexpr size_t kMaxNameBytes = 64;
    static constexpr size_t kMaxParams = 256;
    static constexpr size_t kMaxKeyBytes = 64;
    static constexpr size_t kMaxValueBytes = 1024;

    static CgiRequest Parse(std::string_view text);

    bool ok() const { return ok_; }
    const std::string& name() const { return name_; }  // e.g. "get_status.cgi"
    const std::vector<std::pair<std::string, std::string>>& params() const { return params_; }

    bool has(std::string_view key) const;
    // The first value of the key, or the fallback when it is absent.
    std::string get(std::string_view key, std::string_view fallback = {}) const;
    // The decimal value of the key (leading sign and digits), or the fallback.
    long long getInt(std::string_view key, long long fallback = 0) const;

    // Credentials: loginuse/loginpas win over user/pwd, because some CGIs carry the account
    // of another service in user/pwd.
    std::string loginUser() const;
    std::string loginPassword() const;

  private:
    bool ok_ = false;
    std::string name_;
    std::vector<std::pair<std::string, std::string>> params_;
};

// Leading decimal integer of a text (optional sign), 0 when there are no digits; saturates
// instead of overflowing.
long long ParseLeadingInt(std::string_view text);

}  // namespace devsim
