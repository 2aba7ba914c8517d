#pragma once
// Random-access bytes the readers walk: a file on disk or a buffer in memory. Readers ask
// only for header bytes and seek over data areas, so reads stay small.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace myrar {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Reads exactly n bytes at offset; false when they are not all there or reading fails.
    virtual bool readAt(std::uint64_t offset, void* dst, std::size_t n) = 0;
    std::uint64_t bytesRead() const { return bytesRead_; }

protected:
    std::uint64_t bytesRead_ = 0;
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    MemorySource(const std::uint8_t* data, std::size_t n) : bytes_(data, data + n) {}
    std::uint64_t size() const override { return bytes_.size(); }
    bool readAt(std::uint64_t offset, void* dst, std::size_t n) override;

private:
    std::vector<std::uint8_t> bytes_;
};

// A file opened for reading by its name in the ANSI code page (CP936 on the target).
class FileSource : public ByteSource {
public:
    FileSource() = default;
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    bool open(const std::string& path);
    std::uint64_t size() const override { return size_; }
    bool readAt(std::uint64_t offset, void* dst, std::size_t n) override;

private:
    bool fill(std::uint64_t offset);

    std::FILE* file_ = nullptr;
    std::uint64_t size_ = 0;
    // One window of the file: headers that lie close together cost one read.
    std::vector<std::uint8_t> window_;
    std::uint64_t windowStart_ = 0;
};

} // namespace myrar
