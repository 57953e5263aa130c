// The M3A reader on good and bad files, and model drawing: the material
// state it leaves, and the recorded list drawing what the direct calls draw.

#include "models/M3aModel.h"
#include "tests/support/LittleEndian.h"
#include "tests/support/TestSupport.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// Builds M3A files byte by byte, little-endian.
struct M3aBytes {
    std::string out;
    void u16(uint32_t v) { out += fields<uint16_t>({uint16_t(v)}); }
    void u32(uint32_t v) { out += fields<uint32_t>({v}); }
    void f32(float v) { out += fields<float>({v}); }
    void header(uint32_t magic, int32_t meshes) {
        u32(magic);
        u32(uint32_t(meshes));
    }
    void meshHeader(uint32_t magic, int vertices, int normals, int texCoords, int faces,
                    int materials) {
        u32(magic);
        for (int count : {vertices, normals, texCoords, faces, materials, 0})
            u16(uint32_t(count));
    }
    void face(uint32_t v0, uint32_t v1, uint32_t v2, uint32_t normal, uint32_t texCoord,
              uint32_t material) {
        for (uint32_t v :
             {v0, v1, v2, normal, normal, normal, texCoord, texCoord, texCoord, material, 0u})
            u32(v);
    }
    void material(float r, float g, float b, uint32_t textureName, uint32_t blend) {
        out.append(308, '\0'); // reserved bytes and an empty texture path
        for (float c : {0.2f, 0.2f, 0.2f})
            f32(c);
        for (float c : {r, g, b})
            f32(c);
        u32(0);
        for (float c : {0.5f, 0.25f, 0.125f})
            f32(c);
        u32(0);
        for (uint32_t v :
             {textureName, blend, uint32_t(GL_SRC_ALPHA), uint32_t(GL_ONE_MINUS_SRC_ALPHA)})
            u32(v);
    }
    // One triangle facing +z spanning (-s, -s)..(s, s), with `materials`
    // materials; without a normal and a texture coordinate when !attributes.
    void triangleMesh(float s, uint32_t faceMaterial, int materials = 1, uint32_t blend = 0,
                      bool attributes = true) {
        meshHeader(100, 3, attributes, attributes, 1, materials);
        for (float v : {-s, -s, 0.0f, s, -s, 0.0f, 0.0f, s, 0.0f})
            f32(v);
        for (float v : {0.0f, 0.0f, 1.0f, 0.0f, 0.0f})
            if (attributes)
                f32(v);
        face(0, 1, 2, 0, 0, faceMaterial);
        for (int m = 0; m < materials; ++m)
            material(1.0f, 0.5f - 0.25f * float(m), 0.25f, untextured, blend);
    }
};

M3aModel loadBytes(const TempWorkingDirectory& folder, const std::string& bytes) {
    folder.writeFile("data\\models\\test.m3a", bytes);
    M3aModel model;
    model.load("data\\models\\test.m3a");
    return model;
}

TEST(M3aModel, ReaderKeepsItsBoundsOnBadFiles) {
    TempWorkingDirectory folder;
    struct Case {
        const char* what;
        std::string bytes;
        int meshCount;
        int firstMeshFaces;  // -1: mesh 0 not checked
        int secondMeshFaces; // -1: mesh 1 not checked
    };
    std::vector<Case> cases;
    auto make = [](auto build) {
        M3aBytes b;
        build(b);
        return b.out;
    };
    cases.push_back({"wrong model magic loads nothing", make([](M3aBytes& b) {
                         b.header(101, 1);
                         b.triangleMesh(1, 0);
                     }),
                     0, -1, -1});
    cases.push_back({"a mesh with a wrong magic is skipped after its header", make([](M3aBytes& b) {
                         b.header(100, 2);
                         b.meshHeader(99, 0, 0, 0, 0, 0);
                         b.triangleMesh(1, 0);
                     }),
                     2, 0, 1});
    cases.push_back({"faces indexing outside the arrays are dropped", make([](M3aBytes& b) {
                         b.header(100, 1);
                         b.meshHeader(100, 3, 1, 1, 5, 1);
                         for (int i = 0; i < 14; ++i)
                             b.f32(0);
                         b.face(0, 1, 3, 0, 0, 0);          // vertex 3 of 3
                         b.face(0, 1, 2, 1, 0, 0);          // normal 1 of 1
                         b.face(0, 1, 2, 0, 7, 0);          // texture coordinate 7 of 1
                         b.face(0, 1, 2, 0, 0, 1);          // material 1 of 1
                         b.face(0, 1, 2, 0, 0, noMaterial); // no material: kept
                         b.material(1, 1, 1, untextured, 0);
                     }),
                     1, 1, -1});
    cases.push_back(
        {"a mesh without normals or texture coordinates keeps its faces", make([](M3aBytes& b) {
             b.header(100, 2);
             b.meshHeader(100, 3, 0, 0, 2, 0);
             for (int i = 0; i < 9; ++i)
                 b.f32(1);
             b.face(0, 1, 2, 5, 9, noMaterial); // kept: no normal, no texture coordinate
             b.face(0, 3, 2, 0, 0, noMaterial); // vertex 3 of 3: dropped
             b.meshHeader(100, 3, 1, 0, 2, 0);
             for (int i = 0; i < 12; ++i)
                 b.f32(-1);
             b.face(0, 1, 2, 0, 4, noMaterial); // kept: no texture coordinate
             b.face(0, 1, 2, 1, 0, noMaterial); // normal 1 of 1: dropped
         }),
         2, 1, 1});
    cases.push_back({"a truncated mesh keeps zeros where the file ends", make([](M3aBytes& b) {
                         b.header(100, 1);
                         b.meshHeader(100, 3, 1, 1, 1, 1);
                         b.f32(5);
                     }),
                     1, 1, -1});
    cases.push_back({"more than 1024 meshes: the first 1024", make([](M3aBytes& b) {
                         b.header(100, 5000);
                         for (int i = 0; i < 1025; ++i)
                             b.triangleMesh(1, 0);
                     }),
                     1024, 1, 1});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        M3aModel model = loadBytes(folder, c.bytes);
        ASSERT_EQ(model.meshCount, c.meshCount);
        ASSERT_EQ(model.meshes.size(), size_t(c.meshCount));
        if (c.firstMeshFaces >= 0) {
            EXPECT_EQ(model.meshes[0].faceCount, c.firstMeshFaces);
        }
        if (c.secondMeshFaces >= 0) {
            EXPECT_EQ(model.meshes[1].faceCount, c.secondMeshFaces);
        }
        for (const M3aMesh& mesh : model.meshes) {
            EXPECT_EQ(mesh.faces.size(), size_t(mesh.faceCount));
            EXPECT_EQ(mesh.vertices.size(), size_t(mesh.vertexCount));
            for (const Vector3& v : mesh.vertices)
                EXPECT_TRUE(v.x == 0 || v.x == 5 || v.x == 1 || v.x == -1)
                    << "uninitialised vertex";
        }
    }
}

class ModelDrawing : public testing::Test {
  protected:
    void SetUp() override {
        if (!openTestWindow())
            GTEST_SKIP() << "no display";
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-1, 1, -1, 1, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_FOG);
        glDisable(GL_DEPTH_TEST);
        const GLfloat sun[4] = {0.0f, 0.0f, 1.0f, 0.0f};
        glLightfv(GL_LIGHT0, GL_POSITION, sun);
    }
    std::vector<uint8_t> frame() {
        std::vector<uint8_t> pixels(size_t(800) * 600 * 3);
        glReadPixels(0, 0, 800, 600, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }
};

TEST_F(ModelDrawing, MaterialSetUpLeavesTheLightAndStateOfTheLastMaterial) {
    TempWorkingDirectory folder;
    struct Case {
        const char* what;
        uint32_t faceMaterial;
        uint32_t blend;
        float diffuseGreen; // light 0's diffuse green after the draw
    };
    const Case cases[] = {
        {"first material, blended", 0, 1, 0.5f},
        {"second material", 1, 0, 0.25f},
        {"no material keeps the light as it was", noMaterial, 0, 0.9f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        M3aBytes b;
        b.header(100, 1);
        b.triangleMesh(0.5f, c.faceMaterial, 2, c.blend);
        M3aModel model = loadBytes(folder, b.out);
        const GLfloat before[4] = {0.9f, 0.9f, 0.9f, 1.0f};
        glLightfv(GL_LIGHT0, GL_DIFFUSE, before);
        glBindTexture(GL_TEXTURE_2D, 0);
        glEnable(GL_BLEND);
        glDisable(GL_TEXTURE_2D);
        model.meshes[0].drawDirect();

        GLfloat diffuse[4], specular[4], modelAmbient[4];
        glGetLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
        glGetLightfv(GL_LIGHT0, GL_SPECULAR, specular);
        glGetFloatv(GL_LIGHT_MODEL_AMBIENT, modelAmbient);
        EXPECT_FLOAT_EQ(diffuse[1], c.diffuseGreen);
        if (c.faceMaterial != noMaterial) {
            EXPECT_FLOAT_EQ(diffuse[0], 1.0f);
            EXPECT_FLOAT_EQ(specular[2], 0.125f);
            EXPECT_FLOAT_EQ(modelAmbient[0], 1.0f);
        }
        // The state the terrain expects is back; light 0 stays on.
        EXPECT_FALSE(glIsEnabled(GL_BLEND));
        EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
        EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
        GLint bound = -1;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(bound, 0) << "an untextured material binds nothing";
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
}

TEST_F(ModelDrawing, RecordedListDrawsTheSamePixelsAsDirectCalls) {
    for (bool attributes : {true, false}) { // a mesh without normals and texture coordinates too
        TempWorkingDirectory folder;
        M3aBytes b;
        b.header(100, 1);
        b.triangleMesh(0.8f, 0, 2, 0, attributes);
        M3aModel model = loadBytes(folder, b.out);
        M3aMesh& mesh = model.meshes[0];

        glClear(GL_COLOR_BUFFER_BIT);
        mesh.drawDirect();
        std::vector<uint8_t> direct = frame();
        glClear(GL_COLOR_BUFFER_BIT);
        mesh.draw(); // records, then replays
        std::vector<uint8_t> firstReplay = frame();
        glClear(GL_COLOR_BUFFER_BIT);
        mesh.draw();
        std::vector<uint8_t> secondReplay = frame();

        size_t lit = 0;
        for (uint8_t p : direct)
            lit += p != 0;
        EXPECT_GT(lit, size_t(10000)) << "the triangle was drawn";
        EXPECT_TRUE(direct == firstReplay);
        EXPECT_TRUE(direct == secondReplay);
    }
}

} // namespace
