// Code page 936 through the Windows converters, for the Windows builds.
#include "text_codec.h"

#include <windows.h>

#include <vector>

namespace myrar {

namespace {

constexpr UINT kCodePage = 936;

} // namespace

std::string wideToCp936(std::u16string_view text) {
    std::u16string clean = withoutSurrogates(text);
    if (clean.empty())
        return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(clean.data());
    int n = static_cast<int>(clean.size());
    int size =
        WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide, n, nullptr, 0, "?", nullptr);
    if (size <= 0)
        return std::string(clean.size(), '?');
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide, n, out.data(), size, "?", nullptr);
    return out;
}

std::u16string cp936ToWide(std::string_view text) {
    if (text.empty())
        return {};
    int n = static_cast<int>(text.size());
    int size = MultiByteToWideChar(kCodePage, 0, text.data(), n, nullptr, 0);
    if (size <= 0)
        return {};
    std::vector<wchar_t> out(static_cast<std::size_t>(size));
    MultiByteToWideChar(kCodePage, 0, text.data(), n, out.data(), size);
    return std::u16string(out.begin(), out.end());
}

} // namespace myrar
