#include "archiver/listing_reader.h"

#include <cstddef>
#include <string>
#include <vector>

namespace rr::archiver {

namespace {

using Lines = std::vector<std::string_view>;

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::size_t kSeparatorLength = 79;
constexpr std::string_view kPathTitle = "路径名称/注释";
constexpr std::string_view kColumnTitle =
    "                  大小     压缩  比率  日期   时间     属性      CRC   方法版本";
constexpr std::string_view kNoEntriesLine = "  0 文件";
constexpr std::string_view kFileCommentStart = "注释: ";
constexpr char kEncryptedMarker = '*';
constexpr char kPlainMarker = ' ';
// A details line starts with an indent of 13 spaces and the space before the size.
constexpr std::size_t kDetailsIndent = 14;
constexpr std::string_view kSfxPrefix = "SFX ";
constexpr std::string_view kContinuedFrom = "<--";
constexpr std::string_view kContinuedOnto = "-->";
constexpr std::string_view kContinuedBoth = "<->";
constexpr std::string_view kVolumeWord = "卷";

struct ArchiveWord {
    std::string_view word;
    bool isVolume;
};

constexpr ArchiveWord kArchiveWords[] = {
    {"压缩包", false},     {"卷", true},           {"固实 archive", false},
    {"固实 volume", true}, {"固实 压缩包", false}, {"固实 卷", true},
};

Lines splitLines(std::string_view text) {
    Lines lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(kLineEnd, start);
        if (end == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + kLineEnd.size();
    }
    return lines;
}

std::vector<std::string_view> tokens(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t pos = 0;
    while (pos < line.size()) {
        std::size_t start = line.find_first_not_of(' ', pos);
        if (start == std::string_view::npos) {
            break;
        }
        std::size_t end = line.find(' ', start);
        if (end == std::string_view::npos) {
            end = line.size();
        }
        out.push_back(line.substr(start, end - start));
        pos = end;
    }
    return out;
}

bool isDigits(std::string_view s) {
    if (s.empty()) {
        return false;
    }
    for (char c : s) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

// True when `s` has digits where `pattern` has "9" and the same byte elsewhere.
bool matchesShape(std::string_view s, std::string_view pattern) {
    if (s.size() != pattern.size()) {
        return false;
    }
    for (std::size_t i = 0; i < s.size(); ++i) {
        bool ok = pattern[i] == '9' ? (s[i] >= '0' && s[i] <= '9') : s[i] == pattern[i];
        if (!ok) {
            return false;
        }
    }
    return true;
}

bool isSeparator(std::string_view line) {
    return line.size() == kSeparatorLength && line.find_first_not_of('-') == std::string_view::npos;
}

std::string_view trimRight(std::string_view line) {
    std::size_t end = line.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view() : line.substr(0, end + 1);
}

bool isSizeField(std::string_view s) {
    return s == "?" || isDigits(s);
}

bool isRatioField(std::string_view s) {
    if (s == kContinuedFrom || s == kContinuedOnto || s == kContinuedBoth) {
        return true;
    }
    return s.size() >= 2 && s.back() == '%' && isDigits(s.substr(0, s.size() - 1));
}

bool isDetailsLine(std::string_view line) {
    if (line.size() < kDetailsIndent ||
        line.substr(0, kDetailsIndent).find_first_not_of(' ') != std::string_view::npos) {
        return false;
    }
    auto fields = tokens(line);
    // size, packed size, ratio, date, time; what follows differs with the archive's host.
    return fields.size() >= 5 && isSizeField(fields[0]) && isSizeField(fields[1]) &&
           isRatioField(fields[2]) && matchesShape(fields[3], "99-99-99") &&
           matchesShape(fields[4], "99:99");
}

bool continuesFromEarlierVolume(std::string_view detailsLine) {
    auto ratio = tokens(detailsLine)[2];
    return ratio == kContinuedFrom || ratio == kContinuedBoth;
}

bool isNameLine(std::string_view line) {
    return line.size() >= 2 && (line[0] == kEncryptedMarker || line[0] == kPlainMarker);
}

// A totals line: count, total size, total packed size, ratio, and for a volume "卷 N".
bool readTotals(std::string_view line, std::size_t& count) {
    auto fields = tokens(line);
    if (fields.size() != 4 && fields.size() != 6) {
        return false;
    }
    if (!isDigits(fields[0]) || !isDigits(fields[1]) || !isDigits(fields[2]) ||
        !isRatioField(fields[3])) {
        return false;
    }
    if (fields.size() == 6 && (fields[4] != kVolumeWord || !isDigits(fields[5]))) {
        return false;
    }
    if (fields[0].size() > 9) {
        return false;
    }
    count = std::stoul(std::string(fields[0]));
    return true;
}

// The archive line for this archive: an archive word, a space and the path.
bool readArchiveLine(std::string_view line, std::string_view archivePath, bool& isVolume) {
    if (line.size() <= archivePath.size() + 1 ||
        line.substr(line.size() - archivePath.size()) != archivePath) {
        return false;
    }
    std::string_view head = line.substr(0, line.size() - archivePath.size() - 1);
    if (line[head.size()] != ' ') {
        return false;
    }
    if (head.substr(0, kSfxPrefix.size()) == kSfxPrefix) {
        head.remove_prefix(kSfxPrefix.size());
    }
    for (const auto& w : kArchiveWords) {
        if (head == w.word) {
            isVolume = w.isVolume;
            return true;
        }
    }
    return false;
}

// Index of the separator that opens the entry block, or 0 when there is none before `end`.
std::size_t findEntryBlock(const Lines& lines, std::size_t end, std::string_view archivePath,
                           bool& isVolume) {
    for (std::size_t i = end; i-- > 4;) {
        if (isSeparator(lines[i]) && trimRight(lines[i - 1]) == kColumnTitle &&
            lines[i - 2] == kPathTitle && lines[i - 3].empty() &&
            readArchiveLine(lines[i - 4], archivePath, isVolume)) {
            return i;
        }
    }
    return 0;
}

bool startsPair(const Lines& lines, std::size_t p, std::size_t end) {
    return p + 1 < end && isNameLine(lines[p]) && isDetailsLine(lines[p + 1]);
}

bool isStreamLine(std::string_view line) {
    return line.size() >= 2 && line[0] == ' ' && line[1] != ' ';
}

// True when from `p` on there are only stream lines up to the next entry or the block's end.
bool streamsUpToNextEntry(const Lines& lines, std::size_t p, std::size_t end) {
    for (; p < end; ++p) {
        if (startsPair(lines, p, end)) {
            return true;
        }
        if (!isStreamLine(lines[p])) {
            return false;
        }
    }
    return true;
}

// A file comment, which may hold empty lines itself, runs up to an empty line after which
// the block goes on as it may: with the next entry, the stream lines of this one, or its end.
std::size_t skipFileComment(const Lines& lines, std::size_t p, std::size_t end) {
    for (std::size_t j = p + 1; j < end; ++j) {
        if (lines[j].empty() && streamsUpToNextEntry(lines, j + 1, end)) {
            return j + 1;
        }
    }
    return 0;
}

Listing noListing() {
    return Listing{};
}

} // namespace

Listing readListing(std::string_view text, std::string_view archivePath) {
    Lines lines = splitLines(text);
    if (lines.size() < 2 || archivePath.empty()) {
        return noListing();
    }
    const std::size_t last = lines.size() - 1;

    Listing listing;
    if (lines[last] == kNoEntriesLine &&
        readArchiveLine(lines[last - 1], archivePath, listing.isVolume)) {
        listing.result = kNoEntries;
        return listing;
    }

    std::size_t expected = 0;
    if (!readTotals(lines[last], expected) || !isSeparator(lines[last - 1])) {
        return noListing();
    }
    const std::size_t end = last - 1;
    std::size_t open = findEntryBlock(lines, end, archivePath, listing.isVolume);
    if (open == 0) {
        return noListing();
    }

    std::size_t counted = 0;
    for (std::size_t p = open + 1; p < end;) {
        if (startsPair(lines, p, end)) {
            listing.entries.emplace_back(lines[p].substr(1));
            if (!continuesFromEarlierVolume(lines[p + 1])) {
                ++counted;
            }
            p += 2;
        } else if (lines[p].substr(0, kFileCommentStart.size()) == kFileCommentStart) {
            p = skipFileComment(lines, p, end);
            if (p == 0) {
                return noListing();
            }
        } else if (isStreamLine(lines[p])) {
            ++p;
        } else {
            return noListing();
        }
    }
    if (counted != expected) {
        return noListing();
    }
    listing.result = static_cast<int>(listing.entries.size());
    return listing;
}

} // namespace rr::archiver
