#include "rar3_filters.h"

#include <array>
#include <cstdlib>
#include <cstring>

namespace myrar::unpack {
namespace {

struct KnownProgram {
    std::size_t size;
    uint32_t crc;
    Rar3FilterKind kind;
};

constexpr KnownProgram kKnownPrograms[] = {
    {53, 0xAD576887u, Rar3FilterKind::E8},       {57, 0x3CD7E57Eu, Rar3FilterKind::E8E9},
    {120, 0x3769893Fu, Rar3FilterKind::Itanium}, {29, 0x0E06077Du, Rar3FilterKind::Delta},
    {149, 0x1C2C5DC8u, Rar3FilterKind::Rgb},     {216, 0xBC85E701u, Rar3FilterKind::Audio},
};

// Register roles.
constexpr int kRegChannels = 0; // delta, audio: channels; colour: row width + 3
constexpr int kRegColourPos = 1;
constexpr int kRegLength = 4;

constexpr uint32_t kMaxDeltaChannels = 1024;
constexpr uint32_t kMaxAudioChannels = 128;
constexpr uint32_t kE8FileSize = 0x1000000;
constexpr uint32_t kE8MinBlock = 4;
constexpr uint32_t kItaniumMinBlock = 21;
constexpr uint32_t kItaniumBundle = 16;
constexpr uint32_t kColourChannels = 3;

uint32_t crc32(const uint8_t* data, std::size_t size) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i)
        c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

uint32_t get32le(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void put32le(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

// x86 calls (E8) and jumps (E9) had their relative targets made absolute.
void unfilterE8(uint8_t* data, uint32_t size, uint32_t fileOffset, bool jumpsToo) {
    if (size < kE8MinBlock)
        return;
    for (uint32_t pos = 0; pos + 4 < size;) {
        uint8_t op = data[pos++];
        if (op != 0xE8 && !(jumpsToo && op == 0xE9))
            continue;
        uint32_t offset = pos + fileOffset;
        uint32_t addr = get32le(data + pos);
        if (addr & 0x80000000u) {
            if (((addr + offset) & 0x80000000u) == 0)
                put32le(data + pos, addr + kE8FileSize);
        } else if ((addr - kE8FileSize) & 0x80000000u) {
            put32le(data + pos, addr - offset);
        }
        pos += 4;
    }
}

uint32_t itaniumGetBits(const uint8_t* data, uint32_t bitPos, uint32_t bitCount) {
    uint32_t v = get32le(data + bitPos / 8) >> (bitPos & 7);
    return v & (0xFFFFFFFFu >> (32 - bitCount));
}

void itaniumSetBits(uint8_t* data, uint32_t value, uint32_t bitPos, uint32_t bitCount) {
    uint8_t* p = data + bitPos / 8;
    uint32_t shift = bitPos & 7;
    uint32_t andMask = ~((0xFFFFFFFFu >> (32 - bitCount)) << shift);
    value <<= shift;
    for (int i = 0; i < 4; ++i) {
        p[i] = uint8_t((p[i] & andMask) | value);
        andMask = (andMask >> 8) | 0xFF000000u;
        value >>= 8;
    }
}

// IA-64 bundles: the 20-bit targets of branch slots had been made absolute.
void unfilterItanium(uint8_t* data, uint32_t size, uint32_t fileOffset) {
    static const uint8_t kSlotMasks[16] = {4, 4, 6, 6, 0, 0, 7, 7, 4, 4, 0, 0, 4, 4, 0, 0};
    if (size < kItaniumMinBlock)
        return;
    uint32_t bundle = fileOffset >> 4;
    for (uint32_t pos = 0; pos < size - kItaniumMinBlock; pos += kItaniumBundle, ++bundle) {
        uint8_t* b = data + pos;
        int tmpl = (b[0] & 0x1F) - 0x10;
        if (tmpl < 0)
            continue;
        uint8_t mask = kSlotMasks[tmpl];
        for (uint32_t slot = 0; slot < 3; ++slot) {
            if (!(mask & (1u << slot)))
                continue;
            uint32_t start = slot * 41 + 5;
            if (itaniumGetBits(b, start + 37, 4) != 5)
                continue;
            uint32_t target = itaniumGetBits(b, start + 13, 20);
            itaniumSetBits(b, (target - bundle) & 0xFFFFF, start + 13, 20);
        }
    }
}

// Bytes were split into per-channel runs of differences.
bool unfilterDelta(const uint8_t* in, uint8_t* out, uint32_t size, uint32_t channels) {
    if (channels == 0 || channels > kMaxDeltaChannels)
        return false;
    uint32_t src = 0;
    for (uint32_t ch = 0; ch < channels; ++ch) {
        uint8_t prev = 0;
        for (uint32_t dst = ch; dst < size; dst += channels)
            out[dst] = prev = uint8_t(prev - in[src++]);
    }
    return true;
}

// 24-bit pixels, each channel predicted from its left, upper and upper-left neighbours.
bool unfilterRgb(const uint8_t* in, uint8_t* out, uint32_t size, uint32_t widthReg, uint32_t posR) {
    uint32_t width = widthReg - 3;
    if (size < 3 || width > size || posR > 2)
        return false;
    uint32_t src = 0;
    for (uint32_t ch = 0; ch < kColourChannels; ++ch) {
        uint32_t prev = 0;
        for (uint32_t i = ch; i < size; i += kColourChannels) {
            uint32_t predicted = prev;
            if (i >= width + 3) {
                uint32_t upper = out[i - width];
                uint32_t upperLeft = out[i - width - 3];
                predicted = prev + upper - upperLeft;
                int pa = std::abs(int(predicted - prev));
                int pb = std::abs(int(predicted - upper));
                int pc = std::abs(int(predicted - upperLeft));
                if (pa <= pb && pa <= pc)
                    predicted = prev;
                else if (pb <= pc)
                    predicted = upper;
                else
                    predicted = upperLeft;
            }
            prev = uint8_t(predicted - in[src++]);
            out[i] = uint8_t(prev);
        }
    }
    for (uint32_t i = posR; i + 2 < size; i += 3) {
        uint8_t g = out[i + 1];
        out[i] = uint8_t(out[i] + g);
        out[i + 2] = uint8_t(out[i + 2] + g);
    }
    return true;
}

// Sound samples predicted by an adaptive linear filter per channel.
bool unfilterAudio(const uint8_t* in, uint8_t* out, uint32_t size, uint32_t channels) {
    if (channels == 0 || channels > kMaxAudioChannels)
        return false;
    uint32_t src = 0;
    for (uint32_t ch = 0; ch < channels; ++ch) {
        uint32_t prevByte = 0;
        int prevDelta = 0;
        uint32_t dif[7] = {};
        int d1 = 0, d2 = 0, d3 = 0;
        int k1 = 0, k2 = 0, k3 = 0;
        for (uint32_t i = ch, count = 0; i < size; i += channels, ++count) {
            d3 = d2;
            d2 = prevDelta - d1;
            d1 = prevDelta;
            uint32_t predicted =
                8 * prevByte + uint32_t(k1 * d1) + uint32_t(k2 * d2) + uint32_t(k3 * d3);
            predicted = (predicted >> 3) & 0xFF;
            uint32_t cur = in[src++];
            predicted = (predicted - cur) & 0xFF;
            out[i] = uint8_t(predicted);
            prevDelta = int8_t(uint8_t(predicted - prevByte));
            prevByte = predicted;
            int d = int(int8_t(uint8_t(cur))) * 8;
            dif[0] += uint32_t(std::abs(d));
            dif[1] += uint32_t(std::abs(d - d1));
            dif[2] += uint32_t(std::abs(d + d1));
            dif[3] += uint32_t(std::abs(d - d2));
            dif[4] += uint32_t(std::abs(d + d2));
            dif[5] += uint32_t(std::abs(d - d3));
            dif[6] += uint32_t(std::abs(d + d3));
            if ((count & 0x1F) != 0)
                continue;
            uint32_t minDif = dif[0], best = 0;
            dif[0] = 0;
            for (uint32_t j = 1; j < 7; ++j) {
                if (dif[j] < minDif) {
                    minDif = dif[j];
                    best = j;
                }
                dif[j] = 0;
            }
            switch (best) {
            case 1:
                if (k1 >= -16)
                    --k1;
                break;
            case 2:
                if (k1 < 16)
                    ++k1;
                break;
            case 3:
                if (k2 >= -16)
                    --k2;
                break;
            case 4:
                if (k2 < 16)
                    ++k2;
                break;
            case 5:
                if (k3 >= -16)
                    --k3;
                break;
            case 6:
                if (k3 < 16)
                    ++k3;
                break;
            default:
                break;
            }
        }
    }
    return true;
}

} // namespace

Rar3FilterKind recogniseRar3Filter(const uint8_t* code, std::size_t size) {
    if (size == 0)
        return Rar3FilterKind::Unknown;
    // The first byte is a check: the XOR of all the others.
    uint8_t x = 0;
    for (std::size_t i = 1; i < size; ++i)
        x ^= code[i];
    if (x != code[0])
        return Rar3FilterKind::Unknown;
    uint32_t crc = crc32(code, size);
    for (const KnownProgram& k : kKnownPrograms)
        if (k.size == size && k.crc == crc)
            return k.kind;
    return Rar3FilterKind::Unknown;
}

void applyRar3Filter(Rar3FilterKind kind, const Rar3FilterParams& params,
                     std::vector<uint8_t>& block, std::vector<uint8_t>& scratch) {
    uint32_t size = static_cast<uint32_t>(block.size());
    if (size > kRar3FilterMemory)
        return;
    const uint32_t* r = params.registers;
    switch (kind) {
    case Rar3FilterKind::E8:
    case Rar3FilterKind::E8E9:
        unfilterE8(block.data(), size, params.fileOffset, kind == Rar3FilterKind::E8E9);
        return;
    case Rar3FilterKind::Itanium:
        unfilterItanium(block.data(), size, params.fileOffset);
        return;
    case Rar3FilterKind::Delta:
    case Rar3FilterKind::Rgb:
    case Rar3FilterKind::Audio:
        break;
    case Rar3FilterKind::Unknown:
        return;
    }
    // These filters write their output beside their input. When the parameters make no
    // sense the output area is left as it was, which is zeros: that is what the data of
    // such streams decodes to.
    scratch.assign(size, 0);
    if (size <= kRar3FilterMemory / 2) {
        if (kind == Rar3FilterKind::Delta)
            unfilterDelta(block.data(), scratch.data(), size, r[kRegChannels]);
        else if (kind == Rar3FilterKind::Rgb)
            unfilterRgb(block.data(), scratch.data(), size, r[kRegChannels], r[kRegColourPos]);
        else
            unfilterAudio(block.data(), scratch.data(), size, r[kRegChannels]);
    }
    block.swap(scratch);
}

} // namespace myrar::unpack
