// The atlas as the driver holds it after the real upload, read back texel by
// texel: pictures whose rows are not a multiple of 4 bytes must not shear.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "app/window.h"
#include "little_endian.h"
#include "render/render_state.h"
#include "support.h"

namespace {

// A 24-bit BMP of the given red-green-blue rows (bottom row first), its own
// rows padded to 4 bytes as the format wants.
void WriteBitmap(const char* name, int width, int height, const std::vector<uint8_t>& rgb) {
    const unsigned row = (3u * width + 3) / 4 * 4;
    std::vector<uint8_t> out = {'B', 'M'};
    Put32(out, 54 + row * height);
    Put32(out, 0);
    Put32(out, 54);
    Put32(out, 40);
    Put32(out, width);
    Put32(out, height);
    Put16(out, 1);
    Put16(out, 24);
    for (int k = 0; k < 6; ++k) Put32(out, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint8_t* pixel = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            out.insert(out.end(), {pixel[2], pixel[1], pixel[0]});
        }
        out.resize(out.size() + row - 3u * width, 0);
    }
    std::filesystem::create_directories("Data");
    ASSERT_TRUE(WriteBytes(name, out));
}

struct DiceTextureTest : testing::Test {
    ScratchFolder folder;
    void SetUp() override { MessageBoxScript::Reset(); }
    void TearDown() override {
        if (GameWindow != nullptr) DestroyGameWindow();  // an assertion left it up
    }
};

TEST_F(DiceTextureTest, OddWidthsAreUploadedTexelForTexel) {
    const int sizes[][2] = {{255, 255}, {5, 3}, {6, 2}};
    for (const auto& size : sizes) {
        const int width = size[0], height = size[1];
        SCOPED_TRACE(testing::Message() << width << " x " << height);
        // Every texel differs from its neighbours in each channel, so a row
        // starting a byte or a pixel early shows at once.
        std::vector<uint8_t> picture;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                picture.insert(picture.end(), {static_cast<uint8_t>(x), static_cast<uint8_t>(y * 3 + 1),
                                               static_cast<uint8_t>(x * 5 + y * 11 + 2)});
        WriteBitmap("Data/DiceTexture.bmp", width, height, picture);
        ASSERT_TRUE(CreateGameWindow("Kubrask test", 64, 64, 16));  // loads the texture
        glBindTexture(GL_TEXTURE_2D, DiceTexture);
        GLint texturedWidth = 0, texturedHeight = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &texturedWidth);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &texturedHeight);
        EXPECT_EQ(texturedWidth, width);
        EXPECT_EQ(texturedHeight, height);
        std::vector<uint8_t> texels(picture.size() + 64, 0xEE);  // room to spare, to see overruns
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        EXPECT_EQ(std::vector<uint8_t>(texels.begin(), texels.begin() + picture.size()), picture);
        EXPECT_EQ(std::vector<uint8_t>(texels.begin() + picture.size(), texels.end()),
                  std::vector<uint8_t>(64, 0xEE));
        DestroyGameWindow();
        EXPECT_TRUE(MessageBoxScript::shown.empty());
    }
}

}  // namespace
