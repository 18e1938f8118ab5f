// An in-place radix sort of fixed-width records of unsigned words by their bytes.
#ifndef RELATION_RADIX_SORT_H_
#define RELATION_RADIX_SORT_H_

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>

namespace radix_detail {

// The byte of a record's key at `byteIndex`: its words' big-endian bytes.
template <typename Word, std::size_t W>
std::size_t keyByte(const std::array<Word, W>& record, std::size_t byteIndex) {
  constexpr std::size_t wordBytes = sizeof(Word);
  return static_cast<std::size_t>(
      (record[byteIndex / wordBytes] >> (8 * (wordBytes - 1 - byteIndex % wordBytes))) & 0xFFU);
}

// Moves every record into the bucket of its key byte (an in-place
// distribution); `bucketEnd` receives where each bucket ends.
template <typename Word, std::size_t W>
void distribute(std::array<Word, W>* begin, std::array<Word, W>* end, std::size_t byteIndex,
                std::size_t (&bucketEnd)[256]) {
  std::size_t counts[256] = {};
  for (auto* record = begin; record != end; ++record) {
    ++counts[keyByte(*record, byteIndex)];
  }
  std::size_t next[256];
  std::size_t position = 0;
  for (std::size_t b = 0; b < 256; ++b) {
    next[b] = position;
    position += counts[b];
    bucketEnd[b] = position;
  }
  for (std::size_t b = 0; b < 256; ++b) {
    while (next[b] < bucketEnd[b]) {
      const std::size_t target = keyByte(begin[next[b]], byteIndex);
      if (target == b) {
        ++next[b];
      } else {
        std::swap(begin[next[b]], begin[next[target]++]);
      }
    }
  }
}

// True when every record has the same key byte at `byteIndex`.
template <typename Word, std::size_t W>
bool sameKeyByte(const std::array<Word, W>* begin, const std::array<Word, W>* end,
                 std::size_t byteIndex) {
  const std::size_t first = keyByte(*begin, byteIndex);
  return std::all_of(begin, end, [&](const std::array<Word, W>& record) {
    return keyByte(record, byteIndex) == first;
  });
}

}  // namespace radix_detail

// Sorts records of W words by their bytes from `byteIndex` up to `lastByte`
// (the earlier bytes being equal), one byte per level, leaving small ranges to
// `less`. With `bytesDecide`, records whose bytes up to `lastByte` agree are
// equal; otherwise `less` orders them.
template <bool bytesDecide, typename Word, std::size_t W, typename Less>
void radixSort(std::array<Word, W>* begin, std::array<Word, W>* end, std::size_t byteIndex,
               std::size_t lastByte, Less less) {
  constexpr std::ptrdiff_t smallRange = 64;
  while (byteIndex < lastByte && end - begin >= smallRange &&
         radix_detail::sameKeyByte(begin, end, byteIndex)) {
    ++byteIndex;
  }
  if (byteIndex == lastByte || end - begin < smallRange) {
    if (end - begin > 1 && (!bytesDecide || byteIndex < lastByte)) {
      std::sort(begin, end, less);
    }
    return;
  }
  std::size_t bucketEnd[256];
  radix_detail::distribute(begin, end, byteIndex, bucketEnd);
  std::size_t start = 0;
  for (const std::size_t bucketStop : bucketEnd) {
    if (bucketStop - start > 1) {
      radixSort<bytesDecide>(begin + start, begin + bucketStop, byteIndex + 1, lastByte, less);
    }
    start = bucketStop;
  }
}

#endif  // RELATION_RADIX_SORT_H_
