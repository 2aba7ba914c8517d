#include "archive_reader.h"

#include <cstring>
#include <vector>

namespace myrar {

namespace {

constexpr std::size_t kSearchChunk = 64 * 1024;
constexpr std::size_t kSignaturePrefix = 6; // "Rar!" 1A 07, common to both formats

const ArchiveInfo kNoInfo{};

} // namespace

Status ArchiveReader::tryAt(ByteSource& source, std::uint64_t offset,
                            const std::optional<std::string>& password) {
    std::uint8_t sig[8] = {};
    std::uint64_t left = source.size() - offset;
    std::size_t n = left < sizeof sig ? static_cast<std::size_t>(left) : sizeof sig;
    if (!source.readAt(offset, sig, n))
        return Status::ReadError;
    rar4.reset();
    rar5.reset();
    if (n >= sizeof kRar5Signature && std::memcmp(sig, kRar5Signature, sizeof sig) == 0) {
        rar5 = std::make_unique<Rar5Reader>(source);
        return rar5->open(offset, password);
    }
    if (n >= sizeof kRar4Signature &&
        std::memcmp(sig, kRar4Signature, sizeof kRar4Signature) == 0) {
        rar4 = std::make_unique<Rar4Reader>(source);
        return rar4->open(offset, password);
    }
    return Status::NotArchive;
}

Status ArchiveReader::open(ByteSource& source, const std::optional<std::string>& password) {
    if (source.size() == 0)
        return Status::NotArchive;
    Status atStart = tryAt(source, 0, password);
    if (atStart != Status::NotArchive)
        return atStart;
    // Behind an executable stub: the first signature whose main header reads is the
    // archive. Candidates whose headers do not read are taken for bytes of the stub.
    std::uint64_t limit = source.size() < kSfxSearchLimit ? source.size() : kSfxSearchLimit;
    std::vector<std::uint8_t> chunk(kSearchChunk + kSignaturePrefix);
    for (std::uint64_t base = 0; base < limit; base += kSearchChunk) {
        std::uint64_t left = source.size() - base;
        std::size_t n = left < chunk.size() ? static_cast<std::size_t>(left) : chunk.size();
        if (n < kSignaturePrefix || !source.readAt(base, chunk.data(), n))
            break;
        for (std::size_t i = 0; i + kSignaturePrefix <= n && i < kSearchChunk; ++i) {
            if (base + i == 0 || base + i >= limit)
                continue;
            if (std::memcmp(chunk.data() + i, kRar4Signature, kSignaturePrefix) != 0)
                continue;
            Status s = tryAt(source, base + i, password);
            if (s != Status::NotArchive && s != Status::Damaged)
                return s;
        }
    }
    rar4.reset();
    rar5.reset();
    return Status::NotArchive;
}

Status ArchiveReader::next(Entry& out) {
    if (rar5)
        return rar5->next(out);
    if (rar4)
        return rar4->next(out);
    return Status::End;
}

const ArchiveInfo& ArchiveReader::info() const {
    if (rar5)
        return rar5->info();
    if (rar4)
        return rar4->info();
    return kNoInfo;
}

std::uint64_t ArchiveReader::volumeNumber() const {
    const ArchiveInfo& i = info();
    if (i.hasVolumeNumber)
        return i.volumeNumber + 1;
    if (i.firstVolume)
        return 1;
    return 0;
}

} // namespace myrar
