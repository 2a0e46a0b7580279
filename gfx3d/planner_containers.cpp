// The path planner's node factory and closed-set hash table.
#include "gfx3d/planner_containers.h"

namespace vantrel {

void NodeFactory::releaseStorage() {
  detail::returnBlock(block_, size_);
  block_ = nullptr;
  size_ = 0;
  next_ = 0;
}

void NodeFactory::reserve(int32_t count) {
  releaseStorage();
  if (count <= 0) return;
  block_ = detail::borrowBlock<Node>(count, false);
  size_ = count;
}

void NodeHashTable::create(int32_t bits) {
  if (bits > 24) bits = 24;
  if (bits < 0) bits = 0;
  bits &= ~1;
  detail::returnBlock(buckets_, bucketCount());
  buckets_ = detail::borrowBlock<Node*>(int64_t{1} << bits, true);
  bits_ = bits;
  shift_ = bits / 2;
  mask_ = (1 << shift_) - 1;
  found_ = nullptr;
}

void NodeHashTable::insert(Node* node) {
  if (!buckets_) return;
  Node** bucket = bucketOf(node->x, node->y);
  for (Node* held = *bucket; held; held = held->next) {
    if (held == node) return;
  }
  node->next = *bucket;
  *bucket = node;
  found_ = nullptr;  // the remembered link may have moved
}

Node* NodeHashTable::find(int32_t x, int32_t y) {
  if (!buckets_) return nullptr;
  for (Node** link = bucketOf(x, y); *link; link = &(*link)->next) {
    if ((*link)->x == x && (*link)->y == y) {
      found_ = link;
      return *link;
    }
  }
  return nullptr;
}

void NodeHashTable::removeFound() {
  if (!found_ || !*found_) return;
  Node* node = *found_;
  *found_ = node->next;
  node->next = nullptr;
  found_ = nullptr;
}

void NodeHashTable::clear() {
  // Only written where a node was linked: untouched parts of a large table stay untouched.
  for (int64_t i = 0; i < bucketCount(); ++i) {
    if (buckets_[i]) buckets_[i] = nullptr;
  }
  found_ = nullptr;
}

}  // namespace vantrel
