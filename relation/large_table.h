// Storage for large tables: those read at random places (hash tables) and
// those read in order.
#ifndef RELATION_LARGE_TABLE_H_
#define RELATION_LARGE_TABLE_H_

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <new>
#include <vector>

// How a table is read, which decides how its memory is asked for.
enum class TableReading {
  // At random places (hash tables): allocations of 2 MB and more are backed
  // with huge pages, so that probes miss far fewer address translations.
  atRandom,
  // Front to back: allocations of 2 MB and more are mapped on their own, in
  // plain pages (a fault on a huge page may wait for the system to free one
  // up, which buys nothing for reading in order), and go back to the system
  // when freed.
  inOrder,
};

// The allocator of such tables. Smaller allocations are plain ones.
template <typename T, TableReading reading>
struct TableAllocator {
  using value_type = T;
  template <typename U>
  struct rebind {  // NOLINT(readability-identifier-naming): the name allocators must use
    using other = TableAllocator<U, reading>;
  };

  TableAllocator() = default;
  template <typename U>
  explicit TableAllocator(const TableAllocator<U, reading>& /*other*/) {}

  static constexpr std::size_t hugePage = std::size_t{2} << 20;

  T* allocate(std::size_t count) {
    const std::size_t bytes = count * sizeof(T);
    if (bytes < hugePage) {
      return static_cast<T*>(::operator new(bytes));
    }
    void* memory = nullptr;
    if constexpr (reading == TableReading::atRandom) {
      const std::size_t rounded = (bytes + hugePage - 1) / hugePage * hugePage;
      memory = std::aligned_alloc(hugePage, rounded);
#ifdef MADV_HUGEPAGE
      if (memory != nullptr) {
        madvise(memory, rounded, MADV_HUGEPAGE);
      }
#endif
    } else {
      memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
      memory = memory == MAP_FAILED ? nullptr : memory;
    }
    if (memory == nullptr) {
      throw std::bad_alloc();
    }
    return static_cast<T*>(memory);
  }

  void deallocate(T* pointer, std::size_t count) {
    const std::size_t bytes = count * sizeof(T);
    if (bytes < hugePage) {
      ::operator delete(pointer);
    } else if constexpr (reading == TableReading::atRandom) {
      std::free(pointer);
    } else {
      munmap(pointer, bytes);
    }
  }

  template <typename U>
  bool operator==(const TableAllocator<U, reading>& /*other*/) const {
    return true;
  }
};

template <typename T>
using LargeTableAllocator = TableAllocator<T, TableReading::atRandom>;

// A vector read at random places.
template <typename T>
using LargeTable = std::vector<T, LargeTableAllocator<T>>;

// A vector read in order.
template <typename T>
using SequentialTable = std::vector<T, TableAllocator<T, TableReading::inOrder>>;

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
