// OpenGL 1.1 over a backend that only rasterises: every vertex is transformed,
// lit and shaded here, and triangles in clip space are recorded into the frame.
// Every call that a display list can hold goes through Submit(), which either
// records it into the list being compiled or runs it; glCallList runs a list's
// calls through the same Run().
#include "platform/web/gl11.h"

#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <numbers>
#include <optional>
#include <variant>

namespace {

using Matrix = std::array<float, 16>;  // column-major, as GL

constexpr Matrix Identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
constexpr std::size_t ModelviewDepth = 32;
constexpr std::size_t ProjectionDepth = 2;
constexpr int MaxLights = 8;
constexpr int MaxListNesting = 64;

// The default material and light model: ambient, diffuse, scene ambient.
constexpr float MaterialAmbient = 0.2f;
constexpr float MaterialDiffuse = 0.8f;
constexpr float SceneAmbient = 0.2f;
// The current normal: the game never sets one.
constexpr float Normal[3] = {0.0f, 0.0f, 1.0f};

struct Light {
    bool enabled = false;
    float ambient[4] = {0, 0, 0, 1};
    float diffuse[4] = {0, 0, 0, 1};
    float position[4] = {0, 0, 1, 0};  // in eye coordinates
};

struct Texture {
    bool hasImage = false;
    GLenum minFilter = GL_NEAREST_MIPMAP_LINEAR;
};

struct DrawBatch {
    GlDrawState state;
    std::size_t first, count;
};

using FrameCommand = std::variant<GlClearRecord, GlViewportRecord, DrawBatch>;

enum class Op : std::uint8_t {
    Begin, End, Vertex, Colour, TexCoord, MatrixMode, LoadIdentity, PushMatrix, PopMatrix, MultMatrix, Viewport,
    ClearColour, ClearDepth, Clear, Enable, Disable, DepthFunc, CullFace, FrontFace, ShadeModel, BindTexture,
    TexParameter, TexImage, Light, CallList
};

// One call with its arguments, as a display list keeps it.
struct Call {
    Op op;
    GLenum e[2] = {};
    GLint i[4] = {};
    float f[16] = {};
    GlTextureImage image = {};  // TexImage only
};

struct GlState {
    std::vector<Matrix> modelview{Identity}, projection{Identity};
    GLenum matrixMode = GL_MODELVIEW;
    float colour[4] = {1, 1, 1, 1};
    float texCoord[2] = {0, 0};
    bool lighting = false;
    Light lights[MaxLights];
    GLenum shadeModel = GL_SMOOTH;
    bool depthTest = false, cullFace = false, texture2D = false;
    GLenum depthFunc = GL_LESS, cullMode = GL_BACK, frontFace = GL_CCW;
    float clearColour[4] = {0, 0, 0, 0};
    float clearDepth = 1.0f;
    GLint unpackAlignment = 4;
    GLuint boundTexture = 0;
    std::map<GLuint, Texture> textures;

    std::optional<GLenum> primitive;  // between glBegin and glEnd
    std::vector<GlVertex> primitiveVertices;

    std::map<GLuint, std::vector<Call>> lists;
    GLuint compiling = 0;  // the list between glNewList and glEndList
    bool executeWhileCompiling = false;
    std::vector<Call> compiled;
    int listNesting = 0;

    std::vector<FrameCommand> frame;
    std::vector<GlVertex> frameVertices;
};

GlState gl;

float Clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

Matrix Multiply(const Matrix& a, const Matrix& b) {
    Matrix r{};
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k) r[column * 4 + row] += a[k * 4 + row] * b[column * 4 + k];
    return r;
}

void Transform(const Matrix& m, const float v[4], float out[4]) {
    for (int row = 0; row < 4; ++row)
        out[row] = m[row] * v[0] + m[4 + row] * v[1] + m[8 + row] * v[2] + m[12 + row] * v[3];
}

void Cross(const float* a, const float* b, float out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

// The normal times the inverse of the model-view's upper 3x3, as GL does it:
// with columns a0 a1 a2, the inverse's rows are (a1×a2, a2×a0, a0×a1) / det.
// Not renormalised, so a scale changes its length.
void EyeNormal(const Matrix& m, float out[3]) {
    const float* a[3] = {&m[0], &m[4], &m[8]};
    float rows[3][3];
    Cross(a[1], a[2], rows[0]);
    Cross(a[2], a[0], rows[1]);
    Cross(a[0], a[1], rows[2]);
    float det = a[0][0] * rows[0][0] + a[0][1] * rows[0][1] + a[0][2] * rows[0][2];
    for (int k = 0; k < 3; ++k)
        out[k] = det == 0.0f
                     ? 0.0f
                     : (Normal[0] * rows[0][k] + Normal[1] * rows[1][k] + Normal[2] * rows[2][k]) / det;
}

void LitColour(const Matrix& modelview, const float eye[4], float out[4]) {
    float n[3];
    EyeNormal(modelview, n);
    float colour[3];
    for (float& c : colour) c = MaterialAmbient * SceneAmbient;
    for (const Light& light : gl.lights) {
        if (!light.enabled) continue;
        const float* p = light.position;
        float l[3];
        for (int k = 0; k < 3; ++k) {
            float vertex = eye[3] != 0.0f ? eye[k] / eye[3] : eye[k];
            l[k] = p[3] != 0.0f ? p[k] / p[3] - vertex : p[k];
        }
        float length = std::sqrt(l[0] * l[0] + l[1] * l[1] + l[2] * l[2]);
        float facing =
            length == 0.0f ? 0.0f : std::max(0.0f, (n[0] * l[0] + n[1] * l[1] + n[2] * l[2]) / length);
        for (int k = 0; k < 3; ++k)
            colour[k] += MaterialAmbient * light.ambient[k] + facing * MaterialDiffuse * light.diffuse[k];
    }
    for (int k = 0; k < 3; ++k) out[k] = Clamp01(colour[k]);
    out[3] = 1.0f;  // the material's diffuse alpha
}

GlVertex MakeVertex(const float xyz[3]) {
    const Matrix& modelview = gl.modelview.back();
    const float object[4] = {xyz[0], xyz[1], xyz[2], 1.0f};
    float eye[4];
    Transform(modelview, object, eye);
    GlVertex v;
    Transform(gl.projection.back(), eye, v.clip);
    if (gl.lighting)
        LitColour(modelview, eye, v.colour);
    else
        for (int k = 0; k < 4; ++k) v.colour[k] = Clamp01(gl.colour[k]);
    v.texCoord[0] = gl.texCoord[0];
    v.texCoord[1] = gl.texCoord[1];
    return v;
}

Texture& TextureObject(GLuint name) {
    auto [it, created] = gl.textures.try_emplace(name);
    if (created) GlBackendCreateTexture(name);
    return it->second;
}

bool TextureComplete(GLuint name) {
    auto it = gl.textures.find(name);
    if (it == gl.textures.end()) return false;
    const Texture& t = it->second;
    return t.hasImage && (t.minFilter == GL_NEAREST || t.minFilter == GL_LINEAR);
}

GlDrawState CurrentDrawState() {
    bool textured = gl.texture2D && TextureComplete(gl.boundTexture);
    return {gl.depthTest,
            gl.depthFunc,
            gl.cullFace,
            gl.cullMode,
            gl.frontFace,
            textured,
            textured ? gl.boundTexture : 0};
}

// The open batch when the state is the same, else a new one.
DrawBatch& BatchFor(const GlDrawState& state) {
    if (!gl.frame.empty())
        if (auto* batch = std::get_if<DrawBatch>(&gl.frame.back()); batch && batch->state == state)
            return *batch;
    gl.frame.emplace_back(DrawBatch{state, gl.frameVertices.size(), 0});
    return std::get<DrawBatch>(gl.frame.back());
}

void EndPrimitive(GLenum mode) {
    std::vector<GlVertex>& v = gl.primitiveVertices;
    std::size_t size = mode == GL_QUADS ? 4 : 3;
    std::size_t whole = v.size() / size * size;  // an unfinished one is dropped
    if (whole == 0) return;
    DrawBatch& batch = BatchFor(CurrentDrawState());
    for (std::size_t first = 0; first < whole; first += size) {
        GlVertex* p = &v[first];
        if (gl.shadeModel == GL_FLAT)  // the last vertex provides the colour
            for (std::size_t k = 0; k + 1 < size; ++k)
                std::memcpy(p[k].colour, p[size - 1].colour, sizeof p[k].colour);
        gl.frameVertices.insert(gl.frameVertices.end(), {p[0], p[1], p[2]});
        if (size == 4) gl.frameVertices.insert(gl.frameVertices.end(), {p[0], p[2], p[3]});
    }
    batch.count = gl.frameVertices.size() - batch.first;
}

void RecordClear(GLbitfield mask) {
    mask &= GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT;
    if (mask == 0) return;
    if (mask == (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT)) {
        // Nothing recorded before shows through: keep only the viewport in force.
        std::optional<FrameCommand> viewport;
        for (const FrameCommand& command : gl.frame)
            if (std::holds_alternative<GlViewportRecord>(command)) viewport = command;
        gl.frame.clear();
        gl.frameVertices.clear();
        if (viewport) gl.frame.push_back(*viewport);
    }
    GlClearRecord clear{mask, {}, gl.clearDepth};
    std::memcpy(clear.colour, gl.clearColour, sizeof clear.colour);
    gl.frame.emplace_back(clear);
}

std::vector<Matrix>& CurrentStack() { return gl.matrixMode == GL_PROJECTION ? gl.projection : gl.modelview; }

bool SetCapability(GLenum cap, bool on) {
    switch (cap) {
        case GL_DEPTH_TEST:
            gl.depthTest = on;
            return true;
        case GL_CULL_FACE:
            gl.cullFace = on;
            return true;
        case GL_LIGHTING:
            gl.lighting = on;
            return true;
        case GL_TEXTURE_2D:
            gl.texture2D = on;
            return true;
        default:
            if (cap >= GL_LIGHT0 && cap < GL_LIGHT0 + MaxLights) {
                gl.lights[cap - GL_LIGHT0].enabled = on;
                return true;
            }
            return false;
    }
}

void SetLight(GLenum name, GLenum parameter, const float* values) {
    if (name < GL_LIGHT0 || name >= GL_LIGHT0 + MaxLights) return;
    Light& light = gl.lights[name - GL_LIGHT0];
    switch (parameter) {
        case GL_AMBIENT:
            std::memcpy(light.ambient, values, sizeof light.ambient);
            break;
        case GL_DIFFUSE:
            std::memcpy(light.diffuse, values, sizeof light.diffuse);
            break;
        case GL_POSITION:
            Transform(gl.modelview.back(), values, light.position);
            break;
        default:
            break;
    }
}

void SetTextureParameter(GLenum parameter, GLint value) {
    switch (parameter) {
        case GL_TEXTURE_MIN_FILTER:
            if (value != GL_NEAREST && value != GL_LINEAR && value != GL_NEAREST_MIPMAP_NEAREST &&
                value != GL_LINEAR_MIPMAP_NEAREST && value != GL_NEAREST_MIPMAP_LINEAR &&
                value != GL_LINEAR_MIPMAP_LINEAR)
                return;
            TextureObject(gl.boundTexture).minFilter = static_cast<GLenum>(value);
            break;
        case GL_TEXTURE_MAG_FILTER:
            if (value != GL_NEAREST && value != GL_LINEAR) return;
            TextureObject(gl.boundTexture);
            break;
        case GL_TEXTURE_WRAP_S:
        case GL_TEXTURE_WRAP_T:
            if (value == GL_CLAMP) value = GL_CLAMP_TO_EDGE;  // no border to blend with
            if (value != GL_REPEAT && value != GL_CLAMP_TO_EDGE) return;
            TextureObject(gl.boundTexture);
            break;
        default:
            return;
    }
    GlBackendTextureParameter(gl.boundTexture, parameter, value);
}

bool AllowedBetweenBeginAndEnd(Op op) {
    return op == Op::Vertex || op == Op::Colour || op == Op::TexCoord || op == Op::CallList || op == Op::End;
}

void Run(const Call& c) {
    if (gl.primitive && !AllowedBetweenBeginAndEnd(c.op)) return;
    switch (c.op) {
        case Op::Begin:
            if (c.e[0] != GL_TRIANGLES && c.e[0] != GL_QUADS) return;
            gl.primitive = c.e[0];
            gl.primitiveVertices.clear();
            break;
        case Op::End:
            if (!gl.primitive) return;
            EndPrimitive(*gl.primitive);
            gl.primitive.reset();
            break;
        case Op::Vertex:
            if (gl.primitive) gl.primitiveVertices.push_back(MakeVertex(c.f));
            break;
        case Op::Colour:
            std::copy(c.f, c.f + 4, gl.colour);
            break;
        case Op::TexCoord:
            std::copy(c.f, c.f + 2, gl.texCoord);
            break;
        case Op::MatrixMode:
            if (c.e[0] == GL_MODELVIEW || c.e[0] == GL_PROJECTION) gl.matrixMode = c.e[0];
            break;
        case Op::LoadIdentity:
            CurrentStack().back() = Identity;
            break;
        case Op::PushMatrix: {
            std::vector<Matrix>& stack = CurrentStack();
            if (stack.size() < (gl.matrixMode == GL_PROJECTION ? ProjectionDepth : ModelviewDepth))
                stack.push_back(stack.back());
            break;
        }
        case Op::PopMatrix:
            if (CurrentStack().size() > 1) CurrentStack().pop_back();
            break;
        case Op::MultMatrix: {
            Matrix m;
            std::copy(c.f, c.f + 16, m.begin());
            CurrentStack().back() = Multiply(CurrentStack().back(), m);
            break;
        }
        case Op::Viewport:
            if (c.i[2] >= 0 && c.i[3] >= 0)
                gl.frame.emplace_back(GlViewportRecord{c.i[0], c.i[1], c.i[2], c.i[3]});
            break;
        case Op::ClearColour:
            for (int k = 0; k < 4; ++k) gl.clearColour[k] = Clamp01(c.f[k]);
            break;
        case Op::ClearDepth:
            gl.clearDepth = Clamp01(c.f[0]);
            break;
        case Op::Clear:
            RecordClear(static_cast<GLbitfield>(c.e[0]));
            break;
        case Op::Enable:
            SetCapability(c.e[0], true);
            break;
        case Op::Disable:
            SetCapability(c.e[0], false);
            break;
        case Op::DepthFunc:
            if (c.e[0] >= GL_NEVER && c.e[0] <= GL_ALWAYS) gl.depthFunc = c.e[0];
            break;
        case Op::CullFace:
            if (c.e[0] == GL_FRONT || c.e[0] == GL_BACK || c.e[0] == GL_FRONT_AND_BACK) gl.cullMode = c.e[0];
            break;
        case Op::FrontFace:
            if (c.e[0] == GL_CW || c.e[0] == GL_CCW) gl.frontFace = c.e[0];
            break;
        case Op::ShadeModel:
            if (c.e[0] == GL_FLAT || c.e[0] == GL_SMOOTH) gl.shadeModel = c.e[0];
            break;
        case Op::BindTexture:
            gl.boundTexture = static_cast<GLuint>(c.i[0]);
            TextureObject(gl.boundTexture);
            break;
        case Op::TexParameter:
            SetTextureParameter(c.e[0], c.i[0]);
            break;
        case Op::TexImage:
            TextureObject(gl.boundTexture).hasImage = c.image.width > 0 && c.image.height > 0;
            GlBackendTextureImage(gl.boundTexture, c.image);
            break;
        case Op::Light:
            SetLight(c.e[0], c.e[1], c.f);
            break;
        case Op::CallList: {
            auto it = gl.lists.find(static_cast<GLuint>(c.i[0]));
            if (it == gl.lists.end() || gl.listNesting >= MaxListNesting) return;
            ++gl.listNesting;
            for (const Call& inner : it->second) Run(inner);
            --gl.listNesting;
            break;
        }
    }
}

// Into the list being compiled, or run now, or both.
void Submit(Call call) {
    if (gl.compiling != 0) {
        gl.compiled.push_back(call);
        if (!gl.executeWhileCompiling) return;
    }
    Run(call);
}

// Texture formats: how many bytes a pixel of a format has, and the base of an internal format.
int Components(GLenum format) {
    switch (format) {
        case GL_RED:
        case GL_GREEN:
        case GL_BLUE:
        case GL_ALPHA:
        case GL_LUMINANCE:
            return 1;
        case GL_LUMINANCE_ALPHA:
            return 2;
        case GL_RGB:
            return 3;
        case GL_RGBA:
            return 4;
        default:
            return 0;
    }
}

GLenum BaseFormat(GLint internal) {
    switch (internal) {
        case 1:
        case GL_LUMINANCE:
            return GL_LUMINANCE;
        case 2:
        case GL_LUMINANCE_ALPHA:
            return GL_LUMINANCE_ALPHA;
        case 3:
        case GL_RGB:
        case GL_R3_G3_B2:
            return GL_RGB;
        case 4:
        case GL_RGBA:
            return GL_RGBA;
        case GL_ALPHA:
            return GL_ALPHA;
        default:
            break;
    }
    const std::pair<GLint, GLint> sized[] = {{GL_ALPHA4, GL_ALPHA16},
                                             {GL_LUMINANCE4, GL_LUMINANCE16},
                                             {GL_LUMINANCE4_ALPHA4, GL_LUMINANCE16_ALPHA16},
                                             {GL_INTENSITY, GL_INTENSITY16},
                                             {GL_RGB4, GL_RGB16},
                                             {GL_RGBA2, GL_RGBA16}};
    const GLenum bases[] = {GL_ALPHA, GL_LUMINANCE, GL_LUMINANCE_ALPHA, GL_INTENSITY, GL_RGB, GL_RGBA};
    for (int k = 0; k < 6; ++k)
        if (internal >= sized[k].first && internal <= sized[k].second) return bases[k];
    return 0;
}

// One pixel of the given format as RGBA, as GL 1.1 takes it in.
std::array<std::uint8_t, 4> ToRgba(GLenum format, const std::uint8_t* p) {
    switch (format) {
        case GL_RED:
            return {p[0], 0, 0, 255};
        case GL_GREEN:
            return {0, p[0], 0, 255};
        case GL_BLUE:
            return {0, 0, p[0], 255};
        case GL_ALPHA:
            return {0, 0, 0, p[0]};
        case GL_LUMINANCE:
            return {p[0], p[0], p[0], 255};
        case GL_LUMINANCE_ALPHA:
            return {p[0], p[0], p[0], p[1]};
        case GL_RGB:
            return {p[0], p[1], p[2], 255};
        default:
            return {p[0], p[1], p[2], p[3]};
    }
}

// The RGBA channels a texture of a base format keeps; 4 stands for a full 255. Alpha
// becomes luminance-alpha with white, intensity luminance-alpha with the intensity in
// both: WebGL has neither, and these modulate as GL 1.1's do.
std::vector<int> KeptChannels(GLenum base) {
    switch (base) {
        case GL_LUMINANCE:
            return {0};
        case GL_LUMINANCE_ALPHA:
            return {0, 3};
        case GL_RGB:
            return {0, 1, 2};
        case GL_RGBA:
            return {0, 1, 2, 3};
        case GL_ALPHA:
            return {4, 3};
        default:  // intensity
            return {0, 0};
    }
}

// The client's rows, padded to the unpack alignment, converted to the texture's
// format with tight rows.
GlTextureImage UnpackImage(GLenum base, GLsizei width, GLsizei height, GLenum format, const void* pixels) {
    const std::vector<int> channels = KeptChannels(base);
    GlTextureImage image{base, width, height, {}};
    if (base == GL_ALPHA || base == GL_INTENSITY) image.format = GL_LUMINANCE_ALPHA;
    image.pixels.resize(channels.size() * width * height);  // no pixels given: zeros
    if (pixels == nullptr) return image;
    const std::size_t pixelBytes = static_cast<std::size_t>(Components(format));
    const std::size_t align = static_cast<std::size_t>(gl.unpackAlignment);
    const std::size_t stride = (pixelBytes * width + align - 1) / align * align;
    const auto* source = static_cast<const std::uint8_t*>(pixels);
    std::uint8_t* out = image.pixels.data();
    for (GLsizei y = 0; y < height; ++y)
        for (GLsizei x = 0; x < width; ++x) {
            std::array<std::uint8_t, 4> rgba = ToRgba(format, source + y * stride + x * pixelBytes);
            for (int channel : channels) *out++ = channel == 4 ? 255 : rgba[channel];
        }
    return image;
}

Call MatrixCall(const Matrix& m) {
    Call call{Op::MultMatrix};
    std::copy(m.begin(), m.end(), call.f);
    return call;
}

}  // namespace

void ResetGl11() { gl = GlState{}; }

void PresentGlFrame() {
    if (gl.frame.empty()) return;
    GlBackendBeginFrame(gl.frameVertices.data(), gl.frameVertices.size());
    for (const FrameCommand& command : gl.frame) {
        if (auto* clear = std::get_if<GlClearRecord>(&command)) GlBackendClear(*clear);
        if (auto* viewport = std::get_if<GlViewportRecord>(&command)) GlBackendViewport(*viewport);
        if (auto* batch = std::get_if<DrawBatch>(&command))
            GlBackendDraw(batch->state, batch->first, batch->count);
    }
    GlBackendEndFrame();
    DropGlFrame();
}

void DropGlFrame() {
    gl.frame.clear();
    gl.frameVertices.clear();
}

extern "C" {

void glBegin(GLenum mode) { Submit({Op::Begin, {mode}}); }
void glEnd() { Submit({Op::End}); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { Submit({Op::Vertex, {}, {}, {x, y, z}}); }
void glVertex3fv(const GLfloat* v) { glVertex3f(v[0], v[1], v[2]); }
void glColor3f(GLfloat r, GLfloat g, GLfloat b) { Submit({Op::Colour, {}, {}, {r, g, b, 1.0f}}); }
void glTexCoord2f(GLfloat s, GLfloat t) { Submit({Op::TexCoord, {}, {}, {s, t}}); }

void glMatrixMode(GLenum mode) { Submit({Op::MatrixMode, {mode}}); }
void glLoadIdentity() { Submit({Op::LoadIdentity}); }
void glPushMatrix() { Submit({Op::PushMatrix}); }
void glPopMatrix() { Submit({Op::PopMatrix}); }

void glMultMatrixf(const GLfloat* m) {
    Matrix matrix;
    std::copy(m, m + 16, matrix.begin());
    Submit(MatrixCall(matrix));
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    Matrix m = Identity;
    m[12] = x;
    m[13] = y;
    m[14] = z;
    Submit(MatrixCall(m));
}

void glScalef(GLfloat x, GLfloat y, GLfloat z) {
    Matrix m = Identity;
    m[0] = x;
    m[5] = y;
    m[10] = z;
    Submit(MatrixCall(m));
}

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    float length = std::sqrt(x * x + y * y + z * z);
    Matrix m = Identity;
    if (length != 0.0f) {
        x /= length;
        y /= length;
        z /= length;
        float radians = angle * (std::numbers::pi_v<float> / 180.0f);
        float c = std::cos(radians), s = std::sin(radians), k = 1.0f - c;
        // Column by column: the GL documentation's rows read downwards.
        m[0] = x * x * k + c;
        m[1] = y * x * k + z * s;
        m[2] = x * z * k - y * s;
        m[4] = x * y * k - z * s;
        m[5] = y * y * k + c;
        m[6] = y * z * k + x * s;
        m[8] = x * z * k + y * s;
        m[9] = y * z * k - x * s;
        m[10] = z * z * k + c;
    }
    Submit(MatrixCall(m));
}

void gluPerspective(GLdouble fovy, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    float half = static_cast<float>(fovy) * (std::numbers::pi_v<float> / 360.0f);
    float depth = static_cast<float>(zFar) - static_cast<float>(zNear);
    float sine = std::sin(half);
    if (depth == 0.0f || sine == 0.0f || aspect == 0.0) return;
    float f = std::cos(half) / sine, nearZ = static_cast<float>(zNear), farZ = static_cast<float>(zFar);
    Matrix m{};
    m[0] = f / static_cast<float>(aspect);
    m[5] = f;
    m[10] = -(farZ + nearZ) / depth;
    m[11] = -1.0f;
    m[14] = -2.0f * nearZ * farZ / depth;
    Submit(MatrixCall(m));
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    Submit({Op::Viewport, {}, {x, y, width, height}});
}
void glClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    Submit({Op::ClearColour, {}, {}, {r, g, b, a}});
}
void glClearDepth(GLclampd depth) { Submit({Op::ClearDepth, {}, {}, {static_cast<float>(depth)}}); }
void glClear(GLbitfield mask) { Submit({Op::Clear, {mask}}); }

void glEnable(GLenum cap) { Submit({Op::Enable, {cap}}); }
void glDisable(GLenum cap) { Submit({Op::Disable, {cap}}); }
void glDepthFunc(GLenum func) { Submit({Op::DepthFunc, {func}}); }
void glCullFace(GLenum mode) { Submit({Op::CullFace, {mode}}); }
void glFrontFace(GLenum mode) { Submit({Op::FrontFace, {mode}}); }
void glShadeModel(GLenum mode) { Submit({Op::ShadeModel, {mode}}); }
void glHint(GLenum, GLenum) {}
void glFinish() {}

void glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
    if (pname != GL_AMBIENT && pname != GL_DIFFUSE && pname != GL_POSITION) return;
    Call call{Op::Light, {light, pname}};
    std::copy(params, params + 4, call.f);
    Submit(call);
}

void glPixelStorei(GLenum pname, GLint param) {
    if (!gl.primitive && pname == GL_UNPACK_ALIGNMENT &&
        (param == 1 || param == 2 || param == 4 || param == 8))
        gl.unpackAlignment = param;
}

void glGenTextures(GLsizei n, GLuint* textures) {
    GLuint name = 1;
    for (GLsizei k = 0; k < n; ++k) {
        while (gl.textures.contains(name)) ++name;
        TextureObject(name);
        textures[k] = name;
    }
}

void glBindTexture(GLenum target, GLuint texture) {
    if (target == GL_TEXTURE_2D) Submit({Op::BindTexture, {}, {static_cast<GLint>(texture)}});
}

void glTexParameteri(GLenum target, GLenum pname, GLint param) {
    if (target == GL_TEXTURE_2D) Submit({Op::TexParameter, {pname}, {param}});
}

void glTexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const GLvoid* pixels) {
    GLenum base = BaseFormat(internalFormat);
    if (target != GL_TEXTURE_2D || level != 0 || border != 0 || width < 0 || height < 0 ||
        type != GL_UNSIGNED_BYTE || base == 0 || Components(format) == 0)
        return;
    Call call{Op::TexImage};
    call.image = UnpackImage(base, width, height, format, pixels);
    Submit(std::move(call));
}

GLuint glGenLists(GLsizei range) {
    if (range <= 0) return 0;
    auto unused = [range](GLuint first) {
        for (GLsizei k = 0; k < range; ++k)
            if (gl.lists.contains(first + static_cast<GLuint>(k))) return false;
        return true;
    };
    GLuint first = 1;
    while (!unused(first)) ++first;
    for (GLsizei k = 0; k < range; ++k) gl.lists[first + static_cast<GLuint>(k)];  // named, empty
    return first;
}

void glNewList(GLuint list, GLenum mode) {
    if (list == 0 || gl.compiling != 0 || gl.primitive ||
        (mode != GL_COMPILE && mode != GL_COMPILE_AND_EXECUTE))
        return;
    gl.compiling = list;
    gl.executeWhileCompiling = mode == GL_COMPILE_AND_EXECUTE;
    gl.compiled.clear();
}

void glEndList() {
    if (gl.compiling == 0) return;
    gl.lists[gl.compiling] = std::move(gl.compiled);
    gl.compiled.clear();
    gl.compiling = 0;
}

void glCallList(GLuint list) { Submit({Op::CallList, {}, {static_cast<GLint>(list)}}); }

}  // extern "C"
