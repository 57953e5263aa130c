#include "platform/MessageBox.h"

#include "platform/PlatformConfig.h"
#include "platform/ScriptPlace.h"
#include "platform/X11Dialog.h"

#include <cstdio>

// A message raised by a script line is located on a line of its own first.
static void logMessage(const char* text, const char* caption) {
    ScriptPlace::logMessage(stderr);
    std::fputc('[', stderr);
    std::fputs(caption ? caption : "", stderr);
    std::fputs("] ", stderr);
    for (const char* p = text ? text : ""; *p; ++p) {
        if (*p == '\n')
            std::fputs("\\n", stderr);
        else
            std::fputc(*p, stderr);
    }
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

static int lastButton(int buttons) {
    if (buttons == MB_YESNO)
        return IDNO;
    if (buttons == MB_YESNOCANCEL)
        return IDCANCEL;
    return IDOK;
}

static bool answerAllowed(int answer, int buttons) {
    if (buttons == MB_YESNO)
        return answer == IDYES || answer == IDNO;
    if (buttons == MB_YESNOCANCEL)
        return answer == IDYES || answer == IDNO || answer == IDCANCEL;
    return answer == IDOK;
}

int messageBox(const char* text, const char* caption, int buttons) {
    logMessage(text, caption);
    PlatformConfig& config = platformConfig();
    if (buttons != MB_OK && config.nextAnswer < config.answers.size()) {
        int answer = config.answers[config.nextAnswer++];
        if (answerAllowed(answer, buttons))
            return answer;
        return lastButton(buttons);
    }
    if (config.batch)
        return lastButton(buttons);
    return showX11Dialog(text ? text : "", caption ? caption : "", buttons);
}
