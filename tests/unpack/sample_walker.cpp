#include "sample_walker.h"

#include <cstring>

namespace sample_walker {

namespace {

const uint8_t kSig4[] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x00};
const uint8_t kSig5[] = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x01, 0x00};

struct Cursor {
    const uint8_t* p;
    std::size_t size;
    std::size_t pos = 0;
    bool bad = false;

    bool has(std::size_t n) const { return !bad && pos <= size && size - pos >= n; }
    uint64_t le(unsigned n) {
        if (!has(n)) {
            bad = true;
            return 0;
        }
        uint64_t v = 0;
        for (unsigned i = 0; i < n; ++i)
            v |= uint64_t(p[pos + i]) << (8 * i);
        pos += n;
        return v;
    }
    uint64_t vint() {
        uint64_t v = 0;
        for (unsigned shift = 0; shift < 64; shift += 7) {
            if (!has(1)) {
                bad = true;
                return 0;
            }
            uint8_t b = p[pos++];
            v |= uint64_t(b & 0x7F) << shift;
            if (!(b & 0x80))
                return v;
        }
        bad = true;
        return 0;
    }
    std::string bytes(std::size_t n) {
        if (!has(n)) {
            bad = true;
            return {};
        }
        std::string s(reinterpret_cast<const char*>(p + pos), n);
        pos += n;
        return s;
    }
};

std::size_t findSignature(const std::vector<uint8_t>& f, const uint8_t* sig, std::size_t n) {
    for (std::size_t i = 0; i + n <= f.size(); ++i)
        if (std::memcmp(f.data() + i, sig, n) == 0)
            return i;
    return std::string::npos;
}

void walk5(const std::vector<uint8_t>& f, std::size_t start, Archive& a) {
    constexpr uint64_t kHeadMain = 1, kHeadFile = 2, kHeadService = 3, kHeadCrypt = 4, kHeadEnd = 5;
    constexpr uint64_t kFlagExtra = 0x1, kFlagData = 0x2, kFlagSplitBefore = 0x8,
                       kFlagSplitAfter = 0x10;
    constexpr uint64_t kFileDir = 0x1, kFileTime = 0x2, kFileCrc = 0x4;
    constexpr uint64_t kExtraCrypt = 0x1;
    Cursor c{f.data(), f.size(), start};
    while (c.has(7)) {
        c.le(4); // header CRC
        uint64_t headSize = c.vint();
        std::size_t bodyStart = c.pos;
        if (c.bad || headSize > c.size - c.pos || headSize == 0) {
            a.error = "bad header size";
            return;
        }
        std::size_t headEnd = bodyStart + headSize;
        uint64_t type = c.vint();
        uint64_t flags = c.vint();
        uint64_t extraSize = (flags & kFlagExtra) ? c.vint() : 0;
        uint64_t dataSize = (flags & kFlagData) ? c.vint() : 0;
        if (c.bad || dataSize > c.size - headEnd || extraSize > headSize) {
            a.error = "bad sizes";
            return;
        }
        if (type == kHeadCrypt) {
            a.encryptedHeaders = true;
            return;
        }
        if (type == kHeadMain) {
            uint64_t archFlags = c.vint();
            a.solid = (archFlags & 0x4) != 0;
        }
        if (type == kHeadFile || type == kHeadService) {
            Entry e;
            e.service = type == kHeadService;
            uint64_t fileFlags = c.vint();
            e.unpackedSize = c.vint();
            c.vint(); // attributes
            if (fileFlags & kFileTime)
                c.le(4);
            if (fileFlags & kFileCrc) {
                e.crc = static_cast<uint32_t>(c.le(4));
                e.hasCrc = true;
            }
            uint64_t comp = c.vint();
            c.vint(); // host OS
            uint64_t nameLen = c.vint();
            e.name = c.bytes(nameLen);
            if (c.bad) {
                a.error = "bad file header";
                return;
            }
            unsigned algo = comp & 0x3F;
            e.version = algo == 0 ? 50 : algo == 1 ? 70 : 0;
            e.solid = (comp & 0x40) != 0;
            e.stored = ((comp >> 7) & 7) == 0;
            uint64_t base = uint64_t(128 * 1024) << ((comp >> 10) & 0x1F);
            e.dictionary = base + (algo == 1 ? (base / 32) * ((comp >> 15) & 0x1F) : 0);
            e.directory = (fileFlags & kFileDir) != 0;
            e.splitBefore = (flags & kFlagSplitBefore) != 0;
            e.splitAfter = (flags & kFlagSplitAfter) != 0;
            // Walk the extra records for the encryption record.
            Cursor x{f.data(), headEnd, headEnd - static_cast<std::size_t>(extraSize)};
            while (x.has(1)) {
                uint64_t size = x.vint();
                std::size_t recStart = x.pos;
                if (x.bad || size > x.size - x.pos)
                    break;
                uint64_t recType = x.vint();
                if (recType == kExtraCrypt)
                    e.encrypted = true;
                x.pos = recStart + static_cast<std::size_t>(size);
            }
            e.dataOffset = headEnd;
            e.packedSize = dataSize;
            a.entries.push_back(e);
        }
        c.pos = headEnd + static_cast<std::size_t>(dataSize);
        if (type == kHeadEnd)
            return;
    }
}

void walk4(const std::vector<uint8_t>& f, std::size_t start, Archive& a) {
    constexpr uint8_t kMain = 0x73, kFile = 0x74, kNewSub = 0x7A, kEnd = 0x7B;
    constexpr uint16_t kLongBlock = 0x8000;
    constexpr uint16_t kMainComment = 0x0002, kMainSolid = 0x0008, kMainCrypt = 0x0080;
    constexpr uint16_t kFileSplitBefore = 0x01, kFileSplitAfter = 0x02, kFileCrypt = 0x04,
                       kFileComment = 0x08, kFileSolid = 0x10, kFileLarge = 0x100;
    constexpr uint8_t kCommentBlock = 0x75;
    Cursor c{f.data(), f.size(), start + sizeof kSig4};
    while (c.has(7)) {
        std::size_t blockStart = c.pos;
        c.le(2);
        uint8_t type = static_cast<uint8_t>(c.le(1));
        uint16_t flags = static_cast<uint16_t>(c.le(2));
        uint16_t headSize = static_cast<uint16_t>(c.le(2));
        if (headSize < 7 || headSize > c.size - blockStart) {
            a.error = "bad header size";
            return;
        }
        std::size_t headEnd = blockStart + headSize;
        uint64_t addSize = 0;
        if ((flags & kLongBlock) || type == kFile || type == kNewSub)
            addSize = c.le(4);
        if (type == kMain) {
            a.solid = (flags & kMainSolid) != 0;
            if (flags & kMainCrypt) {
                a.encryptedHeaders = true;
                return;
            }
            c.pos = blockStart + 13; // reserved fields
            if ((flags & kMainComment) && c.has(13)) {
                // The old comment block sits inside the main header.
                std::size_t cmtStart = c.pos;
                c.le(2);
                uint8_t ctype = static_cast<uint8_t>(c.le(1));
                c.le(2);
                uint16_t csize = static_cast<uint16_t>(c.le(2));
                OldComment oc;
                oc.unpackedSize = c.le(2);
                oc.version = static_cast<int>(c.le(1));
                oc.stored = c.le(1) == 0x30;
                oc.crc16 = static_cast<uint16_t>(c.le(2));
                if (ctype == kCommentBlock && csize >= 13 && cmtStart + csize <= headEnd) {
                    oc.dataOffset = cmtStart + 13;
                    oc.packedSize = csize - 13;
                    a.comments.push_back(oc);
                }
            }
        } else if (type == kFile || type == kNewSub) {
            Entry e;
            e.service = type == kNewSub;
            e.packedSize = addSize;
            e.unpackedSize = c.le(4);
            c.le(1); // host OS
            e.crc = static_cast<uint32_t>(c.le(4));
            e.hasCrc = true;
            c.le(4); // time
            e.version = static_cast<int>(c.le(1));
            e.stored = c.le(1) == 0x30;
            uint16_t nameSize = static_cast<uint16_t>(c.le(2));
            c.le(4); // attributes
            if (flags & kFileLarge) {
                e.packedSize |= c.le(4) << 32;
                e.unpackedSize |= c.le(4) << 32;
            }
            e.name = c.bytes(nameSize);
            if (c.bad) {
                a.error = "bad file header";
                return;
            }
            std::size_t nul = e.name.find('\0');
            if (nul != std::string::npos)
                e.name.resize(nul); // the Unicode form follows; the tests need the plain one
            e.splitBefore = flags & kFileSplitBefore;
            e.splitAfter = flags & kFileSplitAfter;
            e.encrypted = flags & kFileCrypt;
            e.solid = flags & kFileSolid;
            unsigned dictBits = (flags >> 5) & 7;
            e.directory = dictBits == 7;
            e.dictionary = uint64_t(64 * 1024) << (e.directory ? 0 : dictBits);
            (void)kFileComment;
            e.dataOffset = headEnd;
            if (e.packedSize > c.size - headEnd) {
                a.error = "data past the end";
                return;
            }
            a.entries.push_back(e);
        }
        if (addSize > c.size - headEnd) {
            a.error = "data past the end";
            return;
        }
        c.pos = headEnd + static_cast<std::size_t>(addSize);
        if (type == kEnd)
            return;
    }
}

} // namespace

Archive walk(const std::vector<uint8_t>& file) {
    Archive a;
    std::size_t at5 = findSignature(file, kSig5, sizeof kSig5);
    std::size_t at4 = findSignature(file, kSig4, sizeof kSig4);
    if (at5 != std::string::npos && (at4 == std::string::npos || at5 <= at4)) {
        a.format = 5;
        walk5(file, at5 + sizeof kSig5, a);
    } else if (at4 != std::string::npos) {
        a.format = 4;
        walk4(file, at4, a);
    }
    return a;
}

} // namespace sample_walker
