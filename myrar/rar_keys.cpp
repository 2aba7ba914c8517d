#include "rar_keys.h"

#include "crypto.h"

#include <cstring>
#include <vector>

namespace myrar {

namespace {

constexpr std::uint32_t kRar4HashRounds = 0x40000;
constexpr std::uint32_t kRar4IvStep = kRar4HashRounds / 16;
constexpr std::size_t kRar4SaltSize = 8;
// RAR5 takes further PBKDF2 rounds past the key for its two other values.
constexpr std::uint32_t kRar5ExtraRounds = 16;

} // namespace

bool deriveRar4Key(std::u16string_view password, const std::uint8_t salt[8], Rar4Key& out) {
    std::vector<std::uint8_t> seed;
    for (char16_t c : password) {
        seed.push_back(static_cast<std::uint8_t>(c & 0xFF));
        seed.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    seed.insert(seed.end(), salt, salt + kRar4SaltSize);

    crypto::Sha1 sha;
    if (!sha.ok())
        return false;
    std::uint8_t digest[20];
    for (std::uint32_t i = 0; i < kRar4HashRounds; ++i) {
        std::uint8_t counter[3] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8),
                                   static_cast<std::uint8_t>(i >> 16)};
        if (!sha.update(seed.data(), seed.size()) || !sha.update(counter, 3))
            return false;
        if (i % kRar4IvStep == 0) {
            if (!sha.peek(digest))
                return false;
            out.iv[i / kRar4IvStep] = digest[19];
        }
    }
    if (!sha.peek(digest))
        return false;
    // The key is the first four digest words, each taken low byte first.
    for (int word = 0; word < 4; ++word)
        for (int b = 0; b < 4; ++b)
            out.key[word * 4 + b] = digest[word * 4 + 3 - b];
    return true;
}

bool deriveRar5Keys(std::string_view utf8Password, const std::uint8_t salt[16], unsigned kdfLog2,
                    Rar5Keys& out) {
    if (kdfLog2 > kRar5MaxKdfLog2)
        return false;
    std::uint32_t rounds = 1u << kdfLog2;
    std::uint8_t value[32];
    if (!crypto::pbkdf2HmacSha256(utf8Password.data(), utf8Password.size(), salt, 16, rounds,
                                  out.key.data()))
        return false;
    if (!crypto::pbkdf2HmacSha256(utf8Password.data(), utf8Password.size(), salt, 16,
                                  rounds + kRar5ExtraRounds, out.hashKey.data()))
        return false;
    if (!crypto::pbkdf2HmacSha256(utf8Password.data(), utf8Password.size(), salt, 16,
                                  rounds + 2 * kRar5ExtraRounds, value))
        return false;
    out.check.fill(0);
    for (int i = 0; i < 32; ++i)
        out.check[i % 8] ^= value[i];
    return true;
}

bool rar5CheckIsSound(const std::uint8_t stored[12]) {
    std::uint8_t digest[32];
    if (!crypto::sha256(stored, 8, digest))
        return false;
    return std::memcmp(digest, stored + 8, 4) == 0;
}

} // namespace myrar
