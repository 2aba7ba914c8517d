#pragma once
// Walks the headers of a RAR 5.0 archive: optional archive encryption header, main header,
// file and service headers, end of archive. Only headers are read; data areas are stepped
// over by offset.

#include "archive_entry.h"
#include "byte_source.h"
#include "rar_keys.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace myrar {

constexpr std::uint8_t kRar5Signature[8] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x01, 0x00};

struct Rar5Reader {
    explicit Rar5Reader(ByteSource& source) : source_(source) {}

    // Reads the headers up to and including the main header. password: code page 936
    // bytes, or none.
    Status open(std::uint64_t signatureOffset, const std::optional<std::string>& password);

    Status next(Entry& out);

    const ArchiveInfo& info() const { return info_; }

    // Keys from the password, once open() has met an archive encryption header.
    const Rar5Keys& headerKeys() const { return keys_; }

    bool endSeen = false;
    bool moreVolumesFollow = false;

private:
    struct Header {
        std::uint64_t offset = 0;
        std::vector<std::uint8_t> bytes; // from the type field to the end of the extra area
        std::uint64_t type = 0;
        std::uint64_t flags = 0;
        std::size_t bodyStart = 0;  // first type-specific byte in bytes
        std::size_t extraStart = 0; // first extra-area byte in bytes
        std::uint64_t dataOffset = 0;
        std::uint64_t dataSize = 0;
        std::uint64_t nextOffset = 0;
    };

    Status readHeader(std::uint64_t offset, Header& out);
    Status readRaw(std::uint64_t offset, std::vector<std::uint8_t>& raw, std::uint64_t& end);
    Status parseEncryption(const Header& h, const std::optional<std::string>& password);
    Status parseMain(const Header& h);
    Status parseFile(const Header& h, Entry& out);

    ByteSource& source_;
    ArchiveInfo info_;
    std::uint64_t position_ = 0;
    bool decrypting_ = false;
    bool firstEncryptedHeader_ = true;
    bool sawFile_ = false;
    bool finished_ = false;
    Rar5Keys keys_;
};

} // namespace myrar
