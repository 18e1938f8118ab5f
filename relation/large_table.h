// Storage for large tables: those read at random places (hash tables) and
// those read in order.
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

// An allocator for large tables that are written and read front to back:
// allocations of 2 MB and more are mapped on their own, in plain pages (a
// fault on a huge page may wait for the system to free one up, which buys
// nothing for reading in order), and go back to the system when freed.
template <typename T>
struct SequentialTableAllocator {
  using value_type = T;

  SequentialTableAllocator() = default;
  template <typename U>
  explicit SequentialTableAllocator(const SequentialTableAllocator<U>& /*other*/) {}

  static constexpr std::size_t large = std::size_t{2} << 20;

  T* allocate(std::size_t count) {
    const std::size_t bytes = count * sizeof(T);
    if (bytes < large) {
      return static_cast<T*>(::operator new(bytes));
    }
    void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
      throw std::bad_alloc();
    }
    return static_cast<T*>(memory);
  }

  void deallocate(T* pointer, std::size_t count) {
    if (count * sizeof(T) < large) {
      ::operator delete(pointer);
    } else {
      munmap(pointer, count * sizeof(T));
    }
  }

  template <typename U>
  bool operator==(const SequentialTableAllocator<U>& /*other*/) const {
    return true;
  }
};

// A vector in such storage.
template <typename T>
using SequentialTable = std::vector<T, SequentialTableAllocator<T>>;

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
