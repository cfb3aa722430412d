// Arbitrary bytes as the registry's hive file: damaged hives, databases of
// other programs, files that are no database at all. Opening keys, listing
// and reading values and writing one must fail with an error code or work;
// a value written must read back with exactly its bytes.
//
// Each input becomes a fresh hive file. The registry keeps the hive it last
// used open, so inputs alternate between two files: choosing the other one
// closes the connection to the file about to be replaced.

#include <kelm/kelm.h>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

void require(bool holds) {
  if (!holds) std::abort();
}

const std::filesystem::path& scratch_folder() {
  static const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("kelm_registry_fuzz_" + std::to_string(getpid()));
  return folder;
}

std::string next_hive(const std::uint8_t* data, std::size_t size) {
  static int turn = 0;
  turn ^= 1;
  const std::filesystem::path path = scratch_folder() / ("hive" + std::to_string(turn) + ".db");
  std::filesystem::create_directories(scratch_folder());
  for (const char* suffix : {"-wal", "-shm", "-journal"})
    std::filesystem::remove(path.string() + suffix);
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return path.string();
}

bool is_error_code(LONG rc) { return rc > 0; }

// Every value of the key, each read twice: its size first, then its bytes.
void read_values(HKEY key) {
  for (DWORD index = 0; index < 64; ++index) {
    char name[256];
    DWORD name_size = sizeof name;
    DWORD type = 0;
    BYTE data[512];
    DWORD data_size = sizeof data;
    const LONG rc = RegEnumValueA(key, index, name, &name_size, nullptr, &type, data, &data_size);
    if (rc == ERROR_NO_MORE_ITEMS) return;
    if (rc == ERROR_MORE_DATA) continue;
    if (rc != ERROR_SUCCESS) {
      require(is_error_code(rc));
      return;
    }
    require(name_size < sizeof name && data_size <= sizeof data);
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) continue;
    std::vector<BYTE> value(size + 1);
    DWORD got = static_cast<DWORD>(value.size());
    if (RegQueryValueExA(key, name, nullptr, &type, value.data(), &got) == ERROR_SUCCESS)
      require(got <= size);
  }
}

void write_and_read_back(HKEY key) {
  const BYTE written[] = {'f', 'u', 'z', 'z', 0, 0xFF, 0x80};
  const LONG rc = RegSetValueExA(key, "Fuzzed", 0, REG_BINARY, written, sizeof written);
  if (rc != ERROR_SUCCESS) {
    require(is_error_code(rc));
    return;
  }
  BYTE back[sizeof written + 8];
  DWORD size = sizeof back;
  DWORD type = 0;
  // SQLite finds damage only in the pages it reads, so a damaged hive may take
  // the write and then fail the read; it must say so.
  const LONG read = RegQueryValueExA(key, "Fuzzed", nullptr, &type, back, &size);
  if (read != ERROR_SUCCESS) {
    require(is_error_code(read));
    return;
  }
  require(type == REG_BINARY && size == sizeof written &&
          std::equal(written, written + sizeof written, back));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  KelmSetRegistryPath(next_hive(data, size).c_str());
  read_values(HKEY_CURRENT_USER);
  HKEY key = nullptr;
  LONG rc = RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Quendra", 0, KEY_ALL_ACCESS, &key);
  if (rc == ERROR_SUCCESS) {
    read_values(key);
    RegCloseKey(key);
  } else {
    require(is_error_code(rc));
  }
  DWORD disposition = 0;
  rc = RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quendra\\Fuzz", 0, nullptr,
                       REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, &disposition);
  if (rc == ERROR_SUCCESS) {
    write_and_read_back(key);
    RegCloseKey(key);
  } else {
    require(is_error_code(rc));
  }
  return 0;
}
