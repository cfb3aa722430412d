// Validation of what a person typed, at the edges: DDX_Text's number reading
// at the ends of each type, and each DDV_ function at both bounds and one
// past each, through UpdateData as a dialog's OK calls it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/message.h"
#include "platform/ui/dialog.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/scripted/scripted_front_end.h"

namespace {

constexpr UINT IDD_EXCHANGE = 30101;
constexpr int IDC_VALUE = 1001;
constexpr int IDC_OTHER = 1002;

KelmDialogTemplate exchange_template() {
  KelmDialogTemplate t;
  t.id = IDD_EXCHANGE;
  t.caption = "Exchange";
  t.style = DS_MODALFRAME | WS_POPUP | WS_CAPTION;
  t.cx = 120;
  t.cy = 40;
  const DWORD vis = WS_VISIBLE;
  t.controls = {
      {"EDIT", IDC_OTHER, "", 7, 5, 60, 12, vis | WS_BORDER | WS_TABSTOP},
      {"EDIT", IDC_VALUE, "", 7, 20, 60, 12, vis | WS_BORDER | WS_TABSTOP},
  };
  return t;
}

// A dialog whose data exchange is the test's.
class CExchangeDlg : public CDialog {
 public:
  explicit CExchangeDlg(std::function<void(CDataExchange*)> exchange)
      : CDialog(IDD_EXCHANGE), m_exchange(std::move(exchange)) {
    KelmRegisterDialogTemplate(exchange_template());
  }

 protected:
  void DoDataExchange(CDataExchange* pDX) override { m_exchange(pDX); }

 private:
  std::function<void(CDataExchange*)> m_exchange;
};

// What UpdateData(TRUE) made of a text typed into the value's edit: whether
// it was taken, the value stored, and the message shown.
struct Outcome {
  BOOL taken;
  std::string value;
  std::string message;
  int focus;
};

Outcome exchange(const char* typed, const std::function<std::string(CDataExchange*)>& exchange) {
  KelmScriptedFrontEnd person;
  std::vector<std::string> messages;
  const KelmMessageBoxHandler before = KelmSetMessageBoxHandler([&](LPCSTR text, LPCSTR, UINT) {
    messages.emplace_back(text);
    return IDOK;
  });
  std::string value;
  CExchangeDlg dlg([&](CDataExchange* pDX) { value = exchange(pDX); });
  Outcome outcome{FALSE, "", "", 0};
  if (dlg.Create(IDD_EXCHANGE)) {
    dlg.SetDlgItemText(IDC_VALUE, typed);
    ::SetFocus(dlg.GetDlgItem(IDC_OTHER)->m_hWnd);
    outcome.taken = dlg.UpdateData(TRUE);
    outcome.value = value;
    outcome.focus = GetDlgCtrlID(GetFocus());
    dlg.DestroyWindow();
  }
  KelmSetMessageBoxHandler(before);
  for (const std::string& m : messages) outcome.message += m;
  return outcome;
}

struct Case {
  const char* typed;
  BOOL taken;
  const char* value;  // stored, also when refused (as MFC's DDX stores first)
  const char* message;
};

void check(const char* what, const Case& c, const Outcome& got) {
  EXPECT_EQ(c.taken, got.taken) << what << " \"" << c.typed << "\"";
  EXPECT_EQ(c.message, got.message) << what << " \"" << c.typed << "\"";
  if (c.taken) {
    EXPECT_EQ(c.value, got.value) << what << " \"" << c.typed << "\"";
  }
  EXPECT_EQ(c.taken ? IDC_OTHER : IDC_VALUE, got.focus)
      << what << " \"" << c.typed << "\": a refusal puts the focus on the value";
}

constexpr const char* between_0_and_10 = "Please enter an integer between 0 and 10.";
constexpr const char* between_minus = "Please enter an integer between -5 and -1.";
constexpr const char* not_integer = "Please enter an integer.";

// Guards against a bound refused as if it were outside the range (0 in a 0 to
// 10 box), or a value one past it taken.
TEST(DataExchangeTest, MinMaxIntTakesBothBoundsAndRefusesOnePastEach) {
  struct Range {
    int low;
    int high;
    std::vector<Case> cases;
  };
  const Range ranges[] = {
      {0,
       10,
       {{"0", TRUE, "0", ""},
        {"10", TRUE, "10", ""},
        {"5", TRUE, "5", ""},
        {" 7 ", TRUE, "7", ""},
        {"-1", FALSE, "", between_0_and_10},
        {"11", FALSE, "", between_0_and_10}}},
      {-5,
       -1,
       {{"-5", TRUE, "-5", ""},
        {"-1", TRUE, "-1", ""},
        {"-6", FALSE, "", between_minus},
        {"0", FALSE, "", between_minus}}},
      {-2147483647 - 1,
       2147483647,
       {{"-2147483648", TRUE, "-2147483648", ""},
        {"2147483647", TRUE, "2147483647", ""},
        {"-2147483649", FALSE, "", not_integer},
        {"2147483648", FALSE, "", not_integer},
        {"", FALSE, "", not_integer},
        {"4x", FALSE, "", not_integer}}},
      {3,
       3,
       {{"3", TRUE, "3", ""},
        {"2", FALSE, "", "Please enter an integer between 3 and 3."},
        {"4", FALSE, "", "Please enter an integer between 3 and 3."}}},
  };
  for (const Range& r : ranges) {
    const std::string what = "int " + std::to_string(r.low) + " to " + std::to_string(r.high);
    for (const Case& c : r.cases) {
      const Outcome got = exchange(c.typed, [&](CDataExchange* pDX) {
        int value = -99;
        DDX_Text(pDX, IDC_VALUE, value);
        DDV_MinMaxInt(pDX, value, r.low, r.high);
        return std::to_string(value);
      });
      check(what.c_str(), c, got);
    }
  }
  // A long reads the same as an int.
  const Case longs[] = {{"-2147483648", TRUE, "-2147483648", ""},
                        {"2147483648", FALSE, "", not_integer}};
  for (const Case& c : longs)
    check("long", c, exchange(c.typed, [](CDataExchange* pDX) {
            long value = 0;
            DDX_Text(pDX, IDC_VALUE, value);
            return std::to_string(value);
          }));
}

TEST(DataExchangeTest, MinMaxUIntTakesBothBoundsAndRefusesOnePastEach) {
  constexpr const char* positive = "Please enter a positive integer.";
  struct Range {
    UINT low;
    UINT high;
    std::vector<Case> cases;
  };
  const Range ranges[] = {
      {5,
       9,
       {{"5", TRUE, "5", ""},
        {"9", TRUE, "9", ""},
        {"4", FALSE, "", "Please enter an integer between 5 and 9."},
        {"10", FALSE, "", "Please enter an integer between 5 and 9."}}},
      {0,
       4294967295u,
       {{"0", TRUE, "0", ""},
        {"4294967295", TRUE, "4294967295", ""},
        {"-1", FALSE, "", positive},
        {"4294967296", FALSE, "", positive}}},
      {4294967294u,
       4294967295u,
       {{"4294967294", TRUE, "4294967294", ""},
        {"4294967293", FALSE, "", "Please enter an integer between 4294967294 and 4294967295."}}},
  };
  for (const Range& r : ranges) {
    const std::string what = "UINT " + std::to_string(r.low) + " to " + std::to_string(r.high);
    for (const Case& c : r.cases) {
      const Outcome got = exchange(c.typed, [&](CDataExchange* pDX) {
        UINT value = 99;
        DDX_Text(pDX, IDC_VALUE, value);
        DDV_MinMaxUInt(pDX, value, r.low, r.high);
        return std::to_string(value);
      });
      check(what.c_str(), c, got);
    }
  }
}

TEST(DataExchangeTest, MaxCharsTakesTheLimitAndRefusesOneMore) {
  struct Limit {
    int chars;
    std::vector<Case> cases;
  };
  const Limit limits[] = {
      {3,
       {{"", TRUE, "", ""},
        {"abc", TRUE, "abc", ""},
        {"abcd", FALSE, "", "Enter no more than 3 characters."}}},
      {0, {{"", TRUE, "", ""}, {"a", FALSE, "", "Enter no more than 0 characters."}}},
  };
  for (const Limit& l : limits) {
    const std::string what = "at most " + std::to_string(l.chars);
    for (const Case& c : l.cases) {
      const Outcome got = exchange(c.typed, [&](CDataExchange* pDX) {
        CString value;
        DDX_Text(pDX, IDC_VALUE, value);
        DDV_MaxChars(pDX, value, l.chars);
        return std::string(value.GetString());
      });
      check(what.c_str(), c, got);
    }
  }
}

// Loading the controls validates nothing: a value outside its range is shown
// as it is, and the text limit is put on the edit.
TEST(DataExchangeTest, LoadingShowsValuesWithoutValidatingAndLimitsTheText) {
  KelmScriptedFrontEnd person;
  int shown_messages = 0;
  const KelmMessageBoxHandler before = KelmSetMessageBoxHandler([&](LPCSTR, LPCSTR, UINT) {
    ++shown_messages;
    return IDOK;
  });
  int number = 42;
  CString text = "longer than four";
  CExchangeDlg dlg([&](CDataExchange* pDX) {
    DDX_Text(pDX, IDC_VALUE, number);
    DDV_MinMaxInt(pDX, number, 0, 10);
    DDX_Text(pDX, IDC_OTHER, text);
    DDV_MaxChars(pDX, text, 4);
  });
  ASSERT_TRUE(dlg.Create(IDD_EXCHANGE));
  EXPECT_TRUE(dlg.UpdateData(FALSE));
  CString got;
  dlg.GetDlgItem(IDC_VALUE)->GetWindowText(got);
  EXPECT_EQ("42", got);
  EXPECT_EQ(4, static_cast<int>(dlg.GetDlgItem(IDC_OTHER)->SendMessage(EM_GETLIMITTEXT)));
  EXPECT_EQ(0, shown_messages);
  dlg.DestroyWindow();
  KelmSetMessageBoxHandler(before);
}

}  // namespace
