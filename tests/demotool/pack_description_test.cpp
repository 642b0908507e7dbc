// demotool inspect on the test show: the structure read through the loaders, the text and JSON
// forms printed by the program, and a damaged pack.
#include <gtest/gtest.h>

#include "demotool_runner.h"
#include "platform/message_box.h"
#include "tools/demotool/pack_description.h"

namespace {

TEST(ShowInspector, DescribesEveryPartOfThePack) {
    ScratchDir dir;
    ASSERT_TRUE(writePack(dir / "data.pak", testShowStream()));
    CapturedMessageBoxes boxes;
    nlohmann::ordered_json d;
    std::string error;
    ASSERT_TRUE(inspectPack(dir / "data.pak", &d, &error)) << error;
    EXPECT_TRUE(boxes.calls().empty());
    EXPECT_EQ(d["bytes"].get<size_t>(), testShowStream().size());

    ASSERT_EQ(d["meshes"].size(), 1u);
    EXPECT_EQ(d["meshes"][0]["key"], "cube");
    EXPECT_EQ(d["meshes"][0]["points"], 8);
    EXPECT_EQ(d["meshes"][0]["faces"], 24);
    ASSERT_EQ(d["animations"].size(), 1u);
    EXPECT_EQ(d["animations"][0]["name"], "flash");
    EXPECT_EQ(d["animations"][0]["frames"], 1);

    ASSERT_EQ(d["tracks"].size(), 3u);
    const auto& scene = d["tracks"][0]["cells"][0];
    EXPECT_EQ(scene["kind"], "scene");
    EXPECT_EQ(scene["end"]["ticks"], 2700);
    EXPECT_EQ(scene["end"]["frames"], 90.0);
    EXPECT_NEAR(scene["end"]["seconds"].get<double>(), 2700 / 899.0, 1e-9);
    EXPECT_EQ(scene["out"]["ticks"], 2700);
    const auto& flash = d["tracks"][1]["cells"][0];
    EXPECT_EQ(flash["kind"], "animation");
    EXPECT_EQ(flash["name"], "flash");
    EXPECT_EQ(flash["start"]["frames"], 40.0);
    const auto& picture = d["tracks"][2]["cells"];
    ASSERT_EQ(picture.size(), 1u);  // the closing key repeats the last cell: listed once
    EXPECT_EQ(picture[0]["kind"], "picture");

    const auto& tree = scene["scene"]["tree"];
    EXPECT_EQ(tree["type"], "Scene3D");
    ASSERT_EQ(tree["children"].size(), 3u);
    const auto& floor = tree["children"][0];
    EXPECT_EQ(floor["type"], "StdMesh3D");
    EXPECT_EQ(floor["id"], 1);
    EXPECT_EQ(floor["name"], "floor");
    EXPECT_EQ(floor["kinds"], nlohmann::ordered_json({"MeshA", "Mesh"}));
    EXPECT_EQ(floor["properties"]["cinetic_param"], "fix");
    const auto& rig = tree["children"][2];
    EXPECT_EQ(rig["kinds"], nlohmann::ordered_json({"Group"}));
    ASSERT_EQ(rig["children"].size(), 1u);
    EXPECT_EQ(rig["children"][0]["name"], "mover");
    EXPECT_EQ(rig["children"][0]["properties"]["note"], "shared mesh");

    const auto& controllers = scene["scene"]["controllers"]["list"];
    ASSERT_EQ(controllers.size(), 1u);
    EXPECT_EQ(controllers[0]["target"], 3);
    EXPECT_EQ(controllers[0]["node"], "rig");
    EXPECT_EQ(controllers[0]["tracks"], nlohmann::ordered_json({{"position", 2}}));

    const auto& physics = scene["scene"]["physics"];
    EXPECT_FLOAT_EQ(physics["gravityY"].get<float>(), -0.05f);
    const auto& records = physics["records"];
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0]["kind"], "mesh body");
    EXPECT_EQ(records[0]["nodeName"], "floor");
    EXPECT_EQ(records[0]["body"], "fixed");
    EXPECT_EQ(records[1]["kind"], "free mesh body");
    EXPECT_EQ(records[1]["body"], "moving");
    EXPECT_EQ(records[2]["kind"], "plane");
    EXPECT_EQ(records[2]["plane"], nlohmann::ordered_json({0.0, 1.0, 0.0, 200.0}));
}

TEST(DemotoolInspect, PrintsTextAndJsonAndRefusesADamagedPack) {
    ScratchDir dir;
    ASSERT_TRUE(writePack(dir / "data.pak", testShowStream()));
    RunResult r = runShell("cd " + shellQuote(dir.path()) + " && " + shellQuote(DEMOTOOL_PROGRAM) + " inspect",
                           dir.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* line : {"meshes: 1\n", "  \"cube\" name \"cube\": 8 points, 24 faces\n",
                             "\"flash\" mode 0, packed frames, 1 frame\n", "tracks: 3\n",
                             "    cell 0: scene  start frame 0 (0.000 s), end frame 90 (3.003 s), in frame 0 "
                             "(0.000 s), out frame 90 (3.003 s)\n",
                             "        Scene3D #0 \"The Scene\" [Group]\n",
                             "          StdMesh3D #1 \"floor\" [MeshA, Mesh]  cinetic_param=fix\n",
                             "            StdMesh3D #4 \"mover\" [MeshA, Mesh]  note=shared mesh\n",
                             "        node #3 \"rig\": position 2 keys\n",
                             "        plane (type 4) (0, 1, 0, 200): fixed body\n", "cell 0: animation \"flash\"",
                             "cell 0: picture"})
        EXPECT_NE(r.out.find(line), std::string::npos) << "missing: " << line << "\nin:\n" << r.out;

    r = runDemotool({"inspect", "--json", dir / "data.pak"}, dir.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto json = nlohmann::json::parse(r.out, nullptr, false);
    ASSERT_FALSE(json.is_discarded()) << r.out;
    EXPECT_EQ(json["tracks"][0]["cells"][0]["scene"]["tree"]["children"][1]["name"], "box");

    // Cut inside the scene: the loader's error, with the offset of the read that failed, and
    // exit code 1.
    std::vector<uint8_t> stream = testShowStream();
    stream.resize(stream.size() * 2 / 5);
    ASSERT_TRUE(writePack(dir / "cut.pak", stream));
    r = runDemotool({"inspect", dir / "cut.pak"}, dir.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    const size_t at = r.err.find("cut.pak: truncated at byte ");
    ASSERT_NE(at, std::string::npos) << r.err;
    const unsigned long offset = std::stoul(r.err.substr(at + 27));
    EXPECT_GT(offset, 9000u);  // past the animation frame
    EXPECT_LE(offset, stream.size());
    EXPECT_NE(r.err.find(" while reading "), std::string::npos) << r.err;
    // A gzip file cut short is reported the same way.
    const std::string whole = readWholeFile(dir / "data.pak");
    std::ofstream(dir / "short.pak", std::ios::binary) << whole.substr(0, whole.size() / 2);
    r = runDemotool({"inspect", "--json", dir / "short.pak"}, dir.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(" at byte "), std::string::npos) << r.err;
    r = runDemotool({"inspect", dir / "absent.pak"}, dir.path());
    EXPECT_EQ(r.exitCode, 1);
}

}  // namespace
