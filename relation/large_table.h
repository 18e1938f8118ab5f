// Storage for large tables that are read at random places (hash tables).
#ifndef RELATION_LARGE_TABLE_H_
#define RELATION_LARGE_TABLE_H_

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <new>
#include <vector>

// An allocator that asks the system to back allocations of 2 MB and more with
// huge pages: a table of many megabytes probed at random places then misses
// far fewer address translations. Smaller allocations are plain ones.
template <typename T>
struct LargeTableAllocator {
  using value_type = T;

  LargeTableAllocator() = default;
  template <typename U>
  explicit LargeTableAllocator(const LargeTableAllocator<U>& /*other*/) {}

  static constexpr std::size_t hugePage = std::size_t{2} << 20;

  T* allocate(std::size_t count) {
    const std::size_t bytes = count * sizeof(T);
    if (bytes < hugePage) {
      return static_cast<T*>(::operator new(bytes));
    }
    const std::size_t rounded = (bytes + hugePage - 1) / hugePage * hugePage;
    void* memory = std::aligned_alloc(hugePage, rounded);
    if (memory == nullptr) {
      throw std::bad_alloc();
    }
#ifdef MADV_HUGEPAGE
    madvise(memory, rounded, MADV_HUGEPAGE);
#endif
    return static_cast<T*>(memory);
  }

  void deallocate(T* pointer, std::size_t count) {
    if (count * sizeof(T) < hugePage) {
      ::operator delete(pointer);
    } else {
      std::free(pointer);
    }
  }

  template <typename U>
  bool operator==(const LargeTableAllocator<U>& /*other*/) const {
    return true;
  }
};

// A vector in such storage.
template <typename T>
using LargeTable = std::vector<T, LargeTableAllocator<T>>;

// Hands the huge pages that lie wholly within elements `from` to `to` of
// `table` back to the system, for a table read once from the front: the
// elements there read as zero afterwards.
template <typename T>
void dropPages(LargeTable<T>& table, std::size_t from, std::size_t to) {
  constexpr std::size_t hugePage = LargeTableAllocator<T>::hugePage;
  if (table.capacity() * sizeof(T) < hugePage) {
    return;
  }
  const std::size_t first = (from * sizeof(T) + hugePage - 1) / hugePage * hugePage;
  const std::size_t last = to * sizeof(T) / hugePage * hugePage;
  if (first < last) {
    madvise(reinterpret_cast<char*>(table.data()) + first, last - first, MADV_DONTNEED);
  }
}

#endif  // RELATION_LARGE_TABLE_H_
