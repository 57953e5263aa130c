#pragma once
// Heightmap import: a height image (one float per pixel, row-major, pixel (c, r)
// at world x = c, z = r) gives a flat map its relief. Between pixels the surface
// is a Catmull-Rom spline, first down each pixel column and then along each
// vertex row, so a map with several vertices per unit is smooth rather than
// stepped. The import itself is Landscape::loadBump, Sector::loadBump and
// Sector::fillBlock; this header holds the one spline primitive they share.
//
// Reads never leave the image: a pixel coordinate outside it is held at the
// nearest edge row or column, so an image smaller than the map stretches its
// last row and column, and an empty image changes no height.

// Writes n samples of the cubic Hermite segment with value p0 at t = 0, p1 at
// t = 1, slope t0 at t = 0 and slope t1 at t = 1, at t = 0, 1/n, ..., (n-1)/n.
// p1 itself is not written. Nothing is written when n is not above 0.
void hermiteSamples(float p0, float p1, float t0, float t1, float* out, float n);

// Vertex steps per image pixel for a vertex spacing: truncate(1 / step + 0.0001),
// or 0 when the spacing is not positive or is coarser than one pixel.
int verticesPerPixel(float step);
