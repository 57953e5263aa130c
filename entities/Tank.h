#pragma once
// The vehicle the user drives and the demonstration replays: a hull carrying
// two feet and a turret, the turret carrying the pipe that fires rockets.
// The whole tree shares one block of state slots; slot 0 is 1 while the fire
// key is held, which is how a key read by the hull reaches the pipe.
//
// The hull runs a small rigid-body simulation at a fixed step of 20 ms,
// independent of the frame rate: it follows the terrain under it through
// three height probes, tilts towards the slope, is pushed by the keys, skids
// and leans in turns, falls when airborne and is damped in water. Frames
// show the state interpolated between the last two steps, so the drawn
// tank lags the simulation by at most one step and moves smoothly. Keys o,
// p and l record, stop and replay the drive on "data\records\testrecord.rec";
// while it plays back the simulation stays frozen and resumes from there
// afterwards. A camera following the tank looks along its aimAngles.

#include "entities/Entity.h"

#include <memory>

class Tank : public Entity {
  public:
    static const int keyForward = 101;   // e
    static const int keyBackward = 100;  // d
    static const int keyTurnLeft = 115;  // s
    static const int keyTurnRight = 102; // f
    // The arrows: up adds 2 degrees of pitch, which points the aim lower (a
    // positive pitch looks down), down raises it; right and left turn it by 3.
    static const int keyAimUp = 273;
    static const int keyAimDown = 274;
    static const int keyAimRight = 275;
    static const int keyAimLeft = 276;
    static const int keyFire = 32;      // space, held
    static const int keyRecord = 111;   // o
    static const int keyStop = 112;     // p
    static const int keyPlayback = 108; // l
    static const char* const recordPath;
    static const uint32_t maxCatchUp = 1000; // ms of missed steps a late frame still runs

    std::shared_ptr<Entity> leftFoot, rightFoot, turret; // the parts, owned as children
    Vector3 previousRotation;                            // simulated rotation before the last step
    Vector3 simRotation;                                 // simulated rotation after the last step
    Vector3 rotationDelta;                               // simRotation - previousRotation
    Vector3 previousPosition;                            // simulated position before the last step
    Vector3 simPosition;                                 // simulated position after the last step
    Vector3 positionDelta;                               // simPosition - previousPosition
    Vector3 velocity;                                    // world units per step
    Vector3 angularVelocity;   // degrees per step (x pitch, y yaw, z roll)
    float rideHeight = 0.0f;   // height of the hull origin over the ground
    int32_t airborne = 0;      // 1 while the hull is above the ground
    uint32_t nextStepTime = 0; // ms, when the next step is due (once stepTaken)
    bool stepTaken = false;    // false until the first step, and after a long pause
    uint32_t stepInterval = 0; // ms per simulation step
    float sink = 0.0f;         // how far the hull is pushed below ride height after a landing
    Vector3 turretAngles;      // aim relative to the hull: x pipe pitch, y turret yaw (degrees)
    Vector3 aimAngles;         // absolute aim: x pitch, y yaw (degrees); the arrow keys

    Tank();
    void update(Landscape& world) override;
    void onAdded(Landscape& world) override;
    Vector3& viewAngles() override { return aimAngles; }
    // Loads the hull model and attaches the feet and the turret (which makes the pipe).
    virtual void buildParts(Landscape& world);

    // One fixed step of the simulation (keys, terrain, water).
    void simulateStep(Landscape& world);
};
