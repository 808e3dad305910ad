#include "capture/AudioGrabber.h"
#include "capture/VideoGrabber.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

namespace {

// A callback that stays inside until the test lets it go.
struct BlockingCallback {
    static inline std::atomic<int> calls{0};
    static inline std::atomic<bool> inside{false};
    static inline std::promise<void>* release = nullptr;
    static inline std::shared_future<void> released;

    static void Arm()
    {
        calls = 0;
        inside = false;
        release = new std::promise<void>();
        released = release->get_future().share();
    }
    static void Wait()
    {
        ++calls;
        inside = true;
        released.wait();
    }
    static void Disarm()
    {
        release->set_value();
    }
    static void Cleanup()
    {
        delete release;
        release = nullptr;
    }
};

std::int32_t BlockingVideo(double, BYTE*, std::int32_t, FrameSize*)
{
    BlockingCallback::Wait();
    return 5;
}

std::int32_t BlockingAudio(double, BYTE*, std::int32_t)
{
    BlockingCallback::Wait();
    return 6;
}

template <class Grabber>
void ExpectBusyCallbackDropsSamples(Grabber& grabber, HRESULT firstResult)
{
    BYTE bytes[16] = {};
    BlockingCallback::Arm();
    std::thread streaming([&] { EXPECT_EQ(firstResult, grabber.BufferCB(0.0, bytes, sizeof bytes)); });
    while (!BlockingCallback::inside.load()) std::this_thread::yield();
    // The mutex is taken with a zero wait: the sample is dropped, the callback not entered.
    EXPECT_EQ(0, grabber.BufferCB(0.04, bytes, sizeof bytes));
    EXPECT_EQ(1, BlockingCallback::calls.load());
    BlockingCallback::Disarm();
    streaming.join();
    BlockingCallback::Cleanup();
}

TEST(GrabberThreads, VideoCallbackBusyDropsTheSample)
{
    std::int32_t width = 0, height = 0;
    CVideoGrabber grabber(width, height);
    grabber.m_pCallback = &BlockingVideo;
    ExpectBusyCallbackDropsSamples(grabber, 5);
}

TEST(GrabberThreads, AudioCallbackBusyDropsTheSample)
{
    CAudioGrabber grabber;
    grabber.m_pCallback = &BlockingAudio;
    ExpectBusyCallbackDropsSamples(grabber, 6);
}

// Keeps the pair consistent: the height is always twice the width.
std::int32_t DeriveHeight(double, BYTE*, std::int32_t, FrameSize* size)
{
    size->height = size->width * 2;
    return 0;
}

TEST(GrabberThreads, FrameSizeIsNeverSeenHalfWritten)
{
    std::int32_t width = 0, height = 0;
    CVideoGrabber grabber(width, height);
    grabber.m_pCallback = &DeriveHeight;
    std::atomic<bool> done{false};
    std::thread streaming([&] {
        BYTE byte = 0;
        while (!done.load()) grabber.BufferCB(0.0, &byte, 1);
    });
    // The owner's writes and reads take the same lock as the callback, so every pair it reads is
    // one that some writer left whole.
    for (int i = 1; i <= 2000; ++i) {
        grabber.SetFrameSize(i, 2 * i);
        const FrameSize seen = grabber.GetFrameSize();
        ASSERT_EQ(seen.width * 2, seen.height);
        ASSERT_EQ(i, seen.width);
    }
    done = true;
    streaming.join();
}

} // namespace
