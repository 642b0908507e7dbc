// Meshes read from the files modelling programs export (glTF 2.0, OBJ, PLY, 3DS, FBX and the
// other formats the Open Asset Import Library reads), flattened into one point and face list.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct ImportedMesh {
    std::vector<std::array<float, 3>> points;
    // Each face: its point indices (triangles unless polygons are kept).
    std::vector<std::vector<int32_t>> faces;
    // Each face's material colour (0xRRGGBB): the diffuse colour of its mesh's material, else its
    // ambient colour, else light grey (0xCCCCCC).
    std::vector<int32_t> faceColours;
    // The lowest opacity of the materials the faces use (1 when none says otherwise).
    float opacity = 1.0f;
    int meshes = 0;
};

struct ImportSettings {
    float scale = 1.0f;
    // Rotation about x, y, z in degrees, applied in that order after the scale.
    std::array<float, 3> rotation = {0, 0, 0};
    // Swaps the y and z axes (for files made with z up).
    bool swapYZ = false;
    // Keeps polygons as they are instead of splitting them into triangles.
    bool keepPolygons = false;
};

// Reads path with the library's real-time post-processing (points joined where every attribute
// matches, meshes placed by their node transforms); the whole scene in one list. False with the
// library's reason in error.
bool importMeshFile(const std::string& path, const ImportSettings& settings, ImportedMesh* mesh, std::string* error);
