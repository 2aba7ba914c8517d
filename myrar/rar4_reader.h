#pragma once
// Walks the blocks of a RAR 1.5-4.x archive: marker, main header, then file, sub-block and
// comment blocks up to the end block or the end of the file. Only headers are read; data
// areas are stepped over by offset.

#include "archive_entry.h"
#include "byte_source.h"
#include "rar_keys.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace myrar {

constexpr std::uint8_t kRar4Signature[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};

struct Rar4Reader {
    explicit Rar4Reader(ByteSource& source) : source_(source) {}

    // Reads the main header after the signature at signatureOffset. password: code page
    // 936 bytes, or none. NeedPassword when the headers are encrypted and none was given.
    Status open(std::uint64_t signatureOffset, const std::optional<std::string>& password);

    // The next entry (file, folder, comment, stream or other service block).
    Status next(Entry& out);

    const ArchiveInfo& info() const { return info_; }

    // From the end block, once next() has returned End.
    bool endSeen = false;
    bool moreVolumesFollow = false;

private:
    struct Block {
        std::uint64_t offset = 0;
        std::vector<std::uint8_t> header; // the whole header, decrypted
        std::uint8_t type = 0;
        std::uint16_t flags = 0;
        std::uint64_t dataOffset = 0;
        std::uint64_t dataSize = 0;
        std::uint64_t nextOffset = 0;
    };

    Status readBlock(std::uint64_t offset, Block& out);
    Status readHeaderBytes(std::uint64_t offset, std::vector<std::uint8_t>& header,
                           std::uint64_t& headerEnd);
    Status parseMain(const Block& b);
    Status parseFile(const Block& b, Entry& out);
    Status parseEnd(const Block& b);
    bool keyForSalt(const std::uint8_t salt[8], Rar4Key& key);

    ByteSource& source_;
    ArchiveInfo info_;
    std::uint64_t position_ = 0;
    std::u16string password_;
    bool havePassword_ = false;
    bool decrypting_ = false; // headers after the main header are encrypted
    bool firstEncryptedHeader_ = true;
    bool sawFile_ = false;
    bool finished_ = false;
    std::deque<Entry> pending_;
    std::array<std::uint8_t, 8> cachedSalt_{};
    bool haveCachedKey_ = false;
    Rar4Key cachedKey_;
};

// Decodes the compact Unicode form a RAR4 name carries after its NUL byte.
std::u16string decodeRar4UnicodeName(const std::uint8_t* name, std::size_t nameSize,
                                     const std::uint8_t* encoded, std::size_t encodedSize);

} // namespace myrar
