// Output files that appear whole or not at all: written to a new temporary
// file beside their place, flushed to the disk, then renamed over it, through
// the platform's Win32 calls as the library's own writers do. A reader never
// sees half a file and a failed run leaves the old file as it was.
#pragma once

#include <kelm/kelm.h>

#include <functional>
#include <optional>
#include <string>

namespace kelm_cli {

// Empty on success; otherwise why it failed (Windows-1252, as the file
// exception describes it), with the temporary file removed.
inline std::optional<std::string> WriteOutputFile(const std::string& path,
                                                  const std::function<void(CFile&)>& write_to) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  char temporary[MAX_PATH];
  if (GetTempFileNameA(folder.c_str(), "klm", 0, temporary) == 0)
    return "cannot make a file in " + folder + " (error " + std::to_string(GetLastError()) + ")";
  try {
    CFile file(temporary, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
    write_to(file);
    file.Flush();
    file.Close();
  } catch (const CFileException& e) {
    DeleteFileA(temporary);
    // The exception names the temporary file, which the user never heard of.
    return "cannot write " + path + ": " + std::string(e.Describe().View());
  } catch (...) {
    DeleteFileA(temporary);
    throw;
  }
  if (MoveFileExA(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return std::nullopt;
  const DWORD error = GetLastError();
  DeleteFileA(temporary);
  return "cannot replace " + path + " (error " + std::to_string(error) + ")";
}

}  // namespace kelm_cli
