// Lookups over the generated family tables (DeviceFamilies.cpp).
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "DebugOut.h"
#include "DeviceFamilies.h"

namespace vantor {
namespace {

bool startsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix != 0; ++text, ++prefix) {
        if (*text == 0)
            return false;
        if (std::toupper(static_cast<unsigned char>(*text)) != *prefix)
            return false;
    }
    return true;
}

// Families whose devices derive their key from the device ID.
bool usesDigestKey(int familyIndex) {
    return familyIndex == 7 || familyIndex == 25;
}

}  // namespace

int FamilyIndexOf(const char* deviceId) {
    if (deviceId == nullptr || std::strlen(deviceId) < kDeviceIdMinChars)
        return -1;
    const FamilyPrefixRule* rules = FamilyPrefixRules();
    for (size_t i = 0; i < kFamilyPrefixRuleCount; ++i) {
        if (!startsWithNoCase(deviceId, rules[i].prefix))
            continue;
        if (rules[i].notFollowedBy[0] != 0 && startsWithNoCase(deviceId, rules[i].notFollowedBy))
            continue;
        return rules[i].family;
    }
    return -1;
}

void DeriveSessionKey(int familyIndex, const char* deviceId, uint8_t key[kSessionKeyBytes]) {
    std::memset(key, 0, kSessionKeyBytes);
    if (usesDigestKey(familyIndex)) {
        // 31 ID characters + 32 salt characters + terminator: the 64-byte text of the devices.
        char text[kDeviceIdMaxChars + kSessionKeySaltChars + 1];
        std::snprintf(text, sizeof text, "%.*s%s", static_cast<int>(kDeviceIdMaxChars),
                      deviceId != nullptr ? deviceId : "", SessionKeySalt);
        DebugOut("before tmp \t\t\t= %s \n", text);
        std::string hex = md5hex(text);
        DebugOut("affter p \t\t\t= %s \n", hex.c_str());
        if (hex.size() >= kSessionKeyBytes)
            std::memcpy(key, hex.data(), kSessionKeyBytes);
    } else {
        std::memcpy(key, DefaultSessionKey, kDefaultSessionKeyChars);
    }
    char shown[kSessionKeyBytes + 1] = {};
    std::memcpy(shown, key, kSessionKeyBytes);
    DebugOut("pkey gAeskey \t= %s \n", shown);
}

}  // namespace vantor
