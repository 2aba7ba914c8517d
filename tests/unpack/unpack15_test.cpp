// The RAR 1.5 decompressor on a small hand-made stream, and every decompressor on garbage.
#include "bit_writer.h"
#include "unpack/unpack.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace myrar::unpack;

namespace {

UnpackStatus run(int version, const std::vector<uint8_t>& packed, uint64_t size,
                 std::vector<uint8_t>& out, SolidState& state, bool solid = false) {
    UnpackInput in;
    in.version = version;
    in.dictionarySize = 1 << 20;
    in.packed = packed.data();
    in.packedSize = packed.size();
    in.unpackedSize = size;
    in.solid = solid;
    return unpackToBuffer(in, state, out);
}

} // namespace

// The first flag byte is rank 1 of the flag list (all ones: literals follow). A literal's rank
// starts as its byte value and moves to the front once used.
TEST(Unpack15, DecodesLiteralsByRankAndMovesThemToTheFront) {
    BitWriter w;
    w.code("00001");    // flags: rank 1 of the 5-bit codes
    w.code("11100101"); // rank 65 in the starting literal table: 'A'
    w.code("00000");    // rank 0 now holds 'A'
    w.code("11100110"); // rank 66: 'B'
    w.padBytes(4);
    SolidState state;
    std::vector<uint8_t> out;
    ASSERT_EQ(run(15, w.bytes(), 3, out, state), UnpackStatus::Ok);
    EXPECT_EQ(std::string(out.begin(), out.end()), "AAB");
    std::vector<uint8_t> cut(w.bytes().begin(), w.bytes().begin() + 2);
    EXPECT_NE(run(15, cut, 3, out, state), UnpackStatus::Ok);
}

// Random bytes through every decompressor, alone and as a solid continuation: never a crash,
// never more output than asked, never Ok with a wrong length.
TEST(UnpackGarbage, EveryDecompressorFailsCleanlyOnRandomData) {
    std::mt19937 rng(7);
    for (int version : {15, 20, 29, 50, 70}) {
        for (int round = 0; round < 60; ++round) {
            std::vector<uint8_t> packed(1 + rng() % 600);
            for (uint8_t& b : packed)
                b = static_cast<uint8_t>(rng());
            const uint64_t size = rng() % 5000;
            SolidState state;
            std::vector<uint8_t> out;
            UnpackStatus first = run(version, packed, size, out, state);
            EXPECT_LE(out.size(), size);
            if (first == UnpackStatus::Ok) {
                EXPECT_EQ(out.size(), size) << version;
            }
            run(version, packed, size, out, state, true);
            EXPECT_LE(out.size(), size);
        }
    }
}
