#pragma once
// A packed array of terrain data that several holders may share. The undo
// ring keeps five states of the terrain, and a step changes only some of a
// sector's arrays: copying a SharedArray shares its block, and the first write
// through a holder that is not the block's only one gives that holder a block
// of its own. Reading is always through const access, so no code can write
// into a block another state still shows.
//
// Every block carries a version, a number no other contents have had: it is
// new whenever a block is made or written. Work derived from an array (face
// bases from positions, draw orders from textures) records the versions it was
// derived from and is skipped while they are unchanged.
//
// Holder counts are atomic: sectors of one Landscape may share blocks (a new
// map's sectors share one face layout) and are written from several worker
// threads at once. Blocks come from the terrain pool; a failed allocation
// throws std::bad_alloc. Items must be plain data, copied as bytes.

#include "landscape/TerrainPool.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

// A version no block has had yet (never 0, which stands for "no block").
uint64_t newArrayVersion();

template <class T> class SharedArray {
    static_assert(std::is_trivially_copyable<T>::value, "items are copied as bytes");

  public:
    SharedArray() = default;
    SharedArray(const SharedArray& other) : block_(other.block_) { hold(block_); }
    SharedArray(SharedArray&& other) noexcept : block_(other.block_) { other.block_ = nullptr; }
    SharedArray& operator=(const SharedArray& other) {
        if (block_ != other.block_) {
            hold(other.block_);
            let(block_);
            block_ = other.block_;
        }
        return *this;
    }
    SharedArray& operator=(SharedArray&& other) noexcept {
        if (this != &other) {
            let(block_);
            block_ = other.block_;
            other.block_ = nullptr;
        }
        return *this;
    }
    ~SharedArray() { let(block_); }

    size_t size() const { return block_ != nullptr ? block_->count : 0; }
    bool empty() const { return size() == 0; }
    const T* data() const { return block_ != nullptr ? items(block_) : nullptr; }
    const T& operator[](size_t index) const { return data()[index]; }
    const T* begin() const { return data(); }
    const T* end() const { return data() + size(); }
    // 0 without items; otherwise the version of the block's contents.
    uint64_t version() const { return block_ != nullptr ? block_->version : 0; }
    bool sharesBlockWith(const SharedArray& other) const {
        return block_ != nullptr && block_ == other.block_;
    }
    // Holders of the block, this one included (0 without items).
    uint32_t holders() const {
        return block_ != nullptr ? block_->holders.load(std::memory_order_acquire) : 0;
    }

    // The items to write, in a block of this holder's own with the same contents.
    T* write() {
        if (block_ == nullptr)
            return nullptr;
        own(block_->count);
        block_->version = newArrayVersion();
        return items(block_);
    }

    // count items whose old values are not wanted: a block of this holder's
    // own, its contents left undefined (nothing is copied).
    T* overwrite(size_t count) {
        if (block_ == nullptr || block_->count != count || !unique()) {
            Block* fresh = count > 0 ? make(count) : nullptr;
            let(block_);
            block_ = fresh;
        }
        if (block_ == nullptr)
            return nullptr;
        block_->version = newArrayVersion();
        return items(block_);
    }

    // count copies of value; an array that holds just that already is left
    // as it is, shared or not.
    void assign(size_t count, const T& value) {
        if (size() == count && all(value))
            return;
        T* out = overwrite(count);
        for (size_t i = 0; i < count; ++i)
            out[i] = value;
    }

    void clear() {
        let(block_);
        block_ = nullptr;
    }

    // change(index, item) may alter a copy of each item in turn. The array is
    // written only from the first item whose bytes really change: an update
    // that changes nothing leaves a shared block shared and its version as it
    // was. Returns whether anything changed.
    template <class Change> bool update(Change change) {
        const size_t count = size();
        Block* old = block_;
        Block* target = nullptr;
        for (size_t i = 0; i < count; ++i) {
            const T& before = items(old)[i];
            T item = before;
            change(i, item);
            if (target == nullptr) {
                if (std::memcmp(&item, &before, sizeof(T)) == 0)
                    continue;
                target = unique() ? old : make(count);
                if (target != old)
                    std::memcpy(items(target), items(old), i * sizeof(T));
            }
            items(target)[i] = item;
        }
        if (target == nullptr)
            return false;
        if (target != old) {
            block_ = target;
            let(old); // read to the end before letting go: others may free it now
        }
        block_->version = newArrayVersion();
        return true;
    }

    // Makes other hold this block when both hold the same bytes.
    void shareIfEqual(SharedArray& other) const {
        if (block_ == nullptr || block_ == other.block_ || other.size() != size() ||
            std::memcmp(data(), other.data(), size() * sizeof(T)) != 0)
            return;
        other = *this;
    }

  private:
    struct Block {
        std::atomic<uint32_t> holders;
        uint64_t version;
        size_t count;
    };
    static constexpr size_t headerBytes = 32; // keeps the items 32-byte aligned
    static_assert(sizeof(Block) <= headerBytes, "the header fits before the items");

    Block* block_ = nullptr;

    static T* items(Block* block) {
        return reinterpret_cast<T*>(reinterpret_cast<char*>(block) + headerBytes);
    }
    static size_t bytesFor(size_t count) { return headerBytes + count * sizeof(T); }

    static Block* make(size_t count) {
        if (count > (size_t(-1) - headerBytes) / sizeof(T))
            throw std::bad_alloc();
        Block* block = static_cast<Block*>(terrainAllocate(bytesFor(count)));
        block->holders.store(1, std::memory_order_relaxed);
        block->version = newArrayVersion();
        block->count = count;
        return block;
    }
    static void hold(Block* block) {
        if (block != nullptr)
            block->holders.fetch_add(1, std::memory_order_relaxed);
    }
    static void let(Block* block) {
        if (block != nullptr && block->holders.fetch_sub(1, std::memory_order_acq_rel) == 1)
            terrainFree(block, bytesFor(block->count));
    }
    bool unique() const { return block_->holders.load(std::memory_order_acquire) == 1; }

    // Gives this holder a block of its own with the same contents.
    void own(size_t count) {
        if (unique())
            return;
        Block* copy = make(count);
        std::memcpy(items(copy), items(block_), count * sizeof(T));
        let(block_);
        block_ = copy;
    }

    bool all(const T& value) const {
        for (size_t i = 0; i < size(); ++i)
            if (std::memcmp(&items(block_)[i], &value, sizeof(T)) != 0)
                return false;
        return true;
    }
};
