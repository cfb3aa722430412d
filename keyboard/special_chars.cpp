#include "keyboard/special_chars.h"

#include "platform/profile.h"
#include "resources/library_resources.h"
#include "resources/resource.h"

namespace {

constexpr LPCSTR profile_section = "GeneralOptions";
constexpr LPCSTR profile_entry = "Last Special Char";
constexpr int first_char = 161;
constexpr int last_char = 255;

}  // namespace

CString CKMSpecialChars::GetSpecialChar() {
  CSpecialCharDlg dlg;
  if (dlg.DoModal() == IDOK) return dlg.m_strChar;
  return CString();
}

CSpecialCharDlg::CSpecialCharDlg(CWnd* pParent) : CDialog(IDD_SPECIAL_CHAR, pParent) {}

BOOL CSpecialCharDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_fontList.CreateFont(-15, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, "Arial");
  m_lbChars.SetFont(&m_fontList, TRUE);
  // The list box sorts, so the characters appear in the system's string
  // order rather than by code.
  for (int code = first_char; code <= last_char; ++code)
    m_lbChars.AddString(CString(static_cast<char>(code)));
  // A position no longer in the list selects nothing, as the list box does.
  CWinApp* app = AfxGetApp();
  const int last =
      app == nullptr ? 0 : static_cast<int>(app->GetProfileInt(profile_section, profile_entry, 0));
  m_lbChars.SetCurSel(last);
  return TRUE;
}

void CSpecialCharDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_SPECIAL_CHARS, m_lbChars);
  DDX_LBString(pDX, IDC_SPECIAL_CHARS, m_strChar);
}

void CSpecialCharDlg::OnOK() {
  if (!UpdateData(TRUE)) return;
  if (CWinApp* app = AfxGetApp())
    app->WriteProfileInt(profile_section, profile_entry, m_lbChars.GetCurSel());
  EndDialog(IDOK);
}
