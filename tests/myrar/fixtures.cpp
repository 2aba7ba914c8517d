#include "fixtures.h"

#include <cstdlib>
#include <filesystem>
#include <random>

namespace fixtures {

using rar_writer::Archive;
using rar_writer::Format;
using rar_writer::Item;

namespace {

Item file(const std::string& name, const std::string& data) {
    Item it;
    it.name = name;
    it.data = data;
    return it;
}

Item folder(const std::string& name) {
    Item it;
    it.name = name;
    it.directory = true;
    it.attributes = 0x10;
    return it;
}

} // namespace

Archive mixedRar4() {
    Archive a;
    a.format = Format::Rar4;
    a.comment = std::string(79, '-');
    a.items.push_back(file("setup.exe", "hello"));
    a.items.push_back(folder(u8"文档"));
    a.items.push_back(file(u8"文档/说明 书.txt", "abc"));
    a.items.push_back(file(u8"子目录/内部.dat", "abcdefgh"));
    Item secret = file("secret.bin", "xyz");
    secret.encrypted = true;
    a.items.push_back(secret);
    Item unix = file("run.sh", "#!/bin/sh\n");
    unix.host = rar_writer::Host::Unix;
    unix.attributes = 0100755;
    a.items.push_back(unix);
    Item plain = file(u8"旧名.txt", "");
    plain.rar4PlainName = true;
    plain.attributes = 0x21;
    a.items.push_back(plain);
    return a;
}

Archive wideRar5() {
    Archive a;
    a.format = Format::Rar5;
    // A comment that looks like a whole listing of other names.
    a.comment = u8"\r\n路径名称/注释\r\n" + std::string(79, '-') + "\r\n fake.exe\r\n" +
                std::string(79, '-') + "\r\n";
    Item big = file(u8"大文件.iso", "0123456789");
    big.declaredSize = 5000000000ULL;
    a.items.push_back(big);
    a.items.push_back(file(u8"emoji 😀 ä ǅ.txt", "12345678901234567890"));
    Item commented = file("notes.txt", "n");
    commented.fileComment = u8"第一行\r\n第二行";
    commented.streamName = "Zone.Identifier";
    a.items.push_back(commented);
    a.items.push_back(folder(u8"空目录"));
    return a;
}

Archive laterVolume() {
    Archive a;
    a.format = Format::Rar4;
    a.solid = true;
    a.volume = true;
    a.volumeNumber = 1;
    a.moreVolumes = true;
    Item from = file("part/begin.bin", std::string(100, 'a'));
    from.splitBefore = true;
    from.declaredSize = 300;
    a.items.push_back(from);
    Item both = file("part/middle.bin", std::string(50, 'b'));
    both.splitBefore = false;
    a.items.push_back(both);
    Item onto = file("part/end.bin", std::string(60, 'c'));
    onto.splitAfter = true;
    onto.declaredSize = 1000;
    a.items.push_back(onto);
    return a;
}

Archive sfxRar5() {
    Archive a;
    a.format = Format::Rar5;
    a.sfxStub = "MZ" + std::string(3000, '\x90') + "Rar!\x1A\x07" + std::string(100, 'x');
    a.items.push_back(file("readme.txt", "read me"));
    return a;
}

Archive encryptedHeaders(Format format, const std::string& password) {
    Archive a;
    a.format = format;
    a.headerPassword = password;
    a.comment = "secret comment";
    Item it = file(u8"加密/名字.txt", "data");
    it.encrypted = true;
    a.items.push_back(it);
    return a;
}

TempDir::TempDir() {
    // Unique per process and per object: tests of several programs run at once.
    static int counter = 0;
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name =
            "myrar-test-" + std::to_string(random()) + "-" + std::to_string(++counter);
        std::filesystem::path p = std::filesystem::temp_directory_path() / name;
        std::error_code ec;
        if (std::filesystem::create_directory(p, ec)) {
            dir_ = p.string();
            return;
        }
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!dir_.empty())
        std::filesystem::remove_all(dir_, ec);
}

std::string TempDir::save(const std::string& name, const Archive& a) const {
    std::string p = path(name);
    rar_writer::saveFile(p, rar_writer::write(a));
    return p;
}

} // namespace fixtures
