#include "soak_tree.h"

#include "rar_writer.h"

#include <windows.h>

#include <cstdio>
#include <functional>
#include <map>
#include <optional>

namespace soak {

namespace {

using rar_writer::Format;

constexpr char kOurPassword[] = "qk5913";
constexpr char kOtherPassword[] = "not-ours";
constexpr int kLevelsPerGroup = 3; // d<g>, d<g>\sub, d<g>\sub\深层
constexpr UINT kCp936 = 936;

std::string utf8FromCp936(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    int wide =
        MultiByteToWideChar(kCp936, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(kCp936, 0, text.data(), static_cast<int>(text.size()), w.data(), wide);
    int narrow = WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(narrow), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, out.data(), narrow, nullptr, nullptr);
    return out;
}

std::string slashed(std::string name) {
    for (char& c : name) {
        if (c == '\\') {
            c = '/';
        }
    }
    return name;
}

// Entry names are given in code page 936 with "\" between folders, as the tool shows them.
rar_writer::Archive archiveOf(Format format, std::initializer_list<std::string> names) {
    rar_writer::Archive a;
    a.format = format;
    for (const std::string& name : names) {
        rar_writer::Item item;
        item.name = utf8FromCp936(slashed(name));
        item.data = "soak data of " + name;
        a.items.push_back(item);
    }
    return a;
}

std::string bytesOf(const rar_writer::Archive& a) {
    std::vector<std::uint8_t> b = rar_writer::write(a);
    return std::string(b.begin(), b.end());
}

std::string folderName(int folder) {
    std::string group = "d" + std::to_string(folder / kLevelsPerGroup);
    switch (folder % kLevelsPerGroup) {
    case 0:
        return group;
    case 1:
        return group + "\\sub";
    default:
        return group + "\\sub\\深层";
    }
}

// Archives with encrypted headers cost a key derivation each to write, so the few kinds are
// written once and copied into every folder.
struct EncryptedBlobs {
    std::string ours[2];
    std::string theirs[2];
    EncryptedBlobs() {
        const Format formats[2] = {Format::Rar4, Format::Rar5};
        for (int i = 0; i < 2; ++i) {
            rar_writer::Archive a = archiveOf(formats[i], {"secret.exe", "readme.txt"});
            a.headerPassword = kOurPassword;
            ours[i] = bytesOf(a);
            rar_writer::Archive b = archiveOf(formats[i], {"hidden.exe"});
            b.headerPassword = kOtherPassword;
            theirs[i] = bytesOf(b);
        }
    }
};

class Builder {
public:
    explicit Builder(Tree& tree) : tree_(tree) {}

    bool folder(int index) {
        folder_ = folderName(index);
        if (!CreateDirectoryA((tree_.root + "\\" + folder_).c_str(), nullptr)) {
            return false;
        }
        const int alt = index % 2;
        const Format other = alt == 0 ? Format::Rar5 : Format::Rar4;
        for (int i = 0; i < 17; ++i) {
            std::string n = next();
            renamed("rar4", "a" + n + ".rar",
                    archiveOf(Format::Rar4, {"readme.txt", "bin\\t" + n + ".exe"}),
                    "t" + n + ".rar");
        }
        for (int i = 0; i < 13; ++i) {
            std::string n = next();
            renamed("rar5", "b" + n + ".rar",
                    archiveOf(Format::Rar5, {"data\\x.txt", "app\\bin\\u" + n + ".exe"}),
                    "u" + n + ".rar");
        }
        for (Format f : {Format::Rar4, Format::Rar5}) {
            std::string n = next();
            renamed("chinese", "压缩包" + n + ".rar",
                    archiveOf(f, {"资料\\说明.txt", "程序\\工具" + n + ".exe"}),
                    "工具" + n + ".rar");
        }
        std::string up = next();
        // Not "UP<n>.RAR": that is the new name itself, letter case aside, and stays as it is.
        renamed("upper case", "UPPER" + up + ".RAR", archiveOf(other, {"Up" + up + ".EXE"}),
                "Up" + up + ".rar");
        std::string pair = next();
        duplicatePair(pair);
        for (Format f : {Format::Rar4, Format::Rar5}) {
            std::string n = next();
            add("taken by a file", "tk" + n + ".rar", bytesOf(archiveOf(f, {"k" + n + ".exe"})),
                Fate::Recycled);
            add("the taking file", "k" + n + ".rar", "plain text under the name it takes\r\n",
                Fate::Untouched);
        }
        for (Format f : {Format::Rar4, Format::Rar5}) {
            std::string n = next();
            add("already named", "n" + n + ".rar", bytesOf(archiveOf(f, {"n" + n + ".exe"})),
                Fate::Untouched);
        }
        for (int i = 0; i < 3; ++i) {
            std::string n = next();
            add("no match", "m" + n + ".rar",
                bytesOf(archiveOf(i == 1 ? Format::Rar5 : Format::Rar4,
                                  {"readme.txt", "data.bin", "setup.exe.txt"})),
                Fate::Untouched);
        }
        renamedBytes("encrypted, our password", "enc" + next() + ".rar", blobs_.ours[alt],
                     "secret.rar");
        add("encrypted, other password", "encx" + next() + ".rar", blobs_.theirs[alt],
            Fate::Untouched);
        add("not an archive", "fake" + next() + ".rar", "Rar! is not enough to be an archive\n",
            Fate::Untouched);
        add("empty", "empty" + next() + ".rar", "", Fate::Untouched);
        volumes(next(), other);
        std::string n = next();
        add("not .rar", "notes" + n + ".txt", "notes\r\n", Fate::Untouched, false);
        add("not .rar", "setup" + n + ".exe", "MZ", Fate::Untouched, false);
        add("not .rar", "a" + n + ".rar.bak",
            bytesOf(archiveOf(Format::Rar4, {"bak" + n + ".exe"})), Fate::Untouched, false);
        return ok_;
    }

    // Which of each pair the walk meets first takes the name; the tool lists a folder in the
    // order the file system gives, so the same listing tells.
    void settlePairs() {
        std::map<std::string, std::map<std::string, int>> orders;
        for (const auto& [first, second] : pairs_) {
            std::string folder = folderOf(tree_.files[first].relative);
            auto it = orders.find(folder);
            if (it == orders.end()) {
                it = orders.emplace(folder, listingOrder(tree_.root + "\\" + folder)).first;
            }
            const std::map<std::string, int>& order = it->second;
            auto place = [&](std::size_t file) {
                const std::string& rel = tree_.files[file].relative;
                auto found = order.find(rel.substr(folder.size() + 1));
                return found == order.end() ? -1 : found->second;
            };
            bool firstWins = place(first) < place(second);
            Expected& winner = tree_.files[firstWins ? first : second];
            Expected& loser = tree_.files[firstWins ? second : first];
            winner.fate = Fate::Renamed;
            loser.fate = Fate::Recycled;
            loser.newName.clear();
        }
    }

private:
    std::string next() { return std::to_string(++counter_); }

    void add(const std::string& kind, const std::string& name, const std::string& bytes, Fate fate,
             bool isRar = true, const std::string& newName = {}) {
        Expected e;
        e.kind = kind;
        e.relative = folder_ + "\\" + name;
        e.bytes = bytes;
        e.fate = fate;
        e.newName = newName;
        std::vector<std::uint8_t> raw(bytes.begin(), bytes.end());
        ok_ = ok_ && rar_writer::saveFile(tree_.root + "\\" + e.relative, raw);
        tree_.files.push_back(std::move(e));
        tree_.rarFiles += isRar ? 1 : 0;
    }
    void renamed(const std::string& kind, const std::string& name, const rar_writer::Archive& a,
                 const std::string& newName) {
        renamedBytes(kind, name, bytesOf(a), newName);
    }
    void renamedBytes(const std::string& kind, const std::string& name, const std::string& bytes,
                      const std::string& newName) {
        add(kind, name, bytes, Fate::Renamed, true, newName);
    }

    void duplicatePair(const std::string& n) {
        std::string target = "same" + n + ".rar";
        std::size_t first = tree_.files.size();
        add("duplicate", "dupa" + n + ".rar",
            bytesOf(archiveOf(Format::Rar4, {"same" + n + ".exe"})), Fate::Renamed, true, target);
        add("duplicate", "dupb" + n + ".rar",
            bytesOf(archiveOf(Format::Rar5, {"x\\same" + n + ".exe"})), Fate::Renamed, true,
            target);
        pairs_.emplace_back(first, first + 1);
    }

    void volumes(const std::string& n, Format format) {
        rar_writer::Archive first = archiveOf(format, {"big" + n + ".exe"});
        first.volume = first.firstVolume = first.moreVolumes = true;
        first.items[0].splitAfter = true;
        add("volume", "set" + n + ".part1.rar", bytesOf(first), Fate::Untouched);
        rar_writer::Archive second = archiveOf(format, {"big" + n + ".exe"});
        second.volume = true;
        second.volumeNumber = 1;
        second.items[0].splitBefore = true;
        add("volume", "set" + n + ".part2.rar", bytesOf(second), Fate::Untouched);
    }

    static std::map<std::string, int> listingOrder(const std::string& folder) {
        std::map<std::string, int> order;
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileExA((folder + "\\*.*").c_str(), FindExInfoBasic, &data,
                                       FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
        if (find == INVALID_HANDLE_VALUE) {
            return order;
        }
        int place = 0;
        do {
            order.emplace(data.cFileName, place++);
        } while (FindNextFileA(find, &data));
        FindClose(find);
        return order;
    }

    Tree& tree_;
    EncryptedBlobs blobs_;
    std::string folder_;
    int counter_ = 0;
    bool ok_ = true;
    std::vector<std::pair<std::size_t, std::size_t>> pairs_;
};

} // namespace

std::string folderOf(const std::string& relative) {
    std::size_t cut = relative.rfind('\\');
    return cut == std::string::npos ? std::string() : relative.substr(0, cut);
}

Tree makeTree(const std::string& root, int archives) {
    Tree tree;
    tree.root = root;
    if (!CreateDirectoryA(root.c_str(), nullptr)) {
        return tree;
    }
    Builder builder(tree);
    for (int folder = 0; tree.rarFiles < archives; ++folder) {
        if (!builder.folder(folder)) {
            tree.files.clear();
            return tree;
        }
    }
    builder.settlePairs();
    return tree;
}

bool writeManifest(const Tree& tree, const std::string& path) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    for (const Expected& e : tree.files) {
        const char* fate = e.fate == Fate::Untouched  ? "untouched"
                           : e.fate == Fate::Recycled ? "recycled"
                                                      : e.newName.c_str();
        std::fprintf(out, "%s\t%s\t%s\r\n", e.kind.c_str(), e.relative.c_str(), fate);
    }
    return std::fclose(out) == 0;
}

} // namespace soak
