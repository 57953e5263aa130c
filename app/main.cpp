// kestu: the landscape demo. Reads only the platform options (see --help);
// everything else is configured by the scripts in the working directory.

#include "app/Application.h"
#include "app/Window.h"
#include "platform/Options.h"
#include "platform/PlatformConfig.h"
#include "platform/Presenter.h"
#include "platform/ScriptPlace.h"

#include <cstdio>
#include <cstdlib>
#include <string>

static void writeScreenshotAtExit() {
    endOfRun();
}

int main(int argc, char** argv) {
    OptionsResult options = parseOptions(argc, argv, platformConfig());
    if (options.outcome == OptionsOutcome::Help) {
        std::fputs(optionsHelpText(), stdout);
        return 0;
    }
    if (options.outcome == OptionsOutcome::Error) {
        std::fprintf(stderr, "kestu: %s\n", options.error.c_str());
        return 2;
    }
    // A video that cannot be recorded ends the run before any window opens.
    std::string videoError;
    if (!startVideo(windowWidth, windowHeight, videoError)) {
        std::fprintf(stderr, "kestu: %s\n", videoError.c_str());
        return 2;
    }
    // Conditions that end the program early still leave the last shown frame
    // and a finished video.
    std::atexit(writeScreenshotAtExit);
    int status = runApplication();
    if (!endOfRun() && status == 0)
        status = 1;
    // --strict: a run whose scripts raised any message did not pass.
    if (status == 0 && platformConfig().strict && ScriptPlace::messageCount() > 0)
        status = 3;
    return status;
}
