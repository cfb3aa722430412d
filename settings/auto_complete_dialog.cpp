#include "settings/auto_complete_dialog.h"

#include "resources/library_resources.h"
#include "resources/resource.h"

int CAutoCompleteOptions::DoModalDialog() {
  CAutoCompleteDlg dlg(*this);
  dlg.m_bLoadHistory = loadHistory;
  dlg.m_bEnabled = enabled;
  dlg.m_nNumChars = numChars;
  const int result = static_cast<int>(dlg.DoModal());
  if (result == IDOK) {
    loadHistory = dlg.m_bLoadHistory;
    enabled = dlg.m_bEnabled;
    numChars = dlg.m_nNumChars;
  }
  return result;
}

CAutoCompleteDlg::CAutoCompleteDlg(CAutoCompleteOptions& options, CWnd* pParent)
    : CDialog(IDD_AUTO_COMPLETE, pParent), m_options(options) {}

BOOL CAutoCompleteDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_font.CreateFont(-15, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial");
  m_lbWords.SetFont(&m_font, TRUE);
  GetDlgItem(IDC_NUM_CHARS)->SetFont(&m_font, TRUE);
  GetDlgItem(IDC_NEW_WORD)->SetFont(&m_font, TRUE);
  for (int i = 0; i < m_options.GetNumItems(); ++i) m_lbWords.AddString(m_options.GetItem(i));
  return TRUE;
}

void CAutoCompleteDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_AC_WORDS, m_lbWords);
  DDX_Check(pDX, IDC_LOAD_HISTORY, m_bLoadHistory);
  DDX_Check(pDX, IDC_ENABLE_AUTO_COMPLETE, m_bEnabled);
  DDX_Text(pDX, IDC_NUM_CHARS, m_nNumChars);
  DDV_MinMaxInt(pDX, m_nNumChars, 0, 10);
  DDX_Text(pDX, IDC_NEW_WORD, m_strNewWord);
}

void CAutoCompleteDlg::OnOK() {
  if (!UpdateData(TRUE)) return;
  m_options.ClearItems();
  for (int i = 0; i < m_lbWords.GetCount(); ++i) {
    CString word;
    m_lbWords.GetText(i, word);
    if (!word.IsEmpty()) m_options.AddItem(word);
  }
  EndDialog(IDOK);
}

// A word already listed is added again: the list keeps what the user typed,
// and InsertItem folds the copies when the word is next used.
void CAutoCompleteDlg::OnAdd() {
  if (!UpdateData(TRUE) || m_strNewWord.IsEmpty()) return;
  m_lbWords.InsertString(0, m_strNewWord);
  m_strNewWord.Empty();
  UpdateData(FALSE);
  GotoDlgCtrl(GetDlgItem(IDC_NEW_WORD));
}

void CAutoCompleteDlg::OnDelete() {
  const int selected = m_lbWords.GetCurSel();
  if (selected == LB_ERR) return;
  m_lbWords.DeleteString(static_cast<UINT>(selected));
  m_lbWords.SetCurSel(selected);
}

const AFX_MSGMAP* CAutoCompleteDlg::GetMessageMap() const {
  static const AFX_MSGMAP map{CDialog::GetMessageMap(),
                              {ON_BN_CLICKED(IDC_AC_ADD, &CAutoCompleteDlg::OnAdd),
                               ON_BN_CLICKED(IDC_AC_DELETE, &CAutoCompleteDlg::OnDelete)}};
  return &map;
}
