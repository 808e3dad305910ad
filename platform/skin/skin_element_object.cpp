#include "platform/skin/skin_element_object.h"

#include "platform/skin/skin_dispatch.h"
#include "platform/skin/skin_menu.h"
#include "platform/user/window.h"
#include "platform/win32/com_object.h"

#include <cstring>

namespace zv::skin {
namespace {

class SkinElementObject final : public win32::ComObject<ISkinElement, ISkinRootElement, ISkinElementName,
                                                        ISkinElementWindow, ISkinText, ISkinButton, ISkinScrollBar,
                                                        ISkinMenu, ISkinCheckBox> {
public:
    SkinElementObject(std::shared_ptr<SkinForm> form, int index) : m_form(std::move(form)), m_index(index) {}
    static ISkinElement* Make(std::shared_ptr<SkinForm> form, int index)
    {
        return new SkinElementObject(std::move(form), index);
    }

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        const ElementKind kind = Node().spec->kind;
        const bool root = m_index == 0;
        IUnknown* found = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_ISkinElement)
            found = static_cast<ISkinElement*>(this);
        else if (riid == IID_ISkinElementName)
            found = static_cast<ISkinElementName*>(this);
        else if (riid == IID_ISkinElementWindow)
            found = static_cast<ISkinElementWindow*>(this);
        else if (riid == IID_ISkinRootElement && root)
            found = static_cast<ISkinRootElement*>(this);
        else if (riid == IID_ISkinMenu && root)
            found = static_cast<ISkinMenu*>(this);
        else if (riid == IID_ISkinText && kind == ElementKind::Text)
            found = static_cast<ISkinText*>(this);
        else if (riid == IID_ISkinButton && kind == ElementKind::Button)
            found = static_cast<ISkinButton*>(this);
        else if (riid == IID_ISkinScrollBar && kind == ElementKind::Slider)
            found = static_cast<ISkinScrollBar*>(this);
        else if (riid == IID_ISkinCheckBox && kind == ElementKind::CheckBox)
            found = static_cast<ISkinCheckBox*>(this);
        if (!found)
            return E_NOINTERFACE;
        found->AddRef();
        *ppv = found;
        return S_OK;
    }

    HRESULT GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        return NamesToDispids(names, count, ids);
    }
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*, UINT*) override;

    // Element.
    HRESULT GetRect(RECT* rect) override
    {
        if (!rect)
            return E_POINTER;
        *rect = Node().rect;
        return S_OK;
    }
    HRESULT SetVisible(VARIANT_BOOL visible) override
    {
        m_form->SetVisible(m_index, visible != VARIANT_FALSE);
        return S_OK;
    }
    HRESULT GetVisible(VARIANT_BOOL* visible) override
    {
        if (!visible)
            return E_POINTER;
        *visible = Node().visible ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    HRESULT Refresh() override
    {
        m_form->Refresh(m_index);
        return S_OK;
    }
    HRESULT GetTooltip(BSTR* text) override { return OutText(Node().tooltip, text); }
    HRESULT SetTooltip(LPCOLESTR text) override
    {
        m_form->SetTooltip(m_index, Utf8(text));
        return S_OK;
    }
    HRESULT GetChildCount(LONG* count) override
    {
        if (!count)
            return E_POINTER;
        *count = static_cast<LONG>(Node().children.size());
        return S_OK;
    }
    HRESULT GetChild(LONG index, ISkinElement** child) override
    {
        if (!child)
            return E_POINTER;
        *child = nullptr;
        if (index < 0 || static_cast<std::size_t>(index) >= Node().children.size())
            return E_INVALIDARG;
        *child = Make(m_form, Node().children[static_cast<std::size_t>(index)]);
        return S_OK;
    }

    // Root element.
    HRESULT FindElement(LPCOLESTR name, ISkinElement** element) override
    {
        if (!element)
            return E_POINTER;
        *element = nullptr;
        const int index = m_form->Find(Utf8(name));
        if (index < 0)
            return kSkinNotFound;
        *element = Make(m_form, index);
        return S_OK;
    }

    // Name and window.
    HRESULT GetName(BSTR* name) override { return OutText(Node().spec->name, name); }
    HRESULT GetWindow(HWND* window) override
    {
        if (!window)
            return E_POINTER;
        *window = Node().window ? Node().window : m_form->Window();
        return S_OK;
    }
    HRESULT GetParentElement(ISkinElement** parent) override
    {
        if (!parent)
            return E_POINTER;
        *parent = nullptr;
        if (Node().parent < 0)
            return S_FALSE;
        *parent = Make(m_form, Node().parent);
        return S_OK;
    }

    // Text and button.
    HRESULT SetText(LPCOLESTR text) override
    {
        m_form->SetText(m_index, Utf8(text));
        return S_OK;
    }
    HRESULT GetText(BSTR* text) override { return OutText(Node().text, text); }
    HRESULT SetCaption(LPCOLESTR text) override { return SetText(text); }
    HRESULT GetCaptionStyle(LONG index, SkinCaptionStyle* style) override
    {
        if (!style)
            return E_POINTER;
        if (index < 0 || index > 2)
            return E_INVALIDARG;
        *style = Node().styles[static_cast<std::size_t>(index)];
        return S_OK;
    }
    HRESULT SetCaptionStyle(LONG index, const SkinCaptionStyle* style) override
    {
        if (!style)
            return E_POINTER;
        if (index < 0 || index > 2)
            return E_INVALIDARG;
        SkinCaptionStyle& kept = Node().styles[static_cast<std::size_t>(index)];
        kept = *style;
        m_form->Refresh(m_index);
        return S_OK;
    }

    // Scroll bar.
    HRESULT GetOrientation(LONG* value) override { return Out(Node().reversed ? 1 : 0, value); }
    HRESULT GetMinimum(LONG* value) override { return Out(Node().minimum, value); }
    HRESULT GetMaximum(LONG* value) override { return Out(Node().maximum, value); }
    HRESULT GetPosition(LONG* value) override { return Out(Node().position, value); }
    HRESULT SetPosition(LONG position) override
    {
        m_form->SetPosition(m_index, position);
        m_form->Refresh(m_index);
        return S_OK;
    }

    // Menu.
    HRESULT TrackPopupMenu(HMENU menu, LONG screenX, LONG screenY) override
    {
        HWND window = m_form->Window();
        if (!window)
            return E_HANDLE;
        UINT command = 0;
        if (!TrackSkinMenu(menu, POINT{screenX, screenY}, window, m_form->Skin().menu, &command))
            return E_INVALIDARG;
        if (command != 0 && IsWindow(window))
            PostMessageA(window, WM_COMMAND, command, 0);
        return S_OK;
    }

    // Check box.
    HRESULT GetValue(SHORT* value) override
    {
        if (!value)
            return E_POINTER;
        *value = Node().value;
        return S_OK;
    }
    HRESULT SetValue(SHORT value) override
    {
        Node().value = value;
        m_form->Refresh(m_index);
        return S_OK;
    }

private:
    ~SkinElementObject() = default;
    SkinNode& Node() const { return m_form->Node(m_index); }
    static HRESULT Out(LONG value, LONG* out)
    {
        if (!out)
            return E_POINTER;
        *out = value;
        return S_OK;
    }
    static HRESULT OutText(const std::string& text, BSTR* out)
    {
        if (!out)
            return E_POINTER;
        *out = NewBstr(text);
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    // Whether the object answers the interface that the method belongs to.
    bool Answers(REFIID iid)
    {
        void* p = nullptr;
        if (FAILED(QueryInterface(iid, &p)))
            return false;
        static_cast<IUnknown*>(static_cast<ISkinElement*>(this))->Release();
        return true;
    }

    std::shared_ptr<SkinForm> m_form;
    int m_index;
};

HRESULT SkinElementObject::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                  UINT*)
{
    const InvokeArguments args(params);
    HRESULT hr = S_OK;
    LONG number = 0;
    std::u16string text;
    BSTR out = nullptr;
    switch (id) {
    case kDispGetRectPart: {
        if (FAILED(hr = args.Count(1)) || FAILED(hr = args.Long(0, &number)))
            return hr;
        const RECT r = Node().rect;
        const LONG parts[4] = {r.left, r.top, r.right, r.bottom};
        if (number < 0 || number > 3)
            return E_INVALIDARG;
        ReturnLong(result, parts[number]);
        return S_OK;
    }
    case kDispSetVisible: {
        VARIANT_BOOL visible = VARIANT_FALSE;
        if (FAILED(hr = args.Count(1)) || FAILED(hr = args.Bool(0, &visible)))
            return hr;
        return SetVisible(visible);
    }
    case kDispGetVisible:
        ReturnBool(result, Node().visible);
        return S_OK;
    case kDispRefresh:
        return Refresh();
    case kDispGetTooltip:
        if (FAILED(hr = GetTooltip(&out)))
            return hr;
        ReturnText(result, out);
        return S_OK;
    case kDispSetTooltip:
        if (FAILED(hr = args.Count(1)) || FAILED(hr = args.Text(0, &text)))
            return hr;
        return SetTooltip(text.c_str());
    case kDispGetChildCount:
        ReturnLong(result, static_cast<LONG>(Node().children.size()));
        return S_OK;
    case kDispGetChild: {
        ISkinElement* child = nullptr;
        if (FAILED(hr = args.Count(1)) || FAILED(hr = args.Long(0, &number)) || FAILED(hr = GetChild(number, &child)))
            return hr;
        ReturnUnknown(result, child);
        return S_OK;
    }
    case kDispFindElement: {
        if (m_index != 0)
            return DISP_E_MEMBERNOTFOUND;
        ISkinElement* element = nullptr;
        if (FAILED(hr = args.Count(1)) || FAILED(hr = args.Text(0, &text)))
            return hr;
        hr = FindElement(text.c_str(), &element);
        if (SUCCEEDED(hr))
            ReturnUnknown(result, element);
        return hr;
    }
    case kDispGetName:
        if (FAILED(hr = GetName(&out)))
            return hr;
        ReturnText(result, out);
        return S_OK;
    case kDispGetWindow: {
        HWND window = nullptr;
        GetWindow(&window);
        ReturnInteger(result, reinterpret_cast<LONGLONG>(window));
        return S_OK;
    }
    case kDispGetParent: {
        ISkinElement* parent = nullptr;
        hr = GetParentElement(&parent);
        ReturnUnknown(result, parent);
        return hr;
    }
    case kDispSetText:
    case kDispSetCaption:
        if (!Answers(id == kDispSetText ? IID_ISkinText : IID_ISkinButton))
            return DISP_E_MEMBERNOTFOUND;
        if (FAILED(hr = args.Count(1)) || FAILED(hr = args.Text(0, &text)))
            return hr;
        return SetText(text.c_str());
    case kDispGetText:
        if (!Answers(IID_ISkinText) && !Answers(IID_ISkinButton))
            return DISP_E_MEMBERNOTFOUND;
        if (FAILED(hr = GetText(&out)))
            return hr;
        ReturnText(result, out);
        return S_OK;
    case kDispGetOrientation:
    case kDispGetMinimum:
    case kDispGetMaximum:
    case kDispGetPosition:
    case kDispSetPosition:
        if (!Answers(IID_ISkinScrollBar))
            return DISP_E_MEMBERNOTFOUND;
        if (id == kDispSetPosition) {
            if (FAILED(hr = args.Count(1)) || FAILED(hr = args.Long(0, &number)))
                return hr;
            return SetPosition(number);
        }
        ReturnLong(result, id == kDispGetOrientation ? (Node().reversed ? 1 : 0)
                           : id == kDispGetMinimum   ? Node().minimum
                           : id == kDispGetMaximum   ? Node().maximum
                                                     : Node().position);
        return S_OK;
    case kDispTrackPopupMenu: {
        LONGLONG menu = 0;
        LONG x = 0, y = 0;
        if (!Answers(IID_ISkinMenu))
            return DISP_E_MEMBERNOTFOUND;
        if (FAILED(hr = args.Count(3)) || FAILED(hr = args.Integer(0, &menu)) || FAILED(hr = args.Long(1, &x)) ||
            FAILED(hr = args.Long(2, &y)))
            return hr;
        return TrackPopupMenu(reinterpret_cast<HMENU>(menu), x, y);
    }
    case kDispGetValue:
    case kDispSetValue:
        if (!Answers(IID_ISkinCheckBox))
            return DISP_E_MEMBERNOTFOUND;
        if (id == kDispGetValue) {
            ReturnLong(result, Node().value);
            return S_OK;
        }
        if (FAILED(hr = args.Count(1)) || FAILED(hr = args.Long(0, &number)))
            return hr;
        return SetValue(static_cast<SHORT>(number));
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

} // namespace

IUnknown* NewSkinElement(std::shared_ptr<SkinForm> form, int index)
{
    return SkinElementObject::Make(std::move(form), index);
}

} // namespace zv::skin
