#include "tests/support/TestSupport.h"

#include "tests/platform/PngReader.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <climits>
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

// The build folder: this program is <build>/tests/test_app.
fs::path buildFolder() {
    char self[PATH_MAX] = {};
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return fs::current_path();
    return fs::path(std::string(self, size_t(length))).parent_path().parent_path();
}

fs::path sourceFolder() {
    return fs::path(__FILE__).parent_path().parent_path().parent_path();
}

std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

// Runs a shell command; returns its exit status (-1 when it did not exit).
int runCommand(const std::string& command) {
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> linesOf(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

// A font whose cells all differ (code 0 blank) for when the demo data
// generator has not been built: ink where (x + y + code) % 3 != 0.
bool writeFallbackFont(const fs::path& file) {
    fs::create_directories(file.parent_path());
    SDL_Surface* font =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 256, 256, 24, 0x0000FF, 0x00FF00, 0xFF0000, 0);
    if (font == nullptr)
        return false;
    SDL_LockSurface(font);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            int code = (y / 16) * 16 + x / 16, cx = x % 16, cy = y % 16;
            bool ink =
                code != 0 && cx >= 2 && cx < 14 && cy >= 2 && cy < 14 && (cx + cy + code) % 3 != 0;
            unsigned char* p = static_cast<unsigned char*>(font->pixels) + y * font->pitch + x * 3;
            p[0] = p[1] = p[2] = ink ? 0 : 255;
        }
    }
    SDL_UnlockSurface(font);
    bool ok = SDL_SaveBMP(font, file.c_str()) == 0;
    SDL_FreeSurface(font);
    return ok;
}

// A plain mid-grey texture, so that terrain pixels are easy to tell from the
// white fog.
bool writeGreyTexture(const fs::path& file) {
    fs::create_directories(file.parent_path());
    SDL_Surface* image =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 16, 16, 24, 0x0000FF, 0x00FF00, 0xFF0000, 0);
    if (image == nullptr)
        return false;
    SDL_FillRect(image, nullptr, SDL_MapRGB(image->format, 100, 100, 100));
    bool ok = SDL_SaveBMP(image, file.c_str()) == 0;
    SDL_FreeSurface(image);
    return ok;
}

int whiteIn(const DecodedPng& png, int left, int top, int right, int bottom);

fs::path generatorPath() {
    return buildFolder() / "kestu-data";
}

// A run's working directory in a temporary folder. By default it holds a
// small world of its own (a flat 64 x 64 map, no shadows, so every run takes
// about a second); the full demo (generated data and the demo's scripts) is
// prepared on request.
class EndToEnd : public testing::Test {
  protected:
    TempWorkingDirectory root;
    fs::path kestu = buildFolder() / "kestu";

    void SetUp() override {
        ASSERT_TRUE(fs::exists(kestu)) << kestu << " is missing: build the kestu target first";
        root.writeFile("Directives\\directive9.txt", "newmap\n64\n64\n16\n1\n");
        root.writeFile("Directives\\directive6.txt", "; the demonstration\nsetviewdist\n180\n50\n");
        root.writeFile("Directives\\directive4.txt", "; driving\nsetviewdist\n120\n40\n");
        if (fs::exists(generatorPath())) {
            ASSERT_EQ(runCommand(quoted(generatorPath().string()) + " " + quoted(root.path()) +
                                 " > generator.log 2>&1"),
                      0)
                << "kestu-data failed";
        } else {
            ASSERT_TRUE(writeFallbackFont(fs::path(root.path()) / "data/textures/ascii.bmp"));
        }
    }

    // The demo's own directive scripts instead of the small world's.
    void useDemoScripts() {
        fs::path scripts = sourceFolder() / "demo/Directives";
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
};

bool isWhite(const DecodedPng& png, int x, int y) {
    const unsigned char* p = &png.rgb[(size_t(y) * png.width + size_t(x)) * 3];
    return p[0] == 255 && p[1] == 255 && p[2] == 255;
}

int nonWhiteIn(const DecodedPng& png, int left, int top, int right, int bottom) {
    int count = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            if (!isWhite(png, x, y))
                ++count;
        }
    }
    return count;
}

int whiteIn(const DecodedPng& png, int left, int top, int right, int bottom) {
    return (right - left) * (bottom - top) - nonWhiteIn(png, left, top, right, bottom);
}

size_t indexOfLineStartingWith(const std::vector<std::string>& lines, const std::string& start) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind(start, 0) == 0)
            return i;
    }
    return lines.size();
}

const char demoLine[] =
    "[Project Kestu - Demo] This is a very early version of the Kestu landscape engine.\\n"
    "Due to tight schedule, it is not yet fully operational, but it works fine for this early "
    "demonstration.\\nYou can either view the demo, or control the vehicle yourself.\\n"
    "Do you want to view the demo?";

} // namespace

TEST_F(EndToEnd, TheDemoRunsUnattendedAsksBothQuestionsAndLeavesTheLastFrame) {
    useDemoScripts();
    ASSERT_EQ(runKestu("--batch --answers no,yes --frames 60 --screenshot x.png"), 0)
        << "stderr:\n"
        << root.readFile("err.txt");
    std::vector<std::string> lines = errors();
    size_t fullScreen = indexOfLineStartingWith(lines, "[Project Kestu] FullScreen?");
    size_t demo = indexOfLineStartingWith(lines, demoLine);
    ASSERT_EQ(fullScreen, 0u) << "the first line of the log";
    EXPECT_EQ(lines[0], "[Project Kestu] FullScreen?");
    ASSERT_LT(demo, lines.size()) << "the demo question is logged";
    EXPECT_EQ(lines[demo], demoLine);

    DecodedPng png;
    ASSERT_TRUE(decodePng(readAll(root.path() + "/x.png"), png));
    ASSERT_EQ(png.width, 800u);
    ASSERT_EQ(png.height, 600u);
    // The demo's sky fills the top of the view, and the frame counter stands out of it.
    const unsigned char* sky = &png.rgb[(size_t(2) * png.width + 400) * 3];
    EXPECT_GT(int(sky[2]), int(sky[0]) + 50) << "the sky's blue at the top";
    int counter = 0;
    for (int y = 15; y < 45; ++y) {
        for (int x = 25; x < 85; ++x)
            counter += std::memcmp(&png.rgb[(size_t(y) * png.width + size_t(x)) * 3], sky, 3) != 0;
    }
    EXPECT_GT(counter, 20) << "the frame counter is drawn";
}

TEST_F(EndToEnd, HoldingADrawsTheWireViewAndXAddsTheSectorBounds) {
    // A flat grey map seen from its corner ("resetpos" puts the eye there, and
    // it drops onto the ground in the first frame), once plainly, once with
    // 'a' held (lines instead of filled triangles) and once with 'x' held
    // (additive grey walls along the sector borders brighten the ground).
    ASSERT_TRUE(writeGreyTexture(fs::path(root.path()) / "data/textures/grey.bmp"));
    root.writeFile("Directives\\directive9.txt", "newmap\n256\n256\n16\n1\n"
                                                 "settexture\ndata\\textures\\grey.bmp\n"
                                                 "setviewdist\n100\n20\n"
                                                 "resetpos\n");
    root.writeFile("a.txt", "1 down a\n");
    root.writeFile("x.txt", "1 down x\n");
    const std::string common = "--batch --answers no,no --clock-step 16 --frames 20 ";
    ASSERT_EQ(runKestu(common + "--screenshot plain.png"), 0) << root.readFile("err.txt");
    ASSERT_EQ(runKestu(common + "--keys a.txt --screenshot wire.png"), 0);
    ASSERT_EQ(runKestu(common + "--keys x.txt --screenshot bounds.png"), 0);
    DecodedPng plain, wire, bounds;
    ASSERT_TRUE(decodePng(readAll(root.path() + "/plain.png"), plain));
    ASSERT_TRUE(decodePng(readAll(root.path() + "/wire.png"), wire));
    ASSERT_TRUE(decodePng(readAll(root.path() + "/bounds.png"), bounds));

    // The eye looks level over the ground: below the horizon the plain view is
    // all terrain, the wire view mostly background between its lines.
    int ground = 400 * 200;
    EXPECT_LT(whiteIn(plain, 200, 400, 600, 600), ground / 100);
    EXPECT_GT(whiteIn(wire, 200, 400, 600, 600), ground / 4);
    EXPECT_LT(whiteIn(wire, 200, 400, 600, 600), ground) << "some lines are drawn";
    EXPECT_FALSE(bounds.rgb == plain.rgb) << "the bounds walls change the picture";
    EXPECT_LT(whiteIn(bounds, 200, 400, 600, 600), ground / 100);
}

TEST_F(EndToEnd, CancelEndsWithoutTheLoopAndTheLoadingScreenIsTheLastFrame) {
    ASSERT_EQ(runKestu("--batch --answers no,cancel --frames 100000 --screenshot c.png"), 0)
        << "stderr:\n"
        << root.readFile("err.txt");
    DecodedPng png;
    ASSERT_TRUE(decodePng(readAll(root.path() + "/c.png"), png));
    ASSERT_EQ(png.width, 800u);
    EXPECT_GT(nonWhiteIn(png, 25, 15, 295, 45), 100) << "\"Loading..\" is shown";
    EXPECT_GT(nonWhiteIn(png, 235, 15, 295, 45), 0) << "down to its full stops";
    EXPECT_EQ(nonWhiteIn(png, 300, 0, 800, 600), 0) << "nothing else on the white screen";
    EXPECT_EQ(nonWhiteIn(png, 0, 50, 800, 600), 0);
}

TEST_F(EndToEnd, BadOptionsEndWithStatusTwoAndOneLine) {
    for (const char* bad :
         {"--frames 0", "--answers perhaps", "--colour", "--keys nowhere.txt", "stray"}) {
        EXPECT_EQ(runKestu(bad), 2) << bad;
        std::vector<std::string> lines = errors();
        ASSERT_EQ(lines.size(), 1u) << bad;
        EXPECT_EQ(lines[0].rfind("kestu: ", 0), 0u) << lines[0];
    }
}

TEST_F(EndToEnd, WithoutAVideoModeTheProgramEndsWithStatusOne) {
    int status =
        runCommand("env -u DISPLAY " + quoted(kestu.string()) + " --batch > out.txt 2> err.txt");
    EXPECT_EQ(status, 1);
    std::vector<std::string> lines = errors();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "[Project Kestu] FullScreen?");
    EXPECT_EQ(indexOfLineStartingWith(lines, "Couldn't set GL mode: "), 1u);
}

TEST_F(EndToEnd, AScriptedEscapeEndsTheRunAfterItsFrame) {
    // Under the virtual clock a run repeats frame for frame, so an Escape typed
    // in frame 3 must leave exactly the picture of a run limited to 3 frames.
    root.writeFile("keys.txt", "# quit early\n3 down escape\n");
    const std::string common = "--batch --answers no,no --clock-step 100 ";
    ASSERT_EQ(runKestu(common + "--keys keys.txt --frames 50 --screenshot escape.png"), 0)
        << root.readFile("err.txt");
    ASSERT_EQ(runKestu(common + "--frames 3 --screenshot three.png"), 0);
    ASSERT_EQ(runKestu(common + "--frames 50 --screenshot fifty.png"), 0);
    DecodedPng escape, three, fifty;
    ASSERT_TRUE(decodePng(readAll(root.path() + "/escape.png"), escape));
    ASSERT_TRUE(decodePng(readAll(root.path() + "/three.png"), three));
    ASSERT_TRUE(decodePng(readAll(root.path() + "/fifty.png"), fifty));
    EXPECT_TRUE(escape.rgb == three.rgb) << "Escape in frame 3 ends the run after frame 3";
    EXPECT_FALSE(three.rgb == fifty.rgb) << "frame 50 looks different (the counter at least)";
}

TEST_F(EndToEnd, TheTerminationSignalStillEndsARunningLoop) {
    // The loop ignores the window's close request; a termination request from
    // the terminal or a time limit must still end the program.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::freopen("err.txt", "w", stderr);
        execl(kestu.c_str(), "kestu", "--batch", "--answers", "no,no", (char*)nullptr);
        _exit(127);
    }
    bool inLoop = false;
    for (int i = 0; i < 600 && !inLoop; ++i) { // the demo question comes right before the loop
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        inLoop = indexOfLineStartingWith(errors(), "[Project Kestu - Demo]") < errors().size();
    }
    EXPECT_TRUE(inLoop) << root.readFile("err.txt");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    kill(child, SIGTERM);
    int status = 0;
    pid_t ended = 0;
    for (int i = 0; i < 200 && ended == 0; ++i) {
        ended = waitpid(child, &status, WNOHANG);
        if (ended == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (ended == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "kestu ignored SIGTERM";
    }
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
}
