// AviRecorder in the browser: a page has no file to record into, so opening always fails with a
// status that says so; the window then shows its usual box and the show goes on.
#include "platform/recorder/avi_recorder.h"

struct AviRecorder::State {};

AviRecorder::AviRecorder() = default;
AviRecorder::~AviRecorder() = default;

int AviRecorder::open(int, int) { return fail(1, "recording is not available in the browser"); }
int AviRecorder::writeFrame(const uint8_t*) { return -1; }
void AviRecorder::waitForFrames() {}
int AviRecorder::finish() { return 0; }
bool AviRecorder::isOpen() const { return false; }
const char* AviRecorder::containerFor(const std::string&) { return nullptr; }
std::string AviRecorder::defaultCodecFor(const std::string&) { return std::string(); }
std::string AviRecorder::checkOutput(const std::string&, const std::string&) {
    return "recording is not available in the browser";
}
bool AviRecorder::codecHasCrf(const std::string&) { return false; }
void AviRecorder::setLibraryVerbose(bool) {}
int AviRecorder::fail(int code, const std::string& text) {
    status_ = text;
    return code;
}
void AviRecorder::discard() {}
