#include "crypto.h"

#include <openssl/evp.h>
#include <openssl/sha.h>

namespace myrar::crypto {

struct Sha1::State {
    EVP_MD_CTX* ctx = nullptr;
    ~State() { EVP_MD_CTX_free(ctx); }
};

Sha1::Sha1() : state_(std::make_unique<State>()) {
    state_->ctx = EVP_MD_CTX_new();
    if (state_->ctx && EVP_DigestInit_ex(state_->ctx, EVP_sha1(), nullptr) != 1) {
        EVP_MD_CTX_free(state_->ctx);
        state_->ctx = nullptr;
    }
}

Sha1::~Sha1() = default;

bool Sha1::ok() const {
    return state_->ctx != nullptr;
}

bool Sha1::update(const void* data, std::size_t n) {
    return ok() && EVP_DigestUpdate(state_->ctx, data, n) == 1;
}

bool Sha1::peek(std::uint8_t out[20]) {
    if (!ok())
        return false;
    State copy;
    copy.ctx = EVP_MD_CTX_new();
    if (!copy.ctx || EVP_MD_CTX_copy_ex(copy.ctx, state_->ctx) != 1)
        return false;
    unsigned int len = 0;
    return EVP_DigestFinal_ex(copy.ctx, out, &len) == 1 && len == 20;
}

bool sha256(const void* data, std::size_t n, std::uint8_t out[32]) {
    unsigned int len = 0;
    return EVP_Digest(data, n, out, &len, EVP_sha256(), nullptr) == 1 && len == 32;
}

bool pbkdf2HmacSha256(const void* password, std::size_t passwordSize, const std::uint8_t* salt,
                      std::size_t saltSize, std::uint32_t iterations, std::uint8_t out[32]) {
    if (iterations == 0 || iterations > 0x7FFFFFFF)
        return false;
    return PKCS5_PBKDF2_HMAC(static_cast<const char*>(password), static_cast<int>(passwordSize),
                             salt, static_cast<int>(saltSize), static_cast<int>(iterations),
                             EVP_sha256(), 32, out) == 1;
}

namespace {

const EVP_CIPHER* cbcCipher(std::size_t keySize) {
    if (keySize == 16)
        return EVP_aes_128_cbc();
    if (keySize == 32)
        return EVP_aes_256_cbc();
    return nullptr;
}

bool aesCbc(bool encrypt, const std::uint8_t* key, std::size_t keySize, const std::uint8_t iv[16],
            const std::uint8_t* in, std::size_t n, std::uint8_t* out) {
    const EVP_CIPHER* cipher = cbcCipher(keySize);
    if (!cipher || n % 16 != 0 || n > 0x7FFFFFF0)
        return false;
    if (n == 0)
        return true;
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(),
                                                                        EVP_CIPHER_CTX_free);
    if (!ctx || EVP_CipherInit_ex(ctx.get(), cipher, nullptr, key, iv, encrypt ? 1 : 0) != 1)
        return false;
    EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
    int len = 0;
    int tail = 0;
    if (EVP_CipherUpdate(ctx.get(), out, &len, in, static_cast<int>(n)) != 1)
        return false;
    if (EVP_CipherFinal_ex(ctx.get(), out + len, &tail) != 1)
        return false;
    return static_cast<std::size_t>(len + tail) == n;
}

} // namespace

bool aesCbcDecrypt(const std::uint8_t* key, std::size_t keySize, const std::uint8_t iv[16],
                   const std::uint8_t* in, std::size_t n, std::uint8_t* out) {
    return aesCbc(false, key, keySize, iv, in, n, out);
}

bool aesCbcEncrypt(const std::uint8_t* key, std::size_t keySize, const std::uint8_t iv[16],
                   const std::uint8_t* in, std::size_t n, std::uint8_t* out) {
    return aesCbc(true, key, keySize, iv, in, n, out);
}

} // namespace myrar::crypto
