// Releases a COM pointer and leaves it null, so that no pointer is released twice.
#pragma once

template <class Interface>
void ReleaseAndClear(Interface*& pointer)
{
    if (pointer != nullptr) {
        pointer->Release();
        pointer = nullptr;
    }
}
