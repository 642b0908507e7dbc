// Mesh import through the Open Asset Import Library.
#include "tools/show_source/mesh_import.h"

#include <assimp/cimport.h>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <cmath>

namespace {

int32_t colourOf(const aiMaterial* material) {
    aiColor4D c(0.8f, 0.8f, 0.8f, 1.0f);
    if (material && aiGetMaterialColor(material, AI_MATKEY_COLOR_DIFFUSE, &c) != aiReturn_SUCCESS)
        aiGetMaterialColor(material, AI_MATKEY_COLOR_AMBIENT, &c);
    auto byte = [](float v) { return static_cast<int32_t>(std::lround(std::fmin(std::fmax(v, 0.0f), 1.0f) * 255.0f)); };
    return byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b);
}

}  // namespace

bool importMeshFile(const std::string& path, const ImportSettings& settings, ImportedMesh* mesh, std::string* error) {
    unsigned flags = aiProcessPreset_TargetRealtime_MaxQuality | aiProcess_PreTransformVertices;
    if (settings.keepPolygons) flags &= ~static_cast<unsigned>(aiProcess_Triangulate);
    const aiScene* scene = aiImportFile(path.c_str(), flags);
    if (!scene) {
        *error = aiGetErrorString();
        return false;
    }
    // Scale, then rotations about x, y and z, then the axis swap.
    const float k = static_cast<float>(M_PI / 180.0);
    const float cx = std::cos(settings.rotation[0] * k), sx = std::sin(settings.rotation[0] * k);
    const float cy = std::cos(settings.rotation[1] * k), sy = std::sin(settings.rotation[1] * k);
    const float cz = std::cos(settings.rotation[2] * k), sz = std::sin(settings.rotation[2] * k);
    *mesh = ImportedMesh{};
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        const aiMesh* part = scene->mMeshes[m];
        if (!part) continue;
        ++mesh->meshes;
        const auto base = static_cast<int32_t>(mesh->points.size());
        for (unsigned v = 0; v < part->mNumVertices; ++v) {
            float x = part->mVertices[v].x * settings.scale;
            float y = part->mVertices[v].y * settings.scale;
            float z = part->mVertices[v].z * settings.scale;
            float t = y * cx - z * sx;
            z = y * sx + z * cx;
            y = t;
            t = x * cy + z * sy;
            z = -x * sy + z * cy;
            x = t;
            t = x * cz - y * sz;
            y = x * sz + y * cz;
            x = t;
            if (settings.swapYZ) std::swap(y, z);
            mesh->points.push_back({x, y, z});
        }
        const aiMaterial* material =
            part->mMaterialIndex < scene->mNumMaterials ? scene->mMaterials[part->mMaterialIndex] : nullptr;
        const int32_t colour = colourOf(material);
        float opacity = 1.0f;
        if (material && aiGetMaterialFloat(material, AI_MATKEY_OPACITY, &opacity) == aiReturn_SUCCESS &&
            part->mNumFaces > 0 && std::isfinite(opacity))
            mesh->opacity = std::fmin(mesh->opacity, std::fmax(opacity, 0.0f));
        for (unsigned f = 0; f < part->mNumFaces; ++f) {
            const aiFace& face = part->mFaces[f];
            std::vector<int32_t> indices;
            for (unsigned i = 0; i < face.mNumIndices; ++i) indices.push_back(base + static_cast<int32_t>(face.mIndices[i]));
            mesh->faces.push_back(std::move(indices));
            mesh->faceColours.push_back(colour);
        }
    }
    aiReleaseImport(scene);
    return true;
}
