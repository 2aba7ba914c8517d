// Writes the listing benchmark's archives into a folder: big.rar (one stored entry of 2 GiB,
// its data a hole in a sparse file) and many.rar (20,000 small entries).
#include "rar_writer.h"

#include <cstdio>
#include <string>

#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: listing_bench_archives DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    constexpr std::uint64_t kBig = std::uint64_t(2) << 30;

    rar_writer::Archive big;
    rar_writer::Item item;
    item.name = "disk.img";
    item.declaredSize = kBig;
    item.declaredPacked = kBig;
    big.items.push_back(item);
    big.endBlock = false; // the data runs to the end of the file
    std::vector<std::uint8_t> head = rar_writer::write(big);
    std::string bigPath = dir + "/big.rar";
    if (!rar_writer::saveFile(bigPath, head) ||
        truncate(bigPath.c_str(), static_cast<off_t>(head.size() + kBig)) != 0)
        return 1;

    rar_writer::Archive many;
    for (int i = 0; i < 20000; ++i) {
        rar_writer::Item it;
        it.name = "folder" + std::to_string(i / 1000) + "/file" + std::to_string(i) + ".txt";
        it.data = "entry " + std::to_string(i) + "\n";
        many.items.push_back(it);
    }
    return rar_writer::saveFile(dir + "/many.rar", rar_writer::write(many)) ? 0 : 1;
}
