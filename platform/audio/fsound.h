// The sound library calls the player makes, standing in for a closed streaming library. They
// play through the chosen AudioBackend (platform/core/audio_backend.h). A missing or unreadable file
// gives a null stream, which every call accepts and ignores, and so does a machine without an
// audio output; the show then runs silently on the same clock.
#pragma once

struct FSOUND_STREAM;
struct FSOUND_DSPUNIT;

// Channel argument of FSOUND_Stream_PlayEx: any free channel.
constexpr int FSOUND_FREE = -1;

// Opens the audio output. True on success; false leaves every later call silent.
signed char FSOUND_Init(int mixRate, int maxChannels, unsigned int flags);
// Loads a music file (the mode bits and length are accepted and not interpreted). Null when the
// file is missing or unreadable, or when there is no audio output.
FSOUND_STREAM* FSOUND_Stream_OpenFile(const char* fileName, unsigned int mode, int lengthBytes);
// Starts the stream from its current position (0 unless FSOUND_Stream_SetTime moved it); with
// startPaused the stream waits paused until FSOUND_SetPaused(channel, 0). The output has one
// channel, whatever channel is asked for; no effect unit is applied. The channel number, or -1
// for a null stream or no audio output.
int FSOUND_Stream_PlayEx(int channel, FSOUND_STREAM* stream, FSOUND_DSPUNIT* dsp, signed char startPaused);
// Places the stream at ms milliseconds (a negative time counts as 0). True on success.
signed char FSOUND_Stream_SetTime(FSOUND_STREAM* stream, int ms);
// Where the stream is, in milliseconds (0 for a null stream). Tools compare it with the show
// clock to see how far the music has drifted.
int FSOUND_Stream_GetTime(FSOUND_STREAM* stream);
// Pauses (1) or resumes (0) the channel. True on success.
signed char FSOUND_SetPaused(int channel, signed char paused);
// Stops and releases the stream. True on success.
signed char FSOUND_Stream_Close(FSOUND_STREAM* stream);
// Closes the audio output.
void FSOUND_Close();
