// Storage for the path planner's blocks. A search on a large grid touches tens of megabytes, and
// every first touch of fresh memory is a page fault; so the blocks of one search stay with the
// thread (up to PLANNER_MEMORY_KEPT bytes) and serve the next search of the same grid size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace vantrel::detail {

constexpr std::size_t PLANNER_MEMORY_KEPT = std::size_t{128} << 20;

// A block of at least bytes (null for 0), all zero when zeroed is set. Running out of memory is
// fatal, as for arrays.
void* borrowBytes(std::size_t bytes, bool zeroed);
// Gives back a block from borrowBytes of the same size; it is kept for a later borrow or freed.
void returnBytes(void* block, std::size_t bytes);
// Frees every block kept by this thread.
void releaseKeptBlocks();
// Bytes kept by this thread.
std::size_t keptBytes();

template <typename T>
T* borrowBlock(int64_t count, bool zeroed) {
  static_assert(std::is_trivial_v<T>, "raw storage holds trivial types only");
  if (count <= 0) return nullptr;
  return static_cast<T*>(borrowBytes(static_cast<std::size_t>(count) * sizeof(T), zeroed));
}

template <typename T>
void returnBlock(T* block, int64_t count) {
  if (block) returnBytes(block, static_cast<std::size_t>(count) * sizeof(T));
}

}  // namespace vantrel::detail
