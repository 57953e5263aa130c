// The entity file: saving and loading a Landscape's entity list, and the
// record each entity writes and reads.

#include "entities/EntityFile.h"

#include "entities/EntityFactory.h"
#include "entities/EntityList.h"
#include "io/BinaryStream.h"
#include "landscape/Landscape.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

#include <algorithm>

namespace {

const size_t recordWords = sizeof(EntityRecord) / 4;

} // namespace

void Entity::writeRecord(BinaryWriter& out) {
    prepareSave();
    size_t classBytes = extraSize > 0 ? size_t(extraSize) : 0;
    EntityRecord record = {typeId,    placement, drawOrder,  int32_t(classBytes),
                           animation, frame,     frameDelay, getTickCount() - lastFrameTick,
                           position,  rotation,  childCount};
    out.words(&record, recordWords);
    if (classBytes != 0) {
        // A class that announced more than it filled gets zeros for the rest,
        // so the file always holds what the record says.
        size_t filled = std::min(classBytes, extraData.size());
        out.bytes(extraData.data(), filled);
        out.zeros(classBytes - filled);
    }
    if (extraSize != 0) {
        std::vector<uint8_t>().swap(extraData);
        extraSize = 0;
    }
}

RecordStatus Entity::readRecord(BinaryReader& in) {
    EntityRecord record;
    in.words(&record, recordWords);
    if (!in.good())
        return RecordStatus::Incomplete;
    if (record.typeId != typeId) {
        messageBox("Incompatible entity type on load!", "Error", MB_OK);
        return RecordStatus::Incompatible;
    }
    // Class data is allocated only when the file really holds that much.
    if (record.extraSize < 0 || uint64_t(record.extraSize) > in.remaining())
        return RecordStatus::Incomplete;

    placement = record.placement;
    drawOrder = record.drawOrder;
    extraSize = record.extraSize;
    animation = record.animation;
    frame = record.frame;
    frameDelay = record.frameDelay;
    // The animation goes on in the phase it had when it was saved.
    lastFrameTick = getTickCount() - record.sinceFrameStep;
    position = record.position;
    rotation = record.rotation;
    extraData.assign(size_t(extraSize), 0);
    in.bytes(extraData.data(), extraData.size());
    // A sector index is made again from the position by placeEntities.
    if (placement >= 0)
        placement = Unplaced;
    return RecordStatus::Applied;
}

bool saveEntities(Landscape& world, const char* fileName) {
    processPending(world);
    // Placed now, as loading places them: the file is the same whether or
    // not a frame has been drawn since the entities were added.
    placeEntities(world);
    FILE* file = openFile(fileName, "wb");
    if (file == nullptr)
        return false;
    BinaryWriter out(file);
    out.i32(int32_t(world.entities.size()));
    for (const std::shared_ptr<Entity>& entity : world.entities) {
        out.i32(entity->typeId);
        entity->writeRecord(out);
    }
    bool written = out.good();
    return std::fclose(file) == 0 && written;
}

bool loadEntities(Landscape& world, const char* fileName) {
    // Opened before the list is cleared: a file that is not there costs
    // nothing of what the world holds.
    FILE* file = openFile(fileName, "rb");
    if (file == nullptr)
        return false;
    clearEntities(world);
    BinaryReader in(file);
    int32_t count = in.i32();
    bool loaded = in.good();
    // The count only bounds the loop: every entity is checked against the
    // bytes that are really left before anything is made for it.
    for (int32_t i = 0; loaded && i < count; ++i) {
        if (in.remaining() < uint64_t(entityFileTypeBytes) + sizeof(EntityRecord)) {
            loaded = false;
            break;
        }
        std::shared_ptr<Entity> entity = createEntity(in.i32());
        if (!entity) {
            messageBox("Invalid type when loading entities!", "Error", MB_OK);
            loaded = false;
            break;
        }
        RecordStatus status = entity->readRecord(in);
        if (status == RecordStatus::Incomplete) {
            loaded = false;
            break;
        }
        // onAdded may pick its own animation frame (a palm tree does); the
        // saved phase wins.
        int32_t animation = entity->animation, frame = entity->frame;
        uint32_t lastFrameTick = entity->lastFrameTick;
        Entity& added = *entity;
        if (addEntity(world, std::move(entity)) < 0) {
            loaded = false; // the list is full
            break;
        }
        if (status == RecordStatus::Applied) {
            added.animation = animation;
            added.frame = frame;
            added.lastFrameTick = lastFrameTick;
        }
        added.afterLoad(world);
    }
    placeEntities(world);
    std::fclose(file);
    return loaded;
}
