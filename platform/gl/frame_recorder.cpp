// Reading finished frames back for the recorder.
#include "platform/gl/frame_recorder.h"

#include "data/message_box.h"
#include "platform/gl/gl_api.h"

FrameRecorder::~FrameRecorder() {
    if (recorder_.isOpen()) recorder_.finish();
}

void* FrameRecorder::start(int width, int height) {
    pixels_.assign(static_cast<size_t>(width > 0 ? width : 0) * (height > 0 ? height : 0) * 3, 0);
    if (recorder_.open(width, height) != 0) messageBox("error init avi", "", MessageBoxStyle::Ok);
    return pixels_.data();
}

int FrameRecorder::capture(int width, int height) {
    if (pixels_.empty() || !recorder_.isOpen()) return -1;
    // Rows packed tightly: the buffer holds exactly width x height x 3 bytes.
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_BGR_EXT, GL_UNSIGNED_BYTE, pixels_.data());
    return recorder_.writeFrame(pixels_.data());
}

void FrameRecorder::stop() {
    // A recording that ended badly says what it kept and where, rather than nothing.
    if (recorder_.finish() != 0) messageBox(recorder_.status().c_str(), "AVI", MessageBoxStyle::OkExclamation);
    pixels_.clear();
    pixels_.shrink_to_fit();
}
