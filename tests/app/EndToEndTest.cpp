#include "tests/support/TestSupport.h"

#include "app/Walker.h"
#include "app/Window.h"
#include "app/WorldBuild.h"
#include "landscape/Landscape.h"
#include "tests/platform/PngReader.h"

#include <GL/gl.h>

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace pngreader;

namespace {

std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

std::vector<std::string> linesOf(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

size_t indexOfLineStartingWith(const std::vector<std::string>& lines, const std::string& start) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind(start, 0) == 0)
            return i;
    }
    return lines.size();
}

// A run's working directory in a temporary folder. By default it holds a
// small world of its own (a flat 64 x 64 map, no shadows, so every run takes
// about a second); the full demo (generated data and the demo's scripts) is
// prepared on request.
class EndToEnd : public testing::Test {
  protected:
    TempWorkingDirectory root;
    fs::path kestu = fs::path(buildFolder()) / "kestu";

    void SetUp() override {
        ASSERT_TRUE(fs::exists(kestu)) << kestu << " is missing: build the kestu target first";
        root.writeFile("Directives\\directive9.txt", "newmap\n64\n64\n16\n1\n");
        root.writeFile("Directives\\directive6.txt", "; the demonstration\nsetviewdist\n180\n50\n");
        root.writeFile("Directives\\directive4.txt", "; driving\nsetviewdist\n120\n40\n");
        ASSERT_EQ(runCommand(quoted(buildFolder() + "/kestu-data") + " " + quoted(root.path()) +
                             " > generator.log 2>&1"),
                  0)
            << "kestu-data failed";
    }

    // The demo's own directive scripts instead of the small world's.
    void useDemoScripts() {
        fs::path scripts = fs::path(KESTU_SOURCE_DIR) / "demo/Directives";
        ASSERT_TRUE(fs::exists(scripts)) << scripts;
        for (const fs::directory_entry& entry : fs::directory_iterator(scripts))
            fs::copy_file(entry.path(),
                          fs::path(root.path()) / "Directives" / entry.path().filename(),
                          fs::copy_options::overwrite_existing);
    }

    int runKestu(const std::string& options) {
        return runCommand(quoted(kestu.string()) + " " + options + " > out.txt 2> err.txt");
    }

    std::vector<std::string> errors() { return linesOf(root.path() + "/err.txt"); }

    // kestu in the background, its standard error in err.txt.
    pid_t startKestu(std::vector<const char*> arguments) {
        arguments.insert(arguments.begin(), "kestu");
        arguments.push_back(nullptr);
        pid_t child = fork();
        if (child == 0) {
            std::freopen("err.txt", "w", stderr);
            execv(kestu.c_str(), const_cast<char* const*>(arguments.data()));
            _exit(127);
        }
        return child;
    }

    // Waits up to the given time for a line of err.txt that starts with start.
    bool waitForLine(const std::string& start, int seconds) {
        for (int i = 0; i < seconds * 20; ++i) {
            std::vector<std::string> lines = errors();
            if (indexOfLineStartingWith(lines, start) < lines.size())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    // The child's wait status once it has ended; after the given time it is
    // killed and the test fails.
    int waitForEnd(pid_t child, int seconds) {
        int status = 0;
        for (int i = 0; i < seconds * 20; ++i) {
            if (waitpid(child, &status, WNOHANG) == child)
                return status;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        ADD_FAILURE() << "kestu did not end:\n" << root.readFile("err.txt");
        return status;
    }
};

// Live GL textures and display lists: every name up to far beyond what 21
// demo worlds would make if none were ever deleted.
std::pair<int, int> liveTexturesAndLists() {
    std::pair<int, int> live{0, 0};
    for (GLuint name = 1; name < (1u << 20); ++name) {
        live.first += glIsTexture(name);
        live.second += glIsList(name);
    }
    return live;
}

// Under AddressSanitizer freed memory waits in quarantine: the resident
// memory says nothing about leaks there (its leak check does).
#if defined(__SANITIZE_ADDRESS__)
const bool residentMemoryMeans = false;
#elif defined(__has_feature)
const bool residentMemoryMeans = !__has_feature(address_sanitizer);
#else
const bool residentMemoryMeans = true;
#endif

const char demoLine[] =
    "[Project Kestu - Demo] This is a very early version of the Kestu landscape engine.\\n"
    "Due to tight schedule, it is not yet fully operational, but it works fine for this early "
    "demonstration.\\nYou can either view the demo, or control the vehicle yourself.\\n"
    "Do you want to view the demo?";

} // namespace

TEST_F(EndToEnd, TheDemoRunsUnattendedAsksBothQuestionsAndLeavesTheLastFrame) {
    useDemoScripts();
    // The demo's scripts raise no message: --strict keeps status 0.
    ASSERT_EQ(runKestu("--batch --answers no,yes --frames 60 --screenshot x.png --strict"), 0)
        << "stderr:\n"
        << root.readFile("err.txt");
    std::vector<std::string> lines = errors();
    size_t fullScreen = indexOfLineStartingWith(lines, "[Project Kestu] FullScreen?");
    size_t demo = indexOfLineStartingWith(lines, demoLine);
    EXPECT_EQ(fullScreen, 0u) << "the first line of the log";
    EXPECT_LT(demo, lines.size()) << "the demo question is logged";

    DecodedPng png;
    ASSERT_TRUE(decodePng(readAll(root.path() + "/x.png"), png));
    ASSERT_EQ(png.width, 800u);
    ASSERT_EQ(png.height, 600u);
    // The demo's sky fills the top of the view (the text overlay has its own test).
    const unsigned char* sky = &png.rgb[(size_t(2) * png.width + 400) * 3];
    EXPECT_GT(int(sky[2]), int(sky[0]) + 50) << "the sky's blue at the top";
}

TEST_F(EndToEnd, BadOptionsEndWithStatusTwo) {
    for (const char* bad : {"--frames 0", "--answers perhaps", "--keys nowhere.txt", "stray",
                            "--video nowhere/v.mp4", "--clock-start 9"}) {
        EXPECT_EQ(runKestu(bad), 2) << bad;
        std::vector<std::string> lines = errors();
        ASSERT_EQ(lines.size(), 1u) << bad;
        EXPECT_EQ(lines[0].rfind("kestu: ", 0), 0u) << lines[0];
    }
}

TEST_F(EndToEnd, TheVideoHoldsTheLoopsFramesRightSideUp) {
    // ffmpeg picks lossless animated PNG for the name, so frames compare exactly.
    // Both from a clock start of ten digits, 2 s before the 32-bit tick count wraps.
    const std::string run = "--batch --answers no,yes --clock-step 16 --clock-start 4294965296 ";
    ASSERT_EQ(runKestu(run + "--frames 1 --screenshot one.png"), 0);
    ASSERT_EQ(runKestu(run + "--frames 120 --video v.apng"), 0) << root.readFile("err.txt");
    ASSERT_EQ(runCommand("ffprobe -v error -count_frames -show_entries "
                         "stream=width,height,r_frame_rate,nb_read_frames -of csv=p=0 v.apng "
                         "> probe.txt && ffmpeg -v error -i v.apng -frames:v 1 -f rawvideo "
                         "-pix_fmt rgb24 first.rgb"),
              0);
    EXPECT_EQ(linesOf("probe.txt"), std::vector<std::string>{"800,600,125/2,120"});
    DecodedPng png;
    ASSERT_TRUE(decodePng(readAll("one.png"), png));
    EXPECT_TRUE(readAll("first.rgb") == png.rgb) << "the first frame, as the 1-frame run shows it";
}

TEST_F(EndToEnd, AVideoEndsWhenFfmpegStopsReadingAndTheRunGoesOn) {
    // This ffmpeg accepts the name, then reads two frames and quits.
    root.writeFile("bin/ffmpeg", "#!/bin/sh\ncase \"$*\" in *pipe:0*) head -c 2880000 >/dev/null;; "
                                 "esac\n");
    fs::permissions(fs::path(root.path()) / "bin/ffmpeg", fs::perms::owner_all);
    const std::string run = quoted(kestu.string()) +
                            " --batch --answers no,yes --frames 30 "
                            "--video v.mp4 --screenshot end.png 2> err.txt";
    EXPECT_EQ(runCommand("PATH=" + root.path() + "/bin:$PATH " + run), 1);
    EXPECT_LT(indexOfLineStartingWith(errors(), "kestu: the video v.mp4 ends after 2 frames: "
                                                "ffmpeg stopped reading; the run goes on"),
              errors().size());
    EXPECT_TRUE(fs::exists(fs::path(root.path()) / "end.png")) << "the run reached its end";
    // Without ffmpeg nothing starts.
    EXPECT_EQ(runCommand("PATH=/nowhere " + run), 2);
    EXPECT_EQ(errors(), std::vector<std::string>{"kestu: --video v.mp4: the ffmpeg program is not "
                                                 "installed (Debian package ffmpeg)"});
}

TEST_F(EndToEnd, WatchRebuildsTheWorldWhenAScriptIsSavedAndABrokenOneLeavesItRunning) {
    pid_t child = startKestu({"--batch", "--answers", "no,yes", "--watch", "--strict",
                              "--clock-step", "16", "--screenshot", "w.png"});
    ASSERT_GE(child, 0);
    ASSERT_TRUE(waitForLine("kestu: watching", 60)) << root.readFile("err.txt");
    // Saved as editors save: a new file renamed over the script. It turns the
    // fog red, is broken on line 5, and starts a demo script that ends the
    // run in the first frame after the rebuild.
    root.writeFile("data\\manus.txt", "quit\n");
    root.writeFile("Directives\\.directive6.new", "setfogcolor\n1\n0\n0\nbroken\nspawn\n");
    fs::rename(fs::path(root.path()) / "Directives/.directive6.new",
               fs::path(root.path()) / "Directives/directive6.txt");
    int status = waitForEnd(child, 120);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3)
        << "--strict: the rebuild raised a message\n"
        << root.readFile("err.txt");
    std::vector<std::string> lines = errors();
    size_t bad = indexOfLineStartingWith(lines, "[] Bad directive");
    ASSERT_LT(bad, lines.size());
    EXPECT_EQ(lines[bad - 1], "Directives/directive6.txt:5:");
    EXPECT_LT(indexOfLineStartingWith(lines, "kestu: Directives/directive6.txt changed"), bad);
    DecodedPng png;
    ASSERT_TRUE(decodePng(readAll(root.path() + "/w.png"), png));
    const unsigned char* top = &png.rgb[(size_t(5) * png.width + 400) * 3];
    EXPECT_EQ(int(top[0]) * 65536 + top[1] * 256 + top[2], 0xFF0000) << "the clear colour is red";
}

TEST_F(EndToEnd, TwentyRebuildsOfTheDemoWorldLeaveTexturesListsAndMemoryAsTheFirstBuildDid) {
    // The demo's world, seen from the walker (its tour would move the view
    // from frame to frame), on the virtual clock, so that every build's
    // frame draws the same. Each build puts the view back to its start; a
    // rebuild keeps the pose it had.
    useDemoScripts();
    root.writeFile("Directives\\directive6.txt", "setviewdist\n180\n50\nresetpos\n");
    platformConfig().clockStep = 16;
    ASSERT_TRUE(openTestWindow());
    setFixedGlState();
    Walker walker;
    WorldBuild world(walker);
    world.seed = 1000;
    auto frame = [] {
        const Vector3& angles = *currentLandscape->cameraAngles;
        const Vector3& eye = *currentLandscape->cameraPosition;
        glLoadIdentity();
        glRotatef(angles.x, 1.0f, 0.0f, 0.0f);
        glRotatef(angles.y, 0.0f, 1.0f, 0.0f);
        glTranslatef(-eye.x, -eye.y, -eye.z);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        currentLandscape->render(GL_TRIANGLES);
    };
    walker.position.set(300, 40, 200); // where every build's unseen frame is drawn
    world.begin();
    world.runBase();
    world.runChosen(6);
    walker.position.set(300, 40, 200);
    frame();
    const std::pair<int, int> first = liveTexturesAndLists();
    const long firstKilobytes = residentKilobytes();
    long secondKilobytes = 0;
    for (int i = 0; i < 20; ++i) {
        world.rebuild(nullptr);
        frame();
        if (i == 0)
            secondKilobytes = residentKilobytes();
    }
    EXPECT_GT(first.first, 5);
    EXPECT_GT(first.second, 100);
    EXPECT_EQ(liveTexturesAndLists(), first);
    EXPECT_TRUE(walker.position.x == 300 && walker.position.z == 200 && walker.angles.y == 135);
    if (residentMemoryMeans) {
        // Mesa's renderer grows once, by some 15 MB, when a second world is
        // drawn (without drawing, every build leaves the same to the
        // kilobyte); beyond that nothing may stay behind.
        EXPECT_LT(residentKilobytes(), firstKilobytes + firstKilobytes / 20);
        EXPECT_LT(residentKilobytes(), secondKilobytes + 4096) << "rebuilds 2 to 20";
    }
    world.directives.reset();
    EXPECT_EQ(liveTexturesAndLists(), std::make_pair(0, 0)) << "the world let go whole";
    platformConfig().clockStep = 0;
}

TEST_F(EndToEnd, TheTerminationSignalStillEndsARunningLoop) {
    // The loop ignores the window's close request; a termination request from
    // the terminal or a time limit must still end the program.
    pid_t child = startKestu({"--batch", "--answers", "no,no"});
    ASSERT_GE(child, 0);
    // The demo question comes right before the loop.
    EXPECT_TRUE(waitForLine("[Project Kestu - Demo]", 30)) << root.readFile("err.txt");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    kill(child, SIGTERM);
    int status = waitForEnd(child, 10);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
}

TEST_F(EndToEnd, EarlyEndsLeaveStatusOneAndTheLastShownFrameOrNone) {
    // 65536 sectors of 2 units: with a view distance of 150 the render list
    // overflows in the first frame of the loop (its limit has a test of its own).
    const std::string crowded = "newmap\n512\n512\n2\n1\nfinalize\n";
    struct Case {
        const char* what;
        std::string script9, environment, expectedLine;
        bool picture; // the loading screen was shown and must be the picture
    } cases[] = {
        {"no video device", "", "SDL_VIDEODRIVER=x11 DISPLAY=:7777 ",
         "Couldn't set GL mode: ", false},
        {"render list in the loop", crowded, "",
         "[] To many sectors for makerenderlist to handle!!!", true},
    };
    root.writeFile("Directives\\directive4.txt", "setviewdist\n150\n40\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.script9.empty())
            root.writeFile("Directives\\directive9.txt", c.script9);
        fs::remove(fs::path(root.path()) / "end.png");
        int status = runCommand(c.environment + quoted(kestu.string()) +
                                " --batch --answers no,no --frames 3 --screenshot end.png"
                                " > out.txt 2> err.txt");
        EXPECT_EQ(status, 1) << root.readFile("err.txt");
        std::vector<std::string> lines = errors();
        EXPECT_LT(indexOfLineStartingWith(lines, c.expectedLine), lines.size());
        if (!c.picture) {
            EXPECT_FALSE(fs::exists(fs::path(root.path()) / "end.png"));
            continue;
        }
        DecodedPng png;
        ASSERT_TRUE(decodePng(readAll(root.path() + "/end.png"), png));
        EXPECT_EQ(png.width, 800u);
        int ink = 0; // "Loading.." is the last frame shown
        for (int y = 15; y < 45; ++y)
            for (int x = 25; x < 295; ++x)
                ink +=
                    std::memcmp(&png.rgb[(size_t(y) * png.width + x) * 3], "\xFF\xFF\xFF", 3) != 0;
        EXPECT_GT(ink, 100);
    }
}
