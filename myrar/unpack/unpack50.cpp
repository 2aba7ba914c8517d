#include "unpack50.h"

#include <algorithm>

namespace myrar::unpack {

namespace {

// Block header flags.
constexpr uint8_t kBlockBitsMask = 0x07;    // bits used in the block's last byte, minus one
constexpr uint8_t kBlockSizeBytesShift = 3; // bytes of the size field, minus one (2 bits)
constexpr uint8_t kBlockLast = 0x40;
constexpr uint8_t kBlockTables = 0x80;
constexpr uint8_t kBlockCheckSeed = 0x5A;

// Main code symbols.
constexpr uint32_t kSymFilter = 256;
constexpr uint32_t kSymRepeatLast = 257;
constexpr uint32_t kSymRepeatDist0 = 258;
constexpr uint32_t kSymMatch = 262;

// Level code symbols of the table lengths.
constexpr uint32_t kLevelRepeat3 = 16;
constexpr uint32_t kLevelRepeat11 = 17;
constexpr uint32_t kLevelZeros3 = 18;
constexpr uint32_t kLevelEscape = 15; // in the level lengths: 15 then a zero-run count

constexpr std::size_t kMaxPendingFilters = 8192;
// Output is handed on in pieces of about this size.
constexpr uint64_t kFlushChunk = 0x40000;
// The longest match: a length slot of 43 with its extra bits, plus the distance bonus.
constexpr uint32_t kMaxMatch = 0x1001 + 3 + 0x40000;

} // namespace

UnpackStatus Unpack50::unpack(const UnpackInput& input, const OutputSink& sink) {
    if (!input.solid || !started_) {
        UnpackStatus status = startStream(input);
        if (status != UnpackStatus::Ok)
            return status;
    } else if (input.dictionarySize > dictionary_) {
        // A solid stream keeps its window; an entry asking for more cannot be trusted.
        return UnpackStatus::Damaged;
    }
    in_ = BitReader(input.packed, input.packedSize);
    block_ = BlockHeader{};
    filters_.clear();
    fileStart_ = window_.position();
    fileEnd_ = fileStart_ + input.unpackedSize;
    written_ = fileStart_;
    sink_ = &sink;
    UnpackStatus status = decodeFile();
    sink_ = nullptr;
    if (status != UnpackStatus::Ok)
        started_ = false;
    return status;
}

UnpackStatus Unpack50::startStream(const UnpackInput& input) {
    if (input.dictionarySize > LzWindow::kMaxSize)
        return UnpackStatus::NoMemory;
    distCodes_ = input.version == 70 ? kDistCodes70 : kDistCodes50;
    dictionary_ = std::max<uint64_t>(input.dictionarySize, LzWindow::kMinSize);
    // Room for the history a match may reach, plus the unfiltered range still held back.
    if (!window_.init(dictionary_ + kRar5MaxFilterLength + kFlushChunk + kMaxMatch))
        return UnpackStatus::NoMemory;
    tablesRead_ = false;
    std::fill(std::begin(rep_), std::end(rep_), 0);
    lastLength_ = 0;
    started_ = true;
    return UnpackStatus::Ok;
}

bool Unpack50::readBlockHeader(BlockHeader& header) {
    in_.alignToByte();
    uint8_t flags = static_cast<uint8_t>(in_.read(8));
    uint8_t check = static_cast<uint8_t>(in_.read(8));
    unsigned sizeBytes = ((flags >> kBlockSizeBytesShift) & 3) + 1;
    if (sizeBytes == 4)
        return false;
    uint32_t size = 0;
    uint8_t sum = kBlockCheckSeed ^ flags;
    for (unsigned i = 0; i < sizeBytes; ++i) {
        uint32_t b = in_.read(8);
        size |= b << (8 * i);
        sum ^= static_cast<uint8_t>(b);
    }
    if (sum != check || in_.overrun())
        return false;
    unsigned lastBits = (flags & kBlockBitsMask) + 1;
    std::size_t start = in_.bitPosition();
    header.endBit = start + (size == 0 ? 0 : (std::size_t(size) - 1) * 8 + lastBits);
    header.last = (flags & kBlockLast) != 0;
    header.tables = (flags & kBlockTables) != 0;
    // A block may not claim more data than the entry holds.
    return header.endBit <= in_.bitSize();
}

bool Unpack50::readTables() {
    uint8_t levelLengths[kLevelCodes];
    for (int i = 0; i < kLevelCodes;) {
        uint8_t length = static_cast<uint8_t>(in_.read(4));
        if (length != kLevelEscape) {
            levelLengths[i++] = length;
            continue;
        }
        unsigned zeros = in_.read(4);
        if (zeros == 0) {
            levelLengths[i++] = kLevelEscape;
            continue;
        }
        for (unsigned z = 0; z < zeros + 2 && i < kLevelCodes; ++z)
            levelLengths[i++] = 0;
    }
    HuffmanDecoder level;
    if (!level.build(levelLengths, kLevelCodes))
        return false;

    const int tableSize = kMainCodes + distCodes_ + kLowDistCodes + kRepLenCodes;
    uint8_t lengths[kMaxTableSize];
    for (int i = 0; i < tableSize;) {
        if (in_.bitPosition() > block_.endBit)
            return false;
        uint32_t sym = level.decode(in_);
        if (sym < kLevelRepeat3) {
            lengths[i++] = static_cast<uint8_t>(sym);
        } else if (sym == kLevelRepeat3 || sym == kLevelRepeat11) {
            if (i == 0)
                return false;
            unsigned count = sym == kLevelRepeat3 ? 3 + in_.read(3) : 11 + in_.read(7);
            uint8_t prev = lengths[i - 1];
            for (unsigned k = 0; k < count && i < tableSize; ++k)
                lengths[i++] = prev;
        } else if (sym < kLevelCodes) {
            unsigned count = sym == kLevelZeros3 ? 3 + in_.read(3) : 11 + in_.read(7);
            for (unsigned k = 0; k < count && i < tableSize; ++k)
                lengths[i++] = 0;
        } else {
            return false;
        }
    }
    const uint8_t* p = lengths;
    if (!main_.build(p, kMainCodes))
        return false;
    p += kMainCodes;
    if (!dist_.build(p, distCodes_))
        return false;
    p += distCodes_;
    if (!lowDist_.build(p, kLowDistCodes))
        return false;
    p += kLowDistCodes;
    if (!repLen_.build(p, kRepLenCodes))
        return false;
    tablesRead_ = true;
    return !in_.overrun();
}

// Filter numbers: 2 bits giving the byte count (1 to 4), then the bytes, low first.
static uint32_t readFilterNumber(BitReader& in) {
    unsigned bytes = in.read(2) + 1;
    uint32_t v = 0;
    for (unsigned i = 0; i < bytes; ++i)
        v |= in.read(8) << (8 * i);
    return v;
}

bool Unpack50::readFilter() {
    constexpr unsigned kDeltaChannelBits = 5;
    uint64_t start = window_.position() + readFilterNumber(in_);
    uint32_t length = readFilterNumber(in_);
    uint32_t type = in_.read(3);
    uint32_t channels = 0;
    if (type == static_cast<uint32_t>(Rar5FilterType::Delta))
        channels = in_.read(kDeltaChannelBits) + 1;
    else if (type > static_cast<uint32_t>(Rar5FilterType::Arm))
        return false;
    if (length == 0 || length > kRar5MaxFilterLength || filters_.size() >= kMaxPendingFilters)
        return false;
    // Ranges are handed on in order; one that starts inside an earlier range is refused.
    if (!filters_.empty()) {
        const PendingFilter& prev = filters_.back();
        if (start < prev.start + prev.length)
            return false;
    }
    filters_.push_back(PendingFilter{static_cast<Rar5FilterType>(type), start, length, channels});
    return true;
}

uint32_t Unpack50::readLength(uint32_t slot) {
    if (slot < 8)
        return slot + 2;
    unsigned bits = slot / 4 - 1;
    return 2 + ((4 | (slot & 3)) << bits) + in_.read(bits);
}

uint64_t Unpack50::readDistance(uint32_t slot) {
    if (slot < 4)
        return slot + 1;
    unsigned bits = slot / 2 - 1;
    uint64_t distance = 1 + (uint64_t(2 | (slot & 1)) << bits);
    if (bits < 4)
        return distance + in_.read(bits);
    if (bits > 4) {
        unsigned high = bits - 4;
        uint64_t extra =
            high > 32 ? (uint64_t(in_.read(high - 32)) << 32) | in_.read(32) : in_.read(high);
        distance += extra << 4;
    }
    uint32_t low = lowDist_.decode(in_);
    if (low >= kLowDistCodes)
        return 0;
    return distance + low;
}

bool Unpack50::copy(uint64_t distance, uint32_t length) {
    if (distance > dictionary_)
        return false;
    uint64_t room = fileEnd_ - window_.position();
    return window_.copyMatch(distance, static_cast<uint32_t>(std::min<uint64_t>(length, room)));
}

bool Unpack50::flush() {
    uint64_t end = std::min(window_.position(), fileEnd_);
    while (written_ < end) {
        if (filters_.empty()) {
            window_.emit(written_, end, *sink_);
            written_ = end;
            return true;
        }
        PendingFilter& f = filters_.front();
        if (f.start < written_)
            return false;
        if (written_ < f.start) {
            uint64_t to = std::min(end, f.start);
            window_.emit(written_, to, *sink_);
            written_ = to;
            continue;
        }
        // A range cut off by the entry's end is filtered as far as it goes.
        uint64_t filterEnd = std::min<uint64_t>(f.start + f.length, fileEnd_);
        if (window_.position() < filterEnd)
            return true;
        std::size_t size = static_cast<std::size_t>(filterEnd - f.start);
        filterIn_.resize(size);
        window_.read(f.start, size, filterIn_.data());
        const uint8_t* result = filterIn_.data();
        uint64_t fileOffset = f.start - fileStart_;
        switch (f.type) {
        case Rar5FilterType::Delta:
            filterOut_.resize(size);
            rar5DeltaDecode(filterIn_.data(), filterOut_.data(), size, f.channels);
            result = filterOut_.data();
            break;
        case Rar5FilterType::E8:
        case Rar5FilterType::E8E9:
            rar5E8Decode(filterIn_.data(), size, fileOffset, f.type == Rar5FilterType::E8E9);
            break;
        case Rar5FilterType::Arm:
            rar5ArmDecode(filterIn_.data(), size, fileOffset);
            break;
        }
        if (size > 0)
            (*sink_)(result, size);
        written_ = filterEnd;
        filters_.erase(filters_.begin());
    }
    return true;
}

UnpackStatus Unpack50::decodeFile() {
    bool lastBlockDone = false;
    while (window_.position() < fileEnd_) {
        if (!block_.endBit || in_.bitPosition() >= block_.endBit) {
            if (block_.endBit && block_.last) {
                lastBlockDone = true;
                break;
            }
            if (in_.bitPosition() > block_.endBit && block_.endBit)
                return UnpackStatus::Damaged;
            if (!readBlockHeader(block_))
                return in_.overrun() ? UnpackStatus::Truncated : UnpackStatus::Damaged;
            if (block_.tables && !readTables())
                return UnpackStatus::Damaged;
            if (!tablesRead_)
                return UnpackStatus::Damaged;
            continue;
        }
        if (window_.position() - written_ >= kFlushChunk && !flush())
            return UnpackStatus::Damaged;
        // Held-back output may not outgrow the room the window keeps for it.
        if (window_.position() - written_ > kRar5MaxFilterLength + 2 * kFlushChunk)
            return UnpackStatus::Damaged;

        uint32_t sym = main_.decode(in_);
        if (sym < kSymFilter) {
            window_.put(static_cast<uint8_t>(sym));
            continue;
        }
        if (sym >= kSymMatch && sym < uint32_t(kMainCodes)) {
            uint32_t length = readLength(sym - kSymMatch);
            uint32_t slot = dist_.decode(in_);
            if (slot >= uint32_t(distCodes_))
                return UnpackStatus::Damaged;
            uint64_t distance = readDistance(slot);
            if (distance == 0)
                return UnpackStatus::Damaged;
            if (distance > 0x100)
                ++length;
            if (distance > 0x2000)
                ++length;
            if (distance > 0x40000)
                ++length;
            rep_[3] = rep_[2];
            rep_[2] = rep_[1];
            rep_[1] = rep_[0];
            rep_[0] = distance;
            lastLength_ = length;
            if (!copy(distance, length))
                return UnpackStatus::Damaged;
        } else if (sym == kSymFilter) {
            if (!readFilter())
                return UnpackStatus::Damaged;
        } else if (sym == kSymRepeatLast) {
            if (lastLength_ != 0 && !copy(rep_[0], lastLength_))
                return UnpackStatus::Damaged;
        } else if (sym >= kSymRepeatDist0 && sym < kSymMatch) {
            unsigned index = sym - kSymRepeatDist0;
            uint64_t distance = rep_[index];
            for (unsigned k = index; k > 0; --k)
                rep_[k] = rep_[k - 1];
            rep_[0] = distance;
            uint32_t slot = repLen_.decode(in_);
            if (slot >= uint32_t(kRepLenCodes))
                return UnpackStatus::Damaged;
            uint32_t length = readLength(slot);
            lastLength_ = length;
            if (!copy(distance, length))
                return UnpackStatus::Damaged;
        } else {
            return UnpackStatus::Damaged;
        }
        if (in_.overrun())
            return UnpackStatus::Truncated;
    }
    (void)lastBlockDone;
    if (!flush())
        return UnpackStatus::Damaged;
    // Filters whose range never completed leave output behind: that is a damaged entry.
    if (written_ != fileEnd_)
        return window_.position() < fileEnd_ ? UnpackStatus::Truncated : UnpackStatus::Damaged;
    return UnpackStatus::Ok;
}

} // namespace myrar::unpack
