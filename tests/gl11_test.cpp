// The browser's OpenGL 1.1 against the GL formulas, with a backend that records
// what would have reached WebGL.
#include "platform/web/gl11.h"

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Draw {
    GlDrawState state;
    std::vector<GlVertex> vertices;
};

struct Recording {
    std::vector<std::string> calls;
    std::vector<GlVertex> frame;
    std::vector<Draw> draws;
    std::vector<GlClearRecord> clears;
    std::vector<GlTextureImage> images;
};

Recording backend;

}  // namespace

void GlBackendCreateTexture(GLuint name) { backend.calls.push_back("create " + std::to_string(name)); }
void GlBackendTextureImage(GLuint name, const GlTextureImage& image) {
    backend.calls.push_back("image " + std::to_string(name));
    backend.images.push_back(image);
}
void GlBackendTextureParameter(GLuint name, GLenum parameter, GLint value) {
    backend.calls.push_back("parameter " + std::to_string(name) + " " + std::to_string(parameter) + " " +
                            std::to_string(value));
}
void GlBackendBeginFrame(const GlVertex* vertices, std::size_t count) {
    backend.calls.push_back("begin");
    backend.frame.assign(vertices, vertices + count);
}
void GlBackendClear(const GlClearRecord& clear) {
    backend.calls.push_back("clear " + std::to_string(clear.mask));
    backend.clears.push_back(clear);
}
void GlBackendViewport(const GlViewportRecord& v) {
    backend.calls.push_back("viewport " + std::to_string(v.width) + "x" + std::to_string(v.height));
}
void GlBackendDraw(const GlDrawState& state, std::size_t first, std::size_t count) {
    backend.calls.push_back("draw " + std::to_string(count));
    backend.draws.push_back({state, {backend.frame.begin() + first, backend.frame.begin() + first + count}});
}
void GlBackendEndFrame() { backend.calls.push_back("end"); }

namespace {

struct Gl11Test : testing::Test {
    void SetUp() override {
        ResetGl11();
        backend = {};
    }
};

// Every vertex drawn in the presented frame, in order.
std::vector<GlVertex> Present() {
    backend.draws.clear();
    PresentGlFrame();
    std::vector<GlVertex> all;
    for (const Draw& draw : backend.draws) all.insert(all.end(), draw.vertices.begin(), draw.vertices.end());
    return all;
}

// Where one vertex ends up in clip space, and its colour.
GlVertex One(float x, float y, float z) {
    glBegin(GL_TRIANGLES);
    for (int k = 0; k < 3; ++k) glVertex3f(x, y, z);
    glEnd();
    std::vector<GlVertex> drawn = Present();
    return drawn.empty() ? GlVertex{} : drawn[0];
}

void ExpectNear4(const float* actual, std::vector<float> expected, float tolerance = 1e-5f) {
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(actual[k], expected[k], tolerance) << "component " << k;
}

void Quad(const float colours[4][3]) {
    const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    glBegin(GL_QUADS);
    for (int k = 0; k < 4; ++k) {
        glColor3f(colours[k][0], colours[k][1], colours[k][2]);
        glVertex3f(corners[k][0], corners[k][1], 0);
    }
    glEnd();
}

const float White[4][3] = {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}};

}  // namespace

TEST_F(Gl11Test, MatricesFollowTheGlFormulas) {
    glMatrixMode(GL_PROJECTION);
    gluPerspective(90.0, 2.0, 1.0, 3.0);  // f = 1: x/2, y, -2z - 3, -z
    glMatrixMode(GL_MODELVIEW);
    ExpectNear4(One(1, 2, -2).clip, {0.5f, 2, 1, 2});

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glRotatef(120, 3, 3, 3);  // a turn about the diagonal: x to y to z, the axis normalised
    ExpectNear4(One(1, 2, 3).clip, {3, 1, 2, 1});
    glLoadIdentity();
    glTranslatef(5, 0, 0);
    glRotatef(90, 0, 0, 1);  // applied to the vertex first
    ExpectNear4(One(1, 2, 0).clip, {3, 1, 0, 1});
    const GLfloat columns[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 7, 8, 9, 1};
    glLoadIdentity();
    glMultMatrixf(columns);
    glScalef(2, 3, 4);
    ExpectNear4(One(1, 1, 1).clip, {9, 11, 13, 1});
}

TEST_F(Gl11Test, StacksPushPopAndRefuseBeyondTheirDepth) {
    glTranslatef(1, 0, 0);
    glPushMatrix();
    glTranslatef(0, 1, 0);
    glBegin(GL_TRIANGLES);
    glTranslatef(0, 0, 50);  // refused between glBegin and glEnd
    glVertex3f(0, 0, 0);
    glVertex3f(0, 0, 0);
    glVertex3f(0, 0, 0);
    glEnd();
    ExpectNear4(Present()[0].clip, {1, 1, 0, 1});
    glPopMatrix();
    glPopMatrix();  // the last one stays
    ExpectNear4(One(0, 0, 0).clip, {1, 0, 0, 1});

    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);  // two deep
    glPushMatrix();
    glTranslatef(0, 2, 0);
    glPushMatrix();  // refused
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    ExpectNear4(One(0, 0, 0).clip, {0, 0, 0, 1});
}

TEST_F(Gl11Test, LitColourIsAmbientPlusDiffuseOfTheDefaultMaterial) {
    const GLfloat ambient[4] = {0.1f, 0.2f, 0.3f, 1}, diffuse[4] = {0.5f, 0.5f, 0.5f, 1};
    const GLfloat position[4] = {0, 0, 15, 1};
    glLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
    glTranslatef(0, 0, -10);
    glLightfv(GL_LIGHT1, GL_POSITION, position);  // at (0,0,5) in eye space, from now on
    glLoadIdentity();
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT1);
    glColor3f(0, 1, 0);  // no effect on the lit colour
    // From (3,0,1) the light lies along (-3,0,4)/5: n·L = 0.8.
    // 0.2·0.2 + 0.2·ambient + 0.8·(n·L)·diffuse.
    ExpectNear4(One(3, 0, 1).colour, {0.38f, 0.40f, 0.42f, 1});

    // The same eye-space point through a scale of 1/2: the normal comes out twice as long.
    glScalef(0.5f, 0.5f, 0.5f);
    ExpectNear4(One(6, 0, 2).colour, {0.70f, 0.72f, 0.74f, 1});
    glLoadIdentity();
    glScalef(2, 2, 2);
    ExpectNear4(One(1.5f, 0, 0.5f).colour, {0.22f, 0.24f, 0.26f, 1});
    glLoadIdentity();

    // Behind the surface: ambient only. Directional: n·L = 1.
    const GLfloat below[4] = {0, 0, -5, 1}, overhead[4] = {0, 0, 2, 0};
    glLightfv(GL_LIGHT1, GL_POSITION, below);
    ExpectNear4(One(0, 0, 0).colour, {0.06f, 0.08f, 0.10f, 1});
    glLightfv(GL_LIGHT1, GL_POSITION, overhead);
    ExpectNear4(One(7, 7, 7).colour, {0.46f, 0.48f, 0.50f, 1});

    // The game's light: a red-heavy ambient, clamped; light 0 is off and adds nothing.
    const GLfloat game[4] = {9, 1, 1, 1}, none[4] = {0, 0, 0, 1};
    glLightfv(GL_LIGHT1, GL_AMBIENT, game);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, none);
    ExpectNear4(One(0, 0, -5).colour, {1, 0.24f, 0.24f, 1});

    glDisable(GL_LIGHTING);
    glColor3f(2, 0.5f, -1);
    ExpectNear4(One(0, 0, 0).colour, {1, 0.5f, 0, 1});
}

TEST_F(Gl11Test, QuadsSplitKeepingTheirWindingAndFlatShadingTakesTheLastVertex) {
    const float colours[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}};
    glShadeModel(GL_FLAT);
    Quad(colours);
    glBegin(GL_QUADS);  // the fifth vertex begins a quad that never ends
    for (int k = 0; k < 5; ++k) glVertex3f(0, 0, 0);
    glEnd();
    std::vector<GlVertex> drawn = Present();
    ASSERT_EQ(drawn.size(), 12u);
    const int corners[6] = {0, 1, 2, 0, 2, 3};
    const float x[4] = {-1, 1, 1, -1}, y[4] = {-1, -1, 1, 1};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(drawn[k].clip[0], x[corners[k]]) << k;
        EXPECT_EQ(drawn[k].clip[1], y[corners[k]]) << k;
        ExpectNear4(drawn[k].colour, {1, 1, 0, 1});
    }

    glShadeModel(GL_SMOOTH);
    Quad(colours);
    glShadeModel(GL_FLAT);
    glBegin(GL_TRIANGLES);
    glColor3f(1, 0, 0);
    glVertex3f(0, 0, 0);
    glColor3f(0, 1, 0);
    glVertex3f(1, 0, 0);
    glColor3f(0, 0, 1);
    glVertex3f(0, 1, 0);
    glVertex3f(0, 0, 0);  // not a whole triangle
    glEnd();
    drawn = Present();
    ASSERT_EQ(drawn.size(), 9u);
    for (int k = 0; k < 6; ++k)
        ExpectNear4(drawn[k].colour,
                    {colours[corners[k]][0], colours[corners[k]][1], colours[corners[k]][2], 1});
    for (int k = 6; k < 9; ++k) ExpectNear4(drawn[k].colour, {0, 0, 1, 1});
}

TEST_F(Gl11Test, DisplayListsReplayAsTheCallsWouldRun) {
    const float colours[4][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}};
    auto shape = [&] {
        glShadeModel(GL_SMOOTH);
        glTranslatef(1, 2, 3);
        glTexCoord2f(0.25f, 0.5f);
        Quad(colours);
        glDisable(GL_DEPTH_TEST);
    };
    GLuint list = glGenLists(2);
    EXPECT_EQ(glGenLists(1), list + 2);
    glNewList(list, GL_COMPILE);
    shape();
    glEndList();
    PresentGlFrame();
    EXPECT_TRUE(backend.calls.empty());  // compiled, not run

    auto run = [](auto draw) {
        ResetGl11();
        backend = {};
        glShadeModel(GL_FLAT);
        glEnable(GL_DEPTH_TEST);
        glRotatef(30, 0, 1, 0);
        draw();
        Quad(White);  // after the list, with what it left
        PresentGlFrame();
        return backend.draws;
    };
    std::vector<Draw> immediate = run(shape);
    std::vector<Draw> replayed = run([&] {
        glNewList(list, GL_COMPILE);
        shape();
        glEndList();
        glCallList(list);
    });
    ASSERT_EQ(immediate.size(), 2u);
    ASSERT_EQ(replayed.size(), 2u);
    for (int d = 0; d < 2; ++d) {
        EXPECT_TRUE(replayed[d].state == immediate[d].state);
        ASSERT_EQ(replayed[d].vertices.size(), 6u);
        for (int k = 0; k < 6; ++k) {
            const GlVertex &a = replayed[d].vertices[k], &b = immediate[d].vertices[k];
            for (int c = 0; c < 4; ++c) EXPECT_EQ(a.clip[c], b.clip[c]);
            for (int c = 0; c < 4; ++c) EXPECT_EQ(a.colour[c], b.colour[c]);
            EXPECT_EQ(a.texCoord[1], 0.5f);
        }
    }

    // A list that calls itself stops at the nesting limit.
    ResetGl11();
    glNewList(1, GL_COMPILE_AND_EXECUTE);
    glBegin(GL_TRIANGLES);
    glVertex3f(0, 0, 0);
    glVertex3f(1, 0, 0);
    glVertex3f(0, 1, 0);
    glEnd();
    glCallList(1);
    glEndList();
    glCallList(1);
    EXPECT_EQ(Present().size(), 3u * (1 + 64));
}

TEST_F(Gl11Test, TheFrameReachesTheBackendOnlyWhenPresented) {
    glViewport(0, 0, 640, 480);
    glClearColor(0, 0, 0.5f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(1, 1, 1, 1);  // too late for that clear
    Quad(White);
    glClear(GL_DEPTH_BUFFER_BIT);
    glFinish();
    EXPECT_TRUE(backend.calls.empty());
    PresentGlFrame();
    EXPECT_EQ(backend.calls, (std::vector<std::string>{"begin", "viewport 640x480", "clear 16640", "draw 6",
                                                       "clear 256", "end"}));
    EXPECT_EQ(backend.clears[0].colour[2], 0.5f);

    // A whole clear hides what came before it, all but the viewport.
    backend = {};
    PresentGlFrame();
    EXPECT_TRUE(backend.calls.empty());
    glViewport(0, 0, 320, 200);
    Quad(White);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    Quad(White);
    PresentGlFrame();
    EXPECT_EQ(backend.calls,
              (std::vector<std::string>{"begin", "viewport 320x200", "clear 16640", "draw 6", "end"}));
}

TEST_F(Gl11Test, BatchesCarryTheirStateAndMergeWhenItIsTheSame) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    const GLubyte texel[3] = {255, 255, 255};
    glTexImage2D(GL_TEXTURE_2D, 0, 3, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, texel);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_CULL_FACE);
    glFrontFace(GL_CW);
    Quad(White);  // the default filter wants mipmaps: not textured
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    Quad(White);
    Quad(White);
    glDisable(GL_DEPTH_TEST);
    Quad(White);
    PresentGlFrame();
    ASSERT_EQ(backend.draws.size(), 3u);
    const GlDrawState untextured{true, GL_LEQUAL, true, GL_BACK, GL_CW, false, 0};
    const GlDrawState textured{true, GL_LEQUAL, true, GL_BACK, GL_CW, true, texture};
    const GlDrawState flat{false, GL_LEQUAL, true, GL_BACK, GL_CW, true, texture};
    EXPECT_TRUE(backend.draws[0].state == untextured);
    EXPECT_TRUE(backend.draws[1].state == textured);
    EXPECT_EQ(backend.draws[1].vertices.size(), 12u);
    EXPECT_TRUE(backend.draws[2].state == flat);
}

TEST_F(Gl11Test, TextureImagesArriveTightInTheirBaseFormat) {
    GLuint names[2] = {};
    glGenTextures(2, names);
    EXPECT_NE(names[0], names[1]);
    glBindTexture(GL_TEXTURE_2D, names[1]);
    // Two rows of three RGB pixels, each row padded to the default alignment of 4.
    const GLubyte padded[24] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  0, 0, 0,
                                10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0};
    glTexImage2D(GL_TEXTURE_2D, 0, 3, 3, 2, 0, GL_RGB, GL_UNSIGNED_BYTE, padded);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, 1, 2, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, padded);  // luminance from red
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, 2, 1, 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, padded);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    ASSERT_EQ(backend.images.size(), 3u);
    EXPECT_EQ(backend.images[0].format, static_cast<GLenum>(GL_RGB));
    EXPECT_EQ(backend.images[0].pixels,
              (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18}));
    EXPECT_EQ(backend.images[1].format, static_cast<GLenum>(GL_LUMINANCE));
    EXPECT_EQ(backend.images[1].pixels, (std::vector<std::uint8_t>{1, 4}));
    EXPECT_EQ(backend.images[2].format, static_cast<GLenum>(GL_LUMINANCE_ALPHA));  // white, with the alpha
    EXPECT_EQ(backend.images[2].pixels, (std::vector<std::uint8_t>{255, 2, 255, 4}));
    const std::string name = std::to_string(names[1]);
    EXPECT_EQ(backend.calls.back(), "parameter " + name + " " + std::to_string(GL_TEXTURE_WRAP_S) + " " +
                                        std::to_string(GL_CLAMP_TO_EDGE));
    EXPECT_EQ(backend.calls[0], "create " + std::to_string(names[0]));
    EXPECT_EQ(backend.calls[2], "image " + name);
}
