// CDlgControlPanel: the small modeless window (template 130) beside the main window in which the
// user enables output sizes. It is drawn by the skin form "Skin ControlPanel": eight check boxes,
// one per output size 0..7, and an OK button. The choice is the settings file's output-size mask
// (ConfigStore::resolutionMask, bit i = size i), which only this panel reads and writes.
//
// The form's clicks reach the main dialog's skin event handler, which offers the ones it does not
// claim to OnSkinClick. User-interface thread only.
#pragma once

#include "platform/afx/afx_dialog.h"

#include <cstdint>

struct ISkinRootElement;

class CDlgControlPanel : public CDialog {
public:
    static constexpr int kSizeCheckCount = 8;
    // The check box of each output size, in bit order.
    static const char* const kSizeCheckNames[kSizeCheckCount];

    // Makes the window, hidden, with `parent` (the main dialog) as its parent.
    explicit CDlgControlPanel(CWnd* parent);
    ~CDlgControlPanel() override;
    CDlgControlPanel(const CDlgControlPanel&) = delete;
    CDlgControlPanel& operator=(const CDlgControlPanel&) = delete;

    // False when the form could not be applied: the panel then never shows.
    bool IsSkinned() const { return m_pSkinRoot != nullptr; }

    // Checks each size's box by its bit of the stored mask (unconfirmed changes are dropped).
    void FillResolutionChecks();
    // The main dialog's click hand-off: "Button Control Ok" confirms the boxes, "Button Control
    // Close" hides the panel. True when the element was one of them.
    bool OnSkinClick(IUnknown* element);
    // Stores the boxes into the mask and saves the settings file when it changed. A box exactly 1
    // enables its size, any other value disables it; a box that cannot be found or read leaves
    // its bit as it was.
    void ApplyResolutionChecks();

    ISkinRootElement* m_pSkinRoot = nullptr; // the form's root while skinned

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    void ReleaseSkinRoot();
};
