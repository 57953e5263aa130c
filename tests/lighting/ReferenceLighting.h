#pragma once
// The lighting operations written the plain way, step by step as the engine
// defines them: every vertex scans every face of its sector for its corners,
// and every vertex is traced against every sector, collecting up to 1024
// crossed faces per sector in face order. Far too slow for real maps; the
// tests and the benchmark hold the engine's fast versions against it.

#include "geometry/Vector3.h"

class Landscape;
class LightingParams;
class Sector;

void referenceApplyAmbient(LightingParams& params);
void referenceApplySunlight(LightingParams& params);
void referenceTraceShadows(LightingParams& params);

// True when the ground ray from point can reach the sector's rectangle.
bool referenceReachedBy(const Sector& sector, Vector3 point, Vector3 direction);

// Fills list with the faces whose outline the ground ray crosses, in face
// order, at most capacity of them; returns how many.
int referenceCollectCrossedFaces(const Sector& sector, Vector3 point, Vector3 direction, int* list,
                                 int capacity);

// One traced point against the whole landscape as it stands (no border
// lowering): true when some face blocks its line towards the sun. With
// capacity above 1024 the per-sector limit can be lifted to show where it binds.
bool referenceIsShadowed(const Landscape& landscape, Vector3 point, Vector3 direction,
                         int capacity = 1024);
