// A scripted person, for tests of the library's dialogs and of hosts' own:
// the test queues the actions a person would take, runs the code that shows
// the dialogs, and then reads what was shown.
//
//   KelmScriptedFrontEnd person;   // active until destroyed
//   person.Type("11").Press(VK_RETURN).Answer(IDOK).Press(VK_ESCAPE);
//   EXPECT_EQ(IDCANCEL, dialog.DoModal());
//   EXPECT_EQ("message: Please enter an integer between 0 and 10.", person.Shown()[1]);
//
// Each action is taken when the program waits for input (a modal loop, or a
// host's loop asking whether input is there), one action per wait, so a
// host's idle processing runs between actions as it would between a
// person's. A program that waits for input the script does not give, or a
// message box the script does not answer, throws KelmScriptError naming the
// script's position: a test fails, it never hangs.
//
// Ships in its own library (KelmLib::testing), linked beside the library.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/message.h"
#include "platform/string.h"
#include "platform/ui/front_end.h"
#include "platform/ui/win_user.h"

class KelmScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class KelmScriptedFrontEnd : public KelmFrontEnd {
 public:
  // Becomes the active front end; the one before comes back when this goes.
  KelmScriptedFrontEnd();
  ~KelmScriptedFrontEnd() override;

  // The script, in order.
  // Types each character of text (Windows-1252) into the focused control.
  KelmScriptedFrontEnd& Type(LPCSTR text);
  // Presses a key (VK_*, or a letter or digit) with KELM_MOD_* modifiers.
  KelmScriptedFrontEnd& Press(int nVirtKey, UINT nModifiers = 0);
  // Clicks the middle of the control nID of the active dialog.
  KelmScriptedFrontEnd& Click(int nID);
  // Clicks (or double-clicks) the item of list or combo box nID whose text
  // is lpszItem, scrolling it into view first as a person would.
  KelmScriptedFrontEnd& SelectItem(int nID, LPCSTR lpszItem, BOOL bDoubleClick = FALSE);
  // Turns the mouse wheel over control nID by notches (positive: away).
  KelmScriptedFrontEnd& Wheel(int nID, int nNotches);
  // Answers the next message box with IDOK, IDYES, ...
  KelmScriptedFrontEnd& Answer(int nAnswer);
  // Lets time pass (for timers) before the next action.
  KelmScriptedFrontEnd& Wait(int nMilliseconds);
  // Runs a check of the test's at this point of the script.
  KelmScriptedFrontEnd& Then(std::function<void()> check);
  // Records the active dialog's controls in Shown() (see Describe).
  KelmScriptedFrontEnd& Snapshot();

  // What was shown, one line an event: "open CAPTION", "close CAPTION",
  // "message CAPTION: TEXT", "beep", and snapshots' lines.
  const std::vector<CString>& Shown() const { return m_shown; }
  // Actions taken so far, and those still queued.
  int Position() const { return m_position; }
  int Remaining() const { return static_cast<int>(m_actions.size()) - m_position; }

  // One line per control of a dialog, in tab order: class, ID, text and
  // state, the focus marked with '*' (for example "*edit 1001 \"11\"",
  // "check 1002 [x] \"&Enable\"", "list 1003 sel 2 of 5 \"b\"").
  static std::vector<CString> Describe(HWND hDlg);

  BOOL WaitForInput(int nTimeoutMs) override;
  int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) override;
  void WindowShown(HWND hWnd) override;
  void WindowHidden(HWND hWnd) override;
  void Beep(UINT nType) override;

 private:
  struct Action {
    std::string what;  // for error messages
    std::function<void()> run;
    int answer = 0;  // an Answer action's answer; 0 for others
    bool posts = true;
    bool ends_wait = false;  // a pause, after which the program looks again
  };
  KelmScriptedFrontEnd& Add(std::string what, std::function<void()> run, bool posts = true);
  [[noreturn]] void Fail(const std::string& reason) const;
  HWND Control(int nID) const;

  KelmFrontEnd* m_previous;
  std::vector<Action> m_actions;
  int m_position = 0;
  bool m_just_acted = false;
  int m_polls_after_end = 0;
  std::vector<CString> m_shown;
};
