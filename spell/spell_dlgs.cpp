#include "spell/spell_dlgs.h"

#include "platform/profile.h"
#include "platform/ui/controls.h"
#include "resources/library_resources.h"
#include "resources/resource.h"
#include "spell/spell_checker.h"

namespace {

constexpr LPCSTR positions = "Orvalis";
constexpr int most_numbered = 9;

int profile_int(LPCSTR section, LPCSTR name, int deflt) {
  CWinApp* app = AfxGetApp();
  return app == nullptr ? deflt : static_cast<int>(app->GetProfileInt(section, name, deflt));
}

void write_profile_int(LPCSTR section, LPCSTR name, int value) {
  if (CWinApp* app = AfxGetApp()) app->WriteProfileInt(section, name, value);
}

// A saved place moves the dialog there at its own size; a missing or
// negative one leaves it where the platform put it.
void move_to_saved_place(CWnd& dlg, LPCSTR x_name, LPCSTR y_name) {
  const int x = profile_int(positions, x_name, -1);
  const int y = profile_int(positions, y_name, -1);
  if (x >= 0 && y >= 0) dlg.SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

// The window's corner, where the next dialog is put, rather than the client
// area's that the move reports: a dialog saved from the client area would
// creep by its frame at every opening.
void save_place(const CWnd& dlg, LPCSTR x_name, LPCSTR y_name) {
  RECT place;
  dlg.GetWindowRect(&place);
  write_profile_int(positions, x_name, place.left);
  write_profile_int(positions, y_name, place.top);
}

// The Backspace of both dialogs' replacement edits: with a selection it takes
// the last character of the text rather than the selection. FALSE when the
// key is not that Backspace.
BOOL backspace_takes_last(CDialog& dlg, const MSG* pMsg, int nEdit, CString& text) {
  if (pMsg->message != WM_KEYDOWN || pMsg->wParam != VK_BACK) return FALSE;
  auto* edit = static_cast<CEdit*>(dlg.GetDlgItem(nEdit));
  if (edit == nullptr || CWnd::GetFocus() != edit) return FALSE;
  int start = 0;
  int end = 0;
  edit->GetSel(start, end);
  if (start == end) return FALSE;
  if (!text.IsEmpty()) text = text.Left(text.GetLength() - 1);
  dlg.UpdateData(FALSE);
  edit->SetSel(text.GetLength(), text.GetLength());
  return TRUE;
}

}  // namespace

// --- CSuggestionDlg ---

CSuggestionDlg::CSuggestionDlg(CSpellChecker* pChecker, const CString& word,
                               const CString* suggestions, int count, int bNoAddIgnore,
                               int bAllowRememberPosition)
    : CDialog(IDD_SUGGESTION),
      m_strWord(word),
      m_pChecker(pChecker),
      m_pSuggestions(suggestions),
      m_nCount(count),
      m_bNoAddIgnore(bNoAddIgnore),
      m_bAllowRememberPosition(bAllowRememberPosition) {}

void CSuggestionDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_CURRENT, m_strWord);
  DDX_Text(pDX, IDC_REPLACEMENT, m_strReplacement);
  DDX_Check(pDX, IDC_REMEMBER_POSITION, m_bRememberPosition);
}

BOOL CSuggestionDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_font.CreateFont(-15, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
  for (int id : {IDC_SUGGESTIONS, IDC_REPLACEMENT, IDC_CURRENT}) GetDlgItem(id)->SetFont(&m_font);
  auto* list = static_cast<CListBox*>(GetDlgItem(IDC_SUGGESTIONS));
  list->SetTabStops(15);
  for (int i = 0; i < m_nCount; ++i) {
    CString item;
    if (i < most_numbered)
      item.Format("%d\t%s", i + 1, static_cast<LPCSTR>(m_pSuggestions[i]));
    else
      item.Format("\t%s", static_cast<LPCSTR>(m_pSuggestions[i]));
    list->AddString(item);
  }
  GetDlgItem(IDC_ADD)->EnableWindow(!m_bNoAddIgnore);
  GetDlgItem(IDC_IGNORE)->EnableWindow(!m_bNoAddIgnore);
  if (m_nCount > 0) {
    list->SetCurSel(0);
    OnSelectSuggestion();
  }
  move_to_saved_place(*this, "Suggestion X", "Suggestion Y");
  m_bPositioning = 0;
  GetDlgItem(IDC_REMEMBER_POSITION)->EnableWindow(m_bAllowRememberPosition);
  return TRUE;
}

void CSuggestionDlg::OnSelectSuggestion() {
  auto* list = static_cast<CListBox*>(GetDlgItem(IDC_SUGGESTIONS));
  const int index = list->GetCurSel();
  m_strReplacement = index >= 0 && index < m_nCount ? m_pSuggestions[index] : CString();
  UpdateData(FALSE);
  list->SetCurSel(index);
}

// A digit with no suggestion of its number would replace the word with
// nothing: it only beeps.
void CSuggestionDlg::OnPick(UINT nID) {
  const int index = static_cast<int>(nID) - IDC_PICK_1;
  if (index >= m_nCount) {
    MessageBeep(MB_OK);
    return;
  }
  static_cast<CListBox*>(GetDlgItem(IDC_SUGGESTIONS))->SetCurSel(index);
  OnSelectSuggestion();
  OnReplace();
}

void CSuggestionDlg::OnAdd() {
  if (!m_bNoAddIgnore) Act(2);
}

void CSuggestionDlg::Act(int nAction) {
  m_nAction = nAction;
  m_bKeyboardOK = 0;
  OnOK();
}

// Enter with no button of its own: the default button decides.
void CSuggestionDlg::OnOK() {
  if (!UpdateData(TRUE)) return;
  if (m_bKeyboardOK) {
    const bool skip_is_default =
        (static_cast<CButton*>(GetDlgItem(IDC_SKIP))->GetButtonStyle() & 0x0F) == BS_DEFPUSHBUTTON;
    const bool replace_is_default =
        (static_cast<CButton*>(GetDlgItem(IDC_REPLACE))->GetButtonStyle() & 0x0F) ==
        BS_DEFPUSHBUTTON;
    m_nAction = skip_is_default && !replace_is_default ? 3 : 0;
  }
  End(1);
}

void CSuggestionDlg::OnCancel() { End(2); }

void CSuggestionDlg::End(int nResult) {
  m_nResult = nResult;
  if (!m_bModeless) {
    EndDialog(nResult == 1 ? IDOK : IDCANCEL);
    return;
  }
  m_bRunning = 0;
  DestroyWindow();
}

// Typing a replacement of one's own makes Enter take it.
void CSuggestionDlg::OnEditReplacement() {
  SetDefID(IDC_REPLACE);
  static_cast<CButton*>(GetDlgItem(IDC_REPLACE))->SetButtonStyle(BS_DEFPUSHBUTTON);
  static_cast<CButton*>(GetDlgItem(IDC_SKIP))->SetButtonStyle(BS_PUSHBUTTON);
}

void CSuggestionDlg::OnRememberPosition() {
  m_bRememberPosition = IsDlgButtonChecked(IDC_REMEMBER_POSITION) == BST_CHECKED ? 1 : 0;
}

void CSuggestionDlg::OnLexicons() {
  if (m_pChecker != nullptr) m_pChecker->EditLexicons(this);
}

void CSuggestionDlg::OnMove(int, int) {
  if (!m_bPositioning) save_place(*this, "Suggestion X", "Suggestion Y");
}

BOOL CSuggestionDlg::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->message == WM_KEYDOWN) {
    UpdateData(TRUE);
    if (backspace_takes_last(*this, pMsg, IDC_REPLACEMENT, m_strReplacement)) return TRUE;
  }
  return CDialog::PreTranslateMessage(pMsg);
}

const AFX_MSGMAP* CSuggestionDlg::GetMessageMap() const {
  static const AFX_MSGMAP map{
      CDialog::GetMessageMap(),
      {ON_LBN_SELCHANGE(IDC_SUGGESTIONS, &CSuggestionDlg::OnSelectSuggestion),
       ON_LBN_SETFOCUS(IDC_SUGGESTIONS, &CSuggestionDlg::OnSelectSuggestion),
       ON_COMMAND_RANGE(IDC_PICK_1, IDC_PICK_1 + most_numbered - 1, &CSuggestionDlg::OnPick),
       ON_BN_CLICKED(IDC_REPLACE, &CSuggestionDlg::OnReplace),
       ON_BN_CLICKED(IDC_IGNORE, &CSuggestionDlg::OnIgnore),
       ON_BN_CLICKED(IDC_ADD, &CSuggestionDlg::OnAdd),
       ON_BN_CLICKED(IDC_SKIP, &CSuggestionDlg::OnSkip),
       ON_BN_CLICKED(IDC_REPLACE_ALL, &CSuggestionDlg::OnReplaceAll),
       ON_EN_CHANGE(IDC_REPLACEMENT, &CSuggestionDlg::OnEditReplacement),
       ON_BN_CLICKED(IDC_REMEMBER_POSITION, &CSuggestionDlg::OnRememberPosition),
       ON_BN_CLICKED(IDC_LEXICONS, &CSuggestionDlg::OnLexicons),
       ON_WM_MOVE(&CSuggestionDlg::OnMove), ON_WM_CLOSE(&CSuggestionDlg::OnClose)}};
  return &map;
}

// --- CSpacingDlg ---

CSpacingDlg::CSpacingDlg(const CString& oldSpacing, const CString& newSpacing)
    : CDialog(IDD_SPACING), m_strOld(oldSpacing), m_strNew(newSpacing) {}

void CSpacingDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Text(pDX, IDC_CURRENT, m_strOld);
  DDX_Text(pDX, IDC_REPLACEMENT, m_strNew);
}

BOOL CSpacingDlg::OnInitDialog() {
  m_strOld.Replace(' ', '#');
  m_strNew.Replace(' ', '#');
  CDialog::OnInitDialog();
  move_to_saved_place(*this, "Spacing X", "Spacing Y");
  m_bPositioning = 0;
  return TRUE;
}

// Spaces typed show as "#" too, the caret staying where it was.
void CSpacingDlg::OnUpdateNewSpacing() {
  if (m_bConverting) return;
  m_bConverting = 1;
  auto* edit = static_cast<CEdit*>(GetDlgItem(IDC_REPLACEMENT));
  CString text;
  edit->GetWindowText(text);
  if (text.Find(' ') >= 0) {
    int start = 0;
    int end = 0;
    edit->GetSel(start, end);
    text.Replace(' ', '#');
    edit->SetWindowText(text);
    edit->SetSel(start, end);
  }
  m_bConverting = 0;
}

void CSpacingDlg::OnReplace() {
  UpdateData(TRUE);
  m_strOld.Replace('#', ' ');
  m_strNew.Replace('#', ' ');
  End(IDC_SPACING_REPLACE);
}

void CSpacingDlg::OnCancel() { End(IDCANCEL); }

void CSpacingDlg::End(int nResult) {
  m_nResult = nResult;
  if (!m_bModeless) {
    EndDialog(nResult);
    return;
  }
  m_bRunning = 0;
  DestroyWindow();
}

void CSpacingDlg::OnMove(int, int) {
  if (!m_bPositioning) save_place(*this, "Spacing X", "Spacing Y");
}

BOOL CSpacingDlg::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->message == WM_KEYDOWN) {
    UpdateData(TRUE);
    if (backspace_takes_last(*this, pMsg, IDC_REPLACEMENT, m_strNew)) return TRUE;
  }
  return CDialog::PreTranslateMessage(pMsg);
}

const AFX_MSGMAP* CSpacingDlg::GetMessageMap() const {
  static const AFX_MSGMAP map{
      CDialog::GetMessageMap(),
      {ON_BN_CLICKED(IDC_SPACING_REPLACE, &CSpacingDlg::OnReplace),
       ON_BN_CLICKED(IDC_SPACING_SKIP, &CSpacingDlg::OnSkip),
       ON_EN_UPDATE(IDC_REPLACEMENT, &CSpacingDlg::OnUpdateNewSpacing),
       ON_WM_MOVE(&CSpacingDlg::OnMove), ON_WM_CLOSE(&CSpacingDlg::OnClose)}};
  return &map;
}

// --- CSpellOptionsDlg ---

CSpellOptionsDlg::CSpellOptionsDlg(CWnd* pParent) : CDialog(IDD_SPELL_OPTIONS, pParent) {}

void CSpellOptionsDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Check(pDX, IDC_IGNORE_CAPPED, m_bIgnoreCapitalized);
  DDX_Check(pDX, IDC_IGNORE_ALL_CAPS, m_bIgnoreAllCaps);
  DDX_Check(pDX, IDC_IGNORE_NUMBERS, m_bIgnoreNumbers);
  DDX_Check(pDX, IDC_IGNORE_MIXED_CASE, m_bIgnoreMixedCase);
  DDX_Check(pDX, IDC_REPORT_DOUBLED, m_bReportDoubled);
  DDX_Check(pDX, IDC_CASE_SENSITIVE, m_bCaseSensitive);
  DDX_Check(pDX, IDC_PHONETIC, m_bPhonetic);
  DDX_Check(pDX, IDC_TYPOGRAPHICAL, m_bTypographical);
  DDX_Check(pDX, IDC_SPLIT_WORDS, m_bSplitWords);
  DDX_Check(pDX, IDC_AUTO_CORRECT, m_bAutoCorrect);
  DDX_Check(pDX, IDC_REPORT_SPACING, m_bReportSpacing);
  DDX_Check(pDX, IDC_REPORT_DOUBLE_QAC, m_bReportDoubleQorA);
  DDX_Check(pDX, IDC_CONFIRM_COMPLETION, m_bConfirm);
}

BOOL CSpellOptionsDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  auto* depth = static_cast<CSliderCtrl*>(GetDlgItem(IDC_SEARCH_DEPTH));
  depth->SetRange(0, 100);
  depth->SetPos(m_nDepth);
  return TRUE;
}

void CSpellOptionsDlg::OnOK() {
  m_nDepth = static_cast<CSliderCtrl*>(GetDlgItem(IDC_SEARCH_DEPTH))->GetPos();
  CDialog::OnOK();
}
