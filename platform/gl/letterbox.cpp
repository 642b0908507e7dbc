// The letterbox's GL calls.
#include "platform/gl/letterbox.h"

#include "platform/gl/gl_api.h"

void Letterbox::apply(int w, int h, bool drawing) {
    // The picture is 16:9 of the width, centred vertically.
    const int vh = static_cast<int>(w * 9 * 0.0625);
    const int y0 = static_cast<int>((h / 2) - 0.5 * w * 9 * 0.0625);
    glViewport(0, y0, w, vh);

    float saved[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, saved);
    // Without drawing no clear is made: the bars keep the black of the last drawn pass (the
    // first runs when the window opens), and the next drawn frame clears its picture.
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    if (counter_ > 4 && drawing) {
        // Past the first frames the device clears the whole picture inside its scissor box before
        // drawing, so one clear of the whole buffer leaves the same pixels as the two bar clears;
        // a software rasteriser fills a whole buffer at once but draws a scissored clear as a
        // rectangle.
        // The scissor box on the picture is set below, as for every frame past the first ones.
        glDisable(GL_SCISSOR_TEST);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    } else {
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 0, w, y0);
        if (drawing) glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glScissor(0, vh, w, h);
        if (drawing) glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    glClearColor(saved[0], saved[1], saved[2], saved[3]);

    if (counter_ <= 4) {
        // The first frames after a (re)size clear the upper region once more, in black.
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        if (drawing) glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    } else {
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, y0, w, vh);
    }
    ++counter_;
}
