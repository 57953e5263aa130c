#pragma once
// One sample of a recorded drive as it lies in a record file (44 bytes,
// little-endian): the time since the recording began, the shown animation and
// frame, position and rotation, and at most one changed state slot. The
// entity's registered vectors follow it in the file.

#include "geometry/Vector3.h"

#include <cstdint>

struct RecordSample {
    uint32_t time = 0;      // ms since the start of the recording
    int32_t animation = 0;  // model slot shown
    int32_t frame = 0;      // mesh of that model shown
    Vector3 position;       // world position
    Vector3 rotation;       // degrees: x pitch, y yaw, z roll
    int32_t slotIndex = -1; // state slot that changed, 0..31, or -1
    uint32_t slotValue = 0; // its new value (meaningless when slotIndex is -1)
};
static_assert(sizeof(RecordSample) == 44, "RecordSample is the 44-byte file record");
