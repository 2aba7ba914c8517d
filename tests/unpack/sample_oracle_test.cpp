// The decompressors checked on real archives: every entry's data is unpacked and compared with
// the CRC32 its header stores. Entries split over volumes are joined first.
#include "sample_walker.h"
#include "unpack/crc32.h"
#include "unpack/unpack.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>

namespace fs = std::filesystem;
using namespace myrar::unpack;

namespace {

std::vector<uint8_t> readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

struct EntryResult {
    std::string archive, entry;
    int version = 0; // 0 for stored data
    bool hasCrc = false;
    std::string outcome; // "pass", "crc", "no crc" (unpacked, nothing to compare), or a status
};

// Stored entries whose data is not their content: links keep only a target, a recovery
// record is checked otherwise.
bool dataIsNotContent(const sample_walker::Entry& e) {
    return e.stored && (e.packedSize != e.unpackedSize || (e.service && e.name == "RR"));
}

// Unpacks, in archive order, every entry of a volume set that is not encrypted; an entry
// split over volumes is joined first. The last piece's header holds the whole entry's CRC.
std::vector<EntryResult> unpackVolumes(const std::vector<fs::path>& volumes) {
    std::vector<EntryResult> results;
    SolidState state;
    std::vector<uint8_t> joined;
    bool joining = false;
    sample_walker::Entry first;
    for (const fs::path& path : volumes) {
        std::vector<uint8_t> file = readAll(path);
        sample_walker::Archive a = sample_walker::walk(file);
        for (const sample_walker::Entry& e : a.entries) {
            if (e.directory || e.encrypted || dataIsNotContent(e))
                continue;
            const uint8_t* data = file.data() + e.dataOffset;
            if (e.splitBefore != joining)
                continue; // a piece whose neighbours are not in this set
            if (e.splitBefore || e.splitAfter) {
                if (!e.splitBefore) {
                    joined.clear();
                    first = e;
                }
                joined.insert(joined.end(), data, data + e.packedSize);
                joining = e.splitAfter;
                if (joining)
                    continue;
                data = joined.data();
            }
            const uint64_t packedSize = e.splitBefore ? joined.size() : e.packedSize;
            const bool stored = e.splitBefore ? first.stored : e.stored;
            const int version = e.splitBefore ? first.version : e.version;
            EntryResult r{path.filename().string(), e.name, stored ? 0 : version, e.hasCrc, ""};
            std::vector<uint8_t> out;
            UnpackStatus status = UnpackStatus::Ok;
            if (stored) {
                out.assign(data, data + packedSize);
            } else {
                UnpackInput in;
                in.version = version;
                in.dictionarySize = e.splitBefore ? first.dictionary : e.dictionary;
                in.packed = data;
                in.packedSize = static_cast<std::size_t>(packedSize);
                in.unpackedSize = e.unpackedSize;
                in.solid = e.splitBefore ? first.solid : e.solid;
                status = unpackToBuffer(in, state, out);
            }
            if (status != UnpackStatus::Ok)
                r.outcome = statusName(status);
            else if (!e.hasCrc)
                r.outcome = "no crc";
            else if (out.size() != e.unpackedSize || crc32(out.data(), out.size()) != e.crc)
                r.outcome = "crc";
            else
                r.outcome = "pass";
            results.push_back(r);
        }
    }
    return results;
}

// The name a volume set is known by: without ".partN.rar", or without the last two letters of
// the split-file names ("_aa", "_ab", ...).
std::string volumeSetName(const std::string& name) {
    const std::string ext = ".rar";
    std::size_t part = name.rfind(".part");
    if (part != std::string::npos && name.size() > ext.size() &&
        name.compare(name.size() - ext.size(), ext.size(), ext) == 0) {
        std::string digits = name.substr(part + 5, name.size() - ext.size() - part - 5);
        if (!digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos)
            return name.substr(0, part);
    }
    std::size_t n = name.size();
    if (n > 3 && name[n - 3] == '_' && name[n - 2] == 'a' && std::islower(name[n - 1]))
        return name.substr(0, n - 3);
    return name;
}

bool samplesPresent() {
    return fs::is_directory(RR_SAMPLES_DIR);
}

// Samples made to break readers: they must fail cleanly (or decode), never crash or hang.
bool deliberatelyBroken(const std::string& name) {
    static const char* const kMarks[] = {
        "bad_",     "_leak",     "underflow", "overflow", "invalid",      "leftshift",
        "loop_bug", "truncated", "too_small", "desync",   "exceeds",      "different_",
        "noeof",    "huge",      "use_after", "unbound",  "out_of_bounds"};
    for (const char* mark : kMarks)
        if (name.find(mark) != std::string::npos)
            return true;
    return false;
}

// The families whose decompressor is in this build. The others report Unsupported.
bool implemented(int version) {
    Family f = familyOf(version);
    return version == 0 || f != Family::None;
}

} // namespace

// Prints the table of samples and outcomes; every entry of a well-formed sample that an
// implemented decompressor handles must reproduce its stored CRC32.
TEST(SampleOracle, UnpacksEntriesToTheirStoredCrc) {
    if (!samplesPresent())
        GTEST_SKIP() << "no sample archives at " << RR_SAMPLES_DIR;
    std::map<std::string, std::vector<fs::path>> sets;
    for (const auto& de : fs::directory_iterator(RR_SAMPLES_DIR))
        if (de.path().filename() != "MANIFEST.tsv" && de.path().filename() != "NOTICE")
            sets[volumeSetName(de.path().filename().string())].push_back(de.path());
    std::map<int, int> passedByVersion;
    for (auto& [name, volumes] : sets) {
        std::sort(volumes.begin(), volumes.end());
        const fs::path& p = volumes.front();
        auto t0 = std::chrono::steady_clock::now();
        std::vector<EntryResult> results = unpackVolumes(volumes);
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                        .count();
        // A guard against endless decoding, loose enough for a loaded machine under ASan.
        EXPECT_LT(ms, 120000) << p << " took too long";
        bool broken = deliberatelyBroken(p.filename().string());
        for (const EntryResult& r : results) {
            std::printf("%-52s v%-2d %-11s %s\n", r.archive.c_str(), r.version, r.outcome.c_str(),
                        r.entry.c_str());
            if (r.outcome == "pass")
                ++passedByVersion[r.version];
            if (broken || !implemented(r.version))
                continue;
            EXPECT_TRUE(r.outcome == "pass" || (!r.hasCrc && r.outcome == "no crc"))
                << r.archive << ": " << r.entry << ": " << r.outcome;
        }
    }
    for (const auto& [version, count] : passedByVersion)
        std::printf("version %d: %d entries reproduce their CRC\n", version, count);
    EXPECT_GE(passedByVersion[50], 37);
    EXPECT_GE(passedByVersion[29], 21);
}
