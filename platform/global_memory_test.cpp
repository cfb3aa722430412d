// Global memory blocks as the clipboard's callers use them: locks counted,
// the size kept, and a freed or foreign handle refused rather than reached.
#include "platform/global_memory.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(GlobalMemory, LocksAreCountedAndTheBytesKept) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 6);
  ASSERT_NE(nullptr, block);
  EXPECT_EQ(6u, GlobalSize(block));
  auto* bytes = static_cast<char*>(GlobalLock(block));
  ASSERT_NE(nullptr, bytes);
  EXPECT_EQ(0, std::memcmp(bytes, "\0\0\0\0\0\0", 6)) << "a new block is zeroed";
  std::memcpy(bytes, "hello", 6);
  EXPECT_EQ(bytes, GlobalLock(block)) << "the bytes stay where they are";
  EXPECT_TRUE(GlobalUnlock(block)) << "one lock is left";
  EXPECT_FALSE(GlobalUnlock(block));
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), GetLastError()) << "the last lock went";
  EXPECT_FALSE(GlobalUnlock(block));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_LOCKED), GetLastError());
  EXPECT_STREQ("hello", static_cast<const char*>(GlobalLock(block)));
  GlobalUnlock(block);
  EXPECT_EQ(nullptr, GlobalFree(block));
}

TEST(GlobalMemory, AnEmptyBlockStillLocks) {
  HGLOBAL block = GlobalAlloc(GHND, 0);
  ASSERT_NE(nullptr, block);
  EXPECT_EQ(0u, GlobalSize(block));
  EXPECT_NE(nullptr, GlobalLock(block));
  GlobalUnlock(block);
  EXPECT_EQ(nullptr, GlobalFree(block));
}

TEST(GlobalMemory, FreedAndForeignHandlesAreRefused) {
  HGLOBAL block = GlobalAlloc(GMEM_FIXED, 4);
  ASSERT_EQ(nullptr, GlobalFree(block));
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(nullptr, event);
  for (HGLOBAL h : {block, static_cast<HGLOBAL>(event)}) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(nullptr, GlobalLock(h)) << h;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError()) << h;
    EXPECT_FALSE(GlobalUnlock(h)) << h;
    EXPECT_EQ(0u, GlobalSize(h)) << h;
    EXPECT_EQ(h, GlobalFree(h)) << "a failed free gives the handle back";
  }
  EXPECT_TRUE(CloseHandle(event)) << "GlobalFree left the event alone";
}

}  // namespace
