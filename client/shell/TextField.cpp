#include "TextField.h"

#include <cstring>

namespace vantor::client {

std::string_view CutUtf8(std::string_view text, size_t max_bytes) {
    if (text.size() <= max_bytes) {
        return text;
    }
    size_t end = max_bytes;
    // Step back over continuation bytes so the cut falls before a lead byte.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end);
}

size_t CopyTextField(char* dst, size_t dst_bytes, std::string_view src) {
    if (dst == nullptr || dst_bytes == 0) {
        return 0;
    }
    // Stop at an embedded NUL: the field could not represent what follows it anyway.
    const size_t nul = src.find('\0');
    if (nul != std::string_view::npos) {
        src = src.substr(0, nul);
    }
    const std::string_view cut = CutUtf8(src, dst_bytes - 1);
    std::memset(dst, 0, dst_bytes);
    std::memcpy(dst, cut.data(), cut.size());
    return cut.size();
}

std::string FieldText(const char* field, size_t field_bytes) {
    if (field == nullptr) {
        return {};
    }
    const void* nul = std::memchr(field, '\0', field_bytes);
    const size_t len =
        nul ? static_cast<size_t>(static_cast<const char*>(nul) - field) : field_bytes;
    return std::string(field, len);
}

}  // namespace vantor::client
