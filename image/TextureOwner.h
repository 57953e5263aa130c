#pragma once
// The OpenGL textures of one world. A texture belongs to the world it was
// loaded for, not to the table that names it: the undo states' tables share
// their names, and a name can outlive every table that held it (a table
// compacted by "save", a state overwritten after an undo). So every texture
// a TextureTable makes is handed to the TextureOwner in force, which deletes
// them all when it ends; the map builder holds one for the world it builds.
// Without an owner in force a texture lives until the program ends.
//
// Owners nest: a new one is in force until it ends, then the one before it
// again (whatever order they end in).

#include <cstddef>
#include <cstdint>
#include <vector>

class TextureOwner {
  public:
    TextureOwner();
    ~TextureOwner();
    TextureOwner(const TextureOwner&) = delete;
    TextureOwner& operator=(const TextureOwner&) = delete;

    // Gives the texture to the owner in force, if any.
    static void adopt(uint32_t textureName);

    // Textures held.
    size_t size() const { return names.size(); }

  private:
    std::vector<uint32_t> names; // GL texture names to delete at the end
    TextureOwner* outer;         // the owner in force before this one
};
