// Animation clips: library animations and animation cells, their pack record and drawing.
#include "app/animation.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/fli_reader.h"
#include "app/frame_buffer.h"
#include "app/packed_frame.h"
#include "data/message_box.h"
#include "data/pack_reader.h"
#include "data/pack_writer.h"

namespace {

// Reads n bytes into destination in blocks (zeros once the reader has failed).
void readByteBlock(PackReader& reader, uint8_t* destination, int32_t n) {
    constexpr int32_t kStep = 1 << 16;
    for (int32_t done = 0; done < n && !reader.failed(); done += kStep) {
        const int32_t take = n - done < kStep ? n - done : kStep;
        reader.readBytes(destination + done, take);
    }
}

}  // namespace

bool isSafeRelativePath(const char* name) {
    if (!name || !name[0]) return false;
    if (name[0] == '/' || name[0] == '\\') return false;
    if (std::strchr(name, ':')) return false;  // drive letters and alternate streams
    // No component may be "..".
    const char* p = name;
    while (*p) {
        const char* end = p;
        while (*end && *end != '/' && *end != '\\') ++end;
        if (end - p == 2 && p[0] == '.' && p[1] == '.') return false;
        p = *end ? end + 1 : end;
    }
    return true;
}

namespace {
AnimationLoadScope* gAnimationLoadScope = nullptr;
}  // namespace

AnimationLoadScope::AnimationLoadScope() : previous_(gAnimationLoadScope) { gAnimationLoadScope = this; }

AnimationLoadScope::~AnimationLoadScope() { gAnimationLoadScope = previous_; }

AnimationLoadScope* AnimationLoadScope::active() { return gAnimationLoadScope; }

bool AnimationLoadScope::takeFrameBufferFill() {
    const bool first = !filled_;
    filled_ = true;
    return first;
}

Animation* AnimationLoadScope::findLibraryAnimation(const char* name) {
    if (!animationList) return nullptr;
    // The list only grows in the scope: index the animations added since the last lookup, a
    // later one replacing an earlier one of the same name.
    for (; indexed_ < animationList->count(); ++indexed_)
        if (Animation* a = animationList->getAt(indexed_)) byName_[a->getName()] = a;
    const auto found = byName_.find(name);
    return found == byName_.end() ? nullptr : found->second;
}

Animation::Animation() {
    AnimationLoadScope* scope = AnimationLoadScope::active();
    if (frameBuffer && (!scope || scope->takeFrameBufferFill())) {
        // One opaque black pixel, then copies of what is filled so far: 21 block copies.
        static constexpr uint8_t kBlack[4] = {0, 0, 0, 255};
        constexpr size_t kTotal = kFrameBufferBytes;
        std::memcpy(frameBuffer, kBlack, 4);
        for (size_t done = 4; done < kTotal; done *= 2)
            std::memcpy(frameBuffer + done, frameBuffer, std::min(done, kTotal - done));
    }
}

Animation::~Animation() {
    for (Frame* frame : frames_) delete frame;  // the records, never their bytes
    delete fliReader_;
}

void Animation::setName(const char* name) {
    std::strncpy(name_, name ? name : "", kAnimationNameCapacity - 1);
    name_[kAnimationNameCapacity - 1] = '\0';
}

void Animation::addFrame(uint8_t* data, int32_t length) { frames_.addLast(new Frame(data, length)); }

int Animation::load(PackReader& reader) {
    ReadContext context(reader, "an animation");
    name_[0] = '\0';
    fileName_.clear();
    const int32_t mode = reader.getInt();
    reader.readCountedString(name_, kAnimationNameCapacity);
    if (reader.failed()) return 0;
    // Kept, with a mode-1 file name, so that save writes the same record back.
    saveMode_ = mode;

    if (mode == 0 && !isCell_) {
        ReadContext frameContext(reader, "an animation frame");
        for (;;) {
            const int32_t n = reader.getInt();
            if (reader.failed() || n < 0) break;
            if (!reader.checkCount(n, kMaxPackedFrameBytes, "packed frame length")) break;
            auto* bytes = new uint8_t[n > 0 ? n : 1];
            readByteBlock(reader, bytes, n);
            if (reader.failed()) {
                delete[] bytes;
                break;
            }
            addFrame(bytes, n);
        }
    } else if (mode == 0) {
        // A cell shares the frames of the last library animation with its name.
        Animation* source = nullptr;
        if (AnimationLoadScope* scope = AnimationLoadScope::active()) {
            source = scope->findLibraryAnimation(name_);
        } else if (animationList) {
            for (Animation* candidate : *animationList)
                if (std::strcmp(candidate->name_, name_) == 0) source = candidate;
        }
        if (source)
            for (Frame* frame : source->frames_) addFrame(frame->data, frame->length);
    } else if (mode == 1 && !isCell_) {
        char fileName[kAnimationNameCapacity];
        reader.readCountedString(fileName, sizeof fileName);
        if (reader.failed()) return 0;
        fileName_ = fileName;
        if (!isSafeRelativePath(fileName)) {
            reader.fail(std::string("animation file name \"") + fileName +
                        "\" is not a relative path inside the working directory");
            return 0;
        }
        // Stored names may use either separator.
        for (char* c = fileName; *c; ++c)
            if (*c == '\\') *c = '/';
        fliReader_ = new FliReader();
        fliOpen(reader.pathInFolder(fileName).c_str(), allocateFrameBuffer());
    }
    return 0;
}

int Animation::save(PackWriter& writer) {
    if (name_[0] == '\0') messageBox("error:animation without name!", "", MessageBoxStyle::Ok);
    writer.writeInt(saveMode_);
    writer.writeString(name_);
    // A cell's record ends with its name, whatever its mode.
    if (isCell_) return 0;
    if (saveMode_ == 1 && !fileName_.empty()) {
        writer.writeString(fileName_.c_str());
        return 0;
    }
    if (saveMode_ != 0) {
        messageBox("save fli", "not implemented", MessageBoxStyle::Ok);
        return 1;  // the record lacks what load reads for this mode
    }
    for (Frame* frame : frames_) {
        writer.writeInt(frame->length);
        if (frame->length > 0) writer.writeBytes(frame->data, static_cast<size_t>(frame->length));
    }
    writer.writeInt(-1);
    return 0;
}

int Animation::render(int32_t local, int width, int height, RenderDevice* device, float, float,
                      TextureName texture) {
    if (!frameBuffer || !device) return 0;
    if (fliReader_) {
        fliNextFrame();
    } else {
        const int32_t frameIndex = local / 30;
        if (frameIndex < 0 || frames_.count() <= frameIndex) return 0;
        Frame* frame = frames_.getAt(frameIndex);
        if (!frame) return 0;
        decodePackedFrame(frame->data, frameBuffer, frame->length);
    }
    device->updateTexture(0, 0, kFrameBufferSide, kFrameBufferSide, texture, 1, frameBuffer);
    device->drawScreenTexture(0, 0, width, height, texture, 1.0f);
    return 0;
}
