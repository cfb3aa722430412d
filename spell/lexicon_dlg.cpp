#include "spell/lexicon_dlg.h"

#include <utility>

#include "platform/message.h"
#include "platform/ui/controls.h"
#include "resources/library_resources.h"
#include "resources/resource.h"

namespace {

constexpr SSCE_S16 actions[] = {
    SSCE_AUTO_CHANGE_ACTION,
    SSCE_AUTO_CHANGE_PRESERVE_CASE_ACTION,
    SSCE_CONDITIONAL_CHANGE_ACTION,
    SSCE_CONDITIONAL_CHANGE_PRESERVE_CASE_ACTION,
    SSCE_IGNORE_ACTION,
    SSCE_EXCLUDE_ACTION,
};
constexpr int change_actions = 4;  // the first four replace the word
constexpr int other_word_size = 64;

}  // namespace

CLexiconDlg::CLexiconDlg(CWnd* pParent, SSCE_S16 session, std::vector<Lexicon> lexicons)
    : CDialog(IDD_LEXICONS, pParent), m_nSession(session), m_lexicons(std::move(lexicons)) {}

SSCE_S16 CLexiconDlg::ActionOf(int nIndex) {
  return nIndex >= 0 && nIndex < static_cast<int>(std::size(actions)) ? actions[nIndex]
                                                                      : SSCE_IGNORE_ACTION;
}

int CLexiconDlg::IndexOf(SSCE_S16 action) {
  for (int i = 0; i < static_cast<int>(std::size(actions)); ++i)
    if (actions[i] == action) return i;
  return 0;
}

void CLexiconDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_CORRECT_SPELLING, m_strCorrect);
  DDX_CBIndex(pDX, IDC_ACTION, m_nAction);
}

BOOL CLexiconDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  auto* list = static_cast<CListBox*>(GetDlgItem(IDC_LEXICON_LIST));
  for (const Lexicon& lexicon : m_lexicons) list->AddString(lexicon.name);
  list->SetCurSel(0);
  LoadLexicon();
  return TRUE;
}

SSCE_S16 CLexiconDlg::Selected() const {
  const int index = static_cast<CListBox*>(GetDlgItem(IDC_LEXICON_LIST))->GetCurSel();
  return index >= 0 && index < static_cast<int>(m_lexicons.size()) ? m_lexicons[index].id : -1;
}

CString CLexiconDlg::WordField() const {
  CString word;
  GetDlgItem(IDC_WORDS)->GetWindowText(word);
  return word;
}

void CLexiconDlg::EnableButtons(BOOL bAdd, BOOL bApplyDelete) {
  GetDlgItem(IDC_LEX_ADD)->EnableWindow(bAdd);
  GetDlgItem(IDC_LEX_APPLY)->EnableWindow(bApplyDelete);
  GetDlgItem(IDC_LEX_DELETE)->EnableWindow(bApplyDelete);
}

void CLexiconDlg::LoadLexicon() {
  [[maybe_unused]] CWaitCursor wait;
  auto* words = static_cast<CComboBox*>(GetDlgItem(IDC_WORDS));
  words->ResetContent();
  SSCE_S32 size = 0;
  SSCE_S16 format = 0;
  SSCE_S16 language = 0;
  const SSCE_S16 lexicon = Selected();
  if (lexicon >= 0 && SSCE_GetLexInfo(m_nSession, lexicon, &size, &format, &language) >= 0 &&
      size > 0) {
    std::vector<char> text(static_cast<std::size_t>(size));
    const SSCE_S32 got = SSCE_GetLex(m_nSession, lexicon, text.data(), size);
    // Bounded by what the engine wrote, so that an entry without its last
    // zero cannot lead the walk past the text.
    const std::size_t end = got > 0 ? static_cast<std::size_t>(got) : 0;
    std::size_t at = 0;
    while (at + 1 < end) {
      std::size_t stop = at;
      while (stop < end && text[stop] != '\0') ++stop;
      std::size_t tab = at;
      while (tab < stop && text[tab] != '\t') ++tab;
      words->AddString(CString(text.data() + at, static_cast<int>(tab - at)));
      at = stop + 1;
    }
  }
  if (words->GetCount() > 0) {
    words->SetCurSel(0);
    OnSelectWord();
    return;
  }
  m_strCorrect.Empty();
  m_nAction = 0;
  EnableButtons(FALSE, FALSE);
  UpdateData(FALSE);
}

void CLexiconDlg::ShowWord(const CString& word) {
  char other[other_word_size] = {};
  const SSCE_S16 found =
      word.IsEmpty() || Selected() < 0
          ? static_cast<SSCE_S16>(-1)
          : SSCE_FindLexWord(m_nSession, Selected(), word, other, other_word_size - 1);
  if (found > 0) {
    m_strCorrect = other;
    m_nAction = IndexOf(found);
    EnableButtons(FALSE, TRUE);
  } else {
    m_strCorrect.Empty();
    m_nAction = 0;
    EnableButtons(!WordField().IsEmpty(), FALSE);
  }
  UpdateData(FALSE);
}

void CLexiconDlg::OnSelectWord() {
  auto* words = static_cast<CComboBox*>(GetDlgItem(IDC_WORDS));
  const int index = words->GetCurSel();
  CString word;
  if (index >= 0) words->GetLBText(index, word);
  ShowWord(word);
}

// The list's selection follows the typed word (none when it is not listed),
// so that choosing the word that was selected before the typing is a change
// of selection the dialog hears.
void CLexiconDlg::OnEditWord() {
  const CString word = WordField();
  if (!m_bFollowing) {
    m_bFollowing = TRUE;
    auto* words = static_cast<CComboBox*>(GetDlgItem(IDC_WORDS));
    words->SetCurSel(word.IsEmpty() ? -1 : words->FindStringExact(-1, word));
    words->SetWindowText(word);
    words->SetEditSel(word.GetLength(), word.GetLength());
    m_bFollowing = FALSE;
  }
  ShowWord(word);
}

BOOL CLexiconDlg::ChangeHasItsSpelling() {
  if (m_nAction < 0 || m_nAction >= change_actions || !m_strCorrect.IsEmpty()) return TRUE;
  AfxMessageBox(
      "A change entry needs the correct spelling that replaces the word. Type it in the "
      "Correct Spelling box, or choose Ignore or Exclude.",
      MB_OK | MB_ICONEXCLAMATION);
  return FALSE;
}

// The added word shows as any listed word does, so that Add cannot list it a
// second time.
void CLexiconDlg::OnAdd() {
  UpdateData(TRUE);
  const CString word = WordField();
  if (word.IsEmpty() || Selected() < 0 || !ChangeHasItsSpelling()) return;
  if (SSCE_AddToLex(m_nSession, Selected(), word, ActionOf(m_nAction), m_strCorrect) < 0) return;
  static_cast<CComboBox*>(GetDlgItem(IDC_WORDS))->AddString(word);
  ShowWord(word);
}

// The entry is replaced whole or not at all: when the engine refuses the new
// one, the old one goes back.
void CLexiconDlg::OnApply() {
  UpdateData(TRUE);
  const CString word = WordField();
  if (word.IsEmpty() || Selected() < 0 || !ChangeHasItsSpelling()) return;
  char other[other_word_size] = {};
  const SSCE_S16 old_action =
      SSCE_FindLexWord(m_nSession, Selected(), word, other, other_word_size - 1);
  if (SSCE_DelFromLex(m_nSession, Selected(), word) < 0) return;
  if (SSCE_AddToLex(m_nSession, Selected(), word, ActionOf(m_nAction), m_strCorrect) < 0 &&
      old_action > 0)
    SSCE_AddToLex(m_nSession, Selected(), word, old_action, other);
}

// The deleted word leaves the list; the list's other words stay, whichever
// was selected.
void CLexiconDlg::OnDelete() {
  UpdateData(TRUE);
  const CString word = WordField();
  if (word.IsEmpty() || Selected() < 0) return;
  if (SSCE_DelFromLex(m_nSession, Selected(), word) < 0) return;
  auto* words = static_cast<CComboBox*>(GetDlgItem(IDC_WORDS));
  const int index = words->FindStringExact(-1, word);
  if (index >= 0) words->DeleteString(static_cast<UINT>(index));
  words->SetWindowText(word);
  ShowWord(word);
}

const AFX_MSGMAP* CLexiconDlg::GetMessageMap() const {
  static const AFX_MSGMAP map{CDialog::GetMessageMap(),
                              {ON_LBN_SELCHANGE(IDC_LEXICON_LIST, &CLexiconDlg::LoadLexicon),
                               ON_CBN_SELCHANGE(IDC_WORDS, &CLexiconDlg::OnSelectWord),
                               ON_CBN_EDITCHANGE(IDC_WORDS, &CLexiconDlg::OnEditWord),
                               ON_BN_CLICKED(IDC_LEX_ADD, &CLexiconDlg::OnAdd),
                               ON_BN_CLICKED(IDC_LEX_APPLY, &CLexiconDlg::OnApply),
                               ON_BN_CLICKED(IDC_LEX_DELETE, &CLexiconDlg::OnDelete)}};
  return &map;
}
