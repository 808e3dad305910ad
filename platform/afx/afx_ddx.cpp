#include "platform/afx/afx_ddx.h"

#include "platform/afx/afx_app.h"
#include "platform/afx/afx_wnd.h"
#include "platform/user/ip_address.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>

HWND CDataExchange::PrepareCtrl(int id)
{
    m_bEditLastControl = FALSE;
    m_hWndLastControl = ::GetDlgItem(m_pDlgWnd->GetSafeHwnd(), id);
    if (!m_hWndLastControl)
        Fail(); // a template without the control: nothing the user can fix, but nothing lost
    return m_hWndLastControl;
}

HWND CDataExchange::PrepareEditCtrl(int id)
{
    HWND control = PrepareCtrl(id);
    m_bEditLastControl = TRUE;
    return control;
}

void CDataExchange::Fail()
{
    if (m_hWndLastControl) {
        ::SetFocus(m_hWndLastControl);
        if (m_bEditLastControl)
            ::SendMessageA(m_hWndLastControl, EM_SETSEL, 0, -1);
    }
    throw new CUserException;
}

namespace {

std::string TextOf(HWND control)
{
    return CWnd::FromHandle(control)->GetWindowText();
}

// A decimal number with blanks around it and an optional sign; nothing else.
bool ParseWhole(const std::string& text, long long low, long long high, long long& value)
{
    const char* begin = text.c_str();
    while (std::isspace(static_cast<unsigned char>(*begin)))
        ++begin;
    if (!*begin || !(std::isdigit(static_cast<unsigned char>(*begin)) || *begin == '-' || *begin == '+'))
        return false;
    char* end = nullptr;
    errno = 0;
    const long long parsed = std::strtoll(begin, &end, 10);
    if (end == begin || errno == ERANGE)
        return false;
    while (std::isspace(static_cast<unsigned char>(*end)))
        ++end;
    if (*end || parsed < low || parsed > high)
        return false;
    value = parsed;
    return true;
}

template <typename Number>
void ExchangeWhole(CDataExchange* pDX, int id, Number& value, const char* prompt)
{
    HWND control = pDX->PrepareEditCtrl(id);
    if (!pDX->m_bSaveAndValidate) {
        ::SetWindowTextA(control, std::to_string(value).c_str());
        return;
    }
    long long parsed = 0;
    if (!ParseWhole(TextOf(control), std::numeric_limits<Number>::min(), std::numeric_limits<Number>::max(), parsed)) {
        AfxMessageBox(prompt, MB_ICONEXCLAMATION);
        pDX->Fail();
    }
    value = static_cast<Number>(parsed);
}

} // namespace

void DDX_Text(CDataExchange* pDX, int id, std::string& value)
{
    HWND control = pDX->PrepareEditCtrl(id);
    if (pDX->m_bSaveAndValidate)
        value = TextOf(control);
    else
        ::SetWindowTextA(control, value.c_str());
}

void DDX_Text(CDataExchange* pDX, int id, int& value)
{
    ExchangeWhole(pDX, id, value, kDdxIntegerPrompt);
}

void DDX_Text(CDataExchange* pDX, int id, UINT& value)
{
    ExchangeWhole(pDX, id, value, kDdxUnsignedPrompt);
}

void DDV_MaxChars(CDataExchange* pDX, const std::string& value, int maxChars)
{
    if (!pDX->m_bSaveAndValidate) {
        if (pDX->m_hWndLastControl && pDX->m_bEditLastControl)
            ::SendMessageA(pDX->m_hWndLastControl, EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
        return;
    }
    if (value.size() > static_cast<std::size_t>(maxChars)) {
        char prompt[sizeof kDdvMaxCharsPrompt + 16];
        std::snprintf(prompt, sizeof prompt, kDdvMaxCharsPrompt, maxChars);
        AfxMessageBox(prompt, MB_ICONEXCLAMATION);
        pDX->Fail();
    }
}

void DDX_Check(CDataExchange* pDX, int id, int& value)
{
    HWND control = pDX->PrepareCtrl(id);
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageA(control, BM_GETCHECK, 0, 0));
    else
        ::SendMessageA(control, BM_SETCHECK, value >= 0 && value <= 2 ? static_cast<WPARAM>(value) : BST_UNCHECKED, 0);
}

void DDX_Radio(CDataExchange* pDX, int id, int& value)
{
    HWND first = pDX->PrepareCtrl(id);
    if (pDX->m_bSaveAndValidate)
        value = -1;
    int index = 0;
    for (HWND button = first; button; button = ::GetWindow(button, GW_HWNDNEXT)) {
        if (button != first && (GetWindowLongA(button, GWL_STYLE) & static_cast<LONG>(WS_GROUP)))
            break;
        if (!(::SendMessageA(button, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON))
            continue;
        if (!pDX->m_bSaveAndValidate)
            ::SendMessageA(button, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
        else if (value < 0 && ::SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED)
            value = index;
        ++index;
    }
}

void DDX_IPAddress(CDataExchange* pDX, int id, DWORD& value)
{
    HWND control = pDX->PrepareCtrl(id);
    if (pDX->m_bSaveAndValidate)
        ::SendMessageA(control, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&value));
    else
        ::SendMessageA(control, IPM_SETADDRESS, 0, static_cast<LPARAM>(value));
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control)
{
    if (control.GetSafeHwnd())
        return;
    HWND window = pDX->PrepareCtrl(id);
    if (!control.SubclassWindow(window))
        pDX->Fail();
}
