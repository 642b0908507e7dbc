// Node3D: the base class of every scene-graph node. Identity (id, name, kind bits), place in the
// tree (parent, ordered owned children), local transform with lazily cached local, world and
// inverse-world matrices, visibility, text properties and a time value. The scene clip drives a
// frame through update() then draw(), depth-first. load() reads the node record and, through the
// kind-bit factory, the whole subtree.
#pragma once

#include <cstdint>

#include "data/named_list.h"
#include "math/matrix4.h"
#include "math/quaternion.h"
#include "math/vector3.h"
#include "scene/node_kind.h"

class PackReader;
class PackWriter;
class RenderDevice;
class MaterialLibrary;
class MeshRegistry;

// Capacity of the name field (254 characters and the NUL).
constexpr int kNodeNameCapacity = 255;

// A number that changes whenever any node tree changes shape (a child added or removed, a parent
// set, a node deleted) or a node's id changes; never 0. Lookups that keep what they found (a
// controller's node, a mesh's scene root) keep this with it, and look again once it differs.
uint64_t nodeTreeVersion();
// Marks a change of shape made outside Node3D's own operations (through children(), say).
void noteNodeTreeChange();

class Node3D {
public:
    Node3D();

    // Virtual operations in slot order.

    // 0: deletes every child, then the property table and the children list.
    virtual ~Node3D();
    // 1: the stored type-name string.
    virtual const char* getTypeName() const { return "UNDEFINED NODE TYPE"; }
    // 2, 3: no class clones; null / 0.
    virtual Node3D* createInstance() { return nullptr; }
    virtual int copyDataTo(Node3D* dest) { return 0; }
    // 4: copies data, then instances of the children; dest must not be null.
    virtual int copyTreeTo(Node3D* dest);
    // 5
    virtual Node3D* clone(bool deep);
    // 6: where 0 appends, 1 prepends, else inserts at that index.
    virtual void addChild(Node3D* child, int where);
    virtual void reserved7() {}
    virtual void reserved8() {}
    virtual int reserved9(int) { return 0; }
    virtual int reserved10(int) { return 0; }
    // 11: the topmost ancestor (this node when it has no parent).
    virtual Node3D* getRoot();
    virtual Node3D* getParent() { return parent_; }
    virtual void setParent(Node3D* parent) {
        parent_ = parent;
        noteNodeTreeChange();
    }
    virtual int getChildCount();
    // 15: null when out of range.
    virtual Node3D* getChild(int index);
    // 16: not available; shows its box and returns null.
    virtual Node3D* getNodeByName(const char* name);
    // 17: depth-first over the descendants in child order; this node is not compared.
    virtual Node3D* findNodeById(int id);
    virtual void setId(int id) {
        id_ = id;
        noteNodeTreeChange();
    }
    virtual void setVisible(bool visible);
    virtual bool isVisible() { return (state_ & 1) != 0; }
    virtual void setName(const char* name);
    virtual const char* getName() { return name_; }
    // 23: position := pivot + rotateEuler(position - pivot, angles); does not invalidate.
    virtual void rotatePositionAbout(const Vector3& pivot, const Vector3& angles);
    virtual void rotate(const Vector3& delta);
    virtual void reserved25(float, float, float, float) { invalidate(); }
    virtual void rotate(float dx, float dy, float dz);
    virtual void rotateX(float d);
    virtual void rotateY(float d);
    virtual void rotateZ(float d);
    virtual void setRotation(float x, float y, float z);
    virtual void setRotation(const Vector3& r);
    virtual Vector3 getRotation() { return rotation_; }
    virtual void translate(const Vector3& d);
    virtual void translate(float dx, float dy, float dz);
    // 35: the update pass; Node3D does nothing and does not recurse.
    virtual int update(RenderDevice* device, int width, int height, bool recurse) { return 0; }
    virtual void updateChildren(RenderDevice* device, int width, int height);
    virtual void setScale(const Vector3& s);
    virtual void setScale(float x, float y, float z);
    virtual void setPosition(const Vector3& p);
    virtual void setPosition(float x, float y, float z);
    // 41: the draw pass; Node3D does nothing and does not recurse.
    virtual int draw(RenderDevice* device, int width, int height, bool recurse) { return 0; }
    virtual void drawChildren(RenderDevice* device, int width, int height);
    // 43: clears this node's caches and those of its whole subtree.
    virtual void invalidate();
    // 44: the node record and its subtree. Errors are recorded on the reader.
    virtual void load(PackReader& reader, MaterialLibrary* materials, MeshRegistry* registry);
    // 45: the mirror of load.
    virtual void save(PackWriter& writer, MaterialLibrary* materials);
    // 46: called by load right after the property table has been read.
    virtual void onPropertiesLoaded() {}

    // Non-virtual operations.
    void addKind(int bit) { kinds_ |= kindMask(bit); }
    bool hasKind(int bit) const { return (kinds_ & kindMask(bit)) != 0; }
    NodeKind getKinds() const { return kinds_; }
    int getId() const { return id_; }
    int getTargetId() const { return targetId_; }
    void setTargetId(int id) { targetId_ = id; }
    int getReserved() const { return reserved_; }
    void setReserved(int v) { reserved_ = v; }
    int getTime() const { return time_; }
    void setTime(int t) { time_ = t; }
    float getParam() const { return param_; }
    void setParam(float p) { param_ = p; }
    Vector3 getPosition() const { return position_; }
    Vector3 getScale() const { return scale_; }
    Quaternion getQuaternion() const { return orientation_; }
    bool usesQuaternion() const { return useQuaternion_; }
    // orientation := q, quaternion rotation on; invalidates.
    void setQuaternion(const Quaternion& q);
    // Switching off takes the Euler angles over from the quaternion; invalidates.
    void setUseQuaternion(bool on);
    // Exact, case-sensitive; null when absent.
    const char* findProperty(const char* name);
    // Added only when no property of that name exists (the first one wins). Copies both strings.
    void addProperty(const char* name, const char* value);
    NamedTable<char>& properties() { return properties_; }
    NamedList<Node3D>& children() { return children_; }

    Matrix4 getLocalMatrix();
    Matrix4 getWorldMatrix();
    Matrix4 getInverseWorldMatrix();
    Vector3 getWorldPosition();

protected:
    // Reads / writes exactly the Node3D record (used by the class records that embed it).
    void loadNodeRecord(PackReader& reader, MaterialLibrary* materials, MeshRegistry* registry);
    void saveNodeRecord(PackWriter& writer, MaterialLibrary* materials);

    Vector3 position_{0, 0, 0};
    Vector3 rotation_{0, 0, 0};
    Vector3 worldPosition_{0, 0, 0};
    Matrix4 localMatrix_;
    Matrix4 worldMatrix_;
    Matrix4 inverseWorldMatrix_;
    uint8_t cacheFlags_ = 0;
    NodeKind kinds_ = 0;
    NamedList<Node3D> children_;
    Node3D* parent_ = nullptr;
    int id_ = 0;
    int targetId_ = 0;
    int reserved_ = 0;
    char name_[kNodeNameCapacity] = {};
    uint8_t state_ = 1;
    bool useQuaternion_ = false;
    Quaternion orientation_{0, 0, 0, 1};
    Vector3 scale_{1, 1, 1};
    int time_ = 0;
    float param_ = 1.0f;
    NamedTable<char> properties_;
};
