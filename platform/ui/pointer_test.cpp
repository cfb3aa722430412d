// The mouse as a front end reports it and the windows it lands on: which
// messages KelmPostMouse posts, with which buttons held, which window a press
// activates, and the owner that a modal dialog disables and answers to.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/dialog.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/front_end.h"
#include "platform/ui/scripted/scripted_front_end.h"

namespace {

// A shown top-level window of 200 by 100 pixels with an edit in its top
// left quarter.
class TopWindow {
 public:
  explicit TopWindow(int x = 0)
      : m_hWnd(CreateWindowExA(0, "STATIC", "top", WS_POPUP | WS_VISIBLE, x, 0, 200, 100, nullptr,
                               nullptr, nullptr, nullptr)),
        m_hEdit(CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 50, m_hWnd,
                                reinterpret_cast<HMENU>(INT_PTR{7}), nullptr, nullptr)) {}
  ~TopWindow() { DestroyWindow(m_hWnd); }
  HWND top() const { return m_hWnd; }
  HWND edit() const { return m_hEdit; }

 private:
  HWND m_hWnd;
  HWND m_hEdit;
};

// Win32 messages the platform does not take from a front end.
constexpr UINT middle_button_down = 0x0207;  // WM_MBUTTONDOWN
constexpr UINT caption_press = 0x00A1;       // WM_NCLBUTTONDOWN

// The message posted last, taken off the queue; message 0 when none was.
MSG taken() {
  MSG msg{};
  if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) msg.message = 0;
  return msg;
}

TEST(PostMouse, PostsTheMessagesItNamesWithTheButtonsHeld) {
  const TopWindow window;
  struct Step {
    UINT message;
    POINT at;
    short wheel;
    BOOL posted;
    WPARAM wParam;  // the buttons held; a wheel's distance is added in its high word
  };
  const WPARAM left = MK_LBUTTON, right = MK_RBUTTON;
  const Step steps[] = {
      {WM_MOUSEMOVE, {10, 10}, 0, TRUE, 0},
      {WM_LBUTTONDOWN, {10, 10}, 0, TRUE, left},
      {WM_MOUSEMOVE, {12, 10}, 0, TRUE, left},
      {WM_RBUTTONDOWN, {12, 10}, 0, TRUE, left | right},
      {WM_LBUTTONUP, {12, 10}, 0, TRUE, right},
      {WM_MOUSEWHEEL, {12, 10}, -WHEEL_DELTA, TRUE, right},
      {WM_RBUTTONUP, {12, 10}, 0, TRUE, 0},
      {WM_LBUTTONDBLCLK, {150, 80}, 0, TRUE, left},
      {WM_LBUTTONUP, {150, 80}, 0, TRUE, 0},
      {WM_MOUSEWHEEL, {150, 80}, 2 * WHEEL_DELTA, TRUE, 0},
      // Refused: messages it does not name, and points outside.
      {middle_button_down, {10, 10}, 0, FALSE, 0},
      {WM_KEYDOWN, {10, 10}, 0, FALSE, 0},
      {caption_press, {10, 10}, 0, FALSE, 0},
      {WM_LBUTTONDOWN, {200, 10}, 0, FALSE, 0},
      {WM_LBUTTONDOWN, {-1, 10}, 0, FALSE, 0},
      {WM_LBUTTONUP, {10, 10}, 0, TRUE, 0},
  };
  for (const Step& step : steps) {
    const std::string shown = "message " + std::to_string(step.message) + " at " +
                              std::to_string(step.at.x) + "," + std::to_string(step.at.y);
    EXPECT_EQ(step.posted, KelmPostMouse(window.top(), step.message, step.at, step.wheel)) << shown;
    const MSG msg = taken();
    if (!step.posted) {
      EXPECT_EQ(0u, msg.message) << shown << ": nothing is posted";
      continue;
    }
    EXPECT_EQ(step.message, msg.message) << shown;
    EXPECT_EQ(step.at.x < 100 && step.at.y < 50 ? window.edit() : window.top(), msg.hwnd) << shown;
    if (step.message == WM_MOUSEWHEEL) {
      EXPECT_EQ(step.wParam, LOWORD(msg.wParam)) << shown;
      EXPECT_EQ(step.wheel, GET_WHEEL_DELTA_WPARAM(msg.wParam)) << shown;
    } else {
      EXPECT_EQ(step.wParam, msg.wParam) << shown;
    }
  }
}

TEST(PostMouse, APressActivatesAnOlderWindowButNotADisabledOne) {
  const TopWindow older(0), newer(300);
  ASSERT_EQ(newer.top(), GetActiveWindow());
  SetFocus(newer.edit());
  EXPECT_TRUE(KelmPostMouse(older.top(), WM_MOUSEMOVE, POINT{150, 80}));
  EXPECT_EQ(newer.top(), GetActiveWindow()) << "moving over it activates nothing";
  EXPECT_TRUE(KelmPostMouse(older.top(), WM_LBUTTONDOWN, POINT{150, 80}));
  EXPECT_EQ(older.top(), GetActiveWindow()) << "a press does";
  HWND tops[2] = {};
  ASSERT_EQ(2, KelmGetTopLevelWindows(tops, 2));
  EXPECT_EQ(newer.top(), tops[0]);
  EXPECT_EQ(older.top(), tops[1]);
  KelmPostMouse(older.top(), WM_LBUTTONUP, POINT{150, 80});

  KelmPostMouse(newer.top(), WM_LBUTTONDOWN, POINT{150, 80});
  KelmPostMouse(newer.top(), WM_LBUTTONUP, POINT{150, 80});
  EXPECT_EQ(newer.edit(), GetFocus()) << "the focus comes back where it was";
  while (taken().message != 0) {
  }
  EnableWindow(older.top(), FALSE);
  EXPECT_FALSE(KelmPostMouse(older.top(), WM_LBUTTONDOWN, POINT{10, 10}));
  EXPECT_EQ(0u, taken().message) << "a disabled window takes no click";
  EXPECT_EQ(newer.top(), GetActiveWindow());
  EXPECT_FALSE(IsWindowEnabled(older.top())) << "and stays disabled";
}

constexpr UINT IDD_OWNED = 30020;

class COwnedDlg : public CDialog {
 public:
  COwnedDlg() : CDialog(IDD_OWNED) {
    KelmDialogTemplate t;
    t.id = IDD_OWNED;
    t.caption = "Owned";
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    t.cx = 100;
    t.cy = 40;
    t.controls = {
        {"BUTTON", IDOK, "&OK", 5, 5, 40, 14, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
        {"BUTTON", IDCANCEL, "Cancel", 50, 5, 40, 14, WS_VISIBLE | WS_TABSTOP},
    };
    KelmRegisterDialogTemplate(t);
  }
};

TEST(ModalOwner, ADialogWithoutParentIsOwnedByTheWindowItDisables) {
  KelmScriptedFrontEnd person;
  const TopWindow main_window;
  COwnedDlg dlg;
  person.Then([&] {
    HWND dialog = GetActiveWindow();
    EXPECT_NE(main_window.top(), dialog);
    EXPECT_EQ(main_window.top(), GetWindow(dialog, GW_OWNER));
    EXPECT_FALSE(IsWindowEnabled(main_window.top()));
    EXPECT_EQ(main_window.edit(), GetWindow(main_window.top(), GW_CHILD))
        << "an owned window is none of its owner's children";
    EXPECT_EQ(nullptr, GetWindow(main_window.edit(), GW_HWNDNEXT));
    EXPECT_FALSE(KelmPostMouse(main_window.top(), WM_LBUTTONDOWN, POINT{150, 80}))
        << "the disabled owner takes no click";
    EXPECT_EQ(dialog, GetActiveWindow());
  });
  // The close button of a window posts WM_CLOSE: a dialog takes it as Cancel.
  person.Then([] { PostMessageA(GetActiveWindow(), WM_CLOSE, 0, 0); }).Wait(0);
  EXPECT_EQ(IDCANCEL, dlg.DoModal());
  EXPECT_TRUE(IsWindowEnabled(main_window.top()));
  EXPECT_EQ(main_window.top(), GetActiveWindow());
}

TEST(ModalOwner, DestroyingAnOwnerDestroysTheWindowsItOwns) {
  HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                               nullptr, nullptr, nullptr);
  HWND owned = CreateWindowExA(0, "STATIC", "owned", WS_POPUP | WS_VISIBLE, 10, 10, 20, 20, owner,
                               nullptr, nullptr, nullptr);
  ASSERT_EQ(owner, GetWindow(owned, GW_OWNER));
  EXPECT_EQ(nullptr, GetWindow(owner, GW_CHILD));
  DestroyWindow(owner);
  EXPECT_FALSE(IsWindow(owned));
  EXPECT_EQ(0, KelmGetTopLevelWindows(nullptr, 0));
}

}  // namespace
