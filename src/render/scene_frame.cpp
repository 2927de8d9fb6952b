#include "render/scene_frame.h"

#include "app/frame_timer.h"
#include "platform/win32.h"

bool RenderFrame() {
    UpdateFrameDelta();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return true;
}
