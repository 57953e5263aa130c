// The entity base: defaults, model slots and animation, trees of children,
// and drawing and updating a tree in the entity's frame.

#include "entities/Entity.h"

#include "entities/EntityList.h"
#include "landscape/Landscape.h"
#include "models/M3aModel.h"
#include "platform/Clock.h"

#include <GL/gl.h>

#include <cmath>
#include <utility>

Entity::Entity() : stateSlots(std::make_shared<StateSlots>()) {
    stateSlots->fill(0);
    setAnimation(0, 0);
}

Entity::~Entity() {
    if (recordFile)
        std::fclose(recordFile);
    if (playbackFile)
        std::fclose(playbackFile);
}

void Entity::draw(Landscape&) {
    drawModel();
}

void Entity::update(Landscape&) {}

void Entity::onAdded(Landscape&) {}

void Entity::prepareSave() {}

void Entity::afterLoad(Landscape&) {}

Vector3& Entity::viewAngles() {
    return rotation;
}

M3aModel* Entity::modelAt(int slot) const {
    if (slot < 0 || size_t(slot) >= models.size())
        return nullptr;
    return models[size_t(slot)].get();
}

bool Entity::setModel(int slot, std::shared_ptr<M3aModel> model) {
    if (slot < 0 || slot >= modelCapacity)
        return false;
    if (size_t(slot) >= models.size())
        models.resize(size_t(slot) + 1);
    models[size_t(slot)] = std::move(model);
    return true;
}

void Entity::drawModel() {
    M3aModel* model = modelAt(animation);
    if (model && frame >= 0 && frame < model->meshCount)
        model->meshes[size_t(frame)].draw();
}

void Entity::advanceFrame() {
    uint32_t now = getTickCount();
    if (ticksAfter(now, lastFrameTick) < int64_t(frameDelay))
        return;
    lastFrameTick = getTickCount();
    ++frame;
    M3aModel* model = modelAt(animation);
    if (model == nullptr || frame >= model->meshCount)
        frame = 0;
}

void Entity::setAnimation(int32_t modelIndex, int32_t startFrame) {
    animation = modelIndex;
    frame = startFrame;
    lastFrameTick = getTickCount();
}

bool Entity::addChild(Landscape& world, std::shared_ptr<Entity> child) {
    if (!child || childCount >= childCapacity || pendingCount >= pendingCapacity)
        return false;
    Entity& attached = *child;
    children.push_back(child);
    childCount = int32_t(children.size());
    attached.stateSlots = stateSlots;
    attached.parent = this;
    attached.onAdded(world);
    pending.push_back(std::move(child));
    pendingCount = int32_t(pending.size());
    return true;
}

bool Entity::addPending(std::shared_ptr<Entity> entity) {
    if (!entity || pendingCount >= pendingCapacity)
        return false;
    pending.push_back(std::move(entity));
    pendingCount = int32_t(pending.size());
    return true;
}

void Entity::updateTree(Landscape& world, uint32_t time) {
    // The recorder and the player of recorded drives take their turn here:
    // periodic samples that are due (several after a late frame), then one
    // sample per changed state slot. While playing back the record file moves
    // the entity instead of its own update.
    if (recordMode == 2) {
        while (recordMode == 2 && ticksAfter(time, nextSampleTime) >= 0)
            recordSample(time);
        for (int i = 0; i < 32; ++i) {
            if ((*stateSlots)[size_t(i)] != lastRecordedSlots[i])
                recordSample(time);
        }
    }
    if (recordMode == 1)
        playback(time);
    else
        update(world);
    for (size_t i = 0; i < children.size(); ++i)
        children[i]->updateTree(world, time);
}

void Entity::drawTree(Landscape& world) {
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    glRotatef(-rotation.y, 0.0f, 1.0f, 0.0f);
    glRotatef(-rotation.x, 1.0f, 0.0f, 0.0f);
    glRotatef(-rotation.z, 0.0f, 0.0f, 1.0f);
    advanceFrame();
    draw(world);
    for (size_t i = 0; i < children.size(); ++i)
        children[i]->drawTree(world);
    glPopMatrix();
}

Vector3 directionFromAngles(Vector3 angles) {
    float p = angles.x * degreesToRadians;
    float y = angles.y * degreesToRadians;
    return Vector3(-std::cos(p) * std::sin(y), std::sin(p), std::cos(p) * std::cos(y));
}

Vector3 anglesFromDirection(Vector3 d) {
    // asin of a value a hair outside [-1, 1] (a vector normalised in floats)
    // would be NaN; the angle there is a straight look up or down.
    float up = d.y > 1.0f ? 1.0f : d.y < -1.0f ? -1.0f : d.y;
    return Vector3(float(std::asin(-up) * radiansToDegrees),
                   float(std::atan2(-d.x, d.z) * radiansToDegrees + 180.0), 0.0f);
}

int32_t loadEntityTexture(Landscape& world, const char* path) {
    int index = world.textures.loadMpcTexture(path, 2);
    return int32_t(world.textures.textureNameAt(index));
}

void bindTextureOrUntextured(int32_t textureName) {
    if (textureName == -1) {
        glDisable(GL_TEXTURE_2D);
        return;
    }
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, GLuint(textureName));
}

void drawViewCover() {
    glBegin(GL_QUADS);
    glVertex3f(-2.0f, 1.0f, 0.0f);
    glVertex3f(2.0f, 1.0f, 0.0f);
    glVertex3f(2.0f, -1.0f, 0.0f);
    glVertex3f(-2.0f, -1.0f, 0.0f);
    glEnd();
}

void emitTexturedQuad(Vector3 a, Vector3 b, Vector3 c, Vector3 d) {
    const float texCoords[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const Vector3* corners[4] = {&a, &b, &c, &d};
    for (int k = 0; k < 4; ++k) {
        glTexCoord2f(texCoords[k][0], texCoords[k][1]);
        glVertex3f(corners[k]->x, corners[k]->y, corners[k]->z);
    }
}
