#include "platform/winmm/sound.h"

#include "platform/winmm/wave_playback.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <thread>

namespace zv::winmm {
namespace {

// The one sound that plays. Starting is taken one caller at a time, so that two new sounds never
// both survive; stopping needs only the state lock, so a sound played synchronously on one thread
// can be stopped from another.
class SoundPlayer {
public:
    ~SoundPlayer() { Stop(); }

    void Stop()
    {
        std::shared_ptr<WavePlayback> playing;
        std::thread waiter;
        {
            std::lock_guard lock(m_mutex);
            playing = std::move(m_playing);
            waiter = std::move(m_waiter);
        }
        if (playing)
            playing->RequestStop();
        if (waiter.joinable())
            waiter.join();
    }

    bool Play(std::vector<std::uint8_t> wave, bool async)
    {
        std::shared_ptr<WavePlayback> playback;
        {
            std::lock_guard starting(m_startMutex);
            Stop();
            playback = WavePlayback::Start(std::move(wave), SinkSpec());
            if (!playback)
                return false;
            std::lock_guard lock(m_mutex);
            m_playing = playback;
            if (async)
                m_waiter = std::thread([playback] { playback->WaitEnd(); });
        }
        if (async)
            return true;
        const bool ended = playback->WaitEnd();
        std::lock_guard lock(m_mutex);
        if (m_playing == playback)
            m_playing.reset();
        return ended;
    }

private:
    static std::string SinkSpec()
    {
        const char* named = std::getenv("ZV_SOUND_SINK");
        return named ? named : "";
    }

    std::mutex m_startMutex;
    std::mutex m_mutex;
    std::shared_ptr<WavePlayback> m_playing;
    std::thread m_waiter; // waits out an asynchronous sound
};

SoundPlayer& Player()
{
    static SoundPlayer player;
    return player;
}

bool ReadFile(const char* path, std::vector<std::uint8_t>& bytes)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

} // namespace
} // namespace zv::winmm

BOOL sndPlaySoundA(LPCSTR lpszSound, UINT fuSound)
{
    using namespace zv::winmm;
    if ((fuSound & ~(SND_ASYNC | SND_NODEFAULT | SND_MEMORY)) != 0)
        return FALSE;
    if (lpszSound == nullptr) {
        Player().Stop();
        return TRUE;
    }
    std::vector<std::uint8_t> wave;
    if (fuSound & SND_MEMORY) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(lpszSound);
        const std::size_t length = WaveLength(bytes);
        if (length == 0)
            return FALSE;
        wave.assign(bytes, bytes + length);
    } else if (!ReadFile(lpszSound, wave) || wave.size() < 12 || WaveLength(wave.data()) == 0) {
        return FALSE;
    } else {
        // A header claiming more than the file holds is played as far as the file goes.
        wave.resize(std::min(wave.size(), WaveLength(wave.data())));
    }
    return Player().Play(std::move(wave), (fuSound & SND_ASYNC) != 0) ? TRUE : FALSE;
}
