// The GTK 4 front end: a person uses the dialogs and views in real windows on
// the desktop. Each shown top-level window becomes a GtkWindow titled with its
// caption and sized to its client rectangle, transient for its owner and
// modal while the owner is disabled; each control becomes the GTK widget of
// its kind at its rectangle (labels, entries, buttons with the default one
// marked, check boxes, group boxes, lists and combo boxes drawn from their
// items, the trackbar as a scale), with the fonts the windows were given. A
// window given a canvas (a view drawing into a character grid) shows the
// grid's cells in a monospace font instead, in a window the person may
// resize.
//
// The window model owns every state. The widgets can neither take the focus
// nor be clicked; GTK's key presses, clicks and wheel turns are posted
// through KelmPostKey and KelmPostMouse in the model's pixels, so Tab order,
// mnemonics, Enter and Esc stay with the dialog manager. A window's close
// button posts WM_CLOSE. WaitForInput brings the windows that changed up to
// date (once, however often they changed), then runs GLib's main context
// until input is posted or the time is up. Message boxes are windows of
// their own with their buttons, answered through GTK.
//
// Positions: GTK 4 can neither place a window nor say where it is, so the
// windows open where the desktop puts them and the model's window rectangles
// keep the positions the dialogs set. A dialog that stores its position on
// closing therefore writes back the position it read, never a wrong one.
//
// The system's clipboard is GTK's, text crossing it as UTF-8 with characters
// outside Windows-1252 becoming '?'.
//
// One GTK front end may be open at a time, on the thread that opened it,
// which must be the user-interface thread. Ships in its own library
// (KelmLib::gtk), linked beside the library.
#pragma once

#include <memory>

#include "platform/ui/front_end.h"

class KelmGtkFrontEnd : public KelmFrontEnd {
 public:
  KelmGtkFrontEnd();
  ~KelmGtkFrontEnd() override;

  // Connects to the display and becomes the active front end. FALSE, with
  // nothing changed, when there is no display, GTK cannot start on it, or
  // another GTK front end is open.
  BOOL Open();
  // Closes every window and restores the front end active before Open.
  void Close();
  BOOL IsOpen() const;
  // The canvas a view should be made with, in cells: what a window of a
  // reasonable default size holds. 0 when not open.
  int GetColumns() const;
  int GetRows() const;

  void SetCanvas(HWND hWnd, const KelmCharacterGrid* pGrid) override;
  BOOL WaitForInput(int nTimeoutMs) override;
  int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) override;
  void Beep(UINT nType) override;
  void WindowShown(HWND hWnd) override;
  void WindowHidden(HWND hWnd) override;
  void WindowDestroyed(HWND hWnd) override;
  void WindowChanged(HWND hWnd) override;
  BOOL PutClipboardText(LPCSTR lpszText) override;
  BOOL GetClipboardText(CString& strText) override;

  struct Impl;

 private:
  std::unique_ptr<Impl> m_impl;
};
