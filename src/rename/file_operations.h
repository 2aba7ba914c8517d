#pragma once
// The file operations the renaming loop needs, behind an interface so the loop is tested
// without a disk. The Windows ones live in platform/.

#include <cstdint>
#include <optional>
#include <string>

namespace rr::rename {

// Which file a path names, and what it looked like: the file identity (volume serial number
// and file index) tells two names of one file apart from two files; size and write time tell
// a file that changed.
struct FileStamp {
    std::uint32_t volumeSerial = 0;
    std::uint64_t fileIndex = 0;
    std::uint64_t size = 0;
    std::uint64_t writeTime = 0;

    bool sameFileAs(const FileStamp& other) const {
        return volumeSerial == other.volumeSerial && fileIndex == other.fileIndex;
    }
    bool operator==(const FileStamp& other) const {
        return sameFileAs(other) && size == other.size && writeTime == other.writeTime;
    }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};

class FileOperations {
public:
    virtual ~FileOperations() = default;
    // The stamp of the plain file under `path`; nothing when there is none (or a directory).
    virtual std::optional<FileStamp> stamp(const std::string& path) = 0;
    // True when anything (file or directory) exists under `path`.
    virtual bool exists(const std::string& path) = 0;
    // Renames; fails, changing nothing, when `to` is taken.
    virtual bool rename(const std::string& from, const std::string& to) = 0;
    // Sends the file to the Recycle Bin without asking; true when the file system reports it
    // done.
    virtual bool recycle(const std::string& path) = 0;
};

} // namespace rr::rename
