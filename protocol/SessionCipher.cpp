#include "SessionCipher.h"

#include <openssl/evp.h>

#include <cstring>
#include <memory>

namespace vantor {
namespace {

struct CtxFree {
    void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};

long runCipher(bool encipher, const uint8_t key[kSessionKeyBytes], const void* in, size_t n,
               void* out) {
    if (n == 0)
        return 0;
    std::unique_ptr<EVP_CIPHER_CTX, CtxFree> ctx(EVP_CIPHER_CTX_new());
    if (!ctx)
        return -1;
    if (EVP_CipherInit_ex(ctx.get(), EVP_aes_128_ecb(), nullptr, key, nullptr, encipher ? 1 : 0) !=
            1 ||
        EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1) {
        return -1;
    }
    const auto* src = static_cast<const uint8_t*>(in);
    auto* dst = static_cast<uint8_t*>(out);
    size_t whole = n / kCipherBlockBytes * kCipherBlockBytes;
    int produced = 0;
    // EVP_CipherUpdate takes an int length; feed large inputs in slices.
    constexpr size_t kSliceBytes = size_t{1} << 20;
    for (size_t done = 0; done < whole;) {
        size_t slice = whole - done < kSliceBytes ? whole - done : kSliceBytes;
        if (EVP_CipherUpdate(ctx.get(), dst + done, &produced, src + done,
                             static_cast<int>(slice)) != 1 ||
            static_cast<size_t>(produced) != slice) {
            return -1;
        }
        done += slice;
    }
    if (whole < n) {
        // The caller's buffer ends inside this block: pad a private copy, never read past it.
        uint8_t last[kCipherBlockBytes] = {};
        std::memcpy(last, src + whole, n - whole);
        if (EVP_CipherUpdate(ctx.get(), dst + whole, &produced, last,
                             static_cast<int>(kCipherBlockBytes)) != 1 ||
            produced != static_cast<int>(kCipherBlockBytes)) {
            return -1;
        }
    }
    int tail = 0;
    if (EVP_CipherFinal_ex(ctx.get(), dst + CipherOutputBytes(n), &tail) != 1 || tail != 0)
        return -1;
    return static_cast<long>(CipherOutputBytes(n));
}

}  // namespace

long encrypt(const uint8_t key[kSessionKeyBytes], const void* in, size_t n, void* out) {
    return runCipher(true, key, in, n, out);
}

long decrypt(const uint8_t key[kSessionKeyBytes], const void* in, size_t n, void* out) {
    return runCipher(false, key, in, n, out);
}

std::string md5hex(std::string_view text) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLen = 0;
    if (EVP_Digest(text.data(), text.size(), digest, &digestLen, EVP_md5(), nullptr) != 1 ||
        digestLen * 2 != kMd5HexChars) {
        return std::string();
    }
    static const char kHex[] = "0123456789abcdef";
    std::string hex(kMd5HexChars, '0');
    for (unsigned int i = 0; i < digestLen; ++i) {
        hex[2 * i] = kHex[digest[i] >> 4];
        hex[2 * i + 1] = kHex[digest[i] & 15];
    }
    return hex;
}

}  // namespace vantor
