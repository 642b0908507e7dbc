// What the browser program needs of the page beyond the window: the frame callback, the page's
// clock (the audio output's while it runs), and the page's own message area.
#pragma once

#include <functional>

// Calls frame once per displayed frame of the browser (requestAnimationFrame) until it returns
// false. Returns at once; the page's event loop runs the frames.
void runBrowserFrames(std::function<bool()> frame);
// Milliseconds of the audio output's clock (interpolated between its updates) while the page's
// audio context runs, else of the page's performance clock.
double pageClockMs();
// Shows a line of text on the page (its status area) and on the console.
void showPageStatus(const char* text);
// Tells the page that a frame was drawn at show time ms (for its counters and its tests).
void notePageFrame(int ms);
