#pragma once
// The entity file: the whole entity list of a Landscape, so a map-building
// script can save the entities it placed and load them again. Little-endian,
// no padding: an i32 count, then per entity its i32 type, the 60-byte
// EntityRecord of its base fields, and extraSize bytes of class data (only
// the ocean writes some). Children, models, recordings, state slots and
// other class fields are not stored: the class's onAdded rebuilds them when
// the loaded entity is added.
//
// Loading trusts nothing in the file: a count is never used to allocate, a
// record or class data that the bytes left cannot hold ends loading at that
// entity (the ones before it stay), and an unknown type ends it with a
// message. A file that cannot be opened leaves the list as it was.

#include "entities/Entity.h"

#include <cstdint>

class Landscape;

struct EntityRecord {
    int32_t typeId;          // the same value as the type before the record
    int32_t placement;       // as saved; a sector index is re-made on load
    int32_t drawOrder;       // order inside a sector bucket
    int32_t extraSize;       // bytes of class data after the record
    int32_t animation;       // model slot shown
    int32_t frame;           // mesh of that model shown
    uint32_t frameDelay;     // ms per animation frame
    uint32_t sinceFrameStep; // ms from the last animation step to the moment of saving
    Vector3 position;        // world position
    Vector3 rotation;        // degrees: x pitch, y yaw, z roll
    int32_t childCount;      // stored for information; children are rebuilt on load
};
static_assert(sizeof(EntityRecord) == 60, "EntityRecord is the 60-byte file record");

enum class RecordStatus {
    Applied,      // the record (and its class data) now lies in the entity
    Incompatible, // its type differs from the entity's: nothing applied, class data unread
    Incomplete,   // the file ends inside it, or its class data cannot fit: nothing applied
};

const int32_t entityFileTypeBytes = 4; // the type word before each record

// Hands over pending entities and places them (as loading does), then writes
// the list. False when the file could not be written completely.
bool saveEntities(Landscape& world, const char* fileName);
// Replaces the list by the file's entities (placements re-made, animation
// phase kept). False when the file could not be opened, ended early or held
// a type with no class.
bool loadEntities(Landscape& world, const char* fileName);
