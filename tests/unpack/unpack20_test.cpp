// The RAR 2.0 decompressor on small hand-made streams whose output is worked out by hand.
#include "bit_writer.h"
#include "unpack/unpack.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace myrar::unpack;

namespace {

// Writes table lengths with level codes 0 = "10" ... as given, zero runs of 11 or more with
// level symbol 18 and 7 bits.
void putLengths(BitWriter& w, const std::vector<uint8_t>& lengths,
                const std::map<int, std::string>& levelCode) {
    for (std::size_t i = 0; i < lengths.size();) {
        std::size_t run = 0;
        while (i + run < lengths.size() && lengths[i + run] == 0 && run < 138)
            ++run;
        if (run >= 11) {
            w.code(levelCode.at(18));
            w.put(static_cast<uint32_t>(run - 11), 7);
            i += run;
            continue;
        }
        w.code(levelCode.at(lengths[i]));
        ++i;
    }
}

void putLevelLengths(BitWriter& w, const std::map<int, int>& lengths) {
    for (int s = 0; s < 19; ++s)
        w.put(lengths.count(s) ? lengths.at(s) : 0, 4);
}

// An LZ stream: eight main symbols of 3 bits, distance slots 0 and 1, length slots 0 and 1.
std::vector<uint8_t> lzStream() {
    BitWriter w;
    w.put(0, 2); // no audio, fresh tables
    putLevelLengths(w, {{0, 2}, {1, 2}, {3, 2}, {18, 2}});
    const std::map<int, std::string> level = {{0, "00"}, {1, "01"}, {3, "10"}, {18, "11"}};
    std::vector<uint8_t> lengths(298 + 48 + 28, 0);
    for (int s : {int('a'), int('b'), int('c'), 256, 257, 261, 269, 270})
        lengths[s] = 3;
    lengths[298] = lengths[299] = 1;
    lengths[346] = lengths[347] = 1;
    putLengths(w, lengths, level);
    // Main codes in canonical order: a b c 256 257 261 269 270 = 000 ... 111.
    w.code("000001010"); // a b c
    w.code("111"
           "1");   // match, length slot 0 (3), distance slot 1 (2): "bcb"
    w.code("011"); // repeat the last match: "cbc"
    w.code("100"
           "0"); // last distance again, length slot 0 (2): "bc"
    w.code("101"
           "10"); // short match of 2 at distance 1 + 2: "cb"
    w.padBytes(6);
    return w.bytes();
}

UnpackStatus run(const std::vector<uint8_t>& packed, uint64_t size, std::vector<uint8_t>& out,
                 SolidState& state, bool solid = false) {
    UnpackInput in;
    in.version = 20;
    in.dictionarySize = 1 << 20;
    in.packed = packed.data();
    in.packedSize = packed.size();
    in.unpackedSize = size;
    in.solid = solid;
    return unpackToBuffer(in, state, out);
}

std::string text(const std::vector<uint8_t>& v) {
    return std::string(v.begin(), v.end());
}

} // namespace

TEST(Unpack20, DecodesLiteralsMatchesAndRepeats) {
    SolidState state;
    std::vector<uint8_t> out;
    ASSERT_EQ(run(lzStream(), 13, out, state), UnpackStatus::Ok);
    EXPECT_EQ(text(out), "abcbcbcbcbccb");
}

TEST(Unpack20, AudioModePredictsFromThePreviousSampleOfEachChannel) {
    BitWriter w;
    w.put(1, 1); // audio
    w.put(0, 1); // fresh tables
    w.put(1, 2); // two channels
    putLevelLengths(w, {{0, 2}, {2, 2}, {18, 1}});
    const std::map<int, std::string> level = {{18, "0"}, {0, "10"}, {2, "11"}};
    std::vector<uint8_t> lengths(2 * 257, 0);
    for (int c = 0; c < 2; ++c)
        for (int s : {3, 5, 254, 256})
            lengths[c * 257 + s] = 2;
    putLengths(w, lengths, level);
    // Per channel: 3 = "00", 5 = "01", 254 = "10", 256 = "11". Until the weights adapt, each
    // sample is the channel's previous one minus the coded value.
    w.code("01"
           "00"
           "00"
           "10"
           "10"
           "01");
    w.padBytes(6);
    SolidState state;
    std::vector<uint8_t> out;
    ASSERT_EQ(run(w.bytes(), 6, out, state), UnpackStatus::Ok);
    EXPECT_EQ(out, (std::vector<uint8_t>{0xFB, 0xFD, 0xF8, 0xFF, 0xFA, 0xFA}));
}

TEST(Unpack20, SolidEntryContinuesTheWindowAndTables) {
    SolidState state;
    std::vector<uint8_t> out;
    ASSERT_EQ(run(lzStream(), 3, out, state), UnpackStatus::Ok);
    EXPECT_EQ(text(out), "abc");
    // The next entry reuses the tables: a match of 3 at distance 2 reaches into "abc".
    BitWriter w;
    w.code("111"
           "1");
    w.padBytes(6);
    ASSERT_EQ(run(w.bytes(), 3, out, state, true), UnpackStatus::Ok);
    EXPECT_EQ(text(out), "bcb");
}

TEST(Unpack20, BrokenStreamsFailWithoutOutputOverrun) {
    std::vector<uint8_t> good = lzStream();
    for (std::size_t cut = 0; cut + 6 < good.size(); ++cut) {
        std::vector<uint8_t> part(good.begin(), good.begin() + cut);
        SolidState state;
        std::vector<uint8_t> out;
        EXPECT_NE(run(part, 13, out, state), UnpackStatus::Ok) << cut;
    }
    // A distance before the first byte.
    BitWriter w;
    w.put(0, 2);
    putLevelLengths(w, {{0, 2}, {1, 2}, {3, 2}, {18, 2}});
    std::vector<uint8_t> lengths(298 + 48 + 28, 0);
    for (int s : {int('a'), int('b'), int('c'), 256, 257, 261, 269, 270})
        lengths[s] = 3;
    lengths[298] = lengths[299] = 1;
    lengths[346] = lengths[347] = 1;
    putLengths(w, lengths, {{0, "00"}, {1, "01"}, {3, "10"}, {18, "11"}});
    w.code("000"
           "111"
           "1");
    w.padBytes(6);
    SolidState state;
    std::vector<uint8_t> out;
    EXPECT_EQ(run(w.bytes(), 4, out, state), UnpackStatus::Damaged);
    // A solid entry with nothing to continue.
    SolidState fresh;
    EXPECT_EQ(run(lzStream(), 13, out, fresh, true), UnpackStatus::Damaged);
}
