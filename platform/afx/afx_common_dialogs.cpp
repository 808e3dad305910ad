#include "platform/afx/afx_common_dialogs.h"

#include "platform/afx/afx_app.h"
#include "platform/user/message_box.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// "A|B||" into "A\0B\0\0": the framework's filter form into the system's.
std::string SystemFilter(LPCSTR filter)
{
    std::string text = filter ? filter : "";
    std::replace(text.begin(), text.end(), '|', '\0');
    return text;
}

void CopyTruncated(char* out, std::size_t capacity, LPCSTR text)
{
    const std::size_t kept = text ? std::min(std::strlen(text), capacity - 1) : 0;
    std::memcpy(out, text ? text : "", kept);
    out[kept] = '\0';
}

} // namespace

HWND CCommonDialog::OwnerWindow() const
{
    if (m_pParentWnd)
        return m_pParentWnd->GetSafeHwnd();
    CWnd* main = AfxGetMainWnd();
    return main ? main->GetSafeHwnd() : nullptr;
}

CFileDialog::CFileDialog(BOOL openFileDialog, LPCSTR defExt, LPCSTR fileName, DWORD flags, LPCSTR filter,
                         CWnd* parentWnd, DWORD, BOOL)
    : CCommonDialog(parentWnd),
      m_ofn{},
      m_bOpenFileDialog(openFileDialog),
      m_strFilter(SystemFilter(filter)),
      m_strDefExt(defExt ? defExt : "")
{
    CopyTruncated(m_szFileName, sizeof m_szFileName, fileName);
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.lpstrFile = m_szFileName;
    m_ofn.nMaxFile = sizeof m_szFileName;
    m_ofn.lpstrFileTitle = m_szFileTitle;
    m_ofn.nMaxFileTitle = sizeof m_szFileTitle;
    m_ofn.lpstrFilter = m_strFilter.empty() ? nullptr : m_strFilter.c_str();
    m_ofn.nFilterIndex = 1;
    m_ofn.lpstrDefExt = defExt ? m_strDefExt.c_str() : nullptr;
    m_ofn.Flags = flags | OFN_EXPLORER;
}

INT_PTR CFileDialog::DoModal()
{
    m_ofn.hwndOwner = OwnerWindow();
    const BOOL chosen = m_bOpenFileDialog ? GetOpenFileNameA(&m_ofn) : GetSaveFileNameA(&m_ofn);
    return chosen ? IDOK : IDCANCEL;
}

std::string CFileDialog::GetPathName() const { return m_ofn.lpstrFile ? m_ofn.lpstrFile : ""; }

std::string CFileDialog::GetFileName() const
{
    if (!m_ofn.lpstrFile || m_ofn.nFileOffset >= m_ofn.nMaxFile)
        return {};
    return m_ofn.lpstrFile + m_ofn.nFileOffset;
}

std::string CFileDialog::GetFileExt() const
{
    if (!m_ofn.lpstrFile || m_ofn.nFileExtension == 0 || m_ofn.nFileExtension >= m_ofn.nMaxFile)
        return {};
    return m_ofn.lpstrFile + m_ofn.nFileExtension;
}

std::string CFileDialog::GetFileTitle() const
{
    const std::string name = GetFileName();
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

POSITION CFileDialog::GetStartPosition() const
{
    return m_ofn.lpstrFile && *m_ofn.lpstrFile ? reinterpret_cast<POSITION>(m_ofn.lpstrFile) : nullptr;
}

std::string CFileDialog::GetNextPathName(POSITION& pos) const
{
    const bool explorer = (m_ofn.Flags & OFN_EXPLORER) != 0;
    const char separator = explorer ? '\0' : ' ';
    const char* at = reinterpret_cast<const char*>(pos);
    const char* const result = m_ofn.lpstrFile;
    if (!at || !result) {
        pos = nullptr;
        return {};
    }
    if (at == result) {
        // The first call: one file alone is the whole result.
        if (!(m_ofn.Flags & OFN_ALLOWMULTISELECT)) {
            pos = nullptr;
            return result;
        }
        while (*at != separator && *at != '\0')
            ++at;
        if (*at == '\0' && !explorer) {
            pos = nullptr;
            return result;
        }
        ++at;
        if (*at == '\0') {
            pos = nullptr;
            return result;
        }
    }
    std::string folder = explorer ? std::string(result) : std::string(result, std::strcspn(result, " "));
    const char* name = at;
    while (*at != separator && *at != '\0')
        ++at;
    const std::string fileName(name, at);
    if (*at == '\0' && !explorer)
        pos = nullptr;
    else
        pos = *(at + 1) == '\0' ? nullptr : reinterpret_cast<POSITION>(const_cast<char*>(at + 1));
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder + fileName;
}

CColorDialog::CColorDialog(COLORREF initial, DWORD flags, CWnd* parentWnd) : CCommonDialog(parentWnd), m_cc{}
{
    m_cc.lStructSize = sizeof m_cc;
    m_cc.rgbResult = initial;
    m_cc.lpCustColors = GetSavedCustomColors();
    m_cc.Flags = flags | (initial != 0 ? CC_RGBINIT : 0);
}

COLORREF* CColorDialog::GetSavedCustomColors()
{
    static std::array<COLORREF, 16> colours = [] {
        std::array<COLORREF, 16> white;
        white.fill(RGB(255, 255, 255));
        return white;
    }();
    return colours.data();
}

INT_PTR CColorDialog::DoModal()
{
    m_cc.hwndOwner = OwnerWindow();
    return ChooseColorA(&m_cc) ? IDOK : IDCANCEL;
}

CFontDialog::CFontDialog(const LOGFONTA* initial, DWORD flags, HDC printerDc, CWnd* parentWnd)
    : CCommonDialog(parentWnd), m_cf{}
{
    if (initial)
        m_lf = *initial;
    m_cf.lStructSize = sizeof m_cf;
    m_cf.hDC = printerDc;
    m_cf.lpLogFont = &m_lf;
    m_cf.Flags = flags | (initial ? CF_INITTOLOGFONTSTRUCT : 0);
}

INT_PTR CFontDialog::DoModal()
{
    m_cf.hwndOwner = OwnerWindow();
    return ChooseFontA(&m_cf) ? IDOK : IDCANCEL;
}

std::string CFontDialog::GetFaceName() const { return std::string(m_lf.lfFaceName, strnlen(m_lf.lfFaceName, LF_FACESIZE)); }
