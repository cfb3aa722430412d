#include "platform/ui/scripted/scripted_front_end.h"

#include <chrono>
#include <thread>
#include <utility>

namespace {

// A host loop that keeps asking after the script ended is waiting for input
// that will not come; this many asks are allowed before the test fails.
constexpr int polls_allowed_after_end = 10000;

CString window_text(HWND w) {
  char buffer[512];
  GetWindowTextA(w, buffer, sizeof buffer);
  return buffer;
}

CString class_name(HWND w) {
  char buffer[64];
  GetClassNameA(w, buffer, sizeof buffer);
  return buffer;
}

const char* answer_name(int answer) {
  switch (answer) {
    case IDOK:
      return "OK";
    case IDCANCEL:
      return "Cancel";
    case IDABORT:
      return "Abort";
    case IDRETRY:
      return "Retry";
    case IDIGNORE:
      return "Ignore";
    case IDYES:
      return "Yes";
    case IDNO:
      return "No";
    default:
      return "?";
  }
}

POINT client_origin(HWND top) {
  RECT window;
  RECT client;
  GetWindowRect(top, &window);
  GetClientRect(top, &client);
  const LONG frame_x = (window.right - window.left - client.right) / 2;
  const LONG frame_y = (window.bottom - window.top - client.bottom) / 2;
  return POINT{window.left + frame_x, window.top + frame_y};
}

// A point of control, in its top-level window's client coordinates.
POINT point_in(HWND top, HWND control, LONG x, LONG y) {
  RECT r;
  GetWindowRect(control, &r);
  const POINT origin = client_origin(top);
  return POINT{r.left - origin.x + x, r.top - origin.y + y};
}

bool is_list(HWND w) { return class_name(w) == "LISTBOX"; }
bool is_combo(HWND w) { return class_name(w) == "COMBOBOX"; }

CString item_text(HWND w, UINT length_message, UINT text_message, int index) {
  const auto length = SendMessageA(w, length_message, static_cast<WPARAM>(index), 0);
  if (length < 0) return CString();
  std::string buffer(static_cast<size_t>(length) + 1, '\0');
  SendMessageA(w, text_message, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(buffer.data()));
  return CString(buffer.c_str());
}

CString describe(HWND w, HWND focus) {
  const CString name = class_name(w);
  const DWORD style = static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE));
  CString line;
  const int id = GetDlgCtrlID(w);
  const CString text = window_text(w);
  if (name == "BUTTON") {
    const DWORD type = style & 0xF;
    if (type == BS_GROUPBOX)
      line.Format("group %d \"%s\"", id, text.GetString());
    else if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON)
      line.Format("%s %d \"%s\"", type == BS_DEFPUSHBUTTON ? "default-button" : "button", id,
                  text.GetString());
    else
      line.Format("check %d [%c] \"%s\"", id,
                  SendMessageA(w, BM_GETCHECK, 0, 0) == BST_CHECKED ? 'x' : ' ', text.GetString());
  } else if (name == "LISTBOX" || name == "COMBOBOX") {
    const bool list = name == "LISTBOX";
    const auto count = SendMessageA(w, list ? LB_GETCOUNT : CB_GETCOUNT, 0, 0);
    const auto sel = SendMessageA(w, list ? LB_GETCURSEL : CB_GETCURSEL, 0, 0);
    const CString selected =
        sel >= 0 ? item_text(w, list ? LB_GETTEXTLEN : CB_GETLBTEXTLEN,
                             list ? LB_GETTEXT : CB_GETLBTEXT, static_cast<int>(sel))
                 : CString();
    line.Format("%s %d sel %d of %d \"%s\"", list ? "list" : "combo", id, static_cast<int>(sel),
                static_cast<int>(count), list ? selected.GetString() : text.GetString());
  } else if (name == "EDIT") {
    line.Format("edit %d \"%s\"", id, text.GetString());
  } else if (name == TRACKBAR_CLASSA) {
    line.Format("trackbar %d %d", id, static_cast<int>(SendMessageA(w, TBM_GETPOS, 0, 0)));
  } else if (name == "STATIC") {
    line.Format("static \"%s\"", text.GetString());
  } else {
    line.Format("%s %d \"%s\"", name.GetString(), id, text.GetString());
  }
  if (!IsWindowVisible(w)) line += " hidden";
  if (!IsWindowEnabled(w)) line += " disabled";
  return (w == focus ? "*" : "") + line;
}

}  // namespace

KelmScriptedFrontEnd::KelmScriptedFrontEnd() : m_previous(KelmSetFrontEnd(this)) {}

KelmScriptedFrontEnd::~KelmScriptedFrontEnd() {
  if (KelmGetFrontEnd() == this) KelmSetFrontEnd(m_previous);
}

KelmScriptedFrontEnd& KelmScriptedFrontEnd::Add(std::string what, std::function<void()> run,
                                                bool posts) {
  m_actions.push_back(Action{std::move(what), std::move(run), 0, posts});
  return *this;
}

KelmScriptedFrontEnd& KelmScriptedFrontEnd::Type(LPCSTR text) {
  const std::string typed = text != nullptr ? text : "";
  return Add("Type \"" + typed + "\"", [typed] {
    for (char ch : typed) KelmPostChar(ch);
  });
}

KelmScriptedFrontEnd& KelmScriptedFrontEnd::Press(int nVirtKey, UINT nModifiers) {
  return Add("Press " + std::to_string(nVirtKey), [nVirtKey, nModifiers] {
    char ch = 0;
    const bool shift = (nModifiers & KELM_MOD_SHIFT) != 0;
    if (nVirtKey >= 'A' && nVirtKey <= 'Z')
      ch = static_cast<char>(shift ? nVirtKey : nVirtKey + 32);
    if (nVirtKey >= '0' && nVirtKey <= '9' && !shift) ch = static_cast<char>(nVirtKey);
    if (nVirtKey == VK_SPACE) ch = ' ';
    KelmPostKey(nVirtKey, ch, nModifiers);
  });
}

KelmScriptedFrontEnd& KelmScriptedFrontEnd::Click(int nID) {
  return Add("Click " + std::to_string(nID), [this, nID] {
    HWND top = GetActiveWindow();
    HWND control = Control(nID);
    RECT r;
    GetClientRect(control, &r);
    const POINT at = point_in(top, control, r.right / 2, std::min<LONG>(r.bottom / 2, 8));
    KelmPostMouse(top, WM_LBUTTONDOWN, at);
    KelmPostMouse(top, WM_LBUTTONUP, at);
  });
}

KelmScriptedFrontEnd& KelmScriptedFrontEnd::SelectItem(int nID, LPCSTR lpszItem,
                                                       BOOL bDoubleClick) {
  const CString item = lpszItem;
  return Add(
      "SelectItem " + std::to_string(nID) + " \"" + std::string(item.View()) + "\"",
      [this, nID, item, bDoubleClick] {
        HWND top = GetActiveWindow();
        HWND control = Control(nID);
        const bool list = is_list(control);
        if (!list && !is_combo(control)) Fail("control is not a list or combo box");
        const auto index =
            SendMessageA(control, list ? LB_FINDSTRINGEXACT : CB_FINDSTRINGEXACT,
                         static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(item.GetString()));
        if (index < 0) Fail("no such item");
        const DWORD style = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
        const LONG list_top = list ? 0 : 16;
        if (!list && (style & 3) != CBS_SIMPLE && !SendMessageA(control, CB_GETDROPPEDSTATE, 0, 0))
          SendMessageA(control, CB_SHOWDROPDOWN, TRUE, 0);
        // The scroll bar dragged to show the item at the top.
        auto top_index = SendMessageA(control, list ? LB_GETTOPINDEX : CB_GETTOPINDEX, 0, 0);
        RECT r;
        GetClientRect(control, &r);
        const LONG rows = std::max<LONG>(1, (r.bottom - list_top) / 16);
        if (index < top_index || index >= top_index + rows) {
          SendMessageA(control, list ? LB_SETTOPINDEX : CB_SETTOPINDEX, static_cast<WPARAM>(index),
                       0);
          top_index = SendMessageA(control, list ? LB_GETTOPINDEX : CB_GETTOPINDEX, 0, 0);
        }
        const POINT at =
            point_in(top, control, 4, list_top + static_cast<LONG>(index - top_index) * 16 + 8);
        KelmPostMouse(top, WM_LBUTTONDOWN, at);
        KelmPostMouse(top, WM_LBUTTONUP, at);
        if (bDoubleClick) {
          KelmPostMouse(top, WM_LBUTTONDBLCLK, at);
          KelmPostMouse(top, WM_LBUTTONUP, at);
        }
      });
}

KelmScriptedFrontEnd& KelmScriptedFrontEnd::Wheel(int nID, int nNotches) {
  return Add("Wheel " + std::to_string(nID), [this, nID, nNotches] {
    HWND top = GetActiveWindow();
    HWND control = Control(nID);
    KelmPostMouse(top, WM_MOUSEWHEEL, point_in(top, control, 2, 2),
                  static_cast<short>(nNotches * WHEEL_DELTA));
  });
}

KelmScriptedFrontEnd& KelmScriptedFrontEnd::Answer(int nAnswer) {
  m_actions.push_back(
      Action{std::string("Answer ") + answer_name(nAnswer), nullptr, nAnswer, false});
  return *this;
}

KelmScriptedFrontEnd& KelmScriptedFrontEnd::Wait(int nMilliseconds) {
  Add(
      "Wait " + std::to_string(nMilliseconds),
      [nMilliseconds] { std::this_thread::sleep_for(std::chrono::milliseconds(nMilliseconds)); },
      false);
  m_actions.back().ends_wait = true;
  return *this;
}

KelmScriptedFrontEnd& KelmScriptedFrontEnd::Then(std::function<void()> check) {
  return Add("Then", std::move(check), false);
}

KelmScriptedFrontEnd& KelmScriptedFrontEnd::Snapshot() {
  return Add(
      "Snapshot",
      [this] {
        for (const CString& line : Describe(GetActiveWindow())) m_shown.push_back(line);
      },
      false);
}

std::vector<CString> KelmScriptedFrontEnd::Describe(HWND hDlg) {
  std::vector<CString> lines;
  const HWND focus = GetFocus();
  for (HWND w = GetWindow(hDlg, GW_CHILD); w != nullptr; w = GetWindow(w, GW_HWNDNEXT))
    lines.push_back(describe(w, focus));
  return lines;
}

void KelmScriptedFrontEnd::Fail(const std::string& reason) const {
  std::string where =
      "script step " + std::to_string(m_position + 1) + " of " + std::to_string(m_actions.size());
  if (m_position < static_cast<int>(m_actions.size()))
    where += " (" + m_actions[static_cast<size_t>(m_position)].what + ")";
  HWND active = GetActiveWindow();
  if (active != nullptr) where += " in \"" + std::string(window_text(active).View()) + "\"";
  throw KelmScriptError(where + ": " + reason);
}

HWND KelmScriptedFrontEnd::Control(int nID) const {
  HWND top = GetActiveWindow();
  HWND control = top != nullptr ? GetDlgItem(top, nID) : nullptr;
  if (control == nullptr || !IsWindowVisible(control))
    Fail("no visible control " + std::to_string(nID));
  return control;
}

BOOL KelmScriptedFrontEnd::WaitForInput(int nTimeoutMs) {
  // A program that only looks gets nothing right after an action, so that it
  // goes idle between actions as it would between a person's.
  if (nTimeoutMs == 0 && m_just_acted) {
    m_just_acted = false;
    return FALSE;
  }
  // Checks and waits run at once; one action that gives input ends the wait.
  while (m_position < static_cast<int>(m_actions.size())) {
    Action& next = m_actions[static_cast<size_t>(m_position)];
    if (next.answer != 0) Fail("the program waits for input, but the script answers a message box");
    next.run();
    ++m_position;
    if (next.posts) {
      m_just_acted = true;
      return TRUE;
    }
    if (next.ends_wait) return FALSE;
  }
  if (nTimeoutMs != 0 || ++m_polls_after_end > polls_allowed_after_end)
    Fail("the program waits for input after the script's end");
  return FALSE;
}

int KelmScriptedFrontEnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT) {
  m_shown.push_back(CString("message ") + lpszCaption + ": " + lpszText);
  while (m_position < static_cast<int>(m_actions.size()) &&
         m_actions[static_cast<size_t>(m_position)].answer == 0 &&
         !m_actions[static_cast<size_t>(m_position)].posts) {
    m_actions[static_cast<size_t>(m_position)].run();
    ++m_position;
  }
  if (m_position >= static_cast<int>(m_actions.size()) ||
      m_actions[static_cast<size_t>(m_position)].answer == 0)
    Fail(std::string("message box \"") + lpszText + "\" is not answered by the script");
  return m_actions[static_cast<size_t>(m_position++)].answer;
}

void KelmScriptedFrontEnd::WindowShown(HWND hWnd) {
  m_shown.push_back("open " + window_text(hWnd));
}

void KelmScriptedFrontEnd::WindowHidden(HWND hWnd) {
  m_shown.push_back("close " + window_text(hWnd));
}

void KelmScriptedFrontEnd::Beep(UINT) { m_shown.push_back("beep"); }
