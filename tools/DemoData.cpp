#include "tools/DemoData.h"

#include "tools/BmpWriter.h"
#include "tools/EntityTextures.h"
#include "tools/IslandHeightmap.h"
#include "tools/M3aWriter.h"
#include "tools/MpcWriter.h"
#include "tools/PaintMasks.h"
#include "tools/PalmTreeModel.h"
#include "tools/PixelFont.h"
#include "tools/TankModels.h"
#include "tools/TerrainTextures.h"

#include <cstdio>
#include <filesystem>
#include <functional>

namespace demodata {

namespace {

// Makes a file's bytes, or says why it cannot.
using Encoder = std::function<bool(std::string& bytes, std::string& error)>;

struct Output {
    const char* path; // relative to the root
    Encoder encode;   // runs when the file is written
};

template <typename Make> Encoder bmpOf(Make make) {
    return [make](std::string& bytes, std::string&) {
        bytes = bmp::encode24(make());
        return true;
    };
}

template <typename Make> Encoder mpcOf(Make make) {
    return [make](std::string& bytes, std::string&) {
        bytes = mpc::encode(make());
        return true;
    };
}

template <typename Make> Encoder m3aOf(Make make) {
    return [make](std::string& bytes, std::string& error) {
        return m3a::encode(make(), bytes, error);
    };
}

bool writeFile(const std::string& hostPath, const std::string& bytes) {
    FILE* file = std::fopen(hostPath.c_str(), "wb");
    if (!file)
        return false;
    bool complete = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && complete;
}

} // namespace

bool writeAll(const std::string& root, std::vector<std::string>& written, std::string& error) {
    namespace fs = std::filesystem;
    const char* folders[] = {"data/textures", "data/maps",   "data/masks",
                             "data/dumps",    "data/models", "data/records"};
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
        {"data/textures/ascii.bmp", bmpOf([] { return pixelfont::makeSheet(); })},
        {"data/maps/island.bmp", bmpOf([&] { return island.toImage(); })},
        {"data/textures/grass.bmp", bmpOf(terraintextures::grass)},
        {"data/textures/darkgrass.bmp", bmpOf(terraintextures::darkGrass)},
        {"data/textures/sand.bmp", bmpOf(terraintextures::sand)},
        {"data/textures/rock.bmp", bmpOf(terraintextures::rock)},
        {"data/masks/grass.bmp", bmpOf([&] { return masks.grass(); })},
        {"data/masks/darkgrass.bmp", bmpOf([&] { return masks.darkGrass(); })},
        {"data/masks/sand.bmp", bmpOf([&] { return masks.sand(); })},
        {"data/masks/rock.bmp", bmpOf([&] { return masks.rock(); })},
        {"data/textures/water.mpc", mpcOf(entitytextures::water)},
        {"data/textures/sun.mpc", mpcOf(entitytextures::sun)},
        {"data/textures/alphaball.mpc", mpcOf(entitytextures::alphaBall)},
        {"data/textures/palmbark.mpc", mpcOf(entitytextures::palmBark)},
        {"data/textures/palmleaf.mpc", mpcOf(entitytextures::palmLeaf)},
        {"data/models/palmtree.m3a", m3aOf(palmtree::make)},
        {"data/textures/tankcamo.mpc", mpcOf(entitytextures::tankCamo)},
        {"data/textures/tanktrack.mpc", mpcOf(entitytextures::tankTrack)},
        {"data/textures/rocket.mpc", mpcOf(entitytextures::rocket)},
        {"data/models/tank01Body.m3a", m3aOf(tankmodels::body)},
        {"data/models/tank01Foot.m3a", m3aOf(tankmodels::foot)},
        {"data/models/tank01turret.m3a", m3aOf(tankmodels::turret)},
        {"data/models/tank01pipe.m3a", m3aOf(tankmodels::pipe)},
        {"data/models/smallrocket.m3a", m3aOf(tankmodels::rocket)},
    };
    for (const Output& output : outputs) {
        std::string hostPath = (fs::path(root) / output.path).string();
        std::string bytes, fault;
        if (!output.encode(bytes, fault)) {
            error = std::string(output.path) + ": " + fault;
            return false;
        }
        if (!writeFile(hostPath, bytes)) {
            error = "cannot write " + hostPath;
            return false;
        }
        written.push_back(output.path);
    }
    return true;
}

} // namespace demodata
