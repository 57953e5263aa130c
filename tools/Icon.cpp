#include "tools/Icon.h"

#include <png.h>

#include <cmath>
#include <cstring>
#include <filesystem>

namespace icon {

namespace {

// Largest picture side read: a screenshot is far smaller, and a file that
// claims more is not one.
const png_uint_32 maxSide = 16384;

// How much of each picture pixel along one axis the icon pixel `i` covers.
struct Share {
    int index;     // picture pixel
    double weight; // covered fraction of it, 0..1
};

std::vector<Share> sharesOf(int i, int first, int side, int size) {
    const double scale = double(side) / double(size);
    const double from = i * scale, to = (i + 1) * scale;
    std::vector<Share> shares;
    for (int p = int(std::floor(from)); p < int(std::ceil(to)); ++p) {
        double weight = std::min(to, double(p + 1)) - std::max(from, double(p));
        if (weight > 0.0)
            shares.push_back({first + p, weight});
    }
    return shares;
}

} // namespace

RgbImage scaleSquare(const RgbImage& picture, int left, int top, int side, int size) {
    if (size <= 0 || side < size || left < 0 || top < 0 || left + side > picture.width ||
        top + side > picture.height)
        return RgbImage();
    RgbImage scaled(size, size);
    const double area = (double(side) / size) * (double(side) / size);
    for (int y = 0; y < size; ++y) {
        std::vector<Share> rows = sharesOf(y, top, side, size);
        for (int x = 0; x < size; ++x) {
            std::vector<Share> columns = sharesOf(x, left, side, size);
            double sum[3] = {0.0, 0.0, 0.0};
            for (const Share& row : rows) {
                for (const Share& column : columns) {
                    const uint8_t* p = picture.at(column.index, row.index);
                    for (int c = 0; c < 3; ++c)
                        sum[c] += row.weight * column.weight * p[c];
                }
            }
            scaled.set(x, y, uint8_t(std::lround(sum[0] / area)),
                       uint8_t(std::lround(sum[1] / area)), uint8_t(std::lround(sum[2] / area)));
        }
    }
    return scaled;
}

bool readPng(const std::string& path, RgbImage& image, std::string& error) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        error = path + ": " + png.message;
        return false;
    }
    if (png.width > maxSide || png.height > maxSide) {
        error = path + ": larger than " + std::to_string(maxSide) + " pixels a side";
        png_image_free(&png);
        return false;
    }
    png.format = PNG_FORMAT_RGB;
    image = RgbImage(int(png.width), int(png.height));
    if (!png_image_finish_read(&png, nullptr, image.rgb.data(), 0, nullptr)) {
        error = path + ": " + png.message;
        png_image_free(&png);
        return false;
    }
    return true;
}

bool writePng(const std::string& path, const RgbImage& image, std::string& error) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(image.width);
    png.height = png_uint_32(image.height);
    png.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&png, path.c_str(), 0, image.rgb.data(), 0, nullptr)) {
        error = path + ": " + png.message;
        png_image_free(&png);
        return false;
    }
    return true;
}

bool writeIcons(const std::string& shot, int left, int top, int side, const std::string& folder,
                std::string& error) {
    RgbImage picture;
    if (!readPng(shot, picture, error))
        return false;
    for (int size : {48, 128, 256}) {
        RgbImage scaled = scaleSquare(picture, left, top, side, size);
        if (scaled.width == 0) {
            error = "the square is not inside " + shot + " or smaller than " + std::to_string(size);
            return false;
        }
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        std::filesystem::path apps = std::filesystem::path(folder) / name / "apps";
        std::error_code ignored;
        std::filesystem::create_directories(apps, ignored);
        if (!writePng((apps / "kestu.png").string(), scaled, error))
            return false;
    }
    return true;
}

} // namespace icon
