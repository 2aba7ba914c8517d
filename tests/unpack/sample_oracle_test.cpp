// The decompressors checked on real archives: every entry's data is unpacked and compared with
// the CRC32 its header stores.
#include "sample_walker.h"
#include "unpack/crc32.h"
#include "unpack/unpack.h"

#include <gtest/gtest.h>

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

// Unpacks, in archive order, every entry that is whole in this file and not encrypted.
std::vector<EntryResult> unpackArchive(const fs::path& path) {
    std::vector<EntryResult> results;
    std::vector<uint8_t> file = readAll(path);
    sample_walker::Archive a = sample_walker::walk(file);
    SolidState state;
    for (const sample_walker::Entry& e : a.entries) {
        if (e.directory || e.encrypted || e.splitBefore || e.splitAfter || dataIsNotContent(e))
            continue;
        EntryResult r{path.filename().string(), e.name, e.stored ? 0 : e.version, e.hasCrc, ""};
        std::vector<uint8_t> out;
        UnpackStatus status = UnpackStatus::Ok;
        if (e.stored) {
            out.assign(file.begin() + e.dataOffset, file.begin() + e.dataOffset + e.packedSize);
        } else {
            UnpackInput in;
            in.version = e.version;
            in.dictionarySize = e.dictionary;
            in.packed = file.data() + e.dataOffset;
            in.packedSize = static_cast<std::size_t>(e.packedSize);
            in.unpackedSize = e.unpackedSize;
            in.solid = e.solid;
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
    return results;
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
    std::vector<fs::path> paths;
    for (const auto& de : fs::directory_iterator(RR_SAMPLES_DIR))
        if (de.path().filename() != "MANIFEST.tsv" && de.path().filename() != "NOTICE")
            paths.push_back(de.path());
    std::sort(paths.begin(), paths.end());
    std::map<int, int> passedByVersion;
    for (const fs::path& p : paths) {
        auto t0 = std::chrono::steady_clock::now();
        std::vector<EntryResult> results = unpackArchive(p);
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                        .count();
        EXPECT_LT(ms, 20000) << p << " took too long";
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
    EXPECT_GE(passedByVersion[50], 30);
}
