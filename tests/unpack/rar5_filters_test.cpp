// The RAR 5.0 output filters on small ranges whose result is worked out by hand.
#include "unpack/rar5_filters.h"

#include <gtest/gtest.h>

#include <vector>

using namespace myrar::unpack;
using Bytes = std::vector<uint8_t>;

TEST(Rar5Filters, DeltaUndoesChannelDifferencesStoredChannelByChannel) {
    // Two channels: positions 0, 2, 4 come from the first three input bytes, 1 and 3 from the rest.
    const Bytes in = {1, 2, 3, 4, 0xFF};
    Bytes out(5);
    rar5DeltaDecode(in.data(), out.data(), out.size(), 2);
    EXPECT_EQ(out, (Bytes{0xFF, 0xFC, 0xFD, 0xFD, 0xFA}));
    Bytes one(3);
    rar5DeltaDecode(in.data(), one.data(), one.size(), 1);
    EXPECT_EQ(one, (Bytes{0xFF, 0xFD, 0xFA}));
}

TEST(Rar5Filters, E8TurnsAbsoluteCallTargetsBackIntoRelativeOnes) {
    struct Case {
        Bytes in;
        uint64_t fileOffset;
        bool e9;
        Bytes expected;
    };
    const Case cases[] = {
        // A target inside the file: minus the position after the opcode (1 + offset 0x10).
        {{0xE8, 0x20, 0, 0, 0, 0x90}, 0x10, false, {0xE8, 0x0F, 0, 0, 0, 0x90}},
        // A negative target that lands inside the file: plus the 16 MiB file size.
        {{0xE8, 0xFF, 0xFF, 0xFF, 0xFF, 0x90}, 0, false, {0xE8, 0xFF, 0xFF, 0xFF, 0x00, 0x90}},
        // Targets beyond the file size and negative ones before its start stay.
        {{0xE8, 0, 0, 0, 0x01, 0x90}, 0, false, {0xE8, 0, 0, 0, 0x01, 0x90}},
        {{0xE8, 0xFE, 0xFF, 0xFF, 0xFF, 0x90}, 0, false, {0xE8, 0xFE, 0xFF, 0xFF, 0xFF, 0x90}},
        // E9 only in the E8E9 variant.
        {{0xE9, 0x05, 0, 0, 0, 0x90}, 0, false, {0xE9, 0x05, 0, 0, 0, 0x90}},
        {{0xE9, 0x05, 0, 0, 0, 0x90}, 0, true, {0xE9, 0x04, 0, 0, 0, 0x90}},
        // An opcode in the last four bytes has no whole operand and is left alone.
        {{0x90, 0x90, 0xE8, 0x05, 0, 0}, 0, false, {0x90, 0x90, 0xE8, 0x05, 0, 0}},
        // The four operand bytes are skipped: the E8 inside them is not an opcode.
        {{0xE8, 0xE8, 0, 0, 0, 0x90, 0x90}, 0, false, {0xE8, 0xE7, 0, 0, 0, 0x90, 0x90}},
    };
    for (const Case& c : cases) {
        Bytes data = c.in;
        rar5E8Decode(data.data(), data.size(), c.fileOffset, c.e9);
        EXPECT_EQ(data, c.expected);
    }
}

TEST(Rar5Filters, ArmSubtractsTheInstructionWordPositionFromBranchTargets) {
    Bytes data = {0x10, 0, 0, 0xEB, 0x10, 0, 0, 0xEB, 0x10, 0, 0, 0xEA, 0x00, 0x00};
    rar5ArmDecode(data.data(), data.size(), 8);
    // Words at file offsets 8 and 12: minus 2 and 3; a word without the BL opcode stays.
    EXPECT_EQ(data, (Bytes{0x0E, 0, 0, 0xEB, 0x0D, 0, 0, 0xEB, 0x10, 0, 0, 0xEA, 0, 0}));
    Bytes wrap = {0x00, 0x00, 0x00, 0xEB};
    rar5ArmDecode(wrap.data(), wrap.size(), 4);
    EXPECT_EQ(wrap, (Bytes{0xFF, 0xFF, 0xFF, 0xEB}));
}
