#include "tools/M3aWriter.h"
#include "tools/PalmTreeModel.h"
#include "tools/TankModels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace {

// One triangle with a textured, blended material and an untextured one.
ModelDescription tinyModel() {
    ModelMesh mesh;
    mesh.vertices = {Vector3(0, 0, 0), Vector3(1, 0, 0), Vector3(0, 1, 0)};
    mesh.normals = {Vector3(0, 0, 1), Vector3(0, 0, 1), Vector3(0, 0, 1)};
    mesh.texCoords = {Vector2(0, 0), Vector2(1, 0), Vector2(0, 1)};
    mesh.faces = {ModelFace{{0, 1, 2}, {2, 1, 0}, {1, 2, 0}, 1, 0}};
    ModelMaterial textured = makeMaterial("data\\textures\\x.mpc", Vector3(0.25f, 0.5f, 0.75f),
                                          Vector3(1.0f, 0.5f, 0.125f));
    textured.blend = 1;
    textured.blendSource = 0x0302;
    textured.blendDestination = 0x0303;
    mesh.materials = {textured, makeMaterial("", Vector3(), Vector3())};
    ModelDescription model;
    model.meshes = {mesh};
    return model;
}

} // namespace

TEST(M3aWriter, RefusesModelsTheEngineWouldReadOutOfBounds) {
    const std::function<void(ModelMesh&)> faults[] = {
        [](ModelMesh& m) { m.faces[0].vertex[2] = 3; },
        [](ModelMesh& m) { m.faces[0].normal[0] = 3; },
        [](ModelMesh& m) { m.faces[0].texCoord[1] = 7; },
        [](ModelMesh& m) { m.faces[0].material = 2; },
        [](ModelMesh& m) { m.normals[1] = Vector3(0, 0, 2); },
        [](ModelMesh& m) { m.vertices.resize(65536); },
        [](ModelMesh& m) { std::memset(m.materials[0].texturePath, 'a', 258); },
    };
    for (size_t i = 0; i < sizeof faults / sizeof faults[0]; ++i) {
        ModelDescription model = tinyModel();
        faults[i](model.meshes[0]);
        std::string file, error;
        EXPECT_FALSE(m3a::encode(model, file, error)) << "fault " << i;
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(file.empty());
    }
}

// Every model the generator writes passes the checks that keep the engine's
// reader inside its arrays.
TEST(DemoModels, AreValidForTheEngineReader) {
    for (const ModelDescription& model :
         {palmtree::make(), tankmodels::body(), tankmodels::foot(), tankmodels::turret(),
          tankmodels::pipe(), tankmodels::rocket()})
        EXPECT_EQ(findModelFault(model), "");
}

TEST(DemoModels, PalmTreeLoopsWithoutAJump) {
    ModelDescription palm = palmtree::make();
    auto step = [&](int from, int to) {
        const ModelMesh &a = palm.meshes[from], &b = palm.meshes[to];
        EXPECT_EQ(a.vertices.size(), b.vertices.size());
        float largest = 0.0f;
        for (size_t i = 0; i < a.vertices.size(); ++i)
            largest = std::max(largest, a.vertices[i].distanceTo(b.vertices[i]));
        return largest;
    };
    float ordinary = 0.0f;
    for (int k = 0; k + 1 < palmtree::frameCount; ++k)
        ordinary = std::max(ordinary, step(k, k + 1));
    EXPECT_GT(ordinary, 0.01f); // it does sway
    EXPECT_LT(ordinary, 0.5f);  // by a little
    EXPECT_LE(step(palmtree::frameCount - 1, 0), ordinary * 1.001f);
}
