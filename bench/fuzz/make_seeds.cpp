// Writes seed inputs for the fuzz targets from real archives and listings:
//   seeds-unpack15/20/29/50: each unencrypted, compressed entry's packed data (at most
//     kMaxSeedBytes of it) behind the targets' four-byte prefix;
//   seeds-listing: each golden listing behind the archive path its archive line names.
// Usage: make_seeds <samples folder> <golden listings folder> <output folder>
#include "archive_reader.h"
#include "unpack/unpack.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kMaxSeedBytes = 64 * 1024;
// The targets take the unpacked size modulo 2^18; a seed states it below that.
constexpr std::uint64_t kMaxSeedUnpacked = (1u << 18) - 1;
// The archive line of a listing: "压缩包 " in code page 936, then the path.
const std::string kArchiveLinePrefix = "\xD1\xB9\xCB\xF5\xB0\xFC ";

const std::map<myrar::unpack::Family, std::string> kFamilyFolder = {
    {myrar::unpack::Family::V15, "seeds-unpack15"},
    {myrar::unpack::Family::V20, "seeds-unpack20"},
    {myrar::unpack::Family::V29, "seeds-unpack29"},
    {myrar::unpack::Family::V50, "seeds-unpack50"},
};

void writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

bool isCompressedPlainFile(const myrar::Entry& e) {
    return e.kind == myrar::EntryKind::File && e.method != 0 && !e.encryption.encrypted &&
           !e.splitBefore && e.packedSize > 0;
}

int seedsFromArchive(const fs::path& archive, const fs::path& out) {
    myrar::FileSource file;
    if (!file.open(archive.string()))
        return 0;
    myrar::ArchiveReader reader;
    if (reader.open(file, std::nullopt) != myrar::Status::Ok)
        return 0;
    int written = 0;
    myrar::Entry e;
    for (int index = 0; reader.next(e) == myrar::Status::Ok; ++index) {
        const auto folder = kFamilyFolder.find(myrar::unpack::familyOf(int(e.unpackVersion)));
        if (folder == kFamilyFolder.end() || !isCompressedPlainFile(e))
            continue;
        const std::uint64_t unpacked = std::min(e.unpackedSize, kMaxSeedUnpacked);
        std::vector<std::uint8_t> seed = {0x00, std::uint8_t(unpacked >> 16),
                                          std::uint8_t(unpacked >> 8), std::uint8_t(unpacked)};
        const std::size_t n = std::size_t(std::min(e.packedSize, kMaxSeedBytes));
        seed.resize(seed.size() + n);
        if (!file.readAt(e.dataOffset, seed.data() + 4, n))
            continue;
        writeFile(out / folder->second /
                      (archive.filename().string() + "-" + std::to_string(index)),
                  seed);
        ++written;
    }
    return written;
}

int seedFromListing(const fs::path& listing, const fs::path& out) {
    std::ifstream in(listing, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t at = text.find(kArchiveLinePrefix);
    if (at == std::string::npos)
        return 0;
    const std::size_t start = at + kArchiveLinePrefix.size();
    const std::size_t end = text.find_first_of("\r\n", start);
    std::string seed = text.substr(start, end - start) + "\n" + text;
    writeFile(out / "seeds-listing" / listing.filename(),
              std::vector<std::uint8_t>(seed.begin(), seed.end()));
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <samples> <golden listings> <output>\n", argv[0]);
        return 2;
    }
    const fs::path samples = argv[1], golden = argv[2], out = argv[3];
    for (const auto& [family, folder] : kFamilyFolder)
        fs::create_directories(out / folder);
    fs::create_directories(out / "seeds-listing");

    int archives = 0, listings = 0;
    std::error_code ec;
    for (const auto& item : fs::directory_iterator(samples, ec))
        if (item.is_regular_file())
            archives += seedsFromArchive(item.path(), out);
    for (const auto& item : fs::directory_iterator(golden, ec))
        if (item.is_regular_file())
            listings += seedFromListing(item.path(), out);
    std::printf("seeds: %d compressed entries, %d listings\n", archives, listings);
    return 0;
}
