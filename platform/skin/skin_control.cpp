#include "platform/skin/skin_control.h"

#include "platform/skin/skin_dispatch.h"
#include "platform/skin/skin_element_object.h"
#include "platform/skin/skin_form.h"
#include "platform/skin/skin_loader.h"
#include "platform/skin/skin_window_class.h"
#include "platform/user/paint.h"
#include "platform/user/window.h"
#include "platform/win32/com.h"
#include "platform/win32/com_object.h"
#include "platform/win32/last_error.h"

#include <filesystem>

namespace zv::skin {
namespace {

constexpr DWORD kErrorFileNotFound = 2;
constexpr DWORD kErrorBadFormat = 11;

// The control's window: paints the parent's form under it, passes the mouse on to that form and
// tells its control when it goes.
LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

class SkinControl final : public win32::ComObject<ISkinEngine, ISkinElementWindow, IZvHostedControl> {
public:
    SkinControl() { m_events->SetOwner(static_cast<ISkinEngine*>(this)); }

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        return win32::QueryInterfaceFrom({{IID_IUnknown, static_cast<ISkinEngine*>(this)},
                                          {IID_IDispatch, static_cast<ISkinEngine*>(this)},
                                          {IID_ISkinEngine, static_cast<ISkinEngine*>(this)},
                                          {IID_ISkinElementWindow, static_cast<ISkinElementWindow*>(this)},
                                          {IID_IZvHostedControl, static_cast<IZvHostedControl*>(this)}},
                                         riid, ppv);
    }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        return NamesToDispids(names, count, ids);
    }
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*, UINT*) override
    {
        const InvokeArguments args(params);
        HRESULT hr = S_OK;
        std::u16string text;
        LONGLONG window = 0;
        switch (id) {
        case kDispLoadSkin:
            if (FAILED(hr = args.Count(1)) || FAILED(hr = args.Text(0, &text)))
                return hr;
            return LoadSkin(text.c_str());
        case kDispApplyForm:
            if (FAILED(hr = args.Count(2)) || FAILED(hr = args.Integer(0, &window)) || FAILED(hr = args.Text(1, &text)))
                return hr;
            return ApplyForm(reinterpret_cast<HWND>(window), text.c_str());
        case kDispGetRootElement: {
            ISkinRootElement* root = nullptr;
            if (FAILED(hr = args.Count(1)) || FAILED(hr = args.Integer(0, &window)) ||
                FAILED(hr = GetRootElement(reinterpret_cast<HWND>(window), &root)))
                return hr;
            ReturnUnknown(result, root);
            return S_OK;
        }
        case kDispGetWindow:
            ReturnInteger(result, reinterpret_cast<LONGLONG>(m_window));
            return S_OK;
        default:
            return DISP_E_MEMBERNOTFOUND;
        }
    }

    // Engine.
    HRESULT LoadSkin(LPCOLESTR path) override
    {
        const std::string file = Utf8(path);
        std::error_code error;
        if (file.empty() || !std::filesystem::is_regular_file(file, error)) {
            m_lastError = "\"" + file + "\" is not a file";
            return HRESULT_FROM_WIN32(kErrorFileNotFound);
        }
        SkinLoadResult loaded = LoadSkinFile(file);
        if (!loaded.skin) {
            m_lastError = std::move(loaded.error);
            return HRESULT_FROM_WIN32(kErrorBadFormat);
        }
        m_skin = std::move(loaded.skin);
        m_lastError.clear();
        return S_OK;
    }
    HRESULT ApplyForm(HWND window, LPCOLESTR formName) override
    {
        if (!m_skin)
            return E_UNEXPECTED;
        const ElementSpec* form = m_skin->FindForm(Utf8(formName));
        if (!form)
            return kSkinNotFound;
        return SkinForm::Apply(window, m_skin, *form, m_events) ? S_OK : E_HANDLE;
    }
    HRESULT GetRootElement(HWND window, ISkinRootElement** root) override
    {
        if (!root)
            return E_POINTER;
        *root = nullptr;
        std::shared_ptr<SkinForm> form = SkinForm::Of(window);
        if (!form)
            return kSkinNotFound;
        IUnknown* element = NewSkinElement(std::move(form), 0);
        const HRESULT hr = element->QueryInterface(IID_ISkinRootElement, reinterpret_cast<void**>(root));
        element->Release();
        return hr;
    }

    // The control's own window.
    HRESULT GetWindow(HWND* window) override
    {
        if (!window)
            return E_POINTER;
        *window = m_window;
        return S_OK;
    }
    HRESULT GetParentElement(ISkinElement** parent) override
    {
        if (!parent)
            return E_POINTER;
        *parent = nullptr;
        return S_FALSE;
    }

    // Hosting contract.
    HRESULT CreateControlWindow(HWND parent, const RECT* rect, UINT id, DWORD style, LPCSTR text,
                                HWND* window) override
    {
        if (!rect || !window)
            return E_INVALIDARG;
        *window = nullptr;
        if (m_window)
            return E_UNEXPECTED;
        RegisterSkinWindowClass(kSkinControlClass, ControlWindowProc, CS_DBLCLKS);
        HWND made = CreateWindowExA(0, kSkinControlClass, text ? text : "", style | WS_CHILD | WS_CLIPSIBLINGS,
                                    rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, parent,
                                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
        if (!made) {
            const DWORD error = GetLastError();
            return error ? HRESULT_FROM_WIN32(error) : E_FAIL; // never a success without a window
        }
        SetWindowLongPtrA(made, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        m_window = made;
        *window = made;
        return S_OK;
    }
    HRESULT SetEventSink(IDispatch* sink) override
    {
        m_events->SetSink(sink);
        return S_OK;
    }
    void WindowGone() { m_window = nullptr; }

    const std::string& LastError() const { return m_lastError; }

private:
    ~SkinControl()
    {
        // Forms applied through this engine outlive it and fire nowhere from here on.
        m_events->SetOwner(nullptr);
        m_events->SetSink(nullptr);
        if (!m_window || !IsWindow(m_window))
            return;
        SetWindowLongPtrA(m_window, GWLP_USERDATA, 0);
        if (GetWindowThreadProcessId(m_window, nullptr) == user::CurrentThreadId())
            DestroyWindow(m_window);
    }

    std::shared_ptr<const SkinDocument> m_skin;
    std::shared_ptr<SkinEventTarget> m_events = std::make_shared<SkinEventTarget>();
    std::string m_lastError;
    HWND m_window = nullptr;
};

LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCDESTROY) {
        if (auto* control = reinterpret_cast<SkinControl*>(GetWindowLongPtrA(window, GWLP_USERDATA)))
            control->WindowGone();
        return DefWindowProcA(window, message, wParam, lParam);
    }
    if (message == WM_ERASEBKGND)
        return 1;
    if (message == WM_PAINT) {
        PaintFormUnder(window);
        return 0;
    }
    HWND parent = GetParent(window);
    if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST && SkinForm::Of(parent)) {
        if (message == WM_MOUSEWHEEL)
            return SendMessageA(parent, message, wParam, lParam); // screen coordinates already
        POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        MapWindowPoints(window, parent, &point, 1);
        // The form's handler may close the parent, and this window with it.
        return SendMessageA(parent, message, wParam,
                            MAKELPARAM(static_cast<unsigned>(point.x), static_cast<unsigned>(point.y)));
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

HRESULT CreateSkinControl(IUnknown* outer, REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return win32::HandOutNewObject(new SkinControl(), riid, ppv);
}

void RegisterSkinControlClass() { win32::RegisterComClass(CLSID_ZelvanteSkin, CreateSkinControl); }

std::string LastSkinError(IUnknown* control)
{
    ISkinEngine* engine = nullptr;
    if (!control || FAILED(control->QueryInterface(IID_ISkinEngine, reinterpret_cast<void**>(&engine))))
        return {};
    const std::string error = static_cast<SkinControl*>(engine)->LastError();
    engine->Release();
    return error;
}

} // namespace zv::skin
