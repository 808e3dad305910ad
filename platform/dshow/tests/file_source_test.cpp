#include "layer_fixture.h"

#include "platform/dshow/filter.h"
#include "platform/dshow/testing/glib_quark_leak.h"
#include "platform/dshow/testing/media_file.h"

#include <cstdio>
#include <string>

namespace zv::dshow::testing {
namespace {

class FileSourceTest : public LayerTest {
protected:
    // A one-second AVI with a video and an audio stream, made once.
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(WriteMediaFile(
            "videotestsrc num-buffers=10 ! video/x-raw,width=160,height=120,framerate=10/1 ! jpegenc ! mux. "
            "audiotestsrc num-buffers=10 samplesperbuffer=4410 ! audio/x-raw,format=S16LE,rate=44100,channels=1 ! "
            "mux. avimux name=mux ! filesink location=" +
            s_path));
    }
    static void TearDownTestSuite() { std::remove(s_path.c_str()); }

    static inline const std::string s_path = "/tmp/zv-file-source-" + std::to_string(getpid()) + ".avi";
};

TEST_F(FileSourceTest, PinsFollowTheStreamsAndRenderToTheRightKindOfRenderer)
{
    auto graph = Create<IGraphBuilder>(CLSID_FilterGraph, IID_IGraphBuilder);
    const std::u16string name(s_path.begin(), s_path.end());
    IBaseFilter* made = nullptr;
    ASSERT_EQ(S_OK, graph->AddSourceFilter(name.c_str(), u"Source", &made));
    auto source = ComRef<IBaseFilter>::Adopt(made);

    FILTER_INFO info{};
    ASSERT_EQ(S_OK, source->QueryFilterInfo(&info));
    EXPECT_EQ(std::u16string(u"Source"), info.achName);
    EXPECT_EQ(graph.get(), info.pGraph);
    info.pGraph->Release();

    IEnumPins* pinsMade = nullptr;
    ASSERT_EQ(S_OK, source->EnumPins(&pinsMade));
    auto pins = ComRef<IEnumPins>::Adopt(pinsMade);
    IPin* both[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(S_FALSE, pins->Next(3, both, &fetched));
    ASSERT_EQ(2u, fetched);
    const GUID kinds[] = {MEDIATYPE_Video, MEDIATYPE_Audio};
    for (int i = 0; i < 2; ++i) {
        PIN_DIRECTION direction = PINDIR_INPUT;
        EXPECT_EQ(S_OK, both[i]->QueryDirection(&direction));
        EXPECT_EQ(PINDIR_OUTPUT, direction);
        IEnumMediaTypes* types = nullptr;
        ASSERT_EQ(S_OK, both[i]->EnumMediaTypes(&types));
        AM_MEDIA_TYPE* type = nullptr;
        ASSERT_EQ(S_OK, types->Next(1, &type, nullptr));
        EXPECT_EQ(kinds[i], type->majortype);
        if (i == 0) {
            EXPECT_EQ(160, VideoFormatOf(*type)->width);
        }
        DeleteMediaType(type);
        EXPECT_EQ(S_FALSE, types->Next(1, &type, nullptr));
        types->Release();

        IPin* peer = nullptr;
        EXPECT_EQ(VFW_E_NOT_CONNECTED, both[i]->ConnectedTo(&peer));
        EXPECT_EQ(S_OK, graph->Render(both[i]));
        EXPECT_EQ(VFW_E_ALREADY_CONNECTED, graph->Render(both[i]));
        ASSERT_EQ(S_OK, both[i]->ConnectedTo(&peer));
        EXPECT_EQ(i == 0 ? u"Video Renderer" : u"Audio Renderer", AsLayerPin(peer)->Owner().Name());
        peer->Release();
        both[i]->Release();
    }
    EXPECT_EQ(S_OK, pins->Reset());
    EXPECT_EQ(S_OK, pins->Skip(2));
    EXPECT_EQ(S_FALSE, pins->Skip(1));
}

TEST_F(FileSourceTest, AStoppedGraphStartsWhereItWasPositioned)
{
    auto graph = Create<IGraphBuilder>(CLSID_FilterGraph, IID_IGraphBuilder);
    const std::u16string name(s_path.begin(), s_path.end());
    IBaseFilter* made = nullptr;
    ASSERT_EQ(S_OK, graph->AddSourceFilter(name.c_str(), nullptr, &made));
    auto source = ComRef<IBaseFilter>::Adopt(made);
    Filter* filter = AsLayerFilter(source.get());
    for (const auto& pin : filter->Pins()) EXPECT_EQ(S_OK, graph->Render(pin.get()));

    auto seeking = Query<IMediaSeeking>(graph.get(), IID_IMediaSeeking);
    const GUID frames = MEDIATYPE_Video; // any format but media time
    EXPECT_EQ(E_INVALIDARG, seeking->SetTimeFormat(&frames));
    EXPECT_EQ(S_OK, seeking->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME));
    LONGLONG position = 6'000'000;
    ASSERT_EQ(S_OK, seeking->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning));
    auto control = Query<IMediaControl>(graph.get(), IID_IMediaControl);
    EXPECT_TRUE(SUCCEEDED(control->Pause()));
    OAFilterState state = State_Stopped;
    EXPECT_EQ(S_OK, control->GetState(5000, &state));
    LONGLONG current = 0;
    LONGLONG stop = 0;
    ASSERT_EQ(S_OK, seeking->GetPositions(&current, &stop));
    EXPECT_NEAR(6'000'000, current, 1'000'000);
    EXPECT_NEAR(10'000'000, stop, 1'000'000);
    EXPECT_EQ(S_OK, control->Stop());
}

} // namespace
} // namespace zv::dshow::testing
