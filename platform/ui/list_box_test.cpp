// List and combo boxes: the system's string order of sorted lists, the
// notifications a person's choices send, and the item calls dialogs use.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/controls.h"
#include "platform/ui/dialog.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/scripted/scripted_front_end.h"

namespace {

TEST(CompareStringUserTest, OrdersLettersBeforeAccentsBeforeCase) {
  struct Case {
    const char* a;
    const char* b;
    int sign;
  };
  const Case cases[] = {
      {"a", "b", -1},    {"b", "A", 1},     {"a", "A", -1},      {"apple", "Apple", -1},
      {"e", "\xE9", -1}, {"\xE9", "f", -1}, {"\xC9", "\xE9", 1}, {"cote", "c\xF4t\xE9", -1},
      {"!", "0", -1},    {"9", "a", -1},    {"10", "9", -1},     {"\xB2", "3", -1},
      {"\xFE", "z", 1},  {"ab", "a", 1},    {"", "a", -1},       {"same", "same", 0},
      {"\xDF", "t", -1},
  };
  for (const Case& c : cases) {
    const int got = KelmCompareStringUser(c.a, c.b);
    EXPECT_EQ(c.sign, (got > 0) - (got < 0)) << c.a << " against " << c.b;
    const int back = KelmCompareStringUser(c.b, c.a);
    EXPECT_EQ(-c.sign, (back > 0) - (back < 0)) << c.b << " against " << c.a;
  }
}

class ListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_parent.Create("STATIC", "parent", WS_POPUP, CRect(0, 0, 400, 400), nullptr, 0));
    ASSERT_TRUE(m_list.Create(WS_CHILD | WS_VISIBLE | LBS_SORT | LBS_NOTIFY, CRect(0, 0, 100, 160),
                              &m_parent, 10));
  }
  std::vector<std::string> Items() {
    std::vector<std::string> items;
    for (int i = 0; i < m_list.GetCount(); ++i) {
      CString text;
      m_list.GetText(i, text);
      items.emplace_back(text.View());
    }
    return items;
  }
  CWnd m_parent;
  CListBox m_list;
};

TEST_F(ListTest, SortedListKeepsTheSystemOrderAndInsertStringDoesNot) {
  for (const char* s : {"b", "\xE9", "B", "10", "a", "e", "9", "!"}) m_list.AddString(s);
  EXPECT_EQ((std::vector<std::string>{"!", "10", "9", "a", "b", "B", "e", "\xE9"}), Items());
  EXPECT_EQ(0, m_list.InsertString(0, "zz")) << "InsertString puts it where it is told";
  EXPECT_EQ(9, m_list.InsertString(-1, "0"));
  EXPECT_EQ(LB_ERR, m_list.InsertString(42, "x"));
  EXPECT_EQ("zz", Items().front());
  EXPECT_EQ("0", Items().back());
}

TEST_F(ListTest, SelectionFollowsInsertionsAndDeletions) {
  for (const char* s : {"alpha", "bravo", "charlie", "delta"}) m_list.AddString(s);
  EXPECT_EQ(LB_ERR, m_list.GetCurSel());
  EXPECT_EQ(2, m_list.SetCurSel(2));
  EXPECT_EQ(0, m_list.AddString("able")) << "able sorts before alpha";
  EXPECT_EQ(3, m_list.GetCurSel()) << "charlie moved down one, and the selection with it";
  EXPECT_EQ(4, m_list.DeleteString(0));
  EXPECT_EQ(2, m_list.GetCurSel());
  EXPECT_EQ(3, m_list.DeleteString(2));
  EXPECT_EQ(LB_ERR, m_list.GetCurSel()) << "deleting the selected item leaves no selection";
  EXPECT_EQ(LB_ERR, m_list.DeleteString(3));
  EXPECT_EQ(LB_ERR, m_list.SetCurSel(7));
  EXPECT_EQ(LB_ERR, m_list.GetCurSel());
}

TEST_F(ListTest, FindingIgnoresCaseAndSearchesOnAfterTheStart) {
  for (const char* s : {"Bravo", "brave", "alpha", "BRAVO"}) m_list.AddString(s);
  EXPECT_EQ((std::vector<std::string>{"alpha", "brave", "Bravo", "BRAVO"}), Items());
  EXPECT_EQ(1, m_list.FindString(-1, "BR"));
  EXPECT_EQ(2, m_list.FindString(1, "br"));
  EXPECT_EQ(0, m_list.FindString(3, "a")) << "the search wraps round";
  EXPECT_EQ(2, m_list.FindStringExact(-1, "BRAVO"));
  EXPECT_EQ(LB_ERR, m_list.FindStringExact(-1, "brav"));
  EXPECT_EQ(LB_ERR, m_list.FindString(-1, "z"));
  EXPECT_EQ(1, m_list.SelectString(-1, "brav"));
  EXPECT_EQ(1, m_list.GetCurSel());
}

TEST_F(ListTest, ItemDataStaysWithItsItem) {
  m_list.AddString("m");
  m_list.SetItemData(0, 13);
  m_list.AddString("a");
  EXPECT_EQ(13u, m_list.GetItemData(1));
  EXPECT_EQ(0u, m_list.GetItemData(0));
  EXPECT_EQ(static_cast<DWORD_PTR>(LB_ERR), m_list.GetItemData(5));
  char buffer[8] = "zzzzzzz";
  EXPECT_EQ(LB_ERR, m_list.GetText(5, buffer));
  EXPECT_STREQ("zzzzzzz", buffer) << "an index past the end leaves the buffer alone";
}

constexpr UINT IDD_PICK = 30002;
constexpr int IDC_LIST = 1010;
constexpr int IDC_PLAIN = 1011;

class CPickDlg : public CDialog {
 public:
  CPickDlg() : CDialog(IDD_PICK) {
    KelmDialogTemplate t;
    t.id = IDD_PICK;
    t.caption = "Pick";
    t.style = WS_POPUP | WS_CAPTION;
    t.cx = 150;
    t.cy = 100;
    t.controls = {
        {"LISTBOX", IDC_LIST, "", 5, 5, 60, 40,
         WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_SORT | LBS_NOTIFY},
        {"LISTBOX", IDC_PLAIN, "", 70, 5, 60, 40, WS_VISIBLE | WS_TABSTOP},
        {"BUTTON", IDOK, "OK", 5, 80, 40, 14, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
        {"BUTTON", IDCANCEL, "Cancel", 50, 80, 40, 14, WS_VISIBLE | WS_TABSTOP},
    };
    KelmRegisterDialogTemplate(t);
  }

  std::vector<std::string> m_events;

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    auto* list = static_cast<CListBox*>(GetDlgItem(IDC_LIST));
    auto* plain = static_cast<CListBox*>(GetDlgItem(IDC_PLAIN));
    for (int c = 161; c <= 255; ++c) {
      list->AddString(CString(static_cast<char>(c)));
      plain->AddString(CString(static_cast<char>(c)));
    }
    list->SetCurSel(0);
    return TRUE;
  }
  void Note(const char* what) {
    auto* list = static_cast<CListBox*>(GetDlgItem(IDC_LIST));
    m_events.push_back(std::string(what) + " " + std::to_string(list->GetCurSel()));
  }
  void OnSelChange() { Note("selchange"); }
  void OnDblClk() { Note("dblclk"); }
  void OnPlainSelChange() { m_events.push_back("plain selchange"); }

  const AFX_MSGMAP* GetMessageMap() const override {
    static const AFX_MSGMAP map{CDialog::GetMessageMap(),
                                {ON_LBN_SELCHANGE(IDC_LIST, &CPickDlg::OnSelChange),
                                 ON_LBN_DBLCLK(IDC_LIST, &CPickDlg::OnDblClk),
                                 ON_LBN_SELCHANGE(IDC_PLAIN, &CPickDlg::OnPlainSelChange)}};
    return &map;
  }
};

TEST(ListNotificationTest, PersonsChoicesNotifyAndTheProgramsDoNot) {
  KelmScriptedFrontEnd person;
  CPickDlg dlg;
  int top_after_end = -1;
  int top_after_wheel = -1;
  person.Press(VK_DOWN)
      .Press(VK_DOWN)
      .Press(VK_UP)
      .SelectItem(IDC_LIST, "\xFF")
      .Then([&] {
        top_after_end =
            static_cast<int>(SendDlgItemMessageA(dlg.m_hWnd, IDC_LIST, LB_GETTOPINDEX, 0, 0));
      })
      .SelectItem(IDC_LIST, "\xFF", TRUE)
      .Wheel(IDC_LIST, 2)
      .Then([&] {
        top_after_wheel =
            static_cast<int>(SendDlgItemMessageA(dlg.m_hWnd, IDC_LIST, LB_GETTOPINDEX, 0, 0));
      })
      .Press(VK_HOME)
      .SelectItem(IDC_PLAIN, "\xA1")
      .Press(VK_ESCAPE);
  EXPECT_EQ(IDCANCEL, dlg.DoModal());
  // ÿ sorts among the y's, well before thorn at the end of the sorted list.
  ASSERT_EQ(6u, dlg.m_events.size()) << "a list without LBS_NOTIFY tells nothing";
  const std::string y_umlaut = dlg.m_events[3].substr(dlg.m_events[3].find(' ') + 1);
  EXPECT_GT(94, std::stoi(y_umlaut));
  // Clicking the selected item again changes nothing; the double click is told.
  const std::vector<std::string> want = {"selchange 1",        "selchange 2",
                                         "selchange 1",        "selchange " + y_umlaut,
                                         "dblclk " + y_umlaut, "selchange 0"};
  EXPECT_EQ(want, dlg.m_events);
  EXPECT_GT(top_after_end, 0) << "the list scrolled to show the item";
  EXPECT_EQ(top_after_end - 6, top_after_wheel) << "two notches up scroll six rows";
}

constexpr UINT IDD_WORDS = 30003;
constexpr int IDC_WORD = 1020;

// A word field over its always-open list, as the lexicon editor has one.
class CWordsDlg : public CDialog {
 public:
  CWordsDlg() : CDialog(IDD_WORDS) {
    KelmDialogTemplate t;
    t.id = IDD_WORDS;
    t.caption = "Words";
    t.style = WS_POPUP | WS_CAPTION;
    t.cx = 120;
    t.cy = 100;
    t.controls = {
        {"COMBOBOX", IDC_WORD, "", 5, 5, 80, 60,
         WS_VISIBLE | WS_TABSTOP | CBS_SIMPLE | CBS_SORT | CBS_AUTOHSCROLL},
        {"BUTTON", IDOK, "OK", 5, 80, 40, 14, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
    };
    t.controls[0].initialStrings = {"echo", "alpha", "delta", "charlie"};
    KelmRegisterDialogTemplate(t);
  }

  std::vector<std::string> m_events;

 protected:
  void Note(const char* what) {
    CString text;
    GetDlgItemText(IDC_WORD, text);
    const int sel = static_cast<CComboBox*>(GetDlgItem(IDC_WORD))->GetCurSel();
    m_events.push_back(std::string(what) + " " + std::to_string(sel) + " " +
                       std::string(text.View()));
  }
  void OnEditChange() { Note("edit"); }
  void OnSelChange() { Note("sel"); }

  const AFX_MSGMAP* GetMessageMap() const override {
    static const AFX_MSGMAP map{CDialog::GetMessageMap(),
                                {ON_CBN_EDITCHANGE(IDC_WORD, &CWordsDlg::OnEditChange),
                                 ON_CBN_SELCHANGE(IDC_WORD, &CWordsDlg::OnSelChange)}};
    return &map;
  }
};

TEST(ComboNotificationTest, SimpleComboTellsEditsAndChoices) {
  KelmScriptedFrontEnd person;
  CWordsDlg dlg;
  person.Type("ch").Press(VK_BACK).SelectItem(IDC_WORD, "delta").Press(VK_DOWN).Press(VK_ESCAPE);
  EXPECT_EQ(IDCANCEL, dlg.DoModal());
  const std::vector<std::string> want = {"edit -1 c", "edit -1 ch", "edit -1 c", "sel 2 delta",
                                         "sel 3 echo"};
  EXPECT_EQ(want, dlg.m_events);
}

}  // namespace
