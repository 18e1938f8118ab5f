#include "relation/growing_array.h"

#if defined(__linux__) && !defined(__EMSCRIPTEN__)
#include <sys/mman.h>

#include <array>

namespace {

// Mappings given back and kept for reuse: at most `keptMappings` of them, each
// of at most `largestKept` bytes.
constexpr std::size_t keptMappings = 4;
constexpr std::size_t largestKept = std::size_t{4} << 20;

struct Kept {
  void* pages = nullptr;
  std::size_t bytes = 0;
};

std::array<Kept, keptMappings>& kept() {
  static std::array<Kept, keptMappings> mappings;
  return mappings;
}

}  // namespace

namespace mapped_pages {

bool available() { return true; }

void* map(std::size_t bytes) {
  // Of the kept mappings, the smallest that holds `bytes`, else the largest,
  // brought to `bytes`.
  Kept* best = nullptr;
  for (Kept& mapping : kept()) {
    if (mapping.pages == nullptr) {
      continue;
    }
    const bool holds = mapping.bytes >= bytes;
    const bool bestHolds = best != nullptr && best->bytes >= bytes;
    if (best == nullptr || (holds != bestHolds ? holds
                                               : (holds ? mapping.bytes < best->bytes
                                                        : mapping.bytes > best->bytes))) {
      best = &mapping;
    }
  }
  if (best != nullptr) {
    void* pages = best->bytes == bytes ? best->pages : remap(best->pages, best->bytes, bytes);
    if (pages != nullptr) {
      *best = Kept{};
      return pages;
    }
  }
  void* pages = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return pages == MAP_FAILED ? nullptr : pages;
}

void* remap(void* pages, std::size_t oldBytes, std::size_t newBytes) {
  void* moved = mremap(pages, oldBytes, newBytes, MREMAP_MAYMOVE);
  return moved == MAP_FAILED ? nullptr : moved;
}

void unmap(void* pages, std::size_t bytes) {
  if (bytes <= largestKept) {
    for (Kept& mapping : kept()) {
      if (mapping.pages == nullptr) {
        mapping = Kept{pages, bytes};
        return;
      }
    }
  }
  munmap(pages, bytes);
}

}  // namespace mapped_pages

#else

namespace mapped_pages {

bool available() { return false; }
void* map(std::size_t /*bytes*/) { return nullptr; }
void* remap(void* /*pages*/, std::size_t /*oldBytes*/, std::size_t /*newBytes*/) { return nullptr; }
void unmap(void* /*pages*/, std::size_t /*bytes*/) {}

}  // namespace mapped_pages

#endif
