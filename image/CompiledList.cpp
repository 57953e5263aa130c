#include "image/CompiledList.h"

#include <GL/gl.h>

#include <utility>

CompiledList::~CompiledList() {
    reset();
}

CompiledList::CompiledList(CompiledList&& other) noexcept
    : name(std::exchange(other.name, 0)), recorded(std::exchange(other.recorded, false)) {}

CompiledList& CompiledList::operator=(CompiledList&& other) noexcept {
    if (this != &other) {
        reset();
        name = std::exchange(other.name, 0);
        recorded = std::exchange(other.recorded, false);
    }
    return *this;
}

bool CompiledList::begin() {
    reset();
    name = glGenLists(1);
    if (name == 0)
        return false;
    glNewList(name, GL_COMPILE);
    return true;
}

void CompiledList::end() {
    if (name == 0)
        return;
    glEndList();
    recorded = true;
}

void CompiledList::call() const {
    if (ready())
        glCallList(name);
}

void CompiledList::reset() {
    if (name != 0)
        glDeleteLists(name, 1);
    name = 0;
    recorded = false;
}
