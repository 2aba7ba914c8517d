#pragma once
// Opens an archive of either format, also behind a self-extracting stub, and hands out its
// entries in stored order. The single entry point for the lister and the unpackers.

#include "archive_entry.h"
#include "byte_source.h"
#include "rar4_reader.h"
#include "rar5_reader.h"

#include <memory>
#include <optional>
#include <string>

namespace myrar {

// How far into a file a signature is looked for: self-extracting stubs are smaller.
constexpr std::uint64_t kSfxSearchLimit = 2 * 1024 * 1024;

struct ArchiveReader {
    // password: code page 936 bytes, or none.
    Status open(ByteSource& source, const std::optional<std::string>& password);
    Status next(Entry& out);

    const ArchiveInfo& info() const;
    // Volume number counted from 1, once known (from the main header, or the end block
    // after the walk); 0 when the archive does not say.
    std::uint64_t volumeNumber() const;

    std::unique_ptr<Rar4Reader> rar4;
    std::unique_ptr<Rar5Reader> rar5;

private:
    Status tryAt(ByteSource& source, std::uint64_t offset,
                 const std::optional<std::string>& password);
};

} // namespace myrar
