// The walk over the elements of an array or array section, and gathering and scattering.
#include "libf/fio/array_walk.h"

#include <cstring>
#include <limits>

#include "libf/fio/errors.h"
#include "libf/fio/heap.h"

namespace fio {

namespace {

using libf::ArrayDescriptor;

bool is_character(const ArrayDescriptor& d) {
    return libf::type_class(d.type_word) == libf::class_character;
}

int64_t element_bytes(const ArrayDescriptor& d) {
    if (is_character(d)) return d.element_length > 0 ? d.element_length : 0;
    return libf::type_size_bytes(d.type_word);
}

// Strides count 4-byte units for elements of 4 bytes or more, bytes otherwise; CHARACTER
// strides always count bytes.
int64_t stride_unit(const ArrayDescriptor& d) {
    return !is_character(d) && element_bytes(d) >= 4 ? 4 : 1;
}

}  // namespace

int32_t plan_walk(TransferState& state, const ArrayDescriptor& d, const std::intptr_t* section,
                  ArrayWalk& walk) {
    const int rank = libf::descriptor_rank(d);
    if (rank > libf::max_rank) return report_error(err_internal, state);
    walk = ArrayWalk{};
    walk.base = d.base;
    walk.element_bytes = element_bytes(d);
    const int64_t unit = stride_unit(d);
    bool empty = false;
    for (int i = 0; i < rank; ++i) {
        const libf::DimensionTriplet& dim = d.dimensions[i];
        const int64_t stride = static_cast<int64_t>(dim.stride) * unit;
        const auto* fixed = section != nullptr ? reinterpret_cast<const int32_t*>(section[i]) : nullptr;
        if (fixed != nullptr) {
            const int64_t offset = static_cast<int64_t>(*fixed) - dim.lower_bound;
            if (offset < 0 || offset >= dim.extent) return report_outside_error(outside_array_bounds, state);
            walk.base += static_cast<std::intptr_t>(offset * stride);
            continue;
        }
        if (dim.extent <= 0) empty = true;
        if (dim.extent <= 1) continue;
        walk.extent[walk.rank] = dim.extent;
        walk.stride[walk.rank] = stride;
        ++walk.rank;
    }
    if (empty) {
        walk.rank = 0;
        return 0;
    }
    // Merge neighbours that continue one another, so a contiguous array is a single run.
    int merged = 0;
    for (int i = 1; i < walk.rank; ++i) {
        if (walk.stride[merged] * walk.extent[merged] == walk.stride[i]) {
            walk.extent[merged] *= walk.extent[i];
        } else {
            ++merged;
            walk.extent[merged] = walk.extent[i];
            walk.stride[merged] = walk.stride[i];
        }
    }
    if (walk.rank > 0) walk.rank = merged + 1;
    walk.count = 1;
    for (int i = 0; i < walk.rank; ++i) walk.count *= walk.extent[i];
    return 0;
}

bool is_contiguous(const ArrayWalk& walk) {
    return walk.rank == 0 || (walk.rank == 1 && walk.stride[0] == walk.element_bytes);
}

int32_t gather(TransferState& state, const ArrayWalk& walk, char*& copy, int32_t& total) {
    const int64_t bytes = walk.count * walk.element_bytes;
    if (bytes > std::numeric_limits<int32_t>::max()) return report_error(err_allocation, state);
    copy = static_cast<char*>(alloc_mem(static_cast<std::size_t>(bytes), false));
    if (copy == nullptr) return report_error(err_allocation, state);
    char* out = copy;
    for_each_element(walk, [&](std::intptr_t address) {
        std::memcpy(out, reinterpret_cast<const char*>(address), static_cast<std::size_t>(walk.element_bytes));
        out += walk.element_bytes;
        return 0;
    });
    total = static_cast<int32_t>(bytes);
    return 0;
}

void scatter(const ArrayWalk& walk, const char* copy) {
    for_each_element(walk, [&](std::intptr_t address) {
        std::memcpy(reinterpret_cast<char*>(address), copy, static_cast<std::size_t>(walk.element_bytes));
        copy += walk.element_bytes;
        return 0;
    });
}

}  // namespace fio
