// libFuzzer target: the header readers and the listing's formatting over arbitrary bytes.
#include "archive_reader.h"
#include "listing.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    myrar::MemorySource source(data, size);
    myrar::ArchiveReader reader;
    // No password: encrypted headers stop at once instead of spending the key derivation.
    if (reader.open(source, std::nullopt) != myrar::Status::Ok)
        return 0;
    myrar::Entry e;
    for (std::size_t steps = 0; reader.next(e) == myrar::Status::Ok; ++steps) {
        if (steps > size)
            __builtin_trap(); // a walk must consume bytes at every step
        myrar::displayName(e);
        myrar::formatDetails(e);
    }
    return 0;
}
