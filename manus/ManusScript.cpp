// The demo script runner: scheduling, reading and splitting lines, and the
// fifteen commands.

#include "manus/ManusScript.h"

#include "entities/Camera.h"
#include "entities/EntityFactory.h"
#include "entities/EntityList.h"
#include "entities/ReplayDirector.h"
#include "entities/VectorRef.h"
#include "landscape/Landscape.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Input.h"
#include "platform/ScriptPlace.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>

const ManusScript::Command ManusScript::commands[] = {
    {"csetpos", &ManusScript::cSetPos},
    {"clookat", &ManusScript::cLookAt},
    {"csetdir", &ManusScript::cSetDir},
    {"ctracepos", &ManusScript::cTracePos},
    {"ctracedir", &ManusScript::cTraceDir},
    {"csettracedelay", &ManusScript::cSetTraceDelay},
    {"createentity", &ManusScript::createEntityCommand},
    {"droptofloor", &ManusScript::dropToFloor},
    {"spawn", &ManusScript::spawn},
    {"getfirst", &ManusScript::getFirst},
    {"getlast", &ManusScript::getLast},
    {"getnext", &ManusScript::getNext},
    {"getprev", &ManusScript::getPrev},
    {"sleep", &ManusScript::sleep},
    {"quit", &ManusScript::quit},
};

ManusScript::ManusScript() {}

ManusScript::~ManusScript() {
    if (script)
        std::fclose(script);
}

void ManusScript::onAdded(Landscape& world) {
    script = openOwnFile(scriptPath, "r");
    scriptFile_ = hostPath(scriptPath);
    wakeTime = world.frameTime;
    auto eye = std::make_shared<Camera>();
    camera = eye;
    addEntity(world, eye);
}

void ManusScript::update(Landscape& world) {
    uint32_t now = world.frameTime;
    while (!removeRequested && ticksAfter(now, wakeTime) >= 0)
        step(world);
}

void ManusScript::finish() {
    if (script)
        std::fclose(script);
    script = nullptr;
    removeRequested = 1;
}

void ManusScript::step(Landscape& world) {
    if (script == nullptr || std::feof(script) || std::ferror(script) ||
        std::fgets(line, lineCapacity, script) == nullptr) {
        finish();
        return;
    }
    // Text mode: the line feed ends the line, a carriage return before it goes too.
    size_t length = std::strlen(line);
    if (atLineStart_)
        ++lineNumber;
    atLineStart_ = length > 0 && line[length - 1] == '\n';
    if (atLineStart_) {
        line[--length] = '\0';
        if (length > 0 && line[length - 1] == '\r')
            line[--length] = '\0';
    }
    cursor_ = line;
    const char* name = nextWord();
    if (*name == '\0')
        return;
    for (const Command& command : commands) {
        if (std::strcmp(name, command.name) == 0) {
            ScriptPlace place(scriptFile_.c_str(), lineNumber, command.name);
            (this->*command.run)(world);
            return;
        }
    }
}

// Words are separated by runs of spaces, and by nothing else: a tab belongs
// to its word. The line buffer is cut into words in place, as strtok does.
const char* ManusScript::nextWord() {
    static const char empty[] = "";
    if (cursor_ == nullptr)
        return empty;
    char* at = const_cast<char*>(cursor_);
    while (*at == ' ')
        ++at;
    if (*at == '\0') {
        cursor_ = nullptr;
        return empty;
    }
    char* end = at;
    while (*end != '\0' && *end != ' ')
        ++end;
    if (*end == ' ') {
        *end = '\0';
        cursor_ = end + 1;
    } else {
        cursor_ = nullptr;
    }
    return at;
}

// Like atoi: the C library's conversion, cut to 32 bits.
int32_t ManusScript::nextInt() {
    return int32_t(std::strtol(nextWord(), nullptr, 10));
}

// Like atof, stored as a float; values beyond the float range become infinite.
float ManusScript::nextReal() {
    double value = std::strtod(nextWord(), nullptr);
    if (value > FLT_MAX)
        return HUGE_VALF;
    if (value < -FLT_MAX)
        return -HUGE_VALF;
    return float(value);
}

Vector3 ManusScript::nextVector() {
    float x = nextReal();
    float y = nextReal();
    float z = nextReal();
    return Vector3(x, y, z);
}

Entity* ManusScript::slotEntity(int32_t s) const {
    if (s < 0 || s >= slotCount)
        return nullptr;
    // A destroyed entity reads as none.
    return slots[s].lock().get();
}

bool ManusScript::setSlot(int32_t s, Entity* entity) {
    if (s < 0 || s >= slotCount)
        return false;
    slots[s] = entity ? entity->weak_from_this() : std::weak_ptr<Entity>();
    return true;
}

// ---- Camera commands ---------------------------------------------------------

void ManusScript::cSetPos(Landscape& world) {
    Vector3 target = nextVector();
    int32_t duration = nextInt();
    if (std::shared_ptr<Camera> eye = camera.lock()) {
        eye->followPosition.reset();
        eye->tracePosition(world, target, uint32_t(duration));
    }
}

void ManusScript::cLookAt(Landscape&) {
    Entity* target = slotEntity(nextInt());
    std::shared_ptr<Camera> eye = camera.lock();
    if (target == nullptr || !eye)
        return;
    eye->followAngles.reset();
    eye->lookTarget.reset();
    eye->lookAt(VectorRef(*target, target->position));
}

void ManusScript::cSetDir(Landscape& world) {
    Vector3 angles = nextVector();
    int32_t duration = nextInt();
    if (std::shared_ptr<Camera> eye = camera.lock()) {
        eye->followAngles.reset();
        eye->lookTarget.reset();
        eye->traceDirection(world, angles, uint32_t(duration));
    }
}

void ManusScript::cTracePos(Landscape&) {
    Entity* target = slotEntity(nextInt());
    std::shared_ptr<Camera> eye = camera.lock();
    if (target != nullptr && eye)
        eye->followPosition = VectorRef(*target, target->position);
}

void ManusScript::cTraceDir(Landscape&) {
    Entity* target = slotEntity(nextInt());
    std::shared_ptr<Camera> eye = camera.lock();
    if (target == nullptr || !eye)
        return;
    eye->followAngles = VectorRef(*target, target->viewAngles());
    eye->lookTarget.reset();
}

void ManusScript::cSetTraceDelay(Landscape&) {
    int32_t interval = nextInt();
    if (std::shared_ptr<Camera> eye = camera.lock())
        eye->retargetInterval = uint32_t(interval);
}

// ---- Entity commands ---------------------------------------------------------

void ManusScript::createEntityCommand(Landscape& world) {
    int32_t s = nextInt();
    int32_t type = nextInt();
    Vector3 position = nextVector();
    Vector3 rotation = nextVector();
    if (s < 0 || s >= slotCount)
        return;
    std::shared_ptr<Entity> entity = createEntity(type);
    setSlot(s, entity.get());
    if (!entity)
        return;
    entity->position = position;
    entity->rotation = rotation;
    world.unlistedEntities.push_back(std::move(entity));
}

void ManusScript::dropToFloor(Landscape& world) {
    if (Entity* entity = slotEntity(nextInt()))
        entity->position.y = world.heightAt(entity->position.x, entity->position.z);
}

void ManusScript::spawn(Landscape& world) {
    int32_t s = nextInt();
    int32_t type = nextInt();
    const char* file = nextWord();
    if (s < 0 || s >= slotCount)
        return;
    auto director = std::make_shared<ReplayDirector>();
    ReplayDirector& added = *director;
    if (addEntity(world, std::move(director)) < 0)
        return;
    added.startReplay(world, type, file);
    std::shared_ptr<Entity> played = added.played.lock();
    setSlot(s, played.get());
}

void ManusScript::getFirst(Landscape& world) {
    int32_t s = nextInt();
    int32_t type = nextInt();
    if (Entity* found = findFirstOfType(world, type))
        setSlot(s, found);
}

void ManusScript::getLast(Landscape& world) {
    int32_t s = nextInt();
    int32_t type = nextInt();
    if (Entity* found = findLastOfType(world, type))
        setSlot(s, found);
}

void ManusScript::getNext(Landscape& world) {
    int32_t s = nextInt();
    Entity* entity = slotEntity(s);
    if (entity == nullptr)
        return;
    if (Entity* found = findNextOfType(world, entity))
        setSlot(s, found);
}

void ManusScript::getPrev(Landscape& world) {
    int32_t s = nextInt();
    Entity* entity = slotEntity(s);
    if (entity == nullptr)
        return;
    if (Entity* found = findPreviousOfType(world, entity))
        setSlot(s, found);
}

// ---- Time and the end --------------------------------------------------------

void ManusScript::sleep(Landscape& world) {
    wakeTime = world.frameTime + uint32_t(nextInt());
}

void ManusScript::quit(Landscape&) {
    requestQuit();
}
