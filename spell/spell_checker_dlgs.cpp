// The checker's dialogs: the options, the suggestion and spacing dialogs in
// their modal and modeless forms, and the lexicon editor.
#include <memory>
#include <vector>

#include "platform/profile.h"
#include "platform/spelling/ssce.h"
#include "platform/ui/front_end.h"
#include "platform/ui/wnd.h"
#include "resources/resource.h"
#include "spell/checker_profile.h"
#include "spell/lexicon_dlg.h"
#include "spell/spell_checker.h"
#include "spell/spell_dlgs.h"

namespace {

constexpr int own_suggestions = 15;
constexpr int lexicons_edited = 6;

int profile_int(LPCSTR name, int deflt) {
  CWinApp* app = AfxGetApp();
  return app == nullptr
             ? deflt
             : static_cast<int>(app->GetProfileInt(checker_profile::section, name, deflt));
}

void write_profile_int(LPCSTR name, int value) {
  if (CWinApp* app = AfxGetApp()) app->WriteProfileInt(checker_profile::section, name, value);
}

// The application's own loop while a modeless dialog is up: every waiting
// message pumped, then the idle processing, then a wait for the next
// message rather than a spin. A quit taken from the queue meanwhile is
// posted again once the dialog has ended, so that the host's loop sees it.
// When no input can come any more the dialog can never end, and the wait
// ends as if it had been closed.
template <class Dlg>
void run_until_ended(Dlg& dlg) {
  CWinApp* app = AfxGetApp();
  auto pump = [app] { return app != nullptr ? app->PumpMessage() : AfxPumpMessage(); };
  bool quit = false;
  bool no_input = false;
  int quit_code = 0;
  auto pump_one = [&] {
    MSG msg;
    const bool quitting = PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message == WM_QUIT;
    if (quitting) quit_code = static_cast<int>(msg.wParam);
    if (!pump()) (quitting ? quit : no_input) = true;
  };
  auto running = [&] { return dlg.m_bRunning && IsWindow(dlg.m_hWnd) && !no_input; };
  while (running()) {
    MSG msg;
    while (running() && PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) pump_one();
    for (LONG n = 0; running() && app != nullptr && app->OnIdle(n); ++n) {
    }
    if (running()) pump_one();
  }
  if (quit) PostQuitMessage(quit_code);
}

// A modeless dialog with no front end to show it could never end.
bool can_show() { return KelmGetFrontEnd() != nullptr; }

}  // namespace

void CSpellChecker::SetOptions(CWnd* parent) {
  CSpellOptionsDlg dlg(parent);
  dlg.m_bAutoCorrect = GetbAutoCorrect();
  dlg.m_bCaseSensitive = GetCaseSensitive();
  dlg.m_bIgnoreAllCaps = GetIgnoreAllCaps();
  dlg.m_bIgnoreCapitalized = GetIgnoreCapitalized();
  dlg.m_bIgnoreMixedCase = GetIgnoreMixedCase();
  dlg.m_bIgnoreNumbers = GetIgnoreNumbers();
  dlg.m_bPhonetic = GetPhoneticSuggestions();
  dlg.m_bReportDoubled = GetReportDoubled();
  dlg.m_bSplitWords = GetSuggestSplitWords();
  dlg.m_bTypographical = GetTypographicalSuggestions();
  dlg.m_bReportSpacing = profile_int("ReportSpaceErrors", 0);
  dlg.m_bReportDoubleQorA = profile_int("ReportDoubleQorA", 1);
  dlg.m_bConfirm = profile_int("Confirm", 0);
  dlg.m_nDepth = SSCE_GetMinSuggestDepth();
  if (dlg.DoModal() != IDOK) return;

  SSCE_SetAutoCorrect(static_cast<SSCE_S16>(dlg.m_bAutoCorrect));
  // In the order of checker_profile::engine_options.
  const int chosen[] = {dlg.m_bCaseSensitive,   dlg.m_bIgnoreAllCaps, dlg.m_bIgnoreCapitalized,
                        dlg.m_bIgnoreMixedCase, dlg.m_bIgnoreNumbers, dlg.m_bPhonetic,
                        dlg.m_bReportDoubled,   dlg.m_bSplitWords,    dlg.m_bTypographical};
  int i = 0;
  for (const checker_profile::engine_option& o : checker_profile::engine_options)
    SSCE_SetOption(m_nSessionId, o.option, static_cast<SSCE_U32>(chosen[i++]));
  SSCE_SetMinSuggestDepth(static_cast<SSCE_S16>(dlg.m_nDepth));

  for (const checker_profile::engine_option& o : checker_profile::engine_options)
    write_profile_int(o.name, static_cast<int>(SSCE_GetOption(m_nSessionId, o.option)));
  write_profile_int(checker_profile::auto_correct, SSCE_GetAutoCorrect());
  write_profile_int("ReportSpaceErrors", dlg.m_bReportSpacing);
  write_profile_int("ReportDoubleQorA", dlg.m_bReportDoubleQorA);
  write_profile_int("MinSuggestDepth", SSCE_GetMinSuggestDepth());
  write_profile_int("Confirm", dlg.m_bConfirm);
}

namespace {

// The suggestions the dialog shows: the caller's, or its own when it gave
// none. A count without an array gives none, rather than a dialog that reads
// through a null pointer.
const CString* suggestions_to_show(CSpellChecker& checker, const CString& word,
                                   CString* suggestions, int& count, std::vector<CString>& own) {
  if (count > 0 && suggestions != nullptr) return suggestions;
  own.resize(own_suggestions);
  count = checker.SuggestSpelling(word, own.data(), own_suggestions);
  return own.data();
}

}  // namespace

int CSpellChecker::ShowSuggestionDlg(CString word, CString& replacement, CString* suggestions,
                                     int count, int bNoAddIgnore, int bAllowRememberPosition) {
  replacement.Empty();
  std::vector<CString> own;
  const CString* shown = suggestions_to_show(*this, word, suggestions, count, own);
  CSuggestionDlg dlg(this, word, shown, count, bNoAddIgnore, bAllowRememberPosition);
  if (dlg.DoModal() == -1) return -1;
  if (dlg.m_nResult != 1) {
    m_bRememberPosition = dlg.m_bRememberPosition;
    return -1;
  }
  m_bRememberPosition = 0;
  replacement = dlg.m_strReplacement;
  return dlg.m_nAction;
}

int CSpellChecker::ShowModelessSuggestionDlg(CString word, CString& replacement,
                                             CString* suggestions, int count, int bNoAddIgnore,
                                             int bAllowRememberPosition) {
  replacement.Empty();
  std::vector<CString> own;
  const CString* shown = suggestions_to_show(*this, word, suggestions, count, own);
  auto dlg = std::make_unique<CSuggestionDlg>(this, word, shown, count, bNoAddIgnore,
                                              bAllowRememberPosition);
  dlg->m_bModeless = 1;
  dlg->m_bRunning = 1;
  if (!can_show() || !dlg->Create(IDD_SUGGESTION)) return -1;
  dlg->ShowWindow(SW_SHOW);
  run_until_ended(*dlg);
  if (dlg->m_nResult != 1) {
    m_bRememberPosition = dlg->m_bRememberPosition;
    return -1;
  }
  m_bRememberPosition = 0;
  replacement = dlg->m_strReplacement;
  return dlg->m_nAction;
}

int CSpellChecker::ShowSpacingDlg(CString oldSpacing, CString& newSpacing) {
  CSpacingDlg dlg(oldSpacing, newSpacing);
  if (dlg.DoModal() == -1) return -1;
  newSpacing = dlg.m_strNew;
  return dlg.m_nResult;
}

int CSpellChecker::ShowModelessSpacingDlg(CString oldSpacing, CString& newSpacing) {
  auto dlg = std::make_unique<CSpacingDlg>(oldSpacing, newSpacing);
  dlg->m_bModeless = 1;
  dlg->m_bRunning = 1;
  if (!can_show() || !dlg->Create(IDD_SPACING)) return -1;
  dlg->ShowWindow(SW_SHOW);
  run_until_ended(*dlg);
  newSpacing = dlg->m_strNew;
  return dlg->m_nResult;
}

void CSpellChecker::EditLexicons(CWnd* parent) {
  std::vector<CLexiconDlg::Lexicon> open;
  for (int i = 0; i < m_nLexicons; ++i)
    if (m_nLexiconFiles[i] < lexicons_edited)
      open.push_back({m_nLexiconIds[i], checker_profile::lexicon_names[m_nLexiconFiles[i]] + 1});
  CLexiconDlg dlg(parent, m_nSessionId, std::move(open));
  dlg.DoModal();
}
