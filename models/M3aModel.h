#pragma once
// A loaded M3A model file: up to 1024 meshes, each one frame of the model's
// animation. An entity shows one mesh of one model at a time. A model is
// created empty and filled by load; a file that cannot be opened or does not
// start with the model magic leaves it as it was.
//
// Models are shared: loadShared gives every entity that asks for the same
// path the same model while any of them holds it, so five hundred palm trees
// read their file and record their display lists once. Binding textures
// writes GL texture names into the shared materials; every name a texture
// table hands out stays valid as long as the world it was loaded for, so a
// model bound through another Landscape's table of that world still draws
// correctly. A model lives no longer than the entities that hold it, and so
// no longer than their world.

#include "models/M3aMesh.h"

#include <cstdint>
#include <memory>
#include <vector>

class TextureTable;

class M3aModel {
  public:
    static constexpr int meshCapacity = 1024;

    std::vector<M3aMesh> meshes; // meshCount entries
    int32_t meshCount = 0;       // at most meshCapacity

    // Reads the file at path (backslashes allowed). The header's magic is
    // checked in its low 16 bits; a mesh whose own magic is wrong stays empty
    // and reading goes on after its 16 header bytes. Meshes beyond the first
    // 1024 are not read.
    void load(const char* path);

    // Gives every material with a texture path the GL name of that MPC file
    // in table (loaded with mipmaps, once per path), or untextured when the
    // table has no entry for it. Materials without a path keep their name.
    void bindTextures(TextureTable& table);

    // The model of path, loaded on first use and shared while anyone holds it.
    static std::shared_ptr<M3aModel> loadShared(const char* path);
};
