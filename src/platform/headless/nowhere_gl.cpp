// OpenGL 1.1 as the game calls it, going nowhere: every call is taken and
// does nothing, save that names asked for are handed out.
#include <GL/gl.h>
#include <GL/glu.h>

namespace {

GLuint NextTexture = 1;
GLuint NextList = 1;

}  // namespace

extern "C" {

void GLAPIENTRY glBegin(GLenum) {}
void GLAPIENTRY glEnd() {}
void GLAPIENTRY glVertex3f(GLfloat, GLfloat, GLfloat) {}
void GLAPIENTRY glVertex3fv(const GLfloat*) {}
void GLAPIENTRY glColor3f(GLfloat, GLfloat, GLfloat) {}
void GLAPIENTRY glTexCoord2f(GLfloat, GLfloat) {}
void GLAPIENTRY glTranslatef(GLfloat, GLfloat, GLfloat) {}
void GLAPIENTRY glRotatef(GLfloat, GLfloat, GLfloat, GLfloat) {}
void GLAPIENTRY glScalef(GLfloat, GLfloat, GLfloat) {}
void GLAPIENTRY glMultMatrixf(const GLfloat*) {}
void GLAPIENTRY glPushMatrix() {}
void GLAPIENTRY glPopMatrix() {}
void GLAPIENTRY glLoadIdentity() {}
void GLAPIENTRY glMatrixMode(GLenum) {}
void GLAPIENTRY glViewport(GLint, GLint, GLsizei, GLsizei) {}
void GLAPIENTRY glEnable(GLenum) {}
void GLAPIENTRY glDisable(GLenum) {}
void GLAPIENTRY glShadeModel(GLenum) {}
void GLAPIENTRY glLightfv(GLenum, GLenum, const GLfloat*) {}
void GLAPIENTRY glHint(GLenum, GLenum) {}
void GLAPIENTRY glFrontFace(GLenum) {}
void GLAPIENTRY glCullFace(GLenum) {}
void GLAPIENTRY glDepthFunc(GLenum) {}
void GLAPIENTRY glClearDepth(GLclampd) {}
void GLAPIENTRY glClearColor(GLclampf, GLclampf, GLclampf, GLclampf) {}
void GLAPIENTRY glClear(GLbitfield) {}
void GLAPIENTRY glPixelStorei(GLenum, GLint) {}
void GLAPIENTRY glTexParameteri(GLenum, GLenum, GLint) {}
void GLAPIENTRY glTexImage2D(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const GLvoid*) {}
void GLAPIENTRY glBindTexture(GLenum, GLuint) {}
void GLAPIENTRY glNewList(GLuint, GLenum) {}
void GLAPIENTRY glEndList() {}
void GLAPIENTRY glCallList(GLuint) {}

void GLAPIENTRY glGenTextures(GLsizei count, GLuint* names) {
    for (GLsizei i = 0; i < count; ++i) names[i] = NextTexture++;
}

GLuint GLAPIENTRY glGenLists(GLsizei range) {
    GLuint first = NextList;
    NextList += static_cast<GLuint>(range);
    return first;
}

void GLAPIENTRY gluPerspective(GLdouble, GLdouble, GLdouble, GLdouble) {}

}  // extern "C"
