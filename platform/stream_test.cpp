#include "platform/stream.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "platform/os_file.h"
#include "testing/system_calls_test.h"

namespace {

int g_closes = 0;
int g_writes = 0;

int CountingClose(int fd) {
  ++g_closes;
  return os_file::real_calls().close(fd);
}
ssize_t FailingWrite(int, const void*, size_t) {
  errno = EIO;
  return -1;
}
// Takes three bytes, then finds the disk full.
ssize_t FillingWrite(int fd, const void* buf, size_t n) {
  if (g_writes++ > 0) return FullDiskWrite(fd, buf, n);
  return os_file::real_calls().write(fd, buf, n < 3 ? n : 3);
}

LARGE_INTEGER Move(LONGLONG n) { return LARGE_INTEGER{n}; }

ULONGLONG Position(IStream* s) {
  ULARGE_INTEGER at{};
  EXPECT_EQ(S_OK, s->Seek(Move(0), STREAM_SEEK_CUR, &at));
  return at.QuadPart;
}

// Reads up to n bytes; the result code goes to *hr.
std::string ReadSome(IStream* s, ULONG n, HRESULT* hr) {
  std::string bytes(n, '\0');
  ULONG got = 0;
  *hr = s->Read(bytes.data(), n, &got);
  bytes.resize(got);
  return bytes;
}

class StreamTest : public SystemCallsTest {
 protected:
  void SetUp() override { g_closes = 0; }

  IStream* Open(const char* name, DWORD mode) const {
    IStream* s = nullptr;
    EXPECT_EQ(S_OK, SHCreateStreamOnFileA(m_folder.path(name).c_str(), mode, &s)) << name;
    return s;
  }
};

// The behaviour both kinds of stream share, run on each.
void CheckReadWriteSeekSize(IStream* s) {
  HRESULT hr = E_FAIL;
  ULONG written = 0;
  EXPECT_EQ(S_OK, s->Write("hello", 5, &written));
  EXPECT_EQ(5u, written);
  ULARGE_INTEGER at{};
  EXPECT_EQ(S_OK, s->Seek(Move(0), STREAM_SEEK_SET, &at));
  EXPECT_EQ(0u, at.QuadPart);
  EXPECT_EQ("hel", ReadSome(s, 3, &hr));
  EXPECT_EQ(S_OK, hr);
  EXPECT_EQ("lo", ReadSome(s, 5, &hr)) << "a read that meets the end";
  EXPECT_EQ(S_FALSE, hr);
  EXPECT_EQ("", ReadSome(s, 1, &hr));
  EXPECT_EQ(S_FALSE, hr);

  EXPECT_EQ(S_OK, s->Seek(Move(3), STREAM_SEEK_END, &at));
  EXPECT_EQ(8u, at.QuadPart) << "seeking past the end is allowed";
  EXPECT_EQ(S_OK, s->Write("x", 1, nullptr));
  EXPECT_EQ(STG_E_INVALIDFUNCTION, s->Seek(Move(-100), STREAM_SEEK_CUR, nullptr))
      << "a seek before the start fails";
  EXPECT_EQ(9u, Position(s)) << "and leaves the position";
  EXPECT_EQ(STG_E_INVALIDFUNCTION, s->Seek(Move(0), 7, nullptr));
  EXPECT_EQ(S_OK, s->Seek(Move(0), STREAM_SEEK_SET, nullptr));
  EXPECT_EQ(std::string("hello\0\0\0x", 9), ReadSome(s, 20, &hr)) << "the gap reads as zeros";

  EXPECT_EQ(S_OK, s->SetSize(ULARGE_INTEGER{2}));
  EXPECT_EQ(9u, Position(s)) << "SetSize leaves the position";
  EXPECT_EQ(S_OK, s->SetSize(ULARGE_INTEGER{4}));
  EXPECT_EQ(S_OK, s->Seek(Move(0), STREAM_SEEK_SET, nullptr));
  EXPECT_EQ(std::string("he\0\0", 4), ReadSome(s, 20, &hr)) << "growing adds zeros";
  EXPECT_EQ(S_OK, s->Commit(0));
  EXPECT_EQ(STG_E_INVALIDPOINTER, s->Read(nullptr, 1, nullptr));
  EXPECT_EQ(STG_E_INVALIDPOINTER, s->Write(nullptr, 1, nullptr));
}

TEST_F(StreamTest, MemoryStreamReadsWritesSeeksAndSizes) {
  IStream* s = SHCreateMemStream(nullptr, 0);
  ASSERT_NE(nullptr, s);
  CheckReadWriteSeekSize(s);
  EXPECT_EQ(0u, s->Release());

  const BYTE init[] = {1, 2, 3};
  s = SHCreateMemStream(init, 3);
  HRESULT hr = E_FAIL;
  EXPECT_EQ(std::string("\1\2\3"), ReadSome(s, 3, &hr)) << "starts at the copied bytes";
  EXPECT_EQ(S_OK, hr);
  // Sized in 32 bits, as Windows' memory streams are.
  EXPECT_EQ(S_OK, s->Seek(Move(0xFFFFFFFFLL), STREAM_SEEK_SET, nullptr));
  ULONG written = 7;
  EXPECT_EQ(STG_E_MEDIUMFULL, s->Write("ab", 2, &written));
  EXPECT_EQ(0u, written);
  EXPECT_EQ(STG_E_MEDIUMFULL, s->SetSize(ULARGE_INTEGER{0x100000000ULL}));
  EXPECT_EQ(0u, s->Release());
}

TEST_F(StreamTest, FileStreamReadsWritesSeeksAndSizes) {
  IStream* s = Open("f.bin", STGM_CREATE | STGM_READWRITE);
  ASSERT_NE(nullptr, s);
  CheckReadWriteSeekSize(s);
  EXPECT_EQ(0u, s->Release());
  EXPECT_EQ(std::string("he\0\0", 4), ReadWholeFile(m_folder.path("f.bin")));

  s = Open("f.bin", STGM_CREATE | STGM_WRITE);
  ASSERT_NE(nullptr, s);
  EXPECT_EQ(0u, Position(s));
  EXPECT_EQ(S_OK, s->Write("new", 3, nullptr));
  EXPECT_EQ(0u, s->Release());
  EXPECT_EQ("new", ReadWholeFile(m_folder.path("f.bin"))) << "STGM_CREATE truncates";
}

TEST_F(StreamTest, FileStreamRefusesWhatItsModeDoesNotAllow) {
  WriteWholeFile(m_folder.path("ro.bin"), "keep");
  IStream* s = Open("ro.bin", STGM_READ);
  ASSERT_NE(nullptr, s);
  ULONG written = 7;
  EXPECT_EQ(STG_E_ACCESSDENIED, s->Write("xx", 2, &written));
  EXPECT_EQ(0u, written);
  EXPECT_EQ(STG_E_ACCESSDENIED, s->SetSize(ULARGE_INTEGER{1}));
  EXPECT_EQ(0u, s->Release());
  EXPECT_EQ("keep", ReadWholeFile(m_folder.path("ro.bin")));

  s = Open("ro.bin", STGM_WRITE);
  ASSERT_NE(nullptr, s);
  HRESULT hr = S_OK;
  EXPECT_EQ("", ReadSome(s, 2, &hr));
  EXPECT_EQ(STG_E_ACCESSDENIED, hr);
  EXPECT_EQ(0u, s->Release());
}

TEST_F(StreamTest, FileStreamOpenFailures) {
  struct Case {
    std::string path;
    DWORD mode;
    HRESULT want;
  };
  const Case cases[] = {
      {m_folder.path("missing.bin"), STGM_READ, STG_E_FILENOTFOUND},
      {m_folder.path("no/such/folder.bin"), STGM_CREATE | STGM_WRITE, STG_E_PATHNOTFOUND},
      {m_folder.path(""), STGM_READ, STG_E_ACCESSDENIED},
      {m_folder.path("x.bin"), STGM_CREATE | STGM_READ, E_INVALIDARG},
      {m_folder.path("x.bin"), 3, E_INVALIDARG},
  };
  for (const Case& c : cases) {
    IStream* s = reinterpret_cast<IStream*>(1);
    EXPECT_EQ(c.want, SHCreateStreamOnFileA(c.path.c_str(), c.mode, &s)) << c.path << " " << c.mode;
    EXPECT_EQ(nullptr, s) << c.path;
  }
  EXPECT_EQ(E_POINTER, SHCreateStreamOnFileA(m_folder.path("x.bin").c_str(), STGM_READ, nullptr));
  EXPECT_FALSE(std::filesystem::exists(m_folder.path("x.bin")));
}

// A failed write must say so at once: Release, where a buffered write would
// surface, cannot report anything.
TEST_F(StreamTest, FileStreamWriteFailuresAreReportedByTheWrite) {
  struct Case {
    ssize_t (*write)(int, const void*, size_t);
    HRESULT want;
    ULONG wantWritten;
  };
  const Case cases[] = {
      {FullDiskWrite, STG_E_MEDIUMFULL, 0},
      {FailingWrite, STG_E_WRITEFAULT, 0},
      {FillingWrite, STG_E_MEDIUMFULL, 3},
  };
  for (const Case& c : cases) {
    IStream* s = Open("full.bin", STGM_CREATE | STGM_WRITE);
    ASSERT_NE(nullptr, s);
    g_writes = 0;
    os_file::calls().write = c.write;
    ULONG written = 99;
    EXPECT_EQ(c.want, s->Write("abcdefgh", 8, &written)) << c.want;
    RestoreCalls();
    EXPECT_EQ(c.wantWritten, written) << c.want;
    EXPECT_EQ(c.wantWritten, Position(s)) << c.want;
    EXPECT_EQ(0u, s->Release());
  }
}

TEST_F(StreamTest, ReleasingTheLastReferenceClosesTheFile) {
  IStream* s = Open("rc.bin", STGM_CREATE | STGM_READWRITE);
  ASSERT_NE(nullptr, s);
  os_file::calls().close = CountingClose;
  EXPECT_EQ(2u, s->AddRef());
  EXPECT_EQ(1u, s->Release());
  EXPECT_EQ(0, g_closes);
  EXPECT_EQ(0u, s->Release());
  EXPECT_EQ(1, g_closes);
}

}  // namespace
