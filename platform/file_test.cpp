#include "platform/file.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "platform/os_file.h"
#include "platform/path.h"

namespace {

int g_systemCalls = 0;
bool g_interruptNext = false;

ssize_t CountingRead(int fd, void* buf, size_t n) {
  ++g_systemCalls;
  return os_file::real_calls().read(fd, buf, n);
}
ssize_t CountingWrite(int fd, const void* buf, size_t n) {
  ++g_systemCalls;
  return os_file::real_calls().write(fd, buf, n);
}
off_t CountingSeek(int fd, off_t offset, int whence) {
  ++g_systemCalls;
  return os_file::real_calls().lseek(fd, offset, whence);
}
int CountingStat(int fd, struct stat* st) {
  ++g_systemCalls;
  return os_file::real_calls().fstat(fd, st);
}

// Every other call is interrupted before it does anything.
bool Interrupted() {
  g_interruptNext = !g_interruptNext;
  if (g_interruptNext) errno = EINTR;
  return g_interruptNext;
}
int InterruptedOpen(const char* path, int flags, mode_t mode) {
  return Interrupted() ? -1 : os_file::real_calls().open(path, flags, mode);
}
ssize_t InterruptedRead(int fd, void* buf, size_t n) {
  return Interrupted() ? -1 : os_file::real_calls().read(fd, buf, n);
}
ssize_t InterruptedWrite(int fd, const void* buf, size_t n) {
  return Interrupted() ? -1 : os_file::real_calls().write(fd, buf, n);
}
off_t InterruptedSeek(int fd, off_t offset, int whence) {
  return Interrupted() ? -1 : os_file::real_calls().lseek(fd, offset, whence);
}

ssize_t ShortWrite(int fd, const void* buf, size_t n) {
  return os_file::real_calls().write(fd, buf, n < 3 ? n : 3);
}
ssize_t ShortRead(int fd, void* buf, size_t n) {
  return os_file::real_calls().read(fd, buf, n < 7 ? n : 7);
}
ssize_t FullDiskWrite(int, const void*, size_t) {
  errno = ENOSPC;
  return -1;
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

// The cause of the CFileException that call throws, or -1 if it throws none.
int CauseOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const CFileException& e) {
    return e.m_cause;
  }
  return -1;
}

class CFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string dir = ::testing::TempDir() + "kelm_file_XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir.data()));
    m_dir = dir;
    m_savedCalls = os_file::calls();
    g_systemCalls = 0;
    g_interruptNext = false;
  }
  void TearDown() override {
    os_file::calls() = m_savedCalls;
    std::filesystem::remove_all(m_dir);
  }

  std::string PathOf(const char* name) const { return m_dir + "/" + name; }
  void PutFile(const char* name, const std::string& content) const {
    std::ofstream(PathOf(name), std::ios::binary) << content;
  }
  std::string FileContent(const char* name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Writes through both the buffered and the direct path, then reads back.
  std::string WriteAndReadBack(const std::string& content) const {
    const std::string path = PathOf("round.bin");
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

  std::string m_dir;
  os_file::system_calls m_savedCalls{};
};

TEST_F(CFileTest, WriteThenReadBack) {
  const std::string content = Pattern(200003);
  EXPECT_EQ(content, WriteAndReadBack(content));
  EXPECT_EQ(content, FileContent("round.bin"));
}

TEST_F(CFileTest, OneByteReadsAndStepsBackMakeNoSystemCall) {
  const std::string content = Pattern(1000);
  PutFile("steps.bin", content);
  CFile f(PathOf("steps.bin").c_str(), CFile::modeRead);
  char first = 0;
  ASSERT_EQ(1u, f.Read(&first, 1));
  os_file::calls().read = CountingRead;
  os_file::calls().write = CountingWrite;
  os_file::calls().lseek = CountingSeek;
  os_file::calls().fstat = CountingStat;
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
  PutFile("mixed.txt", "0123456789");
  CFile f(PathOf("mixed.txt").c_str(), CFile::modeReadWrite);
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
  EXPECT_EQ("012ab56X89tail", FileContent("mixed.txt"));
}

TEST_F(CFileTest, InterruptedAndShortTransfersAreCompleted) {
  const std::string content = Pattern(150000);
  const struct {
    const char* fault;
    void (*install)(os_file::system_calls&);
  } cases[] = {
      {"EINTR on every other call",
       [](os_file::system_calls& t) {
         t.open = InterruptedOpen;
         t.read = InterruptedRead;
         t.write = InterruptedWrite;
         t.lseek = InterruptedSeek;
       }},
      {"writes of at most 3 bytes", [](os_file::system_calls& t) { t.write = ShortWrite; }},
      {"reads of at most 7 bytes", [](os_file::system_calls& t) { t.read = ShortRead; }},
  };
  for (const auto& c : cases) {
    c.install(os_file::calls());
    EXPECT_EQ(content, WriteAndReadBack(content)) << c.fault;
    os_file::calls() = m_savedCalls;
    EXPECT_EQ(content, FileContent("round.bin")) << c.fault;
  }
}

TEST_F(CFileTest, FullDiskAndReadErrorsSurfaceWithTheirCause) {
  const std::string path = PathOf("fail.bin");
  PutFile("fail.bin", "some bytes");
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
  PutFile("plain.txt", "abc");
  const std::string plain = PathOf("plain.txt");
  const std::string missing = PathOf("missing.txt");
  const std::string throughFile = plain + "/x";
  CFile readOnly(plain.c_str(), CFile::modeRead);
  CFile closed;
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
      {"set length read-only", [&] { readOnly.SetLength(0); }, CFileException::accessDenied},
      {"seek before start", [&] { readOnly.Seek(-1, CFile::begin); }, CFileException::badSeek},
      {"seek back past start", [&] { readOnly.Seek(-4, CFile::end); }, CFileException::badSeek},
  };
  for (const auto& c : cases) EXPECT_EQ(c.want, CauseOf(c.run)) << c.call;

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

TEST_F(CFileTest, CreateTruncatesUnlessTold) {
  PutFile("keep.txt", "hello");
  const std::string path = PathOf("keep.txt");
  EXPECT_EQ(5u, CFile(path.c_str(), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeWrite)
                    .GetLength());
  EXPECT_EQ(0u, CFile(path.c_str(), CFile::modeCreate | CFile::modeWrite).GetLength());

  const mode_t mask = umask(022);
  CFile(PathOf("new.txt").c_str(), CFile::modeCreate | CFile::modeWrite).Close();
  umask(mask);
  struct stat st {};
  ASSERT_EQ(0, stat(PathOf("new.txt").c_str(), &st));
  EXPECT_EQ(0644u, st.st_mode & 0777);
}

TEST_F(CFileTest, SetLengthWritesPendingBytesAndMovesToTheNewEnd) {
  CFile f(PathOf("len.bin").c_str(), CFile::modeCreate | CFile::modeReadWrite);
  f.Write("abcdef", 6);
  f.SetLength(3);
  EXPECT_EQ(3u, f.GetPosition());
  EXPECT_EQ("abc", FileContent("len.bin"));
  f.SetLength(5);
  EXPECT_EQ(std::string("abc\0\0", 5), FileContent("len.bin"));
}

TEST_F(CFileTest, DestructorWritesPendingBytes) {
  {
    CFile f(PathOf("dtor.txt").c_str(), CFile::modeCreate | CFile::modeWrite);
    f.Write("xyz", 3);
    EXPECT_EQ(CString("dtor.txt"), f.GetFileName());
  }
  EXPECT_EQ("xyz", FileContent("dtor.txt"));
}

TEST_F(CFileTest, WindowsNamesOpenInTheMappedFolderAndKeepTheirSpelling) {
  KelmSetDriveRoot('C', m_dir.c_str());
  std::filesystem::create_directory(PathOf("Orvalis"));
  const char* name = "C:\\Orvalis\\Notes.txt";
  {
    CFile f(name, CFile::modeCreate | CFile::modeWrite);
    f.Write("steno", 5);
    EXPECT_EQ(CString(name), f.GetFilePath());
    EXPECT_EQ(CString("Notes.txt"), f.GetFileName());
  }
  EXPECT_EQ("steno", FileContent("Orvalis/Notes.txt"));
  CFile f;
  CFileException error;
  EXPECT_FALSE(f.Open("c:\\Orvalis\\Missing.txt", CFile::modeRead, &error));
  EXPECT_EQ(CFileException::fileNotFound, error.m_cause);
  EXPECT_EQ(CString("c:\\Orvalis\\Missing.txt"), error.m_strFileName);
  KelmSetDriveRoot('C', nullptr);
}

}  // namespace
