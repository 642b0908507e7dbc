// Imports: real models in five formats read with the point and face counts the import library's
// own command-line tool reports for them, an imported mesh built into a pack, and a JPEG of
// another size letterboxed into the picture format.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <png.h>

#include "support/captured_message_boxes.h"
#include "support/scratch_dir.h"
#include "tools/show_source/mesh_import.h"
#include "tools/show_source/show_source.h"

namespace fs = std::filesystem;

namespace {

const fs::path kModels = "/usr/share/assimp/models";

// "Vertices:" and "Faces:" of 'assimp info FILE'.
bool assimpInfo(const fs::path& file, long* vertices, long* faces) {
    const std::string command = "assimp info '" + file.string() + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return false;
    char line[512];
    *vertices = *faces = -1;
    while (std::fgets(line, sizeof line, pipe)) {
        std::sscanf(line, "Vertices: %ld", vertices);
        std::sscanf(line, "Faces: %ld", faces);
    }
    pclose(pipe);
    return *vertices >= 0 && *faces >= 0;
}

}  // namespace

TEST(MeshImport, RealModelsGiveTheCountsTheLibrarysToolReports) {
    const char* const files[] = {
        "glTF2/BoxTextured-glTF/BoxTextured.gltf",
        // (Models that place one mesh at several nodes give more: each placement is imported.)
        "glTF2/BoxTextured-glTF-Binary/BoxTextured.glb",
        "OBJ/box.obj",
        "PLY/cube.ply",
        "3DS/fels.3ds",
        "FBX/box.fbx",
    };
    for (const char* name : files) {
        SCOPED_TRACE(name);
        const fs::path file = kModels / name;
        if (!fs::exists(file)) GTEST_SKIP() << "assimp-testmodels is not installed";
        long vertices = 0;
        long faces = 0;
        ASSERT_TRUE(assimpInfo(file, &vertices, &faces)) << "assimp info gave no counts";
        ImportedMesh mesh;
        std::string error;
        ASSERT_TRUE(importMeshFile(file.string(), {}, &mesh, &error)) << error;
        EXPECT_EQ(static_cast<long>(mesh.points.size()), vertices);
        EXPECT_EQ(static_cast<long>(mesh.faces.size()), faces);
        EXPECT_EQ(mesh.faceColours.size(), mesh.faces.size());
        for (const auto& face : mesh.faces)
            for (int32_t index : face) ASSERT_LT(static_cast<size_t>(index), mesh.points.size());
    }
}

TEST(MeshImport, SettingsScaleRotateAndSwapAxes) {
    const fs::path file = kModels / "OBJ/box.obj";
    if (!fs::exists(file)) GTEST_SKIP() << "assimp-testmodels is not installed";
    ImportedMesh plain;
    ImportedMesh moved;
    std::string error;
    ASSERT_TRUE(importMeshFile(file.string(), {}, &plain, &error)) << error;
    ImportSettings settings;
    settings.scale = 2.0f;
    settings.rotation = {0, 90, 0};
    settings.swapYZ = true;
    ASSERT_TRUE(importMeshFile(file.string(), settings, &moved, &error)) << error;
    ASSERT_EQ(plain.points.size(), moved.points.size());
    for (size_t i = 0; i < plain.points.size(); ++i) {
        const auto& p = plain.points[i];
        const auto& q = moved.points[i];
        // y about 90 degrees: (x, y, z) -> (z, y, -x); then scaled by 2, then y and z swapped.
        EXPECT_NEAR(q[0], 2 * p[2], 1e-5);
        EXPECT_NEAR(q[1], -2 * p[0], 1e-5);
        EXPECT_NEAR(q[2], 2 * p[1], 1e-5);
    }
    ImportSettings polygons;
    polygons.keepPolygons = true;
    ImportedMesh quads;
    ASSERT_TRUE(importMeshFile(file.string(), polygons, &quads, &error)) << error;
    EXPECT_EQ(quads.faces.size() * 2, plain.faces.size());
    EXPECT_EQ(quads.faces[0].size(), 4u);
}

TEST(MeshImport, ImportedRegistryMeshBuildsAndAMissingModelIsReported) {
    const fs::path file = kModels / "PLY/cube.ply";
    if (!fs::exists(file)) GTEST_SKIP() << "assimp-testmodels is not installed";
    CapturedMessageBoxes boxes;
    ScratchDir scratch;
    const fs::path source = fs::path(scratch.path()) / "source";
    fs::create_directories(source / "meshes");
    fs::copy_file(file, source / "cube.ply");
    std::ofstream(source / "meshes" / "cube.yaml") << "key: cube\nimport: cube.ply\nscale: 0.5\n";
    std::ofstream(source / "meshes" / "gone.yaml") << "key: gone\nimport: gone.obj\n";
    std::ofstream(source / "show.yaml") << "meshes: [meshes/cube.yaml]\ntracks: []\n";
    const fs::path pack = fs::path(scratch.path()) / "data.pak";
    const BuildResult built = buildShow(source.string(), pack.string());
    ASSERT_TRUE(built.ok()) << (built.problems.empty() ? built.error : built.problems[0].text());

    // Unpacked, the mesh has the file's points and faces (in an OBJ file beside its document).
    const fs::path unpacked = fs::path(scratch.path()) / "unpacked";
    std::string error;
    ASSERT_TRUE(unpackShow(pack.string(), unpacked.string(), &error)) << error;
    std::ifstream in(unpacked / "meshes" / "001-mesh.yaml");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("key: \"cube\""), std::string::npos) << text;
    EXPECT_NE(text.find("obj: \"meshes/001-mesh.obj\""), std::string::npos) << text;
    std::ifstream obj(unpacked / "meshes" / "001-mesh.obj");
    const std::string objText((std::istreambuf_iterator<char>(obj)), std::istreambuf_iterator<char>());
    EXPECT_NE(objText.find("v 0.5 0.5 0.5\n"), std::string::npos) << objText;
    EXPECT_NE(objText.find("\nf "), std::string::npos) << objText;

    std::ofstream(source / "show.yaml") << "meshes: [meshes/cube.yaml, meshes/gone.yaml]\ntracks: []\n";
    const BuildResult missing = buildShow(source.string(), pack.string() + "2");
    ASSERT_EQ(missing.problems.size(), 1u);
    EXPECT_EQ(missing.problems[0].text().rfind("meshes/gone.yaml:2:9: a model file the importer reads at 'gone.obj'", 0), 0u)
        << missing.problems[0].text();
    EXPECT_FALSE(fs::exists(pack.string() + "2"));

    // A mesh's own OBJ file with a face that reaches past its points.
    std::ofstream(source / "bad.obj") << "v 0 0 0\nv 1 0 0\nf 1 2 3\n";
    std::ofstream(source / "meshes" / "bad.yaml") << "key: bad\nobj: bad.obj\n";
    std::ofstream(source / "show.yaml") << "meshes: [meshes/bad.yaml]\n";
    const BuildResult bad = buildShow(source.string(), pack.string() + "3");
    ASSERT_EQ(bad.problems.size(), 1u);
    EXPECT_EQ(bad.problems[0].text(), "meshes/bad.yaml:2:6: point indices from 1 to 2 in bad.obj line 3");
}

TEST(PictureImport, JpegOfAnotherSizeIsLetterboxedIntoThePictureFormat) {
    const fs::path file = kModels / "3DS/IMAGE1.jpg";  // 400x300
    if (!fs::exists(file)) GTEST_SKIP() << "assimp-testmodels is not installed";
    CapturedMessageBoxes boxes;
    ScratchDir scratch;
    const fs::path source = fs::path(scratch.path()) / "source";
    fs::create_directories(source);
    fs::copy_file(file, source / "photo.jpg");
    std::ofstream(source / "show.yaml")
        << "tracks:\n  - cells:\n      - {kind: picture, start: 0, end: 30, picture: photo.jpg}\n";
    const fs::path pack = fs::path(scratch.path()) / "data.pak";
    const BuildResult built = buildShow(source.string(), pack.string());
    ASSERT_TRUE(built.ok()) << (built.problems.empty() ? built.error : built.problems[0].text());
    std::string error;
    ASSERT_TRUE(unpackShow(pack.string(), (fs::path(scratch.path()) / "out").string(), &error)) << error;

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(
        &image, (fs::path(scratch.path()) / "out" / "pictures" / "001-unnamed.png").string().c_str()));
    ASSERT_EQ(image.width, 1024u);
    ASSERT_EQ(image.height, 1024u);
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr));
    // 400x300 scaled by 2.56 fills the width and 768 rows: opaque black bars of 128 rows above
    // and below.
    auto pixel = [&](int x, int y) { return &rgba[(static_cast<size_t>(y) * 1024 + x) * 4]; };
    for (int y : {0, 127, 896, 1023})
        for (int x : {0, 512, 1023}) {
            EXPECT_EQ(pixel(x, y)[0] | pixel(x, y)[1] | pixel(x, y)[2], 0) << x << "," << y;
            EXPECT_EQ(pixel(x, y)[3], 255);
        }
    int lit = 0;
    for (int y = 128; y < 896; y += 16)
        for (int x = 0; x < 1024; x += 16) lit += (pixel(x, y)[0] | pixel(x, y)[1] | pixel(x, y)[2]) != 0;
    EXPECT_GT(lit, 48 * 64 / 2);
}
