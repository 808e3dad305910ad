// Row cursor over an image's pixel rows, shared by the codecs that fill or read rows one by one.
#pragma once

#include "platform/win32/types.h"

class CPixImage;

struct CPixImageIterator {
    LONG m_x = 0;           // current column
    LONG m_y = 0;           // current row, 0 = bottom
    LONG m_stepX = 0;       // kept for codecs that walk in steps; 0 otherwise
    LONG m_stepY = 0;
    BYTE* m_pRow = nullptr; // first byte of row m_y
    CPixImage* m_pImage = nullptr;

    // Starts at the bottom row.
    void Attach(CPixImage* image);
    void GoTop();
    // Moves to row y when it exists; a row outside the image leaves the cursor where it was.
    // Returns the current row pointer.
    BYTE* SetRow(LONG y);
};
