// Unpacks every well-formed sample archive with our decompressors and with `bsdtar -xOf`, in
// alternating rounds of the same run, and prints the throughput of each and their ratio.
// Only archives that both unpack completely (our CRC32 checks pass, bsdtar writes every byte)
// are counted.
#include "sample_walker.h"
#include "unpack/crc32.h"
#include "unpack/unpack.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace myrar::unpack;
using Clock = std::chrono::steady_clock;

namespace {

struct Sample {
    fs::path path;
    std::vector<uint8_t> bytes;
    sample_walker::Archive archive;
    uint64_t unpacked = 0;
};

std::vector<uint8_t> readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Unpacks every entry; false unless each reproduces its CRC32. Adds the bytes made to `total`.
bool unpackAll(const Sample& s, uint64_t& total) {
    SolidState state;
    for (const sample_walker::Entry& e : s.archive.entries) {
        if (e.directory || e.service || e.packedSize == 0)
            continue;
        if (e.stored) {
            total += e.unpackedSize;
            continue;
        }
        Crc32 crc;
        uint64_t made = 0;
        UnpackInput in;
        in.version = e.version;
        in.dictionarySize = e.dictionary;
        in.packed = s.bytes.data() + e.dataOffset;
        in.packedSize = static_cast<std::size_t>(e.packedSize);
        in.unpackedSize = e.unpackedSize;
        in.solid = e.solid;
        UnpackStatus status = unpack(in, state, [&](const uint8_t* d, std::size_t n) {
            crc.update(d, n);
            made += n;
        });
        if (status != UnpackStatus::Ok || made != e.unpackedSize || crc.value() != e.crc)
            return false;
        total += made;
    }
    return true;
}

// Runs bsdtar on the archive and counts what it writes; -1 when it fails.
int64_t bsdtarBytes(const fs::path& p) {
    std::string cmd = "bsdtar -xOf '" + p.string() + "' 2>/dev/null";
    FILE* f = popen(cmd.c_str(), "r");
    if (!f)
        return -1;
    static char buf[1 << 16];
    int64_t n = 0;
    std::size_t got;
    while ((got = fread(buf, 1, sizeof buf, f)) > 0)
        n += static_cast<int64_t>(got);
    return pclose(f) == 0 ? n : -1;
}

// Samples made to break readers are no measure of speed (some make readers spin).
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

bool usable(const sample_walker::Archive& a) {
    if (a.format == 0 || a.encryptedHeaders || !a.error.empty())
        return false;
    bool compressed = false;
    for (const sample_walker::Entry& e : a.entries) {
        if (e.encrypted || e.splitBefore || e.splitAfter || !e.hasCrc)
            return false;
        if (!e.directory && !e.service && !e.stored && e.packedSize > 0)
            compressed = true;
        if (e.stored && e.packedSize != e.unpackedSize)
            return false; // links: bsdtar writes no data for them
    }
    return compressed;
}

} // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 20;
    if (!fs::is_directory(RR_SAMPLES_DIR)) {
        std::printf("no samples at %s\n", RR_SAMPLES_DIR);
        return 1;
    }
    std::vector<Sample> samples;
    for (const auto& de : fs::directory_iterator(RR_SAMPLES_DIR)) {
        Sample s;
        s.path = de.path();
        if (deliberatelyBroken(s.path.filename().string()))
            continue;
        s.bytes = readAll(s.path);
        s.archive = sample_walker::walk(s.bytes);
        if (!usable(s.archive))
            continue;
        uint64_t total = 0;
        if (!unpackAll(s, total) || bsdtarBytes(s.path) != static_cast<int64_t>(total))
            continue;
        s.unpacked = total;
        samples.push_back(std::move(s));
    }
    uint64_t bytes = 0;
    for (const Sample& s : samples) {
        bytes += s.unpacked;
        auto t0 = Clock::now();
        uint64_t total = 0;
        for (int r = 0; r < rounds; ++r)
            unpackAll(s, total);
        double t = std::chrono::duration<double>(Clock::now() - t0).count();
        std::printf("  %-48s %9llu bytes %8.1f MB/s\n", s.path.filename().string().c_str(),
                    static_cast<unsigned long long>(s.unpacked), double(total) / 1e6 / t);
    }
    double ours = 0, theirs = 0;
    for (int r = 0; r < rounds; ++r) {
        auto t0 = Clock::now();
        for (const Sample& s : samples) {
            uint64_t total = 0;
            // Reading the file is part of the work, as it is for bsdtar.
            std::vector<uint8_t> again = readAll(s.path);
            (void)again;
            unpackAll(s, total);
        }
        auto t1 = Clock::now();
        for (const Sample& s : samples)
            bsdtarBytes(s.path);
        auto t2 = Clock::now();
        ours += std::chrono::duration<double>(t1 - t0).count();
        theirs += std::chrono::duration<double>(t2 - t1).count();
    }
    double mb = double(bytes) * rounds / 1e6;
    double oursRate = mb / ours, theirsRate = mb / theirs;
    std::printf("%zu archives, %.2f MB unpacked per round, %d rounds\n", samples.size(),
                double(bytes) / 1e6, rounds);
    std::printf("myrar decompressors: %8.1f MB/s\n", oursRate);
    std::printf("bsdtar -xOf:         %8.1f MB/s\n", theirsRate);
    std::printf("ratio (ours / bsdtar): %.2f\n", oursRate / theirsRate);
    std::printf("RESULT|unpack throughput, myrar / bsdtar|%.2f|>= 1|%s\n", oursRate / theirsRate,
                oursRate >= theirsRate ? "pass" : "fail");
    return 0;
}
