// The program as a user gets it: installed into a prefix, and as the Debian
// package, unpacked; each kestu-demo runs headless with its own HOME.

#include "tests/platform/PngReader.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;
using namespace pngreader;

namespace {

std::string q(const fs::path& path) {
    return "'" + path.string() + "'";
}

Bytes pixelsOf(const std::string& path) {
    DecodedPng png;
    return decodePng(readAll(path), png) ? png.rgb : Bytes();
}

// The first frames of the demo tour, the same for every kestu.
const std::string demoRun = " --batch --answers no,yes --clock-step 16 --frames 40 --screenshot ";

} // namespace

TEST(Installed, TheDemoRunsFromAPrefixAndFromTheUnpackedPackageAsInTheBuild) {
    TempWorkingDirectory work;
    const fs::path build = fs::path(buildFolder()), tmp = work.path();
    const fs::path built = build / "demo-data/share/kestu";
    ASSERT_EQ(runCommand("cp -r " + q(built) + " built && cd built && " + q(build / "kestu") +
                         demoRun + "../built.png > ../built.log 2>&1"),
              0)
        << work.readFile("built.log");

    // Neither step needs a display.
    ASSERT_EQ(
        runCommand("env -u DISPLAY cmake --install " + q(build) + " --prefix prefix > install.log"),
        0);
    ASSERT_EQ(runCommand("env -u DISPLAY cpack --config " + q(build / "CPackConfig.cmake") +
                         " -B package > package.log 2>&1"),
              0)
        << work.readFile("package.log");
    const std::string deb = "package/kestu_" KESTU_VERSION "_amd64.deb";
    ASSERT_EQ(
        runCommand("dpkg-deb -f " + deb + " Depends > depends.txt && dpkg-deb -x " + deb + " deb"),
        0);
    EXPECT_NE(work.readFile("depends.txt").find("libsdl1.2debian"), std::string::npos);
    EXPECT_EQ(runCommand("desktop-file-validate deb/usr/share/applications/kestu.desktop"), 0);
    for (int size : {48, 128, 256}) {
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        DecodedPng icon;
        ASSERT_TRUE(
            decodePng(readAll("deb/usr/share/icons/hicolor/" + name + "/apps/kestu.png"), icon));
        EXPECT_EQ(icon.width * 1000 + icon.height, uint32_t(size * 1001)) << name;
    }

    // Each launcher finds the data beside it and makes the user's demo root.
    const struct {
        std::string bin, environment, root;
    } trees[] = {{"prefix/bin", "HOME=" + (tmp / "home1").string() + " XDG_DATA_HOME=",
                  "home1/.local/share/kestu"},
                 {"deb/usr/bin",
                  "HOME=" + (tmp / "home2").string() + " XDG_DATA_HOME=" + (tmp / "xdg").string(),
                  "xdg/kestu"}};
    for (const auto& tree : trees) {
        SCOPED_TRACE(tree.bin);
        fs::remove(tmp / "shot.png");
        ASSERT_EQ(runCommand("env " + tree.environment + " " + tree.bin + "/kestu-demo" + demoRun +
                             "shot.png > run.log 2>&1"),
                  0)
            << work.readFile("run.log");
        EXPECT_TRUE(pixelsOf("shot.png") == pixelsOf("built.png")) << "the build tree's picture";
        const fs::path root = tmp / tree.root;
        EXPECT_TRUE(fs::is_symlink(root / "data/textures/grass.bmp")) << "read only: linked";
        EXPECT_FALSE(fs::is_symlink(root / "data/records/testrecord.rec")) << "written: copied";
        EXPECT_EQ(runCommand("cmp " + q(root / "data/records/testrecord.rec") + " " +
                             q(built / "data/records/testrecord.rec")),
                  0);
    }

    // A new version refreshes the root and keeps what the user made or changed.
    work.writeFile("deb/usr/share/kestu/version", "99\n");
    work.writeFile("deb/usr/share/kestu/Directives/directive9.txt", "; new 9\n");
    work.writeFile("deb/usr/share/kestu/Directives/directive6.txt", "; new 6\n");
    work.writeFile("xdg/kestu/Directives/directive6.txt", "; my 6\n");
    work.writeFile("xdg/kestu/data/maps/my.map", "mine");
    fs::remove(tmp / "xdg/kestu/data/textures/grass.bmp");
    ASSERT_EQ(
        runCommand("env " + trees[1].environment + " deb/usr/bin/kestu-demo --help > help.txt"), 0);
    EXPECT_EQ(work.readFile("xdg/kestu/Directives/directive9.txt"), "; new 9\n") << "unchanged";
    EXPECT_EQ(work.readFile("xdg/kestu/Directives/directive6.txt"), "; my 6\n");
    EXPECT_EQ(work.readFile("xdg/kestu/Directives/directive6.txt.new"), "; new 6\n");
    EXPECT_EQ(work.readFile("xdg/kestu/data/maps/my.map"), "mine");
    EXPECT_TRUE(fs::is_symlink(tmp / "xdg/kestu/data/textures/grass.bmp"));
}
