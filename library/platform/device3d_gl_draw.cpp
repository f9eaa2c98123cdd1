// The GL device's drawing and presenting: pre-transformed vertices become
// GL lists on the library's pixel centres, and a screen texture is shown in
// the window.
#include <algorithm>
#include <cstring>

#include "platform/device3d_gl_internal.h"

namespace {

// The library puts pixel centres on integers with a top-left rule; GL puts
// them on half-integers. The 1/64 keeps edges that fall on a centre on the
// library's side of the tie, whatever the driver's own rule.
constexpr float kPixelShift = 0.5f - 1.0f / 64.0f;

}  // namespace

int Device3DVertexSize(uint32_t fvf) {
    switch (fvf) {
        case D3DFVF_XYZRHW_DIFFUSE: return 20;
        case D3DFVF_XYZRHW_DIFFUSE_TEX1: return 28;
        case D3DFVF_XYZRHW_DIFFUSE_SPECULAR_TEX2: return 40;
        default: return 0;
    }
}

int GLDevice::BeginScene() { return 0; }
int GLDevice::EndScene() { return 0; }

int GLDevice::DrawPrimitive(int type, uint32_t fvf, const void* vertices, int count) {
    return Draw(type, fvf, vertices, count, nullptr, count);
}
int GLDevice::DrawIndexedPrimitive(int type, uint32_t fvf, const void* vertices, int vertexCount,
                                   const uint16_t* indices, int indexCount) {
    for (int i = 0; i < indexCount; ++i)
        if (indices[i] >= vertexCount) return -1;
    return Draw(type, fvf, vertices, vertexCount, indices, indexCount);
}

int GLDevice::Present(Texture3D* screen) {
    if (!screen || !screen->framebuffer) return -1;
    Current();
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window_, &w, &h);
    gl_.BindFramebuffer(ZV_GL_READ_FRAMEBUFFER, screen->framebuffer);
    gl_.BindFramebuffer(ZV_GL_DRAW_FRAMEBUFFER, 0);
    gl_.Disable(GL_SCISSOR_TEST);
    gl_.ClearColor(0, 0, 0, 1);
    gl_.Clear(GL_COLOR_BUFFER_BIT);
    // The screen keeps its shape in the window, bars around it; rows are
    // kept top first, the window's bottom first.
    const double scale = std::min(double(w) / screen->width, double(h) / screen->height);
    const int dw = int(screen->width * scale), dh = int(screen->height * scale);
    const int dx = (w - dw) / 2, dy = (h - dh) / 2;
    gl_.BlitFramebuffer(0, 0, screen->width, screen->height, dx, dy + dh, dx + dw, dy, GL_COLOR_BUFFER_BIT,
                        GL_NEAREST);
    SDL_GL_SwapWindow(window_);
    BindTarget();
    return 0;
}

int GLDevice::PresentPixels(const uint32_t* pixels, int width, int height) {
    if (!presentTexture_ || presentTexture_->width != width || presentTexture_->height != height) {
        ReleaseTexture(presentTexture_);
        SurfacePixelFormat f;
        TextureFormat(1, &f);
        presentTexture_ = CreateTexture(width, height, &f, 1, 0);
        if (!presentTexture_) return -1;
    }
    std::memcpy(presentTexture_->pixels.data(), pixels, size_t(width) * height * 4);
    Upload(presentTexture_, SurfaceRect{0, 0, width, height});
    return Present(presentTexture_);
}

int GLDevice::Draw(int type, uint32_t fvf, const void* vertices, int count, const uint16_t* indices, int indexCount) {
    const int size = Device3DVertexSize(fvf);
    if (size == 0 || count <= 0 || indexCount <= 0) return -1;
    Current();
    const int texCount = fvf == D3DFVF_XYZRHW_DIFFUSE ? 0 : fvf == D3DFVF_XYZRHW_DIFFUSE_TEX1 ? 1 : 2;
    const int texAt = fvf == D3DFVF_XYZRHW_DIFFUSE_SPECULAR_TEX2 ? 24 : 20;
    auto read = [&](int i) {
        const uint8_t* p = static_cast<const uint8_t*>(vertices) + size_t(i) * size;
        OutVertex v{};
        float in[4];
        std::memcpy(in, p, 16);
        v.x = in[0] + kPixelShift;
        v.y = in[1] + kPixelShift;
        v.z = in[2];
        uint32_t c;
        std::memcpy(&c, p + 16, 4);
        v.rgba[0] = uint8_t(c >> 16);
        v.rgba[1] = uint8_t(c >> 8);
        v.rgba[2] = uint8_t(c);
        v.rgba[3] = uint8_t(c >> 24);
        if (texCount) std::memcpy(v.uv, p + texAt, size_t(texCount) * 8);
        if (texCount == 1) std::memcpy(v.uv[1], v.uv[0], 8);
        return v;
    };
    // Every primitive becomes a list; flat shading takes each
    // primitive's first vertex colour (GL would take the last).
    const bool lines = type == D3DPT_LINELIST || type == D3DPT_LINESTRIP;
    const int per = lines ? 2 : 3;
    int prims = 0;
    switch (type) {
        case D3DPT_LINELIST: prims = indexCount / 2; break;
        case D3DPT_LINESTRIP: prims = indexCount - 1; break;
        case D3DPT_TRIANGLELIST: prims = indexCount / 3; break;
        case D3DPT_TRIANGLESTRIP: prims = indexCount - 2; break;
        default: return -1;
    }
    if (prims <= 0) return 0;
    const bool flat = rs_[D3DRS_SHADEMODE] == D3DSHADE_FLAT;
    std::vector<OutVertex>& out = scratch_;
    out.clear();
    for (int p = 0; p < prims; ++p) {
        int at[3];
        const bool list = type == D3DPT_LINELIST || type == D3DPT_TRIANGLELIST;
        for (int k = 0; k < per; ++k) at[k] = list ? p * per + k : p + k;
        // Strips keep their winding on every other triangle.
        if (type == D3DPT_TRIANGLESTRIP && (p & 1)) std::swap(at[1], at[2]);
        OutVertex first{};
        for (int k = 0; k < per; ++k) {
            const int idx = indices ? indices[at[k]] : at[k];
            if (idx >= count) return -1;
            OutVertex v = read(idx);
            if (k == 0) first = v;
            if (flat) std::memcpy(v.rgba, first.rgba, 4);
            out.push_back(v);
        }
    }
    ApplyStates();
    gl_.EnableClientState(GL_VERTEX_ARRAY);
    gl_.EnableClientState(GL_COLOR_ARRAY);
    gl_.VertexPointer(3, GL_FLOAT, sizeof(OutVertex), &out[0].x);
    gl_.ColorPointer(4, GL_UNSIGNED_BYTE, sizeof(OutVertex), out[0].rgba);
    for (int s = 0; s < units_; ++s) {
        gl_.ClientActiveTexture(ZV_GL_TEXTURE0 + s);
        // Stage 0 of a two-coordinate vertex reads the first set, the rest the second.
        const int set = stage_[s][D3DTSS_TEXCOORDINDEX] ? 1 : 0;
        gl_.EnableClientState(GL_TEXTURE_COORD_ARRAY);
        gl_.TexCoordPointer(2, GL_FLOAT, sizeof(OutVertex), out[0].uv[set]);
    }
    gl_.DrawArrays(lines ? GL_LINES : GL_TRIANGLES, 0, GLsizei(out.size()));
    return 0;
}
