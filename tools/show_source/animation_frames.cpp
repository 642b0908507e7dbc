// Packed animation frames and palette pictures; the median-cut palette and the nearest-colour map.
#include "tools/show_source/animation_frames.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>

#include "tools/make_show/artwork.h"

std::vector<uint8_t> packPaletteFrame(const PalettePicture& picture) {
    // The sample show's own frame packer, on a copy in its picture type.
    IndexedPicture indexed;
    indexed.indices = picture.indices;
    std::memcpy(indexed.palette, picture.palette, sizeof indexed.palette);
    return encodePackedFrame(indexed);
}

bool paletteFrameOf(const std::vector<uint8_t>& frame, PalettePicture* picture) {
    constexpr size_t kHead = 1 + sizeof picture->palette;
    if (frame.size() < kHead + 2 || frame[0] != 0 || (frame.size() - kHead) % 2 != 0) return false;
    std::memcpy(picture->palette, frame.data() + 1, sizeof picture->palette);
    picture->indices.assign(kSourcePicturePixels, 0);
    size_t w = 0;
    for (size_t p = kHead; p < frame.size(); p += 2) {
        const size_t count = frame[p];
        // A zero count would be a second palette record.
        if (count == 0 || count > kSourcePicturePixels - w) return false;
        std::memset(picture->indices.data() + w, frame[p + 1], count);
        w += count;
    }
    return w == kSourcePicturePixels && packPaletteFrame(*picture) == frame;
}

namespace {

using Colour = std::array<uint8_t, 4>;

uint32_t word(const uint8_t* c) { return uint32_t(c[0]) | uint32_t(c[1]) << 8 | uint32_t(c[2]) << 16 | uint32_t(c[3]) << 24; }

struct Counted {
    Colour colour;
    uint64_t count;
};

// A box of the median cut: colours [begin, end) of the list.
struct Box {
    size_t begin, end;
    uint64_t weight;
    int channel;  // the widest one
    int range;    // its extent
};

Box measure(const std::vector<Counted>& colours, size_t begin, size_t end) {
    Box box{begin, end, 0, 0, 0};
    int low[4] = {255, 255, 255, 255};
    int high[4] = {0, 0, 0, 0};
    for (size_t i = begin; i < end; ++i) {
        box.weight += colours[i].count;
        for (int c = 0; c < 4; ++c) {
            low[c] = std::min(low[c], int(colours[i].colour[static_cast<size_t>(c)]));
            high[c] = std::max(high[c], int(colours[i].colour[static_cast<size_t>(c)]));
        }
    }
    for (int c = 0; c < 4; ++c)
        if (high[c] - low[c] > box.range) {
            box.range = high[c] - low[c];
            box.channel = c;
        }
    return box;
}

}  // namespace

int buildFramePalette(const std::vector<RgbaImage>& pictures, uint8_t palette[1024]) {
    for (int i = 0; i < 256; ++i) {
        std::memset(palette + 4 * i, 0, 3);
        palette[4 * i + 3] = 255;
    }
    // The pictures' own pixels (every one, or a sparser grid when there are many, so that the
    // count stays near 16 million), and the black of the bars that fitting adds, by the area they
    // take in the picture's own pixels.
    size_t total = 0;
    for (const RgbaImage& picture : pictures) total += picture.pixels.size() / 4;
    const size_t step = std::max<size_t>(1, total / (size_t(16) << 20)) | 1;
    std::unordered_map<uint32_t, uint64_t> histogram;
    const uint8_t black[4] = {0, 0, 0, 255};
    for (const RgbaImage& picture : pictures) {
        const size_t pixels = picture.pixels.size() / 4;
        for (size_t i = 0; i < pixels; i += step) ++histogram[word(&picture.pixels[i * 4])];
        const double side = std::max(picture.width, picture.height);
        const double bars = (side * side - static_cast<double>(pixels)) / static_cast<double>(step);
        if (bars >= 1.0) histogram[word(black)] += static_cast<uint64_t>(bars);
    }
    std::vector<Counted> colours;
    colours.reserve(histogram.size());
    for (const auto& [w, count] : histogram)
        colours.push_back({Colour{uint8_t(w), uint8_t(w >> 8), uint8_t(w >> 16), uint8_t(w >> 24)}, count});
    // A fixed order whatever the hash table's.
    std::sort(colours.begin(), colours.end(), [](const Counted& a, const Counted& b) { return a.colour < b.colour; });
    if (colours.size() <= 256) {
        for (size_t i = 0; i < colours.size(); ++i) std::memcpy(palette + 4 * i, colours[i].colour.data(), 4);
        return static_cast<int>(colours.size());
    }
    std::vector<Box> boxes = {measure(colours, 0, colours.size())};
    while (boxes.size() < 256) {
        // The box to split: the widest, weighted by how many pixels it holds.
        size_t pick = boxes.size();
        double best = 0.0;
        for (size_t b = 0; b < boxes.size(); ++b) {
            const double score = static_cast<double>(boxes[b].range) * static_cast<double>(boxes[b].weight);
            if (boxes[b].end - boxes[b].begin > 1 && score > best) {
                best = score;
                pick = b;
            }
        }
        if (pick == boxes.size()) break;
        const Box box = boxes[pick];
        const auto first = colours.begin() + static_cast<std::ptrdiff_t>(box.begin);
        const auto last = colours.begin() + static_cast<std::ptrdiff_t>(box.end);
        const auto channel = static_cast<size_t>(box.channel);
        std::sort(first, last, [channel](const Counted& a, const Counted& b) {
            return a.colour[channel] != b.colour[channel] ? a.colour[channel] < b.colour[channel] : a.colour < b.colour;
        });
        // The weighted median, keeping at least one colour on each side.
        uint64_t seen = 0;
        size_t cut = box.begin + 1;
        for (size_t i = box.begin; i + 1 < box.end; ++i) {
            seen += colours[i].count;
            cut = i + 1;
            if (seen * 2 >= box.weight) break;
        }
        boxes[pick] = measure(colours, box.begin, cut);
        boxes.push_back(measure(colours, cut, box.end));
    }
    for (size_t b = 0; b < boxes.size(); ++b) {
        uint64_t sum[4] = {0, 0, 0, 0};
        for (size_t i = boxes[b].begin; i < boxes[b].end; ++i)
            for (size_t c = 0; c < 4; ++c) sum[c] += colours[i].colour[c] * colours[i].count;
        for (size_t c = 0; c < 4; ++c)
            palette[4 * b + c] = static_cast<uint8_t>((sum[c] + boxes[b].weight / 2) / boxes[b].weight);
    }
    return static_cast<int>(boxes.size());
}

PalettePicture quantisePicture(const RgbaImage& picture, const uint8_t palette[1024], int used) {
    used = std::clamp(used, 1, 256);
    const std::vector<uint8_t> fitted = fitPicture(picture.pixels, picture.width, picture.height);
    PalettePicture out;
    std::memcpy(out.palette, palette, sizeof out.palette);
    std::unordered_map<uint32_t, uint8_t> nearest;
    for (size_t i = 0; i < kSourcePicturePixels; ++i) {
        const uint8_t* c = &fitted[i * 4];
        const auto [entry, added] = nearest.try_emplace(word(c), 0);
        if (added) {
            int best = 0;
            int bestDistance = 1 << 30;
            for (int k = 0; k < used; ++k) {
                int d = 0;
                for (int j = 0; j < 4; ++j) {
                    const int e = int(c[j]) - int(palette[4 * k + j]);
                    d += e * e;
                }
                if (d < bestDistance) {
                    bestDistance = d;
                    best = k;
                }
            }
            entry->second = static_cast<uint8_t>(best);
        }
        out.indices[i] = entry->second;
    }
    return out;
}
