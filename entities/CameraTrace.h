#pragma once
// Timed cubic traces: a value (a position, or view angles) that glides from
// where it is, with the speed it has, to a goal where it comes to rest. Over
// the trace parameter s = (now - startTime) / (endTime - startTime) the value
// is start + A s + B s^2 + C s^3 with A the speed at the start, B = 3 delta -
// 2 A and C = A - 2 delta, so it ends at start + delta with speed zero.
// Restarting a running trace keeps the motion smooth: the new trace starts
// with the running one's speed at that moment. Once a trace has ended (also
// one of duration 0) it holds start + delta.

#include "geometry/Vector3.h"

#include <cstdint>

struct PositionTrace {
    Vector3 velocityTerm;   // A, the speed at the start per unit of s
    Vector3 squareTerm;     // B
    Vector3 cubeTerm;       // C
    Vector3 start;          // value at the start
    Vector3 delta;          // end value minus start
    uint32_t startTime = 0; // ms, frame time at the start
    uint32_t endTime = 0;   // ms, frame time at which the trace ends
};

struct DirectionTrace {
    Vector3 velocityTerm;
    Vector3 squareTerm;
    Vector3 cubeTerm;
    Vector3 start;     // start angles, degrees
    Vector3 delta;     // the turn
    Vector3 endAngles; // start + delta
    uint32_t startTime = 0;
    uint32_t endTime = 0;
};

// Starts a trace from start by delta at time now lasting duration ms.
template <class Trace>
void restartTrace(Trace& trace, Vector3 start, Vector3 delta, uint32_t now, uint32_t duration);
// The traced value at time now.
template <class Trace> Vector3 traceValue(const Trace& trace, uint32_t now);

// The turn in degrees from angle current to angle goal (both already in
// [0, 360)) the short way round; exactly 180 degrees turns negatively.
float shortTurn(float current, float goal);
// An angle brought into [0, 360).
float wrapDegrees(float angle);
