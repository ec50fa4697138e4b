// Memory handed out in order from large blocks and taken back only all at once: for a model that
// is filled in bulk and emptied whole (the buddy roster). Reset keeps the blocks for the next fill,
// as the heap keeps freed memory for later allocations, so filling again touches no fresh pages.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

class BumpArena {
public:
    // Room for size bytes at an alignment of at most that of std::max_align_t, valid until Reset.
    void* Allocate(size_t size, size_t align) {
        for (;; ++m_current, m_used = 0) {
            if (m_current == m_blocks.size()) {
                // A request larger than a block gets a block of its own size.
                const size_t blockSize = size > kBlockSize ? size : kBlockSize;
                m_blocks.push_back({std::unique_ptr<std::byte[]>(new std::byte[blockSize]), blockSize});
            }
            // Blocks start at the heap's alignment, so aligning the offset aligns the address.
            const size_t start = (m_used + align - 1) & ~(align - 1);
            if (start <= m_blocks[m_current].size && size <= m_blocks[m_current].size - start) {
                m_used = start + size;
                return m_blocks[m_current].data.get() + start;
            }
        }
    }

    // Takes everything back and keeps the blocks.
    void Reset() {
        m_current = 0;
        m_used = 0;
    }

private:
    static constexpr size_t kBlockSize = 64 * 1024;

    struct Block {
        std::unique_ptr<std::byte[]> data;
        size_t size = 0;
    };
    std::vector<Block> m_blocks;
    size_t m_current = 0;  // the block being filled
    size_t m_used = 0;     // bytes of it handed out
};
