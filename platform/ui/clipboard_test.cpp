// The clipboard as programs and people use it: the Win32 calls in and out of
// order, the front end's system clipboard taking precedence, and edit boxes
// copying, cutting and pasting through it in a dialog driven by the keys.
#include "platform/ui/clipboard.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/controls.h"
#include "platform/ui/dialog.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/scripted/scripted_front_end.h"

namespace {

HGLOBAL text_block(const char* text) {
  const size_t size = std::strlen(text) + 1;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  std::memcpy(GlobalLock(block), text, size);
  GlobalUnlock(block);
  return block;
}

std::string text_in(HGLOBAL block) {
  const auto* bytes = static_cast<const char*>(GlobalLock(block));
  if (bytes == nullptr) return "(no block)";
  std::string text(bytes, strnlen(bytes, GlobalSize(block)));
  GlobalUnlock(block);
  return text;
}

// A window to own the clipboard, as Win32 wants for SetClipboardData.
class Owner {
 public:
  Owner()
      : m_hWnd(CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr,
                               nullptr, nullptr)) {}
  ~Owner() { DestroyWindow(m_hWnd); }
  HWND get() const { return m_hWnd; }

 private:
  HWND m_hWnd;
};

void put_text(const char* text) {
  Owner owner;
  ASSERT_TRUE(OpenClipboard(owner.get()));
  ASSERT_TRUE(EmptyClipboard());
  ASSERT_NE(nullptr, SetClipboardData(CF_TEXT, text_block(text)));
  ASSERT_TRUE(CloseClipboard());
}

std::string get_text() {
  if (!OpenClipboard(nullptr)) return "(busy)";
  HGLOBAL block = GetClipboardData(CF_TEXT);
  std::string text = block != nullptr ? text_in(block) : "(none)";
  CloseClipboard();
  return text;
}

TEST(Clipboard, CallsOutOfOrderFailAsWin32Documents) {
  Owner one, two;
  struct Step {
    const char* what;
    std::function<BOOL()> call;
    BOOL succeeds;
    LONG error;
  };
  HGLOBAL freed = GlobalAlloc(GMEM_MOVEABLE, 1);
  GlobalFree(freed);
  const Step steps[] = {
      {"empty while closed", [] { return EmptyClipboard(); }, FALSE, ERROR_CLIPBOARD_NOT_OPEN},
      {"set while closed", [] { return SetClipboardData(CF_TEXT, text_block("x")) != nullptr; },
       FALSE, ERROR_CLIPBOARD_NOT_OPEN},
      {"get while closed", [] { return GetClipboardData(CF_TEXT) != nullptr; }, FALSE,
       ERROR_CLIPBOARD_NOT_OPEN},
      {"close while closed", [] { return CloseClipboard(); }, FALSE, ERROR_CLIPBOARD_NOT_OPEN},
      {"open with no window", [] { return OpenClipboard(nullptr); }, TRUE, 0},
      {"open again from another", [&] { return OpenClipboard(one.get()); }, FALSE,
       ERROR_ACCESS_DENIED},
      {"empty with no window: no owner", [] { return EmptyClipboard(); }, TRUE, 0},
      {"set with no owner", [] { return SetClipboardData(CF_TEXT, text_block("x")) != nullptr; },
       FALSE, ERROR_ACCESS_DENIED},
      {"close", [] { return CloseClipboard(); }, TRUE, 0},
      {"open for a window", [&] { return OpenClipboard(one.get()); }, TRUE, 0},
      {"the same window again", [&] { return OpenClipboard(one.get()); }, TRUE, 0},
      {"another window", [&] { return OpenClipboard(two.get()); }, FALSE, ERROR_ACCESS_DENIED},
      {"empty: the window owns it", [] { return EmptyClipboard(); }, TRUE, 0},
      {"set a freed block", [&] { return SetClipboardData(CF_TEXT, freed) != nullptr; }, FALSE,
       ERROR_INVALID_HANDLE},
      {"set text", [] { return SetClipboardData(CF_TEXT, text_block("x")) != nullptr; }, TRUE, 0},
      {"close", [] { return CloseClipboard(); }, TRUE, 0},
  };
  for (const Step& step : steps) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(step.succeeds, step.call()) << step.what;
    if (!step.succeeds) {
      EXPECT_EQ(static_cast<DWORD>(step.error), GetLastError()) << step.what;
    }
  }
  EXPECT_EQ("x", get_text());
}

TEST(Clipboard, KeepsTextUntilEmptiedAndFreesWhatItReplaces) {
  put_text("first");
  EXPECT_EQ("first", get_text());
  EXPECT_EQ("first", get_text()) << "reading leaves it there";
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT + 1));

  Owner owner;
  ASSERT_TRUE(OpenClipboard(owner.get()));
  HGLOBAL first = GetClipboardData(CF_TEXT);
  HGLOBAL second = text_block("second");
  ASSERT_EQ(second, SetClipboardData(CF_TEXT, second)) << "without emptying: it replaces";
  EXPECT_EQ(0u, GlobalSize(first)) << "the replaced block is freed";
  EXPECT_TRUE(EmptyClipboard());
  EXPECT_EQ(0u, GlobalSize(second)) << "emptying frees what it held";
  EXPECT_EQ(nullptr, GetClipboardData(CF_TEXT));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
  CloseClipboard();

  // Text runs to its first NUL, or to the block's end when it has none.
  ASSERT_TRUE(OpenClipboard(owner.get()));
  HGLOBAL unterminated = GlobalAlloc(GMEM_MOVEABLE, 3);
  std::memcpy(GlobalLock(unterminated), "abc", 3);
  GlobalUnlock(unterminated);
  ASSERT_NE(nullptr, SetClipboardData(CF_TEXT, unterminated));
  CloseClipboard();
  EXPECT_EQ("abc", get_text());
}

// A front end with a system clipboard of its own, such as a desktop's.
class DesktopFrontEnd : public KelmScriptedFrontEnd {
 public:
  BOOL PutClipboardText(LPCSTR lpszText) override {
    m_put.emplace_back(lpszText);
    if (!m_has_system_clipboard) return FALSE;
    m_system = lpszText;
    return TRUE;
  }
  BOOL GetClipboardText(CString& strText) override {
    if (!m_system) return FALSE;
    strText = m_system->c_str();
    return TRUE;
  }

  bool m_has_system_clipboard = true;
  std::optional<std::string> m_system;
  std::vector<std::string> m_put;
};

TEST(Clipboard, TheSystemsTextComesFirstAndOursGoesToIt) {
  DesktopFrontEnd desktop;
  put_text("ours");
  EXPECT_EQ(std::vector<std::string>{"ours"}, desktop.m_put) << "the front end is given it";
  EXPECT_EQ("ours", get_text());

  desktop.m_system = "copied elsewhere";
  EXPECT_EQ("copied elsewhere", get_text()) << "another program's copy wins";
  Owner owner;
  ASSERT_TRUE(OpenClipboard(owner.get()));
  HGLOBAL block = GetClipboardData(CF_TEXT);
  EXPECT_EQ(block, GetClipboardData(CF_TEXT)) << "the same text keeps its block";
  CloseClipboard();

  desktop.m_system.reset();
  desktop.m_has_system_clipboard = false;
  put_text("kept here");
  EXPECT_EQ("kept here", get_text()) << "with no system text the process's copy serves";
  ASSERT_TRUE(OpenClipboard(owner.get()));
  EmptyClipboard();
  CloseClipboard();
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
  desktop.m_system = "from the desktop";
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT)) << "the system's text counts";
}

constexpr UINT IDD_TWO_EDITS = 30010;
constexpr int IDC_FROM = 1040;
constexpr int IDC_TO = 1041;

class CTwoEditsDlg : public CDialog {
 public:
  CTwoEditsDlg(DWORD from_style, DWORD to_style) : CDialog(IDD_TWO_EDITS) {
    KelmDialogTemplate t;
    t.id = IDD_TWO_EDITS;
    t.caption = "Two edits";
    t.style = WS_POPUP | WS_CAPTION;
    t.cx = 160;
    t.cy = 60;
    t.controls = {
        {"EDIT", IDC_FROM, "", 5, 5, 100, 12, WS_VISIBLE | WS_TABSTOP | from_style},
        {"EDIT", IDC_TO, "", 5, 25, 100, 12, WS_VISIBLE | WS_TABSTOP | to_style},
        {"BUTTON", IDOK, "OK", 110, 5, 40, 14, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
    };
    KelmRegisterDialogTemplate(t);
  }

  CString m_strFromInitial, m_strToInitial;
  int m_nToLimit = 0;
  CString m_strFrom, m_strTo;
  int m_nToChanges = 0;

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    SetDlgItemText(IDC_FROM, m_strFromInitial);
    SetDlgItemText(IDC_TO, m_strToInitial);
    if (m_nToLimit > 0) static_cast<CEdit*>(GetDlgItem(IDC_TO))->LimitText(m_nToLimit);
    m_nToChanges = 0;
    GotoDlgCtrl(GetDlgItem(IDC_FROM));
    return FALSE;
  }
  void OnOK() override {
    GetDlgItemText(IDC_FROM, m_strFrom);
    GetDlgItemText(IDC_TO, m_strTo);
    CDialog::OnOK();
  }
  void OnToChange() { ++m_nToChanges; }
  const AFX_MSGMAP* GetMessageMap() const override {
    static const AFX_MSGMAP map{CDialog::GetMessageMap(),
                                {ON_EN_CHANGE(IDC_TO, &CTwoEditsDlg::OnToChange)}};
    return &map;
  }
};

using Key = std::pair<int, UINT>;
constexpr UINT shift = KELM_MOD_SHIFT;
constexpr UINT ctrl = KELM_MOD_CONTROL;

struct EditCase {
  const char* name;
  DWORD from_style, to_style;
  const char *from, *to;
  int to_limit;
  std::vector<Key> in_from;  // the focus starts there with all selected
  std::vector<Key> in_to;    // Tab brings it here, all selected
  const char *want_from, *want_to;
  int to_changes;
  bool beeps;
};

TEST(EditClipboard, KeysCopyCutAndPasteBetweenTwoEdits) {
  const Key copy{'C', ctrl}, cut{'X', ctrl}, paste{'V', ctrl}, end{VK_END, 0}, home{VK_HOME, 0},
      shift_left{VK_LEFT, shift}, shift_home{VK_HOME, shift}, shift_end{VK_END, shift},
      shift_del{VK_DELETE, shift}, shift_ins{VK_INSERT, shift}, ctrl_ins{VK_INSERT, ctrl};
  // clang-format off
  const EditCase cases[] = {
      {"Ctrl+C and Ctrl+V", 0, 0, "hello", "", 0, {copy}, {paste}, "hello", "hello", 1, false},
      {"pasting replaces the selection", 0, 0, "new", "old text", 0, {copy}, {paste}, "new",
       "new", 1, false},
      {"a part selected with Shift", 0, 0, "hello", "", 0, {end, shift_left, shift_left, copy},
       {paste}, "hello", "lo", 1, false},
      {"Shift+Home from the end", 0, 0, "abc", "", 0, {end, shift_left, shift_home, copy},
       {paste}, "abc", "abc", 1, false},
      {"Ctrl+X cuts", 0, 0, "move me", "", 0, {cut}, {paste}, "", "move me", 1, false},
      {"Shift+Del cuts, Shift+Ins pastes", 0, 0, "abc", "x", 0, {shift_del}, {end, shift_ins},
       "", "xabc", 1, false},
      {"Ctrl+Ins copies", 0, 0, "abc", "", 0, {ctrl_ins}, {shift_ins}, "abc", "abc", 1, false},
      {"pasting twice", 0, 0, "ab", "", 0, {copy}, {paste, paste}, "ab", "abab", 2, false},
      {"nothing selected copies nothing", 0, 0, "abc", "", 0, {end, copy, home, shift_end, cut},
       {paste}, "", "abc", 1, false},
      {"the limit cuts a paste short", 0, 0, "abcdef", "", 4, {copy}, {paste}, "abcdef", "abcd",
       1, false},
      {"a full box takes nothing", 0, 0, "abc", "wxyz", 4, {copy}, {end, paste}, "abc", "wxyz",
       0, false},
      {"a number box takes digits", 0, ES_NUMBER, "2024", "", 0, {copy}, {paste}, "2024",
       "2024", 1, false},
      {"a number box refuses words", 0, ES_NUMBER, "12a", "7", 0, {copy}, {end, paste}, "12a",
       "7", 0, true},
      {"an upper-case box", 0, ES_UPPERCASE, "mixed Case", "", 0, {copy}, {paste}, "mixed Case",
       "MIXED CASE", 1, false},
      {"a read-only box copies", ES_READONLY, 0, "fixed", "", 0, {copy}, {paste}, "fixed",
       "fixed", 1, false},
      {"a read-only box does not cut", ES_READONLY, 0, "fixed", "", 0, {cut}, {paste}, "fixed",
       "earlier", 1, false},
      {"a read-only box takes no paste", 0, ES_READONLY, "abc", "keep", 0, {copy}, {paste},
       "abc", "keep", 0, true},
      {"a password is not copied", ES_PASSWORD, 0, "secret", "", 0, {copy}, {paste}, "secret",
       "earlier", 1, false},
  };
  // clang-format on
  for (const EditCase& c : cases) {
    put_text("earlier");
    KelmScriptedFrontEnd person;
    CTwoEditsDlg dlg(c.from_style, c.to_style);
    dlg.m_strFromInitial = c.from;
    dlg.m_strToInitial = c.to;
    dlg.m_nToLimit = c.to_limit;
    for (const auto& [key, modifiers] : c.in_from) person.Press(key, modifiers);
    person.Press(VK_TAB);
    for (const auto& [key, modifiers] : c.in_to) person.Press(key, modifiers);
    person.Click(IDOK);
    EXPECT_EQ(IDOK, dlg.DoModal()) << c.name;
    EXPECT_EQ(CString(c.want_from), dlg.m_strFrom) << c.name;
    EXPECT_EQ(CString(c.want_to), dlg.m_strTo) << c.name;
    EXPECT_EQ(c.to_changes, dlg.m_nToChanges) << c.name;
    bool beeped = false;
    for (const CString& line : person.Shown()) beeped = beeped || line == "beep";
    EXPECT_EQ(c.beeps, beeped) << c.name;
  }
}

TEST(EditClipboard, MessagesWorkOnTheSelectionAndAOneLineBoxTakesTheFirstLine) {
  put_text("first line\r\nsecond line");
  KelmScriptedFrontEnd person;
  CTwoEditsDlg dlg(0, ES_MULTILINE);
  dlg.m_strFromInitial = "abc";
  person
      .Then([] {
        HWND from = GetFocus();
        SendMessageA(from, WM_PASTE, 0, 0);
        char text[64] = {};
        GetWindowTextA(from, text, sizeof text);
        EXPECT_EQ(std::string("first line"), text) << "a one-line box pastes the first line";
        SendMessageA(from, EM_SETSEL, 0, 6);
        SendMessageA(from, WM_CLEAR, 0, 0);
        GetWindowTextA(from, text, sizeof text);
        EXPECT_EQ(std::string("line"), text);
        EXPECT_EQ("first line\r\nsecond line", get_text()) << "WM_CLEAR leaves the clipboard";
        SendMessageA(from, EM_SETSEL, 1, 3);
        SendMessageA(from, WM_CUT, 0, 0);
        EXPECT_EQ("in", get_text());
        HWND to = GetNextDlgTabItem(GetParent(from), from, FALSE);
        put_text("two\r\nlines");
        SendMessageA(to, WM_PASTE, 0, 0);
      })
      .Click(IDOK);
  ASSERT_EQ(IDOK, dlg.DoModal());
  EXPECT_EQ(CString("le"), dlg.m_strFrom);
  EXPECT_EQ(CString("two\r\nlines"), dlg.m_strTo) << "a multi-line box pastes it all";
}

}  // namespace
