// A fresh folder of its own for one test, removed with its contents when the
// test ends, so that tests never meet each other's files nor the user's.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

class ScratchFolder {
 public:
  ScratchFolder() {
    std::random_device random;
    const std::filesystem::path base = testing::TempDir();
    do {
      root = base / ("kelm_settings_" + std::to_string(random()));
    } while (!std::filesystem::create_directory(root));
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }

  // A native path inside the folder.
  std::string path(const std::string& name) const { return (root / name).string(); }

 private:
  std::filesystem::path root;
};
