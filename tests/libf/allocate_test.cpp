// ALLOCATE over array descriptors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "libf/allocate.h"
#include "libf/fio/heap.h"
#include "tests/support/test_support.h"

namespace {

using libf::ArrayDescriptor;

// A descriptor as the compiled code builds it before ALLOCATE: bounds from 1, column-major strides.
ArrayDescriptor described(uint32_t kind, uint32_t type_class, uint32_t size_bytes, std::initializer_list<int32_t> extents,
                          int32_t element_length = -1) {
    ArrayDescriptor d{};
    d.flags = libf::make_flags(static_cast<int>(extents.size()), kind);
    d.type_word = libf::make_type_word(type_class, size_bytes);
    d.element_length = element_length >= 0 ? element_length : static_cast<int32_t>(size_bytes * 8);
    int64_t stride = 1;
    int i = 0;
    for (int32_t extent : extents) {
        d.dimensions[i++] = {1, extent, static_cast<int32_t>(stride)};
        stride = std::min<int64_t>(stride * extent, INT32_MAX);  // oversize arrays never get walked
    }
    return d;
}

int32_t allocate(std::initializer_list<ArrayDescriptor*> arrays, int32_t* stat) {
    std::intptr_t request[8] = {libf::allocation_request_word(static_cast<int32_t>(arrays.size()))};
    int i = 1;
    for (ArrayDescriptor* d : arrays) request[i++] = reinterpret_cast<std::intptr_t>(d);
    return libf::allocate_arrays(request, stat);
}

void release(ArrayDescriptor& d) {
    if (d.base != libf::empty_array_base) fio::free_mem(reinterpret_cast<void*>(d.base));
}

constexpr uint32_t allocatable = libf::dflag::kind_allocatable;
constexpr uint32_t pointer = libf::dflag::kind_pointer;

TEST(Allocate, StorageIsZeroFilledAndDescribed) {
    struct Case {
        const char* what;
        ArrayDescriptor d;
        uint32_t bytes;
    };
    const Case cases[] = {
        {"real 3 x 4", described(allocatable, libf::class_real, 4, {3, 4}), 48},
        {"real 7 x 0", described(allocatable, libf::class_real, 4, {7, 0}), 0},
        {"real 0 x 5", described(allocatable, libf::class_real, 4, {0, 5}), 0},
        {"character*5 (3)", described(allocatable, libf::class_character, 1, {3}, 5), 15},
        {"integer*2 (2,3,5)", described(allocatable, libf::class_integer, 2, {2, 3, 5}), 60},
        {"complex*16 (3)", described(allocatable, libf::class_complex, 16, {3}), 48},
        {"type 7, element length in bits", described(allocatable, 7, 0, {4}, 96), 48},
        {"pointer real (2)", described(pointer, libf::class_real, 8, {2}), 16},
    };
    for (const Case& c : cases) {
        ArrayDescriptor d = c.d;
        int32_t stat = -1;
        ASSERT_EQ(allocate({&d}, &stat), 0) << c.what;
        EXPECT_EQ(stat, 0) << c.what;
        EXPECT_NE(d.flags & libf::dflag::allocated, 0u) << c.what;
        EXPECT_EQ(d.allocation_base, d.base) << c.what;
        EXPECT_EQ(d.allocation_size, c.bytes * 8) << c.what;
        if (c.bytes == 0) {
            EXPECT_EQ(d.base, -1) << c.what;
        } else {
            const auto* p = reinterpret_cast<const unsigned char*>(d.base);
            for (uint32_t i = 0; i < c.bytes; ++i) ASSERT_EQ(p[i], 0) << c.what << " byte " << i;
        }
        EXPECT_EQ((d.flags & libf::dflag::associated) != 0, (c.d.flags & libf::dflag::kind_mask) == pointer) << c.what;
        release(d);
    }
}

TEST(Allocate, ErrorStopsAtItsArrayAndGoesToStat) {
    ArrayDescriptor first = described(allocatable, libf::class_real, 4, {2});
    ArrayDescriptor twice = described(allocatable, libf::class_real, 4, {2});
    ArrayDescriptor later = described(allocatable, libf::class_real, 4, {2});
    ASSERT_EQ(allocate({&twice}, nullptr), 0);
    const ArrayDescriptor allocated = twice;
    int32_t stat = 0;
    EXPECT_EQ(allocate({&first, &twice, &later}, &stat), 10047);
    EXPECT_EQ(stat, 10047);
    EXPECT_NE(first.flags & libf::dflag::allocated, 0u);
    EXPECT_EQ(twice.base, allocated.base);
    EXPECT_EQ(twice.flags, allocated.flags);
    EXPECT_EQ(twice.allocation_size, allocated.allocation_size);
    EXPECT_EQ(later.flags & libf::dflag::allocated, 0u);
    EXPECT_EQ(later.base, 0);
    release(first);
    release(twice);
}

TEST(Allocate, SizesBeyondFourGibibytesAreRefusedNotWrapped) {
    struct Case {
        const char* what;
        ArrayDescriptor d;
    };
    const Case cases[] = {
        // 65536 x 65536 reals: 2^34 bytes, which wraps to 0 in 32 bits.
        {"real 65536 x 65536", described(allocatable, libf::class_real, 4, {65536, 65536})},
        {"character 65536 x 65536", described(allocatable, libf::class_character, 1, {65536, 65536}, 1)},
        {"pointer 2^31-1 x 2^31-1 x 2", described(pointer, libf::class_real, 8, {2147483647, 2147483647, 2})},
    };
    for (const Case& c : cases) {
        ArrayDescriptor d = c.d;
        int32_t stat = 0;
        EXPECT_EQ(allocate({&d}, &stat), 10004) << c.what;
        EXPECT_EQ(stat, 10004) << c.what;
        EXPECT_EQ(d.flags, c.d.flags) << c.what;  // neither allocated nor associated
        EXPECT_EQ(d.base, 0) << c.what;
    }
}

TEST(Allocate, AllocationSizeInBitsSaturates) {
    // 2^29 + 1 bytes is 2^32 + 8 bits.
    ArrayDescriptor d = described(allocatable, libf::class_character, 1, {(1 << 29) + 1}, 1);
    int32_t stat = -1;
    const int32_t result = allocate({&d}, &stat);
    if (result == 10004) GTEST_SKIP() << "no memory for 512 MiB here";
    ASSERT_EQ(result, 0);
    EXPECT_EQ(d.allocation_size, 0xFFFFFFFFu);
    release(d);
}

TEST(AllocateDeath, AllocatingTwiceWithoutStatEndsTheProgram) {
    EXPECT_EXIT(
        {
            test_support::reset_transfer_state();
            ArrayDescriptor d = described(allocatable, libf::class_real, 4, {2, 2});
            allocate({&d}, nullptr);
            allocate({&d}, nullptr);
        },
        ::testing::ExitedWithCode(255),
        "^\\? FORTRAN Runtime Error:\n\\? An allocatable array has already been allocated\n$");
}

}  // namespace
