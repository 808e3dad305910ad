// The main dialog's skin: loading and applying it, the Skin menu, the element routines and the
// preview's place over the skin's video frame.
#include "app/DlgZelvante.h"

#include "app/FileVersion.h"
#include "app/GenericException.h"
#include "app/SkinElementRef.h"
#include "app/ZelvanteApp.h"
#include "app/preview/DlgCapPreview.h"
#include "platform/user/message_box.h"

#include <strings.h>

namespace {

constexpr const char* kSkinError =
    "Error initializing skin.\r\nTry another skin or reinstall the application to solve the problem.";

} // namespace

bool CDlgZelvante::ApplySkin(const char* path)
{
    const std::string wanted = path != nullptr ? path : "";
    CZelvanteApp& app = ZelvanteApp();
    CWnd* control = GetDlgItem(kSkinControlId);
    if (control == nullptr || !app.LoadSkinFile(control, wanted.c_str()))
        return false;
    ISkinEngine* engine = app.SkinEngine();
    if (engine == nullptr || FAILED(engine->ApplyForm(m_hWnd, SkinText(kMainFormName).c_str())))
        return false;
    if (m_pSkinRoot != nullptr) {
        m_pSkinRoot->Release();
        m_pSkinRoot = nullptr;
    }
    if (FAILED(engine->GetRootElement(m_hWnd, &m_pSkinRoot)) || m_pSkinRoot == nullptr) {
        m_pSkinRoot = nullptr;
        return false;
    }
    ResetTooltipsForSkin();
    // Without a video frame the video takes the ad's place.
    if (GetVideoFrameWindow() == nullptr)
        m_bAdVideoExchanged = 1;
    app.m_strSkinPath = wanted;
    app.WriteProfileString("Params", "SkinPath", wanted.c_str());
    return true;
}

bool CDlgZelvante::ApplyStartupSkin()
{
    CZelvanteApp& app = ZelvanteApp();
    const std::string saved = app.m_strSkinPath;
    if (ApplySkin(saved.c_str()))
        return true;
    // A saved skin that is gone or broken gives way to the default one.
    if (!saved.empty() && ApplySkin(nullptr))
        return true;
    app.m_strSkinPath.clear();
    app.WriteProfileString("Params", "SkinPath", "");
    MessageBoxA(m_hWnd, kSkinError, app.m_pszAppName, MB_OK);
    return false;
}

void CDlgZelvante::OnSkinMenuCommand(UINT id)
{
    const CSkinItem* item = m_SkinSet.Find(static_cast<int>(id));
    const std::string wanted = item != nullptr ? item->path : std::string();
    const std::string current = ZelvanteApp().m_strSkinPath;
    if (!ApplySkin(wanted.c_str())) {
        MessageBoxA(m_hWnd, kSkinError, ZelvanteApp().m_pszAppName, MB_OK);
        // The refused skin may have replaced the loaded one: the current skin is put back whole.
        ApplySkin(current.c_str());
    }
    LayoutPreview();
    // The new skin's element windows came on top of the views.
    LayoutAdView();
    LayoutChatViews();
}

void CDlgZelvante::BuildSkinMenu(CMenu* menu)
{
    m_SkinSet.Clear();
    if (menu == nullptr)
        return;
    const std::string& current = ZelvanteApp().m_strSkinPath;
    for (const SkinFileEntry& skin : FindSkinFiles(ProgramFolder() + "/Skins", kDefaultSkinCommand, kLastSkinCommand)) {
        try {
            m_SkinSet.Add(static_cast<int>(skin.id), skin.path.c_str(), skin.name.c_str());
        } catch (CGenericException* error) {
            error->ReportError();
            error->Delete();
            continue; // no item for a skin the menu command could not find
        }
        const bool checked = strcasecmp(skin.path.c_str(), current.c_str()) == 0;
        menu->AppendMenu(MF_STRING | (checked ? MF_CHECKED : 0u), skin.id, skin.name.c_str());
    }
}

void CDlgZelvante::SetElementCaption(const char* text, const UINT* alignment, const char* elementName)
{
    SkinRef<ISkinElement> element = FindSkinElement<ISkinElement>(m_pSkinRoot, elementName, IID_ISkinElement);
    if (!element)
        return;
    const std::u16string wide = SkinText(text);
    if (SkinRef<ISkinText> textElement = QuerySkin<ISkinText>(element.get(), IID_ISkinText)) {
        textElement->SetText(wide.c_str());
    } else if (SkinRef<ISkinButton> button = QuerySkin<ISkinButton>(element.get(), IID_ISkinButton)) {
        button->SetCaption(wide.c_str());
        for (LONG index = 0; alignment != nullptr && index < 3; ++index) {
            SkinCaptionStyle style{};
            if (FAILED(button->GetCaptionStyle(index, &style)))
                continue;
            style.format = *alignment;
            button->SetCaptionStyle(index, &style);
        }
    }
    element->Refresh();
}

bool CDlgZelvante::SetElementTooltip(const char* text, const char* elementName)
{
    SkinRef<ISkinElement> element = FindSkinElement<ISkinElement>(m_pSkinRoot, elementName, IID_ISkinElement);
    return element && SUCCEEDED(element->SetTooltip(SkinText(text).c_str()));
}

void CDlgZelvante::ShowElement(const char* elementName, bool visible)
{
    if (SkinRef<ISkinElement> element = FindSkinElement<ISkinElement>(m_pSkinRoot, elementName, IID_ISkinElement))
        element->SetVisible(visible ? VARIANT_TRUE : VARIANT_FALSE);
}

void CDlgZelvante::ShowNewMessagesButton(bool visible)
{
    ShowElement("Button New Messages", visible);
}

bool CDlgZelvante::GetSkinElementRect(const char* elementName, RECT* rect)
{
    *rect = RECT{0, 0, 0, 0};
    SkinRef<ISkinElement> element = FindSkinElement<ISkinElement>(m_pSkinRoot, elementName, IID_ISkinElement);
    return element && SkinElementClientRect(element.get(), rect);
}

HWND CDlgZelvante::GetVideoFrameWindow()
{
    SkinRef<ISkinElementWindow> frame =
        FindSkinElement<ISkinElementWindow>(m_pSkinRoot, "Frame Video", IID_ISkinElementWindow);
    HWND window = nullptr;
    if (!frame || FAILED(frame->GetWindow(&window)))
        return nullptr;
    return window;
}

bool CDlgZelvante::GetPreviewRect(RECT* rect)
{
    RECT element{};
    if (!GetSkinElementRect(m_bAdVideoExchanged ? "Static Ad" : "Frame Video", &element) || !PreviewRectIn(element, *rect)) {
        *rect = RECT{0, 0, 0, 0};
        return false;
    }
    return true;
}

void CDlgZelvante::LayoutPreview()
{
    CDlgCapPreview* preview = g_pPreview.load();
    if (preview == nullptr || g_pSecondPreview.load() == nullptr)
        return;
    RECT place{};
    // A skin without a usable video place leaves the preview where it is.
    if (!GetPreviewRect(&place))
        return;
    // The preview is a pop-up owned by the dialog: it is placed in screen coordinates.
    ClientToScreen(&place);
    preview->SetWindowPos(nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                          SWP_NOZORDER | SWP_NOACTIVATE);
    m_captureGraph.SetOwnerWindow(preview->GetSafeHwnd());
}
