// Playing WAVE sounds: sndPlaySoundA from memory (a WAVE resource's bytes) or from a file, through
// GStreamer to the desktop's audio output. One sound plays at a time: a new one stops the one
// playing, and a null sound stops it.
//
// ZV_SOUND_SINK=file:<path> sends the decoded samples to that file instead of the audio output
// (the file then holds the WAVE's sample bytes exactly), for machines without a sound card.
#pragma once

#include "platform/win32/types.h"

constexpr UINT SND_SYNC = 0x0000;
constexpr UINT SND_ASYNC = 0x0001;
constexpr UINT SND_NODEFAULT = 0x0002;
constexpr UINT SND_MEMORY = 0x0004;

// TRUE once the sound plays (SND_ASYNC: started and heard by the output; otherwise played to its
// end) or, for a null sound, once nothing plays. FALSE for bytes that are not a WAVE, a file
// that cannot be read, an output that cannot play, or other flags (looping is not offered). There
// is no default sound to play instead, so SND_NODEFAULT changes nothing.
BOOL sndPlaySoundA(LPCSTR lpszSound, UINT fuSound);
