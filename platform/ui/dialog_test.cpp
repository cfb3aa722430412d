// Dialogs driven as a person drives them, through the scripted front end:
// data exchange and its validation, the keyboard interface of IsDialogMessage,
// a modeless dialog inside the host's own loop, and scripts that run out.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialog.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/scripted/scripted_front_end.h"

namespace {

constexpr UINT IDD_OPTIONS = 30001;
constexpr int IDC_CHARS = 1001;
constexpr int IDC_LOAD = 1002;
constexpr int IDC_ENABLE = 1003;
constexpr int IDC_WORDS = 1004;
constexpr int IDC_ADD = 1005;
constexpr int IDC_DEPTH = 1006;
constexpr int IDC_ACTION = 1007;

// A dialog shaped like the library's option dialogs: a label and number
// edit, a group of two check boxes (only the first a tab stop), a list, a
// combo, a trackbar in a group box, Add, OK (default) and Cancel.
KelmDialogTemplate options_template() {
  KelmDialogTemplate t;
  t.id = IDD_OPTIONS;
  t.caption = "Options";
  t.style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
  t.cx = 200;
  t.cy = 150;
  t.fontName = "MS Sans Serif";
  const DWORD vis = WS_VISIBLE;
  t.controls = {
      {"STATIC", IDC_STATIC, "&Characters", 7, 7, 50, 8, vis},
      {"EDIT", IDC_CHARS, "", 60, 5, 30, 12, vis | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL},
      {"BUTTON", IDC_LOAD, "&Load history", 7, 22, 80, 10,
       vis | BS_AUTOCHECKBOX | WS_GROUP | WS_TABSTOP},
      {"BUTTON", IDC_ENABLE, "&Enable", 7, 34, 80, 10, vis | BS_AUTOCHECKBOX},
      {"LISTBOX", IDC_WORDS, "", 7, 48, 80, 60,
       vis | WS_GROUP | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_SORT},
      {"COMBOBOX", IDC_ACTION, "", 95, 48, 90, 60, vis | WS_TABSTOP | CBS_DROPDOWNLIST},
      {"BUTTON", IDC_STATIC, "&Depth", 95, 70, 90, 30, vis | BS_GROUPBOX},
      {"msctls_trackbar32", IDC_DEPTH, "", 100, 80, 80, 12, vis | WS_TABSTOP},
      {"BUTTON", IDC_ADD, "&Add", 143, 5, 50, 14, vis | WS_TABSTOP | WS_GROUP},
      {"BUTTON", IDOK, "O&K", 143, 115, 50, 14, vis | WS_TABSTOP | BS_DEFPUSHBUTTON},
      {"BUTTON", IDCANCEL, "Cancel", 143, 132, 50, 14, vis | WS_TABSTOP},
  };
  t.controls[5].initialStrings = {"Ignore", "Exclude", "Change"};
  return t;
}

class COptionsDlg : public CDialog {
 public:
  COptionsDlg() : CDialog(IDD_OPTIONS) { KelmRegisterDialogTemplate(options_template()); }

  int m_nChars = 4;
  int m_bLoad = 0;
  int m_bEnable = 1;
  int m_nAction = 1;
  int m_nDepth = 30;
  CString m_strWord;
  int m_nAdds = 0;
  int m_nSelChanges = 0;
  int m_nTicks = 0;
  CListBox m_lbWords;
  std::function<void()> m_onInit;

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    for (const char* word : {"delta", "alpha", "charlie", "bravo"}) m_lbWords.AddString(word);
    static_cast<CSliderCtrl*>(GetDlgItem(IDC_DEPTH))->SetRange(0, 100);
    UpdateData(FALSE);
    if (m_onInit) m_onInit();
    return TRUE;
  }

  void DoDataExchange(CDataExchange* pDX) override {
    DDX_Control(pDX, IDC_WORDS, m_lbWords);
    DDX_Text(pDX, IDC_CHARS, m_nChars);
    DDV_MinMaxInt(pDX, m_nChars, 0, 10);
    DDX_Check(pDX, IDC_LOAD, m_bLoad);
    DDX_Check(pDX, IDC_ENABLE, m_bEnable);
    DDX_LBString(pDX, IDC_WORDS, m_strWord);
    DDX_CBIndex(pDX, IDC_ACTION, m_nAction);
    DDX_Slider(pDX, IDC_DEPTH, m_nDepth);
  }

  void OnAdd() { ++m_nAdds; }
  void OnSelChangeWords() { ++m_nSelChanges; }
  void OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == 7) ++m_nTicks;
  }

  const AFX_MSGMAP* GetMessageMap() const override {
    static const AFX_MSGMAP map{CDialog::GetMessageMap(),
                                {ON_BN_CLICKED(IDC_ADD, &COptionsDlg::OnAdd),
                                 ON_LBN_SELCHANGE(IDC_WORDS, &COptionsDlg::OnSelChangeWords),
                                 ON_WM_TIMER(&COptionsDlg::OnTimer)}};
    return &map;
  }
};

int focused_id() { return GetDlgCtrlID(GetFocus()); }

TEST(DialogTest, DataExchangeLoadsTheControlsAndOkStoresThem) {
  KelmScriptedFrontEnd person;
  COptionsDlg dlg;
  dlg.m_strWord = "charlie";
  person.Snapshot()
      .Type("7")
      .Click(IDC_LOAD)
      .SelectItem(IDC_WORDS, "bravo")
      .SelectItem(IDC_ACTION, "Change")
      .Press(VK_RETURN);
  ASSERT_EQ(IDOK, dlg.DoModal());
  const std::vector<CString> want_start = {"open Options",
                                           "static \"&Characters\"",
                                           "*edit 1001 \"4\"",
                                           "check 1002 [ ] \"&Load history\"",
                                           "check 1003 [x] \"&Enable\"",
                                           "list 1004 sel 2 of 4 \"charlie\"",
                                           "combo 1007 sel 1 of 3 \"Exclude\"",
                                           "group -1 \"&Depth\"",
                                           "trackbar 1006 30",
                                           "button 1005 \"&Add\"",
                                           "default-button 1 \"O&K\"",
                                           "button 2 \"Cancel\""};
  ASSERT_GE(person.Shown().size(), want_start.size());
  for (size_t i = 0; i < want_start.size(); ++i)
    EXPECT_EQ(want_start[i], person.Shown()[i]) << "line " << i;
  EXPECT_EQ("close Options", person.Shown().back());
  EXPECT_EQ(7, dlg.m_nChars);
  EXPECT_EQ(1, dlg.m_bLoad);
  EXPECT_EQ(1, dlg.m_bEnable);
  EXPECT_EQ("bravo", dlg.m_strWord);
  EXPECT_EQ(2, dlg.m_nAction);
  EXPECT_EQ(30, dlg.m_nDepth);
  EXPECT_EQ(1, dlg.m_nSelChanges);
  EXPECT_FALSE(IsWindow(dlg.m_lbWords.m_hWnd)) << "the dialog's windows are gone after DoModal";
}

TEST(DialogTest, MinMaxIntRefusesElevenAndKeepsTheDialogOpenWithTheFocusOnTheNumber) {
  KelmScriptedFrontEnd person;
  COptionsDlg dlg;
  HWND during = nullptr;
  person.Type("11")
      .Press(VK_RETURN)
      .Answer(IDOK)
      .Then([&] {
        during = dlg.m_hWnd;
        EXPECT_TRUE(IsWindowVisible(dlg.m_hWnd)) << "the refused dialog stays open";
        EXPECT_EQ(IDC_CHARS, focused_id()) << "the focus goes back to the refused number";
        DWORD start = 0;
        DWORD end = 0;
        SendMessageA(GetFocus(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(0u, start);
        EXPECT_EQ(2u, end) << "the refused text is selected, so typing replaces it";
      })
      .Type("10")
      .Press(VK_RETURN);
  ASSERT_EQ(IDOK, dlg.DoModal());
  EXPECT_NE(nullptr, during);
  EXPECT_EQ(10, dlg.m_nChars);
  const auto& shown = person.Shown();
  ASSERT_EQ(3u, shown.size());
  EXPECT_EQ("message : Please enter an integer between 0 and 10.", shown[1]);
}

TEST(DialogTest, TextThatIsNoNumberIsRefused) {
  KelmScriptedFrontEnd person;
  COptionsDlg dlg;
  person.Type("4x").Press(VK_RETURN).Answer(IDOK).Press(VK_ESCAPE);
  EXPECT_EQ(IDCANCEL, dlg.DoModal());
  EXPECT_EQ("message : Please enter an integer.", person.Shown()[1]);
  EXPECT_EQ(4, dlg.m_nChars) << "Cancel stores nothing";
}

// Keys pressed in the dialog, and where the focus is after them; the
// dialog's own results (Add's count, the end code) checked where they apply.
struct KeyCase {
  const char* name;
  std::vector<std::pair<int, UINT>> keys;  // virtual key, modifiers
  int focus;
};

TEST(DialogTest, KeyboardMovesTheFocusAsTheDialogManagerDoes) {
  const KeyCase cases[] = {
      {"start on the first tab stop", {}, IDC_CHARS},
      {"Tab", {{VK_TAB, 0}}, IDC_LOAD},
      {"Tab skips a control without a tab stop", {{VK_TAB, 0}, {VK_TAB, 0}}, IDC_WORDS},
      {"Shift+Tab wraps backwards", {{VK_TAB, KELM_MOD_SHIFT}}, IDCANCEL},
      {"Tab wraps forwards", {{VK_TAB, KELM_MOD_SHIFT}, {VK_TAB, 0}}, IDC_CHARS},
      {"arrow within a group", {{VK_TAB, 0}, {VK_DOWN, 0}}, IDC_ENABLE},
      {"arrow wraps within a group", {{VK_TAB, 0}, {VK_DOWN, 0}, {VK_DOWN, 0}}, IDC_LOAD},
      {"a list keeps its arrows", {{VK_TAB, 0}, {VK_TAB, 0}, {VK_DOWN, 0}}, IDC_WORDS},
      {"Alt+letter of a label goes to the control after it",
       {{VK_TAB, 0}, {'C', KELM_MOD_ALT}},
       IDC_CHARS},
      {"Alt+letter of a check box", {{'E', KELM_MOD_ALT}}, IDC_ENABLE},
      {"a letter on a button is its accelerator", {{VK_TAB, KELM_MOD_SHIFT}, {'L', 0}}, IDC_LOAD},
  };
  for (const KeyCase& c : cases) {
    KelmScriptedFrontEnd person;
    COptionsDlg dlg;
    for (const auto& [key, modifiers] : c.keys) person.Press(key, modifiers);
    int focus = 0;
    person.Then([&] { focus = focused_id(); }).Press(VK_ESCAPE);
    EXPECT_EQ(IDCANCEL, dlg.DoModal()) << c.name;
    EXPECT_EQ(c.focus, focus) << c.name;
  }
}

TEST(DialogTest, GotoDlgCtrlAndNextDlgCtrlMoveTheFocusInTabOrder) {
  KelmScriptedFrontEnd person;
  COptionsDlg dlg;
  std::vector<int> seen;
  person
      .Then([&] {
        dlg.GotoDlgCtrl(dlg.GetDlgItem(IDC_WORDS));
        seen.push_back(focused_id());
        dlg.NextDlgCtrl();
        seen.push_back(focused_id());
        dlg.PrevDlgCtrl();
        dlg.PrevDlgCtrl();
        seen.push_back(focused_id());
      })
      .Press(VK_ESCAPE);
  EXPECT_EQ(IDCANCEL, dlg.DoModal());
  EXPECT_EQ((std::vector<int>{IDC_WORDS, IDC_ACTION, IDC_LOAD}), seen);
}

TEST(DialogTest, EnterPressesTheDefaultButtonOrTheFocusedOneAndEscCancels) {
  {
    KelmScriptedFrontEnd person;
    COptionsDlg dlg;
    person.Press(VK_RETURN);
    EXPECT_EQ(IDOK, dlg.DoModal()) << "Enter in an edit presses the default button";
  }
  {
    KelmScriptedFrontEnd person;
    COptionsDlg dlg;
    CString add_style;
    person.Press('A', KELM_MOD_ALT)
        .Press(VK_TAB, KELM_MOD_SHIFT)
        .Press(VK_TAB, KELM_MOD_SHIFT)
        .Press(VK_TAB, KELM_MOD_SHIFT)
        .Then([&] {
          EXPECT_EQ(IDC_ADD, focused_id());
          EXPECT_EQ(BS_DEFPUSHBUTTON, GetWindowLongA(GetFocus(), GWL_STYLE) & BS_TYPEMASK)
              << "a focused push button becomes the default";
          EXPECT_EQ(BS_PUSHBUTTON,
                    GetWindowLongA(GetDlgItem(dlg.m_hWnd, IDOK), GWL_STYLE) & BS_TYPEMASK);
        })
        .Press(VK_RETURN)
        .Press(VK_SPACE)
        .Press(VK_ESCAPE);
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_EQ(3, dlg.m_nAdds) << "Alt+A, then Enter and Space on the focused Add";
  }
  {
    KelmScriptedFrontEnd person;
    COptionsDlg dlg;
    dlg.m_onInit = [&] { dlg.GetDlgItem(IDOK)->EnableWindow(FALSE); };
    person.Press(VK_RETURN).Press(VK_ESCAPE);
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_EQ("beep", person.Shown()[1]) << "Enter with the default button disabled beeps";
  }
}

class CCountingApp : public CWinApp {
 public:
  CCountingApp() : CWinApp("dialog_test") {}
  BOOL OnIdle(LONG lCount) override {
    if (lCount == 0) ++m_nIdleRounds;
    return lCount < 2;
  }
  int m_nIdleRounds = 0;
};

class CModelessDlg : public COptionsDlg {
 public:
  bool m_running = true;

 protected:
  void OnOK() override {
    if (!UpdateData(TRUE)) return;
    m_running = false;
    DestroyWindow();
  }
  void OnCancel() override {
    m_running = false;
    DestroyWindow();
  }
};

TEST(DialogTest, ModelessDialogRunsInTheHostLoopWhileIdleWorkGoesOn) {
  CCountingApp app;
  KelmScriptedFrontEnd person;
  CModelessDlg dlg;
  int idle_seen_midway = 0;
  person.Type("9")
      .Then([&] { idle_seen_midway = app.m_nIdleRounds; })
      .Click(IDC_ENABLE)
      .Click(IDOK);
  ASSERT_TRUE(dlg.Create(IDD_OPTIONS));
  dlg.ShowWindow(SW_SHOW);
  // The loop the library's modeless dialogs run while their caller waits.
  while (dlg.m_running) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
      if (!app.PumpMessage()) break;
    for (LONG n = 0; app.OnIdle(n); ++n) {
    }
  }
  EXPECT_EQ(9, dlg.m_nChars);
  EXPECT_EQ(0, dlg.m_bEnable);
  EXPECT_GE(idle_seen_midway, 1) << "idle work ran while the person was typing";
  EXPECT_GE(app.m_nIdleRounds, 3) << "idle work ran between each of the person's actions";
  EXPECT_EQ(nullptr, dlg.m_hWnd);
}

TEST(DialogTest, ScriptThatRunsOutFailsWithItsPositionInsteadOfWaiting) {
  const struct {
    void (*script)(KelmScriptedFrontEnd&);
    const char* error;  // a part of it
  } cases[] = {
      {[](KelmScriptedFrontEnd& p) { p.Type("5"); },
       "step 2 of 1 in \"Options\": the program waits for input after the script's end"},
      {[](KelmScriptedFrontEnd& p) { p.Type("12").Press(VK_RETURN).Press(VK_ESCAPE); },
       "message box \"Please enter an integer between 0 and 10.\" is not answered"},
      {[](KelmScriptedFrontEnd& p) { p.Click(4242); }, "no visible control 4242"},
  };
  for (const auto& c : cases) {
    KelmScriptedFrontEnd person;
    COptionsDlg dlg;
    c.script(person);
    std::string error = "the dialog returned without its input";
    try {
      dlg.DoModal();
    } catch (const KelmScriptError& e) {
      error = e.what();
    }
    EXPECT_NE(std::string::npos, error.find(c.error)) << c.error << "\n" << error;
    EXPECT_EQ(nullptr, dlg.m_hWnd) << c.error << ": the failed dialog is destroyed";
  }
}

TEST(DialogTest, NoFrontEndMeansTheDialogCannotBeShown) {
  COptionsDlg dlg;
  EXPECT_EQ(-1, dlg.DoModal());
  CDialog missing(4243);
  KelmScriptedFrontEnd person;
  EXPECT_EQ(-1, missing.DoModal()) << "a template nobody registered";
}

TEST(DialogTest, MessageBoxesGoThroughTheFrontEnd) {
  KelmScriptedFrontEnd person;
  person.Answer(IDYES).Answer(IDCANCEL);
  EXPECT_EQ(IDYES, AfxMessageBox("Delete the selected entry\nAre you Sure?", MB_YESNO));
  EXPECT_EQ(IDCANCEL, MessageBoxA(nullptr, "Save?", "Lexicons", MB_YESNOCANCEL));
  ASSERT_EQ(2u, person.Shown().size());
  EXPECT_EQ("message : Delete the selected entry\nAre you Sure?", person.Shown()[0]);
  EXPECT_EQ("message Lexicons: Save?", person.Shown()[1]);
}

// Guards the order in which a message box is answered: the host's handler,
// else the front end, else standard error once no front end is left.
TEST(DialogTest, HostHandlerComesBeforeTheFrontEnd) {
  {
    KelmScriptedFrontEnd person;
    person.Answer(IDNO);
    const KelmMessageBoxHandler saved =
        KelmSetMessageBoxHandler([](LPCSTR, LPCSTR, UINT) { return IDRETRY; });
    EXPECT_EQ(IDRETRY, AfxMessageBox("Retry?", MB_RETRYCANCEL));
    KelmSetMessageBoxHandler(saved);
    EXPECT_EQ(IDNO, AfxMessageBox("Save?", MB_YESNO));
    EXPECT_EQ(1u, person.Shown().size());
  }
  testing::internal::CaptureStderr();
  EXPECT_EQ(IDNO, AfxMessageBox("Save?", MB_YESNO));
  EXPECT_EQ("Save?\n", testing::internal::GetCapturedStderr());
}

TEST(DialogTest, TimersFireWhileThePersonPauses) {
  KelmScriptedFrontEnd person;
  COptionsDlg dlg;
  dlg.m_onInit = [&] { dlg.SetTimer(7, 10); };
  person.Wait(100).Press(VK_ESCAPE);
  EXPECT_EQ(IDCANCEL, dlg.DoModal());
  EXPECT_GE(dlg.m_nTicks, 1);
  EXPECT_LE(dlg.m_nTicks, 10);
}

TEST(DialogTest, QuitDuringAModalDialogEndsItAndStaysForTheOuterLoop) {
  KelmScriptedFrontEnd person;
  COptionsDlg dlg;
  person.Then([] { PostQuitMessage(5); }).Type("1");
  EXPECT_EQ(-1, dlg.DoModal());
  EXPECT_EQ(nullptr, dlg.m_hWnd);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "the quit is still queued";
  EXPECT_EQ(WM_QUIT, msg.message);
  EXPECT_EQ(5u, msg.wParam);
}

TEST(DialogTest, FontsAreDescriptionsThatWindowsDoNotOwn) {
  KelmScriptedFrontEnd person;
  COptionsDlg dlg;
  LOGFONT seen{};
  int after_delete = -1;
  dlg.m_onInit = [&] {
    auto* font = new CFont;
    ASSERT_TRUE(
        font->CreateFont(-15, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial"));
    CWnd* list = dlg.GetDlgItem(IDC_WORDS);
    list->SetFont(font);
    GetObjectA(reinterpret_cast<HGDIOBJ>(list->SendMessage(WM_GETFONT)), sizeof seen, &seen);
    EXPECT_EQ(font, list->GetFont());
    delete font;
    LOGFONT gone{};
    after_delete =
        GetObjectA(reinterpret_cast<HGDIOBJ>(list->SendMessage(WM_GETFONT)), sizeof gone, &gone);
  };
  person.Press(VK_ESCAPE);
  EXPECT_EQ(IDCANCEL, dlg.DoModal());
  EXPECT_EQ(-15, seen.lfHeight);
  EXPECT_EQ(FW_BOLD, seen.lfWeight);
  EXPECT_STREQ("Arial", seen.lfFaceName);
  EXPECT_EQ(0, after_delete) << "a deleted font reads as none, not as freed memory";
}

}  // namespace
