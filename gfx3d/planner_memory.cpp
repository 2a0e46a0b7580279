// The path planner's per-thread store of blocks kept between searches.
#include "gfx3d/planner_memory.h"

#include <cstdlib>
#include <cstring>

#include "core/errors.h"

namespace vantrel::detail {

namespace {

// Smaller blocks are cheap to get afresh and are left to the C library.
constexpr std::size_t SMALLEST_KEPT = std::size_t{64} << 10;
constexpr int MOST_KEPT = 16;

struct KeptBlocks {
  struct Block {
    void* memory;
    std::size_t bytes;
  };
  Block blocks[MOST_KEPT];  // oldest first
  int count = 0;
  std::size_t bytes = 0;

  ~KeptBlocks() { freeOldest(count); }

  void take(int index) {
    bytes -= blocks[index].bytes;
    for (int i = index + 1; i < count; ++i) blocks[i - 1] = blocks[i];
    --count;
  }
  void freeOldest(int n) {
    for (int i = 0; i < n; ++i) std::free(blocks[i].memory);
    for (int i = 0; i < n; ++i) bytes -= blocks[i].bytes;
    for (int i = n; i < count; ++i) blocks[i - n] = blocks[i];
    count -= n;
  }
};

thread_local KeptBlocks kept;

void* allocateFresh(std::size_t bytes, bool zeroed) {
  return zeroed ? std::calloc(bytes, 1) : std::malloc(bytes);
}

}  // namespace

void* borrowBytes(std::size_t bytes, bool zeroed) {
  if (bytes == 0) return nullptr;
  for (int i = kept.count - 1; i >= 0; --i) {
    if (kept.blocks[i].bytes != bytes) continue;
    void* memory = kept.blocks[i].memory;
    kept.take(i);
    if (zeroed) std::memset(memory, 0, bytes);
    return memory;
  }
  void* memory = allocateFresh(bytes, zeroed);
  if (!memory && kept.count > 0) {
    releaseKeptBlocks();
    memory = allocateFresh(bytes, zeroed);
  }
  if (!memory) failFatally(ERR_OUT_OF_MEMORY);
  return memory;
}

void returnBytes(void* block, std::size_t bytes) {
  if (!block) return;
  if (bytes < SMALLEST_KEPT || bytes > PLANNER_MEMORY_KEPT) {
    std::free(block);
    return;
  }
  int drop = 0;
  std::size_t left = kept.bytes;
  while (drop < kept.count && (kept.count - drop == MOST_KEPT || left + bytes > PLANNER_MEMORY_KEPT)) {
    left -= kept.blocks[drop].bytes;
    ++drop;
  }
  kept.freeOldest(drop);
  kept.blocks[kept.count++] = {block, bytes};
  kept.bytes += bytes;
}

void releaseKeptBlocks() { kept.freeOldest(kept.count); }

std::size_t keptBytes() { return kept.bytes; }

}  // namespace vantrel::detail
