#include "platform/ui/dialog.h"

#include "platform/ui/dialog_template.h"
#include "platform/ui/front_end.h"
#include "platform/ui/window_state.h"

namespace {

// Undoes what DoModal did to the windows however the loop ends, a
// script's failure thrown through it included.
class ModalScope {
 public:
  ModalScope(CDialog* dialog, HWND owner) : m_dialog(dialog), m_owner(owner) {
    if (m_owner != nullptr) m_was_disabled = EnableWindow(m_owner, FALSE);
  }
  ModalScope(const ModalScope&) = delete;
  ModalScope& operator=(const ModalScope&) = delete;
  ~ModalScope() {
    if (m_owner != nullptr && !m_was_disabled) EnableWindow(m_owner, TRUE);
    if (m_dialog->m_hWnd != nullptr) m_dialog->DestroyWindow();
    if (IsWindow(m_owner) && IsWindowVisible(m_owner)) SetFocus(m_owner);
  }

 private:
  CDialog* m_dialog;
  HWND m_owner;
  BOOL m_was_disabled = FALSE;
};

}  // namespace

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

BOOL CDialog::CreateFromTemplate(UINT nIDTemplate, HWND hWndParent) {
  const KelmDialogTemplate* t = KelmFindDialogTemplate(nIDTemplate);
  if (t == nullptr || m_hWnd != nullptr) return FALSE;
  HWND w = KelmCreateDialogWindow(*t, hWndParent);
  if (w == nullptr) return FALSE;
  Attach(w);
  const LRESULT set_focus = SendMessage(WM_INITDIALOG, 0, 0);
  if (m_hWnd == nullptr) return FALSE;
  if (set_focus != 0 && (GetFocus() == nullptr || GetFocus()->GetTopLevelParent() != this)) {
    HWND first = ::GetNextDlgTabItem(m_hWnd, nullptr, FALSE);
    if (first != nullptr) {
      ::SetFocus(first);
      if ((SendMessageA(first, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0)
        SendMessageA(first, EM_SETSEL, 0, -1);
    }
  }
  return TRUE;
}

// With no front end there is nobody to show the dialog to: it cannot be
// created, and DoModal returns -1 at once instead of waiting for ever.
INT_PTR CDialog::DoModal() {
  if (KelmGetFrontEnd() == nullptr) return -1;
  HWND owner = m_pParentWnd != nullptr ? m_pParentWnd->GetSafeHwnd() : GetActiveWindow();
  owner = kelm::ui::top_level(kelm::ui::live(owner));
  ModalScope scope(this, owner);
  // The window disabled is the owner, parent given or not, so that a front
  // end can keep the dialog above it.
  if (!CreateFromTemplate(m_nIDTemplate, owner)) return -1;
  HWND self = m_hWnd;
  if (!self->ended) ::ShowWindow(self, SW_SHOW);
  while (kelm::ui::live(self) != nullptr && !self->ended) {
    if (!AfxPumpMessage()) {
      // The quit belongs to the loop outside; the dialog ends unanswered.
      PostQuitMessage(kelm::ui::last_quit_code());
      return -1;
    }
  }
  return kelm::ui::live(self) != nullptr ? self->end_code : -1;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
  m_nIDTemplate = nIDTemplate;
  if (pParentWnd != nullptr) m_pParentWnd = pParentWnd;
  const KelmDialogTemplate* t = KelmFindDialogTemplate(nIDTemplate);
  if (t == nullptr ||
      !CreateFromTemplate(nIDTemplate,
                          m_pParentWnd != nullptr ? m_pParentWnd->GetSafeHwnd() : nullptr))
    return FALSE;
  if ((t->style & WS_VISIBLE) != 0 && !m_hWnd->ended) ShowWindow(SW_SHOW);
  return TRUE;
}

void CDialog::EndDialog(int nResult) { ::EndDialog(m_hWnd, nResult); }

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
  if (pMsg->message < WM_KEYDOWN || pMsg->message > WM_SYSCHAR) return FALSE;
  return ::IsDialogMessageA(m_hWnd, pMsg);
}

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl) {
  if (pWndCtrl != nullptr)
    SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pWndCtrl->GetSafeHwnd()), TRUE);
}

void CDialog::NextDlgCtrl() const { SendMessage(WM_NEXTDLGCTL, 0, 0); }
void CDialog::PrevDlgCtrl() const { SendMessage(WM_NEXTDLGCTL, 1, 0); }
void CDialog::SetDefID(UINT nID) { SendMessage(DM_SETDEFID, nID); }
DWORD CDialog::GetDefID() const { return static_cast<DWORD>(SendMessage(DM_GETDEFID)); }
void CDialog::MapDialogRect(LPRECT lpRect) const { ::MapDialogRect(m_hWnd, lpRect); }

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) { return OnInitDialog(); }

const AFX_MSGMAP* CDialog::GetMessageMap() const {
  static const AFX_MSGMAP map{
      CWnd::GetMessageMap(),
      {ON_COMMAND(IDOK, &CDialog::OnOK), ON_COMMAND(IDCANCEL, &CDialog::OnCancel),
       ON_MESSAGE(WM_INITDIALOG, &CDialog::HandleInitDialog)}};
  return &map;
}
