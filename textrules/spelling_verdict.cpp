#include "textrules/spelling_verdict.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/file_attributes.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/spelling/ssce.h"
#include "settings/orvalis_data.h"
#include "spell/checker_profile.h"
#include "spell/lexicon_changes.h"
#include "spell/spell_checker.h"

namespace spelling_verdict {

namespace {

// Long enough that the look at the registry and the files (some tens of
// microseconds) vanishes among the seams of a translation, short enough that
// a word added in another program counts before the user can look for it.
constexpr auto trust_for = std::chrono::milliseconds(250);

struct file_stamp {
  std::uint64_t size = 0;
  std::uint64_t written = 0;
  bool operator==(const file_stamp&) const = default;
};

// What a fresh checker would be built from, apart from what is compared at
// every decision.
struct checker_inputs {
  CString user_dir;
  std::array<int, std::size(checker_profile::engine_options)> options{};
  int auto_correct = 0;
  std::array<std::optional<file_stamp>, std::size(checker_profile::lexicon_names)> lexicons{};
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
  // A fresh checker empties the ignore lexicon, so its words never count.
  for (std::size_t i = 0; i < std::size(checker_profile::lexicon_names); ++i)
    if (i != checker_profile::ignore_lexicon_index)
      inputs.lexicons[i] = stamp_of(inputs.user_dir + checker_profile::lexicon_names[i]);
  return inputs;
}

// A fresh checker reports a word checked twice in a row as doubled, which is
// no verdict on its spelling; each decision's words differ from each other,
// but a kept session would also remember the previous decision's last word.
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

CSpellChecker& current_checker() {
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
  // Read after the construction, which creates the missing lexicon files.
  kept.inputs = read_inputs(app);
  kept.trusted_until = now + trust_for;
  return *kept.checker;
}

std::optional<std::map<std::string, int>>& test_verdicts() {
  static std::optional<std::map<std::string, int>> verdicts;
  return verdicts;
}

// The checker removes these before it checks, so the test verdicts do too.
std::string without_punctuation(const CString& word) {
  std::string text(word.View());
  std::erase_if(
      text, [](char c) { return std::string_view(".?!,:;").find(c) != std::string_view::npos; });
  return text;
}

}  // namespace

session::session() : m_checker(test_verdicts() ? nullptr : &current_checker()) {}

int session::check(const CString& word) {
  if (m_checker == nullptr) {
    const auto& verdicts = *test_verdicts();
    const auto found = verdicts.find(without_punctuation(word));
    return found == verdicts.end() ? 1 : found->second;
  }
  CString replacement;
  return m_checker->CheckWord(word, replacement, 1);
}

void set_test_verdicts(std::map<std::string, int> verdicts) {
  test_verdicts() = std::move(verdicts);
}

void clear_test_verdicts() { test_verdicts().reset(); }

}  // namespace spelling_verdict
