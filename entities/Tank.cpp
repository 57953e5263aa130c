#include "entities/Tank.h"

#include "entities/TankFoot.h"
#include "entities/TankTurret.h"
#include "geometry/Matrix3.h"
#include "landscape/Landscape.h"
#include "models/M3aModel.h"
#include "platform/Clock.h"
#include "platform/Input.h"
#include "platform/MessageBox.h"

#include <cmath>

const char* const Tank::recordPath = "data\\records\\testrecord.rec";

namespace {

const float slopeDegrees = 57.29576873779297f; // radians to degrees for the slope angles

// The matrix of a GL rotation by degrees about one of the axes (0 x, 1 y, 2 z).
Matrix3 axisRotation(int axis, float degrees) {
    float radians = degrees * degreesToRadians;
    float c = std::cos(radians);
    float s = std::sin(radians);
    Matrix3 r;
    if (axis == 0) {
        r.setRow(1, 0.0f, c, -s);
        r.setRow(2, 0.0f, s, c);
    } else if (axis == 1) {
        r.setRow(0, c, 0.0f, s);
        r.setRow(2, -s, 0.0f, c);
    } else {
        r.setRow(0, c, -s, 0.0f);
        r.setRow(1, s, c, 0.0f);
    }
    return r;
}

Matrix3 product(const Matrix3& a, const Matrix3& b) {
    Matrix3 p;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            p.m[3 * r + c] =
                a.m[3 * r] * b.m[c] + a.m[3 * r + 1] * b.m[3 + c] + a.m[3 * r + 2] * b.m[6 + c];
        }
    }
    return p;
}

// Ry(sign y) Rx(sign x) Rz(sign z): with sign -1 the rotation drawTree
// applies (hull to world), with +1 the one the step measures the hull by.
Matrix3 hullRotation(Vector3 r, float sign) {
    return product(axisRotation(1, sign * r.y),
                   product(axisRotation(0, sign * r.x), axisRotation(2, sign * r.z)));
}

Vector3 transposedTransform(const Matrix3& a, Vector3 v) {
    return Vector3(a.m[0] * v.x + a.m[3] * v.y + a.m[6] * v.z,
                   a.m[1] * v.x + a.m[4] * v.y + a.m[7] * v.z,
                   a.m[2] * v.x + a.m[5] * v.y + a.m[8] * v.z);
}

bool held(int key) {
    return KeyState[key] != 0;
}

// True once for each press of a key that acts once: the entry is cleared.
bool takePress(int key) {
    if (!KeyState[key])
        return false;
    KeyState[key] = 0;
    return true;
}

} // namespace

Tank::Tank() {
    typeId = TankType;
}

void Tank::onAdded(Landscape& world) {
    registerRecordedVector(aimAngles, true);
    registerRecordedVector(turretAngles, true);
    rideHeight = 1.0f;
    previousPosition = position;
    simPosition = position;
    previousRotation = rotation;
    simRotation = rotation;
    stepTaken = false;
    stepInterval = 20;
    sink = 0.0f;
    buildParts(world);
}

void Tank::buildParts(Landscape& world) {
    setModel(0, M3aModel::loadShared("data\\models\\tank01Body.m3a"));
    leftFoot = std::make_shared<TankFoot>();
    leftFoot->position = Vector3(-0.7f, -0.5f, 0.0f);
    addChild(world, leftFoot);
    rightFoot = std::make_shared<TankFoot>();
    rightFoot->position = Vector3(0.7f, -0.5f, 0.0f);
    addChild(world, rightFoot);
    auto newTurret = std::make_shared<TankTurret>();
    newTurret->position = Vector3(0.0f, 0.5f, 0.3f);
    newTurret->turretAngles = VectorRef(*this, turretAngles);
    newTurret->aimAngles = VectorRef(*this, aimAngles);
    turret = newTurret;
    addChild(world, newTurret);
}

void Tank::update(Landscape& world) {
    uint32_t now = world.frameTime;
    // A hull that was frozen for a while (a playback of its record ran)
    // resumes from its frozen state instead of simulating the whole pause
    // in one frame: more than a second behind, the step clock starts afresh.
    if (stepTaken && ticksAfter(now, nextStepTime) > int32_t(maxCatchUp))
        stepTaken = false;
    if (!stepTaken) {
        nextStepTime = now; // the first step is due in this frame
        stepTaken = true;
    }
    const uint32_t interval = stepInterval > 0 ? stepInterval : 20;
    while (ticksAfter(now, nextStepTime) >= 0) {
        simulateStep(world);
        nextStepTime += interval;
    }
    float a = float(ticksAfter(now, nextStepTime) + int32_t(interval)) / float(interval);
    if (a > 1.0f || a < 0.0f)
        messageBox("Wrong elaps", "", MB_OK);
    position = previousPosition.plus(positionDelta.times(a));
    rotation = previousRotation.plus(rotationDelta.times(a));
}

void Tank::simulateStep(Landscape& world) {
    Vector3& p = simPosition;
    Vector3& w = angularVelocity;
    Vector3 r = rotation;
    Matrix3 a = hullRotation(r, 1.0f);
    Matrix3 c = hullRotation(r, -1.0f);
    velocity = p.minus(previousPosition);

    // Three probes: under the drawn hull, 2 units to its side and 2 ahead.
    float h0 = world.heightAt(position.x, position.z);
    Vector3 side = a.row(0).times(2.0f);
    float h1 = world.heightAt(p.x + side.x, p.z + side.z);
    Vector3 front = a.row(2).times(-2.0f);
    float h2 = world.heightAt(p.x + front.x, p.z + front.z);

    float ground = h0 + rideHeight;
    if (ground < p.y) {
        velocity.y -= 0.01f;
        airborne = 1;
    } else {
        if (airborne == 1)
            sink = (ground - p.y) * 2.0f; // twice the depth of the landing
        sink -= 0.01f;
        if (sink < 0.0f)
            sink = 0.0f;
        airborne = 0;
        p.y = ground - sink;
        velocity = p.minus(previousPosition);
    }

    // Tilt towards the slope, never drawn further than 30 degrees of pitch
    // and 10 of roll away from it.
    float pitchTarget = std::atan2(h0 - h2, 2.0f) * slopeDegrees;
    float rollTarget = std::atan2(h0 - h1, 2.0f) * slopeDegrees;
    if (pitchTarget - rotation.x > 30.0f)
        rotation.x = pitchTarget - 30.0f;
    if (pitchTarget - rotation.x < -30.0f)
        rotation.x = pitchTarget + 30.0f;
    if (rollTarget - rotation.z > 10.0f)
        rotation.z = rollTarget - 10.0f;
    if (rollTarget - rotation.z < -10.0f)
        rotation.z = rollTarget + 10.0f;
    w.x += (pitchTarget - rotation.x) * 0.01f;
    w.z += (rollTarget - rotation.z) * 0.01f;
    w = w.times(0.95f);
    w.z *= 0.9f;

    if (!airborne) {
        w.y *= 0.3f;
        Vector3 l = a.transform(velocity); // x sideways, z along the hull (forward is -z)
        float sideways = 0.9f * l.x;
        float skid = l.x - sideways;
        float along = 0.99f * l.z;
        w.z = skid * 20.0f + w.z; // the hull leans out of a skid
        if (held(keyForward)) {
            if (along < 0.0f)
                w.x += 0.003f / (along - 0.003f);
            else
                w.x -= 0.1f;
        }
        if (held(keyBackward)) {
            if (along > 0.0f)
                w.x += 0.003f / (std::fabs(along) + 0.003f);
            else
                w.x += 0.1f;
        }
        velocity = transposedTransform(a, Vector3(sideways, l.y, along));
        float yaw = rotation.y * degreesToRadians;
        if (held(keyForward)) {
            velocity.x += 0.003f * std::sin(yaw);
            velocity.z -= 0.003f * std::cos(yaw);
        }
        if (held(keyBackward)) {
            velocity.x -= 0.003f * std::sin(yaw);
            velocity.z += 0.003f * std::cos(yaw);
        }
        if (held(keyTurnLeft))
            w.y -= 2.0f;
        if (held(keyTurnRight))
            w.y += 2.0f;
    }

    if (position.y < world.waterLevel - 0.5f * rideHeight) {
        velocity = velocity.times(0.8f);
        w = w.times(0.5f);
    }

    previousPosition = p;
    previousRotation = simRotation;
    p.add(velocity);
    simRotation.add(w);
    positionDelta = p.minus(previousPosition);
    rotationDelta = simRotation.minus(previousRotation);

    if (held(keyAimLeft))
        aimAngles.y -= 3.0f;
    if (held(keyAimRight))
        aimAngles.y += 3.0f;
    if (held(keyAimUp))
        aimAngles.x += 2.0f;
    if (held(keyAimDown))
        aimAngles.x -= 2.0f;

    // The aim seen from the hull: the world aim direction taken back through
    // the hull's rotation.
    Vector3 aim = directionFromAngles(aimAngles).times(-1.0f);
    Vector3 local = transposedTransform(c, aim);
    local.normalize();
    turretAngles = anglesFromDirection(local);

    (*stateSlots)[0] = held(keyFire) ? 1 : 0;

    if (takePress(keyRecord))
        startRecording(recordPath, world.frameTime, 200);
    if (takePress(keyStop))
        stopRecording();
    if (takePress(keyPlayback))
        startPlayback(recordPath, world.frameTime);
}
