#pragma once
// Writes M3A model files: an 8-byte header (magic 100, mesh count), then per
// mesh a 16-byte header (magic 100 and five 16-bit counts) followed by the
// vertices, normals and texture coordinates as floats, the 44-byte faces and
// the 368-byte materials. All numbers little-endian.

#include "tools/ModelDescription.h"

#include <string>

namespace m3a {

// The whole file as bytes, or false with the reason in error when the model
// breaks a rule of the format (see findModelFault); nothing is half written.
bool encode(const ModelDescription& model, std::string& bytes, std::string& error);

} // namespace m3a
