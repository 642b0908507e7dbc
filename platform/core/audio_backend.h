// AudioBackend: where the sound library calls of platform/audio/fsound.h play the music. A program
// chooses one backend before FSOUND_Init (setAudioBackend); until it does, the calls go to the
// null backend. The live Linux player plays through SdlAudioBackend; offline rendering, the tools
// and the tests keep time silently with NullAudioBackend; another system's backend plugs in
// beside them. The FSOUND_* layer checks handles and channels, so a backend only ever sees
// streams it made itself and channel numbers it handed out.
#pragma once

// A music stream of some backend: the handle the FSOUND_* calls pass around.
struct FSOUND_STREAM {
    virtual ~FSOUND_STREAM() = default;
};

class AudioBackend {
public:
    virtual ~AudioBackend() = default;

    // Opens the output at mixRate Hz. false: no output, and every later call stays silent.
    virtual bool open(int mixRate, int maxChannels) = 0;
    // Stops whatever plays and closes the output.
    virtual void close() = 0;
    // Loads a music file. Null when it is missing or unreadable, or when no output is open.
    virtual FSOUND_STREAM* load(const char* fileName) = 0;
    // Stops the stream and releases it.
    virtual void release(FSOUND_STREAM* stream) = 0;
    // Puts the stream on the output's channel, replacing any other, from its position (0 unless
    // seek moved it); a paused start waits for the first setPaused(channel, false). The channel
    // number, or -1 when it cannot play.
    virtual int play(FSOUND_STREAM* stream, bool paused) = 0;
    // Places the stream at ms (>= 0) milliseconds. false when it cannot.
    virtual bool seek(FSOUND_STREAM* stream, int ms) = 0;
    // Pauses or resumes the channel. false when no stream is on it.
    virtual bool setPaused(int channel, bool paused) = 0;
    // Where the stream is now, in milliseconds: the playback position while it plays, the
    // position it holds while paused or not yet started.
    virtual int position(FSOUND_STREAM* stream) = 0;
};

// Chooses the backend of the FSOUND_* calls (null: the null backend) and returns the previous
// choice. A program makes its choice once, before FSOUND_Init.
AudioBackend* setAudioBackend(AudioBackend* backend);
// The backend the FSOUND_* calls use now.
AudioBackend& audioBackend();
