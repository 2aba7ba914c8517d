#include "entry_decrypt.h"

#include "crypto.h"
#include "rar_keys.h"
#include "text_codec.h"

namespace myrar {
namespace {

constexpr std::size_t kAesBlock = 16;
constexpr std::size_t kRar4KeySize = 16;
constexpr std::size_t kRar5KeySize = 32;
constexpr unsigned kFirstAesVersion = 29; // RAR 2.9 brought AES
constexpr unsigned kFirstRar5Version = 50;

} // namespace

DecryptStatus decryptEntryData(const Entry& entry, const std::string& password,
                               std::vector<std::uint8_t>& data) {
    const DataEncryption& enc = entry.encryption;
    if (!enc.hasSalt || entry.unpackVersion < kFirstAesVersion)
        return DecryptStatus::Unsupported;
    if (data.size() % kAesBlock != 0)
        return DecryptStatus::Damaged;
    if (data.empty())
        return DecryptStatus::Ok;
    std::u16string wide = cp936ToWide(password);
    if (entry.unpackVersion >= kFirstRar5Version) {
        Rar5Keys keys;
        if (enc.kdfLog2 > kRar5MaxKdfLog2)
            return DecryptStatus::Unsupported;
        if (!deriveRar5Keys(wideToUtf8(wide), enc.salt.data(), enc.kdfLog2, keys) ||
            !crypto::aesCbcDecrypt(keys.key.data(), kRar5KeySize, enc.iv.data(), data.data(),
                                   data.size(), data.data()))
            return DecryptStatus::Failed;
        return DecryptStatus::Ok;
    }
    Rar4Key key;
    if (!deriveRar4Key(wide, enc.salt.data(), key) ||
        !crypto::aesCbcDecrypt(key.key.data(), kRar4KeySize, key.iv.data(), data.data(),
                               data.size(), data.data()))
        return DecryptStatus::Failed;
    return DecryptStatus::Ok;
}

} // namespace myrar
