// The two directions between a pack's record stream and a show source (YAML documents): one
// description of every record, written once against RecordCodec, decodes a stream into documents
// (unpack) and encodes documents into a stream (build).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// One problem in a source: where (file, 1-based line and column) and what was expected.
struct SourceProblem {
    std::string file;
    int line = 0;
    int column = 0;
    std::string what;
    // "file:line:column: what".
    std::string text() const;
};

// At most this many problems are collected; the rest are counted only.
constexpr int kMaxSourceProblems = 20;

// The material colours of an imported model: its distinct colours (0xRRGGBB, in the order its
// faces first use them), each face's index among them, and the lowest opacity of its materials.
struct ImportedColours {
    std::vector<int32_t> colours;
    std::vector<int32_t> faceColour;
    float opacity = 1.0f;
};

// A field-by-field codec. Fields address a key of the current map, or with a null key the
// current list item. Decoding reads each value from the stream and writes it to the source
// (leaving it out when it equals the default); encoding takes it from the source (the default when
// the key is absent; a missing key without default is a problem) and writes it to the stream.
class RecordCodec {
public:
    virtual ~RecordCodec() = default;
    virtual bool decoding() const = 0;

    virtual int32_t i32(const char* key, std::optional<int32_t> fallback, bool hex = false) = 0;
    virtual int16_t i16(const char* key, std::optional<int16_t> fallback) = 0;
    virtual float f32(const char* key, std::optional<float> fallback) = 0;
    // n floats as one flow list; fallback (n values) may be null.
    virtual void floats(const char* key, int n, float* values, const float* fallback) = 0;
    // A counted byte string.
    virtual std::string str(const char* key, std::optional<std::string> fallback) = 0;

    // A list: decoding reads its count from the stream (or takes known), encoding writes the
    // list's length (unless known, which the list must then match). Returns the count. An absent
    // list is empty. flow lists are written on one line; an empty list under a key is left out
    // unless keepEmpty (where its presence is itself stored).
    virtual int32_t beginList(const char* key, bool flow, std::optional<int32_t> known = {},
                              bool keepEmpty = false) = 0;
    // The count word of a list whose items come later in the stream (beginList with known).
    virtual int32_t listCount(const char* key) = 0;
    virtual void beginItem(int32_t index) = 0;
    virtual void endItem() = 0;
    virtual void endList() = 0;
    // A map under key (or the current item); encoding reports the keys that were not used.
    virtual void beginMap(const char* key) = 0;
    virtual void endMap() = 0;
    // True when the current map holds key (encoding); decoding answers false.
    virtual bool has(const char* key) = 0;
    // A map kept in a document of its own, named by a path relative to the source folder: decoding
    // makes the document under suggested, encoding reads the named file.
    virtual void beginFile(const char* key, const std::string& suggested) = 0;
    virtual void endFile() = 0;
    // A 1024x1024 RGBA picture stored as an int32 length and zlib bytes, kept as a PNG file.
    virtual void picture(const char* key, const std::string& suggested) = 0;
    // Bytes stored as an int32 length and the bytes (length given by the caller when decoding),
    // kept as a file of their own.
    virtual void blob(const char* key, int32_t length, const std::string& suggested) = 0;
    // Packed animation frames until a negative length (which ends them, written as -1), each kept
    // as a file under prefix (a folder): decoding writes a palette PNG for a frame that one gives
    // back exactly and the packed bytes (.bin) for any other; encoding reads .bin files as they
    // stand, palette PNG files of the frame size with their own palette, and other PNG or JPEG
    // pictures fitted to the frame size and quantised to one palette built from them all.
    virtual void frameList(const char* key, const std::string& prefix) = 0;
    // Encoding: the packed frames (and the closing -1) of the folder of pictures or the clip file
    // (animated GIF, video) under key, pictures as frameList takes them; a clip's pictures are
    // those shown every 30 ticks (29.97 a second), at most maxFrames of the current map.
    virtual void importFrames(const char* key) = 0;
    // Encoding: the music named under key (any audio file; an MP3 is copied as it stands), checked
    // now and written beside the pack by the build.
    virtual void music(const char* key) = 0;
    // A registry mesh's points and faces (count, [x y z]..., count, [n i...]...) as an OBJ file
    // under key. Decoding writes the file when OBJ can hold the faces (each with at least one
    // corner, every index a point) and returns true; otherwise it reads nothing and returns false.
    // Encoding reads the named file (when key is present) and returns whether it did; faces gives
    // the face count.
    virtual bool objMesh(const char* key, const std::string& suggested, int32_t* faces) = 0;
    // A mesh node's own points, faces and face materials (point mode word, points, face mode
    // word, faces of [3, a, b, c], one material word a face) as an OBJ file under key, materials as
    // 'usemtl ID' lines. Decoding writes the file when the record is of that shape (every face a
    // triangle of points of the mesh, finite coordinates, at least one face) and returns true;
    // otherwise it reads nothing and returns false. Encoding reads the named file when key is
    // present (faces of 1 to 3 corners; faces before any usemtl take material 0).
    virtual bool inlineObj(const char* key, const std::string& suggested) = 0;
    // Encoding: the points and faces of a registry mesh from the model file under key (with its
    // settings: scale, rotation, swapYZ, keepPolygons), as the mesh section stores them; colours
    // gets the model's material colours.
    virtual int32_t importMesh(const char* key, ImportedColours* colours) = 0;
    // A file the pack names and that lies beside it (FLI/FLC): decoding copies it into the
    // source; encoding checks that it exists and has the header the player needs.
    virtual std::string assetName(const char* key) = 0;
    // Encoding: reports a problem at key of the current map (or the current item).
    virtual void problem(const char* key, const std::string& what) = 0;
    // Encoding: where the next byte goes, and a word written earlier there replaced (a count
    // known only after its items). Decoding: 0 and nothing.
    virtual size_t position() const = 0;
    virtual void patchI32(size_t at, int32_t value) = 0;
    // Raw words outside any field (decoding reads, encoding writes value).
    virtual int32_t rawI32(int32_t value) = 0;
    virtual int16_t rawI16(int16_t value) = 0;
    // Decoding: writes value under key without reading the stream; encoding does nothing.
    virtual void note(const char* key, const std::string& value) = 0;
    // Encoding: the text under key, used without writing it (a class name); decoding: "".
    virtual std::string peek(const char* key) = 0;
    // True once the stream (decoding) failed; encoding stops only at the end.
    virtual bool failed() const = 0;
};

// A document tree being written by unpack.
struct SourceNode {
    enum class Kind { Scalar, Map, List };
    Kind kind = Kind::Map;
    bool flow = false;
    std::string scalar;
    std::vector<std::pair<std::string, std::unique_ptr<SourceNode>>> entries;  // maps
    std::vector<std::unique_ptr<SourceNode>> items;                            // lists
};

// Writes a YAML document: block maps and lists, flow lists on one line.
std::string formatSourceDocument(const SourceNode& root, const std::string& heading);

// A string as a double-quoted YAML scalar: printable ASCII as it is, other bytes as \xHH.
std::string quoteBytes(const std::string& bytes);
// The shortest text that reads back as exactly v (".nan", ".inf", "-.inf" for the others).
std::string floatText(float v);

namespace YAML {
class Node;
}

// Decodes an uncompressed pack stream into documents under folder (files are written as they
// come: pictures, frames, copied FLI/FLC files); documents() holds the text documents by path.
class SourceDecoder : public RecordCodec {
public:
    // packFolder: where files the pack names lie.
    SourceDecoder(std::vector<uint8_t> stream, std::string folder, std::string packFolder);
    ~SourceDecoder() override;
    // Starts the first document (the manifest) at path.
    void beginDocument(const std::string& path);
    const std::map<std::string, std::unique_ptr<SourceNode>>& documents() const { return documents_; }
    // A file that could not be written or read, or a stream that ended early.
    const std::string& error() const { return error_; }
    bool atEnd() const { return cursor_ == stream_.size(); }

    bool decoding() const override { return true; }
    int32_t i32(const char* key, std::optional<int32_t> fallback, bool hex) override;
    int16_t i16(const char* key, std::optional<int16_t> fallback) override;
    float f32(const char* key, std::optional<float> fallback) override;
    void floats(const char* key, int n, float* values, const float* fallback) override;
    std::string str(const char* key, std::optional<std::string> fallback) override;
    int32_t beginList(const char* key, bool flow, std::optional<int32_t> known, bool keepEmpty) override;
    int32_t listCount(const char* key) override;
    void beginItem(int32_t index) override;
    void endItem() override;
    void endList() override;
    void beginMap(const char* key) override;
    void endMap() override;
    bool has(const char*) override { return false; }
    void beginFile(const char* key, const std::string& suggested) override;
    void endFile() override;
    void picture(const char* key, const std::string& suggested) override;
    void blob(const char* key, int32_t length, const std::string& suggested) override;
    std::string assetName(const char* key) override;
    void frameList(const char* key, const std::string& prefix) override;
    void importFrames(const char*) override {}
    void music(const char*) override {}
    bool inlineObj(const char* key, const std::string& suggested) override;
    int32_t importMesh(const char*, ImportedColours*) override { return 0; }
    bool objMesh(const char* key, const std::string& suggested, int32_t* faces) override;
    size_t position() const override { return 0; }
    void patchI32(size_t, int32_t) override {}
    void problem(const char*, const std::string&) override {}
    int32_t rawI32(int32_t) override { return readWord(); }
    int16_t rawI16(int16_t) override;
    void note(const char* key, const std::string& value) override { setScalar(key, value); }
    std::string peek(const char*) override { return {}; }
    bool failed() const override { return !error_.empty(); }

private:
    int32_t readWord();
    bool take(void* destination, size_t n);
    // The node that key (or the current item) names, made in the current map or item.
    SourceNode* slot(const char* key, SourceNode::Kind kind);
    void setScalar(const char* key, std::string text);
    std::string writeFile(const std::string& suggested, const std::vector<uint8_t>& bytes);

    std::vector<uint8_t> stream_;
    size_t cursor_ = 0;
    std::string folder_;
    std::string packFolder_;
    std::string error_;
    std::map<std::string, std::unique_ptr<SourceNode>> documents_;
    std::vector<SourceNode*> stack_;
    SourceNode scratch_;  // stands for a list that is left out
};

// Encodes documents read from folder into a stream, collecting problems; remembers which source
// position wrote each stretch of the stream so that a loader's error can be placed.
class SourceEncoder : public RecordCodec {
public:
    explicit SourceEncoder(std::string folder);
    ~SourceEncoder() override;
    // Reads the first document (the manifest); false (with a problem) when it cannot be read.
    bool beginDocument(const std::string& path);
    void endDocument();
    const std::vector<uint8_t>& stream() const { return stream_; }
    const std::vector<SourceProblem>& problems() const { return problems_; }
    int problemCount() const { return problemCount_; }
    // The source position of the field that wrote the stream byte at offset.
    SourceProblem placeOf(uint64_t offset) const;
    // Files the source names beside the pack (FLI/FLC), relative to the folder.
    const std::vector<std::string>& assets() const { return assets_; }
    // The music the manifest names (relative to the folder; "" when it names none) and the place
    // of its key.
    const std::string& musicFile() const { return music_; }
    const SourceProblem& musicPlace() const { return musicPlace_; }
    void addProblem(const std::string& file, int line, int column, const std::string& what);

    bool decoding() const override { return false; }
    int32_t i32(const char* key, std::optional<int32_t> fallback, bool hex) override;
    int16_t i16(const char* key, std::optional<int16_t> fallback) override;
    float f32(const char* key, std::optional<float> fallback) override;
    void floats(const char* key, int n, float* values, const float* fallback) override;
    std::string str(const char* key, std::optional<std::string> fallback) override;
    int32_t beginList(const char* key, bool flow, std::optional<int32_t> known, bool keepEmpty) override;
    int32_t listCount(const char* key) override;
    void beginItem(int32_t index) override;
    void endItem() override;
    void endList() override;
    void beginMap(const char* key) override;
    void endMap() override;
    bool has(const char* key) override;
    void beginFile(const char* key, const std::string& suggested) override;
    void endFile() override;
    void picture(const char* key, const std::string& suggested) override;
    void blob(const char* key, int32_t length, const std::string& suggested) override;
    std::string assetName(const char* key) override;
    void frameList(const char* key, const std::string& prefix) override;
    void importFrames(const char* key) override;
    void music(const char* key) override;
    bool inlineObj(const char* key, const std::string& suggested) override;
    int32_t importMesh(const char* key, ImportedColours* colours) override;
    bool objMesh(const char* key, const std::string& suggested, int32_t* faces) override;
    size_t position() const override { return stream_.size(); }
    void patchI32(size_t at, int32_t value) override;
    void problem(const char* key, const std::string& what) override;
    int32_t rawI32(int32_t value) override;
    int16_t rawI16(int16_t value) override;
    void note(const char*, const std::string&) override {}
    std::string peek(const char* key) override;
    bool failed() const override { return false; }

private:
    struct Frame;
    // The value key names in the current map (or the current item); null when absent.
    const YAML::Node* value(const char* key);
    void problemAt(const YAML::Node* node, const std::string& what);
    void mark(const YAML::Node* node);
    bool scalarOf(const char* key, std::string* text, const YAML::Node** node);
    void put(const void* data, size_t n);
    void popFrame();
    struct ObjRead;
    // Reads the OBJ file that key names (a plain file only), reporting its problems; marks the key.
    ObjRead readObjFile(const char* key);
    struct FrameInput;
    // Reads one frame file (see frameList) for the field at node; false after a problem.
    bool readFrameFile(const std::string& name, const YAML::Node* node, FrameInput* input);
    // Writes the frames, quantising the pictures among them to one palette, then -1.
    void putFrames(std::vector<FrameInput>& inputs);

    std::string folder_;
    std::vector<uint8_t> stream_;
    std::vector<std::unique_ptr<Frame>> stack_;
    std::vector<SourceProblem> problems_;
    int problemCount_ = 0;
    std::vector<std::pair<uint64_t, SourceProblem>> places_;
    std::vector<std::string> assets_;
    std::string music_;
    SourceProblem musicPlace_;
};
