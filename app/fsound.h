// The sound library calls the player makes, standing in for a closed streaming library: the
// music is played with SDL2_mixer. A missing or unreadable file gives a null stream, which every
// call accepts and ignores, and so does a machine without an audio device; the show then runs
// silently on the same clock.
//
// FSoundRecorder replaces the backend while in scope and records every call, for tests.
#pragma once

#include <string>
#include <vector>

struct FSOUND_STREAM;
struct FSOUND_DSPUNIT;

// Channel argument of FSOUND_Stream_PlayEx: any free channel.
constexpr int FSOUND_FREE = -1;

// Opens the audio output (SDL audio, 44.1 kHz stereo). True on success; false leaves every later
// call silent.
signed char FSOUND_Init(int mixRate, int maxChannels, unsigned int flags);
// Loads a music file (the mode bits are accepted and not interpreted). Null when the file is
// missing or unreadable, or when there is no audio output.
FSOUND_STREAM* FSOUND_Stream_OpenFile(const char* fileName, unsigned int mode, int lengthBytes);
// Starts the stream from its current position (0 unless FSOUND_Stream_SetTime moved it); with
// startPaused the stream waits paused until FSOUND_SetPaused(channel, 0). The channel number,
// or -1 for a null stream or no audio output.
int FSOUND_Stream_PlayEx(int channel, FSOUND_STREAM* stream, FSOUND_DSPUNIT* dsp, signed char startPaused);
// Places the stream at ms milliseconds. True on success.
signed char FSOUND_Stream_SetTime(FSOUND_STREAM* stream, int ms);
// Pauses (1) or resumes (0) the channel. True on success.
signed char FSOUND_SetPaused(int channel, signed char paused);
// Stops and releases the stream. True on success.
signed char FSOUND_Stream_Close(FSOUND_STREAM* stream);
// Closes the audio output.
void FSOUND_Close();

// While in scope, the FSOUND_* calls touch no audio device: each is recorded as a line such as
// "FSOUND_Stream_PlayEx(-1, stream, 0, 1)" (a stream handle prints as "stream" or "null"), and
// the calls answer as a working library would: a non-null handle unless the file name is
// missingName, channel 0, true.
class FSoundRecorder {
public:
    explicit FSoundRecorder(std::string missingName = "");
    ~FSoundRecorder();
    FSoundRecorder(const FSoundRecorder&) = delete;
    FSoundRecorder& operator=(const FSoundRecorder&) = delete;

    const std::vector<std::string>& calls() const { return calls_; }
    void clear() { calls_.clear(); }

    // The recorder in scope, or null (used by the FSOUND_* calls).
    static FSoundRecorder* active();
    void record(std::string line) { calls_.push_back(std::move(line)); }
    const std::string& missingName() const { return missingName_; }

private:
    std::vector<std::string> calls_;
    std::string missingName_;
    FSoundRecorder* previous_;
};
