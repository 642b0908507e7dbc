// demotool timeline on a pack written here with the clips' own save operations: the SVG parses,
// each cell's box spans what the player draws (grace apart) against the picture's own ruler, and
// carries its label, names from the pack escaped.
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdio>
#include <memory>

#include "app/animation.h"
#include "app/frame_buffer.h"
#include "app/picture_clip.h"
#include "app/scene_clip.h"
#include "app/timeline.h"
#include "data/mesh_registry.h"
#include "data/pack_writer.h"
#include "demotool_runner.h"
#include "platform/gl/gl_window.h"
#include "scene/controller_set.h"
#include "scene/material_library.h"
#include "scene/scene3d.h"
#include "scene/ticks.h"
#include "scene/track.h"
#include "support/captured_message_boxes.h"
#include "tools/demotool/timeline_picture.h"

namespace {

constexpr const char* kHostileName = "b<&\"'>\x01\xff";

// Frames of 30 ticks. Track 0: a scene (in 10, out 50) that stops at its closing key, before its
// end. Track 1: a picture cut by the next key, then an animation that draws its grace. Track 2: a
// picture with its grace before a gap, then a last picture that stops at its closing key.
bool writeTimelinePack(const std::string& path) {
    CapturedMessageBoxes boxes;  // saving a picture reports "Z_OK"
    resetAnimationList();
    MeshRegistry registry;
    Timeline timeline;
    timeline.setTrackCount(3);

    auto* scene = new Scene3D();
    scene->setName("Harbour");
    auto* clip = new SceneClip(&registry);
    clip->setContent(scene, new MaterialLibrary(kSceneMaterialCapacity), new ControllerSet());
    clip->setStart(0);
    clip->setEnd(60 * 30);
    clip->setInPoint(10 * 30);
    clip->setLength(50 * 30);
    timeline.addCell(0, clip, true);

    static const std::vector<uint8_t> pixels(kFrameBufferBytes, 200);
    static uint8_t frame[3] = {1, 2, 3};
    auto* library = new Animation();
    library->setName(kHostileName);
    for (int i = 0; i < 3; ++i) library->addFrame(frame, 3);
    animationList->addLast(library);
    const auto picture = [&](int track, int start, int end, bool last) {
        auto* p = new PictureClip();
        p->setPixels(pixels.data());
        p->setStart(start * 30);
        p->setEnd(end * 30);
        timeline.addCell(track, p, last);
    };
    picture(1, 0, 15, false);
    auto* animation = new Animation();
    animation->setIsCell(1);
    animation->setName(kHostileName);
    animation->setStart(15 * 30);
    animation->setEnd(60 * 30);
    animation->setLength(60 * 30);
    timeline.addCell(1, animation, true);
    picture(2, 0, 20, false);
    picture(2, 40, 50, true);

    PackWriter writer;
    if (writer.open(path.c_str()) != 0) return false;
    registry.save(writer);
    const bool written = writeTimeline(writer, timeline.content()).ok();
    return writer.close() && written;
}

using XmlDoc = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;

XmlDoc parseXml(const std::string& text) {
    return XmlDoc(xmlReadMemory(text.data(), static_cast<int>(text.size()), "timeline.svg", nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING),
                  xmlFreeDoc);
}

std::string attribute(xmlNode* node, const char* name) {
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    std::string s = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return s;
}

std::string content(xmlNode* node) {
    xmlChar* value = xmlNodeGetContent(node);
    std::string s = value ? reinterpret_cast<const char*>(value) : "";
    xmlFree(value);
    return s;
}

// Every element below node (document order) with the given name and class.
void collect(xmlNode* node, const char* name, const char* cls, std::vector<xmlNode*>* out) {
    for (xmlNode* n = node; n; n = n->next) {
        if (n->type != XML_ELEMENT_NODE) continue;
        if (std::string(reinterpret_cast<const char*>(n->name)) == name && attribute(n, "class") == cls)
            out->push_back(n);
        collect(n->children, name, cls, out);
    }
}

std::vector<xmlNode*> find(xmlNode* node, const char* name, const char* cls) {
    std::vector<xmlNode*> out;
    collect(node, name, cls, &out);
    return out;
}

TEST(DemotoolTimeline, DrawsEachCellWhereThePlayerDrawsIt) {
    ScratchDir dir;
    ASSERT_TRUE(writeTimelinePack(dir / "show.pak"));
    const RunResult r = runDemotool({"timeline", dir / "show.pak", "-o", dir / "t.svg"}, dir.path());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string svg = readWholeFile(dir / "t.svg");
    const XmlDoc doc = parseXml(svg);
    ASSERT_TRUE(doc) << svg;
    xmlNode* root = xmlDocGetRootElement(doc.get());

    // The picture's scale, from its own ruler labels ("m:ss.s").
    const auto labels = find(root, "text", "ruler");
    ASSERT_GE(labels.size(), 2u);
    const auto secondsOf = [](const std::string& text) {
        int minutes = 0;
        double seconds = 0;
        return std::sscanf(text.c_str(), "%d:%lf", &minutes, &seconds) == 2 ? minutes * 60 + seconds : -1.0;
    };
    const double x0 = std::stod(attribute(labels.front(), "x"));
    const double span = secondsOf(content(labels.back())) - secondsOf(content(labels.front()));
    ASSERT_GT(span, 0);
    const double pixelsPerTick = (std::stod(attribute(labels.back(), "x")) - x0) / span / 899.0;

    const std::string animationLabel = "animation \"b<&\"'>\xEF\xBF\xBD\xEF\xBF\xBD\" (3 frames)";
    const struct {
        const char* label;
        int from, to, graceTo;  // ticks; graceTo 0: no grace part
    } expected[] = {
        {"scene \"Harbour\"", 0, 1500, 0},    // closing key at start + out point
        {"picture", 0, 450, 0},               // cut by the next key
        {animationLabel.c_str(), 450, 1800, 1830},
        {"picture", 0, 600, 630},             // the grace, then a gap
        {"picture", 1200, 1500, 0},           // last: stops at its closing key (its end)
    };
    const auto cells = find(root, "g", "cell");
    ASSERT_EQ(cells.size(), std::size(expected));
    for (size_t i = 0; i < cells.size(); ++i) {
        const auto& e = expected[i];
        SCOPED_TRACE(e.label);
        const auto drawn = find(cells[i]->children, "rect", "drawn");
        const auto grace = find(cells[i]->children, "rect", "grace");
        const auto label = find(cells[i]->children, "text", "label");
        ASSERT_EQ(drawn.size(), 1u);
        ASSERT_EQ(grace.size(), e.graceTo ? 1u : 0u);
        ASSERT_EQ(label.size(), 1u);
        EXPECT_EQ(content(label[0]), e.label);
        const double x = std::stod(attribute(drawn[0], "x"));
        EXPECT_NEAR(x, x0 + e.from * pixelsPerTick, 1.0);
        EXPECT_NEAR(x + std::stod(attribute(drawn[0], "width")), x0 + e.to * pixelsPerTick, 1.0);
        if (!e.graceTo) continue;
        const double g = std::stod(attribute(grace[0], "x"));
        EXPECT_NEAR(g, x0 + e.to * pixelsPerTick, 1.0);
        EXPECT_NEAR(g + std::stod(attribute(grace[0], "width")), x0 + e.graceTo * pixelsPerTick, 1.0);
    }
    EXPECT_EQ(find(root, "text", "music-none").size(), 1u) << "no music.mp3 beside the pack";

    // Failures: a pack that is missing or damaged exits with 1 and writes nothing.
    EXPECT_EQ(runDemotool({"timeline", dir / "absent.pak", "-o", dir / "a.svg"}, dir.path()).exitCode, 1);
    std::ofstream(dir / "data.pak", std::ios::binary) << "not a pack";
    EXPECT_EQ(runDemotool({"timeline", "--dir", dir.path(), "-o", dir / "b.svg"}, dir.path()).exitCode, 1);
    EXPECT_FALSE(fileExists(dir / "b.svg"));
}

// The spans agree with the player's own lookup (Track::findAt and the grace rule) at every tick,
// for tracks with gaps, overlaps, keys out of order and empty lengths;
// the badge windows agree with badgeDueAt.
TEST(DemotoolTimeline, SpansAndBadgeWindowsFollowThePlayer) {
    uint32_t state = 12345;
    const auto draw = [&](int n) { return static_cast<int>((state = state * 1103515245u + 12345u) >> 16) % n; };
    for (int round = 0; round < 300; ++round) {
        std::vector<TimelineCell> cells(static_cast<size_t>(1 + draw(5)));
        Track track;
        for (size_t i = 0; i < cells.size(); ++i) {
            TimelineCell& c = cells[i];
            c.start = draw(40) * 30 - 60;
            c.end = c.start + draw(30) * 30 - 150;
            c.length = draw(40) * 30 - 150;
            track.insert(&c, static_cast<int32_t>(c.start));
        }
        track.insert(&cells.back(), static_cast<int32_t>(cells.back().start + cells.back().length));
        const auto spans = trackDrawSpans(cells);
        std::string layout;
        for (size_t i = 0; i < cells.size(); ++i) {
            layout += " [" + std::to_string(cells[i].start) + " " + std::to_string(cells[i].end) + " " +
                      std::to_string(cells[i].length) + ":";
            for (const TickSpan& s : spans[i]) layout += " " + std::to_string(s.from) + "-" + std::to_string(s.to);
            layout += "]";
        }
        SCOPED_TRACE("cells (start end length: spans)" + layout);
        for (int32_t t = 0; t < 1300; ++t) {
            void* values[2] = {};
            int32_t times[2] = {};
            const auto* due = track.findAt(t, values, times) == 0 ? static_cast<TimelineCell*>(values[0]) : nullptr;
            if (due && (t < due->start || t > due->end + kTicksPerFrame)) due = nullptr;
            for (size_t i = 0; i < cells.size(); ++i) {
                bool inside = false;
                for (const TickSpan& s : spans[i]) inside |= s.from <= t && t <= s.to;
                EXPECT_EQ(inside, due == &cells[i]) << "cell " << i << ", tick " << t;
            }
        }
    }

    const auto windows = badgeWindows(1000000);
    ASSERT_FALSE(windows.empty());
    for (size_t i = 0; i < windows.size(); ++i) {
        EXPECT_TRUE(badgeDueAt(static_cast<int>(windows[i].from)) && badgeDueAt(static_cast<int>(windows[i].to)));
        EXPECT_FALSE(windows[i].from > 0 && badgeDueAt(static_cast<int>(windows[i].from - 1)));
        EXPECT_FALSE(windows[i].to < 1000000 && badgeDueAt(static_cast<int>(windows[i].to + 1)));
    }
    for (int ms = 0; ms <= 1000000; ms += 997) {
        bool inside = false;
        for (const TickSpan& w : windows) inside |= w.from <= ms && ms <= w.to;
        EXPECT_EQ(inside, badgeDueAt(ms)) << ms;
    }
}

}  // namespace
