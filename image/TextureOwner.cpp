#include "image/TextureOwner.h"

#include <GL/gl.h>

namespace {

TextureOwner* inForce = nullptr;

} // namespace

TextureOwner::TextureOwner() : outer(inForce) {
    inForce = this;
}

TextureOwner::~TextureOwner() {
    for (TextureOwner** link = &inForce; *link != nullptr; link = &(*link)->outer) {
        if (*link == this) {
            *link = outer;
            break;
        }
    }
    if (!names.empty())
        glDeleteTextures(GLsizei(names.size()), names.data());
}

void TextureOwner::adopt(uint32_t textureName) {
    if (inForce != nullptr && textureName != 0 && textureName != 0xFFFFFFFFu)
        inForce->names.push_back(textureName);
}
