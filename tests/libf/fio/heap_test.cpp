#include "libf/fio/heap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

TEST(Heap, ZeroedBlocksAreZeroAndGrowKeepsContents) {
    auto* p = static_cast<unsigned char*>(fio::alloc_mem(5, true));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(p[i], 0) << i;  // 5 rounds up to 8
    std::memcpy(p, "abcdefgh", 8);
    p = static_cast<unsigned char*>(fio::realloc_mem(p, 9000));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(std::memcmp(p, "abcdefgh", 8), 0);
    fio::free_mem(p);
    fio::free_mem(nullptr);
}

TEST(Heap, ZeroSizeStillGivesABlockAndHugeSizesFail) {
    void* p = fio::alloc_mem(0, false);
    EXPECT_NE(p, nullptr);
    fio::free_mem(p);
    EXPECT_EQ(fio::alloc_mem(SIZE_MAX, false), nullptr);
    EXPECT_EQ(fio::realloc_mem(nullptr, SIZE_MAX - 1), nullptr);
}

}  // namespace
