#include "app/DlgPrompt.h"

// The page's class is not a run-time class of its own; a prompt is still a dialog.
IMPLEMENT_DYNCREATE(CDlgPrompt, CDialog)

BEGIN_DHTML_EVENT_MAP(CDlgPrompt)
    DHTML_EVENT_ONCLICK("ButtonOK", OnButtonOK)
    DHTML_EVENT_ONCLICK("ButtonCancel", OnButtonCancel)
END_DHTML_EVENT_MAP()

CDlgPrompt::CDlgPrompt(CWnd* parent) : CDHtmlDialog(kTemplateId, kHtmlResourceId, parent) {}

void CDlgPrompt::DoDataExchange(CDataExchange* pDX)
{
    CDHtmlDialog::DoDataExchange(pDX);
    DDX_IPAddress(pDX, kAddressControl, m_dwAddress);
}

HRESULT CDlgPrompt::OnButtonOK(IHTMLElement*)
{
    OnOK();
    return S_OK;
}

HRESULT CDlgPrompt::OnButtonCancel(IHTMLElement*)
{
    OnCancel();
    return S_OK;
}
