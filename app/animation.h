// Animation: a named sequence of packed frames. Library animations (the head of the timeline)
// own the frames they read, or play an FLI/FLC file; animation cells take the frames of the last
// library animation with the same name and show frame local / 30.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "app/cell.h"
#include "data/named_list.h"

class FliReader;

// Capacity of an animation's name (199 characters and the NUL).
constexpr int kAnimationNameCapacity = 200;
// Largest packed frame a pack may hold.
constexpr int32_t kMaxPackedFrameBytes = 32 * 1024 * 1024;

// One packed frame: bytes owned by the library animation that read them, shared by cells.
struct Frame {
    Frame(uint8_t* d, int32_t n) : data(d), length(n) {}
    virtual ~Frame() = default;
    uint8_t* data;
    int32_t length;
};

class Animation : public Cell {
public:
    // Fills frameBuffer (if allocated) with opaque black.
    Animation();
    // Releases the frame list, never the frame bytes (cells may share them).
    ~Animation() override;
    Animation(const Animation&) = delete;
    Animation& operator=(const Animation&) = delete;

    int getKind() override { return kCellAnimation; }
    // int32 mode, counted name; then by mode and role: mode 0 library: frames (int32 length,
    // bytes) until a negative length; mode 0 cell: takes the frames of the last library
    // animation of the same name; mode 1 library: counted FLI/FLC file name, opened at once (a
    // name that is not a relative path inside the working directory is a load error). The mode
    // read becomes the save mode, and a mode-1 file name is kept for save.
    int load(PackReader& reader) override;
    // saveMode and the name; then, for a library animation, the FLI/FLC file name (mode 1 with
    // a file name), the frames and -1 (mode 0), or the box "save fli" / "not implemented" and 1
    // (another mode, or mode 1 without a file name: the record lacks what load reads).
    int save(PackWriter& writer) override;
    // FLI: the next file frame; otherwise frame local / 30 (nothing past the last frame).
    // Uploads frameBuffer into texture and draws it over the picture.
    int render(int32_t local, int width, int height, RenderDevice* device, float weight1, float weight2,
               TextureName texture) override;
    void setInPoint(int32_t ticks) override { inPoint_ = ticks; }
    void setLength(int32_t ticks) override { length_ = ticks; }
    int32_t getInPoint() override { return inPoint_; }
    int32_t getLength() override { return length_; }

    // Appends a frame (the animation does not copy data).
    void addFrame(uint8_t* data, int32_t length);
    NamedList<Frame>& frames() { return frames_; }
    // 1 for a cell, 0 for a library animation.
    void setIsCell(int isCell) { isCell_ = isCell; }
    int isCell() const { return isCell_; }
    const char* getName() const { return name_; }
    // Sets the name (at most 199 characters are kept).
    void setName(const char* name);
    int32_t getSaveMode() const { return saveMode_; }
    void setSaveMode(int32_t mode) { saveMode_ = mode; }
    // The FLI/FLC file a mode-1 library animation plays, as stored; "" otherwise.
    const char* getFileName() const { return fileName_.c_str(); }
    FliReader* getFliReader() const { return fliReader_; }

private:
    int32_t inPoint_ = 0;
    int32_t length_ = 0;
    int32_t saveMode_ = 0;
    NamedList<Frame> frames_;
    FliReader* fliReader_ = nullptr;
    int32_t isCell_ = 0;
    char name_[kAnimationNameCapacity] = {};
    std::string fileName_;  // only mode-1 library animations have one
};

// While in scope (the timeline load), animation records are read in bulk: the first Animation
// constructed fills frameBuffer with opaque black and the later ones skip that identical fill
// (nothing draws into frameBuffer while loading), and animation cells find the last library
// animation of their name through an index of animationList instead of walking the whole list
// for each cell. animationList may only grow while the scope is open. Scopes do not nest.
class AnimationLoadScope {
public:
    AnimationLoadScope();
    ~AnimationLoadScope();
    AnimationLoadScope(const AnimationLoadScope&) = delete;
    AnimationLoadScope& operator=(const AnimationLoadScope&) = delete;

    // The open scope, or null.
    static AnimationLoadScope* active();
    // True the first time it is asked in this scope: the caller is to fill frameBuffer.
    bool takeFrameBufferFill();
    // The last animation of animationList named name (exact, case-sensitive), or null.
    Animation* findLibraryAnimation(const char* name);

private:
    AnimationLoadScope* previous_;
    bool filled_ = false;
    int indexed_ = 0;
    std::unordered_map<std::string, Animation*> byName_;
};

// True when name is a relative path that stays inside the working directory (no root, drive or
// ".." component; '\\' counts as a separator).
bool isSafeRelativePath(const char* name);
