// Audio output: the one place where finished sample blocks leave the program, with a backend chosen at start-up.
//
// Implements: an output that pulls 44100 Hz stereo signed 16-bit frames from a render function, through one of
// five backends named by ZEST_AUDIO: "sdl" (the default: an SDL2 audio device with a callback, paced by the clock
// when the device takes blocks faster than it plays them; when no device opens, one line on standard error and the
// null backend instead), "null" (a real-time thread that renders and
// discards, so sounds end on time without hardware), "capture:<file.wav>" (like null, writing every rendered
// frame to a WAV file), "manual" (no thread: the caller pumps frames and reads them back) and "none" (no output
// at all; the sound code then takes its no-device path).
// Leaves out: choosing a device, other output formats (the render function always fills 16-bit stereo at
// 44100 Hz and SDL converts when the device wants something else), recording, latency queries.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Platform
{

constexpr int kAudioRate = 44100;
constexpr int kAudioChannels = 2;

enum class AudioBackend
{
    Sdl,
    Null,
    Capture,
    Manual,
    None,
};

struct AudioConfig
{
    AudioBackend backend = AudioBackend::Sdl;
    std::string capturePath; // for Capture
};

// Parses a ZEST_AUDIO value; an empty or unknown value gives the default (sdl). Unknown values are reported once
// on standard error.
AudioConfig ParseAudioConfig(const std::string& value);
// The configuration from the environment, unless a test set one with OverrideAudioConfig.
AudioConfig CurrentAudioConfig();
// Test hook: every later CurrentAudioConfig answers `config`; a null pointer goes back to the environment.
void OverrideAudioConfig(const AudioConfig* config);

// Fills `frames` interleaved stereo frames. Called on the output's own thread (sdl, null, capture) or inside Pump.
using AudioRenderFunction = std::function<void(int16_t* out, int frames)>;

class AudioOutput
{
public:
    virtual ~AudioOutput() = default;
    // The backend actually running (an sdl request without a device runs as null).
    virtual AudioBackend Backend() const = 0;
    // Manual backend only: renders `frames` frames now and appends them to `out` when given. False elsewhere.
    virtual bool Pump(int frames, std::vector<int16_t>* out) = 0;
    // Frames rendered so far.
    virtual uint64_t FramesRendered() const = 0;
};

// Starts the output; null for the none backend. Stopping happens in the destructor, which waits until the render
// function is no longer running.
std::unique_ptr<AudioOutput> OpenAudioOutput(const AudioConfig& config, AudioRenderFunction render);

} // namespace Platform
