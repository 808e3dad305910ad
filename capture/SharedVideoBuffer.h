// The shared video buffer "ZelvanteVideoBuffer": consumers in other processes set bits of the
// request mask, and the still picture shown while nothing plays is written into every requested
// slot (VideoSlots.h). Only the user-interface thread calls these; no lock is taken, so a
// consumer may read a slot while it is being written.
#pragma once

#include "capture/SharedBlock.h"
#include "capture/VideoSlots.h"
#include "imagelib/PixImage.h"
#include "platform/gdi/gdi_types.h"

class CSharedVideoBuffer {
public:
    // The mask is re-read from the block on every 25th test only.
    static constexpr int kMaskReadInterval = 25;

    CSharedVideoBuffer();

    // Creates "ZelvanteVideoBufferMutex", then the block and its view; false without a view.
    bool Create() { return m_block.Create(); }
    BYTE* View() const { return m_block.View(); }

    // Writes the bitmap into every slot whose request bit is set; nothing for a null bitmap.
    void PublishStill(HBITMAP bitmap);
    // Counts the test and returns bit `slot` of the cached mask, which each 25th test refreshes.
    bool ReadRequestMask(int slot);
    // A picture of the slot's size at 24 bits goes in unscaled; any other is brought to 24 bits
    // and resampled (bicubic B-spline) to the slot's size first.
    void ScaleIntoSlot(int slot, CPixImage& image);
    // Copies the slot's byte count from `bits`; nothing without bits, without a view or for a slot
    // outside the table.
    void WriteSlot(int slot, const BYTE* bits);

private:
    CSharedBlock m_block;
    int m_maskTests = 0;
    DWORD m_cachedMask = 0;
};
