#include "spell/kept_spell_checker.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>

#include "platform/file_attributes.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/spelling/default_lexicons.h"
#include "platform/spelling/ssce.h"
#include "settings/orvalis_data.h"
#include "spell/checker_profile.h"
#include "spell/lexicon_changes.h"

namespace {

// Long enough that the look at the registry and the files (some tens of
// microseconds) vanishes among the seams of a translation, short enough that
// a word added in another program counts before the user can look for it.
constexpr auto trust_for = std::chrono::milliseconds(250);

constexpr std::size_t lexicon_count = std::size(checker_profile::lexicon_names);

struct file_stamp {
  std::uint64_t size = 0;
  std::uint64_t written = 0;
  bool operator==(const file_stamp&) const = default;
};

using lexicon_stamps = std::array<std::optional<file_stamp>, lexicon_count>;

// What a fresh checker would be built from, apart from what is compared at
// every decision.
struct checker_inputs {
  CString user_dir;
  std::array<int, std::size(checker_profile::engine_options)> options{};
  int auto_correct = 0;
  lexicon_stamps lexicons{};
  CString default_dir;
  lexicon_stamps defaults{};
  bool operator==(const checker_inputs&) const = default;
};

std::uint64_t joined(DWORD high, DWORD low) { return std::uint64_t{high} << 32 | low; }

std::optional<file_stamp> stamp_of(const CString& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return std::nullopt;
  return file_stamp{
      joined(data.nFileSizeHigh, data.nFileSizeLow),
      joined(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime)};
}

// A fresh checker empties the ignore lexicon, so its words never count.
lexicon_stamps stamps_in(const CString& folder) {
  lexicon_stamps stamps;
  for (std::size_t i = 0; i < lexicon_count; ++i)
    if (i != checker_profile::ignore_lexicon_index)
      stamps[i] = stamp_of(folder + checker_profile::lexicon_names[i]);
  return stamps;
}

checker_inputs read_inputs(CWinApp* app) {
  checker_inputs inputs;
  inputs.user_dir = COrvalisData(KEY_READ, FALSE).GetUserDir();
  const auto profile_int = [app](LPCSTR name, int deflt) {
    return app == nullptr
               ? deflt
               : static_cast<int>(app->GetProfileInt(checker_profile::section, name, deflt));
  };
  for (std::size_t i = 0; i < std::size(checker_profile::engine_options); ++i) {
    const checker_profile::engine_option& o = checker_profile::engine_options[i];
    inputs.options[i] = profile_int(o.name, o.deflt);
  }
  inputs.auto_correct =
      profile_int(checker_profile::auto_correct, checker_profile::default_auto_correct);
  inputs.lexicons = stamps_in(inputs.user_dir);
  inputs.default_dir = KelmGetDefaultLexiconDir();
  inputs.defaults = stamps_in(inputs.default_dir);
  return inputs;
}

// Each decision's words differ from each other, but a kept session would
// also remember the previous decision's last word and report a repeat of it.
class kept_checker : public CSpellChecker {
 public:
  kept_checker() {
    if (m_nSessionId >= 0) SSCE_SetOption(m_nSessionId, SSCE_REPORT_DOUBLED_WORD_OPT, 0);
  }
  bool has_session() const { return m_nSessionId >= 0; }
};

struct kept_state {
  std::optional<kept_checker> checker;
  CWinApp* app = nullptr;
  CString hive;
  unsigned long lexicon_changes = 0;
  checker_inputs inputs;
  std::chrono::steady_clock::time_point trusted_until;
};

const CSpellChecker& current_checker() {
  thread_local kept_state kept;
  CWinApp* const app = AfxGetApp();
  const auto now = std::chrono::steady_clock::now();
  const CString hive = KelmGetRegistryPath();
  // Without a session, a later attempt may find one free, as a fresh
  // checker would.
  bool stale = !kept.checker || !kept.checker->has_session() || kept.app != app ||
               kept.hive != hive || kept.lexicon_changes != lexicon_changes::count();
  if (!stale && now >= kept.trusted_until) {
    stale = read_inputs(app) != kept.inputs;
    kept.trusted_until = now + trust_for;
  }
  if (!stale) return *kept.checker;
  kept.checker.reset();
  kept.app = app;
  kept.hive = hive;
  kept.lexicon_changes = lexicon_changes::count();
  kept.checker.emplace();
  // Read after the construction, which seeds and creates lexicon files.
  kept.inputs = read_inputs(app);
  kept.trusted_until = now + trust_for;
  return *kept.checker;
}

}  // namespace

CKeptSpellChecker::CKeptSpellChecker() : m_checker(current_checker()) {}

int CKeptSpellChecker::CheckWord(CString word, CString& replacement, int bStripPunctuation) {
  return m_checker.CheckWord(word, replacement, bStripPunctuation);
}
