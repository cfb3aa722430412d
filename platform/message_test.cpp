#include "platform/message.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Puts back whatever handler was installed before the test.
class MessageBoxTest : public ::testing::Test {
 protected:
  void SetUp() override { m_saved = KelmSetMessageBoxHandler({}); }
  void TearDown() override { KelmSetMessageBoxHandler(m_saved); }

 private:
  KelmMessageBoxHandler m_saved;
};

TEST_F(MessageBoxTest, InstalledHandlerSeesTheBoxAndAnswers) {
  std::string seen;
  KelmSetMessageBoxHandler([&](LPCSTR text, LPCSTR caption, UINT type) {
    seen = std::string(caption) + "|" + text + "|" + std::to_string(type);
    return IDYES;
  });
  EXPECT_EQ(IDYES, MessageBoxA(nullptr, "Save?", "Kelm", MB_YESNO));
  EXPECT_EQ("Kelm|Save?|4", seen);
  EXPECT_EQ(IDYES, AfxMessageBox(nullptr, MB_OKCANCEL));
  EXPECT_EQ("||1", seen);

  KelmSetMessageBoxHandler({});
  testing::internal::CaptureStderr();
  EXPECT_EQ(IDNO, AfxMessageBox("Save?", MB_YESNO));
  EXPECT_EQ("Save?\n", testing::internal::GetCapturedStderr());
}

TEST_F(MessageBoxTest, DefaultAnswerGoesNoFurther) {
  const struct {
    UINT type;
    int want;
  } cases[] = {
      {MB_OK, IDOK},
      {MB_OKCANCEL, IDOK},
      {MB_YESNO | MB_ICONQUESTION, IDNO},
      {MB_YESNOCANCEL | MB_DEFBUTTON2, IDNO},
      {MB_RETRYCANCEL, IDCANCEL},
      {MB_ABORTRETRYIGNORE, IDABORT},
  };
  for (const auto& c : cases) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(c.want, MessageBoxA(nullptr, "text", "caption", c.type)) << c.type;
    EXPECT_EQ("caption: text\n", testing::internal::GetCapturedStderr()) << c.type;
  }
}

TEST_F(MessageBoxTest, StringResourcesAreCopiedWithTruncation) {
  KelmRegisterString(61001, "Hello");
  const struct {
    UINT id;
    int size;
    int want;
    const char* wantText;
  } cases[] = {
      {61001, 1, 0, ""},        {61001, 3, 2, "He"}, {61001, 6, 5, "Hello"},
      {61001, 100, 5, "Hello"}, {61002, 100, 0, ""},
  };
  for (const auto& c : cases) {
    char buffer[100];
    std::fill(std::begin(buffer), std::end(buffer), '#');
    EXPECT_EQ(c.want, LoadStringA(nullptr, c.id, buffer, c.size)) << c.id << " in " << c.size;
    EXPECT_EQ(std::string(c.wantText), buffer) << c.id << " in " << c.size;
  }
  char untouched = '#';
  EXPECT_EQ(0, LoadStringA(nullptr, 61001, &untouched, 0));
  EXPECT_EQ('#', untouched);

  CString text("kept");
  EXPECT_FALSE(text.LoadString(61002));
  EXPECT_EQ(CString("kept"), text);
  EXPECT_TRUE(text.LoadString(61001));
  EXPECT_EQ(CString("Hello"), text);

  std::string shown;
  KelmSetMessageBoxHandler([&](LPCSTR t, LPCSTR, UINT) {
    shown += std::string(t) + ";";
    return IDOK;
  });
  AfxMessageBox(61001u);
  AfxMessageBox(61002u);
  EXPECT_EQ("Hello;;", shown);
}

}  // namespace
