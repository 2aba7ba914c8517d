#include "byte_source.h"

#include <cstring>

namespace myrar {

bool MemorySource::readAt(std::uint64_t offset, void* dst, std::size_t n) {
    if (offset > bytes_.size() || n > bytes_.size() - offset)
        return false;
    if (n != 0)
        std::memcpy(dst, bytes_.data() + offset, n);
    bytesRead_ += n;
    return true;
}

namespace {

int seekTo(std::FILE* f, std::uint64_t offset) {
#ifdef _WIN32
    return _fseeki64(f, static_cast<long long>(offset), SEEK_SET);
#else
    return fseeko(f, static_cast<off_t>(offset), SEEK_SET);
#endif
}

std::uint64_t tellEnd(std::FILE* f) {
#ifdef _WIN32
    if (_fseeki64(f, 0, SEEK_END) != 0)
        return 0;
    long long end = _ftelli64(f);
#else
    if (fseeko(f, 0, SEEK_END) != 0)
        return 0;
    off_t end = ftello(f);
#endif
    return end < 0 ? 0 : static_cast<std::uint64_t>(end);
}

// Large enough that a run of small entries is read in few calls, small enough that an
// archive with huge entries reads little more than its headers.
constexpr std::size_t kWindowSize = 64 * 1024;

} // namespace

FileSource::~FileSource() {
    if (file_)
        std::fclose(file_);
}

bool FileSource::open(const std::string& path) {
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_)
        return false;
    std::setvbuf(file_, nullptr, _IONBF, 0);
    size_ = tellEnd(file_);
    window_.clear();
    return true;
}

bool FileSource::fill(std::uint64_t offset) {
    window_.clear();
    std::uint64_t left = size_ - offset;
    std::size_t n = left < kWindowSize ? static_cast<std::size_t>(left) : kWindowSize;
    if (seekTo(file_, offset) != 0)
        return false;
    window_.resize(n);
    std::size_t got = std::fread(window_.data(), 1, n, file_);
    bytesRead_ += got;
    window_.resize(got);
    windowStart_ = offset;
    return got == n;
}

bool FileSource::readAt(std::uint64_t offset, void* dst, std::size_t n) {
    if (!file_ || offset > size_ || n > size_ - offset)
        return false;
    auto* out = static_cast<std::uint8_t*>(dst);
    while (n > 0) {
        bool inside =
            !window_.empty() && offset >= windowStart_ && offset < windowStart_ + window_.size();
        if (!inside && !fill(offset))
            return false;
        std::size_t at = static_cast<std::size_t>(offset - windowStart_);
        std::size_t take = window_.size() - at < n ? window_.size() - at : n;
        std::memcpy(out, window_.data() + at, take);
        out += take;
        offset += take;
        n -= take;
    }
    return true;
}

} // namespace myrar
