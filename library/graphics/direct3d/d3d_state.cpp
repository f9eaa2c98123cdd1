// The per-device render-state cache: setters that send only what changed,
// the blend set-up with its texture-stage tables, the per-draw state set-up,
// and the vertex batch that every state change draws out first.
#include <cstring>

#include "core/library_state.h"
#include "core/log.h"
#include "graphics/direct3d/d3d_screen.h"
#include "graphics/direct3d/d3d_system.h"
#include "graphics/graph_create_settings.h"
#include "graphics/graph_draw_state.h"
#include "graphics/surface_data.h"
#include "zovav.h"

namespace {

// Stage entries: alpha arg1, arg2, op, colour arg1, arg2, op.
#define SEL(a) a, -1, D3DTOP_SELECTARG1
#define MOD(a, b) a, b, D3DTOP_MODULATE
#define ADD(a, b) a, b, D3DTOP_ADD
#define OFF -1, -1, D3DTOP_DISABLE
// Selects a; the blend set-up may turn the select into a scaling modulate,
// which white specular as second argument keeps a pure scale of a.
#define SCALED(a) a, S, D3DTOP_SELECTARG1
#define STAGE(alpha, colour) {alpha, colour, {0, 0}}
#define NONE STAGE(OFF, OFF)
constexpr int16_t D = D3DTA_DIFFUSE, C = D3DTA_CURRENT, T = D3DTA_TEXTURE, F = D3DTA_TFACTOR, S = D3DTA_SPECULAR;

const D3DStageTable kUntextured = {1, {STAGE(SEL(D), SEL(D)), NONE, NONE, NONE}};

// T0..T11 (k + 3 x alpha-modulate + 6 x colour-modulate; k 0 plain, 1 alpha
// channel, 2 alpha test), then B0..B11 the same through a blend graph. In
// B3 and B9 the diffuse alpha weighs a stage after the scaled weight, so the
// scaling never raises it.
const D3DStageTable kTables[24] = {
    {1, {STAGE(SEL(D), SEL(T)), NONE, NONE, NONE}},
    {1, {STAGE(SEL(T), SEL(T)), NONE, NONE, NONE}},
    {1, {STAGE(SEL(T), SEL(T)), NONE, NONE, NONE}},
    {1, {STAGE(SEL(D), SEL(T)), NONE, NONE, NONE}},
    {1, {STAGE(MOD(T, D), SEL(T)), NONE, NONE, NONE}},
    {1, {STAGE(MOD(T, D), SEL(T)), NONE, NONE, NONE}},
    {1, {STAGE(SEL(D), MOD(T, D)), NONE, NONE, NONE}},
    {1, {STAGE(SEL(T), MOD(T, D)), NONE, NONE, NONE}},
    {1, {STAGE(SEL(T), MOD(T, D)), NONE, NONE, NONE}},
    {1, {STAGE(SEL(D), MOD(T, D)), NONE, NONE, NONE}},
    {1, {STAGE(MOD(T, D), MOD(T, D)), NONE, NONE, NONE}},
    {1, {STAGE(MOD(T, D), MOD(T, D)), NONE, NONE, NONE}},
    {2, {STAGE(ADD(T, F), SEL(D)), STAGE(SCALED(C), SEL(T)), NONE, NONE}},
    {3, {STAGE(ADD(T, F), SEL(D)), STAGE(MOD(S, C), SEL(C)), STAGE(MOD(T, C), SEL(T)), NONE}},
    {2, {STAGE(ADD(T, F), SEL(D)), STAGE(MOD(T, C), SEL(T)), NONE, NONE}},
    {3, {STAGE(ADD(T, F), SEL(D)), STAGE(SCALED(C), SEL(T)), STAGE(MOD(D, C), SEL(C)), NONE}},
    {4, {STAGE(ADD(T, F), SEL(D)), STAGE(MOD(S, C), SEL(C)), STAGE(MOD(T, C), SEL(T)), STAGE(MOD(D, C), SEL(C))}},
    {3, {STAGE(ADD(T, F), SEL(D)), STAGE(MOD(T, C), SEL(T)), STAGE(MOD(D, C), SEL(C)), NONE}},
    {2, {STAGE(ADD(T, F), SEL(D)), STAGE(SCALED(C), MOD(T, D)), NONE, NONE}},
    {3, {STAGE(ADD(T, F), SEL(D)), STAGE(MOD(S, C), SEL(C)), STAGE(MOD(T, C), MOD(T, D)), NONE}},
    {2, {STAGE(ADD(T, F), SEL(D)), STAGE(MOD(T, C), MOD(T, D)), NONE, NONE}},
    {3, {STAGE(ADD(T, F), SEL(D)), STAGE(SCALED(C), MOD(T, D)), STAGE(MOD(D, C), SEL(C)), NONE}},
    {4, {STAGE(ADD(T, F), SEL(D)), STAGE(MOD(S, C), SEL(C)), STAGE(MOD(T, C), MOD(T, D)), STAGE(MOD(D, C), SEL(C))}},
    {3, {STAGE(ADD(T, F), SEL(D)), STAGE(MOD(T, C), MOD(T, D)), STAGE(MOD(D, C), SEL(C)), NONE}},
};
#undef SEL
#undef MOD
#undef ADD
#undef OFF
#undef SCALED
#undef STAGE
#undef NONE

// Blend mode -> (DESTBLEND, SRCBLEND); -1 re-sends the cached value. The
// subtractive mode takes the source, weighed by its alpha, from the
// destination in one step (the same pixels as inverting the destination,
// adding and inverting again); every other mode adds the two terms.
const int kBlendPairs[10][2] = {{-1, -1}, {D3DBLEND_INVSRCALPHA, D3DBLEND_SRCALPHA}, {D3DBLEND_ONE, D3DBLEND_SRCALPHA},
                                {D3DBLEND_ONE, D3DBLEND_SRCALPHA}, {D3DBLEND_SRCCOLOR, D3DBLEND_ZERO},
                                {D3DBLEND_ONE, D3DBLEND_SRCALPHA}, {-1, -1}, {-1, -1}, {D3DBLEND_ONE, D3DBLEND_ZERO},
                                {D3DBLEND_ZERO, D3DBLEND_INVDESTCOLOR}};

// The multiplying mode multiplies the destination by the texel's colour
// weighed by the texel's alpha (glyph cells: by their colour faded towards
// white by their coverage): a stage after the others weighs the colour.
constexpr D3DStageEntry kAlphaWeighedColour = {D3DTA_CURRENT, -1, D3DTOP_SELECTARG1,
                                               D3DTA_TEXTURE | D3DTA_ALPHAREPLICATE, D3DTA_CURRENT, D3DTOP_MODULATE,
                                               {0, 0}};

const int kDeviceState[D3DC_COUNT] = {D3DRS_ALPHATESTENABLE,   D3DRS_ALPHAREF,       D3DRS_ALPHAFUNC,
                                      D3DRS_ALPHABLENDENABLE,   D3DRS_TEXTUREFACTOR,  D3DRS_SRCBLEND,
                                      D3DRS_DESTBLEND,          D3DRS_BLENDOP,        D3DRS_ZENABLE,
                                      D3DRS_ZWRITEENABLE,       D3DRS_ZFUNC,          D3DRS_SHADEMODE,
                                      D3DRS_CULLMODE,           D3DRS_TEXTUREPERSPECTIVE, D3DRS_COLORKEYENABLE};
// Order of a stage record's six states.
const int kStageStates[6] = {D3DTSS_ALPHAARG1, D3DTSS_ALPHAARG2, D3DTSS_ALPHAOP,
                             D3DTSS_COLORARG1, D3DTSS_COLORARG2, D3DTSS_COLOROP};

constexpr int kVertexSize[3] = {20, 28, 40};

// Sends one cached render state when it differs or force asks; -1 when the device refuses.
int Send(D3DDeviceState* r, int which, uint32_t value, bool force) {
    if (!force && r->state[which] == value) return 0;
    if (r->device->SetRenderState(kDeviceState[which], value) != 0) return -1;
    r->state[which] = value;
    return 0;
}

// A setter's common path: compare, draw out the batch, send.
int SetCached(int device, int which, uint32_t value, bool flush) {
    D3DDeviceState* r = GetD3DDeviceState(device);
    if (!r) return -1;
    if (r->state[which] == value && !r->forceResend) return 0;
    if (flush) G_D3D_RenderVertex(D3DFlush::StateChange);
    return Send(r, which, value, true);
}

void SendStage(D3DDeviceState* r, int stage, Texture3D* texture, const D3DStageEntry& e, bool force) {
    if (force || r->stageTexture[stage] != texture) {
        r->device->SetTexture(stage, texture);
        r->stageTexture[stage] = texture;
    }
    const int16_t v[6] = {e.alphaArg1, e.alphaArg2, e.alphaOp, e.colorArg1, e.colorArg2, e.colorOp};
    for (int i = 0; i < 6; ++i) {
        if (v[i] < 0 || (!force && r->stageState[stage][i] == v[i])) continue;
        r->device->SetTextureStageState(stage, kStageStates[i], uint32_t(v[i]));
        r->stageState[stage][i] = v[i];
    }
}

void SetBatchFormat(D3DDeviceState* r, int format) {
    if (r->batchFormat == format) return;
    G_D3D_RenderVertex(D3DFlush::StateChange);
    r->batchFormat = format;
    r->batchWrite = r->batch[format];
}

// The texture-factor alpha and stage alpha operations of a blend-graph draw.
void BlendGraphFactor(int range, int param, int* stage0Op, int* stage1Op, uint32_t* factor) {
    int t = 0, alpha = 0;
    if (range < 65) {
        *stage1Op = D3DTOP_MODULATE4X;
        t = 1280 - param * 1280 / 255;
        if (t < 1024) *stage0Op = D3DTOP_SUBTRACT, alpha = 255 - (t * 255 >> 10);
        else *stage0Op = D3DTOP_ADD, alpha = ((t - 1024) * 64) >> 8;
    } else if (range < 129) {
        *stage1Op = D3DTOP_MODULATE2X;
        t = 768 - param * 768 / 255;
        if (t < 512) *stage0Op = D3DTOP_SUBTRACT, alpha = 255 - (t * 255 >> 9);
        else *stage0Op = D3DTOP_ADD, alpha = ((t - 512) * 128) >> 8;
    } else {
        *stage1Op = D3DTOP_MODULATE;
        t = 512 - param * 512 / 255;
        if (t < 256) *stage0Op = D3DTOP_SUBTRACT, alpha = 255 - (t * 255 >> 8);
        else *stage0Op = D3DTOP_ADD, alpha = ((t - 256) * 255) >> 8;
    }
    *factor = uint32_t(alpha) << 24 | 0x00FFFFFF;
}

}  // namespace

const D3DStageTable& GetD3DStageTable(int index) { return kTables[index]; }
const D3DStageTable& GetD3DUntexturedStageTable() { return kUntextured; }

int D3DBatchVertexSize(int format) { return kVertexSize[format]; }
uint32_t D3DBatchFVF(int format) {
    static const uint32_t kFVF[3] = {D3DFVF_XYZRHW_DIFFUSE, D3DFVF_XYZRHW_DIFFUSE_TEX1,
                                     D3DFVF_XYZRHW_DIFFUSE_SPECULAR_TEX2};
    return kFVF[format];
}
int D3DBatchCapacity(int format) {
    static const int kMax[3] = {3225, 2340, 1638};
    return kMax[format];
}

int G_D3D_SetZEnable(int value, int device) { return SetCached(device, D3DC_ZENABLE, value == 1 ? 1 : 0, true); }
int G_D3D_SetZWrite(int value, int device) { return SetCached(device, D3DC_ZWRITEENABLE, uint32_t(value), true); }
int G_D3D_SetZFunc(int value, int device) { return SetCached(device, D3DC_ZFUNC, uint32_t(value), true); }
int G_D3D_SetCullMode(int value, int device) {
    return SetCached(device, D3DC_CULLMODE, value ? D3DCULL_CCW : D3DCULL_NONE, true);
}
int G_D3D_SetShadeMode(int value, int device) { return SetCached(device, D3DC_SHADEMODE, uint32_t(value), true); }
int G_D3D_SetTexturePerspective(int value, int device) {
    return SetCached(device, D3DC_TEXTUREPERSPECTIVE, uint32_t(value), false);
}
int G_D3D_SetColorKeyEnable(int value, int device) {
    return SetCached(device, D3DC_COLORKEYENABLE, uint32_t(value), true);
}

int G_D3D_SetRenderTarget(Texture3D* target, int device) {
    D3DDeviceState* r = GetD3DDeviceState(device);
    if (!r) return -1;
    if (!target) target = r->firstTarget;
    if (target == r->currentTarget && !r->forceResend) return 0;
    G_D3D_RenderVertex(D3DFlush::StateChange);
    if (r->device->SetRenderTarget(target) != 0) return -1;
    r->currentTarget = target;
    return 0;
}

int G_D3D_SetTextureFilter(int mode, int device) {
    D3DDeviceState* r = GetD3DDeviceState(device);
    if (!r || (mode != 0 && mode != 1)) return -1;
    if (r->filter == mode && !r->forceResend) return 0;
    G_D3D_RenderVertex(D3DFlush::StateChange);
    const uint32_t filter = mode ? D3DTFG_LINEAR : D3DTFG_POINT;
    for (int s = 0; s < kD3DStages; ++s) {
        r->device->SetTextureStageState(s, D3DTSS_MAGFILTER, filter);
        r->device->SetTextureStageState(s, D3DTSS_MINFILTER, filter);
    }
    r->filter = mode;
    return 0;
}

int G_D3D_SetDrawMode(int mode) {
    if (!GetCurrentD3DDeviceState()) return -1;
    return G_D3D_SetTextureFilter(mode == 1 ? 1 : 0, GetD3DSystem().currentDevice);
}

int G_D3D_SetColorModulate(int value, int device) {
    D3DDeviceState* r = GetD3DDeviceState(device);
    if (!r) return -1;
    if (r->colorModulate != value) r->blendDirty = 1;
    r->colorModulate = value;
    return 0;
}

int G_D3D_SetAlphaModulate(int value, int device) {
    D3DDeviceState* r = GetD3DDeviceState(device);
    if (!r) return -1;
    if (r->alphaModulate != value) r->blendDirty = 1;
    r->alphaModulate = value;
    return 0;
}

int G_D3D_SetTexture(Texture3D* texture, int device) {
    D3DDeviceState* r = GetD3DDeviceState(device);
    if (!r) return -1;
    if (r->currentTexture == texture && !r->forceResend) return 0;
    G_D3D_RenderVertex(D3DFlush::StateChange);
    r->textureDirty = 1;
    if ((r->currentTexture == nullptr) != (texture == nullptr)) r->blendDirty = 1;
    r->currentTexture = texture;
    return 0;
}

int G_D3D_SetBlendMode(int mode, int alphaChannel, int alphaTest, int device) {
    D3DDeviceState* r = GetD3DDeviceState(device);
    if (!r || mode < 0 || mode > 9) return -1;
    if (r->blendMode != mode || r->alphaChannel != alphaChannel || r->alphaTest != alphaTest) r->blendDirty = 1;
    r->blendMode = mode;
    r->alphaChannel = alphaChannel;
    r->alphaTest = alphaTest;
    return 0;
}

int G_D3D_SetBlendGraph(Texture3D* blendGraph, int param, int range, int device) {
    D3DDeviceState* r = GetD3DDeviceState(device);
    if (!r) return -1;
    if (r->blendGraphTexture != blendGraph || r->blendGraphRange != range || r->blendParam != param) {
        G_D3D_RenderVertex(D3DFlush::StateChange);
        r->blendDirty = 1;
    }
    r->blendGraphTexture = blendGraph;
    r->blendGraphRange = range;
    r->blendParam = param;
    return 0;
}

int G_D3D_SetViewport(const Device3DViewport& v, int device) {
    D3DDeviceState* r = GetD3DDeviceState(device);
    if (!r || !r->currentTarget) return -1;
    const Device3DViewport& c = r->viewport;
    if (!r->forceResend && c.x == v.x && c.y == v.y && c.width == v.width && c.height == v.height) return 0;
    G_D3D_RenderVertex(D3DFlush::StateChange);
    if (r->sceneBegun) {
        r->device->EndScene();
        r->sceneBegun = 0;
    }
    const int code = r->device->SetViewport(v);
    if (code != 0) return ErrorLogFmtAdd("ビューポートのセットに失敗しました ErrorCode %x", unsigned(code));
    r->viewport = v;
    return 0;
}

namespace {
enum : int { kTransformWorld = 1, kTransformView = 2, kTransformProjection = 3 };

int SetDeviceTransform(int kind, const float* matrix, int device) {
    if (!GetDirect3DUpFlag()) return -1;
    D3DDeviceState* r = GetD3DDeviceState(device);
    if (!r) return -1;
    G_D3D_RenderVertex(D3DFlush::StateChange);
    return r->device->SetTransform(kind, matrix) == 0 ? 0 : -1;
}
}  // namespace

int G_D3D_SetTransformWorld(const float m[16], int device) { return SetDeviceTransform(kTransformWorld, m, device); }
int G_D3D_SetTransformView(const float m[16], int device) { return SetDeviceTransform(kTransformView, m, device); }
int G_D3D_SetTransformProjection(const float m[16], int device) {
    return SetDeviceTransform(kTransformProjection, m, device);
}
int G_D3D_SetTransformWorld(const float m[16]) { return G_D3D_SetTransformWorld(m, GetD3DSystem().currentDevice); }
int G_D3D_SetTransformView(const float m[16]) { return G_D3D_SetTransformView(m, GetD3DSystem().currentDevice); }
int G_D3D_SetTransformProjection(const float m[16]) {
    return G_D3D_SetTransformProjection(m, GetD3DSystem().currentDevice);
}

int G_D3D_ResendDeviceStates(int device) {
    D3DDeviceState* r = GetD3DDeviceState(device);
    if (!r) return -1;
    G_D3D_RenderVertex(D3DFlush::StateChange);
    static const uint32_t kTexCoordIndex[kD3DStages] = {0, 1, 1, 0};
    const uint32_t filter = r->filter ? D3DTFG_LINEAR : D3DTFG_POINT;
    for (int s = 0; s < kD3DStages; ++s) {
        r->device->SetTextureStageState(s, D3DTSS_ADDRESS, uint32_t(r->addressMode));
        r->device->SetTextureStageState(s, D3DTSS_TEXCOORDINDEX, kTexCoordIndex[s]);
        r->device->SetTextureStageState(s, D3DTSS_MAGFILTER, filter);
        r->device->SetTextureStageState(s, D3DTSS_MINFILTER, filter);
    }
    for (int which : {D3DC_TEXTUREPERSPECTIVE, D3DC_SHADEMODE, D3DC_COLORKEYENABLE, D3DC_CULLMODE, D3DC_ZENABLE,
                      D3DC_ZWRITEENABLE, D3DC_ZFUNC})
        Send(r, which, r->state[which], true);
    r->device->SetRenderState(D3DRS_LIGHTING, 0);
    r->device->SetRenderState(D3DRS_DITHERENABLE, 0);
    r->device->SetRenderState(D3DRS_COLORKEYBLENDENABLE, 0);
    return 0;
}

int G_D3D_SetupBlendState(int device) {
    D3DDeviceState* r = GetD3DDeviceState(device);
    if (!r || (!r->blendDirty && !r->textureDirty && !r->forceResend)) return -1;
    Texture3D* const graph = r->currentTexture ? r->blendGraphTexture : nullptr;
    const int textureStage = graph == nullptr ? 0 : r->alphaChannel ? 2 : 1;
    if (!r->blendDirty && !r->forceResend) {
        G_D3D_RenderVertex(D3DFlush::StateChange);
        r->device->SetTexture(textureStage, r->currentTexture);
        r->stageTexture[textureStage] = r->currentTexture;
        // The multiplying mode's weighing stage reads the same texture.
        if (!graph && r->stageTexture[1]) {
            r->device->SetTexture(1, r->currentTexture);
            r->stageTexture[1] = r->currentTexture;
        }
        r->textureDirty = 0;
        return 0;
    }
    G_D3D_RenderVertex(D3DFlush::StateChange);
    const int mode = r->blendMode;
    uint32_t dest = kBlendPairs[mode][0] < 0 ? r->state[D3DC_DESTBLEND] : uint32_t(kBlendPairs[mode][0]);
    uint32_t src = kBlendPairs[mode][1] < 0 ? r->state[D3DC_SRCBLEND] : uint32_t(kBlendPairs[mode][1]);
    uint32_t blend = mode == 0 || mode == 6 ? 0 : 1;
    uint32_t test = 0, ref = r->state[D3DC_ALPHAREF], func = r->state[D3DC_ALPHAFUNC];
    uint32_t factor = r->state[D3DC_TEXTUREFACTOR];
    D3DStageTable table;
    Texture3D* stageTexture[kD3DStages] = {};
    const int k = r->alphaChannel ? 1 : r->alphaTest ? 2 : 0;
    const int index = k + 3 * (r->alphaModulate ? 1 : 0) + 6 * (r->colorModulate ? 1 : 0);
    if (!r->currentTexture) {
        table = kUntextured;
        SetBatchFormat(r, 0);
    } else if (!graph) {
        table = kTables[index];
        SetBatchFormat(r, 1);
        stageTexture[0] = r->currentTexture;
        if (r->alphaTest) {
            test = 1, ref = 16, func = D3DCMP_GREATER;
        } else if (r->alphaTestSwitch) {
            test = 1, ref = 0, func = D3DCMP_GREATER;
        }
        if (r->alphaChannel && !blend) dest = D3DBLEND_INVSRCALPHA, src = D3DBLEND_SRCALPHA, blend = 1;
        if (r->alphaChannel && mode == ZV_BLEND_MUL) {
            table.stage[table.count++] = kAlphaWeighedColour;
            stageTexture[1] = r->currentTexture;
            // Text multiplies towards white where a glyph covers less, as on the 2D road.
            if (r->coverageMultiply) dest = D3DBLEND_INVSRCALPHA, src = D3DBLEND_DESTCOLOR;
        }
    } else {
        table = kTables[12 + index];
        SetBatchFormat(r, 2);
        stageTexture[0] = graph;
        stageTexture[textureStage] = r->currentTexture;
        if (!blend) dest = D3DBLEND_INVSRCALPHA, src = D3DBLEND_SRCALPHA;
        const int range = r->blendGraphRange, param = r->blendParam;
        if (range < 2) {
            test = 1, func = D3DCMP_GREATEREQUAL;
            ref = uint32_t(param == 0 && (r->alphaChannel || r->alphaTest) ? 1 : param);
            factor = 0x00FFFFFF;
            blend = 0;
        } else {
            int op0 = 0, op1 = 0;
            BlendGraphFactor(range, param, &op0, &op1, &factor);
            table.stage[0].alphaOp = int16_t(op0);
            table.stage[1].alphaOp = int16_t(op1);
            blend = 1;
        }
    }
    const bool force = r->forceResend != 0;
    Send(r, D3DC_ALPHAFUNC, func, force);
    Send(r, D3DC_ALPHAREF, ref, force);
    Send(r, D3DC_ALPHATESTENABLE, test, force);
    Send(r, D3DC_ALPHABLENDENABLE, blend, force);
    Send(r, D3DC_TEXTUREFACTOR, factor, force);
    Send(r, D3DC_SRCBLEND, src, force);
    Send(r, D3DC_DESTBLEND, dest, force);
    Send(r, D3DC_BLENDOP, mode == ZV_BLEND_SUB ? D3DBLENDOP_REVSUBTRACT : D3DBLENDOP_ADD, force);
    const bool stagesForce = force || r->stageCount != int(table.count);
    for (int s = 0; s < kD3DStages; ++s) {
        SendStage(r, s, stageTexture[s], table.stage[s], stagesForce);
        if (s >= 1 && table.stage[s].colorOp == D3DTOP_DISABLE) break;
    }
    r->stageCount = int(table.count);
    // A texture fully cut away by its blend graph draws nothing.
    r->drawBlocked = graph && r->blendParam == 255 ? 1 : 0;
    r->blendDirty = 0;
    r->textureDirty = 0;
    return 0;
}

int G_D3D_SetDrawState(const Surface3DData* surface, int flags) {
    D3DSystem& d = GetD3DSystem();
    const int device = d.currentDevice;
    D3DDeviceState* r = GetD3DDeviceState(device);
    if (!r) return -1;
    const SurfaceData* sd = surface ? GetSurfaceData(surface->surfaceData) : nullptr;
    Texture3D* texture = sd ? sd->Texture : nullptr;
    const GraphDrawState& ds = GetGraphDrawState();
    int alphaChannel = 0, alphaTest = 0, colorKey = 0;
    if ((flags & D3DDRAW_TRANS) && texture) {
        const int ownChannel = sd->Settings.AlphaFlag, ownTest = sd->Settings.AlphaTestFlag;
        if (!ownChannel && !ownTest) {
            colorKey = 1;
        } else if (ds.BlendMode != 0 && ds.BlendMode != 8) {
            alphaChannel = 1;
        } else if ((flags & D3DDRAW_KEEP_ALPHA_KIND) || ds.DrawMode != 1) {
            alphaChannel = ownChannel;
            alphaTest = ownTest;
        } else {
            alphaChannel = 1;
        }
    }
    const int colorModulate = (flags & D3DDRAW_COLOR_MODULATE) || (ds.DrawBright & 0xFFFFFF) < 0xFFFFFF;
    const int alphaModulate = (flags & D3DDRAW_ALPHA_MODULATE) || ds.BlendMode != 0 || d.alphaModulateSwitch;
    G_D3D_SetTexturePerspective(flags & D3DDRAW_PERSPECTIVE ? 1 : 0, device);
    G_D3D_SetColorModulate(colorModulate ? 1 : 0, device);
    G_D3D_SetAlphaModulate(alphaModulate ? 1 : 0, device);
    G_D3D_SetTexture(texture, device);
    G_D3D_SetShadeMode(flags & D3DDRAW_GOURAUD ? D3DSHADE_GOURAUD : D3DSHADE_FLAT, device);
    G_D3D_SetCullMode(d.cullSwitch, device);
    G_D3D_SetBlendMode(ds.BlendMode, alphaChannel, alphaTest, device);
    const int coverageMultiply = d.glyphDraw && ds.BlendMode == ZV_BLEND_MUL ? 1 : 0;
    if (r->coverageMultiply != coverageMultiply) r->coverageMultiply = coverageMultiply, r->blendDirty = 1;
    if (r->blendDirty || r->textureDirty) G_D3D_SetupBlendState(device);
    G_D3D_SetColorKeyEnable(colorKey, device);
    if (flags & D3DDRAW_ZBUFFER) {
        G_D3D_SetZEnable(d.zEnable, device);
        G_D3D_SetZWrite(d.zWrite, device);
        G_D3D_SetZFunc(d.zFunc, device);
    } else if (r->state[D3DC_ZENABLE]) {
        G_D3D_SetZEnable(0, device);
    }
    return 0;
}

void* G_D3D_BatchReserve(int count, int type) {
    D3DDeviceState* r = GetCurrentD3DDeviceState();
    if (!r || count <= 0 || count > D3DBatchCapacity(r->batchFormat)) return nullptr;
    if (r->batchCount && (r->batchType != type || r->batchCount + count > D3DBatchCapacity(r->batchFormat)))
        G_D3D_RenderVertex(D3DFlush::BatchFull);
    void* at = r->batchWrite;
    r->batchWrite += size_t(count) * D3DBatchVertexSize(r->batchFormat);
    r->batchCount += count;
    r->batchType = type;
    return at;
}

int G_D3D_RenderVertex(D3DFlush why) {
    D3DDeviceState* r = GetCurrentD3DDeviceState();
    if (!r) return -1;
    if (r->batchCount && !r->drawBlocked && !g_Library.quit) {
        ++GetD3DRoadCounters().flushes[int(why)];
        G_D3D_BeginScene();
        // A refused draw is counted; the batch empties all the same.
        G_D3D_DrawPrimitive(r->batchType, D3DBatchFVF(r->batchFormat), r->batch[r->batchFormat], r->batchCount);
    }
    r->batchCount = 0;
    r->batchWrite = r->batch[r->batchFormat];
    return 0;
}

namespace {
int CountRefusal(int result) {
    if (result != 0) ++GetD3DRoadCounters().refusedDraws;
    return result;
}
}  // namespace

int G_D3D_DrawPrimitive(int type, uint32_t fvf, const void* vertices, int count) {
    D3DDeviceState* r = GetCurrentD3DDeviceState();
    if (!r) return -1;
    return CountRefusal(r->device->DrawPrimitive(type, fvf, vertices, count));
}

int G_D3D_DrawIndexedPrimitive(int type, uint32_t fvf, const void* vertices, int vertexCount, const uint16_t* indices,
                               int indexCount) {
    D3DDeviceState* r = GetCurrentD3DDeviceState();
    if (!r) return -1;
    return CountRefusal(r->device->DrawIndexedPrimitive(type, fvf, vertices, vertexCount, indices, indexCount));
}

int G_D3D_BeginScene() {
    D3DDeviceState* r = GetCurrentD3DDeviceState();
    if (!r) return -1;
    if (!r->sceneBegun && r->device->BeginScene() == 0) r->sceneBegun = 1;
    D3DScreenBeforeDraw();
    return 0;
}

int G_D3D_EndSceneOnDevice() {
    D3DDeviceState* r = GetCurrentD3DDeviceState();
    if (!r) return -1;
    G_D3D_RenderVertex(D3DFlush::SceneEnd);
    if (r->sceneBegun) {
        r->device->EndScene();
        r->sceneBegun = 0;
    }
    return 0;
}

int G_D3D_EndScene() {
    if (G_D3D_EndSceneOnDevice() != 0) return -1;
    D3DScreenAfterScene();
    return 0;
}

void G_D3D_ForgetTexture(Texture3D* texture) {
    if (!texture) return;
    G_D3D_RenderVertex(D3DFlush::TextureAccess);
    for (int i = 0; i < kD3DDevices; ++i) {
        D3DDeviceState* r = GetD3DDeviceState(i);
        if (!r) continue;
        // A later texture may be made at the same address: the cache must not take it for this one.
        if (r->currentTexture == texture) r->currentTexture = nullptr, r->textureDirty = r->blendDirty = 1;
        if (r->blendGraphTexture == texture) r->blendGraphTexture = nullptr, r->blendDirty = 1;
        for (Texture3D*& t : r->stageTexture)
            if (t == texture) {
                r->device->SetTexture(int(&t - r->stageTexture), nullptr);
                t = nullptr;
            }
        if (r->currentTarget == texture) G_D3D_SetRenderTarget(r->firstTarget, i);
    }
}
