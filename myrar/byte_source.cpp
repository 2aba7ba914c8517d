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

// Headers are small: a short buffer keeps each seek from pulling in a large block of data.
constexpr std::size_t kFileBufferSize = 512;

} // namespace

FileSource::~FileSource() {
    if (file_)
        std::fclose(file_);
}

bool FileSource::open(const std::string& path) {
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_)
        return false;
    std::setvbuf(file_, nullptr, _IOFBF, kFileBufferSize);
    size_ = tellEnd(file_);
    position_ = UINT64_MAX;
    return true;
}

bool FileSource::readAt(std::uint64_t offset, void* dst, std::size_t n) {
    if (!file_ || offset > size_ || n > size_ - offset)
        return false;
    if (position_ != offset && seekTo(file_, offset) != 0) {
        position_ = UINT64_MAX;
        return false;
    }
    std::size_t got = std::fread(dst, 1, n, file_);
    bytesRead_ += got;
    if (got != n) {
        position_ = UINT64_MAX;
        return false;
    }
    position_ = offset + n;
    return true;
}

} // namespace myrar
