#include "entities/UnderwaterTint.h"

#include "landscape/Landscape.h"

#include <GL/gl.h>

UnderwaterTint::UnderwaterTint() {
    typeId = UnderwaterTintType;
    placement = Free;
}

void UnderwaterTint::draw(Landscape& world) {
    if (world.cameraPosition == nullptr || !(world.cameraPosition->y < world.waterLevel))
        return;
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -1.0f);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glColor4f(world.underwaterTint.x, world.underwaterTint.y, world.underwaterTint.z, 0.5f);
    drawViewCover();
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glPopMatrix();
}
