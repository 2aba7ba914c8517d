#include "rar5_reader.h"

#include "byte_cursor.h"
#include "crc32.h"
#include "crypto.h"
#include "text_codec.h"

#include <cstring>

namespace myrar {

namespace {

constexpr std::uint64_t kTypeMain = 1;
constexpr std::uint64_t kTypeFile = 2;
constexpr std::uint64_t kTypeService = 3;
constexpr std::uint64_t kTypeEncryption = 4;
constexpr std::uint64_t kTypeEnd = 5;

// Flags of every header.
constexpr std::uint64_t kHeaderExtra = 0x0001;
constexpr std::uint64_t kHeaderData = 0x0002;
constexpr std::uint64_t kHeaderSplitBefore = 0x0008;
constexpr std::uint64_t kHeaderSplitAfter = 0x0010;

// Main header archive flags.
constexpr std::uint64_t kArchiveVolume = 0x0001;
constexpr std::uint64_t kArchiveVolumeNumber = 0x0002;
constexpr std::uint64_t kArchiveSolid = 0x0004;
constexpr std::uint64_t kArchiveRecovery = 0x0008;
constexpr std::uint64_t kArchiveLocked = 0x0010;

// File header flags.
constexpr std::uint64_t kFileDirectory = 0x0001;
constexpr std::uint64_t kFileUnixTime = 0x0002;
constexpr std::uint64_t kFileCrc = 0x0004;
constexpr std::uint64_t kFileUnknownSize = 0x0008;

// Compression information bits.
constexpr std::uint64_t kCompVersionMask = 0x3F;
constexpr std::uint64_t kCompSolid = 0x40;
constexpr unsigned kCompMethodShift = 7;
constexpr std::uint64_t kCompMethodMask = 0x7;
constexpr unsigned kCompDictShift = 10;
constexpr std::uint64_t kCompDictMask = 0x1F;
constexpr unsigned kCompDictFractionShift = 15;
constexpr std::uint64_t kCompDictFractionMask = 0x1F;
constexpr std::uint64_t kBaseDictionary = 128 * 1024;

// Extra record types of file and service headers.
constexpr std::uint64_t kExtraEncryption = 1;
constexpr std::uint64_t kExtraHash = 2;
constexpr std::uint64_t kExtraTime = 3;
constexpr std::uint64_t kExtraVersion = 4;
constexpr std::uint64_t kExtraServiceData = 7;

constexpr std::uint64_t kHashBlake2 = 0;
constexpr std::uint64_t kTimeUnix = 0x0001;
constexpr std::uint64_t kTimeModified = 0x0002;
constexpr std::uint64_t kEncryptionCheck = 0x0001;
constexpr std::uint64_t kEncryptionTweaked = 0x0002;
constexpr std::uint64_t kEndNotLast = 0x0001;

constexpr std::uint64_t kHostWindows = 0;
constexpr std::uint64_t kHostUnix = 1;

constexpr std::size_t kCrcSize = 4;
constexpr std::size_t kMaxSizeField = 3;          // the header size fits in 3 vint bytes
constexpr std::uint64_t kMaxHeaderSize = 2 << 20; // the format allows no larger header
constexpr std::size_t kAesBlock = 16;
constexpr std::size_t kSaltSize = 16;
constexpr std::size_t kCheckSize = 12;
constexpr std::int64_t kFileTimeToUnix = 11644473600LL;
constexpr std::uint64_t kFileTimeTicks = 10000000;

// Parses the header size field; false when it is malformed.
bool sizeField(const std::uint8_t* p, std::size_t n, std::uint64_t& size, std::size_t& len) {
    ByteCursor c(p, n < kMaxSizeField ? n : kMaxSizeField);
    size = c.vint();
    len = c.position();
    return !c.failed();
}

} // namespace

Status Rar5Reader::readRaw(std::uint64_t offset, std::vector<std::uint8_t>& raw,
                           std::uint64_t& end) {
    const std::uint64_t fileSize = source_.size();
    if (offset > fileSize)
        return Status::Damaged;
    const std::uint64_t left = fileSize - offset;
    if (!decrypting_) {
        std::uint8_t start[kCrcSize + kMaxSizeField] = {};
        std::size_t got = left < sizeof start ? static_cast<std::size_t>(left) : sizeof start;
        if (got < kCrcSize + 1)
            return Status::Damaged;
        if (!source_.readAt(offset, start, got))
            return Status::ReadError;
        std::uint64_t size = 0;
        std::size_t len = 0;
        if (!sizeField(start + kCrcSize, got - kCrcSize, size, len) || size == 0 ||
            size > kMaxHeaderSize)
            return Status::Damaged;
        std::uint64_t total = kCrcSize + len + size;
        if (total > left)
            return Status::Damaged;
        raw.resize(static_cast<std::size_t>(total));
        if (!source_.readAt(offset, raw.data(), raw.size()))
            return Status::ReadError;
        end = offset + total;
        return Status::Ok;
    }
    // Encrypted: a 16-byte IV, then CRC, size and header in AES-256-CBC, padded to 16.
    const Status wrong = firstEncryptedHeader_ ? Status::BadPassword : Status::Damaged;
    if (left < 2 * kAesBlock)
        return Status::Damaged;
    std::uint8_t iv[kAesBlock];
    std::uint8_t first[kAesBlock];
    if (!source_.readAt(offset, iv, kAesBlock) ||
        !source_.readAt(offset + kAesBlock, first, kAesBlock))
        return Status::ReadError;
    std::uint8_t plain[kAesBlock];
    if (!crypto::aesCbcDecrypt(keys_.key.data(), 32, iv, first, kAesBlock, plain))
        return Status::Unsupported;
    std::uint64_t size = 0;
    std::size_t len = 0;
    if (!sizeField(plain + kCrcSize, kAesBlock - kCrcSize, size, len) || size == 0 ||
        size > kMaxHeaderSize)
        return wrong;
    std::uint64_t total = kCrcSize + len + size;
    std::uint64_t padded = (total + kAesBlock - 1) / kAesBlock * kAesBlock;
    if (padded > left - kAesBlock)
        return wrong;
    std::vector<std::uint8_t> cipher(static_cast<std::size_t>(padded));
    if (!source_.readAt(offset + kAesBlock, cipher.data(), cipher.size()))
        return Status::ReadError;
    raw.resize(cipher.size());
    if (!crypto::aesCbcDecrypt(keys_.key.data(), 32, iv, cipher.data(), cipher.size(), raw.data()))
        return Status::Unsupported;
    raw.resize(static_cast<std::size_t>(total));
    end = offset + kAesBlock + padded;
    return Status::Ok;
}

Status Rar5Reader::readHeader(std::uint64_t offset, Header& h) {
    h = Header{};
    h.offset = offset;
    std::vector<std::uint8_t> raw;
    std::uint64_t end = 0;
    Status s = readRaw(offset, raw, end);
    if (s != Status::Ok)
        return s;
    std::uint32_t stored =
        raw[0] | (raw[1] << 8) | (raw[2] << 16) | (static_cast<std::uint32_t>(raw[3]) << 24);
    if (crc32(0, raw.data() + kCrcSize, raw.size() - kCrcSize) != stored)
        return decrypting_ && firstEncryptedHeader_ ? Status::BadPassword : Status::Damaged;
    if (decrypting_)
        firstEncryptedHeader_ = false;

    std::uint64_t size = 0;
    std::size_t len = 0;
    sizeField(raw.data() + kCrcSize, raw.size() - kCrcSize, size, len);
    h.bytes.assign(raw.begin() + static_cast<std::ptrdiff_t>(kCrcSize + len), raw.end());
    ByteCursor c(h.bytes.data(), h.bytes.size());
    h.type = c.vint();
    h.flags = c.vint();
    std::uint64_t extraSize = (h.flags & kHeaderExtra) ? c.vint() : 0;
    std::uint64_t dataSize = (h.flags & kHeaderData) ? c.vint() : 0;
    if (c.failed() || extraSize > c.remaining())
        return Status::Damaged;
    h.bodyStart = c.position();
    h.extraStart = h.bytes.size() - static_cast<std::size_t>(extraSize);
    h.dataOffset = end;
    h.dataSize = dataSize;
    const std::uint64_t fileSize = source_.size();
    h.nextOffset = dataSize > fileSize - end ? fileSize + 1 : end + dataSize;
    return Status::Ok;
}

Status Rar5Reader::parseEncryption(const Header& h, const std::optional<std::string>& password) {
    ByteCursor c(h.bytes.data() + h.bodyStart, h.extraStart - h.bodyStart);
    std::uint64_t version = c.vint();
    std::uint64_t flags = c.vint();
    unsigned kdfLog2 = c.u8();
    const std::uint8_t* salt = c.bytes(kSaltSize);
    const std::uint8_t* check = (flags & kEncryptionCheck) ? c.bytes(kCheckSize) : nullptr;
    if (c.failed())
        return Status::Damaged;
    if (version != 0 || kdfLog2 > kRar5MaxKdfLog2)
        return Status::Unsupported;
    info_.encryptedHeaders = true;
    if (!password)
        return Status::NeedPassword;
    if (!deriveRar5Keys(wideToUtf8(cp936ToWide(*password)), salt, kdfLog2, keys_))
        return Status::Unsupported;
    if (check && rar5CheckIsSound(check) && std::memcmp(check, keys_.check.data(), 8) != 0)
        return Status::BadPassword;
    decrypting_ = true;
    return Status::Ok;
}

Status Rar5Reader::parseMain(const Header& h) {
    ByteCursor c(h.bytes.data() + h.bodyStart, h.extraStart - h.bodyStart);
    std::uint64_t flags = c.vint();
    info_.volume = flags & kArchiveVolume;
    info_.solid = flags & kArchiveSolid;
    info_.recoveryRecord = flags & kArchiveRecovery;
    info_.locked = flags & kArchiveLocked;
    if (flags & kArchiveVolumeNumber) {
        info_.hasVolumeNumber = true;
        info_.volumeNumber = c.vint();
    } else if (info_.volume) {
        info_.hasVolumeNumber = true;
        info_.volumeNumber = 0;
    }
    info_.firstVolume = info_.volume && info_.volumeNumber == 0;
    return c.failed() ? Status::Damaged : Status::Ok;
}

Status Rar5Reader::open(std::uint64_t signatureOffset, const std::optional<std::string>& password) {
    info_ = ArchiveInfo{};
    info_.format = Format::Rar5;
    info_.signatureOffset = signatureOffset;
    info_.sfx = signatureOffset != 0;
    std::uint8_t sig[sizeof kRar5Signature];
    if (!source_.readAt(signatureOffset, sig, sizeof sig) ||
        std::memcmp(sig, kRar5Signature, sizeof sig) != 0)
        return Status::NotArchive;
    decrypting_ = false;
    std::uint64_t offset = signatureOffset + sizeof kRar5Signature;
    Header h;
    Status s = readHeader(offset, h);
    if (s != Status::Ok)
        return s;
    if (h.type == kTypeEncryption) {
        s = parseEncryption(h, password);
        if (s != Status::Ok)
            return s;
        offset = h.nextOffset;
        s = readHeader(offset, h);
        if (s != Status::Ok)
            return s;
    }
    if (h.type != kTypeMain)
        return Status::Damaged;
    s = parseMain(h);
    position_ = h.nextOffset;
    return s;
}

Status Rar5Reader::parseFile(const Header& h, Entry& e) {
    ByteCursor c(h.bytes.data() + h.bodyStart, h.extraStart - h.bodyStart);
    std::uint64_t fileFlags = c.vint();
    std::uint64_t unpackedSize = c.vint();
    std::uint64_t attributes = c.vint();
    std::uint32_t mtime = (fileFlags & kFileUnixTime) ? c.u32() : 0;
    std::uint32_t crc = (fileFlags & kFileCrc) ? c.u32() : 0;
    std::uint64_t comp = c.vint();
    std::uint64_t host = c.vint();
    std::uint64_t nameSize = c.vint();
    if (c.failed() || nameSize > c.remaining())
        return Status::Damaged;
    std::string name = c.text(static_cast<std::size_t>(nameSize));

    e = Entry{};
    e.headerOffset = h.offset;
    e.rawName = name;
    e.unicodeName = utf8ToWide(name);
    e.hasUnicodeName = true;
    e.hostOs = host == kHostWindows ? HostOs::Windows
               : host == kHostUnix  ? HostOs::Unix
                                    : HostOs::Unknown;
    e.attributes = static_cast<std::uint32_t>(attributes);
    e.hasUnixTime = fileFlags & kFileUnixTime;
    e.unixTime = mtime;
    e.hasCrc = fileFlags & kFileCrc;
    e.crc32 = crc;
    e.unpackedSize = unpackedSize;
    e.unpackedSizeKnown = !(fileFlags & kFileUnknownSize);
    e.packedSize = h.dataSize;
    e.dataOffset = h.dataOffset;
    e.splitBefore = h.flags & kHeaderSplitBefore;
    e.splitAfter = h.flags & kHeaderSplitAfter;
    std::uint64_t version = comp & kCompVersionMask;
    e.unpackVersion = version == 0 ? 50 : version == 1 ? 70 : static_cast<unsigned>(version);
    e.solid = comp & kCompSolid;
    e.method = static_cast<unsigned>((comp >> kCompMethodShift) & kCompMethodMask);
    unsigned dictBits = static_cast<unsigned>((comp >> kCompDictShift) & kCompDictMask);
    if (dictBits > 31)
        dictBits = 31;
    std::uint64_t dict = kBaseDictionary << dictBits;
    if (version >= 1)
        dict += dict / 32 * ((comp >> kCompDictFractionShift) & kCompDictFractionMask);
    e.dictionarySize = dict;

    std::string serviceData;
    ByteCursor x(h.bytes.data() + h.extraStart, h.bytes.size() - h.extraStart);
    while (x.remaining() > 0) {
        std::uint64_t recordSize = x.vint();
        if (x.failed() || recordSize == 0 || recordSize > x.remaining())
            return Status::Damaged;
        const std::uint8_t* record = x.bytes(static_cast<std::size_t>(recordSize));
        ByteCursor r(record, static_cast<std::size_t>(recordSize));
        std::uint64_t type = r.vint();
        if (type == kExtraEncryption) {
            r.vint(); // algorithm version: 0, AES-256
            std::uint64_t flags = r.vint();
            e.encryption.encrypted = true;
            e.encryption.kdfLog2 = r.u8();
            const std::uint8_t* salt = r.bytes(kSaltSize);
            const std::uint8_t* iv = r.bytes(kAesBlock);
            if (!salt || !iv)
                return Status::Damaged;
            e.encryption.hasSalt = true;
            std::memcpy(e.encryption.salt.data(), salt, kSaltSize);
            std::memcpy(e.encryption.iv.data(), iv, kAesBlock);
            e.encryption.tweakedChecksums = flags & kEncryptionTweaked;
            if (flags & kEncryptionCheck) {
                const std::uint8_t* check = r.bytes(kCheckSize);
                if (!check)
                    return Status::Damaged;
                e.encryption.hasPasswordCheck = true;
                std::memcpy(e.encryption.passwordCheck.data(), check, kCheckSize);
            }
        } else if (type == kExtraHash) {
            std::uint64_t hashType = r.vint();
            const std::uint8_t* hash = r.bytes(32);
            if (hashType == kHashBlake2 && hash) {
                e.hasBlake2 = true;
                std::memcpy(e.blake2.data(), hash, 32);
            }
        } else if (type == kExtraTime) {
            std::uint64_t flags = r.vint();
            if (flags & kTimeModified) {
                if (flags & kTimeUnix) {
                    std::uint32_t t = r.u32();
                    if (!r.failed()) {
                        e.hasUnixTime = true;
                        e.unixTime = t;
                    }
                } else {
                    std::uint64_t ft = r.u64();
                    if (!r.failed()) {
                        e.hasUnixTime = true;
                        e.unixTime =
                            static_cast<std::int64_t>(ft / kFileTimeTicks) - kFileTimeToUnix;
                    }
                }
            }
        } else if (type == kExtraVersion) {
            // A file version shows as ";n" after the name, as archivers list it.
            r.vint();
            std::uint64_t fileVersion = r.vint();
            if (!r.failed() && fileVersion != 0) {
                std::string suffix = ";" + std::to_string(fileVersion);
                e.rawName += suffix;
                e.unicodeName += utf8ToWide(suffix);
            }
        } else if (type == kExtraServiceData) {
            serviceData = r.text(r.remaining());
        }
    }

    if (h.type == kTypeFile) {
        e.kind = (fileFlags & kFileDirectory) ? EntryKind::Directory : EntryKind::File;
        if (e.kind == EntryKind::Directory)
            e.dictionarySize = 0;
        sawFile_ = true;
        return Status::Ok;
    }
    if (name == "CMT") {
        e.kind = sawFile_ ? EntryKind::FileComment : EntryKind::ArchiveComment;
    } else if (name == "STM") {
        e.kind = EntryKind::Stream;
        e.streamName = serviceData;
        if (!e.streamName.empty() && e.streamName[0] == ':')
            e.streamName.erase(0, 1);
    } else {
        e.kind = EntryKind::OtherService;
    }
    return Status::Ok;
}

Status Rar5Reader::next(Entry& out) {
    if (finished_)
        return Status::End;
    // Each header read moves position_ forward by at least its CRC and size fields.
    while (true) {
        const std::uint64_t fileSize = source_.size();
        if (position_ == fileSize) {
            finished_ = true;
            return Status::End;
        }
        if (position_ > fileSize) {
            finished_ = true;
            return Status::Damaged;
        }
        Header h;
        Status s = readHeader(position_, h);
        if (s != Status::Ok) {
            finished_ = true;
            return s;
        }
        position_ = h.nextOffset;
        if (h.type == kTypeFile || h.type == kTypeService) {
            s = parseFile(h, out);
            if (s != Status::Ok)
                finished_ = true;
            return s;
        }
        if (h.type == kTypeEnd) {
            ByteCursor c(h.bytes.data() + h.bodyStart, h.extraStart - h.bodyStart);
            std::uint64_t flags = c.vint();
            endSeen = true;
            moreVolumesFollow = flags & kEndNotLast;
            finished_ = true;
            return Status::End;
        }
        // Other header types are stepped over.
    }
}

} // namespace myrar
