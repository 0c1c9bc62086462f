// The portable mixer: shared immutable PCM, voices with pitch, loop points and ramped gains, and streamed sources.
//
// Output is always 44100 Hz, stereo, signed 16-bit. One mutex guards the voice list and every voice parameter;
// Render holds it for one block. PCM is shared by reference count, so releasing a sound on another thread never
// frees memory under the render call, and making PCM (decoding, filling) never touches the mixer at all.
// Streams decode outside that lock: a feeder (a thread of the engine, or the manual pump) tops up each stream's
// ring, and Render only copies out of the ring.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace Zest
{

constexpr int kMixRate = 44100;

// Immutable once published. 8-bit samples are unsigned (128 = silence), 16-bit are signed.
struct PcmData
{
    int channels = 1;
    int rate = 22050;
    int bits = 16;
    std::vector<uint8_t> bytes;

    int BlockAlign() const { return channels * bits / 8; }
    int64_t Frames() const { return BlockAlign() > 0 ? static_cast<int64_t>(bytes.size()) / BlockAlign() : 0; }
};
using PcmPtr = std::shared_ptr<const PcmData>;

// A decoder that a stream pulls from: interleaved signed 16-bit frames of a fixed format.
class StreamSource
{
public:
    virtual ~StreamSource() = default;
    virtual int Channels() const = 0;
    virtual int Rate() const = 0;
    // Up to `frames` frames; 0 at the end, negative on an error that ends the stream.
    virtual int Read(int16_t* out, int frames) = 0;
    // Back to frame `frame` (0 = the start). False when the source cannot seek.
    virtual bool Seek(int64_t frame) = 0;
};

// A source plus the ring of decoded frames between the feeder and the render call.
class Stream
{
public:
    explicit Stream(std::unique_ptr<StreamSource> source, int ringFrames = 2 * kMixRate);
    int Channels() const { return mChannels; }
    int Rate() const { return mRate; }

    // Decodes until the ring is full (or holds `limit` frames), or the source
    // has ended; looping sources rewind and go on without a gap. Runs on the feeder, or on the caller to have a
    // start ready before the first block; never under the mixer lock.
    void Fill(int limit = 1 << 30);
    // Copies up to `frames` frames out of the ring without decoding. Returns the frames copied.
    int Take(int16_t* out, int frames);
    // Copies without consuming.
    int Peek(int16_t* out, int frames);
    // True once the source has ended (not looping) and the ring is empty.
    bool Finished();
    // Frames taken since the start or the last seek.
    int64_t Position();
    // Drops the ring and moves the source; the next Fill decodes from there.
    bool SeekFrame(int64_t frame);
    void SetLooping(bool looping);
    int BufferedFrames();
    int RingFrames() const { return mRingFrames; }
    // True while the source has frames left to decode (or loops).
    bool NeedsDecoding();

private:
    std::mutex mMutex; // guards everything below; held while decoding so seeks wait for a block to finish
    std::unique_ptr<StreamSource> mSource;
    int mChannels;
    int mRate;
    std::vector<int16_t> mRing;
    int mRingFrames;
    int mHead = 0; // next frame to take
    int mCount = 0;
    int64_t mPosition = 0;
    bool mLooping = false;
    bool mSourceEnded = false;
    bool mEndedWithoutLoop = false; // ended at the source's end while not looping
};
using StreamPtr = std::shared_ptr<Stream>;

class Mixer;

// One playing thing: a PCM buffer or a stream. Created by the mixer; every setter takes the mixer lock.
class Voice
{
public:
    explicit Voice(Mixer& mixer) : mMixer(mixer) {}

    void SetPcm(PcmPtr pcm);
    void SetStream(StreamPtr stream);
    PcmPtr Pcm();
    StreamPtr GetStream();

    // Starts from the current position; ramps nothing in, so the first frames are the source's own.
    void Play(bool looping);
    // Stops at once as far as status goes; what was audible fades out over a few milliseconds.
    void Stop();
    void SetPaused(bool paused);
    bool IsPlaying();
    bool IsPaused();
    void SetLooping(bool looping);
    bool IsLooping();
    // Frame position within the PCM (PCM voices).
    void SetPosition(int64_t frame);
    int64_t Position();
    // Loop region in frames, end exclusive; an end of 0 (or past the data) means the end of the data.
    void SetLoopPoints(int64_t start, int64_t end);
    // Playback rate of the source in Hz.
    void SetFrequency(double hz);
    double Frequency();
    // Linear gains per side; changes while playing are ramped (once anything of it was heard).
    void SetGains(float left, float right);

private:
    friend class Mixer;
    void StopLocked();

    Mixer& mMixer;
    PcmPtr mPcm;
    StreamPtr mStream;
    uint64_t mPos = 0;  // 32.32 fixed-point frame position
    uint64_t mStep = 0; // 32.32 frames per output frame
    double mFrequency = kMixRate;
    bool mPlaying = false;
    bool mPaused = false;
    bool mLooping = false;
    bool mFresh = false; // started and not rendered yet: gain changes apply at once, nothing was heard
    int64_t mLoopStart = 0;
    int64_t mLoopEnd = 0;
    float mTargetL = 1, mTargetR = 1;
    float mGainL = 1, mGainR = 1;
    // A stream voice's source frames not yet consumed (for interpolation between blocks).
    std::vector<int16_t> mStreamCarry;
};
using VoicePtr = std::shared_ptr<Voice>;

class Mixer
{
public:
    Mixer();
    ~Mixer();

    // A new idle voice that renders while the returned pointer (or a copy) lives.
    VoicePtr CreateVoice();
    // Renders `frames` interleaved stereo frames.
    void Render(int16_t* out, int frames);
    // Final gain on everything (the system wave-out volume).
    void SetMasterGain(float gain);
    float MasterGain();
    // Number of voices playing now (fading tails not counted).
    int PlayingVoices();
    // Tops up the ring of every playing voice's stream. Returns the seconds until the first playing stream has played
    // down to half its ring (0 when one already has), or a negative value when no playing stream has anything left to
    // decode: the feeder sleeps that long instead of polling.
    double FeedStreams();
    // Blocks in which a playing stream ran out of decoded frames before its end (the feeder fell behind).
    uint64_t Underruns() const { return mUnderruns.load(); }

    std::mutex& Lock() { return mMutex; }

private:
    friend class Voice;
    struct Tail
    {
        PcmPtr pcm; // a few milliseconds snapshot
        uint64_t pos, step;
        float gainL, gainR;
        int framesLeft, framesTotal;
        bool looping;
        int64_t loopStart, loopEnd;
    };
    void AddTail(Voice& voice);
    bool RenderPcm(Voice& v, float* acc, int frames);
    bool RenderStream(Voice& v, float* acc, int frames);

    std::mutex mMutex;
    std::vector<std::weak_ptr<Voice>> mVoices;
    std::vector<Tail> mTails;
    float mMasterGain = 1.0f;
    std::atomic<uint64_t> mUnderruns{0};
    std::vector<float> mAccumulator;
    std::vector<float> mScratch;
};

// Source sample of a PCM buffer as a float in the 16-bit range, channel folded to the buffer's channels.
float PcmSample(const PcmData& pcm, int64_t frame, int channel);

} // namespace Zest
