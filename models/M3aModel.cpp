#include "models/M3aModel.h"

#include "image/TextureTable.h"
#include "io/BinaryStream.h"
#include "platform/FileSystem.h"

#include <map>
#include <string>

void M3aModel::load(const char* path) {
    FILE* file = openFile(path, "rb");
    if (file == nullptr)
        return;
    BinaryReader in(file);
    uint32_t magic = in.u32();
    int32_t count = in.i32();
    if (in.good() && (magic & 0xFFFFu) == M3aMesh::magic) {
        count = count < 0 ? 0 : count > meshCapacity ? meshCapacity : count;
        meshes.resize(size_t(count));
        meshCount = count;
        for (M3aMesh& mesh : meshes)
            mesh.read(in); // a mesh with the wrong magic stays empty
    }
    std::fclose(file);
}

void M3aModel::bindTextures(TextureTable& table) {
    for (M3aMesh& mesh : meshes) {
        bool changed = false;
        for (M3aMaterial& material : mesh.materials) {
            if (material.texturePath[0] == '\0')
                continue;
            int index = table.loadMpcTexture(material.texturePath, 2);
            uint32_t name = index == -1 ? untextured : table.textureNameAt(index);
            changed = changed || name != material.textureName;
            material.textureName = name;
        }
        if (changed)
            mesh.invalidate();
    }
}

std::shared_ptr<M3aModel> M3aModel::loadShared(const char* path) {
    static std::map<std::string, std::weak_ptr<M3aModel>> loaded;
    std::weak_ptr<M3aModel>& entry = loaded[path];
    std::shared_ptr<M3aModel> model = entry.lock();
    if (!model) {
        model = std::make_shared<M3aModel>();
        model->load(path);
        entry = model;
    }
    return model;
}
