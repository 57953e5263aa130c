#include "app/TextPrinter.h"

#include <GL/gl.h>

#include <cstring>

void GlyphTable::build(uint32_t texture) {
    fontTexture = texture;
    const float s = 0.0625f; // one cell: a sixteenth of the image
    for (int r = 0; r < 16; ++r) {
        for (int c = 0; c < 16; ++c) {
            Glyph& g = glyphs[r * 16 + c];
            g.corners[0].set(c * s, r * s);
            g.corners[1].set((c + 1) * s, r * s);
            g.corners[2].set((c + 1) * s, (r + 1) * s);
            g.corners[3].set(c * s, (r + 1) * s);
        }
    }
}

void TextPrinter::printText(const Vector3& origin, const Vector3& size, const char* text,
                            int count) const {
    // A negative count other than -1 would otherwise read far past the text;
    // every negative count means "up to the terminating zero".
    uint16_t n = 0;
    if (text != nullptr)
        n = uint16_t(count < 0 ? std::strlen(text) : size_t(count));

    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, glyphTable.fontTexture);
    glBegin(GL_QUADS);
    for (uint16_t i = 0; i < n; ++i) {
        const Glyph& g = glyphTable.glyphs[static_cast<unsigned char>(text[i])];
        const float x = origin.x + i * size.x;
        const float y = origin.y;
        const float z = origin.z;
        glTexCoord2fv(&g.corners[0].x);
        glVertex3f(x, y, z);
        glTexCoord2fv(&g.corners[1].x);
        glVertex3f(x + size.x, y, z);
        glTexCoord2fv(&g.corners[2].x);
        glVertex3f(x + size.x, y - size.y, z);
        glTexCoord2fv(&g.corners[3].x);
        glVertex3f(x, y - size.y, z);
    }
    glEnd();
}
