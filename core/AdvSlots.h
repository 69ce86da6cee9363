// Slot storage for the concrete collections: one contiguous array whose
// length is the collection's Capacity, with the operations TAdvItems drives
// (resize, overlapping move, clear, swap, dispose).
//
// TAdvInlineSlots<T> keeps plain values (integers, pairs of integers,
// references) in the array itself. TAdvBoxedSlots<T> keeps one heap T per
// used slot and a pointer in the array (null for an empty slot), so opening
// or closing a slot in a long list of texts moves pointers with one block
// move instead of moving every text. The collection keeps the invariant the
// boxes rely on: slots at and past Count are empty, and after a move the
// caller clears or overwrites the vacated slots, so no box has two owners.
//
// Thread safety: none; part of the collection that holds it.
#pragma once

#include <algorithm>
#include <type_traits>
#include <utility>
#include <vector>

template <class T>
class TAdvInlineSlots {
 public:
  const T& Get(int index) const { return m_slots[size_t(index)]; }
  T& At(int index) { return m_slots[size_t(index)]; }
  void Set(int index, T value) { m_slots[size_t(index)] = std::move(value); }
  void Dispose(int index) { m_slots[size_t(index)] = T{}; }

  // Exactly `capacity` slots, without the vector's own over-allocation.
  void Resize(int capacity) {
    const auto n = size_t(capacity);
    if (n > m_slots.capacity()) m_slots.reserve(n);
    m_slots.resize(n);
    if (m_slots.capacity() > n) m_slots.shrink_to_fit();
  }
  // Moves `count` slots from `from` to `to`; the ranges may overlap.
  void Move(int from, int to, int count) {
    if (count <= 0 || from == to) return;
    auto first = m_slots.begin() + from;
    if (to < from)
      std::move(first, first + count, m_slots.begin() + to);
    else
      std::move_backward(first, first + count, m_slots.begin() + to + count);
  }
  void Clear(int from, int count) { std::fill_n(m_slots.begin() + from, count, T{}); }
  void Swap(int a, int b) { std::swap(m_slots[size_t(a)], m_slots[size_t(b)]); }
  size_t SlotSize() const { return sizeof(T); }
  const std::vector<T>& Slots() const { return m_slots; }

 private:
  std::vector<T> m_slots;
};

template <class T>
class TAdvBoxedSlots {
 public:
  TAdvBoxedSlots() = default;
  TAdvBoxedSlots(const TAdvBoxedSlots&) = delete;
  TAdvBoxedSlots& operator=(const TAdvBoxedSlots&) = delete;
  ~TAdvBoxedSlots() {
    for (T* box : m_slots.Slots()) delete box;
  }

  // An empty slot reads as a default T.
  const T& Get(int index) const {
    const T* box = m_slots.Get(index);
    return box ? *box : Empty();
  }
  // The slot's value for writing; an empty slot gets its box now.
  T& At(int index) {
    T*& box = m_slots.At(index);
    if (!box) box = new T();
    return *box;
  }
  void Set(int index, T value) {
    T*& box = m_slots.At(index);
    if (box)
      *box = std::move(value);
    else
      box = new T(std::move(value));
  }
  void Dispose(int index) { delete std::exchange(m_slots.At(index), nullptr); }

  void Resize(int capacity) { m_slots.Resize(capacity); }
  void Move(int from, int to, int count) { m_slots.Move(from, to, count); }
  void Clear(int from, int count) { m_slots.Clear(from, count); }
  void Swap(int a, int b) { m_slots.Swap(a, b); }
  size_t SlotSize() const { return sizeof(T*); }

 private:
  static const T& Empty() {
    static const T empty{};
    return empty;
  }

  TAdvInlineSlots<T*> m_slots;
};

// Inline for values that copy as plain bytes, boxed for everything else.
template <class T>
using TAdvSlots =
    std::conditional_t<std::is_trivially_copyable_v<T>, TAdvInlineSlots<T>, TAdvBoxedSlots<T>>;
