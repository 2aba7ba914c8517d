#pragma once
// A small, bounds-checked walker over the entries of an archive for the decompressor tests:
// it finds each entry's packed data and the fields the decompressors need. Tests only; the
// archiver's own reader lives in myrar/.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sample_walker {

struct Entry {
    std::string name;
    std::size_t dataOffset = 0;
    uint64_t packedSize = 0;
    uint64_t unpackedSize = 0;
    uint32_t crc = 0;
    bool hasCrc = false;
    int version = 0; // unpack version: 15, 20, 26, 29, 36, 50, 70
    bool stored = false;
    uint64_t dictionary = 0;
    bool solid = false; // continues the stream of the entry before
    bool encrypted = false;
    bool splitBefore = false;
    bool splitAfter = false;
    bool directory = false;
    bool service = false; // a service entry (comment, stream) rather than a file
};

// An old-style comment stored inside a header, with its packed bytes.
struct OldComment {
    std::size_t dataOffset = 0;
    std::size_t packedSize = 0;
    uint64_t unpackedSize = 0;
    int version = 0;
    bool stored = false;
    uint16_t crc16 = 0; // low 16 bits of the comment's CRC32
};

struct Archive {
    int format = 0; // 4 or 5; 0 when no signature was found
    bool encryptedHeaders = false;
    bool solid = false;
    std::vector<Entry> entries;
    std::vector<OldComment> comments;
    std::string error; // why the walk stopped early, if it did
};

Archive walk(const std::vector<uint8_t>& file);

} // namespace sample_walker
