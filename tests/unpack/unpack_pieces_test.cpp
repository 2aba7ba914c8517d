// The building blocks every decompressor shares: bit reader, prefix codes, LZ window.
#include "unpack/bit_reader.h"
#include "unpack/huffman.h"
#include "unpack/lz_window.h"
#include "unpack/unpack.h"

#include <gtest/gtest.h>

#include <vector>

using namespace myrar::unpack;

TEST(BitReader, ReadsMostSignificantBitFirstAndZerosPastTheEnd) {
    const uint8_t data[] = {0xA5, 0x3C};
    BitReader in(data, sizeof data);
    EXPECT_EQ(in.read(1), 1u);
    EXPECT_EQ(in.read(3), 2u);
    EXPECT_EQ(in.read(8), 0x53u);
    EXPECT_EQ(in.peek16(), 0xC000u);
    EXPECT_FALSE(in.overrun());
    EXPECT_EQ(in.read(4), 0xCu);
    EXPECT_FALSE(in.overrun());
    EXPECT_EQ(in.read(32), 0u);
    EXPECT_TRUE(in.overrun());
    EXPECT_TRUE(in.overrun(31));
    EXPECT_FALSE(in.overrun(32));
}

TEST(BitReader, AlignsAndReadsWideFieldsAcrossTheFastPath) {
    const uint8_t data[] = {0xFF, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};
    BitReader in(data, sizeof data);
    in.skip(3);
    in.alignToByte();
    EXPECT_EQ(in.bytePosition(), 1u);
    EXPECT_EQ(in.read(32), 0x12345678u);
    EXPECT_EQ(in.read(16), 0x9ABCu);
    EXPECT_EQ(in.read(0), 0u);
    BitReader empty(nullptr, 0);
    EXPECT_EQ(empty.read(7), 0u);
    EXPECT_TRUE(empty.overrun());
}

// Lengths {2, 1, 3, 3} give the canonical codes B=0, A=10, C=110, D=111.
TEST(Huffman, AssignsCanonicalCodesByLengthThenSymbol) {
    const uint8_t lengths[] = {2, 1, 3, 3};
    HuffmanDecoder h;
    ASSERT_TRUE(h.build(lengths, 4));
    EXPECT_TRUE(h.complete());
    const uint8_t bits[] = {0b01011011, 0b10000000}; // 0 10 110 111 0
    BitReader in(bits, sizeof bits);
    EXPECT_EQ(h.decode(in), 1u);
    EXPECT_EQ(h.decode(in), 0u);
    EXPECT_EQ(h.decode(in), 2u);
    EXPECT_EQ(h.decode(in), 3u);
    EXPECT_EQ(h.decode(in), 1u);
    EXPECT_EQ(in.bitPosition(), 10u);
}

TEST(Huffman, DecodesCodesLongerThanTheLookupTable) {
    // 15 symbols of lengths 1..14, then two of 15: a complete, maximally deep table.
    std::vector<uint8_t> lengths;
    for (int b = 1; b <= 15; ++b)
        lengths.push_back(static_cast<uint8_t>(b));
    lengths.push_back(15);
    HuffmanDecoder h;
    ASSERT_TRUE(h.build(lengths.data(), lengths.size()));
    EXPECT_TRUE(h.complete());
    // Symbol 12 (length 13) is twelve ones and a zero; the last symbol is fifteen ones.
    const uint8_t bits[] = {0xFF, 0xF0 | 0x07, 0xFF, 0xF0};
    BitReader in(bits, sizeof bits);
    EXPECT_EQ(h.decode(in), 12u);
    EXPECT_EQ(in.bitPosition(), 13u);
    EXPECT_EQ(h.decode(in), 15u);
    EXPECT_EQ(in.bitPosition(), 28u);
}

TEST(Huffman, RefusesOverSubscribedAndMarksUnassignedCodes) {
    struct Case {
        std::vector<uint8_t> lengths;
        bool builds;
        bool complete;
    };
    const Case cases[] = {
        {{1, 1, 1}, false, false},       // three codes of one bit
        {{2, 2, 2, 2, 2}, false, false}, // five of two bits
        {{16, 1}, false, false},         // too long
        {{1}, true, false},              // one code: half the space unused
        {{0, 0, 0}, true, false},        // empty
        {{1, 2, 2}, true, true},
    };
    for (const Case& c : cases) {
        HuffmanDecoder h;
        EXPECT_EQ(h.build(c.lengths.data(), c.lengths.size()), c.builds);
        if (c.builds) {
            EXPECT_EQ(h.complete(), c.complete);
        }
    }
    const uint8_t one[] = {1};
    HuffmanDecoder h;
    ASSERT_TRUE(h.build(one, 1));
    const uint8_t bits[] = {0x40};
    BitReader in(bits, 1);
    EXPECT_EQ(h.decode(in), 0u);
    EXPECT_EQ(h.decode(in), HuffmanDecoder::kInvalidSymbol);
    EXPECT_EQ(in.bitPosition(), 2u);
}

TEST(LzWindow, CopiesOverlappingMatchesAndRefusesDistancesBeforeTheStart) {
    LzWindow w;
    ASSERT_TRUE(w.init(1));
    EXPECT_EQ(w.size(), LzWindow::kMinSize);
    w.put('a');
    w.put('b');
    EXPECT_FALSE(w.copyMatch(3, 1));
    EXPECT_FALSE(w.copyMatch(0, 1));
    EXPECT_TRUE(w.copyMatch(2, 5));
    std::string out;
    w.emit(0, w.position(), [&](const uint8_t* d, std::size_t n) { out.append(d, d + n); });
    EXPECT_EQ(out, "abababa");
    EXPECT_FALSE(w.init(LzWindow::kMaxSize + 1));
}

TEST(LzWindow, WrapsAroundTheRing) {
    LzWindow w;
    ASSERT_TRUE(w.init(LzWindow::kMinSize));
    const uint64_t n = w.size() - 3;
    for (uint64_t i = 0; i < n; ++i)
        w.put(static_cast<uint8_t>(i * 7));
    ASSERT_TRUE(w.copyMatch(n, 10)); // crosses the end of the ring
    std::vector<uint8_t> tail(10);
    w.read(n, tail.size(), tail.data());
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(tail[i], static_cast<uint8_t>(i * 7));
    std::size_t pieces = 0;
    w.emit(n, n + 10, [&](const uint8_t*, std::size_t) { ++pieces; });
    EXPECT_EQ(pieces, 2u);
    EXPECT_FALSE(w.copyMatch(w.size() + 1, 1));
}

TEST(Dispatcher, MapsVersionsToFamiliesAndRefusesUnknownOnes) {
    EXPECT_EQ(familyOf(15), Family::V15);
    EXPECT_EQ(familyOf(26), Family::V20);
    EXPECT_EQ(familyOf(36), Family::V29);
    EXPECT_EQ(familyOf(70), Family::V50);
    EXPECT_EQ(familyOf(13), Family::None);
    SolidState state;
    std::vector<uint8_t> out;
    UnpackInput in;
    in.version = 13;
    EXPECT_EQ(unpackToBuffer(in, state, out), UnpackStatus::Unsupported);
    in.version = 50;
    in.solid = true; // nothing to continue
    EXPECT_EQ(unpackToBuffer(in, state, out), UnpackStatus::Damaged);

    // After a failed entry a solid one cannot continue, but a fresh one starts over.
    const uint8_t junk[] = {0xFF, 0xFF, 0xFF};
    in.solid = false;
    in.packed = junk;
    in.packedSize = sizeof junk;
    in.unpackedSize = 10;
    in.dictionarySize = 1 << 17;
    EXPECT_NE(unpackToBuffer(in, state, out), UnpackStatus::Ok);
    in.solid = true;
    EXPECT_EQ(unpackToBuffer(in, state, out), UnpackStatus::Damaged);
    in.solid = false;
    in.unpackedSize = 0;
    EXPECT_EQ(unpackToBuffer(in, state, out), UnpackStatus::Ok);
    EXPECT_TRUE(out.empty());
}
