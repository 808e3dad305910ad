// The process-wide shared video and audio buffers, an outward interface for other processes.
//
// The program creates both before its main code runs; they live until the process exits, when the
// views are unmapped and the mappings closed. A failed creation leaves no view, and every later
// write then does nothing. "ZelvanteAudioBuffer" is created for consumers and otherwise unused.
#pragma once

#include "imagelib/PixImage.h"
#include "platform/gdi/gdi_types.h"

void CreateVideoBuffer();
void CreateAudioBuffer();

// Writes the still shown while nothing plays into every slot a consumer requests.
void PublishStill(HBITMAP bitmap);
bool ReadRequestMask(int slot);
void ScaleIntoSlot(int slot, CPixImage& image);
void WriteSlot(int slot, const BYTE* bits);
