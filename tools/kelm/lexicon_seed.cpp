#include "lexicon_seed.h"

#include <kelm/kelm.h>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>
#include <system_error>

namespace kelm_cli {
namespace {

std::filesystem::path native_folder(const CString& windows_path) {
  return std::filesystem::path(KelmNativePath(windows_path).GetString());
}

bool is_lexicon(const std::filesystem::directory_entry& entry) {
  const std::filesystem::path extension = entry.path().extension();
  return entry.is_regular_file() && (extension == ".tlx" || extension == ".clx");
}

// The copy is made beside the target and then put in place in one step, so
// that a checker opens either what was there or the whole default, never half
// a lexicon. A new file is linked in, which never replaces one that another
// run put there meanwhile; only an empty lexicon is replaced.
std::error_code copy_whole(const std::filesystem::path& from, const std::filesystem::path& to,
                           bool replace) {
  const std::filesystem::path partial = to.string() + ".seed-" + std::to_string(getpid());
  std::error_code error;
  std::filesystem::copy_file(from, partial, std::filesystem::copy_options::overwrite_existing,
                             error);
  if (!error && replace) {
    std::filesystem::rename(partial, to, error);
  } else if (!error) {
    std::filesystem::create_hard_link(partial, to, error);
    if (error == std::errc::file_exists) error.clear();
  }
  std::error_code ignored;
  std::filesystem::remove(partial, ignored);
  return error;
}

// A checker that ran before the defaults were there left an empty lexicon in
// their place; an empty file holds nothing of the user's, so the default may
// take its place. Lexicons with words are never touched, whatever they hold.
bool holds_no_words(const std::filesystem::path& lexicon) {
  constexpr std::uintmax_t largest_empty = 4096;
  std::error_code error;
  const std::uintmax_t bytes = std::filesystem::file_size(lexicon, error);
  if (error || bytes > largest_empty) return false;
  const SSCE_S16 session = SSCE_OpenSession();
  if (session < 0) return false;
  SSCE_S32 listed = -1;
  const SSCE_S16 id = SSCE_OpenLex(session, lexicon.c_str(), 0);
  if (id >= 0) SSCE_GetLexInfo(session, id, &listed, nullptr, nullptr);
  SSCE_CloseSession(session);
  return listed == 0;
}

}  // namespace

std::filesystem::path default_lexicon_folder() {
  if (const char* chosen = std::getenv("KELM_LEXICON_DIR"); chosen != nullptr && *chosen != '\0')
    return chosen;
  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  if (!error) {
    const std::filesystem::path installed =
        executable.parent_path().parent_path() / "share" / "orvalis" / "lexicons";
    if (std::filesystem::is_directory(installed, error)) return installed;
  }
  return KELM_BUILD_LEXICON_DIR;
}

void seed_user_lexicons() {
  const std::filesystem::path source = default_lexicon_folder();
  const std::filesystem::path user = native_folder(COrvalisData(KEY_READ, FALSE).GetUserDir());
  std::error_code error;
  std::filesystem::create_directories(user, error);
  if (error) {
    std::cerr << "kelm: cannot make the user folder " << user.string() << ": " << error.message()
              << '\n';
    return;
  }
  bool found = false;
  for (const auto& entry : std::filesystem::directory_iterator(source, error)) {
    if (!is_lexicon(entry)) continue;
    found = true;
    const std::filesystem::path target = user / entry.path().filename();
    const bool present = std::filesystem::exists(target, error);
    if (present && !holds_no_words(target)) continue;
    if (const std::error_code copy_error = copy_whole(entry.path(), target, present))
      std::cerr << "kelm: cannot copy " << entry.path().string() << " to " << target.string()
                << ": " << copy_error.message() << '\n';
  }
  if (!found)
    std::cerr << "kelm: no default lexicons in " << source.string()
              << " (set KELM_LEXICON_DIR, or build the lexicons target); spelling starts with "
                 "empty lexicons\n";
}

}  // namespace kelm_cli
