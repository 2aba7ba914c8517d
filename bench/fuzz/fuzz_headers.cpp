// libFuzzer target: one header reader and the listing's formatting over arbitrary bytes.
// Built once per format (FUZZ_HEADER_FORMAT: 4 or 5). An input that does not begin with the
// format's signature gets it in front, so every input reaches that reader's blocks rather
// than the signature search.
#include "archive_reader.h"
#include "listing.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#ifndef FUZZ_HEADER_FORMAT
#error "FUZZ_HEADER_FORMAT names the archive format to fuzz (4 or 5)"
#endif

namespace {
#if FUZZ_HEADER_FORMAT == 4
const std::uint8_t* const kSignature = myrar::kRar4Signature;
constexpr std::size_t kSignatureSize = sizeof(myrar::kRar4Signature);
#else
const std::uint8_t* const kSignature = myrar::kRar5Signature;
constexpr std::size_t kSignatureSize = sizeof(myrar::kRar5Signature);
#endif
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> bytes;
    if (size < kSignatureSize || std::memcmp(data, kSignature, kSignatureSize) != 0)
        bytes.assign(kSignature, kSignature + kSignatureSize);
    bytes.insert(bytes.end(), data, data + size);

    myrar::MemorySource source(bytes.data(), bytes.size());
    myrar::ArchiveReader reader;
    // No password: encrypted headers stop at once instead of spending the key derivation.
    if (reader.open(source, std::nullopt) != myrar::Status::Ok)
        return 0;
    myrar::Entry e;
    for (std::size_t steps = 0; reader.next(e) == myrar::Status::Ok; ++steps) {
        if (steps > bytes.size())
            __builtin_trap(); // a walk must consume bytes at every step
        myrar::displayName(e);
        myrar::formatDetails(e);
    }
    return 0;
}
