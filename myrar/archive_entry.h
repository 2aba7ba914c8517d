#pragma once
// What the header readers tell about an archive and each of its blocks. Both formats fill
// the same structs, so the lister and the unpackers need not know which one they read.

#include <array>
#include <cstdint>
#include <string>

namespace myrar {

enum class Format { Rar4, Rar5 };

// Outcome of a reader step. Every failure is a value; nothing is thrown.
enum class Status {
    Ok,
    End,          // no more blocks (end-of-archive block or clean end of file)
    NotArchive,   // no signature where one was looked for
    Damaged,      // truncated, inconsistent or failing its header CRC
    NeedPassword, // headers are encrypted and no password was given
    BadPassword,  // headers are encrypted and the password does not open them
    Unsupported,  // a format version or encryption this reader does not know
    ReadError,    // the file could not be read
};

enum class HostOs { MsDos, Os2, Windows, Unix, MacOs, BeOs, Unknown };

// True for the hosts whose attributes are the DOS/Windows bits rather than Unix modes.
inline bool hasDosAttributes(HostOs os) {
    return os == HostOs::MsDos || os == HostOs::Os2 || os == HostOs::Windows || os == HostOs::MacOs;
}

enum class EntryKind {
    File,
    Directory,
    ArchiveComment, // RAR4 CMT sub-block or old main-header comment, RAR5 CMT service header
    FileComment,    // comment that belongs to the file entry before it
    Stream,         // NTFS alternate data stream of the file entry before it
    OtherService,   // access lists, recovery records, quick-open data and such
};

// How an entry's data is encrypted. The key comes from the password and these values.
struct DataEncryption {
    bool encrypted = false;
    // RAR4: 8-byte salt (when hasSalt), RAR 2.9+ AES-128. RAR5: 16-byte salt, 16-byte IV,
    // AES-256 with 2^kdfLog2 PBKDF2 rounds.
    bool hasSalt = false;
    std::array<std::uint8_t, 16> salt{};
    std::array<std::uint8_t, 16> iv{};
    unsigned kdfLog2 = 0;
    bool hasPasswordCheck = false;
    std::array<std::uint8_t, 12> passwordCheck{}; // 8 check bytes + 4 of their SHA-256
    bool tweakedChecksums = false; // RAR5: stored CRC/BLAKE2 are keyed with the password
};

struct Entry {
    EntryKind kind = EntryKind::File;
    // Name as stored: RAR4 code-page bytes (the part before an encoded Unicode form), or
    // RAR5 UTF-8. For service blocks this is the service name ("CMT", "STM", ...).
    std::string rawName;
    // The name in UTF-16 when the archive carries it in a Unicode form; empty otherwise.
    std::u16string unicodeName;
    bool hasUnicodeName = false;
    // NTFS stream name (UTF-8) for Stream entries.
    std::string streamName;

    HostOs hostOs = HostOs::Unknown;
    std::uint32_t attributes = 0;
    bool hasDosTime = false;
    std::uint32_t dosTime = 0; // RAR4 modification time, DOS format, local time
    bool hasUnixTime = false;
    std::int64_t unixTime = 0; // RAR5 modification time, seconds since 1970 UTC

    // Data area: absolute offset in the file, packed bytes there, unpacked size.
    std::uint64_t dataOffset = 0;
    std::uint64_t packedSize = 0;
    std::uint64_t unpackedSize = 0;
    bool unpackedSizeKnown = true;

    bool hasCrc = false;
    std::uint32_t crc32 = 0; // RAR4: full CRC32; for old comments only its low 16 bits
    bool hasBlake2 = false;
    std::array<std::uint8_t, 32> blake2{};

    // Unpack version: 15/20/26/29/36 for RAR4 (as stored), 50 or 70 for RAR5.
    unsigned unpackVersion = 0;
    unsigned method = 0;              // 0 = stored .. 5 = best
    std::uint64_t dictionarySize = 0; // bytes
    bool solid = false;               // this entry continues the previous entry's state
    bool splitBefore = false;         // data continues from the previous volume
    bool splitAfter = false;          // data continues in the next volume
    DataEncryption encryption;

    // Offset of the block header itself (for messages and tests).
    std::uint64_t headerOffset = 0;
};

// What the main header says about the archive as a whole.
struct ArchiveInfo {
    Format format = Format::Rar4;
    std::uint64_t signatureOffset = 0; // non-zero for self-extracting archives
    bool sfx = false;
    bool volume = false;
    bool firstVolume = false;
    bool hasVolumeNumber = false;
    std::uint64_t volumeNumber = 0; // counted from 0, as stored
    bool solid = false;
    bool locked = false;
    bool recoveryRecord = false;
    bool hasComment = false; // flag in the main header
    bool encryptedHeaders = false;
};

// A comment as an unpacker needs it: where its packed bytes are and how they were packed.
// For an old RAR 1.5/2.0 comment embedded in a header, dataOffset points into that header.
inline bool isStoredComment(const Entry& e) {
    return e.method == 0 && !e.encryption.encrypted;
}

} // namespace myrar
