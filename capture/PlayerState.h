// The player state, read by the frame road, the timers and the desktop grabber, written by the
// main window: 0 stopped, 1 device running, 2 video file running, 3 device paused, 4 video file
// paused, 5 image, slideshow or desktop shown.
#pragma once

#include <atomic>
#include <cstdint>

enum PlayerState : std::int32_t {
    PlayerStopped = 0,
    PlayerDeviceRunning = 1,
    PlayerVideoRunning = 2,
    PlayerDevicePaused = 3,
    PlayerVideoPaused = 4,
    PlayerStillShown = 5,
};

extern std::atomic<std::int32_t> g_nPlayerState;
