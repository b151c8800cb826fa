// Heap wrappers: every request is rounded up to a multiple of 4 bytes (0 takes 4).
#include "libf/fio/heap.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace fio {

namespace {
std::size_t rounded(std::size_t size) {
    if (size == 0) return 4;
    if (size > SIZE_MAX - 3) return 0;
    return (size + 3) & ~static_cast<std::size_t>(3);
}
}  // namespace

void* alloc_mem(std::size_t size, bool zeroed) {
    std::size_t n = rounded(size);
    if (n == 0) return nullptr;
    return zeroed ? std::calloc(1, n) : std::malloc(n);
}

void free_mem(void* p) { std::free(p); }

void* realloc_mem(void* p, std::size_t size) {
    std::size_t n = rounded(size);
    if (n == 0) return nullptr;
    return std::realloc(p, n);
}

}  // namespace fio
