// The session cipher (AES-128 in ECB mode, FIPS-197, no padding) and the MD5 digest, both
// through OpenSSL. Every call is self-contained: no state is shared between calls, threads or
// sessions, so any thread may call them at any time. The session still holds its cipher lock
// around uses of its key, because the key itself may be rewritten between connections.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantor {

inline constexpr size_t kSessionKeyBytes = 16;
inline constexpr size_t kCipherBlockBytes = 16;
inline constexpr size_t kMd5HexChars = 32;

// Bytes written by encrypt/decrypt for an input of n bytes: ceil(n / 16) * 16.
constexpr size_t CipherOutputBytes(size_t n) {
    return (n + kCipherBlockBytes - 1) / kCipherBlockBytes * kCipherBlockBytes;
}

// Process ceil(n / 16) blocks from `in` to `out`, block by block. A last partial block is
// zero-padded in a private copy: `in` is never read past in[n - 1]. `out` must hold
// CipherOutputBytes(n) bytes. `in` and `out` may be the same buffer, not otherwise overlap.
// Results: the byte count written (0 for n == 0), or -1 when OpenSSL fails.
long encrypt(const uint8_t key[kSessionKeyBytes], const void* in, size_t n, void* out);
long decrypt(const uint8_t key[kSessionKeyBytes], const void* in, size_t n, void* out);

// MD5 of the text, as 32 lower-case hex characters ("%02x" per byte). Empty on OpenSSL failure.
std::string md5hex(std::string_view text);

}  // namespace vantor
