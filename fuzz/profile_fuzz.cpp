// Arbitrary bytes as a profile (INI) file. Every section and key it lists
// must be readable within the caller's buffer, and writing one new key must
// keep every value read before, give the new value back, and leave a file
// that reads the same again after the key is deleted.

#include <kelm/kelm.h>

#include <strings.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

void require(bool holds) {
  if (!holds) std::abort();
}

const std::string& scratch_file() {
  static const std::string path = "/tmp/kelm_profile_fuzz_" + std::to_string(getpid()) + ".ini";
  return path;
}

constexpr DWORD buffer_size = 1 << 16;

// The zero-separated names a null section or key lists.
std::vector<std::string> names(const char* section) {
  std::vector<char> buffer(buffer_size);
  const DWORD got = GetPrivateProfileStringA(section, nullptr, "", buffer.data(), buffer_size,
                                             scratch_file().c_str());
  require(got < buffer_size);
  std::vector<std::string> listed;
  for (DWORD i = 0; i < got;) {
    const std::string name(buffer.data() + i);
    listed.push_back(name);
    i += static_cast<DWORD>(name.size()) + 1;
  }
  return listed;
}

std::string value(const std::string& section, const std::string& key) {
  std::vector<char> buffer(buffer_size);
  const DWORD got = GetPrivateProfileStringA(section.c_str(), key.c_str(), "\x01missing",
                                             buffer.data(), buffer_size, scratch_file().c_str());
  require(got < buffer_size && buffer[got] == '\0');
  return std::string(buffer.data(), got);
}

using Contents = std::map<std::pair<std::string, std::string>, std::string>;

// Sections and keys are listed as they stand; lookups find the first of
// each, so a later duplicate reads as the first.
Contents contents() {
  Contents read;
  for (const std::string& section : names(nullptr))
    for (const std::string& key : names(section.c_str()))
      read.emplace(std::make_pair(section, key), value(section, key));
  return read;
}

// A cut-short read must stop at the buffer and stay terminated.
void read_short(const std::string& section, const std::string& key) {
  char small[4];
  const DWORD got = GetPrivateProfileStringA(section.c_str(), key.c_str(), "default", small,
                                             sizeof small, scratch_file().c_str());
  require(got < sizeof small && small[got] == '\0');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& path = scratch_file();
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  const Contents before = contents();
  // A name holding a line break can be read but not written.
  std::string section = "Fuzz";
  for (const auto& [where, was] : before) {
    read_short(where.first, where.second);
    if (where.first.find_first_of("\r\n") == std::string::npos) section = where.first;
  }

  // Names are listed zero-terminated, so a file with zero bytes in its names
  // is only read.
  if (std::memchr(data, 0, size) != nullptr) return 0;
  const std::string key = "FuzzAddedKey";
  for (const std::string& listed : names(section.c_str()))
    if (strcasecmp(listed.c_str(), key.c_str()) == 0) return 0;
  require(WritePrivateProfileStringA(section.c_str(), key.c_str(), "added value", path.c_str()));
  require(value(section, key) == "added value");
  Contents after = contents();
  for (const auto& [where, was] : before) require(after.count(where) == 1 && after[where] == was);

  require(WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, path.c_str()));
  require(value(section, key) == "\x01missing");
  after = contents();
  for (const auto& [where, was] : before) require(after.count(where) == 1 && after[where] == was);
  unlink(path.c_str());
  return 0;
}
