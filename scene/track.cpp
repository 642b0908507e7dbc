// Track and TimedKey: keyed time sequences and their bracketing lookup.
#include "scene/track.h"

#include <cstdio>

#include "data/pack_reader.h"
#include "data/pack_writer.h"
#include "scene/key_value.h"

namespace {
// Bound for a key count read from a file.
constexpr int32_t kMaxTrackKeys = 1 << 20;
}  // namespace

TimedKey::~TimedKey() { delete keyValue_; }

void TimedKey::setKeyValue(KeyValue* value) {
    if (keyValue_ != value) delete keyValue_;
    keyValue_ = value;
    value_ = value;
}

void TimedKey::load(PackReader& reader) {
    ReadContext context(reader, "a track key");
    time_ = reader.getInt();
    int32_t kind = reader.getInt();
    if (reader.failed()) return;
    KeyValue* value = createKeyValue(kind);
    if (!value) {
        char reason[64];
        std::snprintf(reason, sizeof reason, "unknown key value kind %d", static_cast<int>(kind));
        reader.fail(reason);
        return;
    }
    value->load(reader);
    setKeyValue(value);
}

void TimedKey::save(PackWriter& writer) const {
    writer.writeInt(time_);
    if (!keyValue_) {
        writer.writeInt(-1);
        return;
    }
    writer.writeInt(keyValue_->getType());
    keyValue_->save(writer);
}

Track::~Track() {
    for (TimedKey* key : keys_) delete key;
}

void Track::load(PackReader& reader) {
    ReadContext context(reader, "a track");
    int32_t n = reader.getInt();
    if (!reader.checkCount(n, kMaxTrackKeys, "track key count")) return;
    for (int32_t i = 0; i < n && !reader.failed(); ++i) {
        TimedKey* key = new TimedKey();
        key->load(reader);
        if (reader.failed()) {
            delete key;
            return;
        }
        keys_.addLast(key);
    }
}

void Track::save(PackWriter& writer) const {
    writer.writeInt(keys_.count());
    for (TimedKey* key : keys_) key->save(writer);
}

void Track::insert(void* value, int32_t time) {
    keys_.addLast(new TimedKey(time, value));
    if (firstTime_ == -1 || time < firstTime_) firstTime_ = time;
    if (lastTime_ == -1 || lastTime_ < time) lastTime_ = time;
}

void Track::insertKeyValue(KeyValue* value, int32_t time) {
    insert(nullptr, time);
    keys_.last()->setKeyValue(value);
}

int Track::findKeysAt(int32_t t, TimedKey* keys[2]) {
    keys_.seek(0);
    if (keys_.count() < 2) return 1;
    TimedKey* previous = nullptr;
    for (TimedKey* key : keys_) {
        if (previous && previous->getTime() <= t && t <= key->getTime()) {
            keys[0] = previous;
            keys[1] = key;
            return 0;
        }
        previous = key;
    }
    return 5;
}

int Track::findAt(int32_t t, void* values[2], int32_t times[2]) {
    TimedKey* pair[2];
    int result = findKeysAt(t, pair);
    if (result != 0) return result;
    values[0] = pair[0]->getValue();
    values[1] = pair[1]->getValue();
    times[0] = pair[0]->getTime();
    times[1] = pair[1]->getTime();
    return 0;
}
