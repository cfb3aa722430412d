#include "platform/file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>

#include "platform/os_file.h"
#include "platform/path.h"
#include "testing/exception_cause.h"
#include "testing/system_calls_test.h"

namespace {

int g_systemCalls = 0;
bool g_interruptNext = false;

// Passes a call on to the real system call, counting it.
template <auto Call, class... Args>
auto Counted(Args... args) {
  ++g_systemCalls;
  return (os_file::real_calls().*Call)(args...);
}

// Interrupts every other call before it does anything.
template <auto Call, class... Args>
auto Interrupted(Args... args) -> decltype((os_file::real_calls().*Call)(args...)) {
  g_interruptNext = !g_interruptNext;
  if (!g_interruptNext) return (os_file::real_calls().*Call)(args...);
  errno = EINTR;
  return -1;
}

ssize_t ShortWrite(int fd, const void* buf, size_t n) {
  return os_file::real_calls().write(fd, buf, std::min<size_t>(n, 3));
}
ssize_t ShortRead(int fd, void* buf, size_t n) {
  return os_file::real_calls().read(fd, buf, std::min<size_t>(n, 7));
}
ssize_t FailingRead(int, void*, size_t) {
  errno = EIO;
  return -1;
}

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return s;
}

int CauseOf(const std::function<void()>& call) { return ::CauseOf<CFileException>(call); }

class CFileTest : public SystemCallsTest {
 protected:
  void SetUp() override {
    g_systemCalls = 0;
    g_interruptNext = false;
  }

  // Writes through both the buffered and the direct path, then reads back.
  std::string WriteAndReadBack(const std::string& content) const {
    const std::string path = m_folder.path("round.bin");
    {
      CFile f(path.c_str(), CFile::modeCreate | CFile::modeWrite);
      for (size_t i = 0; i < 1000; ++i) f.Write(&content[i], 1);
      f.Write(content.data() + 1000, 100000);
      for (size_t i = 101000; i < content.size(); i += 997)
        f.Write(content.data() + i, static_cast<UINT>(std::min<size_t>(997, content.size() - i)));
      f.Close();
    }
    CFile f(path.c_str(), CFile::modeRead);
    std::string back(content.size() + 10, '\0');
    for (size_t i = 0; i < 5000; ++i) EXPECT_EQ(1u, f.Read(&back[i], 1));
    back.resize(5000 + f.Read(&back[5000], static_cast<UINT>(back.size() - 5000)));
    return back;
  }
};

TEST_F(CFileTest, OneByteReadsAndStepsBackMakeNoSystemCall) {
  const std::string content = Pattern(1000);
  const std::string path = m_folder.path("steps.bin");
  WriteWholeFile(path, content);
  CFile f(path.c_str(), CFile::modeRead);
  char first = 0;
  ASSERT_EQ(1u, f.Read(&first, 1));
  using os_file::system_calls;
  os_file::calls().read = Counted<&system_calls::read>;
  os_file::calls().write = Counted<&system_calls::write>;
  os_file::calls().lseek = Counted<&system_calls::lseek>;
  os_file::calls().fstat = Counted<&system_calls::fstat>;
  for (size_t i = 1; i < content.size(); ++i) {
    char ch = 0;
    char again = 0;
    ASSERT_EQ(1u, f.Read(&ch, 1));
    f.Seek(-1, CFile::current);
    ASSERT_EQ(1u, f.Read(&again, 1));
    ASSERT_EQ(content[i], ch) << i;
    ASSERT_EQ(ch, again) << i;
    ASSERT_EQ(i + 1, f.GetPosition());
  }
  EXPECT_EQ(0, g_systemCalls);
}

TEST_F(CFileTest, SwitchingBetweenReadingAndWritingKeepsTheFileCoherent) {
  const std::string path = m_folder.path("mixed.txt");
  WriteWholeFile(path, "0123456789");
  CFile f(path.c_str(), CFile::modeReadWrite);
  char got[16] = {};
  ASSERT_EQ(3u, f.Read(got, 3));
  f.Write("ab", 2);
  EXPECT_EQ(5u, f.GetPosition());
  ASSERT_EQ(2u, f.Read(got, 2));
  EXPECT_EQ(std::string("56"), std::string(got, 2));
  f.Write("X", 1);
  f.SeekToBegin();
  ASSERT_EQ(10u, f.Read(got, sizeof got));
  EXPECT_EQ(std::string("012ab56X89"), std::string(got, 10));
  EXPECT_EQ(10u, f.SeekToEnd());
  f.Write("tail", 4);
  EXPECT_EQ(14u, f.GetLength());  // the tail is still in the buffer
  f.Close();
  EXPECT_EQ("012ab56X89tail", ReadWholeFile(path));
}

TEST_F(CFileTest, InterruptedAndShortTransfersAreCompleted) {
  using os_file::system_calls;
  const std::string content = Pattern(200003);
  const struct {
    const char* fault;
    void (*install)(system_calls&);
  } cases[] = {
      {"none", [](system_calls&) {}},
      {"EINTR on every other call",
       [](system_calls& t) {
         t.open = Interrupted<&system_calls::open>;
         t.read = Interrupted<&system_calls::read>;
         t.write = Interrupted<&system_calls::write>;
         t.lseek = Interrupted<&system_calls::lseek>;
       }},
      {"writes of at most 3 bytes", [](system_calls& t) { t.write = ShortWrite; }},
      {"reads of at most 7 bytes", [](system_calls& t) { t.read = ShortRead; }},
  };
  for (const auto& c : cases) {
    c.install(os_file::calls());
    EXPECT_EQ(content, WriteAndReadBack(content)) << c.fault;
    RestoreCalls();
    EXPECT_EQ(content, ReadWholeFile(m_folder.path("round.bin"))) << c.fault;
  }
}

TEST_F(CFileTest, FullDiskAndReadErrorsSurfaceWithTheirCause) {
  const std::string path = m_folder.path("fail.bin");
  WriteWholeFile(path, "some bytes");
  CFile buffered(path.c_str(), CFile::modeWrite);
  CFile direct(path.c_str(), CFile::modeWrite);
  CFile reader(path.c_str(), CFile::modeRead);
  os_file::calls().write = FullDiskWrite;
  os_file::calls().read = FailingRead;
  const std::string big(100000, 'x');

  buffered.Write("abc", 3);
  EXPECT_EQ(CFileException::diskFull, CauseOf([&] { buffered.Close(); }));
  EXPECT_FALSE(buffered.IsOpen());
  EXPECT_EQ(CFileException::diskFull, CauseOf([&] { direct.Write(big.data(), 100000); }));
  char ch = 0;
  EXPECT_EQ(CFileException::hardIO, CauseOf([&] { reader.Read(&ch, 1); }));
  try {
    direct.Write("x", 1);
    direct.Flush();
    ADD_FAILURE() << "no exception";
  } catch (const CFileException& e) {
    EXPECT_EQ(ENOSPC, e.m_lOsError);
    EXPECT_EQ(CString(path.c_str()), e.m_strFileName);
  }
}

TEST_F(CFileTest, OpenFailuresAndMisuseThrowFileExceptions) {
  const std::string plain = m_folder.path("plain.txt");
  const std::string missing = m_folder.path("missing.txt");
  const std::string throughFile = plain + "/x";
  WriteWholeFile(plain, "abc");
  CFile readOnly(plain.c_str(), CFile::modeRead);
  CFile closed;
  // Files closed while their buffer was filling must not take more bytes.
  CFile written(m_folder.path("written.txt").c_str(), CFile::modeCreate | CFile::modeWrite);
  written.Write("abc", 3);
  written.Close();
  CFile detached(m_folder.path("detached.txt").c_str(), CFile::modeCreate | CFile::modeWrite);
  detached.Write("abc", 3);
  const int detachedHandle = std::exchange(detached.m_hFile, CFile::hFileNull);
  const struct {
    const char* call;
    std::function<void()> run;
    int want;
  } cases[] = {
      {"open missing", [&] { CFile f(missing.c_str(), CFile::modeRead); },
       CFileException::fileNotFound},
      {"open through a file", [&] { CFile f(throughFile.c_str(), CFile::modeRead); },
       CFileException::badPath},
      {"open with access 3", [&] { CFile f(plain.c_str(), 3); }, CFileException::genericException},
      {"read closed", [&] { closed.Read(nullptr, 1); }, CFileException::invalidFile},
      {"length closed", [&] { closed.GetLength(); }, CFileException::invalidFile},
      {"write read-only", [&] { readOnly.Write("x", 1); }, CFileException::accessDenied},
      {"write after close", [&] { written.Write("x", 1); }, CFileException::invalidFile},
      {"write without handle", [&] { detached.Write("x", 1); }, CFileException::invalidFile},
      {"set length read-only", [&] { readOnly.SetLength(0); }, CFileException::accessDenied},
      {"seek before start", [&] { readOnly.Seek(-1, CFile::begin); }, CFileException::badSeek},
      {"seek back past start", [&] { readOnly.Seek(-4, CFile::end); }, CFileException::badSeek},
  };
  for (const auto& c : cases) EXPECT_EQ(c.want, CauseOf(c.run)) << c.call;
  detached.m_hFile = detachedHandle;

  CFile f;
  CFileException error;
  EXPECT_FALSE(f.Open(missing.c_str(), CFile::modeRead, &error));
  EXPECT_EQ(CFileException::fileNotFound, error.m_cause);
  EXPECT_EQ(ENOENT, error.m_lOsError);
  EXPECT_EQ(CString(missing.c_str()), error.m_strFileName);
  char message[16];
  EXPECT_TRUE(error.GetErrorMessage(message, sizeof message));
  EXPECT_EQ(std::string("file not found:"), message);
}

TEST_F(CFileTest, CreateTruncatesUnlessToldAndHonoursTheUmask) {
  const std::string path = m_folder.path("keep.txt");
  WriteWholeFile(path, "hello");
  EXPECT_EQ(5u, CFile(path.c_str(), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite)
                    .GetLength());
  EXPECT_EQ(0u, CFile(path.c_str(), CFile::modeCreate | CFile::modeWrite).GetLength());

  const std::string created = m_folder.path("new.txt");
  const mode_t mask = umask(022);
  CFile(created.c_str(), CFile::modeCreate | CFile::modeWrite).Close();
  umask(mask);
  struct stat st {};
  ASSERT_EQ(0, stat(created.c_str(), &st));
  EXPECT_EQ(0644u, st.st_mode & 0777);
}

TEST_F(CFileTest, SetLengthWritesPendingBytesAndMovesToTheNewEnd) {
  const std::string path = m_folder.path("len.bin");
  CFile f(path.c_str(), CFile::modeCreate | CFile::modeReadWrite);
  EXPECT_EQ(CString("len.bin"), f.GetFileName());
  f.Write("abcdef", 6);
  f.SetLength(3);
  EXPECT_EQ(3u, f.GetPosition());
  EXPECT_EQ("abc", ReadWholeFile(path));
  f.SetLength(5);
  EXPECT_EQ(std::string("abc\0\0", 5), ReadWholeFile(path));
}

// The destructor, not Close, writes the buffered bytes here.
TEST_F(CFileTest, WindowsNamesOpenInTheMappedFolderAndKeepTheirSpelling) {
  KelmSetDriveRoot('C', m_folder.path("").c_str());
  std::filesystem::create_directory(m_folder.path("Orvalis"));
  const char* name = "C:\\Orvalis\\Notes.txt";
  {
    CFile f(name, CFile::modeCreate | CFile::modeWrite);
    f.Write("steno", 5);
    EXPECT_EQ(CString(name), f.GetFilePath());
    EXPECT_EQ(CString("Notes.txt"), f.GetFileName());
  }
  EXPECT_EQ("steno", ReadWholeFile(m_folder.path("Orvalis/Notes.txt")));
  CFile f;
  CFileException error;
  EXPECT_FALSE(f.Open("c:\\Orvalis\\Missing.txt", CFile::modeRead, &error));
  EXPECT_EQ(CFileException::fileNotFound, error.m_cause);
  EXPECT_EQ(CString("c:\\Orvalis\\Missing.txt"), error.m_strFileName);
  KelmSetDriveRoot('C', nullptr);
}

}  // namespace
