#include "unpack29.h"

#include <algorithm>
#include <cstring>

namespace myrar::unpack {
namespace {

// Length and distance slots of the LZ codes.
const uint8_t kLengthBase[28] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  10,  12,  14,  16,  20,
                                 24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
const uint8_t kLengthBits[28] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
const uint8_t kShortDistBase[8] = {0, 4, 8, 16, 32, 64, 128, 192};
const uint8_t kShortDistBits[8] = {2, 2, 3, 4, 5, 6, 6, 6};
// How many distance slots have 0, 1, 2, ... extra bits.
const uint8_t kDistSlotsPerBits[19] = {4, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 14, 0, 12};

struct DistanceSlots {
    uint32_t base[60];
    uint8_t bits[60];
    DistanceSlots() {
        uint32_t dist = 0;
        int slot = 0;
        for (int b = 0; b < 19; ++b)
            for (int j = 0; j < kDistSlotsPerBits[b]; ++j, ++slot, dist += 1u << b) {
                base[slot] = dist;
                bits[slot] = static_cast<uint8_t>(b);
            }
    }
};
const DistanceSlots kDist;

// Main code symbols.
constexpr uint32_t kSymEndOfBlock = 256;
constexpr uint32_t kSymFilter = 257;
constexpr uint32_t kSymRepeatLast = 258;
constexpr uint32_t kSymOldDist = 259;   // 259-262: one of the four last distances
constexpr uint32_t kSymShortDist = 263; // 263-270: length 2 at a short distance
constexpr uint32_t kSymMatch = 271;     // 271-298: length slot, then a distance

// Distances from this slot on send their lowest four bits with the low-distance code.
constexpr uint32_t kFirstLowDistSlot = 10;
constexpr uint32_t kLowDistRepeat = 16;
constexpr uint32_t kLowDistRepeatCount = 16;
constexpr uint32_t kLongDistance1 = 0x2000;
constexpr uint32_t kLongDistance2 = 0x40000;

// Table header bits.
constexpr uint32_t kTablePpmFlag = 0x8000;
constexpr uint32_t kTableKeepOld = 0x4000;
constexpr uint32_t kLevelRunMark = 15;

// Text-model escapes (after the escape symbol).
constexpr int kPpmBackToLz = 0;
constexpr int kPpmEndOfFile = 2;
constexpr int kPpmFilter = 3;
constexpr int kPpmMatch = 4;
constexpr int kPpmRun = 5;

// Filter record flags.
constexpr uint32_t kFilterHasIndex = 0x80;
constexpr uint32_t kFilterStartBias = 0x40;
constexpr uint32_t kFilterHasLength = 0x20;
constexpr uint32_t kFilterHasRegisters = 0x10;
constexpr uint32_t kFilterStartBiasValue = 258;
constexpr std::size_t kMaxFilters = 8192;
constexpr uint32_t kMaxFilterCode = 0x10000;

// Room kept free at the head of the window: more than the longest single copy.
constexpr uint32_t kWindowMargin = 0x1000;
// Past its end the data reads as zeros; the text model's decoder reads a few bytes ahead.
constexpr std::size_t kOverrunSlackBits = 32 * 8;

// A number in the filter record: 4, 8, 16 or 32 bits after a 2-bit tag.
uint32_t readFilterNumber(BitReader& in) {
    uint32_t v = in.peek16();
    switch (v & 0xC000) {
    case 0:
        in.skip(6);
        return (v >> 10) & 0xF;
    case 0x4000:
        if ((v & 0x3C00) == 0) {
            in.skip(14);
            return 0xFFFFFF00u | ((v >> 2) & 0xFF);
        }
        in.skip(10);
        return (v >> 6) & 0xFF;
    case 0x8000:
        in.skip(2);
        return in.read(16);
    default: {
        in.skip(2);
        uint32_t hi = in.read(16);
        return (hi << 16) | in.read(16);
    }
    }
}

} // namespace

void Unpack29::resetStream() {
    window_.reset();
    written_ = 0;
    tablesRead_ = false;
    std::memset(oldTable_, 0, sizeof(oldTable_));
    std::memset(oldDist_, 0, sizeof(oldDist_));
    lastLength_ = 0;
    prevLowDist_ = 0;
    lowDistRepeats_ = 0;
    ppmEscape_ = 2;
    block_ = Block::Lz;
    ppm_.forget();
    filterDefs_.clear();
    lastFilter_ = 0;
    pending_.clear();
}

UnpackStatus Unpack29::unpack(const UnpackInput& input, const OutputSink& sink) {
    if (!window_.allocated() && !window_.init(kWindowSize))
        return UnpackStatus::NoMemory;
    if (!input.solid)
        resetStream();
    if (input.unpackedSize == 0)
        return UnpackStatus::Ok;
    if (input.packedSize == 0)
        return UnpackStatus::Truncated;
    bits_ = BitReader(input.packed, input.packedSize);
    out_ = &sink;
    error_ = UnpackStatus::Ok;
    fileStart_ = written_ = window_.position();
    fileSize_ = input.unpackedSize;
    fileWritten_ = 0;
    pending_.clear();
    UnpackStatus status = decodeFile(input.solid);
    out_ = nullptr;
    return status;
}

UnpackStatus Unpack29::decodeFile(bool solid) {
    if ((!solid || !tablesRead_) && !readTables())
        return error_ != UnpackStatus::Ok ? error_ : UnpackStatus::Damaged;
    const uint64_t end = fileStart_ + fileSize_;
    for (;;) {
        if (window_.position() - written_ > kWindowSize - 2 * kWindowMargin) {
            flush(false);
            if (window_.position() - written_ > kWindowSize - 2 * kWindowMargin)
                return UnpackStatus::Damaged; // a filter block that never completes
        }
        if (window_.position() >= end) {
            tryEndMarker();
            break;
        }
        limit_ = std::min(end, written_ + kWindowSize - 2 * kWindowMargin);
        Stop stop = block_ == Block::Ppm ? decodePpm() : decodeLz();
        if (stop == Stop::EndOfFile)
            break;
        if (stop == Stop::Error)
            return error_ != UnpackStatus::Ok ? error_ : UnpackStatus::Damaged;
    }
    flush(true);
    return fileWritten_ < fileSize_ ? UnpackStatus::Truncated : UnpackStatus::Ok;
}

Unpack29::Stop Unpack29::fail(UnpackStatus why) {
    if (error_ == UnpackStatus::Ok)
        error_ = why;
    return Stop::Error;
}

bool Unpack29::readTables() {
    bits_.alignToByte();
    uint32_t head = bits_.peek16();
    if (head & kTablePpmFlag) {
        block_ = Block::Ppm;
        if (!ppm_.startBlock(ppmInput_, ppmEscape_)) {
            block_ = Block::Lz;
            return false;
        }
        return true;
    }
    block_ = Block::Lz;
    prevLowDist_ = 0;
    lowDistRepeats_ = 0;
    if (!(head & kTableKeepOld))
        std::memset(oldTable_, 0, sizeof(oldTable_));
    bits_.skip(2);

    uint8_t levelLengths[kLevelCodes];
    for (int i = 0; i < kLevelCodes;) {
        uint32_t length = bits_.read(4);
        if (length != kLevelRunMark) {
            levelLengths[i++] = static_cast<uint8_t>(length);
            continue;
        }
        uint32_t zeros = bits_.read(4);
        if (zeros == 0) {
            levelLengths[i++] = kLevelRunMark;
            continue;
        }
        for (zeros += 2; zeros > 0 && i < kLevelCodes; --zeros)
            levelLengths[i++] = 0;
    }
    HuffmanDecoder levels;
    if (!levels.build(levelLengths, kLevelCodes))
        return false;

    uint8_t table[kTableSize];
    for (int i = 0; i < kTableSize;) {
        if (bits_.overrun(kOverrunSlackBits))
            return false;
        uint32_t n = levels.decode(bits_);
        if (n >= kLevelCodes)
            return false;
        if (n < 16) {
            table[i] = static_cast<uint8_t>((n + oldTable_[i]) & 0xF);
            ++i;
        } else if (n < 18) {
            uint32_t count = n == 16 ? bits_.read(3) + 3 : bits_.read(7) + 11;
            if (i == 0)
                return false;
            for (; count > 0 && i < kTableSize; --count, ++i)
                table[i] = table[i - 1];
        } else {
            uint32_t count = n == 18 ? bits_.read(3) + 3 : bits_.read(7) + 11;
            for (; count > 0 && i < kTableSize; --count)
                table[i++] = 0;
        }
    }
    tablesRead_ = true;
    if (bits_.overrun())
        return false;
    if (!mainCode_.build(table, kMainCodes) || !distCode_.build(table + kMainCodes, kDistCodes) ||
        !lowDistCode_.build(table + kMainCodes + kDistCodes, kLowDistCodes) ||
        !repLenCode_.build(table + kMainCodes + kDistCodes + kLowDistCodes, kRepLenCodes))
        return false;
    std::memcpy(oldTable_, table, sizeof(oldTable_));
    return true;
}

bool Unpack29::readEndOfBlock(bool& endOfFile) {
    uint32_t head = bits_.peek16();
    bool newTable;
    endOfFile = false;
    if (head & 0x8000) {
        newTable = true;
        bits_.skip(1);
    } else {
        endOfFile = true;
        newTable = (head & 0x4000) != 0;
        bits_.skip(2);
    }
    tablesRead_ = !newTable;
    if (endOfFile)
        return true;
    return !newTable || readTables();
}

// The entry's bytes are all there; what may still follow is the stream's end-of-file mark,
// which a solid stream needs consumed (it tells whether the next entry brings new tables,
// and the text model must see its symbols).
void Unpack29::tryEndMarker() {
    for (int round = 0; round < 4; ++round) {
        if (bits_.overrun())
            return;
        if (block_ == Block::Lz) {
            std::size_t at = bits_.bitPosition();
            if (mainCode_.decode(bits_) != kSymEndOfBlock) {
                bits_.setBitPosition(at);
                return;
            }
            bool endOfFile = false;
            if (!readEndOfBlock(endOfFile) || endOfFile)
                return;
            continue;
        }
        int ch = ppm_.decodeSymbol();
        if (ch != ppmEscape_)
            return;
        int next = ppm_.decodeSymbol();
        if (next != kPpmBackToLz || !readTables())
            return;
    }
}

void Unpack29::insertOldDist(uint32_t distance) {
    oldDist_[3] = oldDist_[2];
    oldDist_[2] = oldDist_[1];
    oldDist_[1] = oldDist_[0];
    oldDist_[0] = distance;
}

bool Unpack29::copyMatch(uint32_t length, uint32_t distance) {
    return window_.copyMatch(distance, length);
}

Unpack29::Stop Unpack29::decodeLz() {
    while (window_.position() < limit_) {
        if (bits_.overrun(kOverrunSlackBits))
            return fail(UnpackStatus::Truncated);
        uint32_t n = mainCode_.decode(bits_);
        if (n < kSymEndOfBlock) {
            window_.put(static_cast<uint8_t>(n));
            continue;
        }
        if (n >= kSymMatch) {
            n -= kSymMatch;
            if (n >= 28)
                return fail(UnpackStatus::Damaged);
            uint32_t length = kLengthBase[n] + 3u;
            if (kLengthBits[n] > 0)
                length += bits_.read(kLengthBits[n]);
            uint32_t slot = distCode_.decode(bits_);
            if (slot >= kDistCodes)
                return fail(UnpackStatus::Damaged);
            uint32_t distance = kDist.base[slot] + 1;
            uint32_t extra = kDist.bits[slot];
            if (slot >= kFirstLowDistSlot) {
                if (extra > 4)
                    distance += bits_.read(extra - 4) << 4;
                if (lowDistRepeats_ > 0) {
                    --lowDistRepeats_;
                    distance += prevLowDist_;
                } else {
                    uint32_t low = lowDistCode_.decode(bits_);
                    if (low >= kLowDistCodes)
                        return fail(UnpackStatus::Damaged);
                    if (low == kLowDistRepeat) {
                        lowDistRepeats_ = kLowDistRepeatCount - 1;
                        distance += prevLowDist_;
                    } else {
                        distance += low;
                        prevLowDist_ = low;
                    }
                }
            } else if (extra > 0) {
                distance += bits_.read(extra);
            }
            if (distance >= kLongDistance1) {
                ++length;
                if (distance >= kLongDistance2)
                    ++length;
            }
            insertOldDist(distance);
            lastLength_ = length;
            if (!copyMatch(length, distance))
                return fail(UnpackStatus::Damaged);
            continue;
        }
        if (n == kSymEndOfBlock) {
            bool endOfFile = false;
            if (!readEndOfBlock(endOfFile))
                return fail(UnpackStatus::Damaged);
            if (endOfFile)
                return Stop::EndOfFile;
            if (block_ != Block::Lz)
                return Stop::None;
            continue;
        }
        if (n == kSymFilter) {
            if (!readFilterFromBits())
                return fail(UnpackStatus::Damaged);
            continue;
        }
        if (n == kSymRepeatLast) {
            if (lastLength_ != 0 && !copyMatch(lastLength_, oldDist_[0]))
                return fail(UnpackStatus::Damaged);
            continue;
        }
        if (n < kSymShortDist) {
            uint32_t which = n - kSymOldDist;
            uint32_t distance = oldDist_[which];
            for (uint32_t i = which; i > 0; --i)
                oldDist_[i] = oldDist_[i - 1];
            oldDist_[0] = distance;
            uint32_t slot = repLenCode_.decode(bits_);
            if (slot >= 28)
                return fail(UnpackStatus::Damaged);
            uint32_t length = kLengthBase[slot] + 2u;
            if (kLengthBits[slot] > 0)
                length += bits_.read(kLengthBits[slot]);
            lastLength_ = length;
            if (!copyMatch(length, distance))
                return fail(UnpackStatus::Damaged);
            continue;
        }
        uint32_t slot = n - kSymShortDist;
        uint32_t distance = kShortDistBase[slot] + 1u;
        if (kShortDistBits[slot] > 0)
            distance += bits_.read(kShortDistBits[slot]);
        insertOldDist(distance);
        lastLength_ = 2;
        if (!copyMatch(2, distance))
            return fail(UnpackStatus::Damaged);
    }
    return Stop::None;
}

Unpack29::Stop Unpack29::decodePpm() {
    while (window_.position() < limit_) {
        if (bits_.overrun(kOverrunSlackBits))
            return fail(UnpackStatus::Truncated);
        int ch = ppm_.decodeSymbol();
        if (ch < 0)
            return failPpm();
        if (ch != ppmEscape_) {
            window_.put(static_cast<uint8_t>(ch));
            continue;
        }
        int next = ppm_.decodeSymbol();
        if (next < 0)
            return failPpm();
        switch (next) {
        case kPpmBackToLz:
            if (!readTables())
                return fail(UnpackStatus::Damaged);
            return Stop::None;
        case kPpmEndOfFile:
            return Stop::EndOfFile;
        case kPpmFilter:
            if (!readFilterFromPpm())
                return fail(UnpackStatus::Damaged);
            continue;
        case kPpmMatch: {
            uint32_t distance = 0;
            for (int i = 0; i < 3; ++i) {
                int b = ppm_.decodeSymbol();
                if (b < 0)
                    return failPpm();
                distance = (distance << 8) + static_cast<uint32_t>(b);
            }
            int length = ppm_.decodeSymbol();
            if (length < 0)
                return failPpm();
            if (!copyMatch(static_cast<uint32_t>(length) + 32, distance + 2))
                return fail(UnpackStatus::Damaged);
            continue;
        }
        case kPpmRun: {
            int length = ppm_.decodeSymbol();
            if (length < 0)
                return failPpm();
            if (!copyMatch(static_cast<uint32_t>(length) + 4, 1))
                return fail(UnpackStatus::Damaged);
            continue;
        }
        default:
            // Any other code stands for the escape symbol itself.
            window_.put(static_cast<uint8_t>(ch));
            continue;
        }
    }
    return Stop::None;
}

Unpack29::Stop Unpack29::failPpm() {
    ppm_.forget();
    block_ = Block::Lz;
    return fail(UnpackStatus::Damaged);
}

bool Unpack29::readFilterFromBits() {
    uint32_t first = bits_.read(8);
    uint32_t length = (first & 7) + 1;
    if (length == 7)
        length = bits_.read(8) + 7;
    else if (length == 8)
        length = bits_.read(16);
    if (length == 0)
        return false;
    std::vector<uint8_t> code(length);
    for (uint32_t i = 0; i < length; ++i) {
        if (bits_.overrun(kOverrunSlackBits))
            return false;
        code[i] = static_cast<uint8_t>(bits_.read(8));
    }
    return addFilter(first, code.data(), code.size());
}

bool Unpack29::readFilterFromPpm() {
    int first = ppm_.decodeSymbol();
    if (first < 0)
        return false;
    uint32_t length = (static_cast<uint32_t>(first) & 7) + 1;
    if (length == 7) {
        int b = ppm_.decodeSymbol();
        if (b < 0)
            return false;
        length = static_cast<uint32_t>(b) + 7;
    } else if (length == 8) {
        int b1 = ppm_.decodeSymbol();
        int b2 = b1 < 0 ? -1 : ppm_.decodeSymbol();
        if (b2 < 0)
            return false;
        length = static_cast<uint32_t>(b1) * 256 + static_cast<uint32_t>(b2);
    }
    if (length == 0)
        return false;
    std::vector<uint8_t> code(length);
    for (uint32_t i = 0; i < length; ++i) {
        int b = ppm_.decodeSymbol();
        if (b < 0)
            return false;
        code[i] = static_cast<uint8_t>(b);
    }
    return addFilter(static_cast<uint32_t>(first), code.data(), code.size());
}

// A filter record: which filter (a new one brings its program), where its block starts
// relative to the current output, how long it is, and its register values.
bool Unpack29::addFilter(uint32_t first, const uint8_t* code, std::size_t size) {
    BitReader in(code, size);
    std::size_t index = lastFilter_;
    if (first & kFilterHasIndex) {
        uint32_t n = readFilterNumber(in);
        if (n == 0) {
            filterDefs_.clear();
            pending_.clear();
            index = 0;
        } else {
            index = n - 1;
        }
    }
    if (index > filterDefs_.size())
        return false;
    lastFilter_ = index;
    bool isNew = index == filterDefs_.size();
    if (isNew) {
        if (index >= kMaxFilters)
            return false;
        filterDefs_.push_back(FilterDef{});
    }
    if (pending_.size() >= kMaxFilters)
        return false;

    PendingFilter f;
    f.def = index;
    uint32_t start = readFilterNumber(in);
    if (first & kFilterStartBias)
        start += kFilterStartBiasValue;
    f.start = window_.position() + start;
    if (first & kFilterHasLength) {
        f.length = readFilterNumber(in);
        filterDefs_[index].lastLength = f.length;
    } else {
        f.length = filterDefs_[index].lastLength;
    }
    f.params.registers[4] = f.length;
    if (first & kFilterHasRegisters) {
        uint32_t mask = in.read(7);
        for (uint32_t i = 0; i < kRar3FilterRegisters; ++i)
            if (mask & (1u << i))
                f.params.registers[i] = readFilterNumber(in);
    }
    if (isNew) {
        uint32_t programSize = readFilterNumber(in);
        std::size_t at = in.bitPosition() / 8;
        if (programSize == 0 || programSize >= kMaxFilterCode || at + programSize > size) {
            filterDefs_.pop_back();
            return false;
        }
        std::vector<uint8_t> program(programSize);
        for (uint32_t i = 0; i < programSize; ++i)
            program[i] = static_cast<uint8_t>(in.read(8));
        Rar3FilterKind kind = recogniseRar3Filter(program.data(), program.size());
        if (kind == Rar3FilterKind::Unknown) {
            filterDefs_.pop_back();
            error_ = UnpackStatus::Unsupported;
            return false;
        }
        filterDefs_[index].kind = kind;
    }
    if (f.length > kRar3FilterMemory)
        return false;
    pending_.push_back(f);
    return true;
}

// Hands on bytes of the entry at stream positions [from, from + size); bytes past the
// entry's size are dropped.
void Unpack29::emitBytes(uint64_t from, const uint8_t* data, std::size_t size) {
    uint64_t end = fileStart_ + fileSize_;
    if (from >= end || from < fileStart_)
        return;
    std::size_t n = static_cast<std::size_t>(std::min<uint64_t>(size, end - from));
    if (n == 0)
        return;
    (*out_)(data, n);
    fileWritten_ += n;
}

void Unpack29::emitWindow(uint64_t from, uint64_t to) {
    uint64_t end = fileStart_ + fileSize_;
    from = std::max(from, fileStart_);
    to = std::min(to, end);
    if (from >= to)
        return;
    window_.emit(from, to, *out_);
    fileWritten_ += to - from;
}

void Unpack29::flush(bool final) {
    uint64_t border = written_;
    for (std::size_t i = 0; i < pending_.size();) {
        const PendingFilter& f = pending_[i];
        if (f.start < border) {
            // Its block was already handed on; it can no longer apply.
            pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        if (f.start >= window_.position()) {
            ++i;
            continue;
        }
        if (border != f.start) {
            emitWindow(border, f.start);
            border = f.start;
        }
        if (f.start + f.length > window_.position()) {
            if (!final) {
                written_ = border;
                return;
            }
            break;
        }
        filterBlock_.resize(f.length);
        window_.read(f.start, f.length, filterBlock_.data());
        uint64_t start = f.start;
        // Later filters on the same block with the same length run on the result.
        std::size_t j = i;
        do {
            Rar3FilterParams params = pending_[j].params;
            params.fileOffset = static_cast<uint32_t>(start - fileStart_);
            applyRar3Filter(filterDefs_[pending_[j].def].kind, params, filterBlock_,
                            filterScratch_);
            ++j;
        } while (j < pending_.size() && pending_[j].start == start &&
                 pending_[j].length == filterBlock_.size());
        emitBytes(start, filterBlock_.data(), filterBlock_.size());
        border = start + filterBlock_.size();
        pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(i),
                       pending_.begin() + static_cast<std::ptrdiff_t>(j));
    }
    if (border < window_.position())
        emitWindow(border, window_.position());
    written_ = window_.position();
}

} // namespace myrar::unpack
