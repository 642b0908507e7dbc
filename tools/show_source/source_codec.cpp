// The record codec's two directions: stream to YAML documents and YAML documents to stream.
#include "tools/show_source/source_codec.h"

#include "tools/show_source/animation_frames.h"
#include "tools/show_source/media_decode.h"
#include "tools/show_source/mesh_import.h"
#include "tools/show_source/picture_files.h"

#include <yaml-cpp/yaml.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <climits>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

constexpr int kPictureSide = 1024;
constexpr size_t kPictureBytes = size_t(kPictureSide) * kPictureSide * 4;
// The most bytes one blob or compressed picture may hold (as the loaders bound them).
constexpr uint64_t kMaxBlobBytes = 64u << 20;

bool readWhole(const fs::path& path, std::vector<uint8_t>* bytes) {
    // Only a plain file is read: a folder fails the read with an exception, and a device or a
    // pipe would never end.
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Opens path for reading text only when it is a plain file, for the same reason as readWhole.
void openPlainFile(const fs::path& path, std::ifstream* in) {
    std::error_code ec;
    if (fs::is_regular_file(path, ec)) in->open(path);
}

bool writeWhole(const fs::path& path, const void* data, size_t n) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(n));
    return static_cast<bool>(out);
}

bool floatSame(float a, float b) {
    uint32_t x, y;
    std::memcpy(&x, &a, 4);
    std::memcpy(&y, &b, 4);
    return x == y;
}

// Parses a whole decimal or 0x-hex integer.
bool parseInteger(const std::string& text, int64_t* value) {
    if (text.empty()) return false;
    const char* s = text.c_str();
    bool negative = false;
    if (*s == '-' || *s == '+') negative = *s++ == '-';
    int base = 10;
    if (s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s += 2;
    }
    if (!*s) return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(s, &end, base);
    if (*end || errno || v > 0xFFFFFFFFFFFFull) return false;
    *value = negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
    return true;
}

bool parseFloat(const std::string& text, float* value) {
    if (text == ".nan" || text == ".NaN" || text == ".NAN") {
        *value = std::nanf("");
        return true;
    }
    if (text == ".inf" || text == "+.inf" || text == ".Inf") {
        *value = HUGE_VALF;
        return true;
    }
    if (text == "-.inf" || text == "-.Inf") {
        *value = -HUGE_VALF;
        return true;
    }
    if (text.empty()) return false;
    char* end = nullptr;
    *value = std::strtof(text.c_str(), &end);
    return *end == '\0';
}

// UTF-8 text whose characters stand for one byte each (U+0000..U+00FF) back to bytes.
bool bytesOfText(const std::string& text, std::string* bytes) {
    bytes->clear();
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<uint8_t>(text[i]);
        if (c < 0x80) {
            bytes->push_back(static_cast<char>(c));
            ++i;
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < text.size()) {
            bytes->push_back(static_cast<char>(((c & 0x03) << 6) | (static_cast<uint8_t>(text[i + 1]) & 0x3F)));
            i += 2;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

namespace {

// A mesh as an OBJ file holds it: points, faces of 0-based indices, and (for a mesh node) each
// face's material.
struct ObjMesh {
    std::vector<float> points;
    std::vector<std::vector<int32_t>> faces;
    std::vector<int32_t> materials;
};

// OBJ text of a mesh: points with the shortest text that reads back exactly, faces 1-based, and
// with materials a 'usemtl ID' line before each face whose material differs from the last one's.
std::string objText(const std::string& heading, const ObjMesh& mesh, bool materials) {
    std::string text = "# " + heading + "\n";
    for (size_t i = 0; i + 2 < mesh.points.size(); i += 3)
        text += "v " + floatText(mesh.points[i]) + " " + floatText(mesh.points[i + 1]) + " " +
                floatText(mesh.points[i + 2]) + "\n";
    for (size_t f = 0; f < mesh.faces.size(); ++f) {
        if (materials && (f == 0 || mesh.materials[f] != mesh.materials[f - 1]))
            text += "usemtl " + std::to_string(mesh.materials[f]) + "\n";
        std::string line = "f";
        for (int32_t index : mesh.faces[f]) line += " " + std::to_string(index + 1);
        text += line + "\n";
    }
    return text;
}

// Reads the points ('v x y z'), faces ('f' with 'i', 'i/t', 'i/t/n' or 'i//n' corners, 1-based
// or negative from the last point) and 'usemtl ID' lines of an OBJ file; other lines are skipped.
// Each bad line is handed to problem (its what), and reading goes on.
void parseObj(std::istream& in, const std::string& name, ObjMesh* mesh,
              const std::function<void(const std::string&)>& problem) {
    std::string line;
    int lineNumber = 0;
    int32_t material = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        std::istringstream words(line);
        std::string tag;
        words >> tag;
        const std::string where = name + " line " + std::to_string(lineNumber);
        if (tag == "v") {
            std::string t[3];
            float v[3] = {0, 0, 0};
            words >> t[0] >> t[1] >> t[2];
            for (int i = 0; i < 3; ++i)
                if (!parseFloat(t[i], &v[i])) {
                    problem("a point of three numbers in " + where);
                    break;
                }
            mesh->points.insert(mesh->points.end(), v, v + 3);
        } else if (tag == "f") {
            std::vector<int32_t> face;
            std::string corner;
            while (words >> corner) {
                int64_t index = 0;
                const std::string first = corner.substr(0, corner.find('/'));
                const auto known = static_cast<int64_t>(mesh->points.size() / 3);
                if (!parseInteger(first, &index) || index == 0 || index > known || index < -known) {
                    problem("point indices from 1 to " + std::to_string(known) + " in " + where);
                    break;
                }
                face.push_back(static_cast<int32_t>(index > 0 ? index - 1 : known + index));
            }
            mesh->faces.push_back(std::move(face));
            mesh->materials.push_back(material);
        } else if (tag == "usemtl") {
            std::string id;
            words >> id;
            int64_t value = 0;
            if (!parseInteger(id, &value) || value < INT32_MIN || value > INT32_MAX)
                problem("a material id after usemtl, not '" + id + "', in " + where);
            else
                material = static_cast<int32_t>(value);
        }
    }
}

}  // namespace

std::string SourceProblem::text() const {
    return file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + what;
}

std::string quoteBytes(const std::string& bytes) {
    std::string out = "\"";
    for (char ch : bytes) {
        const auto c = static_cast<uint8_t>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c >= 0x20 && c < 0x7F) {
            out += ch;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out + "\"";
}

std::string floatText(float v) {
    if (std::isnan(v)) return ".nan";
    if (std::isinf(v)) return v > 0 ? ".inf" : "-.inf";
    char text[32];
    for (int digits = 6; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(v));
        if (floatSame(std::strtof(text, nullptr), v)) break;
    }
    return text;
}

namespace {

void formatNode(std::ostringstream& out, const SourceNode& node, int indent, bool afterDash = false);

void formatFlow(std::ostringstream& out, const SourceNode& node) {
    if (node.kind == SourceNode::Kind::Scalar) {
        out << node.scalar;
        return;
    }
    if (node.kind == SourceNode::Kind::Map) {
        out << "{";
        for (size_t i = 0; i < node.entries.size(); ++i) {
            out << (i ? ", " : "") << node.entries[i].first << ": ";
            formatFlow(out, *node.entries[i].second);
        }
        out << "}";
        return;
    }
    out << "[";
    for (size_t i = 0; i < node.items.size(); ++i) {
        if (i) out << ", ";
        formatFlow(out, *node.items[i]);
    }
    out << "]";
}

bool inline_(const SourceNode& n) {
    return n.kind == SourceNode::Kind::Scalar || n.flow ||
           (n.kind == SourceNode::Kind::List && n.items.empty()) || (n.kind == SourceNode::Kind::Map && n.entries.empty());
}

// A map's entries at indent, or a list's items; afterDash: the first entry follows a list's "- ".
void formatNode(std::ostringstream& out, const SourceNode& node, int indent, bool afterDash) {
    const std::string pad(static_cast<size_t>(indent), ' ');
    if (node.kind == SourceNode::Kind::Map) {
        bool first = true;
        for (const auto& [key, value] : node.entries) {
            if (!(first && afterDash)) out << pad;
            first = false;
            out << key << ":";
            if (inline_(*value)) {
                out << " ";
                formatFlow(out, *value);
                out << "\n";
            } else if (value->kind == SourceNode::Kind::Map) {
                out << "\n";
                formatNode(out, *value, indent + 2);
            } else {
                out << "\n";
                formatNode(out, *value, indent + 2);
            }
        }
        return;
    }
    for (const auto& item : node.items) {
        out << pad << "- ";
        if (inline_(*item)) {
            formatFlow(out, *item);
            out << "\n";
        } else if (item->kind == SourceNode::Kind::Map) {
            formatNode(out, *item, indent + 2, true);
        } else {
            out << "\n";
            formatNode(out, *item, indent + 2);
        }
    }
}

}  // namespace

std::string formatSourceDocument(const SourceNode& root, const std::string& heading) {
    std::ostringstream out;
    if (!heading.empty()) out << "# " << heading << "\n";
    if (inline_(root)) {
        formatFlow(out, root);
        out << "\n";
    } else {
        formatNode(out, root, 0);
    }
    return out.str();
}

// ---------------------------------------------------------------------------------------------
// Decoding

SourceDecoder::SourceDecoder(std::vector<uint8_t> stream, std::string folder, std::string packFolder)
    : stream_(std::move(stream)), folder_(std::move(folder)), packFolder_(std::move(packFolder)) {}

SourceDecoder::~SourceDecoder() = default;

void SourceDecoder::beginDocument(const std::string& path) {
    auto root = std::make_unique<SourceNode>();
    stack_.push_back(root.get());
    documents_[path] = std::move(root);
}

bool SourceDecoder::take(void* destination, size_t n) {
    if (!error_.empty()) {
        std::memset(destination, 0, n);
        return false;
    }
    if (stream_.size() - cursor_ < n) {
        error_ = "the stream ends early at byte " + std::to_string(cursor_);
        std::memset(destination, 0, n);
        return false;
    }
    std::memcpy(destination, stream_.data() + cursor_, n);
    cursor_ += n;
    return true;
}

int32_t SourceDecoder::readWord() {
    uint8_t b[4];
    take(b, 4);
    return static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
}

SourceNode* SourceDecoder::slot(const char* key, SourceNode::Kind kind) {
    SourceNode* top = stack_.back();
    if (!key) {
        top->kind = kind;
        return top;
    }
    top->kind = SourceNode::Kind::Map;
    auto node = std::make_unique<SourceNode>();
    node->kind = kind;
    SourceNode* raw = node.get();
    top->entries.emplace_back(key, std::move(node));
    return raw;
}

void SourceDecoder::setScalar(const char* key, std::string text) {
    slot(key, SourceNode::Kind::Scalar)->scalar = std::move(text);
}

int32_t SourceDecoder::i32(const char* key, std::optional<int32_t> fallback, bool hex) {
    const int32_t v = readWord();
    if (fallback && *fallback == v && key) return v;
    char text[24];
    if (hex)
        std::snprintf(text, sizeof text, "0x%06X", static_cast<unsigned>(v));
    else
        std::snprintf(text, sizeof text, "%d", static_cast<int>(v));
    setScalar(key, text);
    return v;
}

int16_t SourceDecoder::rawI16(int16_t) {
    uint8_t b[2];
    take(b, 2);
    return static_cast<int16_t>(uint16_t(b[0]) | uint16_t(b[1]) << 8);
}

int16_t SourceDecoder::i16(const char* key, std::optional<int16_t> fallback) {
    uint8_t b[2];
    take(b, 2);
    const auto v = static_cast<int16_t>(uint16_t(b[0]) | uint16_t(b[1]) << 8);
    if (!(fallback && *fallback == v && key)) setScalar(key, std::to_string(v));
    return v;
}

float SourceDecoder::f32(const char* key, std::optional<float> fallback) {
    const int32_t w = readWord();
    float v;
    std::memcpy(&v, &w, 4);
    if (!(fallback && floatSame(*fallback, v) && key)) setScalar(key, floatText(v));
    return v;
}

void SourceDecoder::floats(const char* key, int n, float* values, const float* fallback) {
    bool same = fallback != nullptr && key != nullptr;
    for (int i = 0; i < n; ++i) {
        const int32_t w = readWord();
        std::memcpy(&values[i], &w, 4);
        if (fallback && !floatSame(values[i], fallback[i])) same = false;
    }
    if (same) return;
    SourceNode* list = slot(key, SourceNode::Kind::List);
    list->flow = true;
    for (int i = 0; i < n; ++i) {
        auto item = std::make_unique<SourceNode>();
        item->kind = SourceNode::Kind::Scalar;
        item->scalar = floatText(values[i]);
        list->items.push_back(std::move(item));
    }
}

std::string SourceDecoder::str(const char* key, std::optional<std::string> fallback) {
    const int32_t n = readWord();
    std::string s;
    if (n > 0) {
        if (static_cast<size_t>(n) > stream_.size() - cursor_) {
            if (error_.empty()) error_ = "a string runs past the end of the stream at byte " + std::to_string(cursor_);
        } else {
            s.assign(reinterpret_cast<const char*>(stream_.data() + cursor_), static_cast<size_t>(n));
            cursor_ += static_cast<size_t>(n);
        }
    }
    if (!(fallback && *fallback == s && key)) setScalar(key, quoteBytes(s));
    return s;
}

int32_t SourceDecoder::beginList(const char* key, bool flow, std::optional<int32_t> known, bool keepEmpty) {
    const int32_t n = known ? *known : readWord();
    // An empty list under a key is left out (an absent list is empty).
    if (key && n <= 0 && !keepEmpty) {
        stack_.push_back(&scratch_);
        return 0;
    }
    SourceNode* list = slot(key, SourceNode::Kind::List);
    list->flow = flow;
    stack_.push_back(list);
    return failed() ? 0 : std::max(n, 0);
}

int32_t SourceDecoder::listCount(const char*) { return std::max(readWord(), 0); }

void SourceDecoder::beginItem(int32_t) {
    auto item = std::make_unique<SourceNode>();
    SourceNode* raw = item.get();
    stack_.back()->items.push_back(std::move(item));
    stack_.push_back(raw);
}

void SourceDecoder::endItem() { stack_.pop_back(); }
void SourceDecoder::endList() { stack_.pop_back(); }

void SourceDecoder::beginMap(const char* key) { stack_.push_back(slot(key, SourceNode::Kind::Map)); }
void SourceDecoder::endMap() { stack_.pop_back(); }

void SourceDecoder::beginFile(const char* key, const std::string& suggested) {
    setScalar(key, quoteBytes(suggested));
    beginDocument(suggested);
}

void SourceDecoder::endFile() { stack_.pop_back(); }

std::string SourceDecoder::writeFile(const std::string& suggested, const std::vector<uint8_t>& bytes) {
    if (!writeWhole(fs::path(folder_) / suggested, bytes.data(), bytes.size()) && error_.empty())
        error_ = "cannot write " + (fs::path(folder_) / suggested).string();
    return suggested;
}

void SourceDecoder::picture(const char* key, const std::string& suggested) {
    const int32_t n = readWord();
    std::vector<uint8_t> compressed;
    if (n > 0 && static_cast<size_t>(n) <= stream_.size() - cursor_) {
        compressed.assign(stream_.begin() + static_cast<std::ptrdiff_t>(cursor_),
                          stream_.begin() + static_cast<std::ptrdiff_t>(cursor_ + static_cast<size_t>(n)));
        cursor_ += static_cast<size_t>(n);
    } else if (n > 0 && error_.empty()) {
        error_ = "a picture runs past the end of the stream";
    }
    // As the player shows it: what inflates, black after it; an image that does not inflate is black.
    std::vector<uint8_t> rgba(kPictureBytes, 0);
    uLongf length = kPictureBytes;
    if (!compressed.empty() && uncompress(rgba.data(), &length, compressed.data(), compressed.size()) != Z_OK)
        std::fill(rgba.begin(), rgba.end(), 0);
    if (!writePicturePng((fs::path(folder_) / suggested).string(), rgba.data()) && error_.empty())
        error_ = "cannot write " + (fs::path(folder_) / suggested).string();
    setScalar(key, quoteBytes(suggested));
}

void SourceDecoder::blob(const char* key, int32_t length, const std::string& suggested) {
    std::vector<uint8_t> bytes;
    if (length > 0 && static_cast<size_t>(length) <= stream_.size() - cursor_) {
        bytes.assign(stream_.begin() + static_cast<std::ptrdiff_t>(cursor_),
                     stream_.begin() + static_cast<std::ptrdiff_t>(cursor_ + static_cast<size_t>(length)));
        cursor_ += static_cast<size_t>(length);
    } else if (length > 0 && error_.empty()) {
        error_ = "a block of bytes runs past the end of the stream";
    }
    setScalar(key, quoteBytes(writeFile(suggested, bytes)));
}

bool SourceDecoder::objMesh(const char* key, const std::string& suggested, int32_t* faces) {
    const size_t start = cursor_;
    ObjMesh mesh;
    const int32_t points = readWord();
    bool fits = points >= 0 && static_cast<uint64_t>(points) * 12 <= stream_.size() - cursor_;
    for (int32_t i = 0; fits && i < points * 3; ++i) {
        const int32_t w = readWord();
        float f;
        std::memcpy(&f, &w, 4);
        // OBJ numbers are plain decimals: infinities and NaN stay in the YAML form.
        fits = std::isfinite(f);
        mesh.points.push_back(f);
    }
    const int32_t count = fits ? readWord() : 0;
    fits = fits && count >= 0;
    for (int32_t i = 0; fits && i < count && !failed(); ++i) {
        const int32_t n = readWord();
        fits = n >= 1 && static_cast<uint64_t>(n) * 4 <= stream_.size() - cursor_;
        std::vector<int32_t> face;
        for (int32_t k = 0; fits && k < n; ++k) {
            const int32_t index = readWord();
            fits = index >= 0 && index < points;
            face.push_back(index);
        }
        mesh.faces.push_back(std::move(face));
    }
    if (!fits || failed()) {
        cursor_ = start;
        error_.clear();
        return false;
    }
    *faces = count;
    const std::string text = objText("Points and faces of a registry mesh (numbers as stored, faces 1-based).", mesh, false);
    writeFile(suggested, std::vector<uint8_t>(text.begin(), text.end()));
    setScalar(key, quoteBytes(suggested));
    return true;
}

bool SourceDecoder::inlineObj(const char* key, const std::string& suggested) {
    const size_t start = cursor_;
    auto refuse = [&] {
        cursor_ = start;
        error_.clear();
        return false;
    };
    ObjMesh mesh;
    if (readWord() != 0) return refuse();  // shared points
    const int32_t points = readWord();
    if (failed() || points < 0 || static_cast<uint64_t>(points) * 12 > stream_.size() - cursor_) return refuse();
    for (int32_t i = 0; i < points * 3; ++i) {
        const int32_t w = readWord();
        float f;
        std::memcpy(&f, &w, 4);
        if (!std::isfinite(f)) return refuse();
        mesh.points.push_back(f);
    }
    if (readWord() != 0) return refuse();  // shared faces
    const int32_t count = readWord();
    if (failed() || count < 1 || static_cast<uint64_t>(count) * 20 > stream_.size() - cursor_) return refuse();
    for (int32_t i = 0; i < count; ++i) {
        int32_t word[4];
        for (int32_t& w : word) w = readWord();
        if (word[0] != 3) return refuse();
        for (int k = 1; k < 4; ++k)
            if (word[k] < 0 || word[k] >= points) return refuse();
        mesh.faces.push_back({word[1], word[2], word[3]});
    }
    for (int32_t i = 0; i < count; ++i) mesh.materials.push_back(readWord());
    if (failed()) return refuse();
    const std::string text = objText("A mesh node's points and triangles (numbers as stored, faces 1-based), each "
                                     "face's material by usemtl.", mesh, true);
    writeFile(suggested, std::vector<uint8_t>(text.begin(), text.end()));
    setScalar(key, quoteBytes(suggested));
    return true;
}

void SourceDecoder::frameList(const char* key, const std::string& prefix) {
    SourceNode* list = slot(key, SourceNode::Kind::List);
    stack_.push_back(list);
    PalettePicture picture;
    for (int i = 1; !failed(); ++i) {
        const int32_t n = readWord();
        if (failed() || n < 0) break;
        std::vector<uint8_t> bytes;
        if (static_cast<size_t>(n) > stream_.size() - cursor_) {
            error_ = "a frame runs past the end of the stream";
            break;
        }
        bytes.assign(stream_.begin() + static_cast<std::ptrdiff_t>(cursor_),
                     stream_.begin() + static_cast<std::ptrdiff_t>(cursor_ + static_cast<size_t>(n)));
        cursor_ += static_cast<size_t>(n);
        char name[16];
        beginItem(i);
        if (paletteFrameOf(bytes, &picture)) {
            std::snprintf(name, sizeof name, "%04d.png", i);
            if (!writePalettePng((fs::path(folder_) / (prefix + name)).string(), picture) && error_.empty())
                error_ = "cannot write " + (fs::path(folder_) / (prefix + name)).string();
        } else {
            std::snprintf(name, sizeof name, "%04d.bin", i);
            writeFile(prefix + name, bytes);
        }
        setScalar(nullptr, quoteBytes(prefix + name));
        endItem();
    }
    stack_.pop_back();
}

std::string SourceDecoder::assetName(const char* key) {
    const std::string name = str(key, std::nullopt);
    // The pack names it relative to its own folder (either separator); the copy keeps the name.
    std::string relative = name;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    std::vector<uint8_t> bytes;
    if (readWhole(fs::path(packFolder_) / relative, &bytes)) writeFile(relative, bytes);
    return name;
}

// ---------------------------------------------------------------------------------------------
// Encoding

struct SourceEncoder::Frame {
    YAML::Node node;
    std::string file;
    std::set<std::string> used;
    bool isItem = false;
    bool isFile = false;
};

SourceEncoder::SourceEncoder(std::string folder) : folder_(std::move(folder)) {}
SourceEncoder::~SourceEncoder() = default;

void SourceEncoder::addProblem(const std::string& file, int line, int column, const std::string& what) {
    ++problemCount_;
    if (static_cast<int>(problems_.size()) < kMaxSourceProblems) problems_.push_back({file, line, column, what});
}

bool SourceEncoder::beginDocument(const std::string& path) {
    auto frame = std::make_unique<Frame>();
    frame->file = path;
    frame->isFile = true;
    try {
        frame->node = YAML::LoadFile((fs::path(folder_) / path).string());
    } catch (const YAML::BadFile&) {
        addProblem(path, 1, 1, "a readable file");
        frame->node = YAML::Node(YAML::NodeType::Map);
        stack_.push_back(std::move(frame));
        return false;
    } catch (const YAML::Exception& e) {
        addProblem(path, e.mark.line + 1, e.mark.column + 1, "valid YAML (" + e.msg + ")");
        frame->node = YAML::Node(YAML::NodeType::Map);
        stack_.push_back(std::move(frame));
        return false;
    }
    if (frame->node.IsNull()) frame->node = YAML::Node(YAML::NodeType::Map);
    if (!frame->node.IsMap()) {
        addProblem(path, frame->node.Mark().line + 1, frame->node.Mark().column + 1, "a map of keys");
        frame->node = YAML::Node(YAML::NodeType::Map);
    }
    stack_.push_back(std::move(frame));
    return true;
}

void SourceEncoder::endDocument() { popFrame(); }

void SourceEncoder::popFrame() {
    Frame& top = *stack_.back();
    if (top.node.IsMap()) {
        for (const auto& entry : top.node) {
            const std::string key = entry.first.Scalar();
            if (!top.used.count(key)) {
                const YAML::Mark m = entry.first.Mark();
                addProblem(top.file, m.line + 1, m.column + 1, "a known key, not '" + key + "'");
            }
        }
    }
    stack_.pop_back();
}

const YAML::Node* SourceEncoder::value(const char* key) {
    Frame& top = *stack_.back();
    if (!key) return &top.node;
    if (!top.node.IsMap()) return nullptr;
    top.used.insert(key);
    // Kept so that the pointer stays valid while the field is read; const access adds no key.
    // (Assigning one Node to another rebinds the first one's target, so each is made anew.)
    static thread_local std::optional<YAML::Node> found;
    const YAML::Node& map = top.node;
    found.emplace(map[key]);
    if (!found->IsDefined()) return nullptr;
    return &*found;
}

void SourceEncoder::problemAt(const YAML::Node* node, const std::string& what) {
    const Frame& top = *stack_.back();
    const YAML::Mark m = node ? node->Mark() : top.node.Mark();
    addProblem(top.file, std::max(m.line, 0) + 1, std::max(m.column, 0) + 1, what);
}

void SourceEncoder::problem(const char* key, const std::string& what) {
    const Frame& top = *stack_.back();
    const YAML::Node& map = top.node;
    if (key && map.IsMap()) {
        const YAML::Node node = map[key];
        if (node.IsDefined()) return problemAt(&node, what);
    }
    problemAt(&map, what);
}

void SourceEncoder::mark(const YAML::Node* node) {
    const Frame& top = *stack_.back();
    const YAML::Mark m = node ? node->Mark() : top.node.Mark();
    places_.push_back({stream_.size(), {top.file, std::max(m.line, 0) + 1, std::max(m.column, 0) + 1, ""}});
}

SourceProblem SourceEncoder::placeOf(uint64_t offset) const {
    auto it = std::upper_bound(places_.begin(), places_.end(), offset,
                               [](uint64_t o, const auto& p) { return o < p.first; });
    if (it == places_.begin()) return {"show.yaml", 1, 1, ""};
    return std::prev(it)->second;
}

void SourceEncoder::put(const void* data, size_t n) {
    const auto* b = static_cast<const uint8_t*>(data);
    stream_.insert(stream_.end(), b, b + n);
}

int32_t SourceEncoder::rawI32(int32_t value) {
    uint8_t b[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(uint32_t(value) >> 24)};
    put(b, 4);
    return value;
}

int16_t SourceEncoder::rawI16(int16_t value) {
    uint8_t b[2] = {uint8_t(value), uint8_t(uint16_t(value) >> 8)};
    put(b, 2);
    return value;
}

std::string SourceEncoder::peek(const char* key) {
    const YAML::Node* node = nullptr;
    std::string text;
    if (!scalarOf(key, &text, &node) && !node) problem(nullptr, std::string("the key '") + key + "'");
    return text;
}

bool SourceEncoder::scalarOf(const char* key, std::string* text, const YAML::Node** node) {
    *node = value(key);
    if (!*node) return false;
    if (!(*node)->IsScalar()) {
        problemAt(*node, "a single value");
        return false;
    }
    *text = (*node)->Scalar();
    return true;
}

int32_t SourceEncoder::i32(const char* key, std::optional<int32_t> fallback, bool) {
    const YAML::Node* node = nullptr;
    std::string text;
    int32_t v = fallback.value_or(0);
    const bool present = scalarOf(key, &text, &node);
    mark(node);
    if (present) {
        int64_t parsed = 0;
        if (!parseInteger(text, &parsed))
            problemAt(node, "a whole number, not '" + text + "'");
        else if (parsed < INT32_MIN || parsed > static_cast<int64_t>(UINT32_MAX))
            problemAt(node, "a number within 32 bits");
        else
            v = static_cast<int32_t>(static_cast<uint32_t>(parsed));
    } else if (!node && !fallback) {
        problem(nullptr, std::string("the key '") + (key ? key : "?") + "'");
    }
    rawI32(v);
    return v;
}

int16_t SourceEncoder::i16(const char* key, std::optional<int16_t> fallback) {
    const YAML::Node* node = nullptr;
    std::string text;
    int16_t v = fallback.value_or(0);
    const bool present = scalarOf(key, &text, &node);
    mark(node);
    if (present) {
        int64_t parsed = 0;
        if (!parseInteger(text, &parsed) || parsed < INT16_MIN || parsed > INT16_MAX)
            problemAt(node, "a whole number from -32768 to 32767, not '" + text + "'");
        else
            v = static_cast<int16_t>(parsed);
    } else if (!node && !fallback) {
        problem(nullptr, std::string("the key '") + (key ? key : "?") + "'");
    }
    uint8_t b[2] = {uint8_t(v), uint8_t(uint16_t(v) >> 8)};
    put(b, 2);
    return v;
}

float SourceEncoder::f32(const char* key, std::optional<float> fallback) {
    const YAML::Node* node = nullptr;
    std::string text;
    float v = fallback.value_or(0.0f);
    const bool present = scalarOf(key, &text, &node);
    mark(node);
    if (present) {
        if (!parseFloat(text, &v)) {
            problemAt(node, "a number, not '" + text + "'");
            v = fallback.value_or(0.0f);
        }
    } else if (!node && !fallback) {
        problem(nullptr, std::string("the key '") + (key ? key : "?") + "'");
    }
    put(&v, 4);
    return v;
}

void SourceEncoder::floats(const char* key, int n, float* values, const float* fallback) {
    const YAML::Node* found = value(key);
    mark(found);
    for (int i = 0; i < n; ++i) values[i] = fallback ? fallback[i] : 0.0f;
    if (!found) {
        if (!fallback) problem(nullptr, std::string("the key '") + (key ? key : "?") + "'");
    } else if (!found->IsSequence() || static_cast<int>(found->size()) != n) {
        problemAt(found, "a list of " + std::to_string(n) + " numbers");
    } else {
        for (int i = 0; i < n; ++i) {
            const YAML::Node item = (*found)[static_cast<size_t>(i)];
            if (!item.IsScalar() || !parseFloat(item.Scalar(), &values[i])) {
                problemAt(&item, "a number");
                values[i] = fallback ? fallback[i] : 0.0f;
            }
        }
    }
    for (int i = 0; i < n; ++i) put(&values[i], 4);
}

std::string SourceEncoder::str(const char* key, std::optional<std::string> fallback) {
    const YAML::Node* node = nullptr;
    std::string text;
    std::string v = fallback.value_or("");
    const bool present = scalarOf(key, &text, &node);
    mark(node);
    if (present) {
        if (!bytesOfText(text, &v)) {
            problemAt(node, "a byte string (characters up to U+00FF, other bytes as \\xHH)");
            v = fallback.value_or("");
        }
    } else if (!node && !fallback) {
        problem(nullptr, std::string("the key '") + (key ? key : "?") + "'");
    }
    rawI32(static_cast<int32_t>(v.size()));
    put(v.data(), v.size());
    return v;
}

int32_t SourceEncoder::beginList(const char* key, bool, std::optional<int32_t> known, bool) {
    const YAML::Node* found = value(key);
    mark(found);
    auto frame = std::make_unique<Frame>();
    frame->file = stack_.back()->file;
    int32_t n = 0;
    if (found) {
        if (!found->IsSequence()) {
            if (!found->IsNull()) problemAt(found, "a list");
        } else {
            frame->node = *found;
            n = static_cast<int32_t>(found->size());
        }
    }
    if (known && *known != n) {
        problemAt(found, "a list of " + std::to_string(*known) + " items, not " + std::to_string(n));
        n = std::min(n, *known);
    }
    if (!known) rawI32(n);
    stack_.push_back(std::move(frame));
    return n;
}

int32_t SourceEncoder::listCount(const char* key) {
    const Frame& top = *stack_.back();
    const YAML::Node& map = top.node;
    int32_t n = 0;
    if (key && map.IsMap()) {
        const YAML::Node list = map[key];
        if (list.IsDefined() && list.IsSequence()) n = static_cast<int32_t>(list.size());
    }
    return rawI32(n);
}

void SourceEncoder::beginItem(int32_t index) {
    auto frame = std::make_unique<Frame>();
    frame->file = stack_.back()->file;
    const YAML::Node& list = stack_.back()->node;
    frame->node = list[static_cast<size_t>(index)];
    frame->isItem = true;
    stack_.push_back(std::move(frame));
}

void SourceEncoder::endItem() { popFrame(); }
void SourceEncoder::endList() { stack_.pop_back(); }

void SourceEncoder::beginMap(const char* key) {
    const YAML::Node* found = value(key);
    auto frame = std::make_unique<Frame>();
    frame->file = stack_.back()->file;
    if (found && !found->IsMap()) {
        problemAt(found, "a map of keys");
        frame->node = YAML::Node(YAML::NodeType::Map);
    } else {
        frame->node = found ? *found : YAML::Node(YAML::NodeType::Map);
    }
    stack_.push_back(std::move(frame));
}

void SourceEncoder::endMap() { popFrame(); }

bool SourceEncoder::has(const char* key) {
    const Frame& top = *stack_.back();
    const YAML::Node& map = top.node;
    return map.IsMap() && map[key].IsDefined();
}

void SourceEncoder::beginFile(const char* key, const std::string&) {
    const YAML::Node* node = nullptr;
    std::string text;
    if (!scalarOf(key, &text, &node)) {
        if (!node) problem(nullptr, std::string("the key '") + (key ? key : "?") + "' naming a file");
        // An empty document in its place, so that its fields are still counted.
        auto frame = std::make_unique<Frame>();
        frame->file = stack_.back()->file;
        frame->node = YAML::Node(YAML::NodeType::Map);
        stack_.push_back(std::move(frame));
        return;
    }
    std::error_code ec;
    if (!fs::is_regular_file(fs::path(folder_) / text, ec)) {
        problemAt(node, "an existing file, not '" + text + "'");
        auto frame = std::make_unique<Frame>();
        frame->file = text;
        frame->node = YAML::Node(YAML::NodeType::Map);
        stack_.push_back(std::move(frame));
        return;
    }
    beginDocument(text);
}

void SourceEncoder::endFile() { popFrame(); }

void SourceEncoder::picture(const char* key, const std::string&) {
    const YAML::Node* node = nullptr;
    std::string text;
    const bool present = scalarOf(key, &text, &node);
    mark(node);
    std::vector<uint8_t> rgba(kPictureBytes, 0);
    if (!present) {
        if (!node) problem(nullptr, std::string("the key '") + (key ? key : "?") + "' naming a PNG file");
    } else {
        std::string why;
        if (!readPicture(fs::path(folder_) / text, &rgba, &why)) {
            problemAt(node, "a PNG or JPEG picture at '" + text + "' (" + why + ")");
            rgba.assign(kPictureBytes, 0);
        }
    }
    // Compressed as the picture's own save compresses it.
    std::vector<uint8_t> compressed(compressBound(kPictureBytes));
    uLongf length = compressed.size();
    if (compress(compressed.data(), &length, rgba.data(), kPictureBytes) != Z_OK) length = 0;
    rawI32(static_cast<int32_t>(length));
    put(compressed.data(), length);
}

void SourceEncoder::blob(const char* key, int32_t, const std::string&) {
    const YAML::Node* node = nullptr;
    std::string text;
    const bool present = scalarOf(key, &text, &node);
    mark(node);
    std::vector<uint8_t> bytes;
    if (!present) {
        if (!node) problem(nullptr, std::string("the key '") + (key ? key : "?") + "' naming a file");
    } else if (!readWhole(fs::path(folder_) / text, &bytes)) {
        problemAt(node, "an existing file, not '" + text + "'");
    } else if (bytes.size() > kMaxBlobBytes) {
        problemAt(node, "a file of at most 64 MiB");
        bytes.clear();
    }
    rawI32(static_cast<int32_t>(bytes.size()));
    put(bytes.data(), bytes.size());
}

struct SourceEncoder::FrameInput {
    enum class Kind { Packed, Palette, Picture } kind = Kind::Packed;
    std::vector<uint8_t> packed;
    PalettePicture palette;
    RgbaImage picture;
    int pictureIndex = -1;  // among the pictures to quantise
};

namespace {

bool endsWith(std::string text, const char* suffix) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char ch) { return std::tolower(ch); });
    const size_t n = std::strlen(suffix);
    return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

// The frame rate of stored animation frames: one frame every 30 ticks, 899 ticks a second.
constexpr double kFramesPerSecond = 899.0 / 30.0;

}  // namespace

bool SourceEncoder::readFrameFile(const std::string& name, const YAML::Node* node, FrameInput* input) {
    const std::string path = (fs::path(folder_) / name).string();
    std::string why;
    // Only a plain file is read (see readWhole).
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        problemAt(node, "an existing file, not '" + name + "'");
        return false;
    }
    if (endsWith(name, ".bin")) {
        input->kind = FrameInput::Kind::Packed;
        if (!readWhole(path, &input->packed)) {
            problemAt(node, "an existing file, not '" + name + "'");
            return false;
        }
        if (input->packed.size() > kMaxBlobBytes) {
            problemAt(node, "a file of at most 64 MiB");
            input->packed.clear();
            return false;
        }
        return true;
    }
    const PalettePng palette = readPalettePng(path, &input->palette, &why);
    if (palette == PalettePng::Read) {
        input->kind = FrameInput::Kind::Palette;
        return true;
    }
    input->kind = FrameInput::Kind::Picture;
    if (palette == PalettePng::Failed ||
        !readPictureFile(path, &input->picture.pixels, &input->picture.width, &input->picture.height, &why)) {
        problemAt(node, "a PNG or JPEG frame, or packed frame bytes (.bin), at '" + name + "' (" + why + ")");
        input->picture = RgbaImage{};
        return false;
    }
    return true;
}

void SourceEncoder::putFrames(std::vector<FrameInput>& inputs) {
    std::vector<RgbaImage> pictures;
    for (FrameInput& input : inputs)
        if (input.kind == FrameInput::Kind::Picture && !input.picture.pixels.empty()) {
            input.pictureIndex = static_cast<int>(pictures.size());
            pictures.push_back(std::move(input.picture));
        }
    uint8_t palette[1024];
    const int used = pictures.empty() ? 0 : buildFramePalette(pictures, palette);
    for (FrameInput& input : inputs) {
        std::vector<uint8_t> bytes;
        if (input.kind == FrameInput::Kind::Packed) {
            bytes = std::move(input.packed);
        } else if (input.kind == FrameInput::Kind::Palette) {
            bytes = packPaletteFrame(input.palette);
        } else if (input.pictureIndex >= 0) {
            bytes = packPaletteFrame(quantisePicture(pictures[static_cast<size_t>(input.pictureIndex)], palette, used));
        }
        rawI32(static_cast<int32_t>(bytes.size()));
        put(bytes.data(), bytes.size());
    }
    rawI32(-1);
}

void SourceEncoder::frameList(const char* key, const std::string&) {
    const int32_t n = beginList(key, false, std::nullopt, false);
    // beginList wrote a count that this record does not have: take it back.
    stream_.resize(stream_.size() - 4);
    std::vector<FrameInput> inputs(static_cast<size_t>(std::max(n, 0)));
    for (int32_t i = 0; i < n; ++i) {
        beginItem(i);
        const YAML::Node* node = nullptr;
        std::string name;
        if (scalarOf(nullptr, &name, &node)) readFrameFile(name, node, &inputs[static_cast<size_t>(i)]);
        endItem();
    }
    endList();
    putFrames(inputs);
}

void SourceEncoder::importFrames(const char* key) {
    const YAML::Node* node = nullptr;
    std::string name;
    const bool present = scalarOf(key, &name, &node);
    const YAML::Node at = node ? *node : YAML::Node();
    mark(node);
    int64_t maxFrames = 300;
    if (const YAML::Node* limit = value("maxFrames")) {
        if (!limit->IsScalar() || !parseInteger(limit->Scalar(), &maxFrames) || maxFrames < 1 || maxFrames > 10000) {
            problemAt(limit, "a whole number from 1 to 10000");
            maxFrames = 300;
        }
    }
    std::vector<FrameInput> inputs;
    const fs::path path = fs::path(folder_) / name;
    std::error_code ec;
    if (!present) {
        if (!node) problem(nullptr, std::string("the key '") + key + "'");
    } else if (fs::is_directory(path, ec)) {
        // A folder of pictures: one frame each, in the order of their names.
        std::vector<std::string> files;
        for (const auto& entry : fs::directory_iterator(path, ec)) {
            const std::string file = entry.path().filename().string();
            if (entry.is_regular_file(ec) && (endsWith(file, ".png") || endsWith(file, ".jpg") || endsWith(file, ".jpeg")))
                files.push_back(file);
        }
        std::sort(files.begin(), files.end());
        if (files.empty()) problemAt(&at, "a folder holding PNG or JPEG pictures, not '" + name + "'");
        if (files.size() > static_cast<size_t>(maxFrames)) files.resize(static_cast<size_t>(maxFrames));
        inputs.resize(files.size());
        for (size_t i = 0; i < files.size(); ++i) readFrameFile((fs::path(name) / files[i]).string(), &at, &inputs[i]);
    } else if (!fs::is_regular_file(path, ec)) {
        problemAt(&at, "an existing folder of pictures or clip file, not '" + name + "'");
    } else {
        std::vector<RgbaImage> pictures;
        std::string why;
        if (!decodeVideoFrames(path.string(), kFramesPerSecond, static_cast<int>(maxFrames), kSourcePictureSide,
                               &pictures, &why)) {
            problemAt(&at, "a clip (animated GIF or video) at '" + name + "' (" + why + ")");
        }
        inputs.resize(pictures.size());
        for (size_t i = 0; i < pictures.size(); ++i) {
            inputs[i].kind = FrameInput::Kind::Picture;
            inputs[i].picture = std::move(pictures[i]);
        }
    }
    putFrames(inputs);
}

void SourceEncoder::music(const char* key) {
    if (!has(key)) return;
    const YAML::Node* node = nullptr;
    std::string name;
    if (!scalarOf(key, &name, &node)) return;
    const Frame& top = *stack_.back();
    musicPlace_ = {top.file, node->Mark().line + 1, node->Mark().column + 1, ""};
    const fs::path path = fs::path(folder_) / name;
    std::error_code ec;
    std::string why;
    if (!fs::is_regular_file(path, ec))
        problemAt(node, "an existing audio file, not '" + name + "'");
    else if (!endsWith(name, ".mp3") && !probeAudioFile(path.string(), &why))
        problemAt(node, "an audio file at '" + name + "' (" + why + ")");
    else
        music_ = name;
}

struct SourceEncoder::ObjRead {
    ObjMesh mesh;
    YAML::Node at;
    std::string name;
};

SourceEncoder::ObjRead SourceEncoder::readObjFile(const char* key) {
    ObjRead obj;
    const YAML::Node* node = nullptr;
    const bool present = scalarOf(key, &obj.name, &node);
    if (node) obj.at = *node;
    mark(node);
    if (!present) return obj;
    std::ifstream in;
    openPlainFile(fs::path(folder_) / obj.name, &in);
    if (!in.is_open())
        problemAt(&obj.at, "an existing OBJ file, not '" + obj.name + "'");
    else
        parseObj(in, obj.name, &obj.mesh, [&](const std::string& what) { problemAt(&obj.at, what); });
    return obj;
}

bool SourceEncoder::objMesh(const char* key, const std::string&, int32_t* faces) {
    *faces = 0;
    if (!has(key)) return false;
    const ObjMesh mesh = readObjFile(key).mesh;
    rawI32(static_cast<int32_t>(mesh.points.size() / 3));
    for (float v : mesh.points) put(&v, 4);
    rawI32(static_cast<int32_t>(mesh.faces.size()));
    for (const auto& face : mesh.faces) {
        rawI32(static_cast<int32_t>(face.size()));
        for (int32_t index : face) rawI32(index);
    }
    *faces = static_cast<int32_t>(mesh.faces.size());
    return true;
}

bool SourceEncoder::inlineObj(const char* key, const std::string&) {
    if (!has(key)) return false;
    const ObjRead obj = readObjFile(key);
    const ObjMesh& mesh = obj.mesh;
    const YAML::Node& at = obj.at;
    const std::string& name = obj.name;
    rawI32(0);  // own points
    rawI32(static_cast<int32_t>(mesh.points.size() / 3));
    for (float v : mesh.points) put(&v, 4);
    rawI32(0);  // own faces
    rawI32(static_cast<int32_t>(mesh.faces.size()));
    bool reported = false;
    for (const auto& face : mesh.faces) {
        if ((face.empty() || face.size() > 3) && !reported) {
            problemAt(&at, "faces of 1 to 3 corners in " + name + " (a mesh node's faces are triangles at most)");
            reported = true;
        }
        rawI32(static_cast<int32_t>(std::min<size_t>(face.size(), 3)));
        for (size_t k = 0; k < 3; ++k) rawI32(k < face.size() ? face[k] : 0);
    }
    for (int32_t material : mesh.materials) rawI32(material);
    return true;
}

void SourceEncoder::patchI32(size_t at, int32_t value) {
    if (at + 4 > stream_.size()) return;
    for (int i = 0; i < 4; ++i) stream_[at + static_cast<size_t>(i)] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * i));
}

int32_t SourceEncoder::importMesh(const char* key, ImportedColours* colours) {
    const YAML::Node* node = nullptr;
    std::string text;
    const bool present = scalarOf(key, &text, &node);
    const YAML::Node at = node ? *node : YAML::Node();
    mark(node);
    ImportSettings settings;
    auto number = [&](const char* name, float* v) {
        const YAML::Node* n = value(name);
        if (n && (!n->IsScalar() || !parseFloat(n->Scalar(), v))) problemAt(n, "a number");
    };
    auto flag = [&](const char* name, bool* v) {
        const YAML::Node* n = value(name);
        if (!n) return;
        if (n->IsScalar() && (n->Scalar() == "true" || n->Scalar() == "false"))
            *v = n->Scalar() == "true";
        else
            problemAt(n, "true or false");
    };
    number("scale", &settings.scale);
    if (const YAML::Node* r = value("rotation")) {
        if (!r->IsSequence() || r->size() != 3) {
            problemAt(r, "a list of 3 angles in degrees");
        } else {
            for (size_t i = 0; i < 3; ++i) {
                const YAML::Node item = (*r)[i];
                if (!item.IsScalar() || !parseFloat(item.Scalar(), &settings.rotation[i])) problemAt(&item, "a number");
            }
        }
    }
    flag("swapYZ", &settings.swapYZ);
    flag("keepPolygons", &settings.keepPolygons);
    ImportedMesh mesh;
    if (present) {
        std::string why;
        if (!importMeshFile((fs::path(folder_) / text).string(), settings, &mesh, &why)) {
            problemAt(&at, "a model file the importer reads at '" + text + "' (" + why + ")");
            mesh = ImportedMesh{};
        }
    }
    *colours = ImportedColours{};
    colours->opacity = mesh.opacity;
    for (const int32_t colour : mesh.faceColours) {
        const auto known = std::find(colours->colours.begin(), colours->colours.end(), colour);
        colours->faceColour.push_back(static_cast<int32_t>(known - colours->colours.begin()));
        if (known == colours->colours.end()) colours->colours.push_back(colour);
    }
    rawI32(static_cast<int32_t>(mesh.points.size()));
    for (const auto& p : mesh.points) put(p.data(), 12);
    rawI32(static_cast<int32_t>(mesh.faces.size()));
    for (const auto& face : mesh.faces) {
        rawI32(static_cast<int32_t>(face.size()));
        for (int32_t index : face) rawI32(index);
    }
    return static_cast<int32_t>(mesh.faces.size());
}

std::string SourceEncoder::assetName(const char* key) {
    const YAML::Node* node = value(key);
    std::string name = str(key, std::nullopt);
    if (!node || name.empty()) return name;
    std::string relative = name;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    const fs::path path = fs::path(folder_) / relative;
    std::ifstream in(path, std::ios::binary);
    uint8_t header[128] = {};
    if (!in) {
        problemAt(node, "an existing FLI/FLC file, not '" + name + "'");
        return name;
    }
    in.read(reinterpret_cast<char*>(header), sizeof header);
    const unsigned magic = header[4] | header[5] << 8;
    if (in.gcount() != sizeof header || (magic != 0xAF11 && magic != 0xAF12))
        problemAt(node, "an FLI/FLC file (128-byte header, magic AF11 or AF12) at '" + name + "'");
    else
        assets_.push_back(relative);
    return name;
}
