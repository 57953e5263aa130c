#include "entities/Camera.h"

#include "landscape/Landscape.h"
#include "platform/Clock.h"
#include "platform/Input.h"

#include <cmath>

size_t Camera::tourIndex = 0;

namespace {

// Where views bound to a destroyed camera look from: its last pose.
Vector3 parkedPosition;
Vector3 parkedAngles;

} // namespace

Camera::Camera() {
    typeId = CameraType;
    placement = Free;
}

Camera::~Camera() {
    for (Landscape* world = Landscape::firstAlive; world != nullptr; world = world->nextAlive) {
        if (world->cameraPosition == &position) {
            parkedPosition = position;
            world->cameraPosition = &parkedPosition;
        }
        if (world->cameraAngles == &rotation) {
            parkedAngles = rotation;
            world->cameraAngles = &parkedAngles;
        }
    }
}

void Camera::onAdded(Landscape& world) {
    world.cameraPosition = &position;
    world.cameraAngles = &rotation;
}

void Camera::tracePosition(const Landscape& world, Vector3 target, uint32_t duration) {
    Vector3 delta = target.minus(position);
    delta.x += 1.0f;
    restartTrace(positionTrace, position, delta, world.frameTime, duration);
}

void Camera::traceDirection(const Landscape& world, Vector3 target, uint32_t duration) {
    lookTarget.reset();
    rotation.x = wrapDegrees(rotation.x);
    rotation.y = wrapDegrees(rotation.y);
    Vector3 goal(wrapDegrees(target.x), wrapDegrees(target.y), target.z);
    Vector3 turn(shortTurn(rotation.x, goal.x), shortTurn(rotation.y, goal.y), 0.0f);
    restartTrace(directionTrace, rotation, turn, world.frameTime, duration);
    directionTrace.endAngles = rotation.plus(turn);
}

void Camera::lookAt(const VectorRef& target) {
    lookTarget = target;
    const Vector3* point = lookTarget.get();
    if (point == nullptr)
        return;
    Vector3 towards = position.minus(*point);
    towards.normalize();
    rotation = anglesFromDirection(towards.times(-1.0f));
}

void Camera::tourStep(const Landscape& world) {
    size_t count = world.entities.size();
    if (count == 0)
        return;
    size_t from = tourIndex % count;
    size_t i = (from + 1) % count;
    while (world.entities[i]->typeId != PalmTreeType && i != from)
        i = (i + 1) % count;
    tourIndex = i;
    const Entity& palm = *world.entities[i];
    if (palm.typeId != PalmTreeType)
        return;
    tracePosition(world, palm.position, 5000);
    Vector3 towards = palm.position.minus(position);
    towards.normalize();
    traceDirection(world, anglesFromDirection(towards), 2000);
}

void Camera::update(Landscape& world) {
    uint32_t now = world.frameTime;
    if (!retargetScheduled || ticksAfter(now, nextRetarget) >= 0) {
        if (const Vector3* followed = followPosition.get()) {
            // Behind the followed point along the backward axis of the view
            // being turned to, then up along that view's up vector.
            Vector3 back = directionFromAngles(directionTrace.endAngles);
            Vector3 point = followed->plus(back.times(5.0f));
            Vector3 up(0.0f, 1.0f, 0.0f);
            if (back.y != 0.0f) {
                up = back;
                if (back.y > 0.0f) {
                    up.x = -up.x;
                    up.z = -up.z;
                }
                up.y = -(up.x * back.x + up.z * back.z) / back.y;
                up.normalize();
            }
            tracePosition(world, point.plus(up.times(3.0f)), 300);
        }
        if (const Vector3* angles = followAngles.get())
            traceDirection(world, *angles, 300);
        nextRetarget = now + retargetInterval;
        retargetScheduled = true;
    }
    position = traceValue(positionTrace, now);
    rotation = traceValue(directionTrace, now);
    float ground = world.heightAt(position.x, position.z);
    if (position.y < ground + 1.0f)
        position.y = ground + 1.0f;
    if (KeyState[tourKey]) {
        KeyState[tourKey] = 0;
        tourStep(world);
    }
    if (lookTarget)
        lookAt(lookTarget);
}
