// Edits and trackbars as a person uses them: typing into the text and its
// selection, the limit and read-only refusals, and a trackbar's keys and
// clicks with the scroll notifications its dialog handles.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/controls.h"
#include "platform/ui/dialog.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/scripted/scripted_front_end.h"

namespace {

constexpr UINT IDD_CONTROLS = 30004;
constexpr int IDC_TEXT = 1030;
constexpr int IDC_SLIDER = 1031;

class CControlsDlg : public CDialog {
 public:
  explicit CControlsDlg(DWORD edit_style) : CDialog(IDD_CONTROLS) {
    KelmDialogTemplate t;
    t.id = IDD_CONTROLS;
    t.caption = "Controls";
    t.style = WS_POPUP | WS_CAPTION;
    t.cx = 160;
    t.cy = 80;
    t.controls = {
        {"EDIT", IDC_TEXT, "", 5, 5, 100, 12, WS_VISIBLE | WS_TABSTOP | edit_style},
        {"msctls_trackbar32", IDC_SLIDER, "", 5, 25, 100, 12, WS_VISIBLE | WS_TABSTOP},
        {"BUTTON", IDOK, "OK", 110, 5, 40, 14, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
    };
    KelmRegisterDialogTemplate(t);
  }

  CString m_strInitial;
  int m_nLimit = 0;
  CString m_strText;
  int m_nChanges = 0;
  std::vector<std::string> m_scrolls;

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    auto* edit = static_cast<CEdit*>(GetDlgItem(IDC_TEXT));
    edit->SetWindowText(m_strInitial);
    if (m_nLimit > 0) edit->LimitText(m_nLimit);
    auto* slider = static_cast<CSliderCtrl*>(GetDlgItem(IDC_SLIDER));
    slider->SetRange(0, 20);
    slider->SetPos(10);
    m_nChanges = 0;
    edit->SetSel(0, -1);
    return TRUE;
  }
  void OnOK() override {
    GetDlgItemText(IDC_TEXT, m_strText);
    CDialog::OnOK();
  }
  void OnChange() { ++m_nChanges; }
  void OnHScroll(UINT nSBCode, UINT nPos, CScrollBar* pBar) {
    m_scrolls.push_back(std::to_string(nSBCode) + ":" + std::to_string(nPos) + ":" +
                        std::to_string(reinterpret_cast<CSliderCtrl*>(pBar)->GetPos()));
  }
  const AFX_MSGMAP* GetMessageMap() const override {
    static const AFX_MSGMAP map{
        CDialog::GetMessageMap(),
        {ON_EN_CHANGE(IDC_TEXT, &CControlsDlg::OnChange), ON_WM_HSCROLL(&CControlsDlg::OnHScroll)}};
    return &map;
  }
};

struct EditCase {
  const char* name;
  DWORD style;
  const char* initial;
  int limit;
  std::vector<std::pair<int, UINT>> keys;  // after typing "typed"
  const char* typed;
  const char* want;
  int changes;
  bool beeps;
};

TEST(EditTest, TypingEditsTheSelectionWithinTheLimits) {
  const std::pair<int, UINT> back{VK_BACK, 0}, home{VK_HOME, 0}, del{VK_DELETE, 0},
      shift_left{VK_LEFT, KELM_MOD_SHIFT}, shift_z{'Z', KELM_MOD_SHIFT};
  const EditCase cases[] = {
      {"typing replaces the selected text", 0, "old", 0, {}, "new", "new", 3, false},
      {"backspace deletes before the caret", 0, "", 0, {back}, "abc", "ab", 4, false},
      {"Home and Delete", 0, "", 0, {home, del}, "abc", "bc", 4, false},
      {"Shift+Left selects", 0, "", 0, {shift_left, shift_left, shift_z}, "abc", "aZ", 4, false},
      {"the limit refuses more", 0, "", 3, {}, "abcdef", "abc", 3, true},
      {"read-only takes nothing", ES_READONLY, "keep", 0, {back}, "x", "keep", 0, true},
      {"numbers only", ES_NUMBER, "", 0, {}, "1a2", "12", 2, true},
      {"upper case", ES_UPPERCASE, "", 0, {}, "ab\xE9", "AB\xE9", 3, false},
  };
  for (const EditCase& c : cases) {
    KelmScriptedFrontEnd person;
    CControlsDlg dlg(c.style);
    dlg.m_strInitial = c.initial;
    dlg.m_nLimit = c.limit;
    person.Type(c.typed);
    for (const auto& [key, modifiers] : c.keys) person.Press(key, modifiers);
    person.Click(IDOK);
    EXPECT_EQ(IDOK, dlg.DoModal()) << c.name;
    EXPECT_EQ(CString(c.want), dlg.m_strText) << c.name;
    EXPECT_EQ(c.changes, dlg.m_nChanges) << c.name;
    bool beeped = false;
    for (const CString& line : person.Shown()) beeped = beeped || line == "beep";
    EXPECT_EQ(c.beeps, beeped) << c.name;
  }
}

TEST(TrackbarTest, KeysAndClicksMoveItAndTellTheDialog) {
  KelmScriptedFrontEnd person;
  CControlsDlg dlg(0);
  person.Press(VK_TAB)
      .Press(VK_RIGHT)
      .Press(VK_NEXT)
      .Press(VK_HOME)
      .Press(VK_LEFT)
      .Click(IDC_SLIDER)
      .Press(VK_ESCAPE);
  EXPECT_EQ(IDCANCEL, dlg.DoModal());
  const std::vector<std::string> want = {
      "1:0:11",  "8:0:11",  // a line right, then the end of the move
      "3:0:15",  "8:0:15",  // a page is a fifth of the range
      "6:0:0",   "8:0:0",   // Home
      "4:10:10", "8:0:10",  // a click in the middle puts the thumb there
  };
  EXPECT_EQ(want, dlg.m_scrolls) << "Left at the start moves nothing and tells nothing";
}

}  // namespace
