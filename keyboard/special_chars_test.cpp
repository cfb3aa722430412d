// The special-character dialog driven as a person drives it: keys and list
// clicks, the position remembered in the host's profile file, Cancel.
#include "keyboard/special_chars.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/profile.h"
#include "platform/ui/scripted/scripted_front_end.h"
#include "resources/resource.h"
#include "testing/scratch_folder.h"

namespace {

// A host application whose profile is an INI file in a scratch folder.
class SpecialCharsTest : public ::testing::Test {
 protected:
  SpecialCharsTest() { m_host.SetProfileFile(m_ini.c_str()); }

  int stored() const {
    return static_cast<int>(
        GetPrivateProfileIntA("GeneralOptions", "Last Special Char", -100, m_ini.c_str()));
  }

  const ScratchFolder m_folder;
  const std::string m_ini = m_folder.path("host.ini");
  CWinApp m_host{"KelmTest"};
};

HWND active_list() {
  HWND tops[4];
  const int count = KelmGetTopLevelWindows(tops, 4);
  return count == 0 ? nullptr : GetDlgItem(tops[count - 1], IDC_SPECIAL_CHARS);
}

std::vector<std::string> items_of(HWND list) {
  std::vector<std::string> items;
  const auto count = SendMessageA(list, LB_GETCOUNT, 0, 0);
  for (WPARAM i = 0; i < static_cast<WPARAM>(count); ++i) {
    char text[16] = {};
    SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
    items.emplace_back(text);
  }
  return items;
}

int position_of(const std::vector<std::string>& items, char c) {
  for (size_t i = 0; i < items.size(); ++i)
    if (items[i] == std::string(1, c)) return static_cast<int>(i);
  return -1;
}

TEST_F(SpecialCharsTest, ListsBytes161To255InTheSystemsOrderInABoldFont) {
  KelmScriptedFrontEnd person;
  std::vector<std::string> items;
  LOGFONT font{};
  person.Then([&] {
    items = items_of(active_list());
    const auto hFont = reinterpret_cast<HGDIOBJ>(SendMessageA(active_list(), WM_GETFONT, 0, 0));
    GetObjectA(hFont, sizeof font, &font);
  });
  person.Press(VK_ESCAPE);
  EXPECT_EQ("", CKMSpecialChars::GetSpecialChar());
  ASSERT_EQ(95u, items.size());
  for (int code = 161; code <= 255; ++code)
    EXPECT_NE(-1, position_of(items, static_cast<char>(code))) << "byte " << code;
  for (size_t i = 1; i < items.size(); ++i)
    EXPECT_LE(KelmCompareStringUser(items[i - 1].c_str(), items[i].c_str()), 0)
        << "items " << i - 1 << " and " << i;
  // Not byte order: the superscript one sorts among the digits, after every
  // symbol, the inverted question mark included.
  EXPECT_LT(position_of(items, '\xBF'), position_of(items, '\xB9'));
  EXPECT_EQ(-15, font.lfHeight);
  EXPECT_EQ(FW_BOLD, font.lfWeight);
  EXPECT_STREQ("Arial", font.lfFaceName);
}

TEST_F(SpecialCharsTest, ChosenByKeysThenByClickAndRememberedByPosition) {
  std::vector<std::string> items;
  {
    KelmScriptedFrontEnd person;
    person.Then([&] { items = items_of(active_list()); }).Press(VK_RETURN);
    // First use: the first item is selected, and OK stores its position.
    EXPECT_EQ(items.at(0), std::string(CKMSpecialChars::GetSpecialChar()));
    EXPECT_EQ(0, stored());
  }
  {
    KelmScriptedFrontEnd person;
    person.Press(VK_DOWN).Press(VK_DOWN).Press(VK_DOWN).Press(VK_RETURN);
    EXPECT_EQ(items.at(3), std::string(CKMSpecialChars::GetSpecialChar()));
    EXPECT_EQ(3, stored());
    EXPECT_NE(std::string::npos, ReadWholeFile(m_ini).find("Last Special Char=3"))
        << ReadWholeFile(m_ini);
  }
  {
    KelmScriptedFrontEnd person;
    person.Snapshot().SelectItem(IDC_SPECIAL_CHARS, "\xE9").Click(IDOK);
    EXPECT_EQ("\xE9", CKMSpecialChars::GetSpecialChar());
    const std::string opened = "*list 13032 sel 3 of 95 \"" + items.at(3) + "\"";
    EXPECT_EQ(CString(opened.c_str()), person.Shown().at(2)) << "opens on the stored position";
    EXPECT_EQ(position_of(items, '\xE9'), stored()) << "a list position, not the code";
  }
}

TEST_F(SpecialCharsTest, CancelAndEscapeReturnNothingAndKeepTheStoredPosition) {
  WritePrivateProfileStringA("GeneralOptions", "Last Special Char", "7", m_ini.c_str());
  for (const bool by_key : {true, false}) {
    KelmScriptedFrontEnd person;
    person.Press(VK_DOWN);
    if (by_key)
      person.Press(VK_ESCAPE);
    else
      person.Click(IDCANCEL);
    EXPECT_EQ("", CKMSpecialChars::GetSpecialChar()) << (by_key ? "Esc" : "Cancel");
    EXPECT_EQ(7, stored()) << (by_key ? "Esc" : "Cancel");
  }
}

TEST_F(SpecialCharsTest, APositionNoLongerInTheListSelectsNothingAndOkStoresMinusOne) {
  WritePrivateProfileStringA("GeneralOptions", "Last Special Char", "95", m_ini.c_str());
  {
    KelmScriptedFrontEnd person;
    person.Press(VK_RETURN);
    EXPECT_EQ("", CKMSpecialChars::GetSpecialChar());
    EXPECT_EQ(-1, stored());
  }
  KelmScriptedFrontEnd person;
  person.Snapshot().Press(VK_RETURN);
  EXPECT_EQ("", CKMSpecialChars::GetSpecialChar());
  EXPECT_EQ(CString("*list 13032 sel -1 of 95"), person.Shown().at(2).Left(24));
}

}  // namespace
