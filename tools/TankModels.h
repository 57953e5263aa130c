#pragma once
// The tank of the demo and its rocket, one mesh each, forward along -z and y up.
// The parts fit the way the tank entity assembles them: the hull's origin rides
// 1.0 above the ground; each foot hangs at (+-0.7, -0.5, 0) from it, so its
// track touches the ground at y = -0.5 of foot space and runs 2.4 along z; the
// turret stands at (0, 0.5, 0.3) on the hull's deck (its base at y = -0.2); the
// pipe turns about the turret's origin and its barrel ends at z = -2, where the
// muzzle flash begins. The rocket is 0.6 long with its nose at z = -0.3.

#include "tools/ModelDescription.h"

namespace tankmodels {

extern const char* const camoTexture;   // engine path of the hull's camouflage
extern const char* const trackTexture;  // engine path of the track links
extern const char* const rocketTexture; // engine path of the rocket's skin

ModelDescription body();   // hull: lower tub between the tracks, deck with a sloped glacis
ModelDescription foot();   // one track with five road wheels on each side
ModelDescription turret(); // rounded, flattened dome with a hatch
ModelDescription pipe();   // mantlet and a long barrel with a muzzle brake
ModelDescription rocket(); // body, nose cone and four tail fins

} // namespace tankmodels
