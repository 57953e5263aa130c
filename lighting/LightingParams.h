#pragma once
// The lighting block. The directive interpreter owns one for its whole life,
// fills its colours and sun direction from the lighting directives, points it
// at the current Landscape and then asks it to bake light into the terrain.
// The light lives in the corner colours of the faces (colour for the base
// layer, overlayColour for the overlay layer); nothing here is drawn per frame.
// Every corner that uses a vertex receives the same change; colours are never
// clamped. The block only borrows the Landscape; it may be none, in which case
// every operation does nothing.

#include "geometry/Vector3.h"

class Landscape;

class LightingParams {
  public:
    Landscape* landscape = nullptr;          // borrowed: the terrain to light
    Vector3 sunDirection{0.0f, 0.0f, 0.0f};  // from the ground towards the sun
    Vector3 shadowColour{0.0f, 0.0f, 0.0f};  // factor for shadowed corners
    Vector3 ambientColour{0.5f, 0.5f, 0.5f}; // RGB light present everywhere
    Vector3 sunColour{1.0f, 1.0f, 1.0f};     // RGB of direct sunlight

    // Every corner's colour becomes the ambient colour and its overlay colour
    // (ambient, 0): the overlay coverage painted so far is cleared.
    void applyAmbient();

    // Adds sunColour * 0.5 * (n . (n + L)) to every corner of each vertex with
    // normal n; the overlay alpha is kept.
    void applySunlight();

    // Darkens every vertex from which the line towards the sun passes through
    // another terrain triangle: its corners are multiplied by shadowColour
    // (overlay alpha kept). The map's outer border is traced 100 units lower
    // and raised again afterwards. With display set and a window open, a
    // progress bar is drawn and shown before each sector.
    void traceShadows(bool display);
};
