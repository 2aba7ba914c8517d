#pragma once
// The few cryptographic primitives the RAR formats need, taken from the platform:
// OpenSSL libcrypto natively, BCrypt on Windows. Each call reports failure as false.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace myrar::crypto {

// Incremental SHA-1 whose digest can be taken midway without ending the hash.
class Sha1 {
public:
    Sha1();
    ~Sha1();
    Sha1(const Sha1&) = delete;
    Sha1& operator=(const Sha1&) = delete;

    bool ok() const;
    bool update(const void* data, std::size_t n);
    // Digest of everything so far; the hash goes on afterwards.
    bool peek(std::uint8_t out[20]);

private:
    struct State;
    std::unique_ptr<State> state_;
};

bool sha256(const void* data, std::size_t n, std::uint8_t out[32]);

bool pbkdf2HmacSha256(const void* password, std::size_t passwordSize, const std::uint8_t* salt,
                      std::size_t saltSize, std::uint32_t iterations, std::uint8_t out[32]);

// AES in CBC mode without padding; n must be a multiple of 16. keySize is 16 or 32.
bool aesCbcDecrypt(const std::uint8_t* key, std::size_t keySize, const std::uint8_t iv[16],
                   const std::uint8_t* in, std::size_t n, std::uint8_t* out);
bool aesCbcEncrypt(const std::uint8_t* key, std::size_t keySize, const std::uint8_t iv[16],
                   const std::uint8_t* in, std::size_t n, std::uint8_t* out);

} // namespace myrar::crypto
