// demotool inspect on the test show: the structure in the text and JSON forms the program
// prints, and damaged or missing packs refused with exit code 1.
#include <gtest/gtest.h>

#include "demotool_runner.h"

namespace {

TEST(DemotoolInspect, PrintsTheStructureAsTextAndJson) {
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
    const auto d = nlohmann::json::parse(r.out, nullptr, false);
    ASSERT_FALSE(d.is_discarded()) << r.out;
    EXPECT_EQ(d["bytes"].get<size_t>(), testShowStream().size());
    ASSERT_EQ(d["tracks"].size(), 3u);
    const auto& scene = d["tracks"][0]["cells"][0];
    EXPECT_EQ(scene["end"]["ticks"], 2700);
    EXPECT_NEAR(scene["end"]["seconds"].get<double>(), 2700 / 899.0, 1e-9);
    EXPECT_EQ(d["tracks"][1]["cells"][0]["start"]["frames"], 40.0);
    EXPECT_EQ(d["tracks"][2]["cells"].size(), 1u) << "the closing key repeats the last cell: listed once";
    const auto& tree = scene["scene"]["tree"];
    ASSERT_EQ(tree["children"].size(), 3u);
    EXPECT_EQ(tree["children"][1]["name"], "box");
    EXPECT_EQ(tree["children"][2]["kinds"], nlohmann::json({"Group"}));
    const auto& records = scene["scene"]["physics"]["records"];
    ASSERT_EQ(records.size(), 3u);
    const char* expected[3][2] = {{"mesh body", "fixed"}, {"free mesh body", "moving"}, {"plane", "fixed"}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(records[i]["kind"], expected[i][0]) << i;
        EXPECT_EQ(records[i]["body"], expected[i][1]) << i;
    }
}

TEST(DemotoolInspect, RefusesDamagedAndMissingPacks) {
    ScratchDir dir;
    // Cut inside the scene: the loader's error, with the offset of the read that failed.
    std::vector<uint8_t> stream = testShowStream();
    stream.resize(stream.size() * 2 / 5);
    ASSERT_TRUE(writePack(dir / "cut.pak", stream));
    RunResult r = runDemotool({"inspect", dir / "cut.pak"}, dir.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    const size_t at = r.err.find("cut.pak: truncated at byte ");
    ASSERT_NE(at, std::string::npos) << r.err;
    const unsigned long offset = std::stoul(r.err.substr(at + 27));
    EXPECT_GT(offset, 9000u);  // past the animation frame
    EXPECT_LE(offset, stream.size());
    EXPECT_NE(r.err.find(" while reading "), std::string::npos) << r.err;
    // A gzip file cut short is reported the same way.
    ASSERT_TRUE(writePack(dir / "data.pak", testShowStream()));
    const std::string whole = readWholeFile(dir / "data.pak");
    std::ofstream(dir / "short.pak", std::ios::binary) << whole.substr(0, whole.size() / 2);
    r = runDemotool({"inspect", "--json", dir / "short.pak"}, dir.path());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(" at byte "), std::string::npos) << r.err;
    EXPECT_EQ(runDemotool({"inspect", dir / "absent.pak"}, dir.path()).exitCode, 1);
}

// A mesh entry whose faces reach outside its points loads; the first such face is reported once,
// with how many more there are.
TEST(DemotoolInspect, FacesOutsideTheirPointsAreReportedOnce) {
    PackWriter w;
    w.openMemory();
    w.writeInt(1);  // one mesh entry: tag, key, name, three points
    w.writeInt(0);
    w.writeString("tri");
    w.writeString("tri");
    w.writeInt(3);
    for (int i = 0; i < 9; ++i) w.writeFloat(static_cast<float>(i));
    w.writeInt(3);  // faces: a sound one, then two that name point 7
    for (int32_t word : {3, 0, 1, 2, 3, 0, 1, 7, 3, 7, 1, 2}) w.writeInt(word);
    for (int32_t v : {0, 0, 0}) w.writeInt(v);  // no animations, the unused word, no tracks
    ScratchDir dir;
    ASSERT_TRUE(writePack(dir / "data.pak", w.bytes()));
    const RunResult r = runDemotool({"inspect", dir / "data.pak"}, dir.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("warning: data.pak: face point index 7 outside 0..2 (the face is not drawn) at byte 98 "
                         "while reading a mesh face; 1 more like it\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"tri\" name \"tri\": 3 points, 3 faces\n"), std::string::npos) << r.out;
}

}  // namespace
