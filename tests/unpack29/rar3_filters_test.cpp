#include "unpack/rar3_filters.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace myrar::unpack;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes run(Rar3FilterKind kind, Bytes block, Rar3FilterParams params = {}) {
    Bytes scratch;
    params.registers[4] = static_cast<uint32_t>(block.size());
    applyRar3Filter(kind, params, block, scratch);
    return block;
}

struct E8Case {
    const char* what;
    Rar3FilterKind kind;
    uint32_t fileOffset;
    Bytes in;
    Bytes out;
};

class E8Filter : public ::testing::TestWithParam<E8Case> {};

TEST_P(E8Filter, RestoresRelativeTargets) {
    const E8Case& c = GetParam();
    Rar3FilterParams p;
    p.fileOffset = c.fileOffset;
    EXPECT_EQ(run(c.kind, c.in, p), c.out) << c.what;
}

const Rar3FilterKind kE8 = Rar3FilterKind::E8;
const Rar3FilterKind kE8E9 = Rar3FilterKind::E8E9;

INSTANTIATE_TEST_SUITE_P(
    Cases, E8Filter,
    ::testing::Values(
        // The target is counted from the byte after the opcode, plus the block's offset.
        E8Case{"small positive",
               kE8,
               0,
               {0xE8, 0x05, 0x01, 0, 0, 0x90, 0x90, 0x90},
               {0xE8, 0x04, 0x01, 0, 0, 0x90, 0x90, 0x90}},
        E8Case{"block offset counts",
               kE8,
               0x100,
               {0x90, 0xE8, 0x05, 0x02, 0, 0, 0x90, 0x90},
               {0x90, 0xE8, 0x03, 0x01, 0, 0, 0x90, 0x90}},
        E8Case{"negative that becomes positive",
               kE8,
               0,
               {0xE8, 0xFF, 0xFF, 0xFF, 0xFF, 0x90, 0x90, 0x90},
               {0xE8, 0xFF, 0xFF, 0xFF, 0x00, 0x90, 0x90, 0x90}},
        E8Case{"negative that stays negative",
               kE8,
               0,
               {0xE8, 0xF0, 0xFF, 0xFF, 0xFF, 0x90, 0x90, 0x90},
               {0xE8, 0xF0, 0xFF, 0xFF, 0xFF, 0x90, 0x90, 0x90}},
        E8Case{"beyond the file size stays",
               kE8,
               0,
               {0xE8, 0, 0, 0, 0x01, 0x90, 0x90, 0x90},
               {0xE8, 0, 0, 0, 0x01, 0x90, 0x90, 0x90}},
        E8Case{"jumps untouched by the call filter",
               kE8,
               0,
               {0xE9, 0x05, 0, 0, 0, 0x90, 0x90, 0x90},
               {0xE9, 0x05, 0, 0, 0, 0x90, 0x90, 0x90}},
        E8Case{"jumps restored by the call+jump filter",
               kE8E9,
               0,
               {0xE9, 0x05, 0, 0, 0, 0x90, 0x90, 0x90},
               {0xE9, 0x04, 0, 0, 0, 0x90, 0x90, 0x90}},
        E8Case{"the operand is skipped after a match",
               kE8,
               0,
               {0xE8, 0xE8, 0, 0, 0, 0x90, 0x90, 0x90},
               {0xE8, 0xE7, 0, 0, 0, 0x90, 0x90, 0x90}},
        E8Case{"no opcode in the last four bytes",
               kE8,
               0,
               {0x90, 0x90, 0xE8, 1, 0, 0},
               {0x90, 0x90, 0xE8, 1, 0, 0}},
        E8Case{"blocks under four bytes pass", kE8, 0, {0xE8, 1, 0}, {0xE8, 1, 0}}));

TEST(DeltaFilter, UndoesPerChannelDifferences) {
    Rar3FilterParams p;
    p.registers[0] = 2;
    EXPECT_EQ(run(Rar3FilterKind::Delta, {1, 1, 1, 2, 2, 2}, p),
              (Bytes{0xFF, 0xFE, 0xFE, 0xFC, 0xFD, 0xFA}));
}

TEST(DeltaFilter, ImpossibleChannelCountsGiveAnUntouchedOutputArea) {
    for (uint32_t channels : {0u, 1025u}) {
        Rar3FilterParams p;
        p.registers[0] = channels;
        EXPECT_EQ(run(Rar3FilterKind::Delta, {1, 2, 3}, p), (Bytes{0, 0, 0})) << channels;
    }
}

TEST(RgbFilter, PredictsFromTheLeftAndAddsGreenBack) {
    Rar3FilterParams p;
    p.registers[0] = 3 + 6; // row width of two pixels: no upper row
    p.registers[1] = 0;
    EXPECT_EQ(run(Rar3FilterKind::Rgb, {0xFF, 0xFF, 0xFE, 0xFF, 0xFD, 0xFF}, p),
              (Bytes{3, 2, 5, 5, 3, 7}));
}

TEST(RgbFilter, UsesTheUpperRowOnceThereIsOne) {
    // Two pixels a row, two rows; only red is non-zero. The last red value is predicted
    // from left 20, upper 50, upper-left 10: the median choice is the upper one.
    Rar3FilterParams p;
    p.registers[0] = 3 + 6;
    p.registers[1] = 0;
    Bytes in = {0xF6, 0xD8, 0x1E, 0xFB, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(run(Rar3FilterKind::Rgb, in, p), (Bytes{10, 0, 0, 50, 0, 0, 20, 0, 0, 55, 0, 0}));
}

TEST(RgbFilter, BadGeometryGivesAnUntouchedOutputArea) {
    Rar3FilterParams wide;
    wide.registers[0] = 3 + 100;
    EXPECT_EQ(run(Rar3FilterKind::Rgb, {1, 2, 3, 4, 5, 6}, wide), Bytes(6, 0));
    Rar3FilterParams pos;
    pos.registers[0] = 3 + 3;
    pos.registers[1] = 3;
    EXPECT_EQ(run(Rar3FilterKind::Rgb, {1, 2, 3, 4, 5, 6}, pos), Bytes(6, 0));
}

TEST(AudioFilter, InterleavesChannelsOfPredictedSamples) {
    Rar3FilterParams p;
    p.registers[0] = 2;
    EXPECT_EQ(run(Rar3FilterKind::Audio, {1, 0, 0, 2, 0, 0}, p),
              (Bytes{0xFF, 0xFE, 0xFF, 0xFE, 0xFF, 0xFE}));
}

TEST(AudioFilter, SilenceStaysSilent) {
    Rar3FilterParams p;
    p.registers[0] = 1;
    Bytes zeros(200, 0);
    EXPECT_EQ(run(Rar3FilterKind::Audio, zeros, p), zeros);
}

// Writes `count` bits of `value` at bit `pos`, least significant bit first.
void putBits(Bytes& data, uint32_t pos, uint32_t count, uint32_t value) {
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t bit = pos + i;
        data[bit / 8] =
            uint8_t((data[bit / 8] & ~(1u << (bit % 8))) | (((value >> i) & 1) << (bit % 8)));
    }
}

uint32_t getBits(const Bytes& data, uint32_t pos, uint32_t count) {
    uint32_t v = 0;
    for (uint32_t i = 0; i < count; ++i)
        v |= uint32_t((data[(pos + i) / 8] >> ((pos + i) % 8)) & 1) << i;
    return v;
}

TEST(ItaniumFilter, RebasesBranchTargetsByBundle) {
    Bytes block(32, 0);
    block[0] = 0x10; // template whose third slot may hold a branch
    const uint32_t slot2 = 2 * 41 + 5;
    putBits(block, slot2 + 37, 4, 5); // branch opcode
    putBits(block, slot2 + 13, 20, 0x12345);
    putBits(block, 5 + 37, 4, 5); // a branch in the first slot, which this template skips
    putBits(block, 5 + 13, 20, 0x777);
    Rar3FilterParams p;
    p.fileOffset = 0x20; // the third bundle of the file
    Bytes out = run(Rar3FilterKind::Itanium, block, p);
    EXPECT_EQ(getBits(out, slot2 + 13, 20), 0x12343u);
    EXPECT_EQ(getBits(out, 5 + 13, 20), 0x777u);
    EXPECT_EQ(getBits(out, slot2 + 37, 4), 5u);
}

TEST(FilterRecognition, OnlyTheStandardProgramsAreKnown) {
    EXPECT_EQ(recogniseRar3Filter(nullptr, 0), Rar3FilterKind::Unknown);
    Bytes code = {0, 1, 2, 3};
    code[0] = 1 ^ 2 ^ 3; // passes the check byte, matches no known program
    EXPECT_EQ(recogniseRar3Filter(code.data(), code.size()), Rar3FilterKind::Unknown);
    Bytes badCheck(53, 0x11);
    EXPECT_EQ(recogniseRar3Filter(badCheck.data(), badCheck.size()), Rar3FilterKind::Unknown);
}

} // namespace
