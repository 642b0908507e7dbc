// make_seeds: writes the starting corpora of the fuzz targets from the sample show and the FLI/FLC
// test files, and the hostile pack shapes that once cost far more than their size.
//
//   make_seeds SAMPLE_SHOW_DIR SOURCE_DIR
//
// SAMPLE_SHOW_DIR holds data.pak (as tools/make_show writes it); the corpora go to
// SOURCE_DIR/fuzz/corpus/<target>/, replacing the files of the same names.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/animation.h"
#include "app/cell.h"
#include "app/timeline.h"
#include "data/mesh_registry.h"
#include "data/message_box.h"
#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "fuzz/fuzz_support.h"
#include "scene/controller_set.h"
#include "scene/group3d.h"
#include "scene/material_library.h"
#include "tools/show_source/show_source.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

fs::path gCorpus;

void save(const std::string& target, const std::string& name, const Bytes& bytes) {
    const fs::path dir = gCorpus / target;
    fs::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                      static_cast<std::streamsize>(bytes.size()));
    std::printf("%s/%s: %zu bytes\n", target.c_str(), name.c_str(), bytes.size());
}

// The pack as the players read it: one gzip stream.
Bytes gzipped(const Bytes& raw) {
    const std::string path = (fs::temp_directory_path() / "make_seeds.pak").string();
    PackWriter w;
    w.open(path.c_str());
    w.writeBytes(raw.data(), raw.size());
    w.close();
    std::ifstream in(path, std::ios::binary);
    Bytes out((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fs::remove(path);
    return out;
}

Bytes slice(const Bytes& b, uint64_t from, uint64_t to) { return Bytes(b.begin() + ptrdiff_t(from), b.begin() + ptrdiff_t(to)); }

void append(Bytes& to, const Bytes& from) { to.insert(to.end(), from.begin(), from.end()); }

Bytes ints(std::initializer_list<int32_t> values) {
    PackWriter w;
    w.openMemory();
    for (int32_t v : values) w.writeInt(v);
    return w.bytes();
}

// A cell record's header: fields 1 to 8, times in frames, an empty name.
void cellHeader(PackWriter& w, int32_t type, int32_t start, int32_t end) {
    for (int32_t v : {0, type, 0}) w.writeInt(v);
    w.writeString("");
    for (int32_t v : {start, end, 0, 0}) w.writeInt(v);
}

// The scene payload of a cell: no materials, a background, a root with the given children
// (written by writeChildren), a physics record written by writePhysics, no controllers.
template <typename Children, typename Physics>
void scenePayload(PackWriter& w, Children writeChildren, Physics writePhysics) {
    w.writeInt(0);                                  // materials
    for (int i = 0; i < 3; ++i) w.writeFloat(0.2f);  // background
    writeChildren(w);
    writePhysics(w);
    ControllerSet().save(w);
}

// A node record: no properties, id, no children; position 0, identity quaternion, scale 1.
void nodeRecord(PackWriter& w, int32_t id, int32_t properties = 0) {
    w.writeInt(properties);
    for (int32_t p = 0; p < properties; ++p) {
        w.writeString(("p" + std::to_string(p)).c_str());
        w.writeString("v");
    }
    for (int32_t v : {id, 0, 0}) w.writeInt(v);
    w.writeFloat(1.0f);
    w.writeString("");
    for (float f : {0.f, 0.f, 0.f, 0.f, 0.f, 0.f, 1.f, 1.f, 1.f, 1.f}) w.writeFloat(f);
}

void physicsHeader(PackWriter& w, int32_t records) {
    w.writeInt(records);
    w.writeInt(0);
    for (float f : {0.1f, 0.2f, -0.001f, 0.0f}) w.writeFloat(f);
}

// An empty mesh section, no library animations, and one track of cells written by writeCells.
template <typename Cells>
Bytes oneTrackPack(int32_t cells, Cells writeCells) {
    PackWriter w;
    w.openMemory();
    for (int32_t v : {0, 0, 0, 1, cells}) w.writeInt(v);
    writeCells(w);
    return w.bytes();
}

// A show source file as the show_source target takes it: a byte that picks the file (0 the
// manifest, 1 the scene), then the file.
void saveSourceFile(const std::string& name, uint8_t which, const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    Bytes seed{which};
    seed.insert(seed.end(), std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    save("show_source", name, seed);
}

// The starter example's manifest and scene, and the sample show's unpacked manifest and scenes.
void writeSourceSeeds(const fs::path& sampleShow, const fs::path& sourceDir) {
    const fs::path starter = sourceDir / "examples" / "starter";
    saveSourceFile("starter_show.yaml", 0, starter / "show.yaml");
    saveSourceFile("starter_scene.yaml", 1, starter / "scenes" / "cube.yaml");
    const fs::path unpacked = fs::temp_directory_path() / "make_seeds_source";
    std::string error;
    if (!unpackShow((sampleShow / "data.pak").string(), unpacked.string(), &error)) {
        std::fprintf(stderr, "make_seeds: %s\n", error.c_str());
        return;
    }
    saveSourceFile("sample_show.yaml", 0, unpacked / "show.yaml");
    for (const auto& entry : fs::directory_iterator(unpacked / "scenes"))
        saveSourceFile("sample_" + entry.path().filename().string(), 1, entry.path());
    std::error_code ec;
    fs::remove_all(unpacked, ec);
}

void writeHostilePacks() {
    // 600 pictures whose bytes are no zlib stream.
    save("show_load", "hostile_bad_pictures.pak", gzipped(oneTrackPack(600, [](PackWriter& w) {
        for (int i = 0; i < 600; ++i) {
            cellHeader(w, kCellPicture, i, i + 1);
            w.writeInt(3);
            w.writeBytes("bad", 3);
            w.writeInt(0);
        }
    })));

    // 100,000 library animations with distinct names and 100,000 cells naming none of them.
    {
        PackWriter w;
        w.openMemory();
        w.writeInt(0);
        w.writeInt(100000);
        for (int i = 0; i < 100000; ++i) {
            w.writeInt(0);
            w.writeString(("a" + std::to_string(i)).c_str());
            w.writeInt(-1);
        }
        for (int32_t v : {0, 1, 100000}) w.writeInt(v);
        for (int i = 0; i < 100000; ++i) {
            cellHeader(w, kCellAnimation, i, i + 1);
            w.writeInt(0);
            w.writeString("b");
            w.writeInt(0);
        }
        save("show_load", "hostile_animations.pak", gzipped(w.bytes()));
    }

    // 100,000 mesh entries with distinct keys and nothing else.
    {
        PackWriter w;
        w.openMemory();
        w.writeInt(100000);
        for (int i = 0; i < 100000; ++i) {
            w.writeInt(0);
            w.writeString(("k" + std::to_string(i)).c_str());
            w.writeString("");
            w.writeInt(0);
            w.writeInt(0);
        }
        for (int32_t v : {0, 0, 0}) w.writeInt(v);
        save("show_load", "hostile_registry.pak", gzipped(w.bytes()));
    }

    // One scene of 10,000 groups and 100,000 body records naming a node that does not exist.
    save("show_load", "hostile_physics.pak", gzipped(oneTrackPack(1, [](PackWriter& w) {
        cellHeader(w, kCellScene, 0, 10);
        scenePayload(
            w,
            [](PackWriter& w) {
                nodeRecord(w, 0);
                w.writeInt(10000);
                for (int i = 1; i <= 10000; ++i) {
                    w.writeInt(1);
                    w.writeInt(0x10);  // a group
                    nodeRecord(w, i);
                    w.writeInt(0);
                }
            },
            [](PackWriter& w) {
                physicsHeader(w, 100000);
                for (int i = 0; i < 100000; ++i) {
                    w.writeInt(2);
                    w.writeInt(20000 + i % 7);
                }
            });
        w.writeInt(0);
    })));

    // 1,000 meshes that name a shared-points key the registry does not hold, and a node with
    // 60,000 properties.
    save("show_load", "hostile_boxes.pak", gzipped(oneTrackPack(1, [](PackWriter& w) {
        cellHeader(w, kCellScene, 0, 10);
        scenePayload(
            w,
            [](PackWriter& w) {
                nodeRecord(w, 0, 60000);
                w.writeInt(1000);
                for (int i = 1; i <= 1000; ++i) {
                    w.writeInt(1);
                    w.writeInt(0x0C);  // a mesh
                    w.writeInt(0);     // frozen
                    w.writeInt(1);
                    w.writeString("no such key");
                    w.writeInt(0);  // inline faces
                    w.writeInt(0);
                    w.writeShort(0);
                    nodeRecord(w, i);
                    w.writeInt(0);
                }
            },
            [](PackWriter& w) { physicsHeader(w, 0); });
        w.writeInt(0);
    })));

    // A library animation that plays an FLC file that is not there.
    {
        PackWriter w;
        w.openMemory();
        for (int32_t v : {0, 1, 1}) w.writeInt(v);
        w.writeString("gone");
        w.writeString("missing.flc");
        for (int32_t v : {0, 0}) w.writeInt(v);
        save("show_load", "hostile_missing_flc.pak", gzipped(w.bytes()));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_seeds SAMPLE_SHOW_DIR SOURCE_DIR\n");
        return 2;
    }
    gCorpus = fs::absolute(fs::path(argv[2]) / "fuzz" / "corpus");
    setMessageBoxSink([](const MessageBoxCall&) { return MessageBoxResult::Ok; });
    const Bytes sample = readPackStream((fs::path(argv[1]) / "data.pak").c_str());
    if (sample.empty()) {
        std::fprintf(stderr, "make_seeds: no data.pak in %s\n", argv[1]);
        return 1;
    }
    save("show_load", "sample.pak", sample);

    // Walk the sample's sections to slice it: the mesh section, the library, each cell.
    PackReader reader;
    reader.setFolder(argv[1]);  // the library names spinner.flc
    reader.openMemory(sample.data(), sample.size(), "data.pak");
    MeshRegistry registry;
    registry.loadEntries(reader);
    const Bytes meshSection = slice(sample, 0, reader.offset());
    Timeline timeline;
    NamedList<Animation> library;
    const int32_t animations = reader.getInt();
    for (int32_t i = 0; i < animations; ++i) {
        auto* a = new Animation();
        a->load(reader);
        library.addLast(a);
    }
    reader.getInt();
    const int32_t tracks = reader.getInt();
    int scene = 0;
    for (int32_t t = 0; t < tracks; ++t) {
        const int32_t cells = reader.getInt();
        for (int32_t c = 0; c < cells; ++c) {
            const uint64_t from = reader.offset();
            int32_t start = 0, end = 0;
            Cell* cell = timeline.loadCell(reader, &start, &end, registry);
            const Bytes record = slice(sample, from, reader.offset());
            // The mesh section, a "wipe" of one small frame, the spinner and one cell: small
            // seeds keep the fuzzer fast.
            Bytes pack = meshSection;
            PackWriter lib;
            lib.openMemory();
            lib.writeInt(2);
            lib.writeInt(0);
            lib.writeString("wipe");
            Bytes frame(1 + 1024, 0x40);  // a palette record, then one run of 200 pixels
            frame[0] = 0;
            frame.insert(frame.end(), {200, 1});
            lib.writeInt(static_cast<int32_t>(frame.size()));
            lib.writeBytes(frame.data(), frame.size());
            lib.writeInt(-1);
            lib.writeInt(1);
            lib.writeString("spinner");
            lib.writeString("spinner.flc");
            append(pack, lib.bytes());
            append(pack, ints({0, 1, 1}));
            append(pack, record);
            save("show_load", "cell_" + std::to_string(t) + "_" + std::to_string(c) + ".pak", pack);
            if (cell && cell->getKind() == kCellScene) {
                // The payload runs from after fields 1 to 8 to the key count (no key records).
                const uint64_t nameLength = record[12] | (record[13] << 8) | (record[14] << 16);
                Bytes seed = meshSection;
                append(seed, slice(record, 32 + nameLength, record.size() - 4));
                save("scene_record", "scene_" + std::to_string(scene++) + ".bin", seed);
            }
        }
    }
    for (int f = 0; f < 3; ++f) {
        Frame* frame = library.getAt(0)->frames().getAt(f * 10);
        save("packed_frame", "wipe_" + std::to_string(f) + ".bin",
             Bytes(frame->data, frame->data + frame->length));
    }
    for (const char* name : {"2422.flc", "hopper.fli", "a.fli"}) {
        std::ifstream in(fs::path(argv[2]) / "tests/data_files/flic" / name, std::ios::binary);
        save("fli_file", name, Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
    }
    writeHostilePacks();
    writeSourceSeeds(argv[1], argv[2]);
    return reader.failed() ? 1 : 0;
}
