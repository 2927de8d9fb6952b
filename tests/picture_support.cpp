#include "picture_support.h"

#include <cmath>
#include <filesystem>
#include <fstream>

#include "game/board.h"
#include "little_endian.h"
#include "platform/win32.h"
#include "png_chunks.h"
#include "render/scene_frame.h"

namespace {

const Rgb Colours[7] = {
    {40, 90, 40},  // the floor
    {230, 30, 30}, {30, 200, 40}, {30, 60, 230}, {230, 200, 30}, {200, 40, 200}, {30, 200, 210},
};

}  // namespace

Rgb AtlasColour(int value) { return Colours[value]; }

void WriteTestAtlas(const std::string& path) {
    const int size = 64;
    std::vector<uint8_t> out = {'B', 'M'};
    Put32(out, 54 + size * size * 3);
    Put32(out, 0);
    Put32(out, 54);
    Put32(out, 40);
    Put32(out, size);
    Put32(out, size);
    Put16(out, 1);
    Put16(out, 24);
    for (int k = 0; k < 6; ++k) Put32(out, 0);
    // Which value each cell shows, by band (t) and column (s).
    const int cells[3][3] = {{4, 5, 6}, {1, 2, 3}, {0, -1, -1}};
    for (int y = 0; y < size; ++y)  // the first row stored is t = 0
        for (int x = 0; x < size; ++x) {
            int column = static_cast<int>((x + 0.5) / size / 0.3125);
            int band = static_cast<int>((y + 0.5) / size / 0.3125);
            int value = column < 3 && band < 3 ? cells[band][column] : -1;
            Rgb c = value >= 0 ? Colours[value] : Rgb{255, 255, 255};
            out.insert(out.end(), {c.b, c.g, c.r});
        }
    std::filesystem::path file(path);
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(out.data()),
                                                 static_cast<std::streamsize>(out.size()));
}

Rgb ReadPixel(int x, int y) {
    uint8_t rgb[3];
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    return {rgb[0], rgb[1], rgb[2]};
}

bool ProjectDiceFramePoint(int cameraView, float x, float y, float z, int& windowX, int& windowY) {
    GLdouble modelView[16], projection[16];
    GLint viewport[4];
    int saved = CameraView;
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -13.0f);
    CameraView = cameraView;
    ApplyCameraView();
    CameraView = saved;
    float a = static_cast<float>(2.0 * std::sqrt(1.0 / (GameBoard.width * GameBoard.height)));
    glScalef(a, a, a);
    glTranslatef(0.0f, 0.0f, -1.0f);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glPopMatrix();
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLdouble wx, wy, wz;
    if (!gluProject(x, y, z, modelView, projection, viewport, &wx, &wy, &wz)) return false;
    windowX = static_cast<int>(std::floor(wx));
    windowY = static_cast<int>(std::floor(wy));
    return true;
}

// An uncompressed PNG: the image data goes in stored deflate blocks.
void WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgbRowsBottomUp) {
    std::vector<uint8_t> raw;
    for (int y = height - 1; y >= 0; --y) {  // PNG rows run top down
        raw.push_back(0);
        raw.insert(raw.end(), rgbRowsBottomUp.begin() + static_cast<long>(y) * width * 3,
                   rgbRowsBottomUp.begin() + static_cast<long>(y + 1) * width * 3);
    }
    std::vector<uint8_t> z = {0x78, 0x01};
    for (size_t at = 0; at < raw.size() || at == 0;) {
        size_t length = std::min<size_t>(65535, raw.size() - at);
        bool last = at + length == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<uint8_t>(length));
        z.push_back(static_cast<uint8_t>(length >> 8));
        z.push_back(static_cast<uint8_t>(~length));
        z.push_back(static_cast<uint8_t>(~length >> 8));
        z.insert(z.end(), raw.begin() + static_cast<long>(at), raw.begin() + static_cast<long>(at + length));
        at += length;
        if (last) break;
    }
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    Put32BigEndian(z, (b << 16) | a);

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    Put32BigEndian(header, static_cast<uint32_t>(width));
    Put32BigEndian(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB
    PutPngChunk(png, "IHDR", header);
    PutPngChunk(png, "IDAT", z);
    PutPngChunk(png, "IEND", {});
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(png.data()),
                                                 static_cast<std::streamsize>(png.size()));
}
