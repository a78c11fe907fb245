// The two local accounts of the client ("user.xml") and the right of the logged-in account.
//
// Thread: user-interface thread only. "user.xml" is a line file despite its name:
//   <UserInfo>\n
//   <item>user name</item>\n ... seven items ... \n
//   </UserInfo>            (no line end)
// in the order user name, user password, administrator name, administrator password,
// remember name, remember password, current right. Every value is at most kValueMaxBytes
// bytes. The file holds passwords and is written with mode 0600.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantor::client {

struct UserAccounts {
    static constexpr size_t kValueMaxBytes = 31;

    std::string user_name;
    std::string admin_name;
    std::string user_password;
    std::string admin_password;
    int32_t remember_name = 0;
    int32_t remember_password = 0;
    int32_t current_right = 0;  // 1 administrator, 0 ordinary user

    bool operator==(const UserAccounts&) const = default;

    // Login rule: the ordinary account is tried first; a match needs a non-empty name.
    // Returns 0 (user), 1 (administrator) or -1 (no match).
    int MatchLogin(std::string_view name, std::string_view password) const;

    // Lock view rule: the password of the account that is logged in.
    bool UnlockMatches(std::string_view password) const;

    // Account edit rules: 0 when the four texts may be stored, else the DevNotify entry of the
    // first rule broken (14 spaces or characters, 15 equal names, 16 too long).
    static constexpr size_t kEditMaxChars = 16;
    static int ValidateEdit(std::string_view user_name, std::string_view user_password,
                            std::string_view admin_name, std::string_view admin_password);
};

class UserAccountsFile {
  public:
    static constexpr size_t kFileMaxBytes = 64 * 1024;
    static constexpr int kItemCount = 7;

    // Parses the text of a "user.xml". Items beyond seven, and everything after the closing
    // line, are ignored; values are cut to kValueMaxBytes. Never fails: what cannot be read
    // stays empty or 0.
    static UserAccounts Parse(std::string_view text);

    // The file's text for the accounts.
    static std::string Format(const UserAccounts& accounts);

    // false when the file does not exist or cannot be read (accounts stay empty).
    static bool Load(const std::string& path, UserAccounts* accounts);
    static bool Save(const std::string& path, const UserAccounts& accounts);
};

}  // namespace vantor::client
