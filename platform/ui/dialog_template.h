// Dialog templates as data: what a resource script's DIALOG statement says
// (identifier, caption, style, size in dialog units, font, and each control's
// class, identifier, text, position, size and style), registered with the
// platform by the module that owns them, and found by identifier when a
// dialog is created. Registering an identifier again replaces its template.
#pragma once

#include <utility>
#include <vector>

#include "platform/export.h"
#include "platform/string.h"
#include "platform/ui/win_user.h"

inline constexpr int IDC_STATIC = -1;

struct KelmDialogControl {
  KelmDialogControl() = default;
  KelmDialogControl(LPCSTR lpszClass, int nID, LPCSTR lpszText, short nX, short nY, short nCX,
                    short nCY, DWORD dwStyle, DWORD dwExStyle = 0,
                    std::vector<CString> initial = {})
      : className(lpszClass),
        id(nID),
        text(lpszText),
        x(nX),
        y(nY),
        cx(nCX),
        cy(nCY),
        style(dwStyle),
        exStyle(dwExStyle),
        initialStrings(std::move(initial)) {}

  CString className;  // "BUTTON", "EDIT", "STATIC", "LISTBOX", "COMBOBOX", TRACKBAR_CLASSA
  int id = IDC_STATIC;
  CString text;
  short x = 0;
  short y = 0;
  short cx = 0;
  short cy = 0;
  DWORD style = 0;  // WS_CHILD is implied
  DWORD exStyle = 0;
  // A combo or list box's initial strings (the resource's dialog init data).
  std::vector<CString> initialStrings;
};

struct KelmDialogTemplate {
  UINT id = 0;
  CString caption;
  DWORD style = 0;
  short x = 0;
  short y = 0;
  short cx = 0;
  short cy = 0;
  CString fontName;
  WORD pointSize = 8;
  std::vector<KelmDialogControl> controls;
};

KELM_EXPORT void KelmRegisterDialogTemplate(const KelmDialogTemplate& dialogTemplate);
// The registered template, or nullptr; valid until it is registered again.
KELM_EXPORT const KelmDialogTemplate* KelmFindDialogTemplate(UINT nID);
// Creates a dialog window with its controls from a template, not yet shown
// and without WM_INITDIALOG; null when the template is malformed. The
// dialog's client area is the template's size, mapped by MapDialogRect.
KELM_EXPORT HWND KelmCreateDialogWindow(const KelmDialogTemplate& dialogTemplate, HWND hWndParent);
