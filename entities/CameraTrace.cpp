#include "entities/CameraTrace.h"

#include "platform/Clock.h"

#include <cmath>

namespace {

// True while a trace runs at time now and its parameter can be formed.
template <class Trace> bool running(const Trace& trace, uint32_t now) {
    return ticksAfter(now, trace.endTime) <= 0 && trace.endTime != trace.startTime;
}

template <class Trace> float parameter(const Trace& trace, uint32_t now) {
    return float(ticksAfter(now, trace.startTime)) /
           float(ticksAfter(trace.endTime, trace.startTime));
}

} // namespace

template <class Trace>
void restartTrace(Trace& trace, Vector3 start, Vector3 delta, uint32_t now, uint32_t duration) {
    if (!running(trace, now)) {
        trace.velocityTerm = Vector3();
    } else {
        float s = parameter(trace, now);
        trace.velocityTerm = trace.velocityTerm.plus(trace.squareTerm.times(2.0f * s))
                                 .plus(trace.cubeTerm.times(3.0f * s * s));
    }
    trace.start = start;
    trace.delta = delta;
    trace.squareTerm = delta.times(3.0f).minus(trace.velocityTerm.times(2.0f));
    trace.cubeTerm = trace.velocityTerm.minus(delta.times(2.0f));
    trace.startTime = now;
    trace.endTime = now + duration;
}

template <class Trace> Vector3 traceValue(const Trace& trace, uint32_t now) {
    if (!running(trace, now))
        return trace.start.plus(trace.delta);
    float s = parameter(trace, now);
    float s2 = std::pow(s, 2.0f);
    float s3 = std::pow(s, 3.0f);
    return trace.start.plus(trace.velocityTerm.times(s))
        .plus(trace.squareTerm.times(s2))
        .plus(trace.cubeTerm.times(s3));
}

template void restartTrace(PositionTrace&, Vector3, Vector3, uint32_t, uint32_t);
template void restartTrace(DirectionTrace&, Vector3, Vector3, uint32_t, uint32_t);
template Vector3 traceValue(const PositionTrace&, uint32_t);
template Vector3 traceValue(const DirectionTrace&, uint32_t);

float wrapDegrees(float angle) {
    float wrapped = std::fmod(angle, 360.0f);
    if (wrapped < 0.0f)
        wrapped += 360.0f;
    return wrapped < 360.0f ? wrapped : 0.0f; // a tiny negative angle rounds up to 360
}

float shortTurn(float current, float goal) {
    float plain = goal - current;
    float wrapped = goal > current ? 360.0f - goal + current : 360.0f - current + goal;
    if (std::fabs(wrapped) <= std::fabs(plain))
        return goal > current ? goal - (current + 360.0f) : 360.0f - current + goal;
    return plain;
}
