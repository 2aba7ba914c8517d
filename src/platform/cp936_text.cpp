#include "platform/cp936_text.h"

namespace rr::cp936 {

namespace {

bool isAsciiUpper(unsigned char b) {
    return b >= 'A' && b <= 'Z';
}

unsigned char foldAscii(unsigned char b) {
    return isAsciiUpper(b) ? static_cast<unsigned char>(b - 'A' + 'a') : b;
}

// Marks, for each byte of text, whether it is the second byte of a two-byte character.
std::vector<bool> trailMap(std::string_view text) {
    std::vector<bool> trail(text.size(), false);
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t len = charLength(text, pos);
        if (len == 2) {
            trail[pos + 1] = true;
        }
        pos += len;
    }
    return trail;
}

} // namespace

std::size_t charLength(std::string_view text, std::size_t pos) {
    if (pos + 1 < text.size() && isLeadByte(static_cast<unsigned char>(text[pos]))) {
        return 2;
    }
    return 1;
}

bool isCharBoundary(std::string_view text, std::size_t pos) {
    std::size_t at = 0;
    while (at < pos && at < text.size()) {
        at += charLength(text, at);
    }
    return at == pos;
}

std::size_t findLast(std::string_view text, char sep) {
    std::size_t found = std::string_view::npos;
    for (std::size_t pos = 0; pos < text.size();) {
        if (text[pos] == sep) {
            found = pos;
        }
        pos += charLength(text, pos);
    }
    return found;
}

std::vector<std::string> split(std::string_view text, char sep) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        if (text[pos] == sep) {
            pieces.emplace_back(text.substr(start, pos - start));
            start = pos + 1;
        }
        pos += charLength(text, pos);
    }
    if (start < text.size()) {
        pieces.emplace_back(text.substr(start));
    }
    return pieces;
}

std::string_view lastBytes(std::string_view text, std::size_t n) {
    if (n >= text.size()) {
        return text;
    }
    return text.substr(text.size() - n);
}

bool endsWith(std::string_view text, std::string_view suffix, Case rule) {
    if (suffix.size() > text.size()) {
        return false;
    }
    std::size_t start = text.size() - suffix.size();
    if (!isCharBoundary(text, start)) {
        return false;
    }
    if (rule == Case::Exact) {
        return text.substr(start) == suffix;
    }
    std::vector<bool> textTrail = trailMap(text);
    std::vector<bool> suffixTrail = trailMap(suffix);
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        auto a = static_cast<unsigned char>(text[start + i]);
        auto b = static_cast<unsigned char>(suffix[i]);
        if (textTrail[start + i] != suffixTrail[i]) {
            return false;
        }
        bool fold = !textTrail[start + i];
        if (fold ? foldAscii(a) != foldAscii(b) : a != b) {
            return false;
        }
    }
    return true;
}

std::string asciiLower(std::string_view text) {
    std::string out(text);
    for (std::size_t pos = 0; pos < out.size();) {
        std::size_t len = charLength(out, pos);
        if (len == 1) {
            out[pos] = static_cast<char>(foldAscii(static_cast<unsigned char>(out[pos])));
        }
        pos += len;
    }
    return out;
}

std::string decimal(long long value) {
    return std::to_string(value);
}

} // namespace rr::cp936
