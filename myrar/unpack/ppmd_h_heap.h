#pragma once
// The memory of the order-n text model: one block carved into 12-byte units, with the
// model's text growing from the bottom and its contexts and statistics taken as units from
// the top. Places are 32-bit offsets into the block, so the layout (and with it the moment
// the model runs out of memory and restarts) is the same as the compressor's.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace myrar::unpack {

class PpmdHeap {
public:
    static constexpr uint32_t kUnitSize = 12;
    static constexpr int kIndexCount = 38;
    // The block header asks for 1 to 256 MiB; that range is also our cap.
    static constexpr uint32_t kMaxMegabytes = 256;

    PpmdHeap();

    // Makes the block `megabytes` MiB large (kept when the size is unchanged). False when
    // the size is out of range or the memory cannot be had.
    bool reserve(uint32_t megabytes);
    void release();
    bool reserved() const { return size_ != 0; }

    // Forgets every allocation: the text starts at the bottom again.
    void clear();

    uint32_t allocContext();
    uint32_t allocUnits(uint32_t units);
    uint32_t expandUnits(uint32_t old, uint32_t oldUnits);
    uint32_t shrinkUnits(uint32_t old, uint32_t oldUnits, uint32_t newUnits);
    void freeUnits(uint32_t block, uint32_t units);

    // The model's text: symbols written one after the other below the units.
    uint32_t text() const { return text_; }
    bool putText(uint8_t symbol);
    void unputText() { --text_; }
    uint32_t unitsStart() const { return unitsStart_; }
    uint32_t end() const { return end_; }

    // Raw access. Every place is checked against the block; a stray one reads zeros and
    // marks the heap broken instead of touching memory outside it.
    uint8_t get8(uint32_t at) const {
        if (at >= total_)
            return fault();
        return mem_[at];
    }
    void set8(uint32_t at, uint8_t v) {
        if (at >= total_) {
            fault();
            return;
        }
        mem_[at] = v;
    }
    uint16_t get16(uint32_t at) const {
        if (at > total_ - 2)
            return fault();
        uint16_t v;
        std::memcpy(&v, mem_.get() + at, 2);
        return v;
    }
    void set16(uint32_t at, uint16_t v) {
        if (at > total_ - 2) {
            fault();
            return;
        }
        std::memcpy(mem_.get() + at, &v, 2);
    }
    uint32_t get32(uint32_t at) const {
        if (at > total_ - 4)
            return fault();
        uint32_t v;
        std::memcpy(&v, mem_.get() + at, 4);
        return v;
    }
    void set32(uint32_t at, uint32_t v) {
        if (at > total_ - 4) {
            fault();
            return;
        }
        std::memcpy(mem_.get() + at, &v, 4);
    }
    void move(uint32_t to, uint32_t from, uint32_t bytes);

    bool broken() const { return broken_; }
    void markBroken() { broken_ = true; }

private:
    struct FreeDeleter {
        void operator()(uint8_t* p) const;
    };

    uint8_t fault() const {
        broken_ = true;
        return 0;
    }
    void insertNode(uint32_t block, int index);
    uint32_t removeNode(int index);
    void splitBlock(uint32_t block, int oldIndex, int newIndex);
    uint32_t allocUnitsRare(int index);
    void glueFreeBlocks();

    std::unique_ptr<uint8_t[], FreeDeleter> mem_;
    uint32_t total_ = 0; // bytes held, guard units included
    uint32_t size_ = 0;  // bytes the model may use
    uint32_t start_ = 0;
    uint32_t end_ = 0;
    uint32_t text_ = 0;
    uint32_t unitsStart_ = 0;
    uint32_t loUnit_ = 0;
    uint32_t hiUnit_ = 0;
    int glueCount_ = 0;
    uint32_t freeList_[kIndexCount] = {};
    mutable bool broken_ = false;

    uint8_t indexToUnits_[kIndexCount];
    uint8_t unitsToIndex_[128];
};

} // namespace myrar::unpack
