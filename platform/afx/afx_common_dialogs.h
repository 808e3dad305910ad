// The framework's common dialogs: files to open or save, a colour, a font. Each keeps the
// system structure it fills (m_ofn, m_cc, m_cf) public, as callers adjust it before DoModal, and
// reads the user's choice back out of it. DoModal gives IDOK or IDCANCEL (also when the dialog
// failed: CommDlgExtendedError says why).
#pragma once

#include "platform/afx/afx_dialog.h"
#include "platform/user/common_dialogs.h"

#include <string>

// A place in a list the caller walks (here: the names of a multiple file selection).
struct AfxListPosition;
using POSITION = AfxListPosition*;

// A dialog the display shows from the system structure rather than from a template of ours.
class CCommonDialog : public CDialog {
public:
    explicit CCommonDialog(CWnd* parentWnd) { m_pParentWnd = parentWnd; }
    CCommonDialog(const CCommonDialog&) = delete;
    CCommonDialog& operator=(const CCommonDialog&) = delete;

    INT_PTR DoModal() override = 0;

protected:
    // The parent given, else the application's main window.
    HWND OwnerWindow() const;
};

class CFileDialog : public CCommonDialog {
public:
    // The filter is in the framework's form "Name|pattern;pattern|...||". A single-file result
    // fits MAX_PATH; for several files the caller points m_ofn.lpstrFile and nMaxFile at a
    // bigger buffer of its own.
    explicit CFileDialog(BOOL openFileDialog, LPCSTR defExt = nullptr, LPCSTR fileName = nullptr,
                         DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCSTR filter = nullptr,
                         CWnd* parentWnd = nullptr, DWORD size = 0, BOOL vistaStyle = TRUE);

    INT_PTR DoModal() override;

    // The whole result (for several files: their folder).
    std::string GetPathName() const;
    // The (first) chosen name without its folder, its extension, and the name without extension.
    std::string GetFileName() const;
    std::string GetFileExt() const;
    std::string GetFileTitle() const;
    // Walks the chosen files as full paths, one file alone included; null when there is none.
    POSITION GetStartPosition() const;
    std::string GetNextPathName(POSITION& pos) const;

    OPENFILENAMEA m_ofn;

private:
    BOOL m_bOpenFileDialog;
    std::string m_strFilter; // NUL-separated pairs
    std::string m_strDefExt;
    char m_szFileName[MAX_PATH] = {};
    char m_szFileTitle[64] = {};
};

class CColorDialog : public CCommonDialog {
public:
    explicit CColorDialog(COLORREF initial = 0, DWORD flags = 0, CWnd* parentWnd = nullptr);

    INT_PTR DoModal() override;
    COLORREF GetColor() const { return m_cc.rgbResult; }
    void SetCurrentColor(COLORREF colour) { m_cc.rgbResult = colour; m_cc.Flags |= CC_RGBINIT; }
    // The sixteen custom colours every colour dialog of the program shares (white at first; the
    // UI thread's to use).
    static COLORREF* GetSavedCustomColors();

    CHOOSECOLORA m_cc;
};

class CFontDialog : public CCommonDialog {
public:
    // With an initial font the dialog starts from it (CF_INITTOLOGFONTSTRUCT); the colour starts
    // from m_cf.rgbColors, which the caller may set before DoModal.
    explicit CFontDialog(const LOGFONTA* initial = nullptr, DWORD flags = CF_EFFECTS | CF_SCREENFONTS,
                         HDC printerDc = nullptr, CWnd* parentWnd = nullptr);

    INT_PTR DoModal() override;
    void GetCurrentFont(LOGFONTA* font) const { *font = m_lf; }
    std::string GetFaceName() const;
    // Tenths of a point.
    int GetSize() const { return m_cf.iPointSize; }
    COLORREF GetColor() const { return m_cf.rgbColors; }
    int GetWeight() const { return static_cast<int>(m_lf.lfWeight); }
    BOOL IsBold() const { return m_lf.lfWeight >= FW_SEMIBOLD; }
    BOOL IsItalic() const { return m_lf.lfItalic != 0; }
    BOOL IsUnderline() const { return m_lf.lfUnderline != 0; }
    BOOL IsStrikeOut() const { return m_lf.lfStrikeOut != 0; }

    CHOOSEFONTA m_cf;

private:
    LOGFONTA m_lf{};
};
