#include "spell/lexicon_seed.h"

#include <iterator>
#include <mutex>
#include <set>
#include <string>

#include "platform/file_attributes.h"
#include "platform/file_operations.h"
#include "platform/message.h"
#include "platform/spelling/default_lexicons.h"
#include "platform/spelling/ssce.h"
#include "spell/checker_profile.h"

namespace lexicon_seed {

namespace {

// A lexicon file this small may be empty; a larger one holds words, and is
// not read under its lock to make sure.
constexpr ULONGLONG largest_empty = 4096;

struct file_look {
  bool exists = false;
  bool folder = false;
  ULONGLONG size = 0;
};

file_look look_at(const CString& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return {};
  return {true, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
          ULONGLONG{data.nFileSizeHigh} << 32 | data.nFileSizeLow};
}

void report_no_defaults(const CString& folder) {
  static std::mutex mutex;
  static std::set<std::string> reported;
  {
    std::lock_guard lock(mutex);
    if (!reported.emplace(folder.View()).second) return;
  }
  AfxMessageBox("There are no default lexicons in " + folder +
                    ", so the spelling checker starts with empty lexicons. Set "
                    "KELM_LEXICON_DIR to the folder that holds them.",
                MB_OK | MB_ICONWARNING);
}

}  // namespace

void seed_user_folder(const CString& user_dir) {
  const CString defaults = KelmGetDefaultLexiconDir();
  bool any_default = false, any_missing = false;
  for (int i = 0; i < static_cast<int>(std::size(checker_profile::lexicon_names)); ++i) {
    const CString target = user_dir + checker_profile::lexicon_names[i];
    const file_look mine = look_at(target);
    any_missing |= !mine.exists;
    const CString source = defaults + checker_profile::lexicon_names[i];
    const file_look look = look_at(source);
    // The ignore lexicon is emptied by every checker: a default could not
    // last in it.
    if (!look.exists || look.folder || i == checker_profile::ignore_lexicon_index) continue;
    any_default = true;
    if (!mine.exists) SHCreateDirectoryExA(nullptr, user_dir, nullptr);
    // A copy that fails leaves the lexicon missing or empty, so the next
    // checker tries again.
    const bool copied = mine.size <= largest_empty && KelmSeedLexicon(target, source) == 1;
    // A compressed lexicon's suggestion index goes with it, and joins a copy
    // made before there were indexes; the engine checks that it belongs.
    if (target.Right(4).CompareNoCase(".clx") == 0) {
      const CString index = source.Left(source.GetLength() - 4) + ".idx";
      const CString target_index = target.Left(target.GetLength() - 4) + ".idx";
      if ((copied || !look_at(target_index).exists) && look_at(index).exists)
        CopyFileA(index, target_index, FALSE);
    }
  }
  if (!any_default && any_missing) report_no_defaults(defaults);
}

}  // namespace lexicon_seed
