#pragma once
// Byte-string operations on text in the ANSI code page 936 (GBK).
//
// Every length and position counts bytes. A byte from 0x81 to 0xFE starts a two-byte
// character whose second byte may be any value from 0x40 up, including "\" (0x5C) and ASCII
// letters, so searching and case folding must walk characters from the start of the text.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rr::cp936 {

constexpr unsigned char kFirstLeadByte = 0x81;
constexpr unsigned char kLastLeadByte = 0xFE;

inline bool isLeadByte(unsigned char b) {
    return b >= kFirstLeadByte && b <= kLastLeadByte;
}

// Byte length of the character that starts at text[pos]: 2 for a lead byte followed by
// another byte, otherwise 1 (a lead byte at the very end stands alone).
std::size_t charLength(std::string_view text, std::size_t pos);

// True when text[pos] starts a character, that is, it is not the second byte of a
// two-byte character. pos == text.size() counts as a boundary.
bool isCharBoundary(std::string_view text, std::size_t pos);

// Position of the last one-byte character `sep` that is a character of its own, or npos.
std::size_t findLast(std::string_view text, char sep);
inline bool contains(std::string_view text, char sep) {
    return findLast(text, sep) != std::string_view::npos;
}

// Pieces of text split at `sep`. A separator at the start gives an empty first piece; one
// at the end gives no empty last piece. An empty text gives no pieces.
std::vector<std::string> split(std::string_view text, char sep);

// The last n bytes, or the whole text when it is shorter.
std::string_view lastBytes(std::string_view text, std::size_t n);

enum class Case { Exact, IgnoreAscii };

// True when text ends with suffix, the suffix starting on a character boundary of text.
// Case::IgnoreAscii folds A-Z and a-z only where they are characters of their own in both
// texts, never the second byte of a two-byte character.
bool endsWith(std::string_view text, std::string_view suffix, Case rule = Case::Exact);

// ASCII lower case of the one-byte characters; two-byte characters stay as they are.
std::string asciiLower(std::string_view text);

// Decimal text without leading zeros or spaces.
std::string decimal(long long value);

} // namespace rr::cp936
