// Global memory handles.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/errors.h"
#include "platform/memory.h"

using namespace tessaly::platform;

TEST(GlobalMemory, BlocksKeepTheirSizeAndZeroFill) {
    for (size_t size : {size_t{0}, size_t{4096}}) {
        HGLOBAL block = GlobalAlloc(GMEM_ZEROINIT, size);
        ASSERT_NE(block, nullptr) << size;
        EXPECT_EQ(GlobalSize(block), size);
        auto* bytes = static_cast<char*>(GlobalLock(block));
        EXPECT_EQ(bytes, block); // the handle is the address
        EXPECT_EQ(std::string(bytes, size), std::string(size, '\0'));
        GlobalUnlock(block);
        EXPECT_EQ(GlobalFree(block), nullptr);
    }
    HGLOBAL block = LocalAlloc(GMEM_FIXED, 4);
    std::memcpy(block, "abcd", 4);
    HGLOBAL grown = GlobalReAlloc(block, 4000, GMEM_ZEROINIT); // the old bytes, then zeros
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(std::string(static_cast<char*>(grown), GlobalSize(grown)),
              "abcd" + std::string(3996, '\0'));
    EXPECT_EQ(LocalFree(grown), nullptr);
}

TEST(GlobalMemory, LockCountsAndStaleHandles) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 8);
    ASSERT_NE(GlobalLock(block), nullptr);
    ASSERT_NE(GlobalLock(block), nullptr);
    EXPECT_TRUE(GlobalUnlock(block)); // still locked once
    SetLastError(99);
    EXPECT_FALSE(GlobalUnlock(block)); // unlocked now: FALSE without an error
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(GlobalFree(block), nullptr);

    // The freed handle is refused with "invalid handle".
    SetLastError(0);
    EXPECT_EQ(GlobalFree(block), block);
    EXPECT_EQ(GetLastError(), 6u);
    EXPECT_EQ(GlobalLock(block), nullptr);
    EXPECT_EQ(GlobalSize(block), 0u);
}
