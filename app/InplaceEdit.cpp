#include "app/InplaceEdit.h"

#include "app/ProgramMessages.h"
#include "platform/afx/afx_app.h"
#include "platform/user/system_metrics.h"
#include "platform/user/virtual_keys.h"

namespace {

constexpr UINT kInplaceEditId = 701;
// The box's own end-of-edit notice, posted to itself.
constexpr UINT kEndEditMessage = TrayNotifyMessage;

} // namespace

BEGIN_MESSAGE_MAP(CInplaceEdit, CEdit)
    ON_CONTROL_REFLECT(EN_KILLFOCUS, OnKillFocus)
    ON_MESSAGE(kEndEditMessage, OnEndEdit)
END_MESSAGE_MAP()

CInplaceEdit::CInplaceEdit(DWORD style, double fontScale, LPCSTR text) : m_strText(text ? text : "")
{
    CWnd* main = AfxGetMainWnd();
    if (!main || !Create(style | WS_CHILD | WS_BORDER, CRect(0, 0, 0, 0), main, kInplaceEditId))
        return;
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
        metrics.lfMenuFont.lfHeight = static_cast<LONG>(metrics.lfMenuFont.lfHeight * fontScale);
        if (m_font.CreateFontIndirect(&metrics.lfMenuFont))
            SetFont(&m_font, FALSE);
    }
}

void CInplaceEdit::ShowAt(const RECT& rect)
{
    if (!m_hWnd) {
        NotifyMain(m_nItemId, nullptr);
        delete this;
        return;
    }
    SetWindowText(m_strText.c_str());
    SetWindowPos(nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, SWP_NOZORDER);
    SetSel(0, -1);
    ShowWindow(SW_SHOW);
    SetFocus();
}

BOOL CInplaceEdit::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_KEYDOWN && msg->hwnd == m_hWnd) {
        if (msg->wParam == VK_RETURN) {
            if (!m_bEnding) {
                m_strText = GetWindowText();
                NotifyMain(m_nItemId, m_strText.c_str());
            }
            RequestEnd();
            return TRUE;
        }
        if (msg->wParam == VK_ESCAPE) {
            RequestEnd();
            return TRUE;
        }
    }
    return CEdit::PreTranslateMessage(msg);
}

void CInplaceEdit::OnKillFocus()
{
    RequestEnd();
}

void CInplaceEdit::RequestEnd()
{
    if (m_bEnding)
        return;
    m_bEnding = true;
    PostMessage(kEndEditMessage);
}

LRESULT CInplaceEdit::OnEndEdit(WPARAM, LPARAM)
{
    m_bEnding = true;
    NotifyMain(m_nItemId, nullptr);
    DestroyWindow(); // PostNcDestroy deletes the object
    return 0;
}

void CInplaceEdit::PostNcDestroy()
{
    delete this;
}

void CInplaceEdit::NotifyMain(int itemId, LPCSTR text)
{
    if (CWnd* main = AfxGetMainWnd())
        main->SendMessage(LabelEditedMessage, static_cast<WPARAM>(itemId), reinterpret_cast<LPARAM>(text));
}
