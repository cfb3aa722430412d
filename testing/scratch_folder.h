// A fresh folder of its own for one test, removed with its contents when the
// test ends, so that tests never meet each other's files nor the user's.
// For tests only: it is not installed.
#pragma once

#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>

#include <gtest/gtest.h>

class ScratchFolder {
 public:
  // Throws when no folder can be made, which fails the test that wanted one.
  ScratchFolder() : ScratchFolder(::testing::TempDir()) {}
  // Inside another folder, e.g. one in memory for a test that writes a file
  // thousands of times and would otherwise wait on the disk.
  explicit ScratchFolder(const std::string& parent) {
    std::string pattern = (std::filesystem::path(parent) / "kelm_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
      throw std::system_error(errno, std::generic_category(), pattern);
    m_root = pattern;
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
  }

  // A native path inside the folder; an empty name is the folder itself.
  std::string path(const std::string& name) const {
    return name.empty() ? m_root.string() : (m_root / name).string();
  }

 private:
  std::filesystem::path m_root;
};

// Replaces the file's content with exactly these bytes.
inline void WriteWholeFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  EXPECT_TRUE(out.flush()) << "cannot write " << path;
}

// Every byte of the file, or nothing when it cannot be read.
inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
