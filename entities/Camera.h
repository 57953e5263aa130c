#pragma once
// The eye the world is seen through. Added to the list, a Camera binds the
// Landscape's view (cameraPosition, cameraAngles) to its own position and
// rotation. It moves by timed cubic traces (CameraTrace.h); on top of them it
// can trail a moving point from behind and above, turn towards moving angles,
// keep aiming at a point, and tour the palm trees on the 'g' key. It keeps at
// least one unit above the ground.
//
// What it follows or aims at is borrowed through VectorRefs, so a target
// that is destroyed simply stops being followed. When a Camera is destroyed,
// every Landscape whose view is bound to it is bound instead to a copy of its
// last position and angles, so the view stays where it was.

#include "entities/CameraTrace.h"
#include "entities/Entity.h"
#include "entities/VectorRef.h"

class Camera : public Entity {
  public:
    static constexpr int tourKey = 103; // 'g'

    PositionTrace positionTrace;
    DirectionTrace directionTrace;
    VectorRef followPosition;        // a point to trail from behind and above; none
    VectorRef followAngles;          // angles to turn towards again and again; none
    VectorRef lookTarget;            // a point to aim at every frame; none
    uint32_t retargetInterval = 100; // ms between two re-aims of the follow traces
    uint32_t nextRetarget = 0;       // ms, frame time of the next re-aim
    bool retargetScheduled = false;  // nextRetarget holds a time; before, re-aim at once

    Camera();
    ~Camera() override;
    void draw(Landscape&) override {}
    void update(Landscape& world) override;
    void onAdded(Landscape& world) override;

    // Glides to target (ending one unit beyond it along +x) in duration ms.
    void tracePosition(const Landscape& world, Vector3 target, uint32_t duration);
    // Stops aiming at a target and turns to the given angles the short way.
    void traceDirection(const Landscape& world, Vector3 target, uint32_t duration);
    // Aims at target from now on (turning at once), or stops aiming (none).
    void lookAt(const VectorRef& target);
    // Glides to the next palm tree of the list and turns towards it; does
    // nothing while the list holds no palm tree.
    void tourStep(const Landscape& world);

    // The tour's place in the entity list, shared by every camera.
    static size_t tourIndex;
};
