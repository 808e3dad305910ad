#include "app/DlgControlPanel.h"

#include "app/SkinElementRef.h"
#include "app/ZelvanteApp.h"

#include <strings.h>
#include <utility>

namespace {

constexpr UINT kControlPanelTemplate = 130;
inline constexpr const char* kControlPanelForm = "Skin ControlPanel";
inline constexpr const char* kOkButton = "Button Control Ok";
inline constexpr const char* kCloseButton = "Button Control Close";

} // namespace

const char* const CDlgControlPanel::kSizeCheckNames[kSizeCheckCount] = {
    "Check 160x120", "Check 176x144", "Check 240x176", "Check 240x180",
    "Check 320x240", "Check 352x288", "Check 640x480", "Check 720x480",
};

BEGIN_MESSAGE_MAP(CDlgControlPanel, CDialog)
    ON_WM_DESTROY()
END_MESSAGE_MAP()

CDlgControlPanel::CDlgControlPanel(CWnd* parent)
{
    Create(kControlPanelTemplate, parent);
}

CDlgControlPanel::~CDlgControlPanel()
{
    ReleaseSkinRoot();
}

BOOL CDlgControlPanel::OnInitDialog()
{
    CDialog::OnInitDialog();
    ISkinEngine* engine = ZelvanteApp().SkinEngine();
    ISkinRootElement* root = nullptr;
    if (!engine || FAILED(engine->ApplyForm(m_hWnd, SkinText(kControlPanelForm).c_str())) ||
        FAILED(engine->GetRootElement(m_hWnd, &root)) || !root) {
        AfxMessageBox("Error loading or applying the skin.", MB_OK);
        PostMessage(WM_CLOSE);
        return TRUE;
    }
    m_pSkinRoot = root;
    // Beside the main window: its top-left corner at the main window's top-right corner.
    if (CWnd* parent = GetParent()) {
        RECT main{};
        parent->GetWindowRect(&main);
        SetWindowPos(nullptr, main.right, main.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return TRUE;
}

void CDlgControlPanel::FillResolutionChecks()
{
    const std::int32_t mask = ZelvanteApp().m_Config.resolutionMask;
    for (int i = 0; i < kSizeCheckCount; ++i) {
        if (auto box = FindSkinElement<ISkinCheckBox>(m_pSkinRoot, kSizeCheckNames[i], IID_ISkinCheckBox))
            box->SetValue(static_cast<SHORT>((mask >> i) & 1));
    }
}

bool CDlgControlPanel::OnSkinClick(IUnknown* element)
{
    const std::string name = SkinElementName(element);
    if (strcasecmp(name.c_str(), kOkButton) == 0) {
        OnOK();
        return true;
    }
    if (strcasecmp(name.c_str(), kCloseButton) == 0) {
        OnCancel();
        return true;
    }
    return false;
}

void CDlgControlPanel::ApplyResolutionChecks()
{
    ConfigStore& config = ZelvanteApp().m_Config;
    for (int i = 0; i < kSizeCheckCount; ++i) {
        auto box = FindSkinElement<ISkinCheckBox>(m_pSkinRoot, kSizeCheckNames[i], IID_ISkinCheckBox);
        SHORT value = 0;
        // A box the skin lacks or cannot report says nothing about its size.
        if (!box || FAILED(box->GetValue(&value)))
            continue;
        const std::int32_t bit = std::int32_t{1} << i;
        const bool enabled = value == 1;
        if (enabled != ((config.resolutionMask & bit) != 0)) {
            config.resolutionMask ^= bit;
            config.dirty = true;
        }
    }
    config.Save();
}

void CDlgControlPanel::OnOK()
{
    ApplyResolutionChecks();
    CDialog::OnOK();
}

void CDlgControlPanel::OnDestroy()
{
    ReleaseSkinRoot();
    CDialog::OnDestroy();
}

void CDlgControlPanel::ReleaseSkinRoot()
{
    if (m_pSkinRoot)
        std::exchange(m_pSkinRoot, nullptr)->Release();
}
