// Host file names are UTF-8, so the Chinese names here are u8 literals.
// Makes the demo folder of `scripts/run --demo`: archives to rename, a duplicate pair, one
// already named after its file, one without a matching file, and a file that only looks like
// an archive.

#include "rar_writer.h"

#include <cstdio>
#include <string>
#include <sys/stat.h>

namespace {

bool save(const std::string& path, rar_writer::Format format,
          std::initializer_list<std::string> names) {
    rar_writer::Archive archive;
    archive.format = format;
    for (const std::string& name : names) {
        rar_writer::Item item;
        item.name = name;
        item.data = "demo data of " + name;
        archive.items.push_back(item);
    }
    return rar_writer::saveFile(path, rar_writer::write(archive));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo FOLDER\n");
        return 2;
    }
    std::string dir = argv[1];
    mkdir(dir.c_str(), 0755);
    mkdir((dir + u8"/游戏").c_str(), 0755);
    using rar_writer::Format;
    bool ok = save(dir + "/a.rar", Format::Rar4, {"setup.exe", "readme.txt"}) &&
              save(dir + u8"/工具包.rar", Format::Rar5, {"data/readme.txt", "app/bin/start.exe"}) &&
              save(dir + u8"/游戏/第一份.rar", Format::Rar4, {"player.exe"}) &&
              save(dir + u8"/游戏/第二份.rar", Format::Rar5, {"player.exe"}) &&
              save(dir + u8"/游戏/game.rar", Format::Rar4, {"game.exe"}) &&
              save(dir + u8"/说明.rar", Format::Rar4, {u8"说明.txt"});
    std::FILE* fake = std::fopen((dir + "/not-an-archive.rar").c_str(), "wb");
    if (fake != nullptr) {
        std::fputs("this is plain text, not an archive\n", fake);
        std::fclose(fake);
    }
    return ok && fake != nullptr ? 0 : 1;
}
