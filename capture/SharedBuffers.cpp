#include "capture/SharedBuffers.h"

#include "capture/SharedBlock.h"
#include "capture/SharedVideoBuffer.h"
#include "capture/VideoSlots.h"

namespace {

// Function-local statics: the layer's own tables are never destroyed, so closing these at exit is safe.
CSharedVideoBuffer& VideoBuffer()
{
    static CSharedVideoBuffer buffer;
    return buffer;
}

CSharedBlock& AudioBuffer()
{
    static CSharedBlock block("ZelvanteAudioBufferMutex", "ZelvanteAudioBuffer", kAudioBufferBytes);
    return block;
}

} // namespace

void CreateVideoBuffer() { VideoBuffer().Create(); }
void CreateAudioBuffer() { AudioBuffer().Create(); }
void PublishStill(HBITMAP bitmap) { VideoBuffer().PublishStill(bitmap); }
bool ReadRequestMask(int slot) { return VideoBuffer().ReadRequestMask(slot); }
void ScaleIntoSlot(int slot, CPixImage& image) { VideoBuffer().ScaleIntoSlot(slot, image); }
void WriteSlot(int slot, const BYTE* bits) { VideoBuffer().WriteSlot(slot, bits); }
