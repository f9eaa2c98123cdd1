// A 3D device that draws nothing and records what it is sent: every render
// state, stage state, texture and draw, with the values now in force.
#pragma once
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/device3d_gl.h"

namespace d3dtest {

struct FakeTexture {
    int width, height, renderTarget, depth;
    SurfacePixelFormat format;
    std::vector<uint8_t> pixels;
};

struct DrawCall {
    int type;
    uint32_t fvf;
    int count;
    std::vector<uint8_t> vertices;   // of a DrawPrimitive call
};

class RecordingDevice final : public Device3D {
public:
    // rendererKind: who the device says draws (Device3DRenderer); an unknown one gives no name.
    explicit RecordingDevice(int rendererKind = DEVICE3D_HARDWARE) {
        caps_ = Device3DCaps{1, 1, 2048, 2048, 0, 0, 8, 16 | 32, 16, rendererKind, "recording"};
        if (rendererKind == DEVICE3D_UNKNOWN) caps_.renderer[0] = '\0';
    }
    ~RecordingDevice() override {
        for (FakeTexture* t : live_) delete t;
    }

    const Device3DCaps& Caps() const override { return caps_; }
    bool TextureFormat(int index, SurfacePixelFormat* f) const override {
        static const uint32_t k[5][5] = {{16, 0xF800, 0x07E0, 0x001F, 0}, {32, 0xFF0000, 0xFF00, 0xFF, 0},
                                         {16, 0x0F00, 0x00F0, 0x000F, 0xF000},
                                         {32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
                                         {16, 0x7C00, 0x03E0, 0x001F, 0x8000}};
        if (index < 0 || index >= 5) return false;
        *f = SurfacePixelFormat{32, SURFACE_PF_RGB | (k[index][4] ? SURFACE_PF_ALPHAPIXELS : 0u), 0, k[index][0],
                                k[index][1], k[index][2], k[index][3], k[index][4]};
        return true;
    }
    Texture3D* CreateTexture(int w, int h, const SurfacePixelFormat* f, int rt, int depth) override {
        if (createBudget == 0) return nullptr;
        if (createBudget > 0) --createBudget;
        auto* t = new FakeTexture{w, h, rt, depth, *f, std::vector<uint8_t>(size_t(w) * h * f->RGBBitCount / 8)};
        live_.push_back(t);
        return reinterpret_cast<Texture3D*>(t);
    }
    void ReleaseTexture(Texture3D* t) override {
        for (size_t i = 0; i < live_.size(); ++i)
            if (reinterpret_cast<Texture3D*>(live_[i]) == t) {
                delete live_[i];
                live_.erase(live_.begin() + long(i));
                return;
            }
    }
    int LockTexture(Texture3D* t, const SurfaceRect* rect, int* pitch, void** pixels) override {
        FakeTexture* f = reinterpret_cast<FakeTexture*>(t);
        const int bytes = int(f->format.RGBBitCount / 8);
        *pitch = f->width * bytes;
        // The lock hands out the rectangle's first pixel, as the device does.
        const size_t at = rect ? size_t(rect->top) * size_t(*pitch) + size_t(rect->left) * size_t(bytes) : 0;
        *pixels = f->pixels.data() + at;
        return 0;
    }
    int UnlockTexture(Texture3D*) override { return 0; }
    int ReadTexture(Texture3D* t, void* pixels, int pitch) override {
        ++reads;
        const FakeTexture* f = reinterpret_cast<FakeTexture*>(t);
        const size_t row = size_t(f->width) * f->format.RGBBitCount / 8;
        for (int y = 0; y < f->height; ++y)
            std::memcpy(static_cast<uint8_t*>(pixels) + size_t(y) * pitch, &f->pixels[y * row], row);
        return 0;
    }
    int WriteTexture(Texture3D* t, const void* pixels, int pitch) override {
        ++writes;
        FakeTexture* f = reinterpret_cast<FakeTexture*>(t);
        const size_t row = size_t(f->width) * f->format.RGBBitCount / 8;
        for (int y = 0; y < f->height; ++y)
            std::memcpy(&f->pixels[y * row], static_cast<const uint8_t*>(pixels) + size_t(y) * pitch, row);
        return 0;
    }
    int FillTexture(Texture3D*, const SurfaceRect*, uint32_t) override { return 0; }
    int FillDepth(Texture3D*, float) override { return 0; }
    int CopyTexture(Texture3D*, int, int, Texture3D*, const SurfaceRect*) override { return 0; }
    int SetColorKey(Texture3D*, int, uint32_t) override { return 0; }

    int SetRenderState(int state, uint32_t value) override {
        renderStates[state] = value;
        ++renderStateSends[state];
        log.push_back("rs");
        return 0;
    }
    int SetTextureStageState(int stage, int state, uint32_t value) override {
        stageStates[{stage, state}] = value;
        return 0;
    }
    int SetTexture(int stage, Texture3D* texture) override {
        textures[stage] = texture;
        return 0;
    }
    int SetRenderTarget(Texture3D* target) override { return 0; }
    int SetViewport(const Device3DViewport&) override { return 0; }
    int SetTransform(int kind, const float* matrix) override {
        transforms[kind].assign(matrix, matrix + 16);
        return 0;
    }
    int BeginScene() override { return 0; }
    int EndScene() override {
        log.push_back("end");
        return 0;
    }
    int DrawPrimitive(int type, uint32_t fvf, const void* vertices, int count) override {
        if (refuseDraws) return -1;
        const auto* p = static_cast<const uint8_t*>(vertices);
        lastVertices.assign(p, p + size_t(count) * size_t(Device3DVertexSize(fvf)));
        draws.push_back(DrawCall{type, fvf, count, lastVertices});
        log.push_back("draw");
        return 0;
    }
    int DrawIndexedPrimitive(int type, uint32_t fvf, const void*, int vertexCount, const uint16_t* indices,
                             int count) override {
        if (refuseDraws) return -1;
        draws.push_back(DrawCall{type, fvf, count, {}});
        for (int i = 0; i < count; ++i)
            if (indices[i] >= vertexCount) ++indicesOutOfRange;
        return 0;
    }
    int Present(Texture3D*) override {
        ++presents;
        return 0;
    }

    size_t LiveTextures() const { return live_.size(); }

    std::map<int, uint32_t> renderStates;
    std::map<int, int> renderStateSends;
    std::map<std::pair<int, int>, uint32_t> stageStates;
    std::map<int, Texture3D*> textures;
    std::map<int, std::vector<float>> transforms;   // by kind: 1 world, 2 view, 3 projection
    std::vector<DrawCall> draws;
    std::vector<uint8_t> lastVertices;   // the vertices of the last draw
    std::vector<std::string> log;
    int createBudget = -1;         // textures still made; -1 without limit
    bool refuseDraws = false;      // every draw fails, as a lost GL context's would
    int indicesOutOfRange = 0;
    int reads = 0, writes = 0;     // whole-texture transfers
    int presents = 0;

private:
    Device3DCaps caps_;
    std::vector<FakeTexture*> live_;
};

}  // namespace d3dtest
