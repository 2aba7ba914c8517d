// Truncated and corrupted archives: the readers end every walk with a status, within a
// number of steps bounded by the input's size, and never read out of bounds (ASan).
#include "archive_reader.h"
#include "fixtures.h"

#include <gtest/gtest.h>

namespace {

// Walks bytes as an archive; returns the number of steps it took.
std::size_t walk(const std::vector<std::uint8_t>& bytes) {
    myrar::MemorySource source(bytes);
    myrar::ArchiveReader reader;
    if (reader.open(source, std::string("qk5913")) != myrar::Status::Ok)
        return 0;
    myrar::Entry e;
    std::size_t steps = 0;
    while (reader.next(e) == myrar::Status::Ok) {
        ++steps;
        if (steps > bytes.size())
            break;
    }
    return steps;
}

void sweep(const std::vector<std::uint8_t>& good) {
    for (std::size_t n = 0; n < good.size(); ++n) {
        std::vector<std::uint8_t> cut(good.begin(), good.begin() + static_cast<long>(n));
        EXPECT_LE(walk(cut), n) << "cut at " << n;
    }
    for (std::size_t i = 0; i < good.size(); ++i) {
        for (std::uint8_t mask : {0x01, 0x80, 0xFF}) {
            std::vector<std::uint8_t> bad = good;
            bad[i] ^= mask;
            EXPECT_LE(walk(bad), bad.size()) << "byte " << i;
        }
    }
}

TEST(Robustness, EveryTruncationAndByteFlipOfRar4) {
    sweep(rar_writer::write(fixtures::mixedRar4()));
}

TEST(Robustness, EveryTruncationAndByteFlipOfRar5) {
    sweep(rar_writer::write(fixtures::wideRar5()));
}

TEST(Robustness, HostileSizesAreRefused) {
    // A RAR5 header claiming a 2 GiB header size, and one whose data size wraps around.
    std::vector<std::uint8_t> huge = {'R', 'a', 'r', '!', 0x1A, 0x07, 0x01, 0x00,
                                      0,   0,   0,   0,   0xFF, 0xFF, 0xFF, 0x07};
    EXPECT_EQ(walk(huge), 0u);
    rar_writer::Archive a = fixtures::mixedRar4();
    a.items[0].declaredPacked = ~std::uint64_t(0) >> 1;
    std::vector<std::uint8_t> wraps = rar_writer::write(a);
    EXPECT_LE(walk(wraps), 2u); // the comment, then the entry whose data runs off the end
}

} // namespace
