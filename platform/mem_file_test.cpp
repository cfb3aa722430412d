#include "platform/file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "testing/exception_cause.h"

namespace {

std::string Content(CMemFile& f) {
  const ULONGLONG position = f.GetPosition();
  std::string s(static_cast<size_t>(f.GetLength()), '\0');
  f.SeekToBegin();
  s.resize(f.Read(s.data(), static_cast<UINT>(s.size())));
  f.Seek(static_cast<LONGLONG>(position), CFile::begin);
  return s;
}

TEST(CMemFileTest, SeekPastTheEndReadsNothingAndWritingThereZeroFills) {
  CMemFile f(16);
  f.Write("ab", 2);
  EXPECT_EQ(5u, f.Seek(5, CFile::begin));
  char ch = 0;
  EXPECT_EQ(0u, f.Read(&ch, 1));
  f.Write("c", 1);
  EXPECT_EQ(std::string("ab\0\0\0c", 6), Content(f));
  EXPECT_EQ(CFileException::badSeek, CauseOf<CFileException>([&] { f.Seek(-7, CFile::end); }));
  EXPECT_EQ(6u, f.GetPosition());
}

TEST(CMemFileTest, ShrinkingThenGrowingShowsZerosNotOldBytes) {
  CMemFile f(4);
  f.Write("abcdefghij", 10);
  f.SetLength(2);
  EXPECT_EQ(2u, f.GetPosition());
  f.SetLength(4);
  EXPECT_EQ(std::string("ab\0\0", 4), Content(f));
  f.SeekToEnd();
  f.Write(std::string(5000, 'z').data(), 5000);
  EXPECT_EQ(5004u, f.GetLength());
}

TEST(CMemFileTest, FixedAttachedBufferIsTheFileAndDoesNotGrow) {
  BYTE buffer[4] = {'a', 'b', 'c', 'd'};
  CMemFile f(buffer, sizeof buffer);
  EXPECT_EQ("abcd", Content(f));
  f.Write("xy", 2);
  EXPECT_EQ('x', buffer[0]);
  EXPECT_EQ(CFileException::diskFull, CauseOf<CFileException>([&] { f.Write("123", 3); }));
  EXPECT_EQ('c', buffer[2]);
  EXPECT_EQ(buffer, f.Detach());
}

TEST(CMemFileTest, GrowableAttachedBufferMovesToMemoryOfItsOwn) {
  BYTE buffer[4] = {'q', 'q', 'q', 'q'};
  CMemFile f(buffer, sizeof buffer, 8);
  EXPECT_EQ(0u, f.GetLength());
  f.Write("ab", 2);
  EXPECT_EQ('a', buffer[0]);
  f.Write("cdef", 4);
  EXPECT_EQ('q', buffer[2]);  // the caller's memory is neither reallocated nor written past
  EXPECT_EQ("abcdef", Content(f));
  BYTE* owned = f.Detach();
  ASSERT_NE(buffer, owned);
  EXPECT_EQ("abcdef", std::string(reinterpret_cast<char*>(owned), 6));
  std::free(owned);
}

}  // namespace
