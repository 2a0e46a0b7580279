// ArrayValue: arrays of one element kind with up to four dimensions, first index fastest,
// checked access that wraps a negative first index once, append for one-dimensional arrays.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <new>
#include <type_traits>
#include <utility>

#include "core/errors.h"
#include "core/string_value.h"

namespace vantrel {

namespace detail {
// Writes the "bounds: " / "access: " diagnostic (Part of the END path's diagnostics).
void reportBounds(const int32_t sizes[4], const int32_t indices[4]);
}  // namespace detail

// Block is the capacity step of the kind: capacity = (n rounded down to Block) + Block, or
// exactly n when Block is 0.
template <typename T, int Block>
struct ArrayValue {
  T* elements = nullptr;
  int32_t stride1 = 0;
  int32_t stride2 = 0;
  int32_t stride3 = 0;
  int32_t sizes[4] = {0, 0, 0, 0};
  int32_t count = 0;
  int32_t dimensionCount = 0;
  int32_t capacity = 0;
  // Element slots of raw storage behind elements; at least capacity. Appending grows the
  // storage geometrically so long runs of appends stay amortised, while capacity itself
  // follows the kind's block rule.
  int32_t allocated = 0;

  ArrayValue() = default;
  ArrayValue(const ArrayValue&) = delete;
  ArrayValue& operator=(const ArrayValue&) = delete;
  ArrayValue(ArrayValue&& other) noexcept { swap(other); }
  ArrayValue& operator=(ArrayValue&& other) noexcept {
    ArrayValue old;
    old.swap(other);
    swap(old);
    return *this;
  }
  ~ArrayValue() { freeStorage(); }

  void swap(ArrayValue& other) noexcept {
    std::swap(elements, other.elements);
    std::swap(stride1, other.stride1);
    std::swap(stride2, other.stride2);
    std::swap(stride3, other.stride3);
    for (int i = 0; i < 4; ++i) std::swap(sizes[i], other.sizes[i]);
    std::swap(count, other.count);
    std::swap(dimensionCount, other.dimensionCount);
    std::swap(capacity, other.capacity);
    std::swap(allocated, other.allocated);
  }

  static int32_t capacityFor(int64_t n) {
    if (n <= 0) return 0;
    if (Block == 0) return static_cast<int32_t>(n);
    return static_cast<int32_t>((n / Block) * Block + Block);
  }

  void freeStorage() noexcept {
    if (!elements) return;
    for (int32_t i = capacity - 1; i >= 0; --i) elements[i].~T();
    std::free(elements);
    elements = nullptr;
    capacity = 0;
    allocated = 0;
  }

  // Element storage: every element of the capacity is constructed.
  void allocate(int32_t newCapacity) {
    capacity = 0;
    if (newCapacity == 0) return;
    void* storage = std::malloc(static_cast<std::size_t>(newCapacity) * sizeof(T));
    if (!storage) failFatally(ERR_OUT_OF_MEMORY);
    elements = static_cast<T*>(storage);
    for (int32_t i = 0; i < newCapacity; ++i) new (&elements[i]) T();
    capacity = newCapacity;
    allocated = newCapacity;
  }

  // Raises capacity to newCapacity keeping every element; new elements start empty.
  void growCapacity(int32_t newCapacity) {
    if (newCapacity > allocated) {
      int64_t slots = static_cast<int64_t>(allocated) * 2;
      if (slots < newCapacity) slots = newCapacity;
      if (slots > 0x7fffffff) slots = newCapacity;
      void* storage = std::malloc(static_cast<std::size_t>(slots) * sizeof(T));
      if (!storage) failFatally(ERR_OUT_OF_MEMORY);
      T* fresh = static_cast<T*>(storage);
      for (int32_t i = 0; i < capacity; ++i) {
        new (&fresh[i]) T(std::move(elements[i]));
        elements[i].~T();
      }
      std::free(elements);
      elements = fresh;
      allocated = static_cast<int32_t>(slots);
    }
    for (int32_t i = capacity; i < newCapacity; ++i) new (&elements[i]) T();
    capacity = newCapacity;
  }

  void setShape(int32_t s1, int32_t s2, int32_t s3, int32_t s4) {
    sizes[0] = s1;
    sizes[1] = s2;
    sizes[2] = s3;
    sizes[3] = s4;
    stride1 = s1;
    stride2 = s1 * s2;
    stride3 = s1 * s2 * s3;
    count = s1 * (s2 > 1 ? s2 : 1) * (s3 > 1 ? s3 : 1) * (s4 > 1 ? s4 : 1);
    dimensionCount = s4 ? 4 : s3 ? 3 : s2 ? 2 : s1 ? 1 : 0;
  }

  void clearShape() {
    for (int32_t& size : sizes) size = 0;
    stride1 = stride2 = stride3 = count = dimensionCount = 0;
  }
};

using TextArray = ArrayValue<StringValue, 64>;
using DoubleArray = ArrayValue<double, 8>;
using IntArray = ArrayValue<int32_t, 8>;
using ByteArray = ArrayValue<uint8_t, 64>;
using Exact32Array = ArrayValue<float, 0>;
using Exact64Array = ArrayValue<int64_t, 0>;

template <typename T, int B>
void dimension(ArrayValue<T, B>& a, int32_t size1, int32_t size2 = 0, int32_t size3 = 0,
               int32_t size4 = 0) {
  bool force = false;
  if (size1 <= 0) {
    size1 = 0;
    force = true;
  }
  auto atLeastOne = [](int32_t s) { return static_cast<int64_t>(s > 1 ? s : 1); };
  int64_t needed = static_cast<int64_t>(size1) * atLeastOne(size2) * atLeastOne(size3) * atLeastOne(size4);
  if (needed > 0x7fffffff) failFatally(ERR_OUT_OF_MEMORY);
  if (force || a.capacity < needed) {
    a.freeStorage();
    a.allocate(ArrayValue<T, B>::capacityFor(needed));
  } else {
    for (int64_t i = 0; i < needed; ++i) a.elements[i] = T();
  }
  a.setShape(size1, size2, size3, size4);
}

template <typename T, int B>
T& element(ArrayValue<T, B>& a, int32_t i1, int32_t i2 = 0, int32_t i3 = 0, int32_t i4 = 0) {
  if (i1 < 0) i1 += a.sizes[0];
  int32_t indices[4] = {i1, i2, i3, i4};
  bool valid = a.elements != nullptr && i1 >= 0 && i1 < a.sizes[0];
  for (int d = 1; d < 4 && valid; ++d) {
    valid = a.sizes[d] ? (indices[d] >= 0 && indices[d] < a.sizes[d]) : indices[d] == 0;
  }
  if (!valid) {
    if (std::is_same_v<T, StringValue>) {
      detail::reportBounds(a.sizes, indices);
    } else {
      // Numeric kinds report with two, three and then all four indices.
      int32_t firstTwo[4] = {i1, i2, 0, 0};
      int32_t firstThree[4] = {i1, i2, i3, 0};
      detail::reportBounds(a.sizes, firstTwo);
      detail::reportBounds(a.sizes, firstThree);
      detail::reportBounds(a.sizes, indices);
    }
    failFatally(ERR_OUT_OF_BOUNDS);
  }
  return a.elements[i1 + i2 * a.stride1 + i3 * a.stride2 + i4 * a.stride3];
}

template <typename T, int B>
int32_t dimensionSize(const ArrayValue<T, B>& a, int d) {
  return d >= 0 && d < 4 ? a.sizes[d] : 0;
}

template <typename T, int B>
void redimension(ArrayValue<T, B>& a, int32_t size1, int32_t size2 = 0, int32_t size3 = 0,
                 int32_t size4 = 0) {
  if (size1 < 1) {
    a.clearShape();
    return;
  }
  ArrayValue<T, B> resized;
  dimension(resized, size1, size2, size3, size4);
  if (std::is_same_v<T, StringValue>) {
    int32_t keep = size1 < a.sizes[0] ? size1 : a.sizes[0];
    for (int32_t i = 0; i < keep; ++i) resized.elements[i] = std::move(a.elements[i]);
  } else if (a.elements) {
    auto common = [&](int d) { return resized.sizes[d] < a.sizes[d] ? resized.sizes[d] : a.sizes[d]; };
    auto limit = [](int32_t smaller) { return smaller > 0 ? smaller : 1; };
    int32_t n1 = common(0), n2 = limit(common(1)), n3 = limit(common(2)), n4 = limit(common(3));
    for (int32_t i4 = 0; i4 < n4; ++i4)
      for (int32_t i3 = 0; i3 < n3; ++i3)
        for (int32_t i2 = 0; i2 < n2; ++i2)
          for (int32_t i1 = 0; i1 < n1; ++i1)
            element(resized, i1, i2, i3, i4) = element(a, i1, i2, i3, i4);
  }
  a.swap(resized);
}

template <typename T, int B, typename V>
void append(ArrayValue<T, B>& a, V&& value) {
  if (a.sizes[1] != 0) failFatally(ERR_PUSH_MULTI_DIM);
  int32_t index = a.sizes[0];
  if (index + 1 >= a.capacity) {
    // The same capacity and elements as re-dimensioning to index + 1, without copying them all.
    a.growCapacity(ArrayValue<T, B>::capacityFor(static_cast<int64_t>(index) + 1));
  }
  a.setShape(index + 1, 0, 0, 0);
  element(a, index) = std::forward<V>(value);
}

template <typename T, int B>
void assignArray(ArrayValue<T, B>& target, const ArrayValue<T, B>& source) {
  if (&target == &source) return;
  dimension(target, source.sizes[0], source.sizes[1], source.sizes[2], source.sizes[3]);
  for (int32_t i = 0; i < source.count; ++i) target.elements[i] = source.elements[i];
}

template <typename T, int B, typename V>
void arrayFromValues(ArrayValue<T, B>& a, int32_t n, const V* values) {
  dimension(a, n);
  for (int32_t i = 0; i < n; ++i) a.elements[i] = static_cast<T>(values[i]);
}

// Sorts the elements of a one-dimensional text array in place; less(a, b) orders them.
void sortTextArray(TextArray& a, bool (*less)(const StringValue&, const StringValue&));

}  // namespace vantrel
