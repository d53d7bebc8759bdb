// The decoder against libpng on pictures made with ImageMagick: every pixel,
// after laying transparency on the background both ways alike.
#include <dirent.h>
#include <gtest/gtest.h>
#include <png.h>
#include <stdio.h>

#include <set>
#include <string>
#include <vector>

#include "pngdecode.h"

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::vector<uint8_t> data;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return data;
    uint8_t buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0) data.insert(data.end(), buffer, buffer + n);
    fclose(f);
    return data;
}

struct Reference {
    uint32_t width = 0, height = 0;
    int colorType = 0, depth = 0, interlace = 0;
    std::vector<uint8_t> rgb;  // composited, top-down
};

int Scale(int value, int depth) { return depth == 16 ? value >> 8 : value * 255 / ((1 << depth) - 1); }

// libpng's decode to 8-bit RGBA (16-bit samples stripped to their high byte),
// laid on the bKGD colour or white.
bool DecodeWithLibpng(const std::string& path, Reference& ref) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_read_info(png, info);
    ref.width = png_get_image_width(png, info);
    ref.height = png_get_image_height(png, info);
    ref.colorType = png_get_color_type(png, info);
    ref.depth = png_get_bit_depth(png, info);
    ref.interlace = png_get_interlace_type(png, info);
    int bg[3] = {255, 255, 255};
    png_color_16p background;
    if (png_get_bKGD(png, info, &background)) {
        if (ref.colorType == PNG_COLOR_TYPE_PALETTE) {
            png_colorp palette;
            int count;
            png_get_PLTE(png, info, &palette, &count);
            bg[0] = palette[background->index].red;
            bg[1] = palette[background->index].green;
            bg[2] = palette[background->index].blue;
        } else if (!(ref.colorType & PNG_COLOR_MASK_COLOR)) {
            bg[0] = bg[1] = bg[2] = Scale(background->gray, ref.depth);
        } else {
            bg[0] = Scale(background->red, ref.depth);
            bg[1] = Scale(background->green, ref.depth);
            bg[2] = Scale(background->blue, ref.depth);
        }
    }
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    std::vector<uint8_t> rgba((size_t)ref.width * ref.height * 4);
    std::vector<png_bytep> rows(ref.height);
    for (uint32_t y = 0; y < ref.height; ++y) rows[y] = rgba.data() + (size_t)y * ref.width * 4;
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    fclose(f);
    ref.rgb.resize((size_t)ref.width * ref.height * 3);
    for (size_t i = 0; i < (size_t)ref.width * ref.height; ++i) {
        unsigned a = rgba[i * 4 + 3];
        for (int c = 0; c < 3; ++c)
            ref.rgb[i * 3 + c] = (uint8_t)((rgba[i * 4 + c] * a + bg[c] * (255 - a) + 127) / 255);
    }
    return true;
}

// The decoder's pixel (x, y from the top) as red, green, blue.
void PixelOf(const PngPicture& p, uint32_t x, uint32_t y, uint8_t rgb[3]) {
    const uint8_t* row = p.bits.data() + (size_t)(p.height - 1 - y) * p.stride;
    const uint8_t* bgr = p.bitCount == 8 ? &p.palette[row[x] * 4] : row + x * 3;
    rgb[0] = bgr[2];
    rgb[1] = bgr[1];
    rgb[2] = bgr[0];
}

TEST(PngDecoder, MatchesLibpngOnEveryColourTypeDepthAndInterlace) {
    DIR* dir = opendir(ZVPNG_SUITE);
    ASSERT_NE(nullptr, dir);
    std::set<std::string> kinds;
    int pictures = 0;
    while (dirent* e = readdir(dir)) {
        std::string name = e->d_name;
        if (name.size() < 5 || name.substr(name.size() - 4) != ".png") continue;
        std::string path = std::string(ZVPNG_SUITE) + "/" + name;
        Reference ref;
        ASSERT_TRUE(DecodeWithLibpng(path, ref)) << name;
        std::vector<uint8_t> data = ReadFile(path);
        PngPicture picture;
        ASSERT_TRUE(DecodePng(data.data(), data.size(), picture)) << name;
        ASSERT_EQ(ref.width, picture.width) << name;
        ASSERT_EQ(ref.height, picture.height) << name;
        EXPECT_EQ(ref.colorType == PNG_COLOR_TYPE_PALETTE, picture.bitCount == 8 && !(ref.colorType == 0))
            << name << ": palette pictures stay palettes";
        int wrong = 0;
        for (uint32_t y = 0; y < ref.height; ++y)
            for (uint32_t x = 0; x < ref.width; ++x) {
                uint8_t got[3];
                PixelOf(picture, x, y, got);
                const uint8_t* want = &ref.rgb[((size_t)y * ref.width + x) * 3];
                if (got[0] != want[0] || got[1] != want[1] || got[2] != want[2]) ++wrong;
            }
        EXPECT_EQ(0, wrong) << name;
        kinds.insert(std::to_string(ref.colorType) + "/" + std::to_string(ref.depth) + "/" +
                     std::to_string(ref.interlace));
        ++pictures;
    }
    closedir(dir);
    EXPECT_GE(pictures, 30);
    for (const char* kind : {"0/1/0", "0/2/0", "0/4/0", "0/8/0", "0/16/0", "2/8/0", "2/16/0", "3/1/0", "3/2/0", "3/4/0",
                             "3/8/0", "4/8/0", "4/16/0", "6/8/0", "6/16/0", "0/1/1", "3/4/1", "6/16/1"})
        EXPECT_TRUE(kinds.count(kind)) << "no picture of colour type/depth/interlace " << kind;
}

TEST(PngDecoder, RefusesDamagedAndHostileData) {
    std::vector<uint8_t> data = ReadFile(std::string(ZVPNG_SUITE) + "/rgb8_none.png");
    ASSERT_GT(data.size(), 60u);
    PngPicture picture;
    // Cut inside the picture data.
    EXPECT_FALSE(DecodePng(data.data(), data.size() - 40, picture));
    // A chunk length beyond the file.
    std::vector<uint8_t> broken = data;
    broken[33] = 0x7F;
    EXPECT_FALSE(DecodePng(broken.data(), broken.size(), picture));
    // Sides beyond the limit are refused before anything is allocated.
    std::vector<uint8_t> huge = data;
    huge[16] = huge[17] = 0x7F;
    EXPECT_FALSE(ReadPngHeader(huge.data(), huge.size(), picture));
    EXPECT_FALSE(DecodePng(huge.data(), huge.size(), picture));
    EXPECT_FALSE(DecodePng(data.data(), 20, picture));
    EXPECT_TRUE(ReadPngHeader(data.data(), data.size(), picture));
    EXPECT_EQ(24, picture.bitCount);
}

}  // namespace
