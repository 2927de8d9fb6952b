// GL 1.1's backend over WebGL 2: one program draws the frame's clip-space
// triangles with their colours, modulated by the texture when there is one.
// Only emscripten_gl* calls here, so the game's gl* names stay gl11.cpp's.
#include <webgl/webgl1.h>
#include <webgl/webgl2.h>

#include <cstddef>
#include <cstdio>
#include <map>

#include "platform/web/gl11.h"

namespace {

const char* const VertexShader = R"(#version 300 es
layout(location = 0) in vec4 clip;
layout(location = 1) in vec4 colour;
layout(location = 2) in vec2 texCoord;
out vec4 vertexColour;
out vec2 vertexTexCoord;
void main() {
    gl_Position = clip;
    vertexColour = colour;
    vertexTexCoord = texCoord;
}
)";

// GL_MODULATE: the texel times the colour.
const char* const FragmentShader = R"(#version 300 es
precision highp float;
uniform sampler2D image;
uniform bool textured;
in vec4 vertexColour;
in vec2 vertexTexCoord;
out vec4 fragmentColour;
void main() {
    fragmentColour = textured ? texture(image, vertexTexCoord) * vertexColour : vertexColour;
}
)";

struct WebGl {
    GLuint program = 0, vertexArray = 0, buffer = 0;
    GLint textured = -1;
    std::map<GLuint, GLuint> textures;  // the game's names to WebGL's
};

WebGl webgl;

GLuint CompileShader(GLenum type, const char* source) {
    GLuint shader = emscripten_glCreateShader(type);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    GLint compiled = GL_FALSE;
    emscripten_glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled != GL_TRUE) {
        char log[1024] = "";
        emscripten_glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "GL 1.1 shader did not compile: %s\n", log);
    }
    return shader;
}

void SetCapability(GLenum cap, bool on) {
    if (on)
        emscripten_glEnable(cap);
    else
        emscripten_glDisable(cap);
}

void BindTexture(GLuint name) { emscripten_glBindTexture(GL_TEXTURE_2D, webgl.textures[name]); }

}  // namespace

void StartGl11() {
    ResetGl11();
    webgl = WebGl{};
    GLuint vertexShader = CompileShader(GL_VERTEX_SHADER, VertexShader);
    GLuint fragmentShader = CompileShader(GL_FRAGMENT_SHADER, FragmentShader);
    webgl.program = emscripten_glCreateProgram();
    emscripten_glAttachShader(webgl.program, vertexShader);
    emscripten_glAttachShader(webgl.program, fragmentShader);
    emscripten_glLinkProgram(webgl.program);
    GLint linked = GL_FALSE;
    emscripten_glGetProgramiv(webgl.program, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) std::fprintf(stderr, "GL 1.1 program did not link\n");
    emscripten_glDeleteShader(vertexShader);
    emscripten_glDeleteShader(fragmentShader);
    emscripten_glUseProgram(webgl.program);
    emscripten_glUniform1i(emscripten_glGetUniformLocation(webgl.program, "image"), 0);
    webgl.textured = emscripten_glGetUniformLocation(webgl.program, "textured");

    emscripten_glGenVertexArrays(1, &webgl.vertexArray);
    emscripten_glBindVertexArray(webgl.vertexArray);
    emscripten_glGenBuffers(1, &webgl.buffer);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, webgl.buffer);
    const struct {
        GLint size;
        std::size_t offset;
    } attributes[] = {
        {4, offsetof(GlVertex, clip)}, {4, offsetof(GlVertex, colour)}, {2, offsetof(GlVertex, texCoord)}};
    for (GLuint location = 0; location < 3; ++location) {
        emscripten_glEnableVertexAttribArray(location);
        emscripten_glVertexAttribPointer(location, attributes[location].size, GL_FLOAT, GL_FALSE,
                                         sizeof(GlVertex),
                                         reinterpret_cast<const void*>(attributes[location].offset));
    }
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // gl11 hands over tight rows
}

void GlBackendCreateTexture(GLuint name) {
    GLuint texture = 0;
    emscripten_glGenTextures(1, &texture);
    webgl.textures[name] = texture;
}

void GlBackendTextureImage(GLuint name, const GlTextureImage& image) {
    BindTexture(name);
    emscripten_glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(image.format), image.width, image.height, 0,
                            image.format, GL_UNSIGNED_BYTE, image.pixels.data());
}

void GlBackendTextureParameter(GLuint name, GLenum parameter, GLint value) {
    BindTexture(name);
    emscripten_glTexParameteri(GL_TEXTURE_2D, parameter, value);
}

void GlBackendBeginFrame(const GlVertex* vertices, std::size_t count) {
    emscripten_glUseProgram(webgl.program);
    emscripten_glBindVertexArray(webgl.vertexArray);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, webgl.buffer);
    emscripten_glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count * sizeof(GlVertex)), vertices,
                            GL_STREAM_DRAW);
}

void GlBackendClear(const GlClearRecord& clear) {
    emscripten_glClearColor(clear.colour[0], clear.colour[1], clear.colour[2], clear.colour[3]);
    emscripten_glClearDepthf(clear.depth);
    emscripten_glClear(clear.mask);
}

void GlBackendViewport(const GlViewportRecord& viewport) {
    emscripten_glViewport(viewport.x, viewport.y, viewport.width, viewport.height);
}

void GlBackendDraw(const GlDrawState& state, std::size_t first, std::size_t count) {
    SetCapability(GL_DEPTH_TEST, state.depthTest);
    emscripten_glDepthFunc(state.depthFunc);
    SetCapability(GL_CULL_FACE, state.cullFace);
    emscripten_glCullFace(state.cullMode);
    emscripten_glFrontFace(state.frontFace);
    emscripten_glUniform1i(webgl.textured, state.textured ? 1 : 0);
    if (state.textured) BindTexture(state.texture);
    emscripten_glDrawArrays(GL_TRIANGLES, static_cast<GLint>(first), static_cast<GLsizei>(count));
}

// The browser shows the canvas once control returns to it.
void GlBackendEndFrame() {}
