#include "platform/handle.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/error.h"
#include "platform/file.h"
#include "platform/file_mapping.h"
#include "testing/scratch_folder.h"

namespace {

using namespace std::chrono_literals;

TEST(HandleTest, EventsSignalAndReset) {
  HANDLE manual = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE automatic = CreateEventA(nullptr, FALSE, TRUE, nullptr);
  ASSERT_NE(nullptr, manual);
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(manual, 0));
  EXPECT_TRUE(SetEvent(manual));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(manual, 0));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(manual, 0));
  EXPECT_TRUE(ResetEvent(manual));
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(manual, 0));

  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(automatic, 0));
  EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(automatic, 0));
  std::thread setter([&] {
    std::this_thread::sleep_for(30ms);
    SetEvent(automatic);
  });
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(automatic, 10000));
  setter.join();

  EXPECT_EQ(nullptr, CreateEventA(nullptr, TRUE, FALSE, "named"));
  EXPECT_TRUE(CloseHandle(manual));
  EXPECT_TRUE(CloseHandle(automatic));
  EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(manual, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

// Guards against a handle of one kind reaching the calls of another, and
// against a closed handle naming a later object.
TEST(HandleTest, OneTableForEveryKindOfObject) {
  const ScratchFolder folder;
  const std::string path = folder.path("file");
  WriteWholeFile(path, "bytes to map");
  CFile file(path.c_str(), CFile::modeRead | CFile::typeBinary);
  const HANDLE mapping = CreateFileMappingA(file.m_hFile, nullptr, PAGE_READONLY, 0, 0, nullptr);
  const HANDLE event = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  ASSERT_NE(nullptr, mapping);
  ASSERT_NE(nullptr, event);
  EXPECT_NE(mapping, event);

  EXPECT_FALSE(SetEvent(mapping));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError()) << "SetEvent on a mapping";
  EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(mapping, 0));
  EXPECT_EQ(nullptr, MapViewOfFile(event, FILE_MAP_READ, 0, 0, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError()) << "a view of an event";

  EXPECT_TRUE(CloseHandle(mapping));
  EXPECT_TRUE(CloseHandle(event));
  const HANDLE later = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  EXPECT_NE(mapping, later);
  EXPECT_NE(event, later);
  for (HANDLE closed : {mapping, event}) {
    EXPECT_FALSE(CloseHandle(closed));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  }
  EXPECT_TRUE(CloseHandle(later));
  EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
  EXPECT_FALSE(CloseHandle(nullptr));
}

}  // namespace
