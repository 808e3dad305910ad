// Test support: COM on the test's thread, chosen test devices only, and owning COM pointers.
#pragma once

#include "platform/dshow/com_object.h"
#include "platform/dshow/dshow.h"
#include "platform/dshow/testing/device_hooks.h"
#include "platform/win32/com.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace zv::dshow::testing {

class LayerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        HideSystemDevices(true);
        setenv("ZV_TEST_CAMERA", "Cam A:640x480@30,320x240@15;Cam B:160x120@10", 1);
        unsetenv("ZV_TEST_MICROPHONE");
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    }
    void TearDown() override
    {
        CoUninitialize();
        unsetenv("ZV_TEST_CAMERA");
        HideSystemDevices(false);
    }

    template <class T>
    static ComRef<T> Create(const CLSID& clsid, const IID& iid)
    {
        T* object = nullptr;
        EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid, reinterpret_cast<void**>(&object)));
        return ComRef<T>::Adopt(object);
    }

    template <class T>
    static ComRef<T> Query(IUnknown* from, const IID& iid)
    {
        T* object = nullptr;
        EXPECT_EQ(S_OK, from->QueryInterface(iid, reinterpret_cast<void**>(&object)));
        return ComRef<T>::Adopt(object);
    }

    // The capture filter of the test camera listed at `index`.
    static ComRef<IBaseFilter> BindCamera(int index)
    {
        auto devEnum = Create<ICreateDevEnum>(CLSID_SystemDeviceEnum, IID_ICreateDevEnum);
        IEnumMoniker* monikers = nullptr;
        EXPECT_EQ(S_OK, devEnum->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &monikers, 0));
        auto enumerator = ComRef<IEnumMoniker>::Adopt(monikers);
        IMoniker* moniker = nullptr;
        for (int i = 0; i <= index; ++i) {
            if (moniker) moniker->Release();
            EXPECT_EQ(S_OK, enumerator->Next(1, &moniker, nullptr));
        }
        IBaseFilter* filter = nullptr;
        EXPECT_EQ(S_OK, moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(&filter)));
        moniker->Release();
        return ComRef<IBaseFilter>::Adopt(filter);
    }

    // Camera -> grabber -> null renderer in a new graph.
    struct CaptureChain {
        ComRef<IGraphBuilder> graph;
        ComRef<ICaptureGraphBuilder2> builder;
        ComRef<IBaseFilter> camera;
        ComRef<IBaseFilter> grabber;
        ComRef<IBaseFilter> renderer;
    };
    static CaptureChain BuildChain(int cameraIndex)
    {
        CaptureChain chain;
        chain.graph = Create<IGraphBuilder>(CLSID_FilterGraph, IID_IGraphBuilder);
        chain.builder = Create<ICaptureGraphBuilder2>(CLSID_CaptureGraphBuilder2, IID_ICaptureGraphBuilder2);
        EXPECT_EQ(S_OK, chain.builder->SetFiltergraph(chain.graph.get()));
        chain.camera = BindCamera(cameraIndex);
        chain.grabber = Create<IBaseFilter>(CLSID_SampleGrabber, IID_IBaseFilter);
        chain.renderer = Create<IBaseFilter>(CLSID_NullRenderer, IID_IBaseFilter);
        EXPECT_EQ(S_OK, chain.graph->AddFilter(chain.camera.get(), u"Camera"));
        EXPECT_EQ(S_OK, chain.graph->AddFilter(chain.grabber.get(), u"Grabber"));
        EXPECT_EQ(S_OK, chain.graph->AddFilter(chain.renderer.get(), u"Null"));
        EXPECT_EQ(S_OK, chain.builder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, chain.camera.get(),
                                                    chain.grabber.get(), chain.renderer.get()));
        return chain;
    }
};

} // namespace zv::dshow::testing
