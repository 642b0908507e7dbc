// Assets of show sources: animation frames as palette pictures (exact both ways, other frames kept
// as bytes), frames made from a folder of pictures, an animated GIF and a video, music from other
// audio files, mesh nodes' own meshes as OBJ, and an imported model's material colours.
#include <gtest/gtest.h>

#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <png.h>

#include "app/packed_frame.h"
#include "support/captured_message_boxes.h"
#include "support/scratch_dir.h"
#include "tools/show_source/animation_frames.h"
#include "tools/show_source/mesh_import.h"
#include "tools/show_source/show_source.h"

namespace fs = std::filesystem;

namespace {

std::vector<char> fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeText(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

void writeBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string firstProblem(const BuildResult& r) { return r.problems.empty() ? r.error : r.problems[0].text(); }

// Runs a command quietly; true when it succeeded.
bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

bool haveFfmpeg() { return run("ffmpeg -version") && run("ffprobe -version"); }

// A manifest with one library animation (its keys given) and a cell that plays it.
std::string animationManifest(const std::string& animationKeys) {
    return "animations:\n"
           "  - name: \"clip\"\n" +
           animationKeys +
           "tracks:\n"
           "  - cells:\n"
           "      - {kind: animation, start: 0, end: 30, animation: \"clip\"}\n";
}

// Builds source into dir/data.pak and unpacks that into dir/unpacked; then builds the unpacked
// source again, which must give the same pack byte for byte.
fs::path buildAndUnpack(const fs::path& source, const fs::path& dir) {
    const fs::path pack = dir / "data.pak";
    const BuildResult built = buildShow(source.string(), pack.string());
    EXPECT_TRUE(built.ok()) << firstProblem(built);
    const fs::path unpacked = dir / "unpacked";
    std::string error;
    EXPECT_TRUE(unpackShow(pack.string(), unpacked.string(), &error)) << error;
    const BuildResult again = buildShow(unpacked.string(), (dir / "rebuilt" / "data.pak").string());
    EXPECT_TRUE(again.ok()) << firstProblem(again);
    EXPECT_EQ(fileBytes(dir / "rebuilt" / "data.pak"), fileBytes(pack));
    return unpacked;
}

// The frame files unpack wrote for the first library animation, in order.
std::vector<std::string> unpackedFrames(const fs::path& unpacked) {
    const YAML::Node show = YAML::LoadFile((unpacked / "show.yaml").string());
    std::vector<std::string> names;
    for (const auto& item : show["animations"][0]["frames"]) names.push_back(item.as<std::string>());
    return names;
}

// Reads an unpacked frame file as a palette picture.
PalettePicture framePicture(const fs::path& file) {
    PalettePicture picture;
    std::string why;
    EXPECT_EQ(readPalettePng(file.string(), &picture, &why), PalettePng::Read) << file << " " << why;
    return picture;
}

// The colour (red, green, blue, alpha) of a palette picture's pixel.
std::array<uint8_t, 4> colourAt(const PalettePicture& p, int x, int y) {
    const uint8_t index = p.indices[static_cast<size_t>(y) * kSourcePictureSide + static_cast<size_t>(x)];
    return {p.palette[4 * index], p.palette[4 * index + 1], p.palette[4 * index + 2], p.palette[4 * index + 3]};
}

// A picture of 8 vertical stripes, each of one palette entry; the palette has transparent and
// repeated entries, which a palette picture must keep as they are.
PalettePicture stripes() {
    PalettePicture p;
    for (int i = 0; i < 256; ++i) {
        p.palette[4 * i] = static_cast<uint8_t>(i);
        p.palette[4 * i + 1] = static_cast<uint8_t>(255 - i);
        p.palette[4 * i + 2] = static_cast<uint8_t>(i * 7);
        p.palette[4 * i + 3] = static_cast<uint8_t>(i % 3 == 0 ? 0 : 255);
    }
    std::memcpy(p.palette + 4 * 9, p.palette + 4 * 8, 4);
    for (size_t i = 0; i < p.indices.size(); ++i) p.indices[i] = static_cast<uint8_t>((i % 1024) / 128 * 3);
    return p;
}

}  // namespace

TEST(AnimationFrames, PalettePicturesStandForExactlyTheFramesTheyPackInto) {
    const PalettePicture picture = stripes();
    const std::vector<uint8_t> frame = packPaletteFrame(picture);
    std::vector<uint8_t> pixels(kFrameBufferPixels * 4u, 0);
    ASSERT_EQ(decodePackedFrame(frame.data(), pixels.data(), static_cast<int>(frame.size())), kFrameBufferPixels);

    PalettePicture back;
    ASSERT_TRUE(paletteFrameOf(frame, &back));
    EXPECT_EQ(back.indices, picture.indices);
    EXPECT_EQ(std::memcmp(back.palette, picture.palette, sizeof back.palette), 0);

    // Frames of other shapes decode as well but are not what a picture packs into.
    std::vector<uint8_t> split = frame;  // the first run of 255 written as 200 + 55
    split[1025] = 200;
    split.insert(split.begin() + 1027, {55, split[1026]});
    std::vector<uint8_t> secondPalette = frame;
    secondPalette.insert(secondPalette.end() - 2, frame.begin(), frame.begin() + 1025);
    std::vector<uint8_t> shorter(frame.begin(), frame.end() - 2);
    std::vector<uint8_t> longer = frame;
    longer.insert(longer.end(), {1, 0});
    for (const std::vector<uint8_t>* odd : {&split, &secondPalette, &shorter, &longer}) EXPECT_FALSE(paletteFrameOf(*odd, &back));

    ScratchDir scratch;
    const fs::path file = fs::path(scratch.path()) / "frame.png";
    ASSERT_TRUE(writePalettePng(file.string(), picture));
    const PalettePicture read = framePicture(file);
    EXPECT_EQ(packPaletteFrame(read), frame);
}

TEST(AnimationFrames, PaletteFramesBecomePicturesAndOtherFramesStayBytesThroughUnpackAndBuild) {
    CapturedMessageBoxes boxes;
    ScratchDir scratch;
    const fs::path source = fs::path(scratch.path()) / "source";
    const std::vector<uint8_t> frame = packPaletteFrame(stripes());
    std::vector<uint8_t> split = frame;
    split[1025] = 200;
    split.insert(split.begin() + 1027, {55, split[1026]});
    writeBytes(source / "f1.bin", frame);
    writeBytes(source / "f2.bin", split);
    writeBytes(source / "f3.bin", {});
    writeText(source / "show.yaml", animationManifest("    frames: [f1.bin, f2.bin, f3.bin]\n"));
    const fs::path unpacked = buildAndUnpack(source, scratch.path());
    ASSERT_FALSE(HasFailure());
    const std::vector<std::string> names = unpackedFrames(unpacked);
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(fs::path(names[0]).extension(), ".png");
    EXPECT_EQ(fs::path(names[1]).extension(), ".bin");
    EXPECT_EQ(fs::path(names[2]).extension(), ".bin");
    const PalettePicture picture = framePicture(unpacked / names[0]);
    EXPECT_EQ(colourAt(picture, 0, 0), (std::array<uint8_t, 4>{0, 255, 0, 0}));  // a transparent entry
    EXPECT_EQ(colourAt(picture, 1023, 5)[0], 21);
    EXPECT_EQ(fileBytes(unpacked / names[1]), std::vector<char>(split.begin(), split.end()));
}

TEST(AnimationFrames, FolderOfPicturesIsFittedAndQuantisedToOnePalette) {
    CapturedMessageBoxes boxes;
    ScratchDir scratch;
    const fs::path source = fs::path(scratch.path()) / "source";
    fs::create_directories(source / "art");
    // Three 320x240 RGB pictures in four colours: the palette holds them exactly.
    const uint8_t colours[4][3] = {{250, 10, 10}, {10, 250, 10}, {10, 10, 250}, {200, 200, 0}};
    for (int f = 0; f < 3; ++f) {
        std::vector<uint8_t> rgb(320 * 240 * 3);
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x) std::memcpy(&rgb[(static_cast<size_t>(y) * 320 + x) * 3], colours[(x / 80 + f) % 4], 3);
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = 320;
        image.height = 240;
        image.format = PNG_FORMAT_RGB;
        const std::string name = (source / "art" / ("frame" + std::to_string(f) + ".png")).string();
        ASSERT_TRUE(png_image_write_to_file(&image, name.c_str(), 0, rgb.data(), 0, nullptr));
    }
    writeText(source / "art" / "notes.txt", "not a frame\n");
    writeText(source / "show.yaml", animationManifest("    import: art\n"));
    const fs::path unpacked = buildAndUnpack(source, scratch.path());
    ASSERT_FALSE(HasFailure());
    const std::vector<std::string> names = unpackedFrames(unpacked);
    ASSERT_EQ(names.size(), 3u);
    for (int f = 0; f < 3; ++f) {
        SCOPED_TRACE(f);
        const PalettePicture picture = framePicture(unpacked / names[static_cast<size_t>(f)]);
        // 320x240 scaled by 3.2 fills the width and 768 rows between black bars of 128 rows.
        EXPECT_EQ(colourAt(picture, 512, 0), (std::array<uint8_t, 4>{0, 0, 0, 255}));
        EXPECT_EQ(colourAt(picture, 512, 1023), (std::array<uint8_t, 4>{0, 0, 0, 255}));
        for (int stripe = 0; stripe < 4; ++stripe) {
            const uint8_t* c = colours[(stripe + f) % 4];
            EXPECT_EQ(colourAt(picture, stripe * 256 + 128, 512), (std::array<uint8_t, 4>{c[0], c[1], c[2], 255}));
        }
    }

    // The animation's frames limit.
    writeText(source / "show.yaml", animationManifest("    import: art\n    maxFrames: 2\n"));
    const fs::path two = fs::path(scratch.path()) / "two";
    fs::create_directories(two);
    ASSERT_FALSE(HasFailure());
    const fs::path again = buildAndUnpack(source, two);
    EXPECT_EQ(unpackedFrames(again).size(), 2u);
}

TEST(AnimationFrames, GifAndVideoClipsGiveAFrameEvery30Ticks) {
    if (!haveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
    CapturedMessageBoxes boxes;
    ScratchDir scratch;
    const fs::path source = fs::path(scratch.path()) / "source";
    fs::create_directories(source);
    // 1 s of GIF at 10 pictures a second and 0.4 s of MPEG-4 video at 25: 30 and 12 stored frames
    // at 899 / 30 frames a second.
    ASSERT_TRUE(run("ffmpeg -y -f lavfi -i testsrc=size=160x120:rate=10:duration=1 '" + (source / "clip.gif").string() + "'"));
    ASSERT_TRUE(run("ffmpeg -y -f lavfi -i testsrc=size=128x96:rate=25:duration=0.4 -c:v mpeg4 -pix_fmt yuv420p '" +
                    (source / "clip.mp4").string() + "'"));
    struct Case {
        const char* keys;
        size_t frames;
    };
    const Case cases[] = {{"    import: clip.gif\n", 30}, {"    import: clip.mp4\n", 12}, {"    import: clip.mp4\n    maxFrames: 4\n", 4}};
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keys);
        writeText(source / "show.yaml", animationManifest(c.keys));
        const fs::path dir = fs::path(scratch.path()) / std::to_string(++n);
        fs::create_directories(dir);
        const fs::path unpacked = buildAndUnpack(source, dir);
        ASSERT_FALSE(HasFailure());
        const std::vector<std::string> names = unpackedFrames(unpacked);
        ASSERT_EQ(names.size(), c.frames);
        const PalettePicture first = framePicture(unpacked / names.front());
        const PalettePicture last = framePicture(unpacked / names.back());
        // Letterboxed to 1024x768 between opaque black bars; the test pattern moves.
        EXPECT_EQ(colourAt(first, 10, 10), (std::array<uint8_t, 4>{0, 0, 0, 255}));
        EXPECT_EQ(colourAt(first, 1000, 1013), (std::array<uint8_t, 4>{0, 0, 0, 255}));
        EXPECT_NE(first.indices, last.indices);
        // The picture has the pattern's colour bars: many distinct colours in the middle rows.
        std::set<std::array<uint8_t, 4>> seen;
        for (int x = 0; x < 1024; x += 8) seen.insert(colourAt(first, x, 300));
        EXPECT_GE(seen.size(), 6u);
    }

    // A file that is no clip is reported where it is named.
    writeText(source / "junk.mp4", "not a video at all\n");
    writeText(source / "show.yaml", animationManifest("    import: junk.mp4\n"));
    const BuildResult bad = buildShow(source.string(), (fs::path(scratch.path()) / "bad" / "data.pak").string());
    ASSERT_EQ(bad.problems.size(), 1u);
    EXPECT_EQ(bad.problems[0].text().rfind("show.yaml:3:13: a clip (animated GIF or video) at 'junk.mp4'", 0), 0u)
        << bad.problems[0].text();
    EXPECT_FALSE(fs::exists(fs::path(scratch.path()) / "bad" / "data.pak"));
}

TEST(ShowMusic, AudioFilesAreEncodedAsMp3AndAnMp3IsCopiedAsItStands) {
    if (!haveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed";
    CapturedMessageBoxes boxes;
    ScratchDir scratch;
    const fs::path source = fs::path(scratch.path()) / "source";
    fs::create_directories(source);
    ASSERT_TRUE(run("ffmpeg -y -f lavfi -i sine=frequency=440:sample_rate=22050:duration=2 -ac 1 '" +
                    (source / "tone.wav").string() + "'"));
    ASSERT_TRUE(run("ffmpeg -y -f lavfi -i sine=frequency=330:sample_rate=48000:duration=1.5 -ac 2 '" +
                    (source / "tone.flac").string() + "'"));
    ASSERT_TRUE(run("ffmpeg -y -f lavfi -i sine=frequency=220:sample_rate=44100:duration=1 -c:a libmp3lame '" +
                    (source / "given.mp3").string() + "'"));
    const std::string kTracks = "tracks: []\n";
    struct Case {
        const char* file;
        double seconds;
    };
    for (const Case& c : {Case{"tone.wav", 2.0}, Case{"tone.flac", 1.5}}) {
        SCOPED_TRACE(c.file);
        writeText(source / "show.yaml", std::string("music: ") + c.file + "\n" + kTracks);
        const fs::path out = fs::path(scratch.path()) / c.file;
        const BuildResult built = buildShow(source.string(), (out / "data.pak").string());
        ASSERT_TRUE(built.ok()) << firstProblem(built);
        const fs::path mp3 = out / "music.mp3";
        ASSERT_TRUE(fs::is_regular_file(mp3));
        EXPECT_FALSE(fs::exists(out / ".music.mp3.part"));
        FILE* probe = popen(("ffprobe -v error -show_entries format=duration:stream=codec_name,sample_rate "
                             "-of default=noprint_wrappers=1 '" + mp3.string() + "'").c_str(), "r");
        ASSERT_NE(probe, nullptr);
        std::map<std::string, std::string> fields;
        char line[256];
        while (std::fgets(line, sizeof line, probe)) {
            std::string text(line);
            const size_t eq = text.find('=');
            if (eq != std::string::npos) fields[text.substr(0, eq)] = text.substr(eq + 1, text.find('\n') - eq - 1);
        }
        pclose(probe);
        EXPECT_EQ(fields["codec_name"], "mp3");
        EXPECT_EQ(fields["sample_rate"], "44100");
        EXPECT_NEAR(std::atof(fields["duration"].c_str()), c.seconds, 0.1);
    }

    writeText(source / "show.yaml", "music: given.mp3\n" + kTracks);
    const fs::path copied = fs::path(scratch.path()) / "copied";
    ASSERT_TRUE(buildShow(source.string(), (copied / "data.pak").string()).ok());
    EXPECT_EQ(fileBytes(copied / "music.mp3"), fileBytes(source / "given.mp3"));

    // Music that does not decode, or is not there, is a problem at its key; nothing is written.
    writeText(source / "noise.wav", "RIFF but not really\n");
    writeText(source / "show.yaml", "tracks: []\nmusic: noise.wav\n");
    const fs::path failed = fs::path(scratch.path()) / "failed";
    BuildResult bad = buildShow(source.string(), (failed / "data.pak").string());
    ASSERT_EQ(bad.problems.size(), 1u);
    EXPECT_EQ(bad.problems[0].text().rfind("show.yaml:2:8: an audio file at 'noise.wav'", 0), 0u) << bad.problems[0].text();
    writeText(source / "show.yaml", "tracks: []\nmusic: gone.ogg\n");
    bad = buildShow(source.string(), (failed / "data.pak").string());
    ASSERT_EQ(bad.problems.size(), 1u);
    EXPECT_EQ(bad.problems[0].text(), "show.yaml:2:8: an existing audio file, not 'gone.ogg'");
    EXPECT_FALSE(fs::exists(failed / "data.pak"));
    EXPECT_FALSE(fs::exists(failed / "music.mp3"));
}

// A mesh node's own triangles with their materials go to an OBJ file; a mesh OBJ cannot hold
// (a face of fewer corners) stays in the YAML; an OBJ written by hand builds with usemtl ids.
TEST(SceneMeshObj, MeshNodesOwnTrianglesTravelAsObjWithTheirMaterials) {
    CapturedMessageBoxes boxes;
    ScratchDir scratch;
    const fs::path source = fs::path(scratch.path()) / "source";
    writeText(source / "show.yaml", "tracks:\n  - cells:\n      - {kind: scene, start: 0, end: 60, scene: s.yaml}\n");
    writeText(source / "s.yaml",
              "materials: [{id: 1, colour: 0xFF0000}, {id: 2, colour: 0x00FF00}]\n"
              "root:\n"
              "  id: 0\n"
              "  children:\n"
              "    - class: StdMesh3D\n"
              "      id: 1\n"
              "      points: [[0.1, 0, 0], [1, 0, 0], [0, 1, -0.3333333], [1e-7, 3.4e38, -0]]\n"
              "      faces: [[3, 0, 1, 2], [3, 1, 2, 3], [3, 3, 2, 0]]\n"
              "      faceMaterials: [2, 2, 1]\n"
              "    - class: StdMesh3D\n"
              "      id: 2\n"
              "      points: [[0, 0, 0], [1, 0, 0]]\n"
              "      faces: [[2, 0, 1, 0]]\n"
              "      material: 1\n"
              "physics: {defaultBounce: 0.5, defaultSlide: 0.5, gravityY: 0}\n");
    const fs::path unpacked = buildAndUnpack(source, scratch.path());
    ASSERT_FALSE(HasFailure());
    std::ifstream in(unpacked / "meshes" / "scene-001-001.obj");
    const std::string obj((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(obj.find("v 1e-07 3.4e+38 -0\n"), std::string::npos) << obj;
    EXPECT_NE(obj.find("usemtl 2\nf 1 2 3\nf 2 3 4\nusemtl 1\nf 4 3 1\n"), std::string::npos) << obj;
    EXPECT_FALSE(fs::exists(unpacked / "meshes" / "scene-001-002.obj"));
    const YAML::Node scene = YAML::LoadFile((unpacked / "scenes" / "001-unnamed.yaml").string());
    EXPECT_EQ(scene["root"]["children"][0]["obj"].as<std::string>(), "meshes/scene-001-001.obj");
    EXPECT_TRUE(scene["root"]["children"][1]["faces"].IsSequence());

    // By hand: a quad is refused, and a usemtl that is no id.
    writeText(source / "hand.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nusemtl seven\nf 1 2 3 4\n");
    writeText(source / "s.yaml",
              "root:\n  id: 0\n  children:\n    - {class: StdMesh3D, id: 1, obj: hand.obj}\n"
              "physics: {defaultBounce: 0.5, defaultSlide: 0.5, gravityY: 0}\n");
    const BuildResult bad = buildShow(source.string(), (fs::path(scratch.path()) / "bad.pak").string());
    ASSERT_EQ(bad.problems.size(), 2u) << firstProblem(bad);
    EXPECT_EQ(bad.problems[0].text(), "s.yaml:4:38: a material id after usemtl, not 'seven', in hand.obj line 5");
    EXPECT_EQ(bad.problems[1].text(),
              "s.yaml:4:38: faces of 1 to 3 corners in hand.obj (a mesh node's faces are triangles at most)");
}

TEST(ImportedMaterials, AModelsDiffuseColoursBecomeTheScenesMaterials) {
    const fs::path models = "/usr/share/assimp/models/OBJ";
    if (!fs::exists(models / "regr01.obj")) GTEST_SKIP() << "assimp-testmodels is not installed";
    CapturedMessageBoxes boxes;
    ScratchDir scratch;
    const fs::path source = fs::path(scratch.path()) / "source";
    fs::create_directories(source);
    fs::copy_file(models / "regr01.obj", source / "regr01.obj");
    fs::copy_file(models / "regr01.mtl", source / "regr01.mtl");
    // The diffuse colours the material file gives (Kd lines), as 0xRRGGBB.
    std::set<int32_t> fileColours;
    {
        std::ifstream mtl(models / "regr01.mtl");
        std::string line;
        while (std::getline(mtl, line)) {
            float r, g, b;
            if (std::sscanf(line.c_str(), " Kd %f %f %f", &r, &g, &b) == 3)
                fileColours.insert(static_cast<int32_t>(std::lround(r * 255) << 16 | std::lround(g * 255) << 8 | std::lround(b * 255)));
        }
    }
    ASSERT_GE(fileColours.size(), 4u);
    // And the lowest opacity of its materials (d lines): the mesh's own, its param.
    float lowestOpacity = 1.0f;
    {
        std::ifstream mtl(models / "regr01.mtl");
        std::string line;
        float d = 1.0f;
        while (std::getline(mtl, line))
            if (std::sscanf(line.c_str(), " d %f", &d) == 1) lowestOpacity = std::min(lowestOpacity, d);
    }
    ASSERT_LT(lowestOpacity, 1.0f);
    // A small model of our own with an opacity, for the mesh's param.
    writeText(source / "glass.obj", "mtllib glass.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl glass\nf 1 2 3\n");
    writeText(source / "glass.mtl", "newmtl glass\nKd 0.2 0.4 0.6\nd 0.5\n");
    writeText(source / "show.yaml",
              "meshes: [house.yaml, glass.yaml]\n"
              "tracks:\n  - cells:\n      - {kind: scene, start: 0, end: 60, scene: s.yaml}\n");
    writeText(source / "house.yaml", "key: \"house\"\nimport: regr01.obj\n");
    writeText(source / "glass.yaml", "key: \"glass\"\nimport: glass.obj\n");
    writeText(source / "s.yaml",
              "materials:\n"
              "  - {id: 1, colour: 0xFFFFFF}\n"
              "  - {mesh: \"house\", firstId: 100}\n"
              "  - {mesh: \"glass\", firstId: 900}\n"
              "root:\n"
              "  id: 0\n"
              "  children:\n"
              "    - {class: StdMesh3D, id: 1, sharedPoints: \"house\", sharedFaces: \"house\", meshMaterials: 100}\n"
              "    - {class: StdMesh3D, id: 2, sharedPoints: \"glass\", sharedFaces: \"glass\", meshMaterials: 900}\n"
              "physics: {defaultBounce: 0.5, defaultSlide: 0.5, gravityY: 0}\n");
    const fs::path unpacked = buildAndUnpack(source, scratch.path());
    ASSERT_FALSE(HasFailure());

    ImportedMesh house;
    std::string error;
    ASSERT_TRUE(importMeshFile((source / "regr01.obj").string(), {}, &house, &error)) << error;
    const YAML::Node scene = YAML::LoadFile((unpacked / "scenes" / "001-unnamed.yaml").string());
    std::map<int32_t, int32_t> colourOf;
    for (const auto& m : scene["materials"]) colourOf[m["id"].as<int32_t>()] = static_cast<int32_t>(std::stol(m["colour"].as<std::string>(), nullptr, 16));
    // Every colour of the file's materials that a face uses is a material; each face's material
    // has its face's colour.
    const YAML::Node faces = scene["root"]["children"][0]["faceMaterials"];
    ASSERT_EQ(faces.size(), house.faces.size());
    std::set<int32_t> used;
    for (size_t i = 0; i < faces.size(); ++i) {
        const int32_t id = faces[i].as<int32_t>();
        ASSERT_TRUE(colourOf.count(id)) << id;
        EXPECT_GE(id, 100);
        EXPECT_EQ(colourOf[id], house.faceColours[i]) << i;
        used.insert(colourOf[id]);
    }
    for (int32_t c : fileColours) EXPECT_TRUE(used.count(c)) << std::hex << c;
    EXPECT_EQ(colourOf[1], 0xFFFFFF);
    EXPECT_EQ(colourOf[900], 0x336699);
    EXPECT_EQ(scene["root"]["children"][0]["param"].as<float>(), lowestOpacity);
    EXPECT_EQ(scene["root"]["children"][1]["param"].as<float>(), 0.5f);

    // Ids past the library's 1000 and a mesh that was not imported are problems at their keys.
    writeText(source / "s.yaml",
              "materials:\n"
              "  - {mesh: \"house\", firstId: 998}\n"
              "root:\n"
              "  id: 0\n"
              "  children:\n"
              "    - {class: StdMesh3D, id: 1, points: [[0, 0, 0]], faces: [[1, 0, 0, 0]], meshMaterials: 1}\n"
              "physics: {defaultBounce: 0.5, defaultSlide: 0.5, gravityY: 0}\n");
    const BuildResult bad = buildShow(source.string(), (fs::path(scratch.path()) / "bad.pak").string());
    ASSERT_EQ(bad.problems.size(), 2u) << firstProblem(bad);
    EXPECT_EQ(bad.problems[0].text().rfind("s.yaml:2:30: a material id from 0 to 990 (the mesh has 10 colours), not '998'", 0), 0u) << bad.problems[0].text();
    EXPECT_EQ(bad.problems[1].text(), "s.yaml:6:92: a mesh whose sharedFaces names an imported registry mesh");
}
