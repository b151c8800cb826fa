// ALLOCATE: zero-filled storage for the arrays of an allocation request.
#pragma once

#include <cstdint>

#include "libf/array_descriptor.h"

namespace libf {

// Largest storage one array may take, in bytes.
constexpr uint64_t max_allocation_bytes = 0xFFFFFFFFull;

// request[0] carries the number of arrays in bits 16-31; request[1..n] are the addresses of
// their descriptors. stat (STAT=) may be null. Returns 0 or the error number; without STAT= an
// error ends the program through the run-time error report.
int32_t allocate_arrays(const std::intptr_t* request, int32_t* stat);

inline constexpr std::intptr_t allocation_request_word(int32_t count) {
    return static_cast<std::intptr_t>(count) << 16 | 1;
}

// Storage in bytes an array needs (element size times the extents), capped just above
// max_allocation_bytes so that an oversize request stays recognisable.
uint64_t array_storage_bytes(const ArrayDescriptor& d);

}  // namespace libf
