// The scripted front end as hosts' tests use it: linked beside the shared
// library, with only what the library exports, driving one of its dialogs.
// Guards against public calls the shared library keeps hidden (its text
// operators once were).
#include <gtest/gtest.h>

#include "platform/ui/controls.h"
#include "platform/ui/dialog.h"
#include "platform/ui/scripted/scripted_front_end.h"
#include "resources/resource.h"

namespace {

class CPickDlg : public CDialog {
 public:
  CPickDlg() : CDialog(IDD_SPECIAL_CHAR) {}
  int m_nSelChanges = 0;
  CString m_strChosen;

 protected:
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    auto* list = static_cast<CListBox*>(GetDlgItem(IDC_SPECIAL_CHARS));
    for (int c = 161; c <= 255; ++c) list->AddString(CString(static_cast<char>(c)));
    return TRUE;
  }
  void DoDataExchange(CDataExchange* pDX) override {
    DDX_LBString(pDX, IDC_SPECIAL_CHARS, m_strChosen);
  }
  void OnSelChange() { ++m_nSelChanges; }
  const AFX_MSGMAP* GetMessageMap() const override {
    static const AFX_MSGMAP map{CDialog::GetMessageMap(),
                                {ON_LBN_SELCHANGE(IDC_SPECIAL_CHARS, &CPickDlg::OnSelChange)}};
    return &map;
  }
};

TEST(ScriptedWithSharedLibrary, DrivesTheLibrarysDialog) {
  KelmScriptedFrontEnd person;
  CPickDlg dlg;
  person.SelectItem(IDC_SPECIAL_CHARS, "\xE9").Press(VK_RETURN);
  ASSERT_EQ(IDOK, dlg.DoModal());
  EXPECT_EQ(1, dlg.m_nSelChanges);
  EXPECT_EQ(CString("\xE9"), dlg.m_strChosen);
  EXPECT_EQ("open Insert Special Character", person.Shown().front());
}

}  // namespace
