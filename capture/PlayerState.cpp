#include "capture/PlayerState.h"

std::atomic<std::int32_t> g_nPlayerState{PlayerStopped};
