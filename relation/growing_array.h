// An array of plain values that grows and shrinks without a second copy.
#ifndef RELATION_GROWING_ARRAY_H_
#define RELATION_GROWING_ARRAY_H_

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

// Pages mapped on their own, for storage that grows and shrinks by moving
// them. Null where the system cannot move pages (then realloc serves).
// A few small mappings given back are kept for the next that asks, so that
// storage made and dropped over and over is not faulted in again each time.
namespace mapped_pages {
bool available();
void* map(std::size_t bytes);                                          // null when it fails
void* remap(void* pages, std::size_t oldBytes, std::size_t newBytes);  // null when it fails
void unmap(void* pages, std::size_t bytes);
}  // namespace mapped_pages

// Elements of a trivially copyable type one after another, as std::vector
// holds them. Where the system can move mapped pages, storage of 256 KiB and
// more is mapped on its own and grows and shrinks by moving its pages: the
// elements are never copied for it, so growing never holds two copies at
// once, and room not written takes no memory. Elsewhere it grows as the C
// library's realloc does. Room reserved beyond the size holds unspecified
// values.
template <typename T>
class GrowingArray {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  using value_type = T;
  using iterator = T*;
  using const_iterator = const T*;

  GrowingArray() = default;
  GrowingArray(std::size_t count, T value) { resize(count, value); }
  GrowingArray(const GrowingArray& other) { append(other.begin(), other.end()); }
  GrowingArray(GrowingArray&& other) noexcept { swap(other); }
  GrowingArray& operator=(const GrowingArray& other) {
    if (this != &other) {
      GrowingArray copy(other);
      swap(copy);
    }
    return *this;
  }
  GrowingArray& operator=(GrowingArray&& other) noexcept {
    GrowingArray taken(std::move(other));
    swap(taken);
    return *this;
  }
  ~GrowingArray() { release(data_, capacity_); }

  void swap(GrowingArray& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
  }

  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  std::size_t capacity() const { return capacity_; }
  T* data() { return data_; }
  const T* data() const { return data_; }
  T* begin() { return data_; }
  T* end() { return data_ + size_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + size_; }
  T& operator[](std::size_t index) { return data_[index]; }
  const T& operator[](std::size_t index) const { return data_[index]; }
  T& back() { return data_[size_ - 1]; }
  const T& back() const { return data_[size_ - 1]; }

  void reserve(std::size_t count) {
    if (count > capacity_) {
      reallocate(count);
    }
  }

  void push_back(T value) {  // NOLINT(readability-identifier-naming): as std::vector names it
    if (size_ == capacity_) {
      grow(size_ + 1);
    }
    data_[size_++] = value;
  }

  // Appends the elements [first, last) of contiguous storage that is not
  // this array's.
  template <typename Iterator>
  void append(Iterator firstIterator, Iterator lastIterator) {
    const T* first = std::to_address(firstIterator);
    const std::size_t count = static_cast<std::size_t>(lastIterator - firstIterator);
    if (count == 0) {
      return;
    }
    std::memcpy(extend(count), first, count * sizeof(T));
  }

  // Inserts the elements [first, last) of contiguous storage that is not
  // this array's before `position`.
  template <typename Iterator>
  void insert(const T* position, Iterator firstIterator, Iterator lastIterator) {
    const std::size_t at = static_cast<std::size_t>(position - data_);
    const T* first = std::to_address(firstIterator);
    const std::size_t count = static_cast<std::size_t>(lastIterator - firstIterator);
    if (count == 0) {
      return;
    }
    const std::size_t after = size_ - at;
    extend(count);
    std::memmove(data_ + at + count, data_ + at, after * sizeof(T));
    std::memcpy(data_ + at, first, count * sizeof(T));
  }

  // Adds `count` elements of unspecified values at the end, for the caller to
  // write, and returns the first of them.
  T* extend(std::size_t count) {
    if (size_ + count > capacity_) {
      grow(size_ + count);
    }
    T* first = data_ + size_;
    size_ += count;
    return first;
  }

  void resize(std::size_t count, T value = T()) {
    reserve(count);
    for (std::size_t i = size_; i < count; ++i) {
      data_[i] = value;
    }
    size_ = count;
  }

  void clear() { size_ = 0; }

  // Gives back the room beyond the size.
  void shrink_to_fit() {  // NOLINT(readability-identifier-naming): as std::vector names it
    if (capacity_ > size_) {
      reallocate(size_);
    }
  }

 private:
  static constexpr std::size_t mappedBytes = std::size_t{256} << 10;

  void grow(std::size_t needed) {
    std::size_t wanted = capacity_ < 16 ? 16 : capacity_ * 2;
    reallocate(wanted < needed ? needed : wanted);
  }

  static bool isMapped(std::size_t count) {
    return count * sizeof(T) >= mappedBytes && mapped_pages::available();
  }

  static std::size_t pageRounded(std::size_t count) {
    const std::size_t page = 4096;
    return (count * sizeof(T) + page - 1) / page * page;
  }

  void reallocate(std::size_t count) {
    if (count > static_cast<std::size_t>(-1) / sizeof(T) / 2) {
      throw std::bad_alloc();
    }
    T* moved = nullptr;
    if (count == 0) {
      release(data_, capacity_);
    } else if (isMapped(count)) {
      moved = mapped(count);
    } else if (isMapped(capacity_)) {
      // From mapped pages down to the heap.
      moved = static_cast<T*>(std::malloc(count * sizeof(T)));
      if (moved == nullptr) {
        throw std::bad_alloc();
      }
      std::memcpy(moved, data_, (size_ < count ? size_ : count) * sizeof(T));
      release(data_, capacity_);
    } else {
      moved = static_cast<T*>(std::realloc(data_, count * sizeof(T)));
      if (moved == nullptr) {
        throw std::bad_alloc();
      }
    }
    data_ = moved;
    capacity_ = count;
    if (size_ > count) {
      size_ = count;
    }
  }

  // Storage for `count` elements mapped on its own, holding the elements so far.
  T* mapped(std::size_t count) {
    void* memory = isMapped(capacity_)
                       ? mapped_pages::remap(data_, pageRounded(capacity_), pageRounded(count))
                       : mapped_pages::map(pageRounded(count));
    if (memory == nullptr) {
      throw std::bad_alloc();
    }
    if (!isMapped(capacity_)) {
      if (size_ > 0) {
        std::memcpy(memory, data_, size_ * sizeof(T));
      }
      release(data_, capacity_);
    }
    return static_cast<T*>(memory);
  }

  static void release(T* data, std::size_t capacity) {
    if (data == nullptr) {
      return;
    }
    if (isMapped(capacity)) {
      mapped_pages::unmap(data, pageRounded(capacity));
      return;
    }
    std::free(data);
  }

  T* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

#endif  // RELATION_GROWING_ARRAY_H_
