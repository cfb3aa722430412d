#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/error.h"
#include "platform/os_file.h"
#include "platform/profile.h"
#include "testing/child_processes.h"
#include "testing/system_calls_test.h"

namespace {

class PrivateProfileTest : public SystemCallsTest {
 protected:
  std::string Read(const std::string& file, LPCSTR app, LPCSTR key,
                   LPCSTR def = "<default>") const {
    char buffer[512];
    const DWORD n = GetPrivateProfileStringA(app, key, def, buffer, sizeof buffer, file.c_str());
    return std::string(buffer, n);
  }

  // The names a null section or key lists, joined by "|".
  static std::string List(const std::string& file, LPCSTR app) {
    std::vector<char> buffer(1 << 16);
    const DWORD n = GetPrivateProfileStringA(app, nullptr, "", buffer.data(),
                                             static_cast<DWORD>(buffer.size()), file.c_str());
    std::string names;
    for (DWORD i = 0; i < n; i += static_cast<DWORD>(std::strlen(buffer.data() + i)) + 1)
      names += (names.empty() ? "" : "|") + std::string(buffer.data() + i);
    return names;
  }
};

// Opens counted, to tell a read that used the file as kept from one that
// read it again.
int g_opens = 0;
int CountingOpen(const char* path, int flags, mode_t mode) {
  ++g_opens;
  return os_file::real_calls().open(path, flags, mode);
}

// Waits until the file's last change lies further back than the file
// system's clock rounds, so that the next change shows in its times.
void Settle() { std::this_thread::sleep_for(std::chrono::milliseconds(80)); }

std::string WithCrLf(std::string text) {
  for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2))
    text.insert(at, 1, '\r');
  return text;
}

TEST_F(PrivateProfileTest, ReadsFollowWindowsRules) {
  const std::string file =
      "; leading comment\n"
      "stray=before any section\n"
      "[Fonts]\n"
      "Face = Arial  \n"
      "  Size=12\n"
      "Quoted=\"  spaced  \"\n"
      "Single='it'\n"
      "Mismatch=\"open\n"
      "Empty=\n"
      "NoEquals\n"
      ";Hidden=1\n"
      "Dup=first\n"
      "dup=second\n"
      "High=caf\xE9\n"
      "\n"
      "[fonts]\n"
      "Late=1\n"
      "[ Spaced Section ]\n"
      "Key=value\n"
      "[Caf\xE9]\n"
      "k=accented\n";
  struct Case {
    LPCSTR app;
    LPCSTR key;
    LPCSTR def;
    std::string want;
  };
  const Case cases[] = {
      {"fonts", "FACE", "d", "Arial"},
      {"  Fonts ", " Face\t", "d", "Arial"},
      {"Fonts", "Size", "d", "12"},
      {"Fonts", "Quoted", "d", "  spaced  "},
      {"Fonts", "Single", "d", "it"},
      {"Fonts", "Mismatch", "d", "\"open"},
      {"Fonts", "Empty", "d", ""},
      {"Fonts", "NoEquals", "d", "d"},
      {"Fonts", "Hidden", "d", "d"},
      {"Fonts", ";Hidden", "d", "d"},
      {"Fonts", "DUP", "d", "first"},
      {"Fonts", "High", "d", "caf\xE9"},
      {"Fonts", "Late", "d", "d"},
      {"spaced section", "key", "d", "value"},
      {"CAF\xE9", "K", "d", "accented"},
      {"caf\xC9", "k", "d", "d"},
      {"", "stray", "d", "d"},
      {"Missing", "Face", "dflt  ", "dflt"},
      {"Missing", "Face", "  lead", "  lead"},
      {"Missing", "Face", "\"q\"", "\"q\""},
      {"Missing", "Face", nullptr, ""},
  };
  const std::string path = m_folder.path("read.ini");
  for (const std::string& text : {file, WithCrLf(file)}) {
    WriteWholeFile(path, text);
    for (const Case& c : cases)
      EXPECT_EQ(c.want, Read(path, c.app, c.key, c.def))
          << "[" << c.app << "] " << c.key << " in " << text.size() << " bytes";
  }
  EXPECT_EQ("d", Read(m_folder.path("missing.ini"), "Fonts", "Face", "d"));
}

TEST_F(PrivateProfileTest, ResultsAreCutToTheBuffer) {
  const std::string path = m_folder.path("cut.ini");
  WriteWholeFile(path, "[A]\r\nk1=abcdef\r\nk2=2\r\n;c=3\r\n\r\n[BB]\r\nx=1\r\n[A]\r\nk3=3\r\n");
  struct Case {
    LPCSTR app;
    LPCSTR key;
    DWORD size;
    DWORD want;
    std::string bytes;
  };
  const Case cases[] = {
      {"A", "k1", 7, 6, std::string("abcdef\0", 7)},
      {"A", "k1", 6, 5, std::string("abcde\0", 6)},
      {"A", "k1", 4, 3, std::string("abc\0", 4)},
      {"A", "k1", 1, 0, std::string("\0", 1)},
      {nullptr, nullptr, 8, 7, std::string("A\0BB\0A\0\0", 8)},
      {nullptr, "k1", 8, 7, std::string("A\0BB\0A\0\0", 8)},
      {nullptr, nullptr, 7, 5, std::string("A\0BB\0\0\0", 7)},
      {nullptr, nullptr, 4, 2, std::string("A\0\0\0", 4)},
      {nullptr, nullptr, 2, 0, std::string("\0\0", 2)},
      {nullptr, nullptr, 1, 0, std::string("\0", 1)},
      {"a", nullptr, 7, 6, std::string("k1\0k2\0\0", 7)},
      {"a", nullptr, 6, 4, std::string("k1\0k\0\0", 6)},
      {"Missing", nullptr, 4, 0, std::string("\0", 1)},
  };
  for (const Case& c : cases) {
    std::string buffer(c.size, 'x');
    const DWORD got =
        GetPrivateProfileStringA(c.app, c.key, "d", buffer.data(), c.size, path.c_str());
    const std::string input = std::string(c.app ? c.app : "(null)") + "/" +
                              (c.key ? c.key : "(null)") + " size " + std::to_string(c.size);
    EXPECT_EQ(c.want, got) << input;
    EXPECT_EQ(c.bytes, buffer.substr(0, c.bytes.size())) << input;
  }
  char untouched = 'x';
  EXPECT_EQ(0u, GetPrivateProfileStringA("A", "k1", "d", &untouched, 0, path.c_str()));
  EXPECT_EQ('x', untouched);
}

TEST_F(PrivateProfileTest, IntegersAreReadAsWindowsReadsThem) {
  struct Case {
    std::string value;
    UINT want;
  };
  const Case cases[] = {
      {"12", 12},     {"-5", static_cast<UINT>(-5)},
      {"+7", 7},      {"0x1A", 26},
      {"0X1a", 26},   {"0777", 777},
      {"12abc", 12},  {"1.5", 1},
      {"abc", 0},     {"-", 0},
      {"0x", 0},      {"  42  ", 42},
      {"\"15\"", 15}, {"4294967297", 1},
      {"", 77},
  };
  std::string file = "[N]\r\n";
  for (size_t i = 0; i < std::size(cases); ++i)
    file += "k" + std::to_string(i) + "=" + cases[i].value + "\r\n";
  const std::string path = m_folder.path("int.ini");
  WriteWholeFile(path, file);
  for (size_t i = 0; i < std::size(cases); ++i) {
    const std::string key = "k" + std::to_string(i);
    EXPECT_EQ(cases[i].want, GetPrivateProfileIntA("n", key.c_str(), 77, path.c_str()))
        << "\"" << cases[i].value << "\"";
  }
  EXPECT_EQ(77u, GetPrivateProfileIntA("N", "missing", 77, path.c_str()));
  EXPECT_EQ(static_cast<UINT>(-3),
            GetPrivateProfileIntA("N", "k0", -3, m_folder.path("no.ini").c_str()));
}

TEST_F(PrivateProfileTest, WritesKeepEveryOtherLineByteForByte) {
  const std::string original =
      "; settings\r\n"
      "[General]\r\n"
      "Name = Old \r\n"
      "  Other=1\r\n"
      "\r\n"
      "; closes General\r\n"
      "[Colors]\r\n"
      "Red=255\r\n"
      "garbage line without equals sign\r\n"
      "\r\n"
      "[Last]\r\n"
      "z=26";
  // Each write changes the text `from` into `to` and nothing else.
  struct Case {
    LPCSTR app;
    LPCSTR key;
    LPCSTR value;
    std::string from;
    std::string to;
  };
  const Case cases[] = {
      {"general", "NAME", "New", "Name = Old \r\n", "Name=New\r\n"},
      {"General", " Added ", " x ", "  Other=1\r\n", "  Other=1\r\nAdded= x \r\n"},
      {"Last", "y", "25", "z=26", "z=26\r\ny=25\r\n"},
      {"New", "k", "v", "z=26", "z=26\r\n[New]\r\nk=v\r\n"},
      {"COLORS", "red", nullptr, "Red=255\r\n", ""},
      {"Colors", nullptr, nullptr,
       "[Colors]\r\nRed=255\r\ngarbage line without equals sign\r\n\r\n", ""},
      {"Last", nullptr, nullptr, "[Last]\r\nz=26", ""},
      {"Colors", "Red", "255", "", ""},
      {"Colors", "Absent", nullptr, "", ""},
      {"Absent", nullptr, nullptr, "", ""},
  };
  const std::string path = m_folder.path("w.ini");
  for (const Case& c : cases) {
    WriteWholeFile(path, original);
    const std::string input = std::string("[") + c.app + "] " + (c.key ? c.key : "(null)") + "=" +
                              (c.value ? c.value : "(null)");
    EXPECT_TRUE(WritePrivateProfileStringA(c.app, c.key, c.value, path.c_str())) << input;
    std::string want = original;
    want.replace(want.find(c.from), c.from.size(), c.to);
    EXPECT_EQ(want, ReadWholeFile(path)) << input;
  }
}

TEST_F(PrivateProfileTest, WritesFollowTheFilesLineEndingsAndCopies) {
  struct Case {
    std::string before;
    LPCSTR app;
    LPCSTR key;
    LPCSTR value;
    std::string want;
  };
  const Case cases[] = {
      {"[A]\nk=1\n", "A", "j", "2", "[A]\nk=1\nj=2\n"},
      {"[A]\nk=1\n", "B", "j", "2", "[A]\nk=1\n[B]\nj=2\n"},
      {"[A]\r\nk=1\n[B]\n", "B", "j", "2", "[A]\r\nk=1\n[B]\nj=2\r\n"},
      {"[A]", "A", "j", "2", "[A]\r\nj=2\r\n"},
      // The first copy is the one written; a delete removes every copy.
      {"[A]\nk=1\nK=2\n[a]\nk=3\n", "A", "k", "9", "[A]\nk=9\nK=2\n[a]\nk=3\n"},
      {"[A]\nk=1\nK=2\n[a]\nk=3\nj=4\n", "A", "k", nullptr, "[A]\n[a]\nj=4\n"},
      {"[A]\nk=1\n[B]\nx=1\n[a]\nk=3\n", "a", nullptr, nullptr, "[B]\nx=1\n"},
  };
  const std::string path = m_folder.path("eol.ini");
  for (const Case& c : cases) {
    WriteWholeFile(path, c.before);
    const std::string input = c.before + " <- [" + c.app + "] " + (c.key ? c.key : "(null)");
    EXPECT_TRUE(WritePrivateProfileStringA(c.app, c.key, c.value, path.c_str())) << input;
    EXPECT_EQ(c.want, ReadWholeFile(path)) << input;
  }
}

TEST_F(PrivateProfileTest, CreatesFilesKeepsPermissionBitsAndSkipsNeedlessRewrites) {
  const std::string path = m_folder.path("new.ini");
  EXPECT_TRUE(WritePrivateProfileStringA("S", "k", nullptr, path.c_str()));
  EXPECT_FALSE(std::filesystem::exists(path)) << "a delete must not create the file";

  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_TRUE(WritePrivateProfileStringA("S", "k", "v", path.c_str()));
  EXPECT_EQ("[S]\r\nk=v\r\n", ReadWholeFile(path));
  struct stat st {};
  ASSERT_EQ(0, stat(path.c_str(), &st));
  EXPECT_EQ(0666 & ~mask, st.st_mode & 07777);

  ASSERT_EQ(0, chmod(path.c_str(), 0640));
  EXPECT_TRUE(WritePrivateProfileStringA("S", "k", "w", path.c_str()));
  ASSERT_EQ(0, stat(path.c_str(), &st));
  EXPECT_EQ(0640u, st.st_mode & 07777);
  EXPECT_EQ(std::vector<std::string>{"new.ini"}, FolderEntries());

  struct stat before = st;
  EXPECT_TRUE(WritePrivateProfileStringA("s", "K", "w", path.c_str()));
  ASSERT_EQ(0, stat(path.c_str(), &st));
  EXPECT_EQ(before.st_ino, st.st_ino) << "a write that changes nothing leaves the file alone";
}

TEST_F(PrivateProfileTest, FailedWritesReportAndLeaveNoTrace) {
  const std::string missingFolder = m_folder.path("no/such/folder/x.ini");
  SetLastError(0);
  EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "v", missingFolder.c_str()));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
  EXPECT_TRUE(FolderEntries().empty());

  const std::string original = "[S]\r\nk=old\r\n";
  const std::string full = m_folder.path("full.ini");
  WriteWholeFile(full, original);
  os_file::calls().write = FullDiskWrite;
  SetLastError(0);
  EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "new", full.c_str()));
  EXPECT_FALSE(WritePrivateProfileStringA("S", "k", "new", m_folder.path("fresh.ini").c_str()));
  RestoreCalls();
  EXPECT_EQ(static_cast<DWORD>(ERROR_DISK_FULL), GetLastError());
  EXPECT_EQ(original, ReadWholeFile(full));
  EXPECT_EQ(std::vector<std::string>{"full.ini"}, FolderEntries());
}

// A line break would smuggle in a section or key of its own; such names and
// values are refused rather than written.
TEST_F(PrivateProfileTest, RefusesTextThatWouldNotReadBack) {
  const std::string original = "[S]\r\nk=1\r\n";
  struct Case {
    LPCSTR app;
    LPCSTR key;
    LPCSTR value;
  };
  const Case cases[] = {
      {"S", "k", "a\r\n[Evil]\r\nx=1"},
      {"S", "k", "a\nb"},
      {"S\n", "k", "v"},
      {"S", "a\rb", "v"},
      {"S", "a=b", "v"},
      {"S", ";k", "v"},
      {"S", "[k", "v"},
      {nullptr, "k", "v"},
  };
  const std::string path = m_folder.path("bad.ini");
  WriteWholeFile(path, original);
  for (const Case& c : cases) {
    SetLastError(0);
    EXPECT_FALSE(WritePrivateProfileStringA(c.app, c.key, c.value, path.c_str()))
        << (c.app ? c.app : "(null)") << "/" << c.key << "=" << c.value;
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError()) << c.key;
  }
  EXPECT_EQ(original, ReadWholeFile(path));
  EXPECT_TRUE(WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str()));
}

TEST_F(PrivateProfileTest, ConcurrentWritersLoseNoKey) {
  const std::string path = m_folder.path("shared.ini");
  WriteWholeFile(path, "[S]\r\nkeep=1\r\n");
  const auto key = [](int w, int i) { return "w" + std::to_string(w) + "k" + std::to_string(i); };
  const auto children = StartTogether(2, [&](int w) {
    for (int i = 0; i < 40; ++i) {
      const std::string value = std::to_string(i);
      if (!WritePrivateProfileStringA("S", key(w, i).c_str(), value.c_str(), path.c_str()))
        return 1;
    }
    return 0;
  });
  for (const pid_t child : children) EXPECT_EQ(0, WaitChild(child));
  EXPECT_EQ("1", Read(path, "S", "keep"));
  for (int w = 0; w < 2; ++w) {
    for (int i = 0; i < 40; ++i)
      EXPECT_EQ(std::to_string(i), Read(path, "S", key(w, i).c_str())) << key(w, i);
  }
}

TEST_F(PrivateProfileTest, ASettledFileIsReadOnceForAllItsValues) {
  const std::string path = m_folder.path("many.ini");
  std::string text = "[S]\r\n";
  for (int i = 0; i < 200; ++i) text += "k" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  WriteWholeFile(path, text);
  Settle();
  os_file::calls().open = CountingOpen;
  g_opens = 0;
  const std::string keys = List(path, "S");
  EXPECT_EQ(200, std::count(keys.begin(), keys.end(), '|') + 1);
  for (int i = 0; i < 200; ++i) {
    const std::string key = "K" + std::to_string(i);
    EXPECT_EQ(std::to_string(i), Read(path, "s", key.c_str())) << key;
    EXPECT_EQ(static_cast<UINT>(i), GetPrivateProfileIntA("S", key.c_str(), -1, path.c_str()));
  }
  EXPECT_EQ(1, g_opens) << "reads of a file that did not change";
}

// Within the clock's rounding of the last change, another change of the
// same size may leave every time as it was, so such a file is read again.
TEST_F(PrivateProfileTest, AFileJustChangedIsReadAgainUntilItSettles) {
  const std::string path = m_folder.path("fresh.ini");
  os_file::calls().open = CountingOpen;
  // A loaded machine may stop the test between the change and the reads for
  // longer than the rounding; such a round shows nothing and is run again.
  bool quick = false;
  for (int round = 0; round < 50 && !quick; ++round) {
    const std::string value = std::to_string(round);
    WriteWholeFile(path, "[S]\r\nk=" + value + "\r\n");
    const auto changed = std::chrono::steady_clock::now();
    g_opens = 0;
    EXPECT_EQ(value, Read(path, "S", "k"));
    EXPECT_EQ(value, Read(path, "S", "k"));
    quick = std::chrono::steady_clock::now() - changed < std::chrono::milliseconds(20);
    if (quick) {
      EXPECT_EQ(2, g_opens) << "a file changed a moment ago";
    }
  }
  EXPECT_TRUE(quick) << "no round read the file soon enough after changing it";
  Settle();
  g_opens = 0;
  Read(path, "S", "k");
  Read(path, "S", "k");
  EXPECT_EQ(1, g_opens) << "a settled file";
}

TEST_F(PrivateProfileTest, AFileChangedBehindOurBackIsReadAgain) {
  const std::string original = "[S]\r\nk=old\r\n";
  const auto mtime_of = [](const std::string& file) {
    struct stat st {};
    EXPECT_EQ(0, stat(file.c_str(), &st)) << file;
    return st.st_mtim;
  };
  struct Case {
    const char* change;
    std::function<void(const std::string&)> apply;
    std::string want;
  };
  const Case cases[] = {
      {"rewritten in place, longer",
       [](const std::string& p) { WriteWholeFile(p, "[S]\r\nk=longer\r\n"); }, "longer"},
      {"rewritten in place, same size",
       [](const std::string& p) { WriteWholeFile(p, "[S]\r\nk=new\r\n"); }, "new"},
      {"same size, modification time put back",
       [&](const std::string& p) {
         const timespec times[2] = {{0, UTIME_OMIT}, mtime_of(p)};
         WriteWholeFile(p, "[S]\r\nk=new\r\n");
         ASSERT_EQ(0, utimensat(AT_FDCWD, p.c_str(), times, 0));
       },
       "new"},
      {"replaced by rename, same size and modification time",
       [&](const std::string& p) {
         const timespec times[2] = {{0, UTIME_OMIT}, mtime_of(p)};
         WriteWholeFile(p + ".tmp", "[S]\r\nk=new\r\n");
         ASSERT_EQ(0, utimensat(AT_FDCWD, (p + ".tmp").c_str(), times, 0));
         ASSERT_EQ(0, std::rename((p + ".tmp").c_str(), p.c_str()));
       },
       "new"},
      {"removed", [](const std::string& p) { std::filesystem::remove(p); }, "d"},
  };
  const std::string path = m_folder.path("changed.ini");
  for (const Case& c : cases) {
    WriteWholeFile(path, original);
    Settle();
    EXPECT_EQ("old", Read(path, "S", "k", "d")) << c.change;
    c.apply(path);
    EXPECT_EQ(c.want, Read(path, "S", "k", "d")) << c.change;
  }
}

// Two writes of the same size in one tick of the file system's clock may
// leave the file's times as they were; the second must still be read.
TEST_F(PrivateProfileTest, ChangesWithinOneClockTickAreSeen) {
  const std::string path = m_folder.path("tick.ini");
  const auto stamp = [&] {
    struct stat st {};
    EXPECT_EQ(0, stat(path.c_str(), &st));
    return std::make_tuple(st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec,
                           st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
  };
  int hidden = 0;
  for (int round = 0; round < 200; ++round) {
    WriteWholeFile(path, "[S]\r\nk=aaaa\r\n");
    const auto before = stamp();
    EXPECT_EQ("aaaa", Read(path, "S", "k")) << "round " << round;
    WriteWholeFile(path, "[S]\r\nk=bbbb\r\n");
    if (stamp() == before) ++hidden;
    EXPECT_EQ("bbbb", Read(path, "S", "k")) << "round " << round;
  }
  RecordProperty("changes_hidden_from_the_times", hidden);
}

TEST_F(PrivateProfileTest, ReadsAndListsFollowEachWrite) {
  const std::string path = m_folder.path("lists.ini");
  WriteWholeFile(path, "[A]\r\nk1=1\r\n[B]\r\nx=1\r\n");
  Settle();
  EXPECT_EQ("A|B", List(path, nullptr));
  EXPECT_EQ("k1", List(path, "A"));
  struct Case {
    LPCSTR app;
    LPCSTR key;
    LPCSTR value;
    std::string sections;
    LPCSTR listed;
    std::string keys;
  };
  const Case cases[] = {
      {"A", "k2", "2", "A|B", "A", "k1|k2"},   {"a", "K1", "9", "A|B", "A", "k1|k2"},
      {"C", "c", "3", "A|B|C", "C", "c"},      {"A", "k1", nullptr, "A|B|C", "A", "k2"},
      {"B", nullptr, nullptr, "A|C", "B", ""}, {"C", "c", nullptr, "A|C", "C", ""},
  };
  for (const Case& c : cases) {
    const std::string input = std::string("[") + c.app + "] " + (c.key ? c.key : "(null)") + "=" +
                              (c.value ? c.value : "(null)");
    Settle();
    ASSERT_TRUE(WritePrivateProfileStringA(c.app, c.key, c.value, path.c_str())) << input;
    EXPECT_EQ(c.sections, List(path, nullptr)) << input;
    EXPECT_EQ(c.keys, List(path, c.listed)) << input;
    if (c.key != nullptr) {
      EXPECT_EQ(c.value ? c.value : "<default>", Read(path, c.app, c.key)) << input;
    }
  }
}

// Readers in several threads while another thread writes: every read gives
// a value written, never an older one than the same thread read before.
TEST_F(PrivateProfileTest, ThreadsReadWhileAnotherWrites) {
  const std::string path = m_folder.path("threads.ini");
  WriteWholeFile(path, "[S]\r\nn=0\r\n");
  constexpr int writes = 60;
  std::atomic<bool> done{false};
  std::vector<std::thread> readers;
  std::vector<int> faults(3, 0);
  for (int& fault : faults) {
    readers.emplace_back([&] {
      int last = 0;
      while (!done) {
        const int n = static_cast<int>(GetPrivateProfileIntA("S", "n", -1, path.c_str()));
        if (n < last || n > writes) ++fault;
        last = n;
      }
    });
  }
  for (int n = 1; n <= writes; ++n)
    EXPECT_TRUE(WritePrivateProfileStringA("S", "n", std::to_string(n).c_str(), path.c_str()));
  done = true;
  for (std::thread& reader : readers) reader.join();
  EXPECT_EQ(std::vector<int>(3, 0), faults) << "reads out of order or of no value written";
  EXPECT_EQ(static_cast<UINT>(writes), GetPrivateProfileIntA("S", "n", -1, path.c_str()));
}

}  // namespace
