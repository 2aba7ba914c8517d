#include "rar_writer.h"

#include "crc32.h"
#include "crypto.h"
#include "rar_keys.h"
#include "text_codec.h"

#include <cstdio>
#include <cstring>

namespace rar_writer {

namespace {

using Bytes = std::vector<std::uint8_t>;

void put(Bytes& b, std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void putBytes(Bytes& b, const std::string& s) {
    b.insert(b.end(), s.begin(), s.end());
}

void putVint(Bytes& b, std::uint64_t v) {
    do {
        std::uint8_t byte = v & 0x7F;
        v >>= 7;
        if (v)
            byte |= 0x80;
        b.push_back(byte);
    } while (v);
}

std::uint32_t crcOf(const std::string& s) {
    return myrar::crc32(0, s.data(), s.size());
}

const std::uint8_t kSalt[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
const std::uint8_t kIv[16] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7,
                              0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF};
constexpr unsigned kKdfLog2 = 15;

Bytes padded(Bytes b) {
    b.resize((b.size() + 15) / 16 * 16, 0);
    return b;
}

// Days since 1970-01-01 of a civil date.
std::int64_t daysFromCivil(int y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097LL + static_cast<std::int64_t>(doe) - 719468;
}

std::uint32_t dosToUnix(std::uint32_t t) {
    int year = static_cast<int>((t >> 25) + 1980);
    std::int64_t days = daysFromCivil(year, (t >> 21) & 0x0F, (t >> 16) & 0x1F);
    return static_cast<std::uint32_t>(days * 86400 + ((t >> 11) & 0x1F) * 3600 +
                                      ((t >> 5) & 0x3F) * 60 + (t & 0x1F) * 2);
}

// ---- RAR 4.x ----

struct Rar4 {
    const Archive& a;
    Bytes out;
    bool encrypt = false;
    myrar::Rar4Key key;

    void block(std::uint8_t type, std::uint16_t flags, const Bytes& body, const std::string& data,
               bool mayEncrypt = true) {
        Bytes h;
        put(h, 0, 2);
        h.push_back(type);
        put(h, flags, 2);
        put(h, 7 + body.size(), 2);
        h.insert(h.end(), body.begin(), body.end());
        std::uint16_t crc = static_cast<std::uint16_t>(myrar::crc32(0, h.data() + 2, h.size() - 2));
        h[0] = crc & 0xFF;
        h[1] = crc >> 8;
        if (encrypt && mayEncrypt) {
            out.insert(out.end(), kSalt, kSalt + 8);
            Bytes p = padded(h);
            Bytes c(p.size());
            myrar::crypto::aesCbcEncrypt(key.key.data(), 16, key.iv.data(), p.data(), p.size(),
                                         c.data());
            out.insert(out.end(), c.begin(), c.end());
        } else {
            out.insert(out.end(), h.begin(), h.end());
        }
        putBytes(out, data);
    }

    // LHD_UNICODE name: code page 936 bytes, NUL, then every character as a full 16-bit
    // value (opcode 2), four to a flag byte.
    static std::string unicodeName(const std::u16string& wide, const std::string& plain) {
        std::string s = plain;
        s.push_back('\0');
        s.push_back('\0'); // high byte, unused by opcode 2
        for (std::size_t i = 0; i < wide.size(); i += 4) {
            s.push_back(static_cast<char>(0xAA));
            for (std::size_t j = i; j < i + 4 && j < wide.size(); ++j) {
                s.push_back(static_cast<char>(wide[j] & 0xFF));
                s.push_back(static_cast<char>(wide[j] >> 8));
            }
        }
        return s;
    }

    void fileLike(std::uint8_t type, const std::string& nameField, std::uint16_t extraFlags,
                  const Item& it, const std::string& subData, const std::string& data,
                  std::uint64_t unpacked, std::uint64_t packed, std::uint8_t method) {
        bool large = unpacked > 0xFFFFFFFFu || packed > 0xFFFFFFFFu;
        std::uint16_t flags = 0x8000 | extraFlags;
        if (large)
            flags |= 0x100;
        if (it.encrypted)
            flags |= 0x04 | 0x400;
        Bytes body;
        put(body, packed & 0xFFFFFFFF, 4);
        put(body, unpacked & 0xFFFFFFFF, 4);
        body.push_back(it.host == Host::Unix ? 3 : 2);
        put(body, crcOf(data), 4);
        put(body, it.dosTime, 4);
        body.push_back(29);
        body.push_back(method);
        put(body, nameField.size(), 2);
        put(body, it.attributes, 4);
        if (large) {
            put(body, packed >> 32, 4);
            put(body, unpacked >> 32, 4);
        }
        putBytes(body, nameField);
        putBytes(body, subData);
        if (it.encrypted)
            body.insert(body.end(), kSalt, kSalt + 8);
        block(type, flags, body, data);
    }

    void service(const std::string& name, const std::string& subData, const std::string& data) {
        Item it;
        it.attributes = 0;
        fileLike(0x7A, name, 0, it, subData, data, data.size(), data.size(), 0x30);
    }

    void write() {
        out.insert(out.end(), a.sfxStub.begin(), a.sfxStub.end());
        putBytes(out, std::string("Rar!\x1A\x07\x00", 7));
        std::uint16_t mainFlags = 0;
        if (a.volume)
            mainFlags |= 0x01 | 0x10;
        if (a.solid)
            mainFlags |= 0x08;
        if (a.firstVolume)
            mainFlags |= 0x100;
        if (a.headerPassword)
            mainFlags |= 0x80;
        block(0x73, mainFlags, Bytes(6, 0), "", false);
        if (a.headerPassword) {
            encrypt = true;
            myrar::deriveRar4Key(myrar::utf8ToWide(*a.headerPassword), kSalt, key);
        }
        if (!a.comment.empty())
            service("CMT", "", a.comment);
        bool first = true;
        for (const Item& it : a.items) {
            std::u16string wide = myrar::utf8ToWide(it.name);
            std::string plain = myrar::wideToCp936(wide);
            for (char& c : plain)
                if (c == '/')
                    c = '\\';
            for (char16_t& c : wide)
                if (c == u'/')
                    c = u'\\';
            std::uint16_t flags = 0;
            std::string nameField = plain;
            if (!it.rar4PlainName) {
                flags |= 0x200;
                nameField = unicodeName(wide, plain);
            }
            if (it.directory)
                flags |= 0xE0;
            if (it.splitBefore)
                flags |= 0x01;
            if (it.splitAfter)
                flags |= 0x02;
            if (a.solid && !first)
                flags |= 0x10;
            std::uint64_t unpacked = it.declaredSize.value_or(it.data.size());
            std::uint64_t packed = it.declaredPacked.value_or(it.data.size());
            std::uint8_t method = it.declaredSize || it.declaredPacked ? 0x33 : 0x30;
            fileLike(0x74, nameField, flags, it, "", it.data, unpacked, packed, method);
            first = false;
            if (!it.fileComment.empty())
                service("CMT", "", it.fileComment);
            if (!it.streamName.empty())
                service("STM", it.streamName, "");
        }
        if (!a.endBlock)
            return;
        Bytes body;
        std::uint16_t endFlags = a.moreVolumes ? 0x01 : 0;
        if (a.volume) {
            endFlags |= 0x08;
            put(body, a.volumeNumber, 2);
        }
        block(0x7B, endFlags, body, "");
    }
};

// ---- RAR 5.0 ----

struct Rar5 {
    const Archive& a;
    Bytes out;
    bool encrypt = false;
    myrar::Rar5Keys keys;

    void header(const Bytes& h, const std::string& data) {
        Bytes sized;
        putVint(sized, h.size());
        sized.insert(sized.end(), h.begin(), h.end());
        Bytes full;
        put(full, myrar::crc32(0, sized.data(), sized.size()), 4);
        full.insert(full.end(), sized.begin(), sized.end());
        if (encrypt) {
            out.insert(out.end(), kIv, kIv + 16);
            Bytes p = padded(full);
            Bytes c(p.size());
            myrar::crypto::aesCbcEncrypt(keys.key.data(), 32, kIv, p.data(), p.size(), c.data());
            out.insert(out.end(), c.begin(), c.end());
        } else {
            out.insert(out.end(), full.begin(), full.end());
        }
        putBytes(out, data);
    }

    // type, header flags, then the type-specific body and the extra area.
    void make(std::uint64_t type, std::uint64_t flags, const Bytes& body, const Bytes& extra,
              const std::string& data, bool hasData) {
        Bytes h;
        putVint(h, type);
        if (!extra.empty())
            flags |= 0x01;
        if (hasData)
            flags |= 0x02;
        putVint(h, flags);
        if (!extra.empty())
            putVint(h, extra.size());
        if (hasData)
            putVint(h, data.size());
        h.insert(h.end(), body.begin(), body.end());
        h.insert(h.end(), extra.begin(), extra.end());
        header(h, data);
    }

    static void record(Bytes& extra, std::uint64_t type, const Bytes& content) {
        Bytes r;
        putVint(r, type);
        r.insert(r.end(), content.begin(), content.end());
        putVint(extra, r.size());
        extra.insert(extra.end(), r.begin(), r.end());
    }

    void fileLike(std::uint64_t type, const Item& it, const std::string& name,
                  std::uint64_t headerFlags, std::uint64_t comp, const Bytes& extraIn,
                  const std::string& data) {
        Bytes body;
        std::uint64_t fileFlags = 0x02 | 0x04;
        if (it.directory)
            fileFlags |= 0x01;
        putVint(body, fileFlags);
        putVint(body, it.declaredSize.value_or(it.data.size()));
        putVint(body, it.attributes);
        put(body, dosToUnix(it.dosTime), 4);
        put(body, crcOf(data), 4);
        putVint(body, comp);
        putVint(body, it.host == Host::Unix ? 1 : 0);
        putVint(body, name.size());
        putBytes(body, name);
        Bytes extra = extraIn;
        if (it.encrypted) {
            Bytes e;
            putVint(e, 0);
            putVint(e, 0);
            e.push_back(kKdfLog2);
            e.insert(e.end(), kSalt, kSalt + 16);
            e.insert(e.end(), kIv, kIv + 16);
            record(extra, 1, e);
        }
        make(type, headerFlags, body, extra, data, true);
    }

    void service(const std::string& name, const Bytes& extra, const std::string& data) {
        Item it;
        it.attributes = 0;
        it.data = data;
        fileLike(3, it, name, 0, 0, extra, data);
    }

    void write() {
        out.insert(out.end(), a.sfxStub.begin(), a.sfxStub.end());
        putBytes(out, std::string("Rar!\x1A\x07\x01\x00", 8));
        if (a.headerPassword) {
            myrar::deriveRar5Keys(*a.headerPassword, kSalt, kKdfLog2, keys);
            Bytes body;
            putVint(body, 0);
            putVint(body, 1);
            body.push_back(kKdfLog2);
            body.insert(body.end(), kSalt, kSalt + 16);
            body.insert(body.end(), keys.check.begin(), keys.check.end());
            std::uint8_t digest[32];
            myrar::crypto::sha256(keys.check.data(), 8, digest);
            body.insert(body.end(), digest, digest + 4);
            make(4, 0, body, {}, "", false);
            encrypt = true;
        }
        Bytes main;
        std::uint64_t archiveFlags = 0;
        if (a.volume)
            archiveFlags |= 0x01;
        if (a.volume && a.volumeNumber > 0)
            archiveFlags |= 0x02;
        if (a.solid)
            archiveFlags |= 0x04;
        putVint(main, archiveFlags);
        if (archiveFlags & 0x02)
            putVint(main, a.volumeNumber);
        make(1, 0, main, {}, "", false);
        if (!a.comment.empty())
            service("CMT", {}, a.comment);
        bool first = true;
        for (const Item& it : a.items) {
            std::uint64_t flags = 0;
            if (it.splitBefore)
                flags |= 0x08;
            if (it.splitAfter)
                flags |= 0x10;
            std::uint64_t method = it.declaredSize || it.declaredPacked ? 3 : 0;
            std::uint64_t comp = method << 7;
            if (a.solid && !first)
                comp |= 0x40;
            if (it.directory)
                comp = 0;
            fileLike(2, it, it.name, flags, comp, {}, it.data);
            first = false;
            if (!it.fileComment.empty())
                service("CMT", {}, it.fileComment);
            if (!it.streamName.empty()) {
                Bytes extra;
                Bytes nameBytes;
                putBytes(nameBytes, ":" + it.streamName);
                record(extra, 7, nameBytes);
                service("STM", extra, "");
            }
        }
        if (!a.endBlock)
            return;
        Bytes end;
        putVint(end, a.moreVolumes ? 1 : 0);
        make(5, 0, end, {}, "", false);
    }
};

} // namespace

std::vector<std::uint8_t> write(const Archive& archive) {
    if (archive.format == Format::Rar4) {
        Rar4 w{archive, {}, false, {}};
        w.write();
        return w.out;
    }
    Rar5 w{archive, {}, false, {}};
    w.write();
    return w.out;
}

bool saveFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace rar_writer
