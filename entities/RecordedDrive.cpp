// Recording an entity's motion to a record file and playing it back: the
// recorder and player every Entity carries (declared in Entity.h).
//
// A sample is written and read as one block of 32-bit little-endian words:
// the eleven words of the RecordSample, then three per registered vector.
// The player interpolates position, rotation and the registered vectors
// linearly between the two samples around the playback time (registered
// angles the short way round) and applies the state slot of the sample just
// behind it.

#include "entities/Entity.h"

#include "io/BinaryStream.h"
#include "platform/FileSystem.h"

#include <cmath>

namespace {

const size_t sampleWords = sizeof(RecordSample) / 4;

// The turn from c to g in degrees, the short way round when going through
// 0 is shorter: from 350 to 10 turns +20, from 10 to 350 turns -20.
float shortTurn(float c, float g) {
    float plain = g - c;
    float wrapped = c <= g ? 360.0f - g + c : 360.0f - c + g;
    if (std::fabs(wrapped) <= std::fabs(plain))
        return c <= g ? g - 360.0f - c : g + 360.0f - c;
    return plain;
}

Vector3 between(Vector3 from, Vector3 to, float s) {
    return from.plus(to.minus(from).times(s));
}

} // namespace

bool Entity::registerRecordedVector(Vector3& vector, bool angle) {
    if (recordedCount < 0 || recordedCount >= recordedCapacity)
        return false;
    recordedVectors[recordedCount] = &vector;
    recordedAsAngle[recordedCount] = angle ? 1 : 0;
    ++recordedCount;
    return true;
}

void Entity::startRecording(const char* file, uint32_t time, uint32_t interval) {
    if (recordMode != 0)
        return;
    recordFile = openOwnFile(file, "wb");
    if (recordFile == nullptr)
        return;
    // An interval of 0 would never let the periodic samples catch up.
    sampleInterval = interval > 0 ? interval : 1;
    recordStart = time;
    nextSampleTime = time;
    recordMode = 2;
    for (uint32_t& slot : lastRecordedSlots)
        slot = 0;
    recordSample(time);
}

void Entity::recordSample(uint32_t time) {
    if (recordMode != 2)
        return;
    RecordSample sample;
    sample.time = time - recordStart;
    sample.animation = animation;
    sample.frame = frame;
    sample.position = position;
    sample.rotation = rotation;
    for (int i = 0; i < 32; ++i) {
        uint32_t value = (*stateSlots)[size_t(i)];
        if (value != lastRecordedSlots[i]) {
            lastRecordedSlots[i] = value;
            sample.slotIndex = i;
            sample.slotValue = value;
            break;
        }
    }
    BinaryWriter out(recordFile);
    out.words(&sample, sampleWords);
    for (int32_t i = 0; i < recordedCount; ++i)
        out.words(recordedVectors[i], 3);
    nextSampleTime += sampleInterval;
}

void Entity::stopRecording() {
    if (recordFile)
        std::fclose(recordFile);
    recordFile = nullptr;
    if (recordMode == 2)
        recordMode = 0;
}

void Entity::startPlayback(const char* file, uint32_t time) {
    if (recordMode != 0)
        return;
    if (playbackFile)
        std::fclose(playbackFile);
    playbackFile = openFile(file, "rb");
    playbackAtEnd = 0;
    previousSample = RecordSample();
    nextSample = RecordSample();
    readSample();
    readSample();
    recordMode = 1;
    recordStart = time;
}

bool Entity::readSample() {
    if (playbackAtEnd || playbackFile == nullptr) {
        playbackAtEnd = 1;
        return false;
    }
    previousSample = nextSample;
    for (int i = 0; i < recordedCapacity; ++i)
        previousVectors[i] = nextVectors[i];
    BinaryReader in(playbackFile);
    in.words(&nextSample, sampleWords);
    for (int32_t i = 0; i < recordedCount; ++i)
        in.words(&nextVectors[i], 3);
    if (in.good())
        return true;
    // A short sample is never shown: the stretch ends on the last whole one.
    playbackAtEnd = 1;
    nextSample = previousSample;
    for (int i = 0; i < recordedCapacity; ++i)
        nextVectors[i] = previousVectors[i];
    return false;
}

void Entity::playback(uint32_t time) {
    uint32_t elapsed = time - recordStart;
    while (elapsed >= nextSample.time) {
        if (!readSample()) {
            recordMode = 0;
            if (playbackFile)
                std::fclose(playbackFile);
            playbackFile = nullptr;
            return;
        }
    }
    // Times that do not grow from sample to sample (a damaged file) would
    // put s outside [0, 1) or divide by zero; such a stretch shows the
    // earlier sample.
    float s = 0.0f;
    if (nextSample.time > previousSample.time && elapsed >= previousSample.time)
        s = float(elapsed - previousSample.time) / float(nextSample.time - previousSample.time);
    position = between(previousSample.position, nextSample.position, s);
    rotation = between(previousSample.rotation, nextSample.rotation, s);
    animation = previousSample.animation;
    frame = previousSample.frame;
    // A slot index from the file is only trusted inside the 32 slots.
    int32_t slot = previousSample.slotIndex;
    if (slot >= 0 && slot < 32)
        (*stateSlots)[size_t(slot)] = previousSample.slotValue;
    for (int32_t i = 0; i < recordedCount; ++i) {
        Vector3 from = previousVectors[i];
        Vector3 d = nextVectors[i].minus(from);
        if (recordedAsAngle[i])
            d.y = shortTurn(from.y, nextVectors[i].y);
        *recordedVectors[i] = from.plus(d.times(s));
    }
}
