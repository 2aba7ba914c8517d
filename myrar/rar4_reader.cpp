#include "rar4_reader.h"

#include "byte_cursor.h"
#include "crc32.h"
#include "crypto.h"
#include "text_codec.h"

#include <cstring>

namespace myrar {

namespace {

// Block types.
constexpr std::uint8_t kTypeMarker = 0x72;
constexpr std::uint8_t kTypeMain = 0x73;
constexpr std::uint8_t kTypeFile = 0x74;
constexpr std::uint8_t kTypeComment = 0x75;
constexpr std::uint8_t kTypeNewSub = 0x7A;
constexpr std::uint8_t kTypeEnd = 0x7B;

// Flags every block may carry.
constexpr std::uint16_t kBlockLong = 0x8000; // a 4-byte data size follows the base header

// Main header flags.
constexpr std::uint16_t kMainVolume = 0x0001;
constexpr std::uint16_t kMainComment = 0x0002;
constexpr std::uint16_t kMainLocked = 0x0004;
constexpr std::uint16_t kMainSolid = 0x0008;
constexpr std::uint16_t kMainRecovery = 0x0040;
constexpr std::uint16_t kMainPassword = 0x0080;
constexpr std::uint16_t kMainFirstVolume = 0x0100;

// File header flags.
constexpr std::uint16_t kFileSplitBefore = 0x0001;
constexpr std::uint16_t kFileSplitAfter = 0x0002;
constexpr std::uint16_t kFileEncrypted = 0x0004;
constexpr std::uint16_t kFileComment = 0x0008;
constexpr std::uint16_t kFileSolid = 0x0010;
constexpr std::uint16_t kFileDictionaryMask = 0x00E0;
constexpr unsigned kFileDictionaryShift = 5;
constexpr unsigned kFileDictionaryDirectory = 7;
constexpr std::uint16_t kFileLarge = 0x0100;
constexpr std::uint16_t kFileUnicode = 0x0200;
constexpr std::uint16_t kFileSalt = 0x0400;

// End block flags.
constexpr std::uint16_t kEndNextVolume = 0x0001;
constexpr std::uint16_t kEndDataCrc = 0x0002;
constexpr std::uint16_t kEndVolumeNumber = 0x0008;

constexpr std::size_t kBaseHeaderSize = 7;
constexpr std::size_t kMainHeaderSize = 13;
constexpr std::size_t kFileHeaderSize = 32;
constexpr std::size_t kCommentHeaderSize = 13;
constexpr std::size_t kSaltSize = 8;
constexpr std::size_t kAesBlock = 16;
constexpr std::uint64_t kBaseDictionary = 64 * 1024;
constexpr std::uint8_t kMethodBase = 0x30;
constexpr unsigned kMaxMethod = 5;

// Attribute bits that mark a folder on DOS-like and Unix hosts.
constexpr std::uint32_t kDosDirectory = 0x10;
constexpr std::uint32_t kUnixTypeMask = 0xF000;
constexpr std::uint32_t kUnixDirectory = 0x4000;

HostOs hostFromByte(std::uint8_t b) {
    switch (b) {
    case 0:
        return HostOs::MsDos;
    case 1:
        return HostOs::Os2;
    case 2:
        return HostOs::Windows;
    case 3:
        return HostOs::Unix;
    case 4:
        return HostOs::MacOs;
    case 5:
        return HostOs::BeOs;
    default:
        return HostOs::Unknown;
    }
}

std::uint16_t headerCrc(const std::uint8_t* header, std::size_t size) {
    return static_cast<std::uint16_t>(crc32(0, header + 2, size - 2) & 0xFFFF);
}

std::uint16_t storedCrc(const std::vector<std::uint8_t>& h) {
    return static_cast<std::uint16_t>(h[0] | (h[1] << 8));
}

// Parses an old-style comment block (main header of 1.5/2.0, or inside a file header).
bool parseOldComment(const std::uint8_t* p, std::size_t n, std::uint64_t absoluteOffset,
                     EntryKind kind, Entry& out) {
    ByteCursor c(p, n);
    c.u16(); // its own CRC covers the packed comment; checked by whoever unpacks it
    std::uint8_t type = c.u8();
    c.u16();
    std::uint16_t size = c.u16();
    std::uint16_t unpSize = c.u16();
    std::uint8_t version = c.u8();
    std::uint8_t method = c.u8();
    std::uint16_t commentCrc = c.u16();
    if (c.failed() || type != kTypeComment || size < kCommentHeaderSize || size > n)
        return false;
    out = Entry{};
    out.kind = kind;
    out.rawName = "CMT";
    out.headerOffset = absoluteOffset;
    out.dataOffset = absoluteOffset + kCommentHeaderSize;
    out.packedSize = size - kCommentHeaderSize;
    out.unpackedSize = unpSize;
    out.unpackVersion = version;
    out.method = method >= kMethodBase ? method - kMethodBase : method;
    out.hasCrc = true;
    out.crc32 = commentCrc;
    out.dictionarySize = kBaseDictionary;
    return true;
}

} // namespace

std::u16string decodeRar4UnicodeName(const std::uint8_t* name, std::size_t nameSize,
                                     const std::uint8_t* encoded, std::size_t encodedSize) {
    std::u16string out;
    if (encodedSize == 0)
        return out;
    // Each output character takes a two-bit opcode; the decoded name is never longer than
    // the plain name it accompanies, which bounds the loop.
    std::size_t pos = 0;
    std::uint8_t high = encoded[pos++];
    unsigned flags = 0;
    int flagBits = 0;
    while (pos < encodedSize && out.size() < nameSize) {
        if (flagBits == 0) {
            flags = encoded[pos++];
            flagBits = 8;
            if (pos > encodedSize)
                break;
        }
        unsigned op = (flags >> 6) & 3;
        flags = (flags << 2) & 0xFF;
        flagBits -= 2;
        switch (op) {
        case 0:
            if (pos >= encodedSize)
                return out;
            out.push_back(encoded[pos++]);
            break;
        case 1:
            if (pos >= encodedSize)
                return out;
            out.push_back(static_cast<char16_t>(encoded[pos++] | (high << 8)));
            break;
        case 2:
            if (pos + 1 >= encodedSize)
                return out;
            out.push_back(static_cast<char16_t>(encoded[pos] | (encoded[pos + 1] << 8)));
            pos += 2;
            break;
        default: {
            if (pos >= encodedSize)
                return out;
            unsigned length = encoded[pos++];
            if (length & 0x80) {
                if (pos >= encodedSize)
                    return out;
                std::uint8_t correction = encoded[pos++];
                for (length = (length & 0x7F) + 2; length > 0 && out.size() < nameSize; --length) {
                    std::uint8_t low = static_cast<std::uint8_t>(name[out.size()] + correction);
                    out.push_back(static_cast<char16_t>(low | (high << 8)));
                }
            } else {
                for (length += 2; length > 0 && out.size() < nameSize; --length)
                    out.push_back(name[out.size()]);
            }
            break;
        }
        }
    }
    return out;
}

bool Rar4Reader::keyForSalt(const std::uint8_t salt[8], Rar4Key& key) {
    if (haveCachedKey_ && std::memcmp(cachedSalt_.data(), salt, kSaltSize) == 0) {
        key = cachedKey_;
        return true;
    }
    if (!deriveRar4Key(password_, salt, cachedKey_))
        return false;
    std::memcpy(cachedSalt_.data(), salt, kSaltSize);
    haveCachedKey_ = true;
    key = cachedKey_;
    return true;
}

Status Rar4Reader::readHeaderBytes(std::uint64_t offset, std::vector<std::uint8_t>& header,
                                   std::uint64_t& headerEnd) {
    const std::uint64_t fileSize = source_.size();
    if (!decrypting_) {
        // Plain header: the base 7 bytes tell its size.
        if (offset > fileSize || fileSize - offset < kBaseHeaderSize)
            return Status::Damaged;
        std::uint8_t base[kBaseHeaderSize];
        if (!source_.readAt(offset, base, kBaseHeaderSize))
            return Status::ReadError;
        std::size_t size = base[5] | (base[6] << 8);
        if (size < kBaseHeaderSize || size > fileSize - offset)
            return Status::Damaged;
        header.assign(base, base + kBaseHeaderSize);
        header.resize(size);
        if (!source_.readAt(offset + kBaseHeaderSize, header.data() + kBaseHeaderSize,
                            size - kBaseHeaderSize))
            return Status::ReadError;
        headerEnd = offset + size;
        return Status::Ok;
    }
    // Encrypted header: an 8-byte salt, then the header in AES-128-CBC, padded to 16.
    if (offset > fileSize || fileSize - offset < kSaltSize + kAesBlock)
        return Status::Damaged;
    std::uint8_t salt[kSaltSize];
    std::uint8_t first[kAesBlock];
    if (!source_.readAt(offset, salt, kSaltSize) ||
        !source_.readAt(offset + kSaltSize, first, kAesBlock))
        return Status::ReadError;
    Rar4Key key;
    if (!keyForSalt(salt, key))
        return Status::Unsupported;
    std::uint8_t plain[kAesBlock];
    if (!crypto::aesCbcDecrypt(key.key.data(), 16, key.iv.data(), first, kAesBlock, plain))
        return Status::Unsupported;
    std::size_t size = plain[5] | (plain[6] << 8);
    std::size_t padded = (size + kAesBlock - 1) / kAesBlock * kAesBlock;
    if (size < kBaseHeaderSize || padded > fileSize - offset - kSaltSize)
        return firstEncryptedHeader_ ? Status::BadPassword : Status::Damaged;
    std::vector<std::uint8_t> cipher(padded);
    if (!source_.readAt(offset + kSaltSize, cipher.data(), padded))
        return Status::ReadError;
    header.resize(padded);
    if (!crypto::aesCbcDecrypt(key.key.data(), 16, key.iv.data(), cipher.data(), padded,
                               header.data()))
        return Status::Unsupported;
    header.resize(size);
    headerEnd = offset + kSaltSize + padded;
    return Status::Ok;
}

Status Rar4Reader::readBlock(std::uint64_t offset, Block& b) {
    b = Block{};
    b.offset = offset;
    std::uint64_t headerEnd = 0;
    Status s = readHeaderBytes(offset, b.header, headerEnd);
    if (s != Status::Ok)
        return s;
    const auto& h = b.header;
    b.type = h[2];
    b.flags = static_cast<std::uint16_t>(h[3] | (h[4] << 8));
    bool crcOk = headerCrc(h.data(), h.size()) == storedCrc(h);
    // An old main header's CRC may cover only its fixed part, not the comment inside it.
    if (!crcOk && b.type == kTypeMain && h.size() > kMainHeaderSize)
        crcOk = headerCrc(h.data(), kMainHeaderSize) == storedCrc(h);
    if (!crcOk)
        return decrypting_ && firstEncryptedHeader_ ? Status::BadPassword : Status::Damaged;
    if (decrypting_)
        firstEncryptedHeader_ = false;

    ByteCursor c(h.data(), h.size());
    c.skip(kBaseHeaderSize);
    std::uint64_t dataSize = 0;
    if (b.type == kTypeFile || b.type == kTypeNewSub) {
        std::uint64_t packLow = c.u32();
        if (h.size() < kFileHeaderSize)
            return Status::Damaged;
        dataSize = packLow;
        if (b.flags & kFileLarge) {
            if (h.size() < kFileHeaderSize + 8)
                return Status::Damaged;
            std::uint64_t high =
                h[32] | (h[33] << 8) | (h[34] << 16) | (static_cast<std::uint64_t>(h[35]) << 24);
            dataSize |= high << 32;
        }
    } else if (b.flags & kBlockLong) {
        dataSize = c.u32();
        if (c.failed())
            return Status::Damaged;
    }
    const std::uint64_t fileSize = source_.size();
    if (dataSize > fileSize - headerEnd && fileSize >= headerEnd) {
        // The data runs past the end of the file: the entry is still listed, the walk
        // ends there.
        b.nextOffset = fileSize + 1;
    } else {
        b.nextOffset = headerEnd + dataSize;
    }
    b.dataOffset = headerEnd;
    b.dataSize = dataSize;
    return Status::Ok;
}

Status Rar4Reader::parseMain(const Block& b) {
    if (b.type != kTypeMain || b.header.size() < kMainHeaderSize)
        return Status::Damaged;
    info_.volume = b.flags & kMainVolume;
    info_.hasComment = b.flags & kMainComment;
    info_.locked = b.flags & kMainLocked;
    info_.solid = b.flags & kMainSolid;
    info_.recoveryRecord = b.flags & kMainRecovery;
    info_.encryptedHeaders = b.flags & kMainPassword;
    info_.firstVolume = b.flags & kMainFirstVolume;
    if ((b.flags & kMainComment) && b.header.size() >= kMainHeaderSize + kCommentHeaderSize) {
        Entry comment;
        if (parseOldComment(b.header.data() + kMainHeaderSize, b.header.size() - kMainHeaderSize,
                            b.offset + kMainHeaderSize, EntryKind::ArchiveComment, comment))
            pending_.push_back(comment);
    }
    return Status::Ok;
}

Status Rar4Reader::open(std::uint64_t signatureOffset, const std::optional<std::string>& password) {
    info_ = ArchiveInfo{};
    info_.format = Format::Rar4;
    info_.signatureOffset = signatureOffset;
    info_.sfx = signatureOffset != 0;
    std::uint8_t sig[sizeof kRar4Signature];
    if (!source_.readAt(signatureOffset, sig, sizeof sig) ||
        std::memcmp(sig, kRar4Signature, sizeof sig) != 0)
        return Status::NotArchive;
    // The main header itself is never encrypted.
    decrypting_ = false;
    Block main;
    Status s = readBlock(signatureOffset + sizeof kRar4Signature, main);
    if (s != Status::Ok)
        return s;
    if (main.type == kTypeFile) {
        // No main header: the entries start right after the marker; list them as they are.
        position_ = main.offset;
    } else {
        s = parseMain(main);
        if (s != Status::Ok)
            return s;
        position_ = main.nextOffset;
    }
    if (password) {
        password_ = cp936ToWide(*password);
        havePassword_ = true;
    }
    if (info_.encryptedHeaders && !havePassword_)
        return Status::NeedPassword;
    decrypting_ = info_.encryptedHeaders;
    return Status::Ok;
}

Status Rar4Reader::parseEnd(const Block& b) {
    endSeen = true;
    moreVolumesFollow = b.flags & kEndNextVolume;
    ByteCursor c(b.header.data(), b.header.size());
    c.skip(kBaseHeaderSize);
    if (b.flags & kEndDataCrc)
        c.u32();
    if (b.flags & kEndVolumeNumber) {
        std::uint16_t number = c.u16();
        if (!c.failed()) {
            info_.hasVolumeNumber = true;
            info_.volumeNumber = number;
        }
    }
    return Status::End;
}

Status Rar4Reader::parseFile(const Block& b, Entry& e) {
    const auto& h = b.header;
    ByteCursor c(h.data(), h.size());
    c.skip(kBaseHeaderSize);
    std::uint64_t packLow = c.u32();
    std::uint64_t unpLow = c.u32();
    std::uint8_t host = c.u8();
    std::uint32_t fileCrc = c.u32();
    std::uint32_t time = c.u32();
    std::uint8_t version = c.u8();
    std::uint8_t method = c.u8();
    std::uint16_t nameSize = c.u16();
    std::uint32_t attributes = c.u32();
    std::uint64_t packHigh = 0;
    std::uint64_t unpHigh = 0;
    bool large = b.flags & kFileLarge;
    if (large) {
        packHigh = c.u32();
        unpHigh = c.u32();
    }
    const std::uint8_t* name = c.bytes(nameSize);
    if (c.failed() || nameSize == 0)
        return Status::Damaged;

    e = Entry{};
    e.headerOffset = b.offset;
    e.hostOs = hostFromByte(host);
    e.attributes = attributes;
    e.hasDosTime = true;
    e.dosTime = time;
    e.hasCrc = true;
    e.crc32 = fileCrc;
    e.unpackVersion = version;
    e.method = method >= kMethodBase ? method - kMethodBase : method;
    if (e.method > kMaxMethod)
        e.method = kMaxMethod + 1;
    e.packedSize = packLow | (packHigh << 32);
    e.unpackedSize = unpLow | (unpHigh << 32);
    e.unpackedSizeKnown = large ? unpHigh != 0xFFFFFFFF : unpLow != 0xFFFFFFFF;
    e.dataOffset = b.dataOffset;
    e.splitBefore = b.flags & kFileSplitBefore;
    e.splitAfter = b.flags & kFileSplitAfter;
    e.solid = b.flags & kFileSolid;
    e.encryption.encrypted = b.flags & kFileEncrypted;
    unsigned dictBits = (b.flags & kFileDictionaryMask) >> kFileDictionaryShift;

    const std::uint8_t* nul = static_cast<const std::uint8_t*>(std::memchr(name, 0, nameSize));
    if ((b.flags & kFileUnicode) && nul) {
        std::size_t plainSize = static_cast<std::size_t>(nul - name);
        e.rawName.assign(reinterpret_cast<const char*>(name), plainSize);
        e.unicodeName = decodeRar4UnicodeName(name, plainSize, nul + 1, nameSize - plainSize - 1);
        e.hasUnicodeName = !e.unicodeName.empty();
    } else if (b.flags & kFileUnicode) {
        // No plain part: the whole name is UTF-8.
        e.rawName.assign(reinterpret_cast<const char*>(name), nameSize);
        e.unicodeName = utf8ToWide(e.rawName);
        e.hasUnicodeName = true;
    } else {
        e.rawName.assign(reinterpret_cast<const char*>(name), nul ? nul - name : nameSize);
    }

    std::string subData;
    if (b.type == kTypeNewSub) {
        std::size_t rest = c.remaining();
        std::size_t saltPart = (b.flags & kFileSalt) ? kSaltSize : 0;
        if (rest > saltPart)
            subData = c.text(rest - saltPart);
    }
    if (b.type == kTypeFile && (b.flags & kFileComment) && c.remaining() >= kCommentHeaderSize) {
        Entry comment;
        std::size_t at = c.position();
        if (parseOldComment(h.data() + at, h.size() - at, b.offset + at, EntryKind::FileComment,
                            comment)) {
            pending_.push_back(comment);
            c.skip(kCommentHeaderSize + comment.packedSize);
        }
    }
    if (b.flags & kFileSalt) {
        const std::uint8_t* salt = c.bytes(kSaltSize);
        if (!salt)
            return Status::Damaged;
        e.encryption.hasSalt = true;
        std::memcpy(e.encryption.salt.data(), salt, kSaltSize);
    }

    if (b.type == kTypeFile) {
        bool dir = dictBits == kFileDictionaryDirectory;
        if (hasDosAttributes(e.hostOs) && (attributes & kDosDirectory))
            dir = true;
        if (e.hostOs == HostOs::Unix && (attributes & kUnixTypeMask) == kUnixDirectory)
            dir = true;
        e.kind = dir ? EntryKind::Directory : EntryKind::File;
        e.dictionarySize = dictBits == kFileDictionaryDirectory ? 0 : kBaseDictionary << dictBits;
        sawFile_ = true;
        return Status::Ok;
    }
    e.dictionarySize = kBaseDictionary << (dictBits == kFileDictionaryDirectory ? 0 : dictBits);
    if (e.rawName == "CMT") {
        e.kind = sawFile_ ? EntryKind::FileComment : EntryKind::ArchiveComment;
    } else if (e.rawName == "STM") {
        e.kind = EntryKind::Stream;
        e.streamName = subData;
        if (!e.streamName.empty() && e.streamName[0] == ':')
            e.streamName.erase(0, 1);
    } else {
        e.kind = EntryKind::OtherService;
    }
    return Status::Ok;
}

Status Rar4Reader::next(Entry& out) {
    if (!pending_.empty()) {
        out = pending_.front();
        pending_.pop_front();
        return Status::Ok;
    }
    if (finished_)
        return Status::End;
    if (info_.encryptedHeaders && !havePassword_)
        return Status::NeedPassword;
    // Every step moves position_ forward by at least the 7-byte base header.
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
        Block b;
        Status s = readBlock(position_, b);
        if (s != Status::Ok) {
            finished_ = true;
            return s;
        }
        position_ = b.nextOffset;
        switch (b.type) {
        case kTypeFile:
        case kTypeNewSub: {
            Status fs = parseFile(b, out);
            if (fs != Status::Ok)
                finished_ = true;
            return fs;
        }
        case kTypeComment: {
            Entry comment;
            if (parseOldComment(b.header.data(), b.header.size(), b.offset,
                                sawFile_ ? EntryKind::FileComment : EntryKind::ArchiveComment,
                                comment)) {
                out = comment;
                return Status::Ok;
            }
            continue;
        }
        case kTypeEnd:
            finished_ = true;
            return parseEnd(b);
        case kTypeMarker:
        case kTypeMain:
        default:
            continue; // blocks a lister has no use for
        }
    }
}

} // namespace myrar
