// Heap wrappers of the I/O layer: sizes rounded up to a multiple of 4, failure left to the caller.
#pragma once

#include <cstddef>

namespace fio {

// Returns null on failure; the caller reports 10004.
void* alloc_mem(std::size_t size, bool zeroed);
void free_mem(void* p);
void* realloc_mem(void* p, std::size_t size);

}  // namespace fio
