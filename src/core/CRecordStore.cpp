#include "core/CRecordStore.h"

#include "core/CLargeBlockAllocator.h"

#include <algorithm>
#include <system_error>

namespace {

constexpr std::size_t kFirstChunk = std::size_t{16} << 10;
constexpr std::size_t kLargestChunk = std::size_t{4} << 20;

} // namespace

char* CRecordStore::Reserve(std::size_t size) {
    if (!chunks.empty() && chunks.back().size - used >= size) return chunks.back().data + used;
    const std::size_t grown = chunks.empty() ? kFirstChunk : std::min(chunks.back().size * 2, kLargestChunk);
    const std::size_t chunkSize = std::max(grown, size);
    chunks.reserve(chunks.size() + 1);
    chunks.push_back({NewChunk(chunkSize), chunkSize});
    used = 0;
    return chunks.back().data;
}

// A long list takes chunks of the largest size, each one made ready while the records before it were
// packed: the first touch of fresh memory costs a page fault for every page (dear in a virtual
// machine), and on another core it is out of the reader's way.
char* CRecordStore::NewChunk(std::size_t size) {
    if (size != kLargestChunk) return CLargeBlockAllocator<char>().allocate(size);
    char* chunk = next.valid() ? next.get() : CLargeBlockAllocator<char>().allocate(size);
    PrepareNext();
    return chunk;
}

void CRecordStore::PrepareNext() {
    try {
        next = std::async(std::launch::async, [] {
            char* chunk = CLargeBlockAllocator<char>().allocate(kLargestChunk);
            for (std::size_t at = 0; at < kLargestChunk; at += 4096)
                chunk[at] = 0; // the page is there when the list writes it
            return chunk;
        });
    } catch (const std::system_error&) {
        // Without a thread the next chunk is taken when it is needed, as those of a short list.
    }
}

void CRecordStore::DropNext() {
    if (!next.valid()) return;
    try {
        CLargeBlockAllocator<char>().deallocate(next.get(), kLargestChunk);
    } catch (const std::bad_alloc&) {
        // The chunk was never there.
    }
}

void CRecordStore::Commit(std::size_t size) {
    starts.push_back(chunks.back().data + used);
    used += size;
}

void CRecordStore::Clear() {
    DropNext();
    for (const CChunk& chunk : chunks)
        CLargeBlockAllocator<char>().deallocate(chunk.data, chunk.size);
    chunks.clear();
    chunks.shrink_to_fit();
    starts.clear();
    starts.shrink_to_fit();
    used = 0;
}
