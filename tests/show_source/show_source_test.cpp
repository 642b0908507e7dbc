// Show sources: unpack then build gives the sample pack back byte for byte, byte-string names
// survive, and a bad source gets every problem at once with its exact place and no pack.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/captured_message_boxes.h"
#include "support/scratch_dir.h"
#include "tools/show_source/show_source.h"

namespace fs = std::filesystem;

namespace {

std::vector<char> fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string fileText(const fs::path& path) {
    const std::vector<char> bytes = fileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void writeText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

const fs::path kSamplePack = fs::path(DEMO_BINARY_DIR) / "show" / "data.pak";

std::vector<std::string> problemTexts(const BuildResult& result) {
    std::vector<std::string> texts;
    for (const SourceProblem& p : result.problems) texts.push_back(p.text());
    return texts;
}

// A small source: one scene cell with a camera, a mesh under a controller and a physics plane.
const char* const kManifest =
    "meshes: []\n"
    "animations: []\n"
    "tracks:\n"
    "  - cells:\n"
    "      - kind: scene\n"
    "        name: \"first\"\n"
    "        start: 0\n"
    "        end: 60\n"
    "        length: 60\n"
    "        scene: scenes/first.yaml\n";

const char* const kScene =
    "background: [0.1, 0.2, 0.3]\n"
    "materials:\n"
    "  - {id: 1, colour: 0xFF8000}\n"
    "root:\n"
    "  id: 0\n"
    "  children:\n"
    "    - class: Camera3D\n"
    "      id: 1\n"
    "      position: [0, 0, -8]\n"
    "      fieldOfView: 60\n"
    "    - class: StdMesh3D\n"
    "      id: 2\n"
    "      points: [[0, 0, 0], [1, 0, 0], [0, 1, 0]]\n"
    "      faces: [[3, 0, 1, 2]]\n"
    "      faceMaterials: [1]\n"
    "physics:\n"
    "  defaultBounce: 0.2\n"
    "  defaultSlide: 0.4\n"
    "  gravityY: -0.001\n"
    "  records:\n"
    "    - {type: 4, plane: [0, 1, 0, 0]}\n"
    "controllers:\n"
    "  list:\n"
    "    - targetId: 2\n"
    "      rotation:\n"
    "        - {time: 0, rotation: [0, 0, 0, 1]}\n"
    "        - {time: 899, rotation: [0, 1, 0, 0]}\n"
    "      scale: []\n";

// Builds source into dir/data.pak, unpacks that into dir/unpacked and builds it again: the second
// pack must equal the first byte for byte. Returns the unpacked folder.
fs::path buildUnpackAndRebuild(const fs::path& source, const fs::path& dir) {
    const fs::path pack = dir / "data.pak";
    const BuildResult built = buildShow(source.string(), pack.string());
    EXPECT_TRUE(built.ok()) << (built.problems.empty() ? built.error : built.problems[0].text());
    const fs::path unpacked = dir / "unpacked";
    std::string error;
    EXPECT_TRUE(unpackShow(pack.string(), unpacked.string(), &error)) << error;
    const fs::path rebuilt = dir / "rebuilt.pak";
    const BuildResult again = buildShow(unpacked.string(), rebuilt.string());
    EXPECT_TRUE(again.ok()) << (again.problems.empty() ? again.error : again.problems[0].text());
    EXPECT_EQ(fileBytes(rebuilt), fileBytes(pack));
    return unpacked;
}

}  // namespace

TEST(ShowSource, SamplePackUnpacksAndBuildsBackByteForByte) {
    ASSERT_TRUE(fs::is_regular_file(kSamplePack)) << kSamplePack;
    CapturedMessageBoxes boxes;
    ScratchDir scratch;
    const fs::path source = fs::path(scratch.path()) / "source";
    std::string error;
    ASSERT_TRUE(unpackShow(kSamplePack.string(), source.string(), &error)) << error;
    EXPECT_TRUE(fs::is_regular_file(source / "show.yaml"));
    EXPECT_TRUE(fs::is_regular_file(source / "spinner.flc"));
    EXPECT_TRUE(fs::exists(source / "pictures"));
    // The wipe's frames and the scenes' own meshes come out as palette pictures and OBJ files.
    EXPECT_TRUE(fs::is_regular_file(source / "frames" / "001-wipe" / "0032.png"));
    EXPECT_TRUE(fs::is_regular_file(source / "meshes" / "scene-001-001.obj"));

    const fs::path rebuilt = fs::path(scratch.path()) / "out" / "data.pak";
    const BuildResult built = buildShow(source.string(), rebuilt.string());
    ASSERT_TRUE(built.ok()) << (built.problems.empty() ? built.error : built.problems[0].text());
    EXPECT_EQ(fileBytes(rebuilt), fileBytes(kSamplePack));
    // What the pack names lies beside it, so that the rebuilt show plays where it was written.
    EXPECT_EQ(fileBytes(rebuilt.parent_path() / "spinner.flc"), fileBytes(kSamplePack.parent_path() / "spinner.flc"));

    // The unpacked text of the rebuilt pack is the same text.
    const fs::path again = fs::path(scratch.path()) / "again";
    ASSERT_TRUE(unpackShow(rebuilt.string(), again.string(), &error)) << error;
    EXPECT_EQ(fileText(again / "show.yaml"), fileText(source / "show.yaml"));
}

TEST(ShowSource, WrittenSourceBuildsAndNamesKeepEveryByte) {
    CapturedMessageBoxes boxes;
    ScratchDir scratch;
    const fs::path source = fs::path(scratch.path()) / "source";
    // A name with control bytes, quotes, a backslash and high bytes (no NUL: names are C strings
    // once loaded).
    std::string name;
    for (int b = 1; b < 256; ++b)
        if (b < 0x20 || b >= 0x7F || b == '"' || b == '\\') name += static_cast<char>(b);
    std::string quoted = "\"";
    for (unsigned char ch : name) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", ch);
        quoted += hex;
    }
    quoted += "\"";
    // (A cell's own name is not kept by the loader; a node's is.)
    std::string scene = kScene;
    scene.replace(scene.find("      id: 2\n"), 12, "      id: 2\n      name: " + quoted + "\n");
    writeText(source / "show.yaml", kManifest);
    writeText(source / "scenes" / "first.yaml", scene);

    // Unpacked and built again: the same pack, with the name's bytes.
    const fs::path unpacked = buildUnpackAndRebuild(source, scratch.path());
    ASSERT_FALSE(HasFailure());
    const std::string text = fileText(unpacked / "scenes" / "001-unnamed.yaml");
    EXPECT_NE(text.find("\\x1B\\x1C"), std::string::npos);
    EXPECT_NE(text.find("\\xFE\\xFF\""), std::string::npos);
    EXPECT_EQ(text.find('\x1B'), std::string::npos);  // no raw control byte in the text
    // A track without keys is still a track.
    EXPECT_NE(text.find("      scale: []\n"), std::string::npos) << text;
}

TEST(ShowSource, BadSourceReportsEveryProblemWithItsPlaceAndWritesNothing) {
    CapturedMessageBoxes boxes;
    ScratchDir scratch;
    const fs::path source = fs::path(scratch.path()) / "source";
    std::string manifest = kManifest;
    manifest += "      - kind: picture\n"       // line 11
                "        start: 60\n"
                "        end: 90\n"
                "        picture: pictures/none.png\n"  // line 14: missing file
                "      - kind: movie\n"                 // line 15: unknown kind
                "        start: 90\n"
                "        end: 120\n";
    writeText(source / "show.yaml", manifest);
    std::string scene = kScene;
    scene.replace(scene.find("      position: [0, 0, -8]"), 26, "      positon: [0, 0, -8]");    // line 9
    scene.replace(scene.find("fieldOfView: 60"), 15, "fieldOfView: wide");                     // line 10
    scene.replace(scene.find("      faceMaterials: [1]"), 24, "      sharedFaces: nothere");   // line 15 (faces stay on line 14)
    scene.replace(scene.find("targetId: 2"), 11, "targetId: 9");                                // line 24
    scene.replace(scene.find("{time: 899, rotation"), 20, "{time: 99999999999, rotation");     // line 27
    writeText(source / "scenes" / "first.yaml", scene);

    const fs::path pack = fs::path(scratch.path()) / "data.pak";
    const BuildResult result = buildShow(source.string(), pack.string());
    EXPECT_FALSE(result.ok());
    EXPECT_FALSE(fs::exists(pack));
    EXPECT_FALSE(fs::exists(pack.string() + ".tmp"));
    const std::vector<std::string> expected = {
        "scenes/first.yaml:10:20: a number, not 'wide'",
        "scenes/first.yaml:9:7: a known key, not 'positon'",
        "scenes/first.yaml:15:20: the key of a registry mesh, not 'nothere'",
        "scenes/first.yaml:14:7: a known key, not 'faces'",
        "scenes/first.yaml:24:17: the id of a node of this scene, not 9",
        "scenes/first.yaml:27:18: a number within 32 bits",
        "show.yaml:14:18: a PNG or JPEG picture at 'pictures/none.png' (",
        "show.yaml:15:15: a cell kind (scene, picture or animation), not 'movie'",
    };
    const std::vector<std::string> got = problemTexts(result);
    ASSERT_EQ(got.size(), expected.size()) << ::testing::PrintToString(got);
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(got[i].rfind(expected[i], 0), 0u) << got[i];
}

TEST(ShowSource, AMeshNodeWithoutFaceMaterialsNamesTheThreeForms) {
    CapturedMessageBoxes boxes;
    ScratchDir scratch;
    const fs::path source = fs::path(scratch.path()) / "source";
    std::string scene = kScene;
    scene.erase(scene.find("      faceMaterials: [1]\n"), 25);
    writeText(source / "show.yaml", kManifest);
    writeText(source / "scenes" / "first.yaml", scene);
    const fs::path pack = fs::path(scratch.path()) / "data.pak";
    const BuildResult result = buildShow(source.string(), pack.string());
    EXPECT_FALSE(fs::exists(pack));
    const std::vector<std::string> got = problemTexts(result);
    ASSERT_EQ(got.size(), 1u) << ::testing::PrintToString(got);
    EXPECT_EQ(got[0], "scenes/first.yaml:11:7: the faces' materials: 'material: ID' (every face), 'meshMaterials: ID' "
                      "(an imported mesh's colours) or 'faceMaterials' (a list of 1 ids)");
}

TEST(ShowSource, InspectPrintsControlBytesOfNamesEscaped) {
    CapturedMessageBoxes boxes;
    ScratchDir scratch;
    const fs::path source = fs::path(scratch.path()) / "source";
    std::string scene = kScene;
    // A node name that would turn a terminal red and clear it.
    scene.replace(scene.find("      id: 2\n"), 12, "      id: 2\n      name: \"mesh\\x1B[31m\\x1B[2J\\x7F\"\n");
    writeText(source / "show.yaml", kManifest);
    writeText(source / "scenes" / "first.yaml", scene);
    const fs::path pack = fs::path(scratch.path()) / "data.pak";
    ASSERT_TRUE(buildShow(source.string(), pack.string()).ok());

    const std::string command = std::string(DEMOTOOL_PROGRAM) + " inspect " + pack.string() + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char block[4096];
    size_t n = 0;
    while ((n = fread(block, 1, sizeof block, pipe)) > 0) output.append(block, n);
    EXPECT_EQ(pclose(pipe), 0) << output;
    EXPECT_NE(output.find("\"mesh\\x1B[31m\\x1B[2J\\x7F\""), std::string::npos) << output;
    EXPECT_EQ(output.find('\x1B'), std::string::npos);
    EXPECT_EQ(output.find('\x7F'), std::string::npos);
}

TEST(ShowSource, ProblemsPastTwentyAreCountedNotListed) {
    CapturedMessageBoxes boxes;
    ScratchDir scratch;
    const fs::path source = fs::path(scratch.path()) / "source";
    std::string manifest = "tracks: []\n";
    for (int i = 0; i < 25; ++i) manifest += "typo" + std::to_string(i) + ": 1\n";
    writeText(source / "show.yaml", manifest);
    const BuildResult result = buildShow(source.string(), (fs::path(scratch.path()) / "data.pak").string());
    EXPECT_EQ(result.problemCount, 25);
    ASSERT_EQ(result.problems.size(), 20u);
    EXPECT_EQ(result.problems[0].text(), "show.yaml:2:1: a known key, not 'typo0'");
    EXPECT_EQ(result.problems[19].text(), "show.yaml:21:1: a known key, not 'typo19'");
}

// Records the sample show does not hold: a registry mesh OBJ cannot hold (a face without corners,
// an index outside the points), a kind word that makes no node (which the loader drops, as it
// reads no record for it), vector and float keys, a free mesh body and a soft body. Each survives
// unpack and build.
TEST(ShowSource, RecordsOutsideTheSampleShowSurviveUnpackAndBuild) {
    CapturedMessageBoxes boxes;
    ScratchDir scratch;
    const fs::path source = fs::path(scratch.path()) / "source";
    writeText(source / "show.yaml",
              "meshes: [meshes/odd.yaml]\n"
              "tracks:\n"
              "  - cells:\n"
              "      - {kind: scene, start: 0, end: 60, scene: scenes/s.yaml}\n");
    writeText(source / "meshes" / "odd.yaml",
              "key: \"odd\"\npoints: [[0, 0, 0], [1, 0, 0], [0, 1, 0]]\nfaces: [[], [0, 1, 7], [0, 1, 2]]\n");
    writeText(source / "scenes" / "s.yaml",
              "root:\n"
              "  id: 0\n"
              "  children:\n"
              "    - {kinds: 0x1}\n"
              "    - class: StdMesh3D\n"
              "      id: 4\n"
              "      sharedPoints: \"odd\"\n"
              "      sharedFaces: \"odd\"\n"
              "      faceMaterials: [1, 2, 3]\n"
              "      softBody: {startFrame: 0, endFrame: 90, directionStiffness: 0.5, lengthStiffness: 0.25, "
              "damping: 0.125}\n"
              "physics:\n"
              "  defaultBounce: 0.5\n"
              "  defaultSlide: 0.5\n"
              "  gravityY: -0.001\n"
              "  records: [{type: 5, nodeId: 4}]\n"
              "controllers:\n"
              "  list:\n"
              "    - targetId: 4\n"
              "      scale: [{time: 0, vector: [1, 2, 3]}]\n"
              "      visibility: [{time: 30, float: 0.5}]\n");
    const fs::path unpacked = buildUnpackAndRebuild(source, scratch.path());
    ASSERT_FALSE(HasFailure());

    // The odd mesh stays in its YAML document; the scene keeps each record's written form.
    const std::string mesh = fileText(unpacked / "meshes" / "001-mesh.yaml");
    EXPECT_EQ(mesh.find("obj:"), std::string::npos) << mesh;
    EXPECT_NE(mesh.find("  - []\n"), std::string::npos) << mesh;
    const std::string scene = fileText(unpacked / "scenes" / "001-unnamed.yaml");
    EXPECT_EQ(scene.find("kinds:"), std::string::npos) << scene;
    for (const char* part : {"endFrame: 90", "type: 5", "vector: [1, 2, 3]", "float: 0.5"})
        EXPECT_NE(scene.find(part), std::string::npos) << part << "\n" << scene;
}
