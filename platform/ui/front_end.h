// The narrow interface between the windows and whoever uses them: a front
// end shows the top-level windows (reading them through the Win32 calls),
// answers message boxes, and turns a person's actions into input messages.
// One front end is active per process, set by the host; a scripted one for
// tests, a terminal one for people, and a GUI toolkit's later, without any
// dialog's code knowing which.
//
// The platform calls the front end on the user-interface thread only.
#pragma once

#include "platform/export.h"
#include "platform/string.h"
#include "platform/ui/win_user.h"

class KelmCharacterGrid;

class KELM_EXPORT KelmFrontEnd {
 public:
  KelmFrontEnd() = default;
  KelmFrontEnd(const KelmFrontEnd&) = delete;
  KelmFrontEnd& operator=(const KelmFrontEnd&) = delete;
  virtual ~KelmFrontEnd();

  // A top-level window appeared, disappeared or is being destroyed.
  virtual void WindowShown(HWND hWnd);
  virtual void WindowHidden(HWND hWnd);
  virtual void WindowDestroyed(HWND hWnd);
  // Something in the top-level window hWnd changed; the front end redraws
  // before it next waits for input.
  virtual void WindowChanged(HWND hWnd);

  // Waits up to nTimeoutMs milliseconds (0: only looks, -1: as long as it
  // takes) for the person's next action and posts it with KelmPostKey or
  // KelmPostMouse. FALSE when nothing was posted. A front end that can never
  // give more input (a script that ran out) reports it here, not by waiting.
  virtual BOOL WaitForInput(int nTimeoutMs) = 0;

  // Shows a message box and returns the button chosen (IDOK, IDYES, ...).
  virtual int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) = 0;
  virtual void Beep(UINT nType);

  // Shows the top-level window hWnd from pGrid (not owned; it must outlive
  // the window's showing) rather than from its child windows; nullptr goes
  // back to the children. A front end without canvases ignores it.
  virtual void SetCanvas(HWND hWnd, const KelmCharacterGrid* pGrid);

  // The system's clipboard, for front ends that have one. PutClipboardText
  // is given the text just placed on the process's clipboard; TRUE when the
  // system's now holds it too. GetClipboardText reads the system's, TRUE
  // with strText set when it holds text. Both in Windows-1252. The defaults
  // have none, and the process keeps its own.
  virtual BOOL PutClipboardText(LPCSTR lpszText);
  virtual BOOL GetClipboardText(CString& strText);
};

// Makes pFrontEnd the active front end (nullptr for none); returns the one
// before. The caller keeps ownership.
KELM_EXPORT KelmFrontEnd* KelmSetFrontEnd(KelmFrontEnd* pFrontEnd);
KELM_EXPORT KelmFrontEnd* KelmGetFrontEnd();

// Modifier bits for KelmPostKey (MK_SHIFT and MK_CONTROL, and Alt).
inline constexpr UINT KELM_MOD_SHIFT = 0x0004;
inline constexpr UINT KELM_MOD_CONTROL = 0x0008;
inline constexpr UINT KELM_MOD_ALT = 0x0020;

// Posts one key press to the focused window: the modifiers' key-down
// messages, the key's down and up (WM_SYSKEYDOWN with Alt), then the
// modifiers' key-up. ch is the Windows-1252 character the key types, 0 when
// it types none; TranslateMessage makes the WM_CHAR from it.
KELM_EXPORT void KelmPostKey(int nVirtKey, char ch, UINT nModifiers);
// Posts a character typed on a key the front end cannot name: its virtual
// key is derived (letters, digits, punctuation) or VK_PACKET.
KELM_EXPORT void KelmPostChar(char ch);
// Posts a mouse action at a point of a top-level window's client area to the
// deepest visible child there: WM_LBUTTONDOWN, WM_LBUTTONUP,
// WM_LBUTTONDBLCLK, WM_RBUTTONDOWN or WM_MOUSEWHEEL (wheel distance in
// nWheelDelta, WHEEL_DELTA a notch). FALSE when the point is outside it.
KELM_EXPORT BOOL KelmPostMouse(HWND hWndTop, UINT message, POINT ptClient, short nWheelDelta = 0);
// The top-level windows shown, oldest first; the last is the active one.
KELM_EXPORT int KelmGetTopLevelWindows(HWND* phWnd, int nMax);
// A list box's tab stops in dialog units, as LB_SETTABSTOPS set them (none
// means one every 32 units), for front ends that lay out its items; returns
// their number, copying at most nMax.
KELM_EXPORT int KelmGetListTabStops(HWND hList, int* pStops, int nMax);
