#pragma once
// Every object placed in the world: the scenery, the camera, the tank and its
// parts, rockets and explosions, the demo script runner. An Entity shows one
// frame of one of its models, animated by a millisecond timer, at its
// position and rotation (degrees: x pitch, y yaw, z roll). Class behaviour
// sits behind six virtual operations, in this order: draw, update, onAdded,
// prepareSave, afterLoad, viewAngles. They are handed the Landscape the
// entity lives in, whose frameTime is the clock of all entity behaviour.
//
// Entities form trees. A parent owns up to 100 children, draws and updates
// them in its own frame and shares one block of 32 state slots with all of
// them. Top-level entities are owned by the Landscape's entity list through
// counted references: the undo ring's Landscapes share them, and an entity
// lives until the last list that holds it lets go. Anything else that needs
// to reach an entity later (a camera following it, a script slot) keeps a
// weak reference, which reads as gone once the entity is destroyed.
//
// Placement says where the entity is drawn: 0 or more, in that sector's
// bucket; Unplaced (-1), tiled but in no bucket yet (also while it stands
// outside the grid or its sector's bucket is full); Free (-2), Effect (-3)
// and Background (-4), the fixed draw groups.

#include "entities/RecordSample.h"
#include "geometry/Vector3.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

class BinaryReader;
class BinaryWriter;
class Landscape;
class M3aModel;
enum class RecordStatus;

enum Placement : int32_t {
    Unplaced = -1,
    Free = -2,
    Effect = -3,
    Background = -4,
};

// The type ids entity files and scripts name (what createEntity makes).
enum EntityType : int32_t {
    PlainEntityType = 0,
    OceanType = 1,
    PalmTreeType = 2,
    UnderwaterTintType = 3,
    SunType = 4,
    CameraType = 5,
    MarkerType = 6,
    TankType = 7,
    RocketType = 8,
    SkyType = 9,
};

using StateSlots = std::array<uint32_t, 32>;

class Entity : public std::enable_shared_from_this<Entity> {
  public:
    static constexpr int modelCapacity = 128;
    static constexpr int childCapacity = 100;
    static constexpr int pendingCapacity = 100;
    static constexpr int recordedCapacity = 10;

    // Recorded drives
    int32_t recordMode = 0;      // 0 idle, 1 playing back, 2 recording
    uint32_t recordStart = 0;    // ms, tick count at which recording or playback began
    uint32_t nextSampleTime = 0; // ms, when the next periodic sample is due
    uint32_t sampleInterval = 0; // ms between periodic samples
    RecordSample previousSample; // the samples around the playback time
    RecordSample nextSample;
    Vector3 previousVectors[recordedCapacity] = {}; // registered vectors of those samples
    Vector3 nextVectors[recordedCapacity] = {};
    FILE* recordFile = nullptr;   // owned; open while recording
    FILE* playbackFile = nullptr; // owned; open while playing back
    Vector3* recordedVectors[recordedCapacity] =
        {}; // members of this entity recorded with every sample
    int32_t recordedAsAngle[recordedCapacity] = {}; // 1: the vector's y is an angle in degrees
    int32_t recordedCount = 0;                      // vectors registered
    uint32_t lastRecordedSlots[32] = {}; // state slots as last written to the record file
    int32_t playbackAtEnd = 0;           // 1 once a read of the playback file ran into its end

    int32_t typeId = PlainEntityType;       // EntityType
    int32_t placement = Unplaced;           // sector index or one of the Placement groups
    int32_t drawOrder = 100;                // order inside a sector bucket, lower first
    std::vector<uint8_t> extraData;         // class data written after the entity record
    int32_t extraSize = 0;                  // bytes in extraData
    std::shared_ptr<StateSlots> stateSlots; // shared by the whole tree; zeroed at construction

    std::vector<std::shared_ptr<M3aModel>>
        models;                 // model slots (at most 128); slot 0 the main model
    int32_t animation = 0;      // model slot shown
    int32_t frame = 0;          // mesh of that model shown
    uint32_t frameDelay = 100;  // ms per animation frame
    uint32_t lastFrameTick = 0; // ms, tick count of the last frame step
    Vector3 position;           // world position, or in the parent's frame for a child
    Vector3 rotation;           // degrees: x pitch, y yaw, z roll

    std::vector<std::shared_ptr<Entity>> children; // owned, at most 100
    int32_t childCount = 0;
    Entity* parent = nullptr; // the owner of a child; none at top level
    // Handed to the list at the end of the frame (spawned entities), or, for
    // children, passed through to get their textures bound; at most 100.
    std::vector<std::shared_ptr<Entity>> pending;
    int32_t pendingCount = 0;
    int32_t removeRequested = 0; // 1: the list removes the entity at the end of the frame

    Entity();
    virtual ~Entity();
    Entity(const Entity&) = delete;
    Entity& operator=(const Entity&) = delete;

    // The six class operations, in their fixed order.
    virtual void draw(Landscape& world);    // inside the entity's frame; base: drawModel
    virtual void update(Landscape& world);  // once per frame unless playing back; base: nothing
    virtual void onAdded(Landscape& world); // when added to the list or to a parent; base: nothing
    virtual void prepareSave();             // before the entity file record is built; base: nothing
    virtual void afterLoad(Landscape& world); // after the entity was read and added; base: nothing
    virtual Vector3& viewAngles(); // the angles a following camera turns to; base: rotation

    // The entity file's record of this entity (EntityFile.h): writeRecord
    // runs prepareSave, writes the record and the class data, then releases
    // that data; readRecord takes the record and the class data it announces.
    void writeRecord(BinaryWriter& out);
    RecordStatus readRecord(BinaryReader& in);

    // Draws the mesh `frame` of model slot `animation`, if both exist.
    void drawModel();
    // Steps `frame` on once frameDelay has passed since the last step,
    // wrapping at the model's mesh count (or to 0 without a model).
    void advanceFrame();
    void setAnimation(int32_t modelIndex, int32_t startFrame);
    // Puts a model into a slot (0..127); false for a slot out of range.
    bool setModel(int slot, std::shared_ptr<M3aModel> model);
    M3aModel* modelAt(int slot) const;

    // Attaches a child: it shares this entity's state slots, runs its
    // onAdded, and passes through this entity's pending list so its textures
    // get bound. False (the child is dropped) when 100 children or 100
    // pending entries are already there.
    bool addChild(Landscape& world, std::shared_ptr<Entity> child);
    // Hands an entity to the list at the end of the frame (a spawned rocket
    // or explosion); false (it is dropped) when 100 are already pending.
    bool addPending(std::shared_ptr<Entity> entity);

    // Recorded drives (RecordedDrive.cpp). A record file is a plain run of
    // samples: the 44-byte RecordSample, then x, y, z of each registered
    // vector, all little-endian. The reader must register the same vectors
    // as the writer did (the class does so in its onAdded).
    //
    // Registers a member vector to be recorded with every sample; angle: its
    // y is an angle in degrees, replayed the short way round. False (nothing
    // registered) once ten vectors are registered.
    bool registerRecordedVector(Vector3& vector, bool angle);
    // Starts writing file (replacing it) with a sample every interval ms,
    // only while idle. A file that cannot be opened leaves the entity idle.
    // The file is the engine's own name (key o's record), opened unchecked.
    void startRecording(const char* file, uint32_t time, uint32_t interval);
    // Writes one sample stamped time - recordStart, with the lowest state
    // slot that changed since the last sample; moves nextSampleTime on.
    void recordSample(uint32_t time);
    void stopRecording();
    // Opens file for playback and reads its first two samples, only while
    // idle. A file that cannot be opened ends playback in the next frame, as
    // does a name from a script that leaves the world folder (FileSystem.h).
    void startPlayback(const char* file, uint32_t time);
    // Moves nextSample into previousSample and reads the next one; false when
    // the file has run out (then and ever after, changing nothing).
    bool readSample();
    // One frame of playback: reads on until the samples enclose time and sets
    // the entity between them; ends playback when the file has run out.
    void playback(uint32_t time);

    // One frame of the tree: the recorder's samples, then update (or
    // playback instead while playing back), then the children's.
    void updateTree(Landscape& world, uint32_t time);
    // Draws the tree in the entity's frame: translate, rotate by -yaw about y,
    // -pitch about x, -roll about z, then draw and the children.
    void drawTree(Landscape& world);
};

// Orientation (degrees in and out). directionFromAngles gives the backward
// axis of a view with these angles, (-cos p sin y, sin p, cos p cos y);
// anglesFromDirection gives the angles of a view looking along d.
Vector3 directionFromAngles(Vector3 angles);
Vector3 anglesFromDirection(Vector3 direction);

const float degreesToRadians = 0.0174532f;
const double radiansToDegrees = 57.29582790879778;

// The GL name of an MPC texture loaded (once per path, with mipmaps) through
// the world's texture table, or -1 when it cannot be had.
int32_t loadEntityTexture(Landscape& world, const char* path);
// Binds a GL texture name for the scenery's own drawing. The name -1 (a
// texture that could not be loaded) binds nothing and turns texturing off,
// so no stray texture shows; the caller turns texturing on again afterwards.
void bindTextureOrUntextured(int32_t textureName);
// The quad from (-2, 1) to (2, -1) at z = 0, drawn with the current state: one
// unit ahead of an identity view it covers the whole window (glare, tint).
void drawViewCover();
// Four corners of a quad with the whole texture on it, (0, 0) at the first
// corner and (0, 1) at the last; inside the caller's glBegin(GL_QUADS).
void emitTexturedQuad(Vector3 a, Vector3 b, Vector3 c, Vector3 d);
