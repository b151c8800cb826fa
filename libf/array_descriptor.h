// The compiled program's description of an array, shared by ALLOCATE and the transfer drivers.
#pragma once

#include <cstdint>

namespace libf {

constexpr int max_rank = 7;

// One dimension: the stride counts 4-byte units for elements of 4 bytes or more, bytes otherwise
// (always bytes for CHARACTER arrays).
struct DimensionTriplet {
    int32_t lower_bound;
    int32_t extent;
    int32_t stride;
};

// Address-holding fields are machine words; the rest keeps its 32-bit width and order.
struct ArrayDescriptor {
    std::intptr_t base;
    int32_t element_length;   // CHARACTER: bytes per element; numeric types: bits per element
    uint32_t flags;
    uint32_t type_word;
    std::intptr_t allocation_base;
    uint32_t allocation_size;  // bits; saturates at 0xFFFFFFFF
    DimensionTriplet dimensions[max_rank];
};

// Bits of ArrayDescriptor::flags.
namespace dflag {
enum : uint32_t {
    allocated = 0x1,
    associated = 0x2,
    kind_mask = 0xC,
    kind_pointer = 0x4,
    kind_allocatable = 0x8,
    allocatable_marker = 0x10,  // set by the compiled code on allocatable arrays
    rank_shift = 29,
};
}  // namespace dflag

// Type classes in the low byte of a type word.
enum TypeClass : uint32_t {
    class_integer = 2,
    class_real = 3,
    class_complex = 4,
    class_logical = 5,
    class_character = 6,
};

// The base of an array that has no storage (zero elements).
constexpr std::intptr_t empty_array_base = -1;

inline int descriptor_rank(const ArrayDescriptor& d) { return static_cast<int>(d.flags >> dflag::rank_shift); }
inline uint32_t descriptor_kind(const ArrayDescriptor& d) { return d.flags & dflag::kind_mask; }
inline uint32_t type_class(uint32_t type_word) { return type_word & 0xFF; }
// Element size in bits (bits 12-23 of the type word).
inline uint32_t type_size_bits(uint32_t type_word) { return (type_word >> 12) & 0xFFF; }
// Element size in bytes (bits 15-23 of the type word).
inline uint32_t type_size_bytes(uint32_t type_word) { return (type_word >> 15) & 0x1FF; }

inline constexpr uint32_t make_type_word(uint32_t type_class, uint32_t size_bytes) {
    return type_class | (size_bytes * 8) << 12;
}
inline constexpr uint32_t make_flags(int rank, uint32_t kind) {
    return static_cast<uint32_t>(rank) << dflag::rank_shift | kind |
           (kind == dflag::kind_allocatable ? uint32_t{dflag::allocatable_marker} : 0u);
}

}  // namespace libf
