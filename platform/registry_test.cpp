#include "platform/registry.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "testing/child_processes.h"
#include "testing/private_hive.h"
#include "testing/scoped_env.h"

namespace {

const BYTE* bytes(const std::string& s) { return reinterpret_cast<const BYTE*>(s.data()); }

LONG set_string(HKEY key, const char* name, const std::string& data, DWORD type = REG_SZ) {
  return RegSetValueExA(key, name, 0, type, bytes(data), static_cast<DWORD>(data.size()));
}

// The stored bytes, or the error as text.
std::string query_string(HKEY key, const char* name) {
  DWORD size = 0;
  if (const LONG error = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size))
    return "error " + std::to_string(error);
  std::string data(size, '\0');
  if (const LONG error = RegQueryValueExA(key, name, nullptr, nullptr,
                                          reinterpret_cast<BYTE*>(data.data()), &size))
    return "error " + std::to_string(error);
  return data;
}

// Runs the statements on the file as another program would.
void run_sql(const std::string& path, const char* sql) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  EXPECT_EQ(SQLITE_OK, sqlite3_exec(db, sql, nullptr, nullptr, nullptr)) << sql;
  sqlite3_close(db);
}

std::string integrity(const std::string& hive) {
  sqlite3* db = nullptr;
  std::string result = "cannot open";
  if (sqlite3_open_v2(hive.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &s, nullptr);
    if (sqlite3_step(s) == SQLITE_ROW)
      result = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    sqlite3_finalize(s);
  }
  sqlite3_close(db);
  return result;
}

// The user's configuration folder is a temporary one too, so that nothing
// reaches ~/.config.
class RegistryTest : public PrivateHiveTest {
 protected:
  static HKEY Create(const char* path, REGSAM access = KEY_ALL_ACCESS,
                     DWORD* disposition = nullptr) {
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, access,
                                             nullptr, &key, disposition))
        << path;
    return key;
  }
  static LONG Open(const char* path, REGSAM access, HKEY* key) {
    return RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, access, key);
  }

  const ScopedEnv m_config{"XDG_CONFIG_HOME", m_folder.path("config").c_str()};
};

TEST_F(RegistryTest, QueryReportsSizesAndCopiesExactlyTheStoredBytes) {
  const HKEY key = Create("Software\\Quendra\\Orvalis");
  ASSERT_EQ(ERROR_SUCCESS, set_string(key, "ProgramDir", "abc"));
  const struct {
    const char* what;
    const char* name;
    bool reserved;
    bool data;
    bool size;
    DWORD size_in;
    LONG want;
    DWORD want_size;
    std::string want_buffer;
  } cases[] = {
      {"size only", "ProgramDir", false, false, true, 0, ERROR_SUCCESS, 3, "xxxxx"},
      {"type only", "programdir", false, false, false, 0, ERROR_SUCCESS, 0, "xxxxx"},
      {"buffer too small", "ProgramDir", false, true, true, 2, ERROR_MORE_DATA, 3, "xxxxx"},
      {"exact buffer, no terminator added", "ProgramDir", false, true, true, 3, ERROR_SUCCESS, 3,
       "abcxx"},
      {"larger buffer", "PROGRAMDIR", false, true, true, 5, ERROR_SUCCESS, 3, "abcxx"},
      {"buffer without size", "ProgramDir", false, true, false, 0, ERROR_INVALID_PARAMETER, 0,
       "xxxxx"},
      {"reserved given", "ProgramDir", true, true, true, 5, ERROR_INVALID_PARAMETER, 5, "xxxxx"},
      {"missing value", "UserDir", false, true, true, 5, ERROR_FILE_NOT_FOUND, 5, "xxxxx"},
  };
  for (const auto& c : cases) {
    std::string buffer = "xxxxx";
    DWORD size = c.size_in;
    DWORD type = 99;
    DWORD reserved = 0;
    const LONG got = RegQueryValueExA(key, c.name, c.reserved ? &reserved : nullptr, &type,
                                      c.data ? reinterpret_cast<BYTE*>(buffer.data()) : nullptr,
                                      c.size ? &size : nullptr);
    EXPECT_EQ(c.want, got) << c.what;
    EXPECT_EQ(c.want_size, size) << c.what;
    const bool found = got == ERROR_SUCCESS || got == ERROR_MORE_DATA;
    EXPECT_EQ(found ? REG_SZ : 99, type) << c.what;
    EXPECT_EQ(c.want_buffer, buffer) << c.what;
  }
  RegCloseKey(key);
}

TEST_F(RegistryTest, ValuesKeepTheirTypeAndEveryByte) {
  std::string every_byte;
  for (int b = 1; b < 256; ++b) every_byte += static_cast<char>(b);
  const struct {
    const char* what;
    DWORD type;
    std::string data;
  } cases[] = {
      {"bytes 1..255", REG_SZ, every_byte},
      {"with its terminator", REG_SZ, std::string("abc\0", 4)},
      {"empty", REG_SZ, ""},
      {"NULs inside", REG_BINARY, std::string("\0a\0\0b", 5)},
      {"dword", REG_DWORD, std::string("\x01\x02\x03\x04", 4)},
      {"short dword, stored as given", REG_DWORD, "\x07"},
      {"large", REG_BINARY, std::string(200000, '\xA0')},
  };
  const HKEY key = Create("Software\\Types");
  for (const auto& c : cases) {
    ASSERT_EQ(ERROR_SUCCESS, set_string(key, c.what, c.data, c.type)) << c.what;
    DWORD type = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, c.what, nullptr, &type, nullptr, nullptr));
    EXPECT_EQ(c.type, type) << c.what;
    EXPECT_EQ(c.data, query_string(key, c.what)) << c.what;
  }
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegSetValueExA(key, "x", 0, REG_SZ, nullptr, 1));
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, nullptr, 0, REG_SZ, nullptr, 0));
  EXPECT_EQ("", query_string(key, ""));
  RegCloseKey(key);
}

TEST_F(RegistryTest, NamesCompareWithoutAsciiCaseAndKeepTheirFirstSpelling) {
  const HKEY key = Create("Software\\Quendra\\Orvalis");
  ASSERT_EQ(ERROR_SUCCESS, set_string(key, "UserDir", "one"));
  ASSERT_EQ(ERROR_SUCCESS, set_string(key, "USERDIR", "two"));
  ASSERT_EQ(ERROR_SUCCESS, set_string(key, "\xC9t\xE9", "accented"));
  HKEY other = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, Open("SOFTWARE\\quendra\\ORVALIS", KEY_READ, &other));
  EXPECT_EQ("two", query_string(other, "userdir"));
  // Letters beyond ASCII are never folded.
  EXPECT_EQ("error 2", query_string(other, "\xE9t\xE9"));
  char name[16];
  DWORD length = sizeof name;
  ASSERT_EQ(ERROR_SUCCESS,
            RegEnumValueA(other, 0, name, &length, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ("UserDir", std::string(name, length));
  RegCloseKey(other);
  RegCloseKey(key);
}

TEST_F(RegistryTest, CreateMakesEveryMissingLevelAndSaysWhetherItDid) {
  const struct {
    const char* path;
    DWORD want;
  } cases[] = {
      {"A\\B\\C", REG_CREATED_NEW_KEY},        {"a\\b\\c", REG_OPENED_EXISTING_KEY},
      {"\\A\\\\B\\", REG_OPENED_EXISTING_KEY}, {"A\\B\\D\\E", REG_CREATED_NEW_KEY},
      {"", REG_OPENED_EXISTING_KEY},
  };
  for (const auto& c : cases) {
    DWORD disposition = 0;
    const HKEY key = Create(c.path, KEY_ALL_ACCESS, &disposition);
    EXPECT_EQ(c.want, disposition) << c.path;
    RegCloseKey(key);
  }
  HKEY key = reinterpret_cast<HKEY>(1);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, Open("A\\X", KEY_READ, &key));
  EXPECT_EQ(nullptr, key);
  ASSERT_EQ(ERROR_SUCCESS, Open("A\\B\\D\\E", KEY_ALL_ACCESS, &key));
  // A null or empty sub-key: a second handle to the same key.
  for (const char* sub : {static_cast<const char*>(nullptr), ""}) {
    HKEY copy = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(key, sub, 0, KEY_ALL_ACCESS, &copy));
    EXPECT_NE(key, copy);
    ASSERT_EQ(ERROR_SUCCESS, set_string(copy, "v", "through the copy"));
    RegCloseKey(copy);
    EXPECT_EQ("through the copy", query_string(key, "v"));
  }
  RegCloseKey(key);
}

TEST_F(RegistryTest, AccessMasksRefuseWhatTheKeyWasNotOpenedFor) {
  const HKEY key = Create("Software\\Locked");
  ASSERT_EQ(ERROR_SUCCESS, set_string(key, "v", "x"));
  HKEY reader = nullptr;
  HKEY writer = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, Open("Software\\Locked", KEY_READ, &reader));
  ASSERT_EQ(ERROR_SUCCESS, Open("Software\\Locked", KEY_SET_VALUE, &writer));
  EXPECT_EQ(ERROR_ACCESS_DENIED, set_string(reader, "v", "y"));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteValueA(reader, "v"));
  HKEY sub = nullptr;
  EXPECT_EQ(ERROR_ACCESS_DENIED,
            RegCreateKeyExA(reader, "New", 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr));
  EXPECT_EQ("x", query_string(reader, "v"));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegQueryValueExA(writer, "v", nullptr, nullptr, nullptr, nullptr));
  char name[8];
  DWORD length = sizeof name;
  EXPECT_EQ(ERROR_ACCESS_DENIED,
            RegEnumValueA(writer, 0, name, &length, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(ERROR_SUCCESS, set_string(writer, "v", "y"));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(writer, "v"));
  for (const HKEY k : {key, reader, writer}) RegCloseKey(k);
}

TEST_F(RegistryTest, ClosedAndMadeUpHandlesAreRefusedWithoutBeingRead) {
  const HKEY closed = Create("Software\\Closed");
  ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(closed));
  int local = 0;
  for (const HKEY bad : {closed, static_cast<HKEY>(nullptr), reinterpret_cast<HKEY>(&local),
                         reinterpret_cast<HKEY>(UINT_PTR{0x80000005})}) {
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegOpenKeyExA(bad, "x", 0, KEY_READ, &key)) << bad;
    EXPECT_EQ(ERROR_INVALID_HANDLE, set_string(bad, "v", "x")) << bad;
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryValueExA(bad, "v", nullptr, nullptr, nullptr, nullptr))
        << bad;
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(bad)) << bad;
  }
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_CURRENT_USER));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, Open("Software", KEY_READ, nullptr));
}

TEST_F(RegistryTest, DeletingKeysAndValues) {
  const HKEY parent = Create("Software\\Parent");
  const HKEY child = Create("Software\\Parent\\Child");
  ASSERT_EQ(ERROR_SUCCESS, set_string(child, "v", "x"));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Parent"));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyA(HKEY_CURRENT_USER, ""));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyA(parent, "Missing"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueA(child, "missing"));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(parent, "CHILD"));
  // The open handle now names a deleted key, even once a key of that name
  // exists again, and the old values are gone with it.
  const HKEY again = Create("Software\\Parent\\Child");
  EXPECT_EQ("error 2", query_string(again, "v"));
  EXPECT_EQ("error " + std::to_string(ERROR_KEY_DELETED), query_string(child, "v"));
  EXPECT_EQ(ERROR_KEY_DELETED, set_string(child, "v", "x"));
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_KEY_DELETED, RegOpenKeyExA(child, nullptr, 0, KEY_READ, &key));
  RegCloseKey(again);
  RegCloseKey(child);
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(parent, "Child"));
  ASSERT_EQ(ERROR_SUCCESS, set_string(parent, "w", "y"));
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueA(parent, "W"));
  EXPECT_EQ("error 2", query_string(parent, "w"));
  RegCloseKey(parent);
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Parent"));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, Open("Software\\Parent", KEY_READ, &key));
}

TEST_F(RegistryTest, EnumerationGoesByNameAndReportsShortBuffers) {
  const HKEY key = Create("Software\\Enum");
  for (const char* name : {"b", "Alpha", "c"})
    ASSERT_EQ(ERROR_SUCCESS, set_string(key, name, name));
  const struct {
    DWORD index;
    DWORD name_room;
    DWORD data_room;
    LONG want;
    std::string want_name;
    DWORD want_length;
    DWORD want_size;
  } cases[] = {
      {0, 6, 5, ERROR_SUCCESS, "Alpha", 5, 5},   {1, 2, 5, ERROR_SUCCESS, "b", 1, 1},
      {2, 9, 5, ERROR_SUCCESS, "c", 1, 1},       {0, 5, 5, ERROR_MORE_DATA, "", 5, 5},
      {0, 9, 4, ERROR_MORE_DATA, "Alpha", 5, 5}, {3, 9, 5, ERROR_NO_MORE_ITEMS, "", 9, 5},
  };
  for (const auto& c : cases) {
    char name[16] = {};
    char data[16] = {};
    DWORD length = c.name_room;
    DWORD size = c.data_room;
    DWORD type = 0;
    const LONG got = RegEnumValueA(key, c.index, name, &length, nullptr, &type,
                                   reinterpret_cast<BYTE*>(data), &size);
    const std::string what = std::to_string(c.index) + " " + std::to_string(c.name_room) + " " +
                             std::to_string(c.data_room);
    EXPECT_EQ(c.want, got) << what;
    EXPECT_EQ(c.want_name, name) << what;
    EXPECT_EQ(c.want_length, length) << what;
    EXPECT_EQ(c.want_size, size) << what;
    EXPECT_EQ(got == ERROR_SUCCESS ? c.want_name : "", std::string(data)) << what;
  }
  RegCloseKey(key);
}

TEST_F(RegistryTest, ValuesOutliveTheConnectionAndLiveInTheHiveFileItself) {
  const HKEY key = Create("Software\\Quendra\\Orvalis");
  ASSERT_EQ(ERROR_SUCCESS, set_string(key, "UserDir", "C:\\Users\\kim"));
  RegCloseKey(key);
  const std::string other = m_folder.path("other.db");
  KelmSetRegistryPath(other.c_str());
  EXPECT_EQ(other, std::string(KelmGetRegistryPath()));
  ASSERT_EQ(ERROR_SUCCESS, set_string(HKEY_CURRENT_USER, "elsewhere", "x"));
  // With no key left open on it, the first hive's connection is closed and
  // its log folded into the file: a copy of the file alone has the value.
  EXPECT_FALSE(std::filesystem::exists(m_hive + "-wal"));
  const std::string copy = m_folder.path("copy.db");
  std::filesystem::copy_file(m_hive, copy);
  for (const std::string& path : {m_hive, copy}) {
    KelmSetRegistryPath(path.c_str());
    HKEY reopened = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, Open("software\\quendra\\orvalis", KEY_READ, &reopened)) << path;
    EXPECT_EQ("C:\\Users\\kim", query_string(reopened, "UserDir")) << path;
    EXPECT_EQ("error 2", query_string(HKEY_CURRENT_USER, "elsewhere")) << path;
    RegCloseKey(reopened);
  }
}

TEST_F(RegistryTest, TheDefaultHiveLiesInTheUsersConfigurationFolder) {
  KelmSetRegistryPath(nullptr);
  const std::string hive = m_folder.path("config/orvalis/registry.db");
  EXPECT_EQ(hive, std::string(KelmGetRegistryPath()));
  ASSERT_EQ(ERROR_SUCCESS, set_string(HKEY_CURRENT_USER, "v", "x"));
  struct stat st {};
  ASSERT_EQ(0, stat(m_folder.path("config/orvalis").c_str(), &st));
  EXPECT_EQ(0700u, st.st_mode & 0777);
  EXPECT_TRUE(std::filesystem::exists(hive));

  m_config.Set(nullptr);
  const ScopedEnv home("HOME", m_folder.path("home").c_str());
  EXPECT_EQ(m_folder.path("home/.config/orvalis/registry.db"), std::string(KelmGetRegistryPath()));
}

TEST_F(RegistryTest, AFileThatIsNotAHiveIsRefusedAndLeftAlone) {
  const std::string other_database = m_folder.path("other.db");
  run_sql(other_database, "CREATE TABLE notes(text)");
  const std::string text = m_folder.path("text.db");
  WriteWholeFile(text, std::string(5000, 'x'));
  const std::string newer = m_folder.path("newer.db");
  run_sql(newer, "PRAGMA user_version = 99");

  for (const std::string& path : {text, other_database, newer}) {
    const std::string before = ReadWholeFile(path);
    KelmSetRegistryPath(path.c_str());
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_BADDB, Open("Software", KEY_READ, &key)) << path;
    EXPECT_EQ(ERROR_BADDB, RegCreateKeyExA(HKEY_CURRENT_USER, "Software", 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, &key, nullptr))
        << path;
    EXPECT_EQ(ERROR_BADDB, set_string(HKEY_CURRENT_USER, "v", "x")) << path;
    EXPECT_EQ(before, ReadWholeFile(path)) << path;
  }
}

// A hive written by another program may break the schema's rules; a value
// stored without a name is listed with an empty one.
TEST_F(RegistryTest, AValueWithoutANameInAHiveFromElsewhereIsListedAsEmpty) {
  const std::string path = m_folder.path("elsewhere.db");
  run_sql(path,
          "CREATE TABLE keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER, "
          "name TEXT COLLATE NOCASE);"
          "CREATE TABLE key_values(key_id, name, type, data);"
          "INSERT INTO keys VALUES (1, 0, 'HKEY_CLASSES_ROOT'), (2, 0, 'HKEY_CURRENT_USER'), "
          "(3, 0, 'HKEY_LOCAL_MACHINE');"
          "INSERT INTO key_values VALUES (2, NULL, 1, 'x');"
          "PRAGMA user_version = 1;");
  KelmSetRegistryPath(path.c_str());
  char name[16] = "unchanged";
  DWORD name_size = sizeof name;
  BYTE data[16];
  DWORD data_size = sizeof data;
  EXPECT_EQ(ERROR_SUCCESS, RegEnumValueA(HKEY_CURRENT_USER, 0, name, &name_size, nullptr, nullptr,
                                         data, &data_size));
  EXPECT_EQ(std::string(), std::string(name));
  EXPECT_EQ(0u, name_size);
}

TEST_F(RegistryTest, AWriteLockHeldTooLongFailsWritesButNotReads) {
  ASSERT_EQ(ERROR_SUCCESS, set_string(HKEY_CURRENT_USER, "v", "before"));
  sqlite3* other = nullptr;
  ASSERT_EQ(SQLITE_OK, sqlite3_open(m_hive.c_str(), &other));
  ASSERT_EQ(SQLITE_OK, sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr));
  EXPECT_EQ(ERROR_CANTWRITE, set_string(HKEY_CURRENT_USER, "v", "after"));
  EXPECT_EQ("before", query_string(HKEY_CURRENT_USER, "v"));
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_EQ(ERROR_SUCCESS, set_string(HKEY_CURRENT_USER, "v", "after"));
}

// Each child opens its own connection: one inherited through fork() is left
// to the parent, and a key the parent opened is no handle in the child.
TEST_F(RegistryTest, ProcessesWritingOneKeyLoseNothingAndShareNoConnection) {
  constexpr int writes = 500;
  const std::string tags = "ab";
  const HKEY parent = Create("Software\\Race");
  ASSERT_EQ(ERROR_SUCCESS, set_string(parent, "parent", "1"));
  const auto children = StartTogether(2, [&](int n) {
    if (RegQueryValueExA(parent, "parent", nullptr, nullptr, nullptr, nullptr) !=
        ERROR_INVALID_HANDLE)
      return 1;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Race", 0, KEY_ALL_ACCESS, &key) != 0) return 2;
    for (int i = 0; i < writes; ++i) {
      const std::string name = tags[n] + std::to_string(i);
      if (set_string(key, name.c_str(), name + "-data") != ERROR_SUCCESS) return 3;
      if (set_string(key, "shared", name) != ERROR_SUCCESS) return 4;
    }
    return 0;
  });
  for (const pid_t child : children) EXPECT_EQ(0, WaitChild(child));

  EXPECT_EQ(ERROR_SUCCESS, set_string(parent, "parent", "2"));
  for (const char tag : tags) {
    for (int i = 0; i < writes; ++i) {
      const std::string name = tag + std::to_string(i);
      EXPECT_EQ(name + "-data", query_string(parent, name.c_str())) << name;
    }
  }
  const std::string last = query_string(parent, "shared");
  EXPECT_TRUE(last == "a499" || last == "b499") << last;
  RegCloseKey(parent);
  EXPECT_EQ("ok", integrity(m_hive));
}

// Turning a new file into a hive collides now and then when processes start
// together; the collision must be waited out, not reported.
TEST_F(RegistryTest, ProcessesSettingUpOneNewHiveTogetherAllSucceed) {
  constexpr int processes = 4;
  for (int round = 0; round < 25; ++round) {
    const std::string hive = m_folder.path("new" + std::to_string(round) + ".db");
    KelmSetRegistryPath(hive.c_str());
    const auto children = StartTogether(processes, [](int n) {
      const std::string name = std::to_string(n);
      HKEY key = nullptr;
      const LONG error = RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\New", 0, nullptr, 0,
                                         KEY_ALL_ACCESS, nullptr, &key, nullptr);
      return error == ERROR_SUCCESS ? set_string(key, name.c_str(), name) : error;
    });
    for (const pid_t child : children) EXPECT_EQ(0, WaitChild(child)) << hive;
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, Open("Software\\New", KEY_READ, &key)) << hive;
    for (int n = 0; n < processes; ++n)
      EXPECT_EQ(std::to_string(n), query_string(key, std::to_string(n).c_str())) << hive;
    RegCloseKey(key);
  }
}

TEST_F(RegistryTest, AProcessKilledWhileWritingLosesNothingItCommitted) {
  int report[2];
  ASSERT_EQ(0, pipe(report));
  const pid_t child = StartChild([&] {
    close(report[0]);
    for (int i = 0;; ++i) {
      const std::string name = "v" + std::to_string(i);
      if (set_string(HKEY_CURRENT_USER, name.c_str(), name) != ERROR_SUCCESS) return 1;
      if (write(report[1], &i, sizeof i) != sizeof i) return 2;
    }
  });
  close(report[1]);
  std::vector<int> committed;
  int i = 0;
  while (read(report[0], &i, sizeof i) == sizeof i) {
    committed.push_back(i);
    if (committed.size() == 200) kill(child, SIGKILL);
  }
  close(report[0]);
  EXPECT_EQ(-1, WaitChild(child));
  ASSERT_GE(committed.size(), 200u);
  for (const int n : committed) {
    const std::string name = "v" + std::to_string(n);
    EXPECT_EQ(name, query_string(HKEY_CURRENT_USER, name.c_str()));
  }
  EXPECT_EQ("ok", integrity(m_hive));
}

}  // namespace
