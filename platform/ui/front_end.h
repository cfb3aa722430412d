// The narrow interface between the windows and whoever uses them: a front
// end shows the top-level windows (reading them through the Win32 calls),
// answers message boxes, and turns a person's actions into input messages.
// One front end is active per process, set by the host; a scripted one for
// tests, a terminal one for people, and a GUI toolkit's later, without any
// dialog's code knowing which.
//
// The platform calls the front end on the user-interface thread only.
//
// The window model is laid out in pixels of its own, which a front end that
// draws in pixels maps to the screen as it likes but must honour when it
// maps a person's pointer back (KelmPostMouse takes the model's points):
// - a character cell is 8 by 16 pixels (dialog base units of 8 by 16, so a
//   dialog unit is half a pixel each way);
// - a list box's rows are 16 pixels high from its top (a combo box's list
//   starts below its 16-pixel field); a list with WS_VSCROLL and more items
//   than rows takes clicks on its last 8 pixels as its scroll bar: the top
//   row's and bottom row's height step a row, the rest jumps there;
// - a click in an edit puts the caret before character x / 8, so the text
//   should be drawn 8 pixels a character (or the click's x scaled to that);
// - WindowChanged comes many times while one message is handled (each
//   change of focus, text or selection): note it and redraw once, before
//   waiting for input;
// - a window's close button, where the front end draws one, posts WM_CLOSE
//   to the top-level window: a dialog answers it as Cancel, and other
//   windows are destroyed;
// - a click on an older top-level window that is enabled makes it the
//   active one (the last of KelmGetTopLevelWindows, with WindowChanged); a
//   disabled one, such as the owner (GW_OWNER) of a modal dialog, takes no
//   clicks. A modal dialog's owner is the window it disables, so a front end
//   keeps the dialog above it.
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
// Posts a mouse action at a point of a shown top-level window's client area
// to the deepest visible enabled child there: WM_LBUTTONDOWN,
// WM_LBUTTONDBLCLK, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_MOUSEMOVE
// or WM_MOUSEWHEEL (wheel distance in nWheelDelta, WHEEL_DELTA a notch). The
// message's wParam holds MK_LBUTTON and MK_RBUTTON while those buttons are
// down, as the posts before left them (a WM_MOUSEWHEEL's in its low word, the
// distance in its high word). A press activates the window (see above).
// FALSE, with nothing posted, for any other message, a point outside the
// client area, or a disabled window.
KELM_EXPORT BOOL KelmPostMouse(HWND hWndTop, UINT message, POINT ptClient, short nWheelDelta = 0);
// The top-level windows shown, oldest first; the last is the active one.
KELM_EXPORT int KelmGetTopLevelWindows(HWND* phWnd, int nMax);
// A list box's tab stops in dialog units, as LB_SETTABSTOPS set them (none
// means one every 32 units), for front ends that lay out its items; returns
// their number, copying at most nMax.
KELM_EXPORT int KelmGetListTabStops(HWND hList, int* pStops, int nMax);
