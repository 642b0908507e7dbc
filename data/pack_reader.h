// PackReader: the sequential typed reader of "data.pak", a gzip stream read in 10000-byte blocks.
//
// Errors are sticky: the first failure (a read past the end of the stream, a string longer than
// its destination, a count that cannot be right, or a loader's own fail() call) is remembered with
// the offset in the uncompressed stream and what was being read. From then on every read copies
// nothing, fills its destination with zeros and returns 0, so loaders stop by checking failed()
// in their loops and loading reports error() at the top.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class PackFileSource;

// Where and why reading stopped.
struct ReadError {
    std::string file;     // the reader's name
    uint64_t offset = 0;  // in the uncompressed stream
    std::string reason;   // "truncated", "bad count -3", ...
    std::string what;     // what the loaders were reading; empty when nothing was read
    // E.g. "data.pak: truncated at byte 18734 while reading a mesh point"; without what, only
    // "file: reason".
    std::string text() const;
};

class PackReader {
public:
    static constexpr int kBlockSize = 10000;

    PackReader();
    virtual ~PackReader();
    PackReader(const PackReader&) = delete;
    PackReader& operator=(const PackReader&) = delete;

    // Opens the pack file at path (openPackFile): 0 when it could be opened, 5 otherwise.
    int open(const char* path);
    // Reads from memory instead of a gzip file (tests, tools). The bytes are copied. Returns 0.
    int openMemory(const void* data, size_t size, const char* name = "memory");
    // Closes the file if one is open.
    void close();
    // Copies n (1, 2 or 4) bytes, refilling across block boundaries; the number copied.
    int readBytes(void* destination, int n);

    // Virtual typed reads, in slot order. Every string read takes its destination's capacity.
    // Bytes up to and including the first NUL; a string that does not fit fails the reader.
    virtual int readZString(char* destination, size_t capacity);
    virtual int readInt(int32_t* destination);
    // The same 4-byte routine as readInt.
    virtual int readFloat(float* destination);
    virtual int readShort(int16_t* destination);
    virtual int readByte(uint8_t* destination);
    // int32 count n, n bytes, NUL at destination[n]; n <= 0 gives "". n >= capacity fails.
    virtual void readCountedString(char* destination, size_t capacity);
    virtual void reserved6(int) {}

    // Conveniences for loaders: the value read, or 0 once the reader has failed.
    int32_t getInt();
    float getFloat();
    int16_t getShort();
    uint8_t getByte();

    // Fails unless 0 <= n <= maxCount ("bad count N"). Returns !failed().
    bool checkCount(int32_t n, int32_t maxCount, const char* what);
    // Records a failure with the current offset, unless one is already recorded.
    void fail(const std::string& reason);
    // Records a fault that loading survives (data kept but not used): the first one with its
    // offset and what was being read; later ones are only counted. Loading reports it once.
    void note(const std::string& reason);
    // E.g. "data.pak: face point index 9 outside 0..7 at byte 1834 while reading a mesh face";
    // empty when nothing was noted.
    const std::string& firstNote() const { return firstNote_; }
    int noteCount() const { return noteCount_; }
    // The first note and how many more there were ("...; 12 more like it"); empty when none.
    std::string noteSummary() const;
    bool failed() const { return failed_; }
    // The first failure; meaningful once failed().
    const ReadError& failure() const { return failure_; }
    // failure().text(); empty while sound.
    const std::string& error() const { return error_; }
    // Bytes consumed from the start of the uncompressed stream.
    uint64_t offset() const { return consumed_ + static_cast<uint64_t>(cursor_); }
    // What the loaders are reading now; set through ReadContext.
    const char* what() const { return what_; }
    void setWhat(const char* what) { what_ = what; }
    const std::string& name() const { return name_; }
    // What errors and notes call the stream from now on (open names it by its path).
    void setName(const std::string& name) { name_ = name; }

    // The folder where files that the pack names (FLI/FLC animations) are looked up; empty (the
    // default) or "." is the working directory. Opening another stream keeps it.
    void setFolder(const std::string& folder) { folder_ = folder; }
    const std::string& folder() const { return folder_; }
    // A name the pack gives, as a path inside folder(): the name itself for the working directory.
    std::string pathInFolder(const char* name) const;

private:
    void refill();
    // Slow path of readBytes: the request reaches the end of the buffered bytes.
    int readStraddling(uint8_t* destination, int n);
    // Records a failure at the given stream offset.
    void failAt(const std::string& reason, uint64_t at, const char* what);

    uint8_t buffer_[kBlockSize];
    int cursor_ = 0;
    int fill_ = 0;
    std::unique_ptr<PackFileSource> file_;
    bool memory_ = false;
    std::vector<uint8_t> memoryData_;
    size_t memoryPos_ = 0;
    uint64_t consumed_ = 0;  // bytes of the blocks before the current one
    bool failed_ = false;
    ReadError failure_;
    std::string error_;
    std::string name_;
    std::string folder_;
    const char* what_ = "data";
    bool streamError_ = false;  // the file reported a damaged stream (not just its end)
    std::string firstNote_;
    int noteCount_ = 0;
};

// Names what a loader is reading for error messages while it is in scope.
class ReadContext {
public:
    ReadContext(PackReader& reader, const char* what) : reader_(reader), previous_(reader.what()) {
        reader_.setWhat(what);
    }
    ~ReadContext() { reader_.setWhat(previous_); }
    ReadContext(const ReadContext&) = delete;
    ReadContext& operator=(const ReadContext&) = delete;

private:
    PackReader& reader_;
    const char* previous_;
};
