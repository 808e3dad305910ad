#include "platform/afx/afx_dialog.h"

#include "platform/afx/afx_app.h"
#include "platform/win32/last_error.h"
#include "platform/win32/resources.h"

#include <utility>

namespace {

// The dialog CreateFromTemplate is making on this thread, until its window's first message.
thread_local CDialog* t_dialogCreating = nullptr;

} // namespace

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, OnOK)
    ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM)
{
    CWnd* wnd = CWnd::FromHandlePermanent(hWnd);
    if (!wnd && t_dialogCreating) {
        // From now on the window's messages go through the object's map, the dialog manager's
        // procedure answering what the map does not.
        CDialog* dialog = std::exchange(t_dialogCreating, nullptr);
        if (dialog->SubclassWindow(hWnd))
            wnd = dialog;
    }
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* dialog = dynamic_cast<CDialog*>(wnd);
    return dialog ? dialog->OnInitDialog() : TRUE;
}

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_lpszTemplateName(MAKEINTRESOURCEA(static_cast<WORD>(templateId))), m_nIDHelp(templateId), m_pParentWnd(parent)
{
}

CDialog::CDialog(LPCSTR templateName, CWnd* parent) : m_lpszTemplateName(templateName), m_pParentWnd(parent) {}

BOOL CDialog::CreateFromTemplate(HWND parent)
{
    if (m_hWnd || !m_lpszTemplateName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    CDialog* const outer = std::exchange(t_dialogCreating, this);
    HWND made = CreateDialogParamA(AfxGetResourceHandle(), m_lpszTemplateName, parent, &AfxDlgProc, 0);
    // Not `this` any more: a dialog destroyed during creation may have deleted itself.
    t_dialogCreating = outer;
    return made != nullptr;
}

BOOL CDialog::Create(LPCSTR templateName, CWnd* parent)
{
    m_lpszTemplateName = templateName;
    m_pParentWnd = parent;
    return CreateFromTemplate(parent ? parent->GetSafeHwnd() : nullptr);
}

BOOL CDialog::Create(UINT templateId, CWnd* parent)
{
    m_nIDHelp = templateId;
    return Create(MAKEINTRESOURCEA(static_cast<WORD>(templateId)), parent);
}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd)
        return -1;
    HWND owner = m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr;
    if (!owner) {
        if (CWnd* main = AfxGetMainWnd())
            owner = main->GetSafeHwnd();
    }
    if (owner)
        owner = ::GetAncestor(owner, GA_ROOT);
    // The owner takes no input while the dialog runs, wherever its thread is.
    bool ownerDisabled = false;
    if (owner && ::IsWindowEnabled(owner)) {
        ::EnableWindow(owner, FALSE);
        ownerDisabled = true;
    }
    m_nModalResult = -1;
    m_bContinueModal = true;
    m_bInModal = true;
    if (CreateFromTemplate(owner) && m_bContinueModal) {
        zv::user::SetModalWindow(m_hWnd, true);
        ShowWindow(SW_SHOWNORMAL);
        RunModalLoop();
    }
    m_bInModal = false;
    // The owner comes back before the dialog goes, so that it is activated again.
    if (ownerDisabled)
        ::EnableWindow(owner, TRUE);
    if (m_hWnd)
        DestroyWindow();
    return m_nModalResult;
}

void CDialog::RunModalLoop()
{
    MSG msg;
    while (m_bContinueModal && m_hWnd) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam)); // for the loop under this one
            return;
        }
        if (got < 0)
            return;
        if (!AfxPreTranslateMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

void CDialog::EndDialog(int result)
{
    m_nModalResult = result;
    if (m_bInModal) {
        m_bContinueModal = false;
        // The loop waits in GetMessage for a message of its thread, and a message sent to the
        // dialog (from another thread or process) is served inside that wait: a posted one wakes it.
        if (m_hWnd)
            ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
        return;
    }
    if (m_hWnd)
        ::EndDialog(m_hWnd, result);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange exchange(this, saveAndValidate);
    try {
        DoDataExchange(&exchange);
    } catch (CUserException* failed) {
        failed->Delete();
        return FALSE;
    }
    return TRUE;
}

void CDialog::GotoDlgCtrl(CWnd* control)
{
    if (control)
        SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control->GetSafeHwnd()), TRUE);
}

void CDialog::NextDlgCtrl() const
{
    SendMessage(WM_NEXTDLGCTL, FALSE, FALSE);
}

void CDialog::PrevDlgCtrl() const
{
    SendMessage(WM_NEXTDLGCTL, TRUE, FALSE);
}

void CDialog::SetDefID(UINT id)
{
    SendMessage(DM_SETDEFID, id);
}

DWORD CDialog::GetDefID() const
{
    return static_cast<DWORD>(SendMessage(DM_GETDEFID));
}

void CDialog::MapDialogRect(RECT* rect) const
{
    ::MapDialogRect(m_hWnd, rect);
}

BOOL CDialog::PreTranslateMessage(MSG* msg)
{
    if (CWnd::PreTranslateMessage(msg))
        return TRUE;
    // Keys only: the dialog manager would dispatch anything else itself, past the loop.
    if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST)
        return FALSE;
    return ::IsDialogMessageA(m_hWnd, msg);
}
