// The library started headless with the recording device as its 3D
// device, and helpers that make 3D surfaces and queue quads.
#pragma once
#include <gtest/gtest.h>

#include "graphics/direct3d/d3d_graph.h"
#include "graphics/direct3d/d3d_system.h"
#include "graphics/graph_create_settings.h"
#include "graphics/graph_draw_state.h"
#include "graphics/surface_data.h"
#include "recording_device.h"
#include "zovav.h"
#include "zv_started_library.h"

namespace d3dtest {

inline RecordingDevice* g_fake = nullptr;

inline Device3D* MakeRecordingDevice(PlatformWindow*) {
    g_fake = new RecordingDevice;
    return g_fake;
}
inline Device3D* MakeSoftwareRecordingDevice(PlatformWindow*) {
    g_fake = new RecordingDevice(DEVICE3D_SOFTWARE);
    return g_fake;
}
inline Device3D* MakeUnnamedRecordingDevice(PlatformWindow*) {
    g_fake = new RecordingDevice(DEVICE3D_UNKNOWN);
    return g_fake;
}

class D3DStateTest : public zvtest::StartedLibrary {
protected:
    void SetUp() override {
        SetDevice3DFactory(MakeRecordingDevice);
        ASSERT_NO_FATAL_FAILURE(zvtest::StartedLibrary::SetUp());
        ASSERT_NE(g_fake, nullptr);
        device_ = GetD3DSystem().currentDevice;
        ASSERT_NE(GetD3DDeviceState(device_), nullptr);
    }
    void TearDown() override {
        EXPECT_EQ(ZoVav_End(), 0);
        SetDevice3DFactory(nullptr);
        g_fake = nullptr;
        EXPECT_NE(Log().find("Total size:0("), std::string::npos) << "the library leaves no memory behind";
    }

    // A 3D surface of a 16x16 texture of the given alpha kind.
    int Texture(int alphaChannel, int alphaTest) {
        GraphSurfaceSettings s{1, uint8_t(alphaChannel), 0, 0, uint8_t(alphaTest), 32, 0, 0};
        const int h = AddSurface3DData(&s, 16, 16, 0, 0, 0, 16, 16, 0, 0, 0, nullptr, 0, 0);
        EXPECT_GE(h, 0);
        return h;
    }
    // Sets the draw state for a quad and queues its six vertices.
    void Quad(int surface, int flags = D3DDRAW_TRANS) {
        ASSERT_EQ(G_D3D_SetDrawState(surface >= 0 ? GetSurface3DData(surface) : nullptr, flags), 0);
        ASSERT_NE(G_D3D_BatchReserve(6, D3DPT_TRIANGLELIST), nullptr);
    }
    D3DDeviceState& State() { return *GetD3DDeviceState(device_); }
    uint32_t RS(int state) { return g_fake->renderStates[state]; }

    int device_ = -1;
};

}  // namespace d3dtest
