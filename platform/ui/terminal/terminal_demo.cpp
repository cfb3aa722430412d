// A small dialog on the terminal front end, for trying it by hand and for
// its tmux test: prints what was chosen on standard output (UTF-8) and exits
// 0 on OK, 1 on Cancel, 2 when there is no terminal. With DEMO_PID_FILE set
// it writes its process ID there once the dialog is up.
//
// An argument shows something else: "controls" a dialog with one control of
// each kind in a known state (OK and Cancel end it as above); "exit" and
// "throw" the demo dialog, whose OK then ends the program from inside the
// dialog, by exit(3) or by an exception nobody catches; "ask" a Yes, No and
// Cancel message box and "ask-yes-no" a Yes and No one with No the default,
// printing the answer (yes, no, cancel) once the box is answered.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "platform/code_page.h"
#include "platform/message.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialog.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/terminal/terminal_front_end.h"

namespace {

constexpr UINT IDD_DEMO = 31000;
constexpr int IDC_NAME = 101;
constexpr int IDC_COUNT = 102;
constexpr int IDC_BOLD = 103;
constexpr int IDC_ITEMS = 104;
constexpr int IDC_COLOR = 105;
constexpr int IDC_DEPTH = 106;
constexpr UINT IDD_CONTROLS = 31001;
constexpr int IDC_TYPED = 201;
constexpr int IDC_SECRET = 202;
constexpr int IDC_FIXED = 203;
constexpr int IDC_CHECKED = 204;
constexpr int IDC_MAYBE = 205;
constexpr int IDC_RADIO = 206;
constexpr int IDC_OFF = 207;
constexpr int IDC_LIST = 208;
constexpr int IDC_DROPPED = 209;
constexpr int IDC_SIMPLE = 210;
constexpr int IDC_TRACK = 211;

// Coordinates are multiples of 4 units across and 8 down, so that each
// control starts on a whole cell: column x / 4, row y / 8 of the client area.
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
      {"STATIC", IDC_STATIC, "Mid", 4, 16, 60, 8, vis | SS_CENTER},
      {"STATIC", IDC_STATIC, "Right", 4, 24, 60, 8, vis | SS_RIGHT},
      {"EDIT", IDC_TYPED, "typed", 72, 8, 60, 8, vis | WS_TABSTOP | ES_AUTOHSCROLL},
      {"EDIT", IDC_SECRET, "secret", 72, 16, 60, 8, vis | WS_TABSTOP | ES_PASSWORD},
      {"EDIT", IDC_FIXED, "fixed", 72, 24, 60, 8, vis | ES_READONLY},
      {"BUTTON", IDC_CHECKED, "&Checked", 4, 40, 60, 8, vis | WS_TABSTOP | BS_AUTOCHECKBOX},
      {"BUTTON", IDC_MAYBE, "&Maybe", 4, 48, 60, 8, vis | BS_AUTO3STATE},
      {"BUTTON", IDC_RADIO, "&Radio", 4, 56, 60, 8, vis | BS_AUTORADIOBUTTON},
      {"BUTTON", IDC_OFF, "O&ff", 4, 64, 60, 8, vis | WS_DISABLED | BS_AUTOCHECKBOX},
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
      {"BUTTON", IDOK, "OK", 140, 88, 56, 16, vis | WS_TABSTOP | BS_DEFPUSHBUTTON},
      {"BUTTON", IDCANCEL, "Cancel", 140, 104, 56, 16, vis | WS_TABSTOP},
  };
  return t;
}

void write_pid_file() {
  if (const char* pid_file = std::getenv("DEMO_PID_FILE")) {
    if (FILE* f = std::fopen(pid_file, "w")) {
      std::fprintf(f, "%d\n", static_cast<int>(getpid()));
      std::fclose(f);
    }
  }
}

KelmDialogTemplate demo_template() {
  KelmDialogTemplate t;
  t.id = IDD_DEMO;
  t.caption = "Demo";
  t.style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
  t.cx = 240;
  t.cy = 150;
  const DWORD vis = WS_VISIBLE;
  t.controls = {
      {"STATIC", IDC_STATIC, "&Name", 7, 8, 40, 8, vis},
      {"EDIT", IDC_NAME, "", 52, 8, 100, 8, vis | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL},
      {"STATIC", IDC_STATIC, "&Count", 7, 24, 40, 8, vis},
      {"EDIT", IDC_COUNT, "", 52, 24, 24, 8, vis | WS_TABSTOP | WS_BORDER},
      {"BUTTON", IDC_BOLD, "&Bold words", 7, 40, 100, 8,
       vis | WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX},
      {"STATIC", IDC_STATIC, "&Words", 7, 56, 60, 8, vis},
      {"LISTBOX", IDC_ITEMS, "", 7, 64, 100, 64,
       vis | WS_TABSTOP | WS_VSCROLL | WS_BORDER | LBS_SORT | LBS_NOTIFY},
      {"STATIC", IDC_STATIC, "Co&lor", 120, 56, 40, 8, vis},
      {"COMBOBOX",
       IDC_COLOR,
       "",
       120,
       64,
       60,
       40,
       vis | WS_TABSTOP | CBS_DROPDOWNLIST,
       0,
       {"Red", "Green", "Blue"}},
      {"BUTTON", IDC_STATIC, "&Depth", 120, 88, 112, 32, vis | BS_GROUPBOX},
      {"msctls_trackbar32", IDC_DEPTH, "", 124, 104, 104, 8, vis | WS_TABSTOP},
      {"BUTTON", IDOK, "OK", 180, 8, 52, 16, vis | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON},
      {"BUTTON", IDCANCEL, "Cancel", 180, 28, 52, 16, vis | WS_TABSTOP},
  };
  return t;
}

std::string utf8(const CString& text) {
  WCHAR wide[512];
  const int units = MultiByteToWideChar(CP_ACP, 0, text, text.GetLength(), wide, 512);
  char bytes[1536];
  const int count =
      WideCharToMultiByte(CP_UTF8, 0, wide, units, bytes, sizeof bytes, nullptr, nullptr);
  return std::string(bytes, static_cast<size_t>(count));
}

class CDemoDlg : public CDialog {
 public:
  explicit CDemoDlg(const char* end) : CDialog(IDD_DEMO), m_strEnd(end) {}

  CString m_strName;
  int m_nCount = 3;
  int m_bBold = 0;
  CString m_strItem = "cherry";
  int m_nColor = 0;
  int m_nDepth = 40;

 protected:
  BOOL OnInitDialog() override {
    auto* items = static_cast<CListBox*>(GetDlgItem(IDC_ITEMS));
    for (const char* word :
         {"\xE9lan", "apple", "Banana",    "cherry", "date",      "elder", "fig",   "grape",
          "hazel",   "kiwi",  "lemon",     "mango",  "nectarine", "olive", "peach", "quince",
          "raisin",  "sloe",  "tangerine", "ugli",   "vanilla",   "walnut"})
      items->AddString(word);
    static_cast<CSliderCtrl*>(GetDlgItem(IDC_DEPTH))->SetRange(0, 100);
    m_font.CreateFont(-15, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    CDialog::OnInitDialog();
    write_pid_file();
    return TRUE;
  }

  void OnOK() override {
    if (m_strEnd == "exit") std::exit(3);
    if (m_strEnd == "throw") throw std::runtime_error("the demo's OK failed");
    CDialog::OnOK();
  }

  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Text(pDX, IDC_NAME, m_strName);
    DDX_Text(pDX, IDC_COUNT, m_nCount);
    DDV_MinMaxInt(pDX, m_nCount, 0, 10);
    DDX_Check(pDX, IDC_BOLD, m_bBold);
    DDX_LBString(pDX, IDC_ITEMS, m_strItem);
    DDX_CBIndex(pDX, IDC_COLOR, m_nColor);
    DDX_Slider(pDX, IDC_DEPTH, m_nDepth);
  }

  void OnBold() {
    GetDlgItem(IDC_ITEMS)->SetFont(IsDlgButtonChecked(IDC_BOLD) ? &m_font : nullptr);
  }

  const AFX_MSGMAP* GetMessageMap() const override {
    static const AFX_MSGMAP map{CDialog::GetMessageMap(),
                                {ON_BN_CLICKED(IDC_BOLD, &CDemoDlg::OnBold)}};
    return &map;
  }

 private:
  CFont m_font;
  CString m_strEnd;
};

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
    CDialog::OnInitDialog();
    write_pid_file();
    return TRUE;
  }
};

}  // namespace

int main(int argc, char** argv) {
  const char* shown = argc > 1 ? argv[1] : "";
  KelmRegisterDialogTemplate(demo_template());
  KelmRegisterDialogTemplate(controls_template());
  KelmTerminalFrontEnd terminal;
  if (!terminal.Open()) {
    std::fprintf(stderr, "terminal_demo: no terminal to show the dialog on\n");
    return 2;
  }
  const bool yes_no = std::strcmp(shown, "ask-yes-no") == 0;
  if (yes_no || std::strcmp(shown, "ask") == 0) {
    write_pid_file();
    const int answer =
        AfxMessageBox("Save the changes to the dictionary?",
                      yes_no ? MB_YESNO | MB_DEFBUTTON2 : MB_YESNOCANCEL | MB_ICONQUESTION);
    terminal.Close();
    std::printf("%s\n", answer == IDYES ? "yes" : answer == IDNO ? "no" : "cancel");
    return 0;
  }
  if (std::strcmp(shown, "controls") == 0) {
    CControlsDlg controls;
    const INT_PTR result = controls.DoModal();
    terminal.Close();
    std::printf("%s\n", result == IDOK ? "ok" : "cancel");
    return result == IDOK ? 0 : 1;
  }
  CDemoDlg dlg(shown);
  const INT_PTR result = dlg.DoModal();
  terminal.Close();
  if (result != IDOK) {
    std::printf("cancel\n");
    return 1;
  }
  std::printf("name=%s count=%d bold=%d item=%s color=%d depth=%d\n", utf8(dlg.m_strName).c_str(),
              dlg.m_nCount, dlg.m_bBold, utf8(dlg.m_strItem).c_str(), dlg.m_nColor, dlg.m_nDepth);
  return 0;
}
