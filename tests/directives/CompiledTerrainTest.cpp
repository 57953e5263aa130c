// The recorded terrain drawing against the immediate one: the same pixels on a
// lit, painted, fogged world, after every kind of edit, and no lists left
// behind by maps the ring releases. Draws, so it runs under Xvfb.

#include "tests/directives/DirectiveTestKit.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

// 4 x 4 sectors of 33 x 33 vertices, raised, textured, lit, shadowed and
// painted in two layers (masks over the whole map), seen through linear fog.
const char* const worldScript = "newmap\n64\n64\n16\n2\n"
                                "loadbump\nheights.bmp\n0.08\n"
                                "settexture\nstone.bmp\n"
                                "setsundir\n0.7\n0.4\n-0.6\n"
                                "sunambient\n0.3\n0.3\n0.35\n"
                                "sunlight\n0.8\n0.7\n0.6\n"
                                "traceshadows\n0.5\n0.5\n0.6\n"
                                "startpaint\n"
                                "maptexture\nleft.bmp\nstone.bmp\n0\n"
                                "maptexture\nright.bmp\nmoss.bmp\n1\n"
                                "endpaint\nfinalize\n"
                                "setviewdist\n70\n40\nsetfogcolor\n0.8\n0.85\n0.9\n";

class CompiledTerrain : public testing::Test {
  protected:
    TempWorkingDirectory folder;
    DirectiveScript script;
    Vector3 eye{32, 30, 78};
    Vector3 angles{35, 0, 0};

    void SetUp() override {
        ASSERT_TRUE(openTestWindow());
        writeBmp("heights.bmp", 64, 64, [](int x, int y) {
            return redOnly(int(120 + 100 * std::sin(x * 0.2) * std::cos(y * 0.15)));
        });
        auto texture = [](const char* name, uint32_t a, uint32_t b) {
            writeBmp(name, 8, 8, [=](int x, int y) { return (x + y) % 3 ? a : b; });
        };
        texture("stone.bmp", 0x808890, 0x606068);
        texture("moss.bmp", 0x40A040, 0x208020);
        writeBmp("left.bmp", 128, 128, [](int x, int) { return redOnly(255 - 2 * x); });
        writeBmp("right.bmp", 128, 128, [](int x, int) { return redOnly(2 * x); });
        runScriptText(script, folder, worldScript);
        ASSERT_GT(currentLandscape->sectorCount, 0);
        glViewport(0, 0, 800, 600);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(90.0, 800.0 / 600.0, 0.1, 1000.0);
        glMatrixMode(GL_MODELVIEW);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glDisable(GL_LIGHTING);
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_FOG);
        glFogi(GL_FOG_MODE, GL_LINEAR);
    }

    // One frame as the main loop draws it, the current colour included (the
    // text overlay is drawn in whatever colour the terrain left current).
    std::vector<GLubyte> frame(bool immediate) {
        Landscape* land = currentLandscape;
        land->cameraPosition = &eye;
        land->cameraAngles = &angles;
        land->setViewDist(land->fogEnd, land->fogDepth);
        Landscape::immediateDrawing = immediate;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        glRotatef(angles.x, 1, 0, 0);
        glRotatef(angles.y, 0, 1, 0);
        glTranslatef(-eye.x, -eye.y, -eye.z);
        land->render(GL_TRIANGLES);
        Landscape::immediateDrawing = false;
        glDisable(GL_TEXTURE_2D);
        glBegin(GL_TRIANGLES); // a patch in the current colour, top left
        glVertex3f(-1, 1, -1.5f);
        glVertex3f(-0.5f, 1, -1.5f);
        glVertex3f(-1, 0.5f, -1.5f);
        glEnd();
        glEnable(GL_TEXTURE_2D);
        std::vector<GLubyte> pixels(800 * 600 * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, 800, 600, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        GLint texture = 0; // and the texture the terrain left bound
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
        pixels.push_back(GLubyte(texture));
        return pixels;
    }

    static int liveLists() {
        int count = 0;
        for (GLuint name = 1; name < 20000; ++name)
            count += glIsList(name) ? 1 : 0;
        return count;
    }
};

TEST_F(CompiledTerrain, DrawsExactlyTheImmediateFrameBeforeAndAfterEdits) {
    std::vector<GLubyte> before = frame(true);
    EXPECT_EQ(frame(false), before);
    EXPECT_GT(liveLists(), 0);
    EXPECT_EQ(frame(false), before) << "replayed lists";

    // Painting edits a map that has already been drawn from its lists.
    auto paint = [this] {
        runScriptText(script, folder, "startpaint\n");
        frame(false);
        runScriptText(script, folder, "maptexture\nleft.bmp\nmoss.bmp\n1\nendpaint\n");
    };
    // Every corner of a vertex in its own colour: no vertex can be shared.
    auto mottle = [] {
        for (Sector& sector : currentLandscape->sectors)
            sector.colours.update(
                [](size_t f, FaceColours& face) { face.corner[f % 3].set(0.2f, 0.9f, 0.4f); });
        currentLandscape->invalidateLists();
    };
    const struct {
        const char* edit;
        std::function<void()> direct;
    } edits[] = {
        {"multvertex\n1\n1.6\n1\n", nullptr},
        {"sunlight\n0.1\n0.6\n0.9\n", nullptr},
        {"maptexture", paint},
        {"undo\n", nullptr},
        {"corner colours", mottle},
    };
    for (const auto& step : edits) {
        if (step.direct != nullptr)
            step.direct();
        else
            runScriptText(script, folder, step.edit);
        std::vector<GLubyte> compiled = frame(false);
        EXPECT_NE(compiled, before) << step.edit << " changed nothing to see";
        EXPECT_EQ(compiled, frame(true)) << "after " << step.edit;
        before = compiled;
    }
}

// Low between the hills at x = 16, the eye sees sectors whose every fragment
// lies behind the nearest ones; leaving those out changes nothing, and under a
// depth test that passes everything nothing is left out. At x = 48 the
// farthest listed sector lies outside the view, yet the frame ends with the
// colour and texture it would have left current.
TEST_F(CompiledTerrain, LeavesOutOnlySectorsThatChangeNothing) {
    angles.set(0, 0, 0);
    for (float x : {16.0f, 48.0f})
        for (GLenum test : {GL_LEQUAL, GL_LESS, GL_ALWAYS}) {
            eye.set(x, 6, 50);
            glDepthFunc(test);
            std::vector<GLubyte> compiled = frame(false);
            const int32_t covered = currentLandscape->terrainLists.lastCoveredCount();
            EXPECT_EQ(compiled, frame(true)) << "x " << x << ", depth test " << test;
            if (x == 16.0f) {
                EXPECT_EQ(covered > 0, test != GL_ALWAYS) << "depth test " << test;
            }
        }
    glDepthFunc(GL_LEQUAL);
}

TEST_F(CompiledTerrain, ListsLiveOnlyAsLongAsTheirMaps) {
    frame(false);
    const int once = liveLists();
    EXPECT_GT(once, 0);
    EXPECT_EQ(size_t(once), currentLandscape->terrainLists.liveCount());
    runScriptText(script, folder, worldScript); // every ring slot is built anew
    frame(false);
    EXPECT_EQ(liveLists(), once);
    currentLandscape->release();
    EXPECT_EQ(liveLists(), 0);
}

} // namespace
