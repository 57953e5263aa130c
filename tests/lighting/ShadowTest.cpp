// Shadow tracing: the fast tracer held against the plain per-face search
// vertex by vertex, and the progress bar drawn meanwhile.

#include "tests/support/TestSupport.h"

#include "landscape/Landscape.h"
#include "lighting/LightingParams.h"
#include "lighting/ProgressBar.h"
#include "lighting/ShadowTracer.h"
#include "tests/lighting/ReferenceLighting.h"
#include "tests/lighting/TestMaps.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

namespace {

Vector3 unit(float x, float y, float z) {
    Vector3 v(x, y, z);
    v.normalize();
    return v;
}

// The tracer against the plain search for every vertex, asked point by point
// and traced sector by sector (where each vertex follows on from its neighbours).
int vertexDisagreements(const Landscape& land, Vector3 sun, int* shadowedCount = nullptr) {
    ShadowTracer tracer(land, sun);
    int disagreements = 0, shadowed = 0;
    std::vector<uint8_t> traced;
    for (int s = 0; s < land.sectorCount; ++s) {
        const Sector& sector = land.sectors[s];
        tracer.traceSector(s, traced);
        for (int v = 0; v < sector.vertexCount; ++v) {
            bool expected = referenceIsShadowed(land, sector.positions[v], sun);
            shadowed += expected ? 1 : 0;
            disagreements += tracer.isShadowed(sector.positions[v]) != expected ||
                             (traced[size_t(v)] != 0) != expected;
        }
    }
    if (shadowedCount)
        *shadowedCount = shadowed;
    return disagreements;
}

// Maps the tracer must handle exactly although they break what the cell search
// assumes: inexact face bases, mirrored or stretched grids, faces made
// differently, a sun that is not finite.
TEST(ShadowTracer, AgreesOnMapsThatAreNotPlainGrids) {
    const struct {
        const char* what;
        std::function<void(Landscape&)> change;
        Vector3 sun;
        bool cellSearch;
    } cases[] = {
        {"every basis inverse off by up to 4%",
         [](Landscape& land) {
             std::mt19937 random(99);
             std::uniform_real_distribution<float> error(-0.04f, 0.04f);
             for (Sector& sector : land.sectors)
                 sector.basisInverses.update([&](size_t, Matrix3& basis) {
                     for (float& element : basis.m)
                         element *= 1.0f + error(random);
                 });
         },
         unit(1.0f, 0.3f, 0.45f), true},
        {"mirrored",
         [](Landscape& land) {
             land.multVertex(-1.0f, 1.0f, 1.0f);
             land.finalize();
         },
         unit(-1.0f, 0.3f, 0.4f), false},
        {"stretched",
         [](Landscape& land) {
             land.multVertex(3.0f, 2.0f, 0.5f);
             land.finalize();
         },
         unit(0.8f, 0.3f, -0.4f), true},
        {"a face turned round",
         [](Landscape& land) {
             FaceCorners& face = land.sectors[2].corners.write()[17];
             std::swap(face.vertex[0], face.vertex[1]);
             std::swap(face.vertex[1], face.vertex[2]);
             land.finalize();
         },
         unit(0.6f, 0.3f, 0.5f), false},
        {"infinite sun", [](Landscape&) {}, Vector3(INFINITY, 1.0f, 0.0f), false},
        {"sun not a number", [](Landscape&) {}, Vector3(NAN, 0.5f, 0.5f), false},
    };
    for (const auto& c : cases) {
        Landscape land;
        makeMap(land, 24, 16, 8, 2, spikyHeights(9, 3.0f));
        c.change(land);
        EXPECT_EQ(ShadowTracer(land, c.sun).usesCellSearch(), c.cellSearch) << c.what;
        int shadowed = 0;
        EXPECT_EQ(vertexDisagreements(land, c.sun, &shadowed), 0) << c.what;
        EXPECT_GT(shadowed, std::isfinite(c.sun.x) ? 0 : -1) << c.what;
    }
}

// One sector 20 units square with 32 vertices per unit along x and one along
// z: a ray nearly along x crosses more than 1024 of its faces, and only the
// first 1024 (by face index) may block it.
TEST(ShadowTracer, OnlyTheFirst1024CrossedFacesOfASectorCount) {
    Landscape land;
    land.newMap(20, 20, 20, 1.0f / 32.0f, 1.0f);
    land.sectors[0].positions.update([](size_t, Vector3& p) {
        p.y = p.x >= 17.0f && p.x <= 18.0f ? 100.0f : 0.0f; // a wall across the map
    });
    land.finalize();
    ASSERT_GT(land.sectors[0].faceCount, 1024);
    Vector3 sun = unit(1.0f, 0.02f, 0.004f);
    ShadowTracer tracer(land, sun);
    ASSERT_TRUE(tracer.usesCellSearch());
    const Sector& sector = land.sectors[0];
    std::vector<uint8_t> traced;
    tracer.traceSector(0, traced);
    int capped = 0;
    for (int row = 2; row < sector.rows; row += 6)
        for (int column = 0; column < sector.columns; column += 5) {
            size_t v = size_t(row) * sector.columns + column;
            Vector3 p = sector.positions[v];
            bool expected = referenceIsShadowed(land, p, sun);
            capped += expected != referenceIsShadowed(land, p, sun, 1 << 20);
            ASSERT_EQ(tracer.isShadowed(p), expected) << p.x << " " << p.z;
            ASSERT_EQ(traced[v] != 0, expected) << p.x << " " << p.z;
        }
    EXPECT_GT(capped, 10) << "the wall is behind the limit for some vertices";
}

// A frame's perspective view, and the back buffer read back.
void perspectiveView() {
    glViewport(0, 0, 800, 600);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90.0, 800.0 / 600.0, 0.1, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
std::vector<unsigned char> backBuffer() {
    std::vector<unsigned char> image(800 * 600 * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 800, 600, GL_RGB, GL_UNSIGNED_BYTE, image.data());
    return image;
}

TEST(ProgressBar, HalfwayBarIsOutlinedAndFilledOnTheLeftHalfAndGivesTheStateBack) {
    ASSERT_TRUE(openTestWindow());
    ASSERT_TRUE(progressDisplayAvailable());
    perspectiveView();
    glTranslatef(1.0f, 2.0f, 3.0f);
    glClearColor(0, 0, 0, 1);
    glEnable(GL_FOG); // a frame's fog must not tint the bar
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_END, 1.0f);
    GLfloat before[16], after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    beginProgressDisplay();
    drawProgressBar(1, 2);
    endProgressDisplay();
    std::vector<unsigned char> image = backBuffer();
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    EXPECT_EQ(std::memcmp(before, after, sizeof(before)), 0);
    glDisable(GL_FOG);
    auto at = [&](int x, int y) { return &image[(size_t(y) * 800 + x) * 3]; };
    auto whiteNear = [&](int x, int y) {
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx)
                if (at(x + dx, y + dy)[0] > 200 && at(x + dx, y + dy)[2] > 200)
                    return true;
        return false;
    };
    // The outline spans pixels x 400..580, y 300..330; the fill is (80, 80, 255).
    for (auto p : {std::make_pair(540, 330), {540, 300}, {580, 315}, {400, 315}})
        EXPECT_TRUE(whiteNear(p.first, p.second)) << p.first << "," << p.second;
    for (auto p : {std::make_pair(420, 315), {480, 320}})
        EXPECT_TRUE(at(p.first, p.second)[0] > 50 && at(p.first, p.second)[0] < 110 &&
                    at(p.first, p.second)[2] > 220)
            << p.first;
    for (auto p : {std::make_pair(500, 315), {560, 315}, {300, 315}, {450, 360}})
        EXPECT_LT(at(p.first, p.second)[0] + at(p.first, p.second)[2], 40) << p.first;

    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

} // namespace
