#include "test_camera.h"

#include "platform/dshow/media_types.h"
#include "platform/dshow/testing/glib_quark_leak.h"

#include <gst/gst.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>

namespace {

using zv::capture::testing::FrameRecorder;
using zv::capture::testing::ShownMessages;
using zv::capture::testing::TestDevices;

constexpr LONGLONG kSecond = 10'000'000;

// One-second movies (10 frames) made with GStreamer: motion JPEG in AVI, optionally with a PCM
// audio track.
class FilePlayback : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        gst_init(nullptr, nullptr);
        char pattern[] = "/tmp/zv-file-playback-XXXXXX";
        s_folder = mkdtemp(pattern);
        for (const auto& [name, recipe] : std::map<std::string, std::string>{
                 {"640x480.avi", Video(640, 480) + " ! mux. avimux name=mux"},
                 // Long enough that a loaded machine cannot reach its end before the test pauses it.
                 {"six-seconds.avi", Video(320, 240, 60) + " ! mux. avimux name=mux"},
                 {"320x240.avi", Video(320, 240) + " ! mux. avimux name=mux"},
                 {"854x480.avi", Video(854, 480) + " ! mux. avimux name=mux"},
                 {"clip.wmv.avi", Video(320, 240) + " ! mux. avimux name=mux"},
                 {"audio.avi", Video(320, 240) + " ! mux. audiotestsrc num-buffers=10 samplesperbuffer=4410 ! "
                                                 "audio/x-raw,format=S16LE,rate=44100,channels=1 ! mux. avimux name=mux"}}) {
            const std::string path = Path(name);
            GstElement* pipeline = gst_parse_launch((recipe + " ! filesink location=" + path).c_str(), nullptr);
            ASSERT_NE(nullptr, pipeline);
            gst_element_set_state(pipeline, GST_STATE_PLAYING);
            GstBus* bus = gst_element_get_bus(pipeline);
            GstMessage* end = gst_bus_timed_pop_filtered(bus, 20 * GST_SECOND,
                                                         static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
            ASSERT_NE(nullptr, end);
            EXPECT_EQ(GST_MESSAGE_EOS, GST_MESSAGE_TYPE(end));
            gst_message_unref(end);
            gst_object_unref(bus);
            gst_element_set_state(pipeline, GST_STATE_NULL);
            gst_object_unref(pipeline);
        }
        std::ofstream(Path("empty.avi")).flush();
    }
    static void TearDownTestSuite() { std::system(("rm -rf " + s_folder).c_str()); }

    static std::string Video(int width, int height, int frames = 10)
    {
        return "videotestsrc num-buffers=" + std::to_string(frames) + " ! video/x-raw,width=" + std::to_string(width) +
               ",height=" + std::to_string(height) + ",framerate=10/1 ! jpegenc";
    }
    static std::string Path(const std::string& name) { return s_folder + "/" + name; }

    // Plays a file and waits for a frame.
    void Play(const std::string& name)
    {
        ASSERT_TRUE(m_graph.SetFileName(Path(name).c_str()));
        ASSERT_TRUE(m_graph.PlayFile()) << name;
        EXPECT_EQ(2, m_graph.m_nState);
        ASSERT_TRUE(m_frames.WaitForMoreThan(0)) << name;
    }
    OAFilterState GraphState()
    {
        OAFilterState state = State_Stopped;
        EXPECT_EQ(S_OK, m_graph.m_pMediaControl->GetState(30000, &state));
        return state;
    }
    bool WaitForEvent(LONG wanted)
    {
        LONG code = 0;
        LONG_PTR first = 0;
        LONG_PTR second = 0;
        while (SUCCEEDED(m_graph.m_pMediaEventEx->GetEvent(&code, &first, &second, 30000))) {
            m_graph.m_pMediaEventEx->FreeEventParams(code, first, second);
            if (code == wanted) return true;
        }
        return false;
    }

    static inline std::string s_folder;
    TestDevices m_devices{nullptr};
    FrameRecorder m_frames;
    CCaptureGraph m_graph;
    void SetUp() override { m_graph.m_VideoGrabber.m_pCallback = &FrameRecorder::Callback; }
};

TEST_F(FilePlayback, FramesComeAtEachFilesSizeWithTheRowsPadded)
{
    struct Case {
        const char* name;
        LONG width;
        LONG height;
    };
    // The second file is smaller than the first: its frames never see the first one's size.
    for (const Case& c : {Case{"640x480.avi", 640, 480}, Case{"320x240.avi", 320, 240}, Case{"854x480.avi", 854, 480}}) {
        FrameSize firstSize{-1, -1};
        m_frames.OnFrame([&, seen = false]() mutable {
            if (!seen) firstSize = m_graph.m_VideoGrabber.GetFrameSize();
            seen = true;
        });
        const int before = m_frames.Count();
        ASSERT_TRUE(m_graph.SetFileName(c.name ? Path(c.name).c_str() : nullptr));
        ASSERT_TRUE(m_graph.PlayFile()) << c.name;
        ASSERT_TRUE(m_frames.WaitForMoreThan(before + 1)) << c.name;
        EXPECT_FALSE(m_graph.PlayFile()) << "already playing";
        EXPECT_EQ(2, m_graph.m_nState);
        EXPECT_TRUE(firstSize.width == 0 || firstSize.width == c.width) << c.name << " " << firstSize.width;
        const FrameSize size = m_graph.GetFrameSize();
        EXPECT_EQ(c.width, size.width) << c.name;
        EXPECT_EQ(c.height, size.height) << c.name;
        EXPECT_EQ(static_cast<std::size_t>(zv::dshow::DibStride(c.width) * c.height), m_frames.Last()->bytes.size());
        m_frames.OnFrame(nullptr);
        m_graph.StopGraph();
    }
    EXPECT_TRUE(ShownMessages().empty());
}

TEST_F(FilePlayback, PauseSeekPositionsAndTheEnd)
{
    Play("six-seconds.avi");
    ASSERT_TRUE(m_graph.PausePlayback());
    EXPECT_EQ(1, m_graph.m_nState);
    EXPECT_EQ(State_Paused, GraphState());
    std::int64_t current = -1;
    std::int64_t stop = -1;
    ASSERT_TRUE(m_graph.GetPositions(&current, &stop));
    EXPECT_NEAR(6 * kSecond, stop, kSecond / 10);
    EXPECT_LE(current, stop);

    EXPECT_FALSE(m_graph.SeekTo(stop + 1));
    EXPECT_EQ(State_Paused, GraphState());

    // A seek while paused shows the frame at the new position.
    const int before = m_frames.Count();
    ASSERT_TRUE(m_graph.SeekTo(kSecond / 2));
    EXPECT_EQ(State_Paused, GraphState());
    EXPECT_TRUE(m_frames.WaitForMoreThan(before));
    ASSERT_TRUE(m_graph.GetPositions(&current, &stop));
    EXPECT_NEAR(kSecond / 2, current, kSecond / 10);

    ASSERT_TRUE(m_graph.PlayFile());
    EXPECT_EQ(2, m_graph.m_nState);
    EXPECT_TRUE(WaitForEvent(EC_COMPLETE));
    EXPECT_TRUE(m_graph.StopAndWait());
    EXPECT_TRUE(m_graph.RunAndWait());
}

TEST_F(FilePlayback, AudioPassesThroughItsGrabberOnlyWithSoundOn)
{
    for (const BYTE soundOn : {1, 0}) {
        m_graph.m_bAudioGrabber = soundOn;
        Play("audio.avi");
        EXPECT_EQ(soundOn != 0, m_graph.m_pAudioGrabber != nullptr);
        if (soundOn) {
            // A second walk replaces the grabber it holds and gives the first one back (the graph
            // keeps it alive); the audio pin is taken, so nothing new connects.
            ISampleGrabber* first = m_graph.m_pAudioGrabber;
            first->AddRef();
            const ULONG held = first->Release();
            IBaseFilter* grabber = nullptr;
            ASSERT_EQ(S_OK, m_graph.m_pGrabber->QueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(&grabber)));
            IPin* sourcePin = nullptr;
            ASSERT_EQ(S_OK, CCaptureGraph::GetInputPin(grabber)->ConnectedTo(&sourcePin));
            PIN_INFO info{};
            ASSERT_EQ(S_OK, sourcePin->QueryPinInfo(&info));
            EXPECT_NE(0, m_graph.AddAudioGrabbers(m_graph.m_pGraph, info.pFilter));
            first->AddRef();
            EXPECT_EQ(held - 1, first->Release());
            info.pFilter->Release();
            sourcePin->Release();
            grabber->Release();
        }
        EXPECT_TRUE(WaitForEvent(EC_COMPLETE));
        m_graph.StopGraph();
    }
    EXPECT_TRUE(ShownMessages().empty());
}

TEST_F(FilePlayback, WindowsMediaNamesTakeTheirOwnRoadAndStillDeliverFrames)
{
    const std::map<std::string, bool> names{{"movie.WMV", true}, {"song.wma", true}, {"x.asf", true},
                                            {"clip.wmv.avi", true}, {"movie.avi", false}, {"wmv", false},
                                            {"", false}};
    for (const auto& [name, expected] : names) EXPECT_EQ(expected, CCaptureGraph::IsWindowsMediaFile(name.c_str())) << name;
    EXPECT_FALSE(CCaptureGraph::IsWindowsMediaFile(nullptr));
    EXPECT_FALSE(CCaptureGraph::IsWindowsMediaFile((std::string(259, 'a') + ".wmv").c_str())) << "beyond 259 characters";

    Play("clip.wmv.avi");
    EXPECT_EQ(320, m_graph.GetFrameSize().width);
    EXPECT_NE(nullptr, m_graph.m_pFileSource);
    EXPECT_NE(nullptr, m_graph.m_pMediaSeeking);
}

TEST_F(FilePlayback, FilesThatCannotPlayLeaveNoGraph)
{
    // The size of a file played before does not survive into the next graph.
    Play("640x480.avi");
    m_graph.StopGraph();
    const std::string source = "in m_pGraph->AddSourceFilter(wstrFileName, L\"Source filter\", &pSource)\n";
    struct Case {
        std::string name;
        std::vector<std::string> messages;
    };
    for (const Case& c : {Case{Path("missing.avi"), {"FAILED(hr=0x80070002) " + source}},
                          Case{Path("empty.avi"), {"FAILED(hr=0x80040240) " + source}},
                          Case{"", {}},
                          Case{"/" + std::string(600, 'n'), {}}}) {
        zv::user::MessageBoxResponder::Reset();
        ASSERT_TRUE(m_graph.SetFileName(c.name.c_str()));
        EXPECT_FALSE(m_graph.PlayFile());
        EXPECT_EQ(c.messages, ShownMessages()) << c.name.substr(0, 40);
        EXPECT_EQ(0, m_graph.m_nState);
        EXPECT_EQ(nullptr, m_graph.m_pGraph);
        EXPECT_EQ(nullptr, m_graph.m_pGrabber);
        if (!c.name.empty()) {
            EXPECT_EQ(0, m_graph.GetFrameSize().width) << c.name.substr(0, 40);
        }
    }
    EXPECT_FALSE(m_graph.SeekTo(0)) << "no graph";
    std::int64_t current = 0;
    std::int64_t stop = 0;
    EXPECT_FALSE(m_graph.GetPositions(&current, &stop));
    EXPECT_FALSE(m_graph.StopAndWait());
    EXPECT_TRUE(m_graph.PausePlayback());
}

} // namespace

namespace {

// A graph whose stop never completes: it stays in transition after StopWhenReady.
class StuckStop final : public IMediaControl {
public:
    HRESULT QueryInterface(REFIID, void** ppv) override
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT Run() override
    {
        ++runs;
        stopping = false;
        state = State_Running;
        return S_OK;
    }
    HRESULT Pause() override
    {
        ++pauses;
        stopping = false;
        state = State_Paused;
        return S_OK;
    }
    HRESULT Stop() override { return StopWhenReady(); }
    HRESULT StopWhenReady() override
    {
        stopping = true;
        return S_FALSE;
    }
    HRESULT GetState(LONG, OAFilterState* pfs) override
    {
        *pfs = stopping ? State_Stopped : state;
        return stopping ? VFW_S_STATE_INTERMEDIATE : S_OK;
    }

    OAFilterState state = State_Paused;
    bool stopping = false;
    int runs = 0;
    int pauses = 0;
};

TEST(FilePlaybackStop, AStopThatDoesNotCompleteRestoresTheStateBefore)
{
    CCaptureGraph graph;
    StuckStop control;
    graph.m_pMediaControl = &control;
    EXPECT_FALSE(graph.StopAndWait());
    EXPECT_EQ(1, control.pauses);
    EXPECT_EQ(0, control.runs);
    graph.m_pMediaControl = nullptr;
}

} // namespace

