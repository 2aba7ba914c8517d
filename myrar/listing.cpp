#include "listing.h"

#include "archive_reader.h"
#include "comment_unpacker.h"
#include "exit_codes.h"
#include "text_codec.h"

#include <cstdio>
#include <vector>

namespace myrar {

namespace {

const char* const kLineEnd = "\r\n";
const char kSeparator[] =
    "-------------------------------------------------------------------------------";
const char kTitleLine[] =
    "                  大小     压缩  比率  日期   时间     属性      CRC   方法版本";
const char kPathTitle[] = "路径名称/注释";
const char kNoFiles[] = "  0 文件";
const char kCommentPrefix[] = "注释: ";
// A comment whose data or CRC is wrong is not shown; the error output says why.
const char kDamagedComment[] = ": 注释已损坏";
const char kVolumeWord[] = "卷 ";
constexpr char kCtrlZ = 0x1A;
constexpr char kEscape = 0x1B;
constexpr unsigned kRatioCap = 999;
constexpr std::uint64_t kSmallestDictionary = 64 * 1024;

// DOS attribute bits in the order the column shows them.
struct AttributeBit {
    std::uint32_t bit;
    char letter;
};
constexpr AttributeBit kDosBits[] = {{0x08, 'V'}, {0x10, 'D'}, {0x01, 'R'}, {0x02, 'H'},
                                     {0x04, 'S'}, {0x20, 'A'}, {0x800, 'C'}};

std::string rightAligned(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string number(std::uint64_t v) {
    return std::to_string(v);
}

unsigned ratio(std::uint64_t packed, std::uint64_t unpacked) {
    if (unpacked == 0)
        return 0;
    long double r = static_cast<long double>(packed) * 100 / static_cast<long double>(unpacked);
    return r > kRatioCap ? kRatioCap : static_cast<unsigned>(r);
}

std::string twoDigits(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v % 100 < 0 ? 0 : v % 100);
    return buf;
}

std::string dateTime(int day, int month, int year, int hour, int minute) {
    return twoDigits(day) + "-" + twoDigits(month) + "-" + twoDigits(year) + " " + twoDigits(hour) +
           ":" + twoDigits(minute);
}

std::string dosAttributes(std::uint32_t attributes) {
    std::string s = " ";
    for (const AttributeBit& b : kDosBits)
        s.push_back((attributes & b.bit) ? b.letter : '.');
    return s + "  ";
}

std::string unixAttributes(std::uint32_t mode, bool directory) {
    std::string s;
    std::uint32_t type = mode & 0xF000;
    s.push_back(type == 0x4000 || directory ? 'd' : type == 0xA000 ? 'l' : '-');
    const char* rwx = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i)
        s.push_back((mode & (0400u >> i)) ? rwx[i] : '-');
    return s;
}

std::string hex8(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>(v));
    return buf;
}

// A comment holding an escape sequence ESC [ digits/semicolons " could redefine keys on
// an ANSI console; such a comment is left out whole.
bool holdsEscapeSequence(const std::string& text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != kEscape || text[i + 1] != '[')
            continue;
        std::size_t j = i + 2;
        while (j < text.size() && ((text[j] >= '0' && text[j] <= '9') || text[j] == ';'))
            ++j;
        if (j < text.size() && text[j] == '"')
            return true;
    }
    return false;
}

// The comment's lines, each ending CR LF; cut at the first Ctrl-Z.
std::string commentLines(std::string text) {
    std::size_t z = text.find(kCtrlZ);
    if (z != std::string::npos)
        text.resize(z);
    std::string out;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t nl = text.find('\n', start);
        std::size_t end = nl == std::string::npos ? text.size() : nl;
        std::size_t lineEnd = end > start && text[end - 1] == '\r' ? end - 1 : end;
        out += text.substr(start, lineEnd - start) + kLineEnd;
        if (nl == std::string::npos)
            break;
        start = nl + 1;
    }
    return out;
}

std::string commentForDisplay(const Entry& comment, const ArchiveInfo& info, ByteSource& source,
                              const std::optional<std::string>& password, bool& ok,
                              bool* damaged = nullptr) {
    std::string text;
    CommentResult r = readComment(comment, source, password, text);
    ok = r == CommentResult::Ok;
    if (damaged)
        *damaged = r == CommentResult::Damaged;
    if (!ok)
        return {};
    if (info.format == Format::Rar5)
        text = utf8ToCp936(text);
    if (holdsEscapeSequence(text)) {
        ok = false;
        return {};
    }
    return text;
}

std::string archiveLine(const ArchiveInfo& info, const std::string& path) {
    std::string word;
    if (info.solid)
        word = "固实 ";
    if (info.sfx)
        word += "SFX ";
    if (info.solid)
        word += info.volume ? "volume" : "archive";
    else
        word += info.volume ? "卷" : "压缩包";
    return word + " " + path;
}

// Volume number from a name such as x.part3.rar or x.r01, for archives that do not store
// it; 0 when the name does not tell.
std::uint64_t volumeFromName(const std::string& path) {
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos)
        return 0;
    std::string ext = path.substr(dot + 1);
    if (ext.size() == 3 && (ext[0] == 'r' || ext[0] == 'R') && ext[1] >= '0' && ext[1] <= '9' &&
        ext[2] >= '0' && ext[2] <= '9')
        return static_cast<std::uint64_t>((ext[1] - '0') * 10 + (ext[2] - '0')) + 2;
    std::string stem = path.substr(0, dot);
    std::size_t digitsEnd = stem.size();
    std::size_t digitsStart = digitsEnd;
    while (digitsStart > 0 && stem[digitsStart - 1] >= '0' && stem[digitsStart - 1] <= '9')
        --digitsStart;
    if (digitsStart == digitsEnd || digitsStart < 5)
        return 0;
    std::string part = stem.substr(digitsStart - 5, 5);
    for (char& c : part)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    if (part != ".part")
        return 0;
    return std::stoull(stem.substr(digitsStart, digitsEnd - digitsStart).substr(0, 9));
}

int failure(Status s, const std::string& path, CommandOutput& output) {
    switch (s) {
    case Status::NotArchive:
        output.out += kLineEnd + path + " 不是 RAR 压缩包";
        return kExitNotArchive;
    case Status::NeedPassword:
        output.err += path + ": 文件头已加密，需要密码" + kLineEnd;
        return kExitPassword;
    case Status::BadPassword:
        output.err += path + ": 密码错误，或压缩包已损坏" + kLineEnd;
        return kExitPassword;
    case Status::Unsupported:
        output.err += path + ": 不支持的压缩包格式或加密方式" + kLineEnd;
        return kExitUnsupported;
    case Status::ReadError:
        output.err += path + ": 读取出错" + kLineEnd;
        return kExitCannotOpen;
    default:
        output.err += path + ": 压缩包已损坏" + kLineEnd;
        return kExitDamaged;
    }
}

} // namespace

std::string bannerLines() {
    return std::string(kLineEnd) + "myrar 1.0 RAR 压缩包查看器 (RAR 1.5-5.0)" + kLineEnd +
           "只读取文件头，不解压文件" + kLineEnd;
}

char dictionaryLetter(std::uint64_t dictionarySize) {
    // 64 KiB is "a", each doubling one letter on; sizes between round up.
    char letter = 'a';
    std::uint64_t size = kSmallestDictionary;
    while (size < dictionarySize && letter < 'z') {
        size <<= 1;
        ++letter;
    }
    return letter;
}

std::string displayName(const Entry& e) {
    std::string name = e.hasUnicodeName ? wideToCp936(e.unicodeName) : e.rawName;
    // "/" (0x2F) is never the second byte of a two-byte character, so this is safe on GBK.
    for (char& c : name)
        if (c == '/')
            c = '\\';
    return name;
}

std::string formatTime(const Entry& e) {
    if (e.hasDosTime) {
        std::uint32_t t = e.dosTime;
        return dateTime((t >> 16) & 0x1F, (t >> 21) & 0x0F, static_cast<int>((t >> 25) + 1980),
                        (t >> 11) & 0x1F, (t >> 5) & 0x3F);
    }
    if (e.hasUnixTime) {
        std::time_t t = static_cast<std::time_t>(e.unixTime);
        std::tm tm{};
#ifdef _WIN32
        if (localtime_s(&tm, &t) != 0)
            return dateTime(1, 1, 1970, 0, 0);
#else
        if (!localtime_r(&t, &tm))
            return dateTime(1, 1, 1970, 0, 0);
#endif
        return dateTime(tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900, tm.tm_hour, tm.tm_min);
    }
    return dateTime(0, 0, 0, 0, 0);
}

std::string formatDetails(const Entry& e) {
    bool directory = e.kind == EntryKind::Directory;
    std::string line(13, ' ');
    line += " " + rightAligned(e.unpackedSizeKnown ? number(e.unpackedSize) : "?", 8);
    line += " " + rightAligned(number(e.packedSize), 8) + " ";
    if (e.splitBefore && e.splitAfter)
        line += " <->";
    else if (e.splitBefore)
        line += " <--";
    else if (e.splitAfter)
        line += " -->";
    else
        line += rightAligned(number(ratio(e.packedSize, e.unpackedSize)), 3) + "%";
    line += " " + formatTime(e) + " ";
    line += e.hostOs == HostOs::Unix || e.hostOs == HostOs::BeOs
                ? unixAttributes(e.attributes, directory)
                : dosAttributes(e.attributes);
    line += " ";
    line += e.hasBlake2 && !e.hasCrc ? std::string("BLAKE2sp") : hex8(e.crc32);
    line += " m";
    line += static_cast<char>('0' + (e.method > 9 ? 9 : e.method));
    line += directory ? ' ' : dictionaryLetter(e.dictionarySize);
    line += " " + number(e.unpackVersion / 10 % 10) + "." + number(e.unpackVersion % 10);
    return line;
}

int listArchive(const std::string& path, const std::optional<std::string>& password,
                CommandOutput& output) {
    output.out += bannerLines();
    FileSource source;
    if (!source.open(path)) {
        output.err += "无法打开 " + path + kLineEnd;
        return kExitCannotOpen;
    }
    ArchiveReader reader;
    Status s = reader.open(source, password);
    if (s != Status::Ok)
        return failure(s, path, output);

    std::string comment;
    std::string body;
    std::uint64_t count = 0;
    std::uint64_t totalSize = 0;
    std::uint64_t totalPacked = 0;
    bool inFile = false;
    Entry e;
    while ((s = reader.next(e)) == Status::Ok) {
        if (e.kind == EntryKind::File || e.kind == EntryKind::Directory) {
            body += (e.encryption.encrypted ? "*" : " ") + displayName(e) + kLineEnd;
            body += formatDetails(e) + kLineEnd;
            totalPacked += e.packedSize;
            if (!e.splitBefore) {
                ++count;
                totalSize += e.unpackedSize;
            }
            inFile = true;
        } else if (e.kind == EntryKind::ArchiveComment && comment.empty()) {
            bool ok = false, damaged = false;
            std::string text = commentForDisplay(e, reader.info(), source, password, ok, &damaged);
            if (ok)
                comment = std::string(kLineEnd) + commentLines(text);
            if (damaged)
                output.err += path + kDamagedComment + kLineEnd;
        } else if (e.kind == EntryKind::FileComment && inFile) {
            bool ok = false, damaged = false;
            std::string text = commentForDisplay(e, reader.info(), source, password, ok, &damaged);
            if (ok)
                body += kCommentPrefix + commentLines(text) + kLineEnd;
            if (damaged)
                output.err += path + kDamagedComment + kLineEnd;
        } else if (e.kind == EntryKind::Stream && inFile) {
            body += " " + utf8ToCp936(e.streamName) + kLineEnd;
        }
    }
    if (s == Status::BadPassword || s == Status::NeedPassword)
        return failure(s, path, output);

    const ArchiveInfo& info = reader.info();
    output.out += comment;
    output.out += kLineEnd + archiveLine(info, path) + kLineEnd;
    if (count == 0 && body.empty()) {
        output.out += std::string(kNoFiles) + kLineEnd;
    } else {
        output.out += std::string(kLineEnd) + kPathTitle + kLineEnd + kTitleLine + kLineEnd +
                      kSeparator + kLineEnd + body + kSeparator + kLineEnd;
        std::string totals = rightAligned(number(count), 5);
        totals += " " + rightAligned(number(totalSize), 16);
        totals += " " + rightAligned(number(totalPacked), 8);
        totals += " " + rightAligned(number(ratio(totalPacked, totalSize)), 3) + "%";
        if (info.volume) {
            std::uint64_t n = reader.volumeNumber();
            if (n == 0)
                n = volumeFromName(path);
            totals += std::string(7, ' ') + kVolumeWord + number(n == 0 ? 1 : n);
        }
        output.out += totals + kLineEnd;
    }
    if (s != Status::End)
        return failure(s, path, output);
    return kExitOk;
}

int writeComment(const std::string& path, const std::string& destination,
                 const std::optional<std::string>& password, const CommentTarget& target,
                 CommandOutput& output) {
    output.out += bannerLines();
    if (destination.empty() || destination[0] == '*') {
        output.err += std::string("需要目的地文件名称") + kLineEnd;
        return kExitUsage;
    }
    FileSource source;
    if (!source.open(path)) {
        output.err += "无法打开 " + path + kLineEnd;
        return kExitCannotOpen;
    }
    ArchiveReader reader;
    Status s = reader.open(source, password);
    if (s != Status::Ok)
        return failure(s, path, output);
    Entry e;
    bool found = false;
    while ((s = reader.next(e)) == Status::Ok) {
        if (e.kind == EntryKind::ArchiveComment) {
            found = true;
            break;
        }
        if (e.kind == EntryKind::File || e.kind == EntryKind::Directory)
            break; // the archive comment comes before the entries
    }
    if (!found && s != Status::Ok && s != Status::End)
        return failure(s, path, output);
    if (!found) {
        output.out += std::string(kLineEnd) + "没有备注" + kLineEnd;
        return kExitOk;
    }
    std::string text;
    CommentResult r = readComment(e, source, password, text);
    if (r == CommentResult::CannotUnpack) {
        output.err += path + ": 压缩包注释经过压缩，本程序暂时无法解压它" + kLineEnd;
        return kExitUnsupported;
    }
    if (r != CommentResult::Ok)
        return failure(Status::Damaged, path, output);
    if (target.exists(destination)) {
        std::string question = destination + " 早已存在。覆盖它吗?";
        if (!target.confirmOverwrite(question)) {
            output.err += destination + " 早已存在，没有覆盖它" + kLineEnd;
            return kExitCannotWrite;
        }
    }
    if (!target.write(destination, text)) {
        output.err += "无法写入 " + destination + kLineEnd;
        return kExitCannotWrite;
    }
    return kExitOk;
}

} // namespace myrar
