#include "platform/memory.h"

#include <sys/mman.h>

#include <new>

PixelBlock allocatePixels(std::size_t bytes) {
  constexpr std::size_t kLargePage = std::size_t{2} << 20;
  void* p = nullptr;
  if (bytes >= 2 * kLargePage) {
    const std::size_t rounded = (bytes + kLargePage - 1) / kLargePage * kLargePage;
    p = std::aligned_alloc(kLargePage, rounded);
    if (p) ::madvise(p, rounded, MADV_HUGEPAGE);
  } else {
    p = std::malloc(bytes ? bytes : 1);
  }
  if (!p) throw std::bad_alloc();
  return PixelBlock(static_cast<std::byte*>(p));
}
