// The host application's message loop and idle processing, as MFC's
// CWinThread gives them to CWinApp.
#include "platform/profile.h"
#include "platform/ui/window_state.h"
#include "platform/ui/wnd.h"

BOOL CWinApp::PumpMessage() { return AfxPumpMessage(); }

BOOL CWinApp::OnIdle(LONG lCount) { return lCount < 1; }

int CWinApp::Run() {
  for (;;) {
    LONG idle = 0;
    MSG msg;
    while (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE) && OnIdle(idle++)) {
    }
    do {
      if (!PumpMessage()) return kelm::ui::last_quit_code();
    } while (PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  }
}
