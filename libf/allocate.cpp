// ALLOCATE over array descriptors.
#include "libf/allocate.h"

#include "libf/fio/errors.h"
#include "libf/fio/heap.h"
#include "libf/fio/transfer_state.h"

namespace libf {

namespace {

constexpr uint64_t size_cap = max_allocation_bytes + 1;

uint64_t element_bytes(const ArrayDescriptor& d) {
    const uint32_t cls = type_class(d.type_word);
    const int64_t length = d.element_length > 0 ? d.element_length : 0;
    if (cls == class_character) return static_cast<uint64_t>(length);
    if (cls == 7 || cls == 8) return static_cast<uint64_t>(length) / 8;
    return type_size_bits(d.type_word) / 8;
}

// Without STAT= the error is reported as one outside any I/O statement: a stale IOSTAT= or
// ERR= of the last statement must not absorb it, and there is no statement line to print.
int32_t fail(int32_t number, int32_t* stat) {
    if (stat == nullptr) fio::report_error_outside_statement(number);
    *stat = number;
    return number;
}

int32_t allocate_one(ArrayDescriptor& d) {
    const uint32_t kind = descriptor_kind(d);
    if (kind == dflag::kind_allocatable && (d.flags & dflag::allocated) != 0)
        return fio::err_already_allocated;
    const uint64_t total = array_storage_bytes(d);
    if (total > max_allocation_bytes) return fio::err_allocation;
    std::intptr_t base = empty_array_base;
    if (total != 0) {
        void* storage = fio::alloc_mem(static_cast<std::size_t>(total), true);
        if (storage == nullptr) return fio::err_allocation;
        base = reinterpret_cast<std::intptr_t>(storage);
    }
    d.base = base;
    d.allocation_base = base;
    d.flags |= dflag::allocated;
    if (kind == dflag::kind_pointer) d.flags |= dflag::associated;
    const uint64_t bits = total * 8;
    d.allocation_size = bits > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(bits);
    return 0;
}

}  // namespace

uint64_t array_storage_bytes(const ArrayDescriptor& d) {
    uint64_t total = element_bytes(d);
    const int rank = descriptor_rank(d);
    for (int i = 0; i < rank; ++i) {
        const int32_t extent = d.dimensions[i].extent;
        if (extent <= 0) return 0;
        // total <= size_cap < 2^33 and extent < 2^31, so the product fits in 64 bits.
        total *= static_cast<uint64_t>(extent);
        if (total > size_cap) total = size_cap;
    }
    return total;
}

int32_t allocate_arrays(const std::intptr_t* request, int32_t* stat) {
    const int count = static_cast<int>((static_cast<uint64_t>(request[0]) >> 16) & 0xFFFF);
    for (int i = 1; i <= count; ++i) {
        auto* descriptor = reinterpret_cast<ArrayDescriptor*>(request[i]);
        if (int32_t error = allocate_one(*descriptor)) return fail(error, stat);
    }
    if (stat != nullptr) *stat = 0;
    return 0;
}

}  // namespace libf
