// Every shared real-world sample lists without a crash or a hang, with the names an
// independent reader found, and encrypted-name samples need their password.
#include "archive_reader.h"
#include "exit_codes.h"
#include "listing.h"
#include "text_codec.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

const std::string kSamples = RR_SAMPLES_DIR;

// Samples where the independent reader's names are not the archive's: one fails its header
// CRCs (that reader does not check them), one holds a zip whose inner names it listed.
const char* const kNamesDiffer[] = {"read_format_rar5_decode_number_out_of_bounds_read.rar",
                                    "read_format_rar5_zip_in_rar.rar"};

bool namesDiffer(const std::string& file) {
    for (const char* f : kNamesDiffer)
        if (file == f)
            return true;
    return false;
}

struct Sample {
    std::string file;
    std::optional<std::string> password;
    std::optional<std::vector<std::string>> names;
};

std::vector<std::string> splitAt(const std::string& s, char sep) {
    std::vector<std::string> out;
    std::stringstream in(s);
    std::string piece;
    while (std::getline(in, piece, sep))
        out.push_back(piece);
    return out;
}

std::vector<Sample> manifest() {
    std::vector<Sample> out;
    std::ifstream in(kSamples + "/MANIFEST.tsv");
    std::string line;
    std::getline(in, line); // column titles
    while (std::getline(in, line)) {
        auto cols = splitAt(line, '\t');
        if (cols.size() < 3)
            continue;
        Sample s{cols[0], std::nullopt, std::nullopt};
        if (cols[1] != "-")
            s.password = cols[1];
        if (cols[2] != "-")
            s.names = splitAt(cols[2], '|');
        out.push_back(s);
    }
    return out;
}

// Entry names in UTF-8 with "/" between folders, as the independent reader gives them.
std::vector<std::string> entryNames(const std::string& path,
                                    const std::optional<std::string>& password) {
    std::vector<std::string> names;
    myrar::FileSource source;
    if (!source.open(path))
        return names;
    myrar::ArchiveReader reader;
    if (reader.open(source, password) != myrar::Status::Ok)
        return names;
    myrar::Entry e;
    while (reader.next(e) == myrar::Status::Ok) {
        if (e.kind != myrar::EntryKind::File && e.kind != myrar::EntryKind::Directory)
            continue;
        std::string n = e.hasUnicodeName ? myrar::wideToUtf8(e.unicodeName) : e.rawName;
        for (char& c : n)
            if (c == '\\')
                c = '/';
        names.push_back(n);
    }
    return names;
}

class Samples : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kSamples + "/MANIFEST.tsv"))
            GTEST_SKIP() << "shared samples not found at " << kSamples;
    }
};

TEST_F(Samples, EveryOneListsQuicklyWithTheIndependentReadersNames) {
    int withNames = 0;
    for (const Sample& s : manifest()) {
        SCOPED_TRACE(s.file);
        std::string path = kSamples + "/" + s.file;
        auto start = std::chrono::steady_clock::now();
        myrar::CommandOutput out;
        int code = myrar::listArchive(path, s.password.value_or("qk5913"), out);
        auto took = std::chrono::steady_clock::now() - start;
        EXPECT_LT(took, std::chrono::seconds(10));
        EXPECT_EQ(out.out.compare(0, myrar::bannerLines().size(), myrar::bannerLines()), 0);
        if (!s.names || namesDiffer(s.file))
            continue;
        ++withNames;
        // Some samples are damaged after their entries: listed, then reported.
        EXPECT_TRUE(code == myrar::kExitOk || code == myrar::kExitDamaged) << out.err;
        EXPECT_EQ(entryNames(path, s.password), *s.names);
    }
    EXPECT_GT(withNames, 0);
}

TEST_F(Samples, EncryptedNamesNeedTheirPassword) {
    int seen = 0;
    for (const Sample& s : manifest()) {
        if (!s.password || s.file.find("encrypted_filenames") == std::string::npos)
            continue;
        SCOPED_TRACE(s.file);
        ++seen;
        std::string path = kSamples + "/" + s.file;
        myrar::CommandOutput with;
        EXPECT_EQ(myrar::listArchive(path, s.password, with), myrar::kExitOk);
        EXPECT_NE(with.out.find("*a.txt\r\n"), std::string::npos);
        for (const std::optional<std::string>& pw :
             {std::optional<std::string>(), std::optional<std::string>("qk5913")}) {
            myrar::CommandOutput without;
            EXPECT_EQ(myrar::listArchive(path, pw, without), myrar::kExitPassword);
            EXPECT_EQ(without.out, myrar::bannerLines());
            EXPECT_NE(without.err, "");
        }
    }
    EXPECT_GE(seen, 2);
}

} // namespace
