// The GL device's render state: render and texture-stage states as the
// library sets them, the target and viewport, and their GL form (blending,
// tests, culling, stage combiners) applied before each draw.
#include <cstring>

#include "platform/device3d_gl_internal.h"

namespace {

GLenum BlendFactor(uint32_t v) {
    switch (v) {
        case D3DBLEND_ZERO: return GL_ZERO;
        case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
        case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
        case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
        case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
        case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
        case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
        case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
        case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
        default: return GL_ONE;
    }
}
GLenum CompareFunc(uint32_t v) {
    static const GLenum kFuncs[] = {GL_NEVER, GL_LESS, GL_EQUAL, GL_LEQUAL, GL_GREATER, GL_NOTEQUAL, GL_GEQUAL,
                                    GL_ALWAYS};
    return v >= 1 && v <= 8 ? kFuncs[v - 1] : GL_ALWAYS;
}
GLenum Source(uint32_t arg, int stage) {
    switch (arg) {
        case D3DTA_TEXTURE: return GL_TEXTURE;
        case D3DTA_TFACTOR: return ZV_GL_CONSTANT;
        case D3DTA_DIFFUSE: return ZV_GL_PRIMARY_COLOR;
        default: return stage == 0 ? ZV_GL_PRIMARY_COLOR : ZV_GL_PREVIOUS;
    }
}

}  // namespace

void GLDevice::SetDefaultStates() {
    for (int s = 0; s < kStages; ++s) {
        stage_[s][D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        stage_[s][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
        stage_[s][D3DTSS_COLORARG2] = D3DTA_CURRENT;
        stage_[s][D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        stage_[s][D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        stage_[s][D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        stage_[s][D3DTSS_ADDRESS] = D3DTADDRESS_CLAMP;
        stage_[s][D3DTSS_MAGFILTER] = D3DTFG_POINT;
        stage_[s][D3DTSS_MINFILTER] = D3DTFG_POINT;
        stage_[s][D3DTSS_TEXCOORDINDEX] = 0;
    }
    rs_[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs_[D3DRS_CULLMODE] = D3DCULL_NONE;
    rs_[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs_[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs_[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs_[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs_[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
    rs_[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
}

int GLDevice::SetRenderState(int state, uint32_t value) {
    if (state < 0 || state >= D3DRS_COUNT) return -1;
    rs_[state] = value;
    return 0;
}
int GLDevice::SetTextureStageState(int stage, int state, uint32_t value) {
    if (stage < 0 || stage >= kStages || state < 0 || state >= D3DTSS_COUNT) return -1;
    stage_[stage][state] = value;
    return 0;
}
int GLDevice::SetTexture(int stage, Texture3D* texture) {
    if (stage < 0 || stage >= kStages) return -1;
    texture_[stage] = texture;
    return 0;
}
int GLDevice::SetRenderTarget(Texture3D* target) {
    if (target && !target->framebuffer) return -1;
    target_ = target;
    if (target) viewport_ = Device3DViewport{0, 0, target->width, target->height, 0.0f, 1.0f};
    Current();
    BindTarget();
    return 0;
}
int GLDevice::SetViewport(const Device3DViewport& viewport) {
    viewport_ = viewport;
    return 0;
}
int GLDevice::SetTransform(int kind, const float matrix[16]) {
    if (kind < 0 || kind >= kTransforms) return -1;
    std::memcpy(transform_[kind], matrix, sizeof transform_[kind]);
    return 0;
}

void GLDevice::BindTarget() { gl_.BindFramebuffer(ZV_GL_FRAMEBUFFER, target_ ? target_->framebuffer : 0); }

// One half (colour or alpha) of a stage's combiner.
void GLDevice::Combine(int stage, bool alpha, uint32_t op, uint32_t arg1, uint32_t arg2) {
    const GLenum mode = alpha ? ZV_GL_COMBINE_ALPHA : ZV_GL_COMBINE_RGB;
    const GLenum src0 = alpha ? ZV_GL_SOURCE0_ALPHA : ZV_GL_SOURCE0_RGB;
    const GLenum src1 = alpha ? ZV_GL_SOURCE1_ALPHA : ZV_GL_SOURCE1_RGB;
    GLenum func = GL_MODULATE;
    float scale = 1.0f;
    // The specular colour is always white, so a product with it is the other
    // argument alone (still scaled).
    const bool modulates = op == D3DTOP_MODULATE || op == D3DTOP_MODULATE2X || op == D3DTOP_MODULATE4X;
    if (modulates && (arg1 == D3DTA_SPECULAR || arg2 == D3DTA_SPECULAR)) {
        if (arg1 == D3DTA_SPECULAR) arg1 = arg2;
        func = GL_REPLACE;
    }
    switch (op) {
        case D3DTOP_SELECTARG1: func = GL_REPLACE; break;
        case D3DTOP_SELECTARG2: func = GL_REPLACE; arg1 = arg2; break;
        case D3DTOP_MODULATE2X: scale = 2.0f; break;
        case D3DTOP_MODULATE4X: scale = 4.0f; break;
        case D3DTOP_ADD: func = GL_ADD; break;
        case D3DTOP_SUBTRACT: func = ZV_GL_SUBTRACT; break;
        default: break;
    }
    gl_.TexEnvi(GL_TEXTURE_ENV, mode, GLint(func));
    gl_.TexEnvi(GL_TEXTURE_ENV, src0, GLint(Source(arg1 & ~uint32_t(D3DTA_ALPHAREPLICATE), stage)));
    gl_.TexEnvi(GL_TEXTURE_ENV, src1, GLint(Source(arg2 & ~uint32_t(D3DTA_ALPHAREPLICATE), stage)));
    auto operand = [alpha](uint32_t arg) -> GLint {
        return alpha || (arg & D3DTA_ALPHAREPLICATE) ? GL_SRC_ALPHA : GL_SRC_COLOR;
    };
    gl_.TexEnvi(GL_TEXTURE_ENV, alpha ? ZV_GL_OPERAND0_ALPHA : ZV_GL_OPERAND0_RGB, operand(arg1));
    gl_.TexEnvi(GL_TEXTURE_ENV, alpha ? ZV_GL_OPERAND1_ALPHA : ZV_GL_OPERAND1_RGB, operand(arg2));
    gl_.TexEnvfv(GL_TEXTURE_ENV, alpha ? GL_ALPHA_SCALE : ZV_GL_RGB_SCALE, &scale);
}

// Colour key on a keyed stage-0 texture: its alpha takes part in the
// stage alpha, and texels of alpha 0 are tested away.
bool GLDevice::KeyActive() const { return rs_[D3DRS_COLORKEYENABLE] && texture_[0] && texture_[0]->keyEnabled; }

void GLDevice::ApplyStates() {
    auto onOff = [this](GLenum cap, bool on) { on ? gl_.Enable(cap) : gl_.Disable(cap); };
    onOff(GL_DEPTH_TEST, rs_[D3DRS_ZENABLE] != 0 && target_ && target_->depth);
    gl_.DepthMask(rs_[D3DRS_ZWRITEENABLE] ? GL_TRUE : GL_FALSE);
    gl_.DepthFunc(CompareFunc(rs_[D3DRS_ZFUNC]));
    gl_.ShadeModel(rs_[D3DRS_SHADEMODE] == D3DSHADE_FLAT ? GL_FLAT : GL_SMOOTH);
    // Screen y points down, so the library's counter-clockwise is GL's clockwise.
    onOff(GL_CULL_FACE, rs_[D3DRS_CULLMODE] == D3DCULL_CW || rs_[D3DRS_CULLMODE] == D3DCULL_CCW);
    gl_.FrontFace(GL_CCW);
    gl_.CullFace(rs_[D3DRS_CULLMODE] == D3DCULL_CCW ? GL_BACK : GL_FRONT);
    onOff(GL_BLEND, rs_[D3DRS_ALPHABLENDENABLE] != 0);
    gl_.BlendFunc(BlendFactor(rs_[D3DRS_SRCBLEND]), BlendFactor(rs_[D3DRS_DESTBLEND]));
    gl_.BlendEquation(rs_[D3DRS_BLENDOP] == D3DBLENDOP_REVSUBTRACT ? ZV_GL_FUNC_REVERSE_SUBTRACT : ZV_GL_FUNC_ADD);
    bool test = rs_[D3DRS_ALPHATESTENABLE] != 0;
    GLenum func = CompareFunc(rs_[D3DRS_ALPHAFUNC]);
    float ref = float(rs_[D3DRS_ALPHAREF] & 0xFF) / 255.0f;
    const bool rejectsZero = test && ((func == GL_GREATER) || (func == GL_GEQUAL && ref > 0) || func == GL_NEVER ||
                                      (func == GL_EQUAL && ref > 0));
    if (KeyActive() && !rejectsZero) {
        test = true;
        func = GL_GREATER;
        ref = 0.0f;
    }
    onOff(GL_ALPHA_TEST, test);
    gl_.AlphaFunc(func, ref);
    const uint32_t f = rs_[D3DRS_TEXTUREFACTOR];
    const float factor[4] = {float(f >> 16 & 0xFF) / 255.0f, float(f >> 8 & 0xFF) / 255.0f,
                             float(f & 0xFF) / 255.0f, float(f >> 24) / 255.0f};
    bool ended = false;
    for (int s = 0; s < units_; ++s) {
        gl_.ActiveTexture(ZV_GL_TEXTURE0 + s);
        const uint32_t* st = stage_[s];
        ended = ended || st[D3DTSS_COLOROP] == D3DTOP_DISABLE;
        if (ended) {
            gl_.Disable(GL_TEXTURE_2D);
            continue;
        }
        // GL passes a unit without a texture straight on: a stage that only
        // combines what it is given runs over the device's white texel, which
        // reads as the stage's texture does where none is set. Filter and
        // wrap belong to the texture, so only a stage's own texture gets them.
        gl_.Enable(GL_TEXTURE_2D);
        gl_.BindTexture(GL_TEXTURE_2D, texture_[s] ? texture_[s]->name : white_);
        if (texture_[s]) {
            const GLint filterMag = st[D3DTSS_MAGFILTER] == D3DTFG_LINEAR ? GL_LINEAR : GL_NEAREST;
            const GLint filterMin = st[D3DTSS_MINFILTER] == D3DTFG_LINEAR ? GL_LINEAR : GL_NEAREST;
            gl_.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filterMag);
            gl_.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filterMin);
            const GLint wrap = st[D3DTSS_ADDRESS] == D3DTADDRESS_WRAP ? GL_REPEAT : ZV_GL_CLAMP_TO_EDGE;
            gl_.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
            gl_.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
        }
        gl_.TexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, ZV_GL_COMBINE);
        gl_.TexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, factor);
        Combine(s, false, st[D3DTSS_COLOROP], st[D3DTSS_COLORARG1], st[D3DTSS_COLORARG2]);
        uint32_t aop = st[D3DTSS_ALPHAOP], a1 = st[D3DTSS_ALPHAARG1], a2 = st[D3DTSS_ALPHAARG2];
        if (aop == D3DTOP_DISABLE) aop = D3DTOP_SELECTARG1, a1 = D3DTA_CURRENT;
        if (aop == D3DTOP_SELECTARG2) aop = D3DTOP_SELECTARG1, a1 = a2;
        const bool readsTexture = a1 == D3DTA_TEXTURE || (aop != D3DTOP_SELECTARG1 && a2 == D3DTA_TEXTURE);
        if (s == 0 && KeyActive() && !readsTexture) {
            if (aop != D3DTOP_SELECTARG1) a1 = D3DTA_DIFFUSE;
            aop = D3DTOP_MODULATE;
            a2 = D3DTA_TEXTURE;
        }
        Combine(s, true, aop, a1, a2);
    }
    // The viewport maps screen pixels onto the target one to one.
    const int th = target_ ? target_->height : viewport_.height;
    const int tw = target_ ? target_->width : viewport_.width;
    gl_.Viewport(0, 0, tw, th);
    gl_.Enable(GL_SCISSOR_TEST);
    gl_.Scissor(viewport_.x, viewport_.y, viewport_.width, viewport_.height);
    // Rows top first: screen y is the framebuffer's row; z 0..1 to -1..1.
    const float m[16] = {2.0f / tw, 0, 0, 0, 0, 2.0f / th, 0, 0, 0, 0, 2.0f, 0, -1.0f, -1.0f, -1.0f, 1.0f};
    gl_.MatrixMode(GL_PROJECTION);
    gl_.LoadMatrixf(m);
    gl_.MatrixMode(GL_MODELVIEW);
    gl_.LoadIdentity();
}
