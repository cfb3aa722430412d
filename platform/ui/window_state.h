// The platform's window object behind a handle, and the internal calls the
// window manager, the control procedures and the dialog manager share. Not
// installed: front ends read windows through the Win32 calls only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/string.h"
#include "platform/ui/win_user.h"

class CWnd;

struct ListItem {
  CString text;
  DWORD_PTR data = 0;
};

// Every kind's state sits in the one object: a handle's class never changes.
struct HWND__ {
  std::string class_name;
  int id = 0;
  DWORD style = 0;
  DWORD ex_style = 0;
  CString text;
  RECT rect;  // in the parent's client coordinates (screen ones for a top level)
  HWND parent = nullptr;
  std::vector<HWND> children;
  CWnd* wnd = nullptr;  // the attached object, which routes its messages
  HFONT font = nullptr;
  bool alive = true;
  bool redraw = true;

  // Edits (and a combo box's edit field).
  int sel_start = 0;
  int sel_end = 0;
  int limit = 0x7FFFFFFE;
  bool modified = false;
  // Buttons.
  int check = BST_UNCHECKED;
  bool pushed = false;
  // List and combo boxes.
  std::vector<ListItem> items;
  int cur_sel = LB_ERR;
  int top_index = 0;
  std::vector<int> tab_stops;
  bool dropped = false;
  // Trackbars.
  int range_min = 0;
  int range_max = 100;
  int pos = 0;
  int page_size = 0;
  int line_size = 1;
  std::vector<int> ticks;
  // Dialogs.
  int def_id = 1;  // IDOK
  HWND last_focus = nullptr;
  bool ended = false;
  INT_PTR end_code = 0;
  // Scroll bars (SB_HORZ, SB_VERT).
  int scroll_min[2] = {0, 0};
  int scroll_max[2] = {0, 0};
  int scroll_pos[2] = {0, 0};
};

namespace kelm::ui {

// A temporary object for a handle without one, of the control class that
// matches its window class, so that MFC's casts of GetDlgItem's result hold.
std::unique_ptr<CWnd> make_temporary(HWND window);

// The class procedure: the built-in behaviour of the handle's class.
LRESULT class_procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT button_procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT edit_procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT static_procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT list_box_procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT combo_box_procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT trackbar_procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT dialog_procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// A live handle's object, or nullptr for null, destroyed or foreign handles.
HWND__* live(HWND window);
bool is_class(HWND window, const char* name);
HWND top_level(HWND window);
// Sends WM_COMMAND with the control's ID and code to its parent.
void notify_parent(HWND control, UINT code);
// Tells the front end that the top-level window holding this one changed.
void changed(HWND window);
// The frame around a top-level window's client area, in pixels.
inline constexpr int frame_x = 8;
inline constexpr int frame_y = 16;
bool has_frame(HWND window);
// Whether the window is among the shown top-level windows.
bool is_shown_top_level(HWND window);
// Makes a shown top-level window the active one (the last of them), its
// focus back where it was.
void activate(HWND top);
// Calls the CWnd attached to the handle, if any, else the class procedure.
LRESULT route(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Windows whose procedures may still be on the stack are freed only when the
// outermost message has been handled.
void collect_destroyed();
// The exit code of the last WM_QUIT taken from the queue.
int last_quit_code();
// A destroyed window's timers and queued messages go with it.
void forget_window(HWND window);
// Moves the default-button style as the focus moves within a dialog.
void dialog_focus_changed(HWND dialog, HWND focus);
// Shared by edits and combo boxes' edit fields: typing, editing keys and
// setting the text; each returns whether the text changed and sends the
// notifications (EN_ or CBN_) itself.
bool edit_type_char(HWND window, char ch);
bool edit_key(HWND window, int vk);
// WM_COPY, WM_CUT, WM_PASTE and WM_CLEAR on the selection, through the
// clipboard.
bool edit_clipboard(HWND window, UINT message);
void edit_set_text(HWND window, LPCSTR text, bool notify);
// The items that a list box or combo box orders by; -1 when not sorted.
int sorted_insert_position(const std::vector<ListItem>& items, LPCSTR text);
// The accelerator letter of a text ("&Add" gives 'a'), or 0.
char mnemonic(LPCSTR text);
// The rows a list box shows, from its height.
int visible_rows(HWND list);
// Items whose height the list boxes use, in pixels: one character cell.
inline constexpr int item_height = 16;

}  // namespace kelm::ui
