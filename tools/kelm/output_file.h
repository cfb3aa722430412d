// Output files that appear whole or not at all: written beside their place,
// flushed to the disk, then renamed over it. A reader never sees half a file
// and a failed run leaves the old file as it was.
#pragma once

#include <kelm/kelm.h>

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace kelm_cli {

// Empty on success; otherwise why it failed (Windows-1252, as the file
// exception describes it), with the partial file removed.
inline std::optional<std::string> WriteOutputFile(const std::string& path,
                                                  const std::function<void(CFile&)>& write_to) {
  const std::string temporary = path + ".tmp" + std::to_string(::getpid());
  std::optional<std::string> failure;
  try {
    CFile file(temporary.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
    write_to(file);
    file.Flush();
    file.Close();
    std::filesystem::rename(KelmNativePath(temporary.c_str()).View(),
                            KelmNativePath(path.c_str()).View());
    return std::nullopt;
  } catch (const CFileException& e) {
    failure = std::string(e.Describe().View());
  } catch (const std::filesystem::filesystem_error& e) {
    failure = e.what();
  }
  std::error_code ignored;
  std::filesystem::remove(KelmNativePath(temporary.c_str()).View(), ignored);
  return failure;
}

}  // namespace kelm_cli
