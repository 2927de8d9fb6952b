#include "render/render_state.h"

#include "image/bitmap_loader.h"

GLuint DiceTexture = 0;
GLuint DieCubeList = 0;
GLuint WalkerList = 0;

namespace {

bool DieCubeBuilt = false;
bool WalkerBuilt = false;

// A strong, red-heavy ambient light at the eye, switched on only while the
// lighting key is held.
const GLfloat LightAmbient[4] = {9.0f, 1.0f, 1.0f, 1.0f};
const GLfloat LightDiffuse[4] = {0.0f, 0.0f, 0.0f, 1.0f};
const GLfloat LightPosition[4] = {0.0f, 0.0f, 0.0f, 1.0f};

struct TexturedVertex {
    GLfloat s, t, x, y, z;
};

// The die's six faces, each counter-clockwise seen from outside, each with
// the atlas cell of the value that face carries on a new die.
const TexturedVertex CubeFaces[24] = {
    // +z, the bottom: one pip
    {0.0f, 0.625f, -1, -1, 1}, {0.3125f, 0.625f, 1, -1, 1},
    {0.3125f, 0.3125f, 1, 1, 1}, {0.0f, 0.3125f, -1, 1, 1},
    // -z, the top: six
    {0.625f, 0.3125f, -1, -1, -1}, {0.9375f, 0.3125f, -1, 1, -1},
    {0.9375f, 0.0f, 1, 1, -1}, {0.625f, 0.0f, 1, -1, -1},
    // +y: two
    {0.3125f, 0.625f, -1, 1, -1}, {0.625f, 0.625f, -1, 1, 1},
    {0.625f, 0.3125f, 1, 1, 1}, {0.3125f, 0.3125f, 1, 1, -1},
    // -y: four
    {0.0f, 0.3125f, -1, -1, -1}, {0.3125f, 0.3125f, 1, -1, -1},
    {0.3125f, 0.0f, 1, -1, 1}, {0.0f, 0.0f, -1, -1, 1},
    // +x: three
    {0.625f, 0.625f, 1, -1, -1}, {0.9375f, 0.625f, 1, 1, -1},
    {0.9375f, 0.3125f, 1, 1, 1}, {0.625f, 0.3125f, 1, -1, 1},
    // -x: five
    {0.3125f, 0.3125f, -1, -1, -1}, {0.625f, 0.3125f, -1, -1, 1},
    {0.625f, 0.0f, -1, 1, 1}, {0.3125f, 0.0f, -1, 1, -1},
};

void RecordDieCube() {
    glBegin(GL_QUADS);
    for (const TexturedVertex& v : CubeFaces) {
        glTexCoord2f(v.s, v.t);
        glVertex3f(v.x, v.y, v.z);
    }
    glEnd();
}

// A pyramid with its green apex at the origin and its blue base one unit
// along +z (down, into the board).
void RecordWalker() {
    const GLfloat apex[3] = {0, 0, 0}, a[3] = {-1, -1, -1}, b[3] = {1, -1, -1}, c[3] = {0, 1, -1};
    const GLfloat* sides[3][2] = {{a, b}, {b, c}, {c, a}};
    glShadeModel(GL_SMOOTH);
    glBegin(GL_TRIANGLES);
    for (const auto& side : sides) {
        glColor3f(0, 1, 0);
        glVertex3fv(apex);
        glColor3f(0, 0, 1);
        glVertex3fv(side[0]);
        glColor3f(0, 0, 1);
        glVertex3fv(side[1]);
    }
    glColor3f(0, 0, 1);
    glVertex3fv(a);
    glColor3f(0, 0, 1);
    glVertex3fv(c);
    glColor3f(0, 0, 1);
    glVertex3fv(b);
    glColor3f(1, 1, 1);
    glEnd();
    glShadeModel(GL_SMOOTH);
}

// Plays a display list, recording it the first time.
void CallShape(GLuint list, bool& built, void (*record)()) {
    if (!built) {
        glNewList(list, GL_COMPILE);
        record();
        glEndList();
        built = true;
    }
    glCallList(list);
}

}  // namespace

bool LoadDiceTexture() {
    RgbImage* image = LoadBitmapImage("Data/DiceTexture.bmp");
    if (image == nullptr) return false;
    glGenTextures(1, &DiceTexture);
    glBindTexture(GL_TEXTURE_2D, DiceTexture);
    // The loader's rows are tightly packed; OpenGL would take them as padded to 4.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, image->width, image->height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 image->pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    delete[] image->pixels;
    delete image;
    return true;
}

bool InitRenderState() {
    if (!LoadDiceTexture()) return false;
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_FLAT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glLightfv(GL_LIGHT1, GL_AMBIENT, LightAmbient);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, LightDiffuse);
    glLightfv(GL_LIGHT1, GL_POSITION, LightPosition);  // the model-view is the identity: at the eye
    glEnable(GL_LIGHT1);
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
    glEnable(GL_CULL_FACE);
    DieCubeList = glGenLists(2);
    WalkerList = DieCubeList + 1;
    // Fresh list names hold nothing yet.
    DieCubeBuilt = WalkerBuilt = false;
    return true;
}

void DrawDieCube() { CallShape(DieCubeList, DieCubeBuilt, RecordDieCube); }

void DrawWalkerShape() { CallShape(WalkerList, WalkerBuilt, RecordWalker); }
