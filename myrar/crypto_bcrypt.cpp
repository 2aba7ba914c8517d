#include "crypto.h"

#include <windows.h>

#include <bcrypt.h>

#include <vector>

namespace myrar::crypto {

namespace {

bool succeeded(NTSTATUS status) {
    return status >= 0;
}

// An opened algorithm provider, closed on scope exit.
struct Provider {
    BCRYPT_ALG_HANDLE handle = nullptr;
    Provider(LPCWSTR algorithm, ULONG flags) {
        if (!succeeded(BCryptOpenAlgorithmProvider(&handle, algorithm, nullptr, flags)))
            handle = nullptr;
    }
    ~Provider() {
        if (handle)
            BCryptCloseAlgorithmProvider(handle, 0);
    }
    Provider(const Provider&) = delete;
    Provider& operator=(const Provider&) = delete;
};

struct HashHandle {
    BCRYPT_HASH_HANDLE handle = nullptr;
    HashHandle() = default;
    ~HashHandle() {
        if (handle)
            BCryptDestroyHash(handle);
    }
    HashHandle(const HashHandle&) = delete;
    HashHandle& operator=(const HashHandle&) = delete;
};

struct KeyHandle {
    BCRYPT_KEY_HANDLE handle = nullptr;
    ~KeyHandle() {
        if (handle)
            BCryptDestroyKey(handle);
    }
};

} // namespace

struct Sha1::State {
    Provider provider{BCRYPT_SHA1_ALGORITHM, 0};
    HashHandle hash;
};

Sha1::Sha1() : state_(std::make_unique<State>()) {
    if (!state_->provider.handle)
        return;
    if (!succeeded(BCryptCreateHash(state_->provider.handle, &state_->hash.handle, nullptr, 0,
                                    nullptr, 0, 0)))
        state_->hash.handle = nullptr;
}

Sha1::~Sha1() = default;

bool Sha1::ok() const {
    return state_->hash.handle != nullptr;
}

bool Sha1::update(const void* data, std::size_t n) {
    if (!ok())
        return false;
    return succeeded(BCryptHashData(state_->hash.handle,
                                    static_cast<PUCHAR>(const_cast<void*>(data)),
                                    static_cast<ULONG>(n), 0));
}

bool Sha1::peek(std::uint8_t out[20]) {
    if (!ok())
        return false;
    HashHandle copy;
    if (!succeeded(BCryptDuplicateHash(state_->hash.handle, &copy.handle, nullptr, 0, 0)))
        return false;
    return succeeded(BCryptFinishHash(copy.handle, out, 20, 0));
}

bool sha256(const void* data, std::size_t n, std::uint8_t out[32]) {
    Provider provider(BCRYPT_SHA256_ALGORITHM, 0);
    if (!provider.handle)
        return false;
    HashHandle hash;
    if (!succeeded(BCryptCreateHash(provider.handle, &hash.handle, nullptr, 0, nullptr, 0, 0)))
        return false;
    if (!succeeded(BCryptHashData(hash.handle, static_cast<PUCHAR>(const_cast<void*>(data)),
                                  static_cast<ULONG>(n), 0)))
        return false;
    return succeeded(BCryptFinishHash(hash.handle, out, 32, 0));
}

bool pbkdf2HmacSha256(const void* password, std::size_t passwordSize, const std::uint8_t* salt,
                      std::size_t saltSize, std::uint32_t iterations, std::uint8_t out[32]) {
    if (iterations == 0)
        return false;
    Provider provider(BCRYPT_SHA256_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
    if (!provider.handle)
        return false;
    return succeeded(
        BCryptDeriveKeyPBKDF2(provider.handle, static_cast<PUCHAR>(const_cast<void*>(password)),
                              static_cast<ULONG>(passwordSize), const_cast<PUCHAR>(salt),
                              static_cast<ULONG>(saltSize), iterations, out, 32, 0));
}

namespace {

bool aesCbc(bool encrypt, const std::uint8_t* key, std::size_t keySize, const std::uint8_t iv[16],
            const std::uint8_t* in, std::size_t n, std::uint8_t* out) {
    if ((keySize != 16 && keySize != 32) || n % 16 != 0)
        return false;
    if (n == 0)
        return true;
    Provider provider(BCRYPT_AES_ALGORITHM, 0);
    if (!provider.handle)
        return false;
    if (!succeeded(
            BCryptSetProperty(provider.handle, BCRYPT_CHAINING_MODE,
                              reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(BCRYPT_CHAIN_MODE_CBC)),
                              sizeof(BCRYPT_CHAIN_MODE_CBC), 0)))
        return false;
    KeyHandle k;
    if (!succeeded(BCryptGenerateSymmetricKey(provider.handle, &k.handle, nullptr, 0,
                                              const_cast<PUCHAR>(key), static_cast<ULONG>(keySize),
                                              0)))
        return false;
    UCHAR chain[16];
    for (int i = 0; i < 16; ++i)
        chain[i] = iv[i];
    ULONG done = 0;
    std::vector<UCHAR> input(in, in + n);
    NTSTATUS status = encrypt
                          ? BCryptEncrypt(k.handle, input.data(), static_cast<ULONG>(n), nullptr,
                                          chain, 16, out, static_cast<ULONG>(n), &done, 0)
                          : BCryptDecrypt(k.handle, input.data(), static_cast<ULONG>(n), nullptr,
                                          chain, 16, out, static_cast<ULONG>(n), &done, 0);
    return succeeded(status) && done == n;
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
