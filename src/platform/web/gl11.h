// OpenGL 1.1 for the browser: the part of the fixed-function pipeline the
// game draws with, done on the processor, with WebGL 2 only rasterising.
// This file declares what the web layer calls and the backend that
// webgl_backend.cpp implements over WebGL 2; gl11.cpp defines the gl* and
// glu* calls themselves (C linkage, as <GL/gl.h> declares them).
//
// Implemented:
//  [X] glBegin/glEnd with GL_TRIANGLES and GL_QUADS; glVertex3f(v), glColor3f, glTexCoord2f.
//  [X] Model-view and projection stacks (32 and 2 deep): glMatrixMode, glLoadIdentity,
//      glPushMatrix, glPopMatrix, glTranslatef, glRotatef, glScalef, glMultMatrixf, gluPerspective.
//  [X] Lighting per vertex as GL 1.1 defines it: the default material, the default light
//      model, lights 0-7 with their ambient, diffuse and position (glLightfv); the normal
//      is always (0,0,1), carried by the inverse transpose of the model-view, not renormalised.
//  [X] Flat shading with the last vertex of each triangle or quad providing the colour.
//  [X] Depth test and function, face culling with cull face and front face, glClear with the
//      clear colour and depth, glViewport.
//  [X] One 2D texture at a time, modulating the colour: glGenTextures, glBindTexture,
//      glTexParameteri (filters; wraps, GL_CLAMP taken as GL_CLAMP_TO_EDGE), glTexImage2D
//      with level 0, GL_UNSIGNED_BYTE, every GL 1.1 format and internal format but colour
//      index (the numbers 1-4 included), any size, glPixelStorei(GL_UNPACK_ALIGNMENT).
//  [X] Display lists: glGenLists, glNewList (GL_COMPILE, GL_COMPILE_AND_EXECUTE), glEndList,
//      glCallList, nested up to 64 deep.
//  [X] glHint and glFinish are accepted and do nothing.
// Missing:
//  [ ] glNormal, glMaterial, glLightModel, glColorMaterial, GL_NORMALIZE, specular light
//      (the default material has none), attenuation and spot lights, two-sided lighting.
//  [ ] Points, lines, strips, fans and polygons; the texture matrix; glTexEnv (always
//      GL_MODULATE); texture borders and mipmap levels (a mipmap filter leaves the texture
//      incomplete, so it draws untextured); pixel store other than the alignment.
//  [ ] Blending, alpha test, fog, stencil, scissor, masks, glDepthRange, glGet*, glGetError:
//      a call GL would refuse with an error is ignored.
//
// The frame is deferred: glClear, glViewport and the triangles are recorded and reach WebGL
// only when the layer calls PresentGlFrame() from its SwapBuffers, so the canvas keeps the
// last whole frame until then. Textures are created and uploaded at once.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// Call once, right after a WebGL 2 context has been made current: compiles the shader
// and makes the buffers, and starts GL 1.1 afresh, as a new context does (webgl_backend.cpp).
void StartGl11();
// Sends the frame recorded since the last present to the backend, then forgets it.
void PresentGlFrame();
// Forgets the frame recorded since the last present, unsent: a frame not to be shown.
void DropGlFrame();
// Every GL 1.1 state to its default, no textures or lists, an empty frame.
void ResetGl11();

// One vertex as WebGL gets it: transformed, lit and shaded.
struct GlVertex {
    float clip[4];
    float colour[4];
    float texCoord[2];
};

// The state a batch of triangles is drawn with. texture is 0 when texturing is off or the
// bound texture is incomplete.
struct GlDrawState {
    bool depthTest;
    GLenum depthFunc;
    bool cullFace;
    GLenum cullMode;
    GLenum frontFace;
    bool textured;
    GLuint texture;
    bool operator==(const GlDrawState&) const = default;
};

struct GlClearRecord {
    GLbitfield mask;
    float colour[4];
    float depth;
};

struct GlViewportRecord {
    GLint x, y;
    GLsizei width, height;
};

// A texture image with tightly packed rows, bottom row first, one byte per component.
// format is GL_LUMINANCE, GL_LUMINANCE_ALPHA, GL_RGB or GL_RGBA; alpha and intensity
// textures arrive as luminance-alpha images that modulate as they would.
struct GlTextureImage {
    GLenum format;
    GLsizei width, height;
    std::vector<std::uint8_t> pixels;
};

// The backend: webgl_backend.cpp over WebGL 2, a recording one in the tests. Texture
// names are the game's; the backend keeps its own objects behind them.
void GlBackendCreateTexture(GLuint name);
void GlBackendTextureImage(GLuint name, const GlTextureImage& image);
void GlBackendTextureParameter(GLuint name, GLenum parameter, GLint value);  // filters, wraps
// A present: the frame's vertices, then its commands in order, then the end.
void GlBackendBeginFrame(const GlVertex* vertices, std::size_t count);
void GlBackendClear(const GlClearRecord& clear);
void GlBackendViewport(const GlViewportRecord& viewport);
void GlBackendDraw(const GlDrawState& state, std::size_t first, std::size_t count);  // triangles
void GlBackendEndFrame();
