#include "platform/ScriptPlace.h"

#include <atomic>

namespace {

ScriptPlace* innermost = nullptr;
std::atomic<uint32_t> messagesInPlaces{0};

} // namespace

ScriptPlace::ScriptPlace(const char* file, int line, const char* keyword)
    : file(file), line(line), keyword(keyword), outer(innermost) {
    innermost = this;
}

ScriptPlace::~ScriptPlace() {
    innermost = outer;
}

bool ScriptPlace::logMessage(std::FILE* stream) {
    const ScriptPlace* place = innermost;
    if (place == nullptr)
        return false;
    ++messagesInPlaces;
    std::fputs(place->file ? place->file : "", stream);
    std::fputc(':', stream);
    if (place->line > 0)
        std::fprintf(stream, "%d:", place->line);
    if (place->keyword != nullptr)
        std::fprintf(stream, " in \"%s\":", place->keyword);
    std::fputc('\n', stream);
    return true;
}

uint32_t ScriptPlace::messageCount() {
    return messagesInPlaces.load();
}
