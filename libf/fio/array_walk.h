// The walk over the elements of an array or array section that a data-transfer item or a
// character-array internal file or format names, and the gathering of such an array into one
// block and back.
#pragma once

#include <cstdint>

#include "libf/array_descriptor.h"
#include "libf/fio/transfer_state.h"

namespace fio {

// The elements of an array or section: nested runs left after fixed subscripts have been
// applied and dimensions of extent 1 dropped and contiguous dimensions merged.
struct ArrayWalk {
    std::intptr_t base = 0;
    int rank = 0;
    int64_t extent[libf::max_rank] = {};
    int64_t stride[libf::max_rank] = {};  // bytes
    int64_t count = 0;
    int64_t element_bytes = 0;
};

// Plans the walk over d, with section[i] the address of the subscript that fixes dimension i
// (or null for all of it; section null for the whole array). A fixed subscript outside its
// dimension is an array boundary error. Returns 0 or the report_error status.
int32_t plan_walk(TransferState& state, const libf::ArrayDescriptor& d, const std::intptr_t* section,
                  ArrayWalk& walk);

// True when the walk is one run of adjacent elements.
bool is_contiguous(const ArrayWalk& walk);

// Calls visit(address) for every element in array element order until it returns non-zero.
template <class Visit>
int32_t for_each_element(const ArrayWalk& walk, Visit visit) {
    int64_t index[libf::max_rank] = {};
    int64_t offset = 0;
    for (int64_t n = 0; n < walk.count; ++n) {
        if (int32_t status = visit(walk.base + static_cast<std::intptr_t>(offset))) return status;
        for (int k = 0; k < walk.rank; ++k) {
            if (++index[k] < walk.extent[k]) {
                offset += walk.stride[k];
                break;
            }
            offset -= walk.stride[k] * (walk.extent[k] - 1);
            index[k] = 0;
        }
    }
    return 0;
}

// Copies the elements of a CHARACTER array into one heap block of count * length bytes.
// Returns 0 or the report_error status.
int32_t gather(TransferState& state, const ArrayWalk& walk, char*& copy, int32_t& total);
// Puts a gathered block back into the elements.
void scatter(const ArrayWalk& walk, const char* copy);

}  // namespace fio
