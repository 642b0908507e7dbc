// demotool inspect on a pack whose mesh entry has faces reaching outside its points: the pack
// loads, and the first such face is reported once, with how many more there are.
#include <gtest/gtest.h>

#include "data/pack_writer.h"
#include "demotool_runner.h"
#include "test_show.h"

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
