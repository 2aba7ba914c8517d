// Small LZ and text-model streams put together bit by bit, so each decoding rule is seen
// on output that is known exactly.
#include "unpack/unpack29.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

using namespace myrar::unpack;

namespace {

using Bytes = std::vector<uint8_t>;

class BitWriter {
public:
    void put(uint32_t value, unsigned count) {
        for (unsigned i = count; i-- > 0;) {
            if (bit_ == 0)
                data_.push_back(0);
            if ((value >> i) & 1)
                data_.back() |= uint8_t(0x80 >> bit_);
            bit_ = (bit_ + 1) & 7;
        }
    }
    Bytes bytes() const { return data_; }

private:
    Bytes data_;
    unsigned bit_ = 0;
};

// Level code used below: every level symbol we need gets a 3-bit code, in symbol order.
const uint32_t kLevelSymbols[] = {0, 1, 2, 3, 4, 18, 19};

void putLevel(BitWriter& w, uint32_t symbol) {
    for (uint32_t i = 0; i < 7; ++i)
        if (kLevelSymbols[i] == symbol) {
            w.put(i, 3);
            return;
        }
    FAIL() << "no level code for " << symbol;
}

void putZeros(BitWriter& w, uint32_t count) {
    while (count >= 11) {
        uint32_t n = count > 138 ? 138 : count;
        putLevel(w, 19);
        w.put(n - 11, 7);
        count -= n;
    }
    while (count >= 3) {
        uint32_t n = count > 10 ? 10 : count;
        putLevel(w, 18);
        w.put(n - 3, 3);
        count -= n;
    }
    for (; count > 0; --count)
        putLevel(w, 0);
}

constexpr uint32_t kMain = 299, kDist = 60, kLow = 17, kRep = 28;

// Writes an LZ table header giving `lengths` (symbol -> code length) over all four codes.
void putTables(BitWriter& w, std::vector<std::pair<uint32_t, uint32_t>> lengths) {
    std::sort(lengths.begin(), lengths.end());
    w.put(0, 2); // LZ block, no old table
    // Level code lengths: 7 symbols of length 3 (one more would make it complete).
    for (uint32_t s = 0; s < 20; ++s) {
        bool used = false;
        for (uint32_t k : kLevelSymbols)
            used |= k == s;
        w.put(used ? 3 : 0, 4);
    }
    uint32_t at = 0;
    for (const auto& [symbol, length] : lengths) {
        putZeros(w, symbol - at);
        putLevel(w, length);
        at = symbol + 1;
    }
    putZeros(w, kMain + kDist + kLow + kRep - at);
}

struct Result {
    UnpackStatus code;
    std::string text;
};

Result unpack(Unpack29& u, const Bytes& data, uint64_t size, bool solid = false) {
    std::string text;
    OutputSink sink = [&](const uint8_t* p, std::size_t n) { text.append(p, p + n); };
    UnpackInput in;
    in.version = 29;
    in.packed = data.data();
    in.packedSize = data.size();
    in.unpackedSize = size;
    in.solid = solid;
    UnpackStatus r = u.unpack(in, sink);
    return {r, text};
}

// Main code: 'A' 00, 'B' 01, end of block 10, filter 11 (all length 2).
void putAbTables(BitWriter& w) {
    putTables(w, {{'A', 2}, {'B', 2}, {256, 2}, {257, 2}});
}

TEST(Unpack29Stream, LiteralsUpToTheEndOfFileMark) {
    BitWriter w;
    putAbTables(w);
    w.put(0b00, 2);
    w.put(0b01, 2);
    w.put(0b00, 2);
    w.put(0b10, 2); // end of block
    w.put(0b00, 2); // ... and of the file, same tables next
    Unpack29 u;
    Result r = unpack(u, w.bytes(), 3);
    EXPECT_EQ(r.code, UnpackStatus::Ok);
    EXPECT_EQ(r.text, "ABA");
}

TEST(Unpack29Stream, MatchesAndOldDistances) {
    // Main: 'a' 'b' as literals, a short-distance match, repeat-last and old-distance 0.
    BitWriter w;
    putTables(w, {{'a', 3},
                  {'b', 3},
                  {258, 3},
                  {259, 3},
                  {263, 3},
                  {256, 3},
                  {kMain + kDist + kLow + 0, 1}});
    // Codes in symbol order: 'a' 000, 'b' 001, 256 010, 258 011, 259 100, 263 101.
    w.put(0b000, 3); // a
    w.put(0b001, 3); // b
    w.put(0b101, 3); // length 2, distance 1 + 2 extra bits
    w.put(0b01, 2);  // distance 2: "ab"
    w.put(0b011, 3); // repeat last: length 2, distance 2: "ab"
    w.put(0b100, 3); // old distance 0 (= 2), length from the repeat-length code
    w.put(0b0, 1);   // repeat-length slot 0: length 2: "ab"
    w.put(0b010, 3); // end of block
    w.put(0b00, 2);  // end of file
    Unpack29 u;
    Result r = unpack(u, w.bytes(), 8);
    EXPECT_EQ(r.code, UnpackStatus::Ok);
    EXPECT_EQ(r.text, "abababab");
}

TEST(Unpack29Stream, SolidEntriesKeepTablesAndWindow) {
    BitWriter first;
    putAbTables(first);
    first.put(0b00, 2);
    first.put(0b10, 2);
    first.put(0b00, 2); // end of file, keep tables
    BitWriter second;   // no table header: the tables carry over
    second.put(0b01, 2);
    second.put(0b10, 2);
    second.put(0b00, 2);
    Unpack29 u;
    EXPECT_EQ(unpack(u, first.bytes(), 1).text, "A");
    Result r = unpack(u, second.bytes(), 1, true);
    EXPECT_EQ(r.code, UnpackStatus::Ok);
    EXPECT_EQ(r.text, "B");
}

TEST(Unpack29Stream, UnknownFilterProgramIsRefused) {
    BitWriter w;
    putAbTables(w);
    w.put(0b00, 2);
    w.put(0b11, 2);     // filter record
    w.put(0x80 | 5, 8); // has an index; 6 bytes of record
    BitWriter rec;
    rec.put(0, 6);           // index 0: start afresh, new filter
    rec.put(0, 6);           // block starts here
    rec.put(0b000011, 6);    // program of 3 bytes
    rec.put(0x01 ^ 0x02, 8); // check byte
    rec.put(0x01, 8);
    rec.put(0x02, 8);
    Bytes r = rec.bytes();
    r.resize(6, 0);
    for (uint8_t b : r)
        w.put(b, 8);
    w.put(0b01, 2);
    w.put(0b10, 2);
    w.put(0b00, 2);
    Unpack29 u;
    EXPECT_EQ(unpack(u, w.bytes(), 2).code, UnpackStatus::Unsupported);
}

TEST(Unpack29Stream, EndsCleanlyWhenTheDataRunsOut) {
    BitWriter w;
    putAbTables(w);
    w.put(0b00, 2);
    w.put(0b01, 2);
    Unpack29 u;
    Result r = unpack(u, w.bytes(), 100000);
    EXPECT_NE(r.code, UnpackStatus::Ok);
    EXPECT_LE(r.text.size(), 100000u);
}

TEST(Unpack29Stream, TextBlockHeadersOutOfRangeAreRefused) {
    Unpack29 u;
    // Order 1 is not a model; a continuing block with no model before it has nothing to use.
    for (Bytes data :
         {Bytes{0x80 | 0x20 | 0x00, 0x00, 0, 0, 0, 0}, Bytes{0x80 | 0x05, 0, 0, 0, 0}}) {
        Result r = unpack(u, data, 10);
        EXPECT_EQ(r.code, UnpackStatus::Damaged);
        EXPECT_TRUE(r.text.empty());
    }
}

TEST(Unpack29Stream, TextModelOnArbitraryBytesStaysBounded) {
    // A restarting order-6 block with 1 MiB, then pseudo-random bytes: whatever they decode
    // to, the decoder stops at the entry's size or reports damage, and never runs away.
    Bytes data = {0x80 | 0x20 | 0x05, 0x00};
    uint32_t x = 12345;
    for (int i = 0; i < 4096; ++i) {
        x = x * 1103515245u + 12345u;
        data.push_back(uint8_t(x >> 24));
    }
    Unpack29 u;
    Result r = unpack(u, data, 1 << 20);
    EXPECT_LE(r.text.size(), size_t(1) << 20);
    if (r.code == UnpackStatus::Ok) {
        EXPECT_EQ(r.text.size(), size_t(1) << 20);
    }
}

} // namespace
