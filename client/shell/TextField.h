// Fixed-width NUL-terminated text fields of the client's records.
//
// Thread: any (pure functions). Fields are byte arrays holding UTF-8; a copy never writes past
// the field and always leaves it terminated. Text that does not fit is cut at a UTF-8 character
// boundary so a field never ends in half a character.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vantor::client {

// Copies src into dst[0..dst_bytes) (dst_bytes >= 1), cut to dst_bytes - 1 bytes at a character
// boundary, zero-filling the rest. Returns the number of text bytes stored.
size_t CopyTextField(char* dst, size_t dst_bytes, std::string_view src);

// Reads a field that may lack its terminator: at most field_bytes bytes.
std::string FieldText(const char* field, size_t field_bytes);

// The longest prefix of text of at most max_bytes bytes that ends on a character boundary.
std::string_view CutUtf8(std::string_view text, size_t max_bytes);

template <size_t N>
size_t CopyTextField(char (&dst)[N], std::string_view src) {
    return CopyTextField(dst, N, src);
}
template <size_t N>
std::string FieldText(const char (&field)[N]) {
    return FieldText(field, N);
}

}  // namespace vantor::client
