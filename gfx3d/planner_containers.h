// Building blocks of the grid path planner: the search node, the factory that preallocates all
// nodes, the hash table that holds the closed set and the fixed-capacity ring buffer of the open list.
#pragma once

#include <cstdint>
#include <type_traits>

#include "gfx3d/planner_memory.h"

namespace vantrel {

struct Node {
  Node* parent;  // null for the start cell
  int32_t x;
  int32_t y;
  float f;     // priority: the open list hands out the lowest first
  float g;     // cost so far
  Node* next;  // next node in the same hash bucket
  // Kept by AStarPlanner: the node's slot in its heap-ordered open list, -1 while not in it.
  int32_t openIndex;
};

// Hands out the nodes of one block allocated up front, so that a search never allocates.
class NodeFactory {
 public:
  NodeFactory() = default;
  ~NodeFactory() { releaseStorage(); }
  NodeFactory(const NodeFactory&) = delete;
  NodeFactory& operator=(const NodeFactory&) = delete;

  // Releases all nodes, then allocates count of them.
  void reserve(int32_t count);
  // The next unused node, or null when all are in use. Its fields are not initialised.
  Node* allocate() { return next_ < size_ ? &block_[next_++] : nullptr; }
  // Takes every node back.
  void releaseAll() { next_ = 0; }
  int32_t size() const { return size_; }
  int32_t inUse() const { return next_; }
  // Nodes by their place in the block, for per-cell indexes that are smaller than pointers.
  int32_t indexOf(const Node* node) const { return static_cast<int32_t>(node - block_); }
  Node* nodeAt(int32_t index) const { return &block_[index]; }

 private:
  void releaseStorage();

  int32_t size_ = 0;
  Node* block_ = nullptr;
  int32_t next_ = 0;
};

// The closed set: 2^bits buckets of nodes linked through their next field, newest first. The
// bucket of (x, y) takes the low bits/2 bits of each coordinate.
class NodeHashTable {
 public:
  NodeHashTable() = default;
  ~NodeHashTable() { detail::returnBlock(buckets_, bucketCount()); }
  NodeHashTable(const NodeHashTable&) = delete;
  NodeHashTable& operator=(const NodeHashTable&) = delete;

  // Bits above 24 become 24 and an odd count loses its lowest bit; all buckets start empty.
  void create(int32_t bits);
  // Does nothing when the node is already in its bucket.
  void insert(Node* node);
  // The node of (x, y) or null; remembers where it is linked for removeFound.
  Node* find(int32_t x, int32_t y);
  // Unlinks the node found by the last successful find.
  void removeFound();
  void clear();
  int32_t bits() const { return bits_; }
  // Asks the processor to fetch the bucket of (x, y) ahead of an insert or find.
  void prefetchBucket(int32_t x, int32_t y) const {
    if (buckets_) __builtin_prefetch(bucketOf(x, y), 1);
  }

 private:
  int64_t bucketCount() const { return buckets_ ? int64_t{1} << bits_ : 0; }
  Node** bucketOf(int32_t x, int32_t y) const {
    return &buckets_[static_cast<uint32_t>(x & mask_) | (static_cast<uint32_t>(y & mask_) << shift_)];
  }

  Node** buckets_ = nullptr;
  int32_t bits_ = 0;
  int32_t shift_ = 0;
  int32_t mask_ = 0;
  Node** found_ = nullptr;  // the link that points at the node found last
};

// A ring buffer of a fixed capacity. Index i of at, insertAt and eraseAt counts from the first
// element; callers keep it within the elements (0..size, 0..size-1).
template <typename T>
class FixedDeque {
  static_assert(std::is_trivially_copyable_v<T>, "elements are moved as raw values");

 public:
  FixedDeque() = default;
  ~FixedDeque() { detail::returnBlock(items_, capacity_); }
  FixedDeque(const FixedDeque&) = delete;
  FixedDeque& operator=(const FixedDeque&) = delete;

  // Drops the elements and makes room for capacity of them.
  void reserve(int32_t capacity) {
    detail::returnBlock(items_, capacity_);
    items_ = detail::borrowBlock<T>(capacity, false);
    capacity_ = items_ ? capacity : 0;
    clear();
  }
  int32_t size() const { return size_; }
  int32_t capacity() const { return capacity_; }
  bool isEmpty() const { return size_ == 0; }
  bool isFull() const { return size_ == capacity_; }

  T& at(int32_t i) { return items_[slot(i)]; }
  const T& at(int32_t i) const { return items_[slot(i)]; }
  T& back() { return at(size_ - 1); }

  bool pushBack(T value) {
    if (isFull()) return false;
    items_[slot(size_)] = value;
    ++size_;
    return true;
  }
  bool pushFront(T value) {
    if (isFull()) return false;
    head_ = head_ == 0 ? capacity_ - 1 : head_ - 1;
    items_[head_] = value;
    ++size_;
    return true;
  }
  // Both give T() when the deque is empty.
  T popBack() {
    if (isEmpty()) return T();
    --size_;
    return items_[slot(size_)];
  }
  T popFront() {
    if (isEmpty()) return T();
    T value = items_[head_];
    head_ = head_ + 1 == capacity_ ? 0 : head_ + 1;
    --size_;
    return value;
  }
  // Shifts the elements from i to the back one place backwards; refused when full.
  bool insertAt(int32_t i, T value) {
    if (isFull() || i < 0 || i > size_) return false;
    for (int32_t k = size_; k > i; --k) items_[slot(k)] = items_[slot(k - 1)];
    items_[slot(i)] = value;
    ++size_;
    return true;
  }
  // Shifts the elements behind i one place forwards.
  void eraseAt(int32_t i) {
    if (i < 0 || i >= size_) return;
    for (int32_t k = i; k + 1 < size_; ++k) items_[slot(k)] = items_[slot(k + 1)];
    --size_;
  }
  void clear() {
    head_ = 0;
    size_ = 0;
  }

 private:
  int32_t slot(int32_t i) const {
    // Unsigned: head + i stays below twice the capacity, which may not fit an int32_t.
    uint32_t position = static_cast<uint32_t>(head_) + static_cast<uint32_t>(i);
    uint32_t capacity = static_cast<uint32_t>(capacity_);
    return static_cast<int32_t>(position >= capacity ? position - capacity : position);
  }

  T* items_ = nullptr;
  int32_t capacity_ = 0;
  int32_t head_ = 0;
  int32_t size_ = 0;
};

static_assert(!std::is_copy_constructible_v<NodeFactory> && !std::is_copy_constructible_v<NodeHashTable> &&
                  !std::is_copy_constructible_v<FixedDeque<Node*>>,
              "the planner's containers own their storage and are neither copied nor moved");

}  // namespace vantrel
