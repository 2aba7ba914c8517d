#pragma once
// Archives the listing tests share, made with the test-only writer.

#include "rar_writer.h"

#include <string>

namespace fixtures {

rar_writer::Archive mixedRar4();   // comment, GBK names, folders, encrypted, Unix host
rar_writer::Archive wideRar5();    // big sizes, non-GBK name, file comment, stream
rar_writer::Archive laterVolume(); // RAR4 solid volume 2 with continued entries
rar_writer::Archive sfxRar5();     // behind an executable stub
rar_writer::Archive encryptedHeaders(rar_writer::Format format, const std::string& password);

// A directory of its own below the system's temporary directory, removed with its files.
class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    std::string save(const std::string& name, const rar_writer::Archive& a) const;

private:
    std::string dir_;
};

} // namespace fixtures
