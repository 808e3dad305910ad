// CDlgPrompt: the modal prompt for the IPv4 address of a remote peer (template 148 with the IP
// address control 1007). Its face is the program's HTML page 125, whose "ButtonOK" and
// "ButtonCancel" end it as OK and Cancel; where no page can be shown (no browser on the display)
// the template's own OK (1) and Cancel (2) buttons do the same.
//
//   CDlgPrompt prompt(this);
//   if (prompt.DoModal() == IDOK)
//       Connect(prompt.m_dwAddress);
#pragma once

#include "platform/browser/dhtml_dialog.h"

class CDlgPrompt : public CDHtmlDialog {
    DECLARE_DYNCREATE(CDlgPrompt)

public:
    static constexpr UINT kTemplateId = 148;
    static constexpr UINT kHtmlResourceId = 125;
    static constexpr int kAddressControl = 1007;

    explicit CDlgPrompt(CWnd* parent = nullptr);

    // The address read from control 1007 on OK, in host byte order (1.2.3.4 is 0x01020304);
    // 0 until then.
    DWORD m_dwAddress = 0;

    // The page's buttons.
    HRESULT OnButtonOK(IHTMLElement* element);
    HRESULT OnButtonCancel(IHTMLElement* element);

protected:
    void DoDataExchange(CDataExchange* pDX) override;

    DECLARE_DHTML_EVENT_MAP()
};
