#include "platform/spelling/default_lexicons.h"

#include <sys/stat.h>

#include <cstdlib>
#include <mutex>
#include <string>

namespace {

std::mutex chosen_mutex;
std::string chosen;

bool is_folder(const char* path) {
  struct stat st {};
  return ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

CString KelmGetDefaultLexiconDir() {
  {
    std::lock_guard lock(chosen_mutex);
    if (!chosen.empty()) return chosen.c_str();
  }
  if (const char* set = std::getenv("KELM_LEXICON_DIR"); set != nullptr && *set != '\0') return set;
  if (is_folder(KELM_INSTALLED_LEXICON_DIR)) return KELM_INSTALLED_LEXICON_DIR;
  return KELM_BUILD_LEXICON_DIR;
}

void KelmSetDefaultLexiconDir(LPCSTR lpszNativePath) {
  std::lock_guard lock(chosen_mutex);
  chosen = lpszNativePath == nullptr ? "" : lpszNativePath;
}
