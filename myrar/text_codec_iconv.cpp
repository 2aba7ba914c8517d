// Code page 936 through glibc iconv, for the native build.
#include "text_codec.h"

#include <iconv.h>

#include <cerrno>

namespace myrar {

namespace {

// One iconv conversion descriptor, closed on scope exit.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts one unit; false when the target cannot hold it or the input is invalid.
    bool convert(const char* in, std::size_t inSize, std::string& out) {
        char buffer[16];
        char* src = const_cast<char*>(in);
        char* dst = buffer;
        std::size_t left = inSize;
        std::size_t room = sizeof buffer;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd_, &src, &left, &dst, &room) == static_cast<std::size_t>(-1) || left != 0)
            return false;
        out.append(buffer, static_cast<std::size_t>(dst - buffer));
        return true;
    }

private:
    iconv_t cd_;
};

} // namespace

std::string wideToCp936(std::u16string_view text) {
    std::u16string clean = withoutSurrogates(text);
    std::string out;
    // Opening a converter costs far more than a name; one per thread serves every call.
    thread_local Converter conv("GBK", "UTF-16LE");
    for (char16_t c : clean) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        char unit[2] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        if (!conv.ok() || !conv.convert(unit, 2, out))
            out.push_back('?');
    }
    return out;
}

std::u16string cp936ToWide(std::string_view text) {
    std::u16string out;
    thread_local Converter conv("UTF-16LE", "GBK");
    std::size_t i = 0;
    while (i < text.size()) {
        auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        std::size_t n = (b >= 0x81 && b <= 0xFE && i + 1 < text.size()) ? 2 : 1;
        std::string wide;
        if (conv.ok() && conv.convert(text.data() + i, n, wide) && wide.size() == 2)
            out.push_back(static_cast<char16_t>(static_cast<unsigned char>(wide[0]) |
                                                (static_cast<unsigned char>(wide[1]) << 8)));
        else
            out.push_back(u'?');
        i += n;
    }
    return out;
}

} // namespace myrar
