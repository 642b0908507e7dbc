// MaterialLibrary: materials by id in a fixed number of slots (1000 in a scene clip).
#pragma once

#include <cstdint>

class Material;
class PackReader;
class PackWriter;

class MaterialLibrary {
public:
    explicit MaterialLibrary(int capacity);
    virtual ~MaterialLibrary();
    MaterialLibrary(const MaterialLibrary&) = delete;
    MaterialLibrary& operator=(const MaterialLibrary&) = delete;

    // clear, int32 n, n materials; rejected ones are dropped silently.
    virtual void load(PackReader& reader);
    // loadedCount, then each present material in slot order.
    virtual void save(PackWriter& writer);

    // 0 added (the library owns it); 1 id out of range; 4 slot taken. The caller keeps (and
    // deletes) a material that was not added.
    int add(Material* material);
    // The material; status 1 (out of range) or 4 (empty) and null otherwise.
    Material* find(int index, int* status);
    // Deletes every material.
    void clear();
    int capacity() const { return capacity_; }
    int loadedCount() const { return loadedCount_; }

private:
    int capacity_;
    Material** slots_;
    int loadedCount_ = 0;
};
