#pragma once
// Name and password conversions between code page 936, UTF-16 and UTF-8. Natively the code
// page goes through glibc iconv (GBK), on Windows through WideCharToMultiByte(936); both
// write "?" for what code page 936 cannot hold, one per character.

#include <string>
#include <string_view>

namespace myrar {

std::string wideToCp936(std::u16string_view text);
std::u16string cp936ToWide(std::string_view text);

// Invalid UTF-8 becomes U+FFFD (and so "?" in code page 936).
std::u16string utf8ToWide(std::string_view text);
std::string wideToUtf8(std::u16string_view text);

inline std::string utf8ToCp936(std::string_view text) {
    return wideToCp936(utf8ToWide(text));
}

// Characters outside the Basic Multilingual Plane and lone surrogates turned into "?", so
// both platform converters see only characters they map the same way.
std::u16string withoutSurrogates(std::u16string_view text);

} // namespace myrar
