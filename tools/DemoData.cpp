#include "tools/DemoData.h"

#include "tools/BmpWriter.h"
#include "tools/IslandHeightmap.h"
#include "tools/PaintMasks.h"
#include "tools/PixelFont.h"
#include "tools/TerrainTextures.h"

#include <filesystem>
#include <functional>

namespace demodata {

namespace {

struct Output {
    const char* path;               // relative to the root
    std::function<RgbImage()> make; // makes the picture when it is written
};

} // namespace

bool writeAll(const std::string& root, std::vector<std::string>& written, std::string& error) {
    namespace fs = std::filesystem;
    const char* folders[] = {"data/textures", "data/maps", "data/masks", "data/dumps"};
    for (const char* folder : folders) {
        std::error_code failure;
        fs::create_directories(fs::path(root) / folder, failure);
        if (failure) {
            error = "cannot make folder " + (fs::path(root) / folder).string() + ": " +
                    failure.message();
            return false;
        }
    }

    IslandHeightmap island;
    PaintMasks masks(island);
    const Output outputs[] = {
        {"data/textures/ascii.bmp", [] { return pixelfont::makeSheet(); }},
        {"data/maps/island.bmp", [&] { return island.toImage(); }},
        {"data/textures/grass.bmp", [] { return terraintextures::grass(); }},
        {"data/textures/darkgrass.bmp", [] { return terraintextures::darkGrass(); }},
        {"data/textures/sand.bmp", [] { return terraintextures::sand(); }},
        {"data/textures/rock.bmp", [] { return terraintextures::rock(); }},
        {"data/masks/grass.bmp", [&] { return masks.grass(); }},
        {"data/masks/darkgrass.bmp", [&] { return masks.darkGrass(); }},
        {"data/masks/sand.bmp", [&] { return masks.sand(); }},
        {"data/masks/rock.bmp", [&] { return masks.rock(); }},
    };
    for (const Output& output : outputs) {
        std::string hostPath = (fs::path(root) / output.path).string();
        if (!bmp::write24(hostPath, output.make())) {
            error = "cannot write " + hostPath;
            return false;
        }
        written.push_back(output.path);
    }
    return true;
}

} // namespace demodata
