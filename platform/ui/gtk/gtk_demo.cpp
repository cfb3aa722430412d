// The GTK front end with the library's own dialogs and one of each control,
// for trying it by hand and for its tests under Xvfb. Prints what was chosen
// on standard output (UTF-8); exits 0 on OK, 1 on Cancel, 2 without a
// display.
//
//   gtk_demo charmap    the special-character dialog; prints the character
//   gtk_demo controls   a dialog with a control of each kind in a known state
//   gtk_demo ask        a Yes, No and Cancel message box; prints the answer
#include <kelm/kelm.h>

#include <cstdio>
#include <string>

#include "platform/ui/gtk/gtk_front_end.h"

namespace {

constexpr UINT IDD_CONTROLS = 31101;
constexpr int IDC_TYPED = 201;
constexpr int IDC_CHECKED = 204;
constexpr int IDC_MAYBE = 205;
constexpr int IDC_RADIO = 206;
constexpr int IDC_LIST = 208;
constexpr int IDC_DROPPED = 209;
constexpr int IDC_SIMPLE = 210;
constexpr int IDC_TRACK = 211;

KelmDialogTemplate controls_template() {
  KelmDialogTemplate t;
  t.id = IDD_CONTROLS;
  t.caption = "Controls";
  t.style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
  t.cx = 200;
  t.cy = 128;
  const DWORD vis = WS_VISIBLE;
  t.controls = {
      {"STATIC", IDC_STATIC, "&Left label", 4, 8, 60, 8, vis},
      {"STATIC", IDC_STATIC, "Right", 4, 24, 60, 8, vis | SS_RIGHT},
      {"EDIT", IDC_TYPED, "typed", 72, 8, 60, 12, vis | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL},
      {"BUTTON", IDC_CHECKED, "&Checked", 4, 40, 60, 8, vis | WS_TABSTOP | BS_AUTOCHECKBOX},
      {"BUTTON", IDC_MAYBE, "&Maybe", 4, 48, 60, 8, vis | BS_AUTO3STATE},
      {"BUTTON", IDC_RADIO, "&Radio", 4, 56, 60, 8, vis | BS_AUTORADIOBUTTON},
      {"LISTBOX", IDC_LIST, "", 72, 40, 60, 32, vis | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY},
      {"COMBOBOX",
       IDC_DROPPED,
       "",
       140,
       8,
       56,
       40,
       vis | WS_TABSTOP | CBS_DROPDOWNLIST,
       0,
       {"Red", "Green", "Blue"}},
      {"COMBOBOX",
       IDC_SIMPLE,
       "",
       140,
       24,
       56,
       32,
       vis | WS_TABSTOP | CBS_SIMPLE,
       0,
       {"one", "two", "three"}},
      {"msctls_trackbar32", IDC_TRACK, "", 140, 64, 56, 8, vis | WS_TABSTOP},
      {"BUTTON", IDC_STATIC, "&Group", 4, 80, 60, 24, vis | BS_GROUPBOX},
      {"BUTTON", IDOK, "OK", 140, 88, 56, 14, vis | WS_TABSTOP | BS_DEFPUSHBUTTON},
      {"BUTTON", IDCANCEL, "Cancel", 140, 106, 56, 14, vis | WS_TABSTOP},
  };
  return t;
}

class CControlsDlg : public CDialog {
 public:
  CControlsDlg() : CDialog(IDD_CONTROLS) {}

 protected:
  BOOL OnInitDialog() override {
    CheckDlgButton(IDC_CHECKED, BST_CHECKED);
    CheckDlgButton(IDC_MAYBE, BST_INDETERMINATE);
    CheckDlgButton(IDC_RADIO, BST_CHECKED);
    auto* list = static_cast<CListBox*>(GetDlgItem(IDC_LIST));
    for (const char* item : {"alpha\tA1", "bravo", "charlie", "delta", "echo", "foxtrot"})
      list->AddString(item);
    static_cast<CComboBox*>(GetDlgItem(IDC_DROPPED))->SetCurSel(0);
    static_cast<CComboBox*>(GetDlgItem(IDC_SIMPLE))->SetCurSel(1);
    auto* track = static_cast<CSliderCtrl*>(GetDlgItem(IDC_TRACK));
    track->SetRange(0, 100);
    track->SetPos(50);
    return CDialog::OnInitDialog();
  }
};

std::string utf8(const CString& text) {
  WCHAR wide[64];
  const int units = MultiByteToWideChar(CP_ACP, 0, text, text.GetLength(), wide, 64);
  char bytes[192];
  const int count =
      WideCharToMultiByte(CP_UTF8, 0, wide, units, bytes, sizeof bytes, nullptr, nullptr);
  return std::string(bytes, static_cast<size_t>(count));
}

}  // namespace

int main(int argc, char** argv) {
  const std::string shown = argc > 1 ? argv[1] : "controls";
  KelmRegisterDialogTemplate(controls_template());
  KelmGtkFrontEnd gtk;
  if (!gtk.Open()) {
    std::fprintf(stderr, "gtk_demo: no display to show the dialog on\n");
    return 2;
  }
  if (shown == "ask") {
    const int answer =
        AfxMessageBox("Save the changes to the dictionary?", MB_YESNOCANCEL | MB_ICONQUESTION);
    gtk.Close();
    std::printf("%s\n", answer == IDYES ? "yes" : answer == IDNO ? "no" : "cancel");
    return 0;
  }
  if (shown == "charmap") {
    const CString chosen = CKMSpecialChars::GetSpecialChar();
    gtk.Close();
    if (chosen.IsEmpty()) return 1;
    std::printf("%s\n", utf8(chosen).c_str());
    return 0;
  }
  CControlsDlg controls;
  const INT_PTR result = controls.DoModal();
  gtk.Close();
  std::printf("%s\n", result == IDOK ? "ok" : "cancel");
  return result == IDOK ? 0 : 1;
}
