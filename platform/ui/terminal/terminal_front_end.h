// The terminal front end: a person uses the dialogs on the controlling
// terminal. Each dialog is drawn from its windows (its template, scaled from
// dialog units to character cells: 4 units a column, 8 a row), centred, in a
// frame with its caption; accelerators are underlined, the focus is in
// reverse video, the default button is marked, bold fonts draw bold, and
// Windows-1252 text shows as UTF-8. The keyboard works as IsDialogMessage
// gives it (Tab, arrows, Enter, Esc, Alt+letter), and the terminal is read
// raw, so Ctrl+C, Ctrl+X and Ctrl+V copy, cut and paste in edit boxes (through
// the process's own clipboard) rather than signal; the mouse clicks buttons,
// check boxes and list items and its wheel scrolls lists. A resized terminal
// is redrawn. A top-level window given a canvas (a view drawing into a
// character grid) is shown from the grid's cells instead, at the top left,
// redrawn whenever input is awaited, and gets the same keys, clicks and wheel.
//
// It draws on the terminal device (/dev/tty), never on standard output, so
// that a program's result can be piped while the person answers on the
// terminal, and it gives the terminal back as it found it on every way out:
// Close, destruction, exit, and fatal signals (which then take their course).
//
// One terminal front end may be open at a time, on the user-interface thread.
// Ships in its own library (KelmLib::terminal), linked beside the library.
#pragma once

#include <memory>

#include "platform/ui/front_end.h"

class KelmCharacterGrid;

class KelmTerminalFrontEnd : public KelmFrontEnd {
 public:
  KelmTerminalFrontEnd();
  ~KelmTerminalFrontEnd() override;

  // Takes over the terminal device and becomes the active front end. FALSE,
  // with nothing changed, when there is no such terminal (a process without
  // a controlling terminal), TERM names no known terminal, or another
  // terminal front end is open.
  BOOL Open(LPCSTR lpszDevice = "/dev/tty");
  // Gives the terminal back and restores the front end active before Open.
  void Close();
  BOOL IsOpen() const;
  // The terminal's size in character cells; 0 when not open.
  int GetColumns() const;
  int GetRows() const;
  void SetCanvas(HWND hWnd, const KelmCharacterGrid* pGrid) override;

  BOOL WaitForInput(int nTimeoutMs) override;
  int MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) override;
  void Beep(UINT nType) override;
  void WindowShown(HWND hWnd) override;
  void WindowHidden(HWND hWnd) override;
  void WindowChanged(HWND hWnd) override;

  struct Impl;

 private:
  std::unique_ptr<Impl> m_impl;
};
