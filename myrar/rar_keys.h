#pragma once
// Keys for encrypted headers, derived from the password as each format prescribes.

#include <array>
#include <cstdint>
#include <string_view>

namespace myrar {

// RAR 2.9-4.x: AES-128 key and IV from SHA-1 over the UTF-16LE password and an 8-byte salt.
struct Rar4Key {
    std::array<std::uint8_t, 16> key{};
    std::array<std::uint8_t, 16> iv{};
};
bool deriveRar4Key(std::u16string_view password, const std::uint8_t salt[8], Rar4Key& out);

// RAR5: AES-256 key, the key for keyed checksums and the 8-byte password check value,
// from PBKDF2-HMAC-SHA256 over the UTF-8 password with 2^kdfLog2 rounds.
struct Rar5Keys {
    std::array<std::uint8_t, 32> key{};
    std::array<std::uint8_t, 32> hashKey{};
    std::array<std::uint8_t, 8> check{};
};
constexpr unsigned kRar5MaxKdfLog2 = 24;
bool deriveRar5Keys(std::string_view utf8Password, const std::uint8_t salt[16], unsigned kdfLog2,
                    Rar5Keys& out);

// The stored 12 bytes: 8 check bytes and the first 4 bytes of their SHA-256. False when the
// stored value is itself inconsistent (then it says nothing about the password).
bool rar5CheckIsSound(const std::uint8_t stored[12]);

} // namespace myrar
