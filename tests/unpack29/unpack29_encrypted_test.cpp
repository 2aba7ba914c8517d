// The oracle on the encrypted samples: each RAR 2.9/3.x entry is decrypted with the
// archive's password, unpacked (solid archives through one stream) and compared with the
// size and CRC32 its header stores.
#include "archive_reader.h"
#include "entry_decrypt.h"
#include "unpack/crc32.h"
#include "unpack/unpack.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

using namespace myrar;

namespace {

const std::string kSamples = RR_SAMPLES_DIR;

struct SampleCase {
    const char* file;
    const char* password;
    int unpacked; // entries that must reproduce their CRC
    int failing;  // entries that must fail cleanly
};

std::ostream& operator<<(std::ostream& os, const SampleCase& c) {
    return os << c.file;
}

struct Outcome {
    int unpacked = 0;
    int failing = 0;
    std::string notes;
};

bool isV29(const Entry& e) {
    return unpack::familyOf(static_cast<int>(e.unpackVersion)) == unpack::Family::V29 &&
           e.kind != EntryKind::Directory;
}

// True when the entry's data reproduces its CRC32.
bool unpackEntry(const Entry& e, std::vector<uint8_t> data, const std::string& password,
                 unpack::SolidState& stream, std::string& why) {
    if (e.encryption.encrypted) {
        DecryptStatus d = decryptEntryData(e, password, data);
        if (d != DecryptStatus::Ok) {
            why = "not decrypted";
            return false;
        }
    }
    std::vector<uint8_t> out;
    if (e.method == 0) {
        if (data.size() < e.unpackedSize) {
            why = "short";
            return false;
        }
        out.assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(e.unpackedSize));
    } else {
        unpack::UnpackInput in;
        in.version = static_cast<int>(e.unpackVersion);
        in.dictionarySize = e.dictionarySize;
        in.packed = data.data();
        in.packedSize = data.size();
        in.unpackedSize = e.unpackedSize;
        in.solid = e.solid;
        unpack::UnpackStatus s = unpack::unpackToBuffer(in, stream, out);
        if (s != unpack::UnpackStatus::Ok) {
            why = unpack::statusName(s);
            return false;
        }
    }
    if (out.size() != e.unpackedSize || unpack::crc32(out.data(), out.size()) != e.crc32) {
        why = "crc";
        return false;
    }
    why = "pass";
    return true;
}

Outcome runSample(const SampleCase& c) {
    Outcome o;
    FileSource file;
    if (!file.open(kSamples + "/" + c.file)) {
        o.notes = "cannot open";
        return o;
    }
    ArchiveReader reader;
    if (reader.open(file, std::string(c.password)) != Status::Ok) {
        o.notes = "not opened";
        return o;
    }
    unpack::SolidState stream;
    Entry e;
    while (reader.next(e) == Status::Ok) {
        if (!isV29(e))
            continue;
        std::vector<uint8_t> data(static_cast<std::size_t>(e.packedSize));
        std::string why = "data not in the file";
        bool ok = e.dataOffset + e.packedSize <= file.size() &&
                  file.readAt(e.dataOffset, data.data(), data.size()) &&
                  unpackEntry(e, std::move(data), c.password, stream, why);
        ++(ok ? o.unpacked : o.failing);
        o.notes += "\n  " + e.rawName + ": " + why;
    }
    return o;
}

class Unpack29Encrypted : public ::testing::TestWithParam<SampleCase> {};

TEST_P(Unpack29Encrypted, EntriesMatchTheirHeadersCrc) {
    if (!std::filesystem::is_directory(kSamples))
        GTEST_SKIP() << "sample archives not found at " << kSamples;
    const SampleCase& c = GetParam();
    Outcome o = runSample(c);
    EXPECT_EQ(o.unpacked, c.unpacked) << o.notes;
    EXPECT_EQ(o.failing, c.failing) << o.notes;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Unpack29Encrypted,
    ::testing::Values(
        SampleCase{"read_format_rar_encryption_data.rar", "12345678", 2, 0},
        SampleCase{"read_format_rar_encryption_partially.rar", "12345678", 2, 0},
        SampleCase{"read_format_rar_encryption_header.rar", "12345678", 2, 0},
        // d.txt was encrypted with another password: it decrypts to noise and must fail.
        SampleCase{"read_format_rar4_encrypted.rar", "password", 3, 1},
        SampleCase{"read_format_rar4_encrypted_filenames.rar", "password", 4, 0},
        SampleCase{"read_format_rar4_solid_encrypted.rar", "password", 4, 0},
        SampleCase{"read_format_rar4_solid_encrypted_filenames.rar", "password", 4, 0},
        // A wrong password: the solid stream's entries all fail, none is taken for good.
        SampleCase{"read_format_rar4_solid_encrypted.rar", "wrong", 0, 4}));

} // namespace
