// user.xml may be damaged or written by hand: any bytes must parse and round-trip safely.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "UserAccounts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using vantor::client::UserAccountsFile;
    const auto a =
        UserAccountsFile::Parse(std::string_view(reinterpret_cast<const char*>(data), size));
    // What we write we must read back identically.
    if (!(UserAccountsFile::Parse(UserAccountsFile::Format(a)) == a)) {
        std::abort();
    }
    return 0;
}
