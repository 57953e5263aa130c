#pragma once
// Terrain drawing. A sector is drawn in two layers from its packed arrays: the
// base layer, textured faces coloured by their baked corner light, and the
// alpha-blended overlay layer of painted detail. Faces are taken in their draw
// orders, which group them by texture, so each texture run is one primitive
// batch and one bind. The terrain is not lit by OpenGL; its light is in the
// face colours. The primitive mode is passed straight to glBegin.

// Modes the frame loop hands to Landscape::render (OpenGL primitive types).
const int terrainSolidMode = 4; // GL_TRIANGLES
const int terrainWireMode = 3;  // GL_LINE_STRIP: one strip through every batch
