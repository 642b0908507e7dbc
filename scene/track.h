// Track and TimedKey: a time-ordered sequence of keys, each pairing a time (ticks) with a value,
// with the bracketing lookup findAt. The player's tracks carry cells; the scene controllers'
// tracks carry key values.
//
// A key's value is a plain pointer. Keys made by insert() point at something the key does not
// own (a cell, which appears on two keys of its track). Keys read by load() or made by
// insertKeyValue() own a KeyValue, and value points at that same object.
#pragma once

#include <cstdint>

#include "data/named_list.h"

class KeyValue;
class PackReader;
class PackWriter;

class TimedKey {
public:
    TimedKey() = default;
    // A key on a value it does not own.
    TimedKey(int32_t time, void* value) : time_(time), value_(value) {}
    TimedKey(const TimedKey&) = delete;
    TimedKey& operator=(const TimedKey&) = delete;

    // Virtual operations in slot order.

    // Deletes the owned key value, if any; never a borrowed value.
    virtual ~TimedKey();
    // int32 time; int32 kind (0..3); the key value of that kind loads itself. A kind outside
    // 0..3 fails the reader and leaves the key without a value.
    virtual void load(PackReader& reader);
    // Time, the value's kind, the value's record. A key without a key value writes kind -1
    // (which load refuses), since only key values have a record here.
    virtual void save(PackWriter& writer) const;

    int32_t getTime() const { return time_; }
    void setTime(int32_t t) { time_ = t; }
    void* getValue() const { return value_; }
    // The owned key value, or null for a key on a borrowed value.
    KeyValue* getKeyValue() const { return keyValue_; }
    // Takes ownership of value (deleting any previous owned one); value_ points at it.
    void setKeyValue(KeyValue* value);

private:
    int32_t time_ = 0;
    void* value_ = nullptr;
    KeyValue* keyValue_ = nullptr;
};

class Track {
public:
    Track() = default;
    Track(const Track&) = delete;
    Track& operator=(const Track&) = delete;

    // Virtual operations in slot order.

    // Deletes the keys (and through them their owned key values), never borrowed values.
    virtual ~Track();
    // int32 n, then n keys appended in file order (firstTime and lastTime untouched).
    virtual void load(PackReader& reader);
    // The key count, then every key's record.
    virtual void save(PackWriter& writer) const;

    // Appends a key on a borrowed value (no sorting) and widens firstTime / lastTime.
    void insert(void* value, int32_t time);
    // As insert, but the key owns value.
    void insertKeyValue(KeyValue* value, int32_t time);
    // 0 and the first consecutive pair (k0, k1) with k0.time <= t <= k1.time in values / times;
    // 1 when the track has fewer than two keys; 5 when no pair brackets t. At a key's own time
    // the pair that ends there is found first.
    int findAt(int32_t t, void* values[2], int32_t times[2]);
    // As findAt, giving the keys themselves.
    int findKeysAt(int32_t t, TimedKey* keys[2]);

    int count() const { return keys_.count(); }
    // Key at index, or null.
    TimedKey* getKey(int index) { return keys_.getAt(index); }
    NamedList<TimedKey>& keys() { return keys_; }
    int32_t getFirstTime() const { return firstTime_; }
    int32_t getLastTime() const { return lastTime_; }

private:
    NamedList<TimedKey> keys_;
    int32_t firstTime_ = 0;
    int32_t lastTime_ = 0;
};
