// Node3D: identity, tree, cached transforms, properties and the node record.
#include "scene/node3d.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_set>

#include "data/message_box.h"
#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "scene/node_factory.h"

namespace {

// Cache bits: local, world, inverse world matrix and world position valid.
constexpr uint8_t kLocalValid = 1 << 0;
constexpr uint8_t kWorldValid = 1 << 2;
constexpr uint8_t kInverseValid = 1 << 3;
constexpr uint8_t kWorldPositionValid = 1 << 4;
// invalidate keeps bits 6 and 7.
constexpr uint8_t kKeptOnInvalidate = 0xC0;

// Property names and values are read into 99-byte buffers (98 characters and the NUL).
constexpr size_t kPropertyBufferSize = 99;
// Bounds for counts read from the file; real shows stay far below them.
constexpr int32_t kMaxProperties = 65536;
constexpr int32_t kMaxChildren = 1 << 20;
constexpr int32_t kMaxKindWords = 64;
// Nesting bound so that a hostile file cannot exhaust the stack through recursion.
constexpr int kMaxNodeDepth = 256;

int loadDepth = 0;

// Starts at 1 so that 0 can stand for "nothing cached".
uint64_t treeVersion = 1;

struct DepthGuard {
    DepthGuard() { ++loadDepth; }
    ~DepthGuard() { --loadDepth; }
};

char* copyString(const char* s) {
    if (!s) s = "";
    size_t n = std::strlen(s);
    char* copy = new char[n + 1];
    std::memcpy(copy, s, n + 1);
    return copy;
}

}  // namespace

uint64_t nodeTreeVersion() { return treeVersion; }

void noteNodeTreeChange() { ++treeVersion; }

Node3D::Node3D() {
    localMatrix_.setIdentity();
    worldMatrix_.setIdentity();
    inverseWorldMatrix_.setIdentity();
}

Node3D::~Node3D() {
    noteNodeTreeChange();
    for (Node3D* child : children_) delete child;
    for (NamedEntry<char>* entry : properties_) {
        delete[] const_cast<char*>(entry->name);
        delete[] entry->value;
        delete entry;
    }
}

int Node3D::copyTreeTo(Node3D* dest) {
    copyDataTo(dest);
    for (Node3D* child : children_) {
        Node3D* copy = child->createInstance();
        // No class makes instances; a child without one is left out of the copy.
        if (!copy) continue;
        child->copyTreeTo(copy);
        dest->addChild(copy, 0);
    }
    return 1;
}

Node3D* Node3D::clone(bool deep) {
    Node3D* copy = createInstance();
    if (!copy) return nullptr;
    if (deep)
        copyTreeTo(copy);
    else
        copyDataTo(copy);
    return copy;
}

void Node3D::addChild(Node3D* child, int where) {
    if (!child) return;
    child->setParent(this);
    if (where == 0) {
        children_.addLast(child);
    } else if (where == 1) {
        children_.addFirst(child);
    } else if (!children_.insertAt(where, child)) {
        // An index outside the list appends rather than dropping the child.
        children_.addLast(child);
    }
    // The child's world transform now depends on this node.
    child->invalidate();
    noteNodeTreeChange();
}

Node3D* Node3D::getRoot() {
    Node3D* node = this;
    while (Node3D* up = node->getParent()) node = up;
    return node;
}

int Node3D::getChildCount() { return children_.count(); }

Node3D* Node3D::getChild(int index) {
    if (index < 0 || index >= children_.count()) return nullptr;
    return children_.getAt(index);
}

Node3D* Node3D::getNodeByName(const char* name) {
    messageBox("getNodebyname !!!", "not implemented", MessageBoxStyle::Ok);
    return nullptr;
}

Node3D* Node3D::findNodeById(int id) {
    for (Node3D* child : children_) {
        if (child->getId() == id) return child;
        if (Node3D* found = child->findNodeById(id)) return found;
    }
    return nullptr;
}

void Node3D::setVisible(bool visible) { state_ = uint8_t((state_ & ~1u) | (visible ? 1u : 0u)); }

void Node3D::setName(const char* name) {
    if (!name) name = "";
    std::snprintf(name_, sizeof name_, "%s", name);
}

void Node3D::rotatePositionAbout(const Vector3& pivot, const Vector3& angles) {
    Vector3 offset = position_.minus(pivot);
    offset.rotateEuler(angles);
    position_ = pivot.plus(offset);
}

void Node3D::rotate(const Vector3& delta) {
    rotation_.add(delta);
    invalidate();
}

void Node3D::rotate(float dx, float dy, float dz) {
    rotation_.add(Vector3(dx, dy, dz));
    invalidate();
}

void Node3D::rotateX(float d) {
    rotation_.x += d;
    invalidate();
}

void Node3D::rotateY(float d) {
    rotation_.y += d;
    invalidate();
}

void Node3D::rotateZ(float d) {
    rotation_.z += d;
    invalidate();
}

void Node3D::setRotation(float x, float y, float z) {
    rotation_.set(x, y, z);
    invalidate();
}

void Node3D::setRotation(const Vector3& r) {
    rotation_ = r;
    invalidate();
}

void Node3D::translate(const Vector3& d) { translate(d.x, d.y, d.z); }

void Node3D::translate(float dx, float dy, float dz) {
    position_.add(Vector3(dx, dy, dz));
    invalidate();
}

void Node3D::updateChildren(RenderDevice* device, int width, int height) {
    for (Node3D* child : children_) child->update(device, width, height, true);
}

void Node3D::setScale(const Vector3& s) {
    scale_ = s;
    invalidate();
}

void Node3D::setScale(float x, float y, float z) {
    scale_.set(x, y, z);
    invalidate();
}

void Node3D::setPosition(const Vector3& p) { setPosition(p.x, p.y, p.z); }

void Node3D::setPosition(float x, float y, float z) {
    position_.set(x, y, z);
    invalidate();
}

void Node3D::drawChildren(RenderDevice* device, int width, int height) {
    for (Node3D* child : children_) child->draw(device, width, height, true);
}

void Node3D::invalidate() {
    cacheFlags_ &= kKeptOnInvalidate;
    for (Node3D* child : children_) child->invalidate();
}

void Node3D::load(PackReader& reader, MaterialLibrary* materials, MeshRegistry* registry) {
    loadNodeRecord(reader, materials, registry);
}

void Node3D::save(PackWriter& writer, MaterialLibrary* materials) { saveNodeRecord(writer, materials); }

void Node3D::setQuaternion(const Quaternion& q) {
    orientation_ = q;
    useQuaternion_ = true;
    invalidate();
}

void Node3D::setUseQuaternion(bool on) {
    useQuaternion_ = on;
    if (!on) {
        Matrix4 m = Matrix4::identity();
        m.setRotationQuaternion(orientation_);
        setRotation(m.getEulerAngles());
    }
    invalidate();
}

const char* Node3D::findProperty(const char* name) {
    if (!name) return nullptr;
    for (NamedEntry<char>* entry : properties_)
        if (std::strcmp(entry->name, name) == 0) return entry->value;
    return nullptr;
}

void Node3D::addProperty(const char* name, const char* value) {
    if (!name) return;
    for (NamedEntry<char>* entry : properties_)
        if (std::strcmp(entry->name, name) == 0) return;
    properties_.addLast(new NamedEntry<char>(copyString(value), copyString(name)));
}

Matrix4 Node3D::getLocalMatrix() {
    if (cacheFlags_ & kLocalValid) return localMatrix_;
    Matrix4 s = Matrix4::identity();
    s.setScaleDiagonal(scale_);
    Matrix4 r = Matrix4::identity();
    if (useQuaternion_)
        r.setRotationQuaternion(orientation_);
    else
        r.setRotationEuler(rotation_);
    Matrix4 t = Matrix4::identity();
    t.setTranslation(position_);
    localMatrix_ = s.multiplyMatrix(r).multiplyMatrix(t);
    cacheFlags_ |= kLocalValid;
    return localMatrix_;
}

Matrix4 Node3D::getWorldMatrix() {
    if (cacheFlags_ & kWorldValid) return worldMatrix_;
    worldMatrix_ = getLocalMatrix();
    if (Node3D* parent = getParent()) worldMatrix_ = worldMatrix_.multiplyMatrix(parent->getWorldMatrix());
    cacheFlags_ |= kWorldValid;
    return worldMatrix_;
}

Matrix4 Node3D::getInverseWorldMatrix() {
    if (cacheFlags_ & kInverseValid) return inverseWorldMatrix_;
    inverseWorldMatrix_ = getWorldMatrix();
    // A singular matrix is left as it is (equal to the world matrix).
    inverseWorldMatrix_.invert();
    cacheFlags_ |= kInverseValid;
    return inverseWorldMatrix_;
}

Vector3 Node3D::getWorldPosition() {
    if (!(cacheFlags_ & kWorldPositionValid)) {
        cacheFlags_ |= kWorldPositionValid;
        worldPosition_ = position_;
        if (Node3D* parent = getParent()) worldPosition_ = position_.transformPoint(parent->getWorldMatrix());
    }
    return worldPosition_;
}

void Node3D::loadNodeRecord(PackReader& reader, MaterialLibrary* materials, MeshRegistry* registry) {
    ReadContext context(reader, "a node record");
    DepthGuard depth;
    if (loadDepth > kMaxNodeDepth) {
        reader.fail("node tree nested too deeply");
        return;
    }

    int32_t propertyCount = reader.getInt();
    if (!reader.checkCount(propertyCount, kMaxProperties, "node property count")) return;
    // The names present, so that each property read is checked for a duplicate at once
    // instead of by a walk of the table (the first one read wins, as in addProperty).
    std::unordered_set<std::string> names;
    for (NamedEntry<char>* entry : properties_) names.insert(entry->name);
    for (int32_t i = 0; i < propertyCount && !reader.failed(); ++i) {
        char name[kPropertyBufferSize] = {};
        char value[kPropertyBufferSize] = {};
        reader.readCountedString(name, sizeof name);
        reader.readCountedString(value, sizeof value);
        if (reader.failed()) return;
        if (names.insert(name).second) properties_.addLast(new NamedEntry<char>(copyString(value), copyString(name)));
    }
    onPropertiesLoaded();

    id_ = reader.getInt();
    noteNodeTreeChange();
    reserved_ = reader.getInt();
    targetId_ = reader.getInt();
    param_ = reader.getFloat();
    {
        ReadContext nameContext(reader, "a node name");
        reader.readCountedString(name_, sizeof name_);
    }
    Vector3 position;
    Quaternion orientation;
    Vector3 scale;
    position.load(reader);
    orientation.load(reader);
    scale.load(reader);
    if (reader.failed()) return;
    setPosition(position);
    setQuaternion(orientation);
    setScale(scale);

    int32_t childCount = reader.getInt();
    if (!reader.checkCount(childCount, kMaxChildren, "node child count")) return;
    for (int32_t i = 0; i < childCount && !reader.failed(); ++i) {
        ReadContext childContext(reader, "a child node kind");
        int32_t wordCount = reader.getInt();
        if (reader.failed()) return;
        if (wordCount < 1 || wordCount > kMaxKindWords) {
            char reason[64];
            std::snprintf(reason, sizeof reason, "bad node kind word count %d", static_cast<int>(wordCount));
            reader.fail(reason);
            return;
        }
        NodeKind kinds = static_cast<NodeKind>(reader.getInt());
        for (int32_t w = 1; w < wordCount; ++w) reader.getInt();  // only the first word is used
        if (reader.failed()) return;

        // A kind word with none of the factory's bits makes no node and has no record: the next
        // child's kind words follow at once.
        Node3D* child = createNodeFromKinds(kinds, this, materials);
        if (!child && factoryKindBit(kinds) >= 0) {
            // A class of the file that this program did not register: its record cannot be read.
            reader.fail("no node class registered for a child's kind");
            return;
        }
        if (!child) continue;
        // The child can find its root scene while its own record (and subtree) is read.
        child->setParent(this);
        child->load(reader, materials, registry);
        child->invalidate();
        addChild(child, 0);
    }
}

void Node3D::saveNodeRecord(PackWriter& writer, MaterialLibrary* materials) {
    writer.writeInt(properties_.count());
    for (NamedEntry<char>* entry : properties_) {
        writer.writeString(entry->name);
        writer.writeString(entry->value);
    }
    writer.writeInt(id_);
    writer.writeInt(reserved_);
    writer.writeInt(targetId_);
    writer.writeFloat(param_);
    writer.writeString(name_);
    position_.save(writer);
    orientation_.save(writer);
    scale_.save(writer);
    writer.writeInt(children_.count());
    for (Node3D* child : children_) {
        writer.writeInt(1);
        writer.writeInt(static_cast<int32_t>(child->getKinds()));
        child->save(writer, materials);
    }
}
