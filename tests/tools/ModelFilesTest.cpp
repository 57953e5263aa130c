#include "tools/EntityTextures.h"
#include "tools/M3aWriter.h"
#include "tools/MpcWriter.h"
#include "tools/PalmTreeModel.h"
#include "tools/TankModels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace {

uint32_t le(const std::string& b, size_t at, int bytes) {
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | uint8_t(b[at + i]);
    return value;
}

float f32(const std::string& b, size_t at) {
    uint32_t bits = le(b, at, 4);
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

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

TEST(MpcWriter, HeaderThenUnpaddedPixelRows) {
    RgbaImage rgba(2, 1);
    rgba.set(0, 0, 1, 2, 3, 4);
    rgba.set(1, 0, 5, 6, 7, 8);
    std::string file = mpc::encode(rgba);
    ASSERT_EQ(file.size(), 22u + 8u);
    EXPECT_EQ(le(file, 0, 2), 200u);
    EXPECT_EQ(le(file, 2, 2), 2u);
    EXPECT_EQ(le(file, 4, 2), 1u);
    EXPECT_EQ(le(file, 6, 2), 4u);
    EXPECT_EQ(file.substr(8, 14), std::string(14, '\0'));
    EXPECT_EQ(file.substr(22), std::string("\1\2\3\4\5\6\7\10"));
    EXPECT_EQ(mpc::encode(RgbImage(3, 3)).size(), 22u + 27u);
    EXPECT_EQ(le(mpc::encode(RgbImage(3, 3)), 6, 2), 3u);
}

TEST(M3aWriter, RecordsSitAtTheirOffsets) {
    std::string file, error;
    ASSERT_TRUE(m3a::encode(tinyModel(), file, error)) << error;
    const size_t face = 8 + 16 + 3 * 12 + 3 * 12 + 3 * 8, material = face + 44;
    ASSERT_EQ(file.size(), material + 2 * 368);
    EXPECT_EQ(le(file, 0, 4), 100u);
    EXPECT_EQ(le(file, 4, 4), 1u);
    EXPECT_EQ(le(file, 8, 4), 100u);
    const uint32_t counts[] = {3, 3, 3, 1, 2, 0};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(le(file, 12 + 2 * i, 2), counts[i]) << "count " << i;
    EXPECT_EQ(f32(file, 24 + 12 + 0), 1.0f);      // vertex 1 x
    EXPECT_EQ(f32(file, 24 + 36 + 8), 1.0f);      // normal 0 z
    EXPECT_EQ(f32(file, 24 + 72 + 16 + 4), 1.0f); // texture coordinate 2 v
    const uint32_t faceWords[] = {0, 1, 2, 2, 1, 0, 1, 2, 0, 1, 0};
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(le(file, face + 4 * i, 4), faceWords[i]) << "face word " << i;
    EXPECT_EQ(file.substr(material, 50), std::string(50, '\0'));
    EXPECT_STREQ(file.c_str() + material + 50, "data\\textures\\x.mpc");
    EXPECT_EQ(f32(file, material + 308 + 4), 0.5f);   // ambient g
    EXPECT_EQ(f32(file, material + 320 + 8), 0.125f); // diffuse b
    EXPECT_EQ(le(file, material + 352, 4), 0xFFFFFFFFu);
    EXPECT_EQ(le(file, material + 356, 4), 1u);
    EXPECT_EQ(le(file, material + 360, 4), 0x0302u);
    EXPECT_EQ(le(file, material + 364, 4), 0x0303u);
    const size_t plain = material + 368;
    EXPECT_EQ(file[plain + 50], '\0');
    EXPECT_EQ(le(file, plain + 352, 4), 0xFFFFFFFFu); // untextured
    EXPECT_EQ(le(file, plain + 356, 4), 0u);
}

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

// The demo's models are valid, and each part fills the place the entities
// give it: bounds of all frames, within 0.05 where the parts must meet.
TEST(DemoModels, AreValidAndSizedToFitTogether) {
    struct Case {
        const char* name;
        ModelDescription model;
        size_t frames;
        Vector3 low, high; // expected bounds; NAN where anything in a range will do
        Vector3 lowMin, highMax;
    };
    const float any = NAN;
    const Case cases[] = {
        // Trunk foot at the origin, 5 to 8 tall.
        {"palmtree", palmtree::make(), 16, {any, 0, any}, {any, any, any}, {-4, 0, -4}, {4, 8, 4}},
        // Hull 1.2-1.4 wide, 2.4-2.8 long, its deck under the turret at 0.3.
        {"body",
         tankmodels::body(),
         1,
         {any, any, any},
         {any, any, any},
         {-0.7f, -0.7f, -1.5f},
         {0.7f, 0.4f, 1.4f}},
        // Tracks on the ground at y = -0.5 of foot space, 2.4 long.
        {"foot",
         tankmodels::foot(),
         1,
         {any, -0.5f, -1.2f},
         {any, any, 1.2f},
         {-0.35f, -0.5f, -1.2f},
         {0.35f, 0.2f, 1.2f}},
        // Turret base on the deck (y = -0.2 of turret space).
        {"turret",
         tankmodels::turret(),
         1,
         {any, -0.2f, any},
         {any, any, any},
         {-0.6f, -0.2f, -0.7f},
         {0.6f, 0.4f, 0.8f}},
        // Barrel ends where the muzzle flash begins.
        {"pipe",
         tankmodels::pipe(),
         1,
         {any, any, -2.0f},
         {any, any, any},
         {-0.3f, -0.3f, -2.0f},
         {0.3f, 0.3f, 0.0f}},
        // Rocket 0.6 long, nose along -z.
        {"rocket",
         tankmodels::rocket(),
         1,
         {any, any, -0.3f},
         {any, any, 0.3f},
         {-0.15f, -0.15f, -0.3f},
         {0.15f, 0.15f, 0.3f}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(findModelFault(c.model), "") << c.name;
        ASSERT_EQ(c.model.meshes.size(), c.frames) << c.name;
        Vector3 low(1e9f, 1e9f, 1e9f), high(-1e9f, -1e9f, -1e9f);
        for (const ModelMesh& mesh : c.model.meshes) {
            EXPECT_GE(mesh.faces.size(), 40u) << c.name;
            EXPECT_LE(mesh.faces.size(), 1000u) << c.name;
            for (const Vector3& v : mesh.vertices) {
                low = Vector3(std::min(low.x, v.x), std::min(low.y, v.y), std::min(low.z, v.z));
                high = Vector3(std::max(high.x, v.x), std::max(high.y, v.y), std::max(high.z, v.z));
            }
        }
        const float got[] = {low.x, low.y, low.z, high.x, high.y, high.z};
        const float want[] = {c.low.x, c.low.y, c.low.z, c.high.x, c.high.y, c.high.z};
        const float floor[] = {c.lowMin.x, c.lowMin.y, c.lowMin.z, -1e9f, -1e9f, -1e9f};
        const float ceiling[] = {1e9f, 1e9f, 1e9f, c.highMax.x, c.highMax.y, c.highMax.z};
        for (int i = 0; i < 6; ++i) {
            if (!std::isnan(want[i])) {
                EXPECT_NEAR(got[i], want[i], 0.05f) << c.name << " bound " << i;
            }
            EXPECT_GE(got[i], floor[i] - 1e-4f) << c.name << " bound " << i;
            EXPECT_LE(got[i], ceiling[i] + 1e-4f) << c.name << " bound " << i;
        }
    }
    // Sizes that must not be too small either.
    ModelDescription body = tankmodels::body(), palm = palmtree::make();
    auto extent = [](const ModelDescription& m, float Vector3::*axis) {
        float low = 1e9f, high = -1e9f;
        for (const Vector3& v : m.meshes[0].vertices) {
            low = std::min(low, v.*axis);
            high = std::max(high, v.*axis);
        }
        return high - low;
    };
    EXPECT_GE(extent(body, &Vector3::x), 1.2f);
    EXPECT_GE(extent(body, &Vector3::z), 2.4f);
    EXPECT_LE(extent(body, &Vector3::z), 2.8f);
    EXPECT_GE(extent(palm, &Vector3::y), 5.0f);
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

TEST(EffectTextures, TiledOnesJoinWithoutSeams) {
    for (const RgbImage& t : {entitytextures::water(), entitytextures::tankCamo()}) {
        // The jump across the wrap is no larger than across the middle.
        int seam = 0, middle = 0, h = t.width / 2;
        for (int i = 0; i < t.width; ++i) {
            for (int c = 0; c < 3; ++c) {
                seam = std::max({seam, std::abs(t.at(t.width - 1, i)[c] - t.at(0, i)[c]),
                                 std::abs(t.at(i, t.height - 1)[c] - t.at(i, 0)[c])});
                middle = std::max({middle, std::abs(t.at(h - 1, i)[c] - t.at(h, i)[c]),
                                   std::abs(t.at(i, h - 1)[c] - t.at(i, h)[c])});
            }
        }
        EXPECT_LE(seam, middle + 8);
    }
}

TEST(EffectTextures, FadeToNothingAtTheRim) {
    RgbaImage ball = entitytextures::alphaBall();
    RgbImage sun = entitytextures::sun();
    ASSERT_EQ(ball.width, 64);
    EXPECT_EQ(ball.at(0, 0)[3], 0);
    EXPECT_EQ(ball.at(0, 32)[3], 0);
    EXPECT_GE(ball.at(32, 32)[3], 250);
    EXPECT_LT(ball.at(32, 16)[3], ball.at(32, 24)[3]); // falls off smoothly outwards
    EXPECT_GT(ball.at(32, 16)[3], 0);
    EXPECT_EQ(sun.at(0, 0)[0] + sun.at(0, 64)[1], 0);
    EXPECT_GE(sun.at(64, 64)[0], 250);
}
