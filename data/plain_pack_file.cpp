// A pack file that holds its stream already inflated, read as plain bytes.
#include <cstdio>

#include "data/zlib_codec.h"

namespace {

class PlainSource final : public PackFileSource {
public:
    explicit PlainSource(std::FILE* file) : file_(file) {}
    ~PlainSource() override { std::fclose(file_); }
    int read(uint8_t* destination, int n) override {
        const size_t got = std::fread(destination, 1, static_cast<size_t>(n), file_);
        if (got == 0 && std::ferror(file_)) return -1;
        return static_cast<int>(got);
    }
    std::string errorText() override { return "read error"; }

private:
    std::FILE* file_;
};

}  // namespace

std::unique_ptr<PackFileSource> openPlainPackFile(const char* path) {
    std::FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (!file) return nullptr;
    return std::make_unique<PlainSource>(file);
}
