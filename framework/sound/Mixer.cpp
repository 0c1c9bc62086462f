// The portable mixer: voices summed in float with linear-interpolated resampling, ramped gains, fading tails.
#include "sound/Mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Zest
{

namespace
{

constexpr uint64_t kOne = 1ULL << 32;
// About 5 ms: long enough that a stop or a pan change does not click, short enough to feel immediate.
constexpr int kRampFrames = 220;

uint64_t StepFor(double hz)
{
    if (!(hz > 0)) return 0;
    return static_cast<uint64_t>(hz / kMixRate * static_cast<double>(kOne) + 0.5);
}

// Moves `gain` towards `target` by at most `delta` per frame (delta > 0).
inline float Approach(float gain, float target, float delta)
{
    if (gain < target) return std::min(target, gain + delta);
    return std::max(target, gain - delta);
}

} // namespace

float PcmSample(const PcmData& pcm, int64_t frame, int channel)
{
    const int ch = pcm.channels == 2 ? channel : 0;
    if (pcm.bits == 8)
        return static_cast<float>((static_cast<int>(pcm.bytes[static_cast<size_t>(frame * pcm.channels + ch)]) - 128) *
                                  256);
    int16_t s;
    std::memcpy(&s, &pcm.bytes[static_cast<size_t>((frame * pcm.channels + ch) * 2)], 2);
    return static_cast<float>(s);
}

// ---------------------------------------------------------------- Stream

Stream::Stream(std::unique_ptr<StreamSource> source, int ringFrames)
    : mSource(std::move(source)), mChannels(mSource->Channels()), mRate(mSource->Rate()),
      mRing(static_cast<size_t>(ringFrames) * static_cast<size_t>(mChannels)), mRingFrames(ringFrames)
{
}

void Stream::Fill(int limit)
{
    std::lock_guard<std::mutex> lock(mMutex);
    int rewindsThisFill = 0;
    const int target = std::min(mRingFrames, limit);
    while (mCount < target && !mSourceEnded)
    {
        const int tail = (mHead + mCount) % mRingFrames;
        const int room = std::min(mRingFrames - mCount, mRingFrames - tail);
        const int got = mSource->Read(&mRing[static_cast<size_t>(tail) * mChannels], std::min(room, 4096));
        if (got > 0)
        {
            mCount += got;
            rewindsThisFill = 0;
            continue;
        }
        // The end (or a broken stream): a looping stream starts over at once, so the seam has no gap. A source
        // that yields nothing right after a rewind is empty or broken; give up rather than spin.
        if (got == 0 && mLooping && rewindsThisFill == 0 && mSource->Seek(0))
        {
            ++rewindsThisFill;
            continue;
        }
        mSourceEnded = true;
        // Read to its end while not looping (the feeder also fills songs that have not started yet): looping
        // asked for later still goes on from here.
        mEndedWithoutLoop = got == 0 && !mLooping;
    }
}

int Stream::Take(int16_t* out, int frames)
{
    std::lock_guard<std::mutex> lock(mMutex);
    const int n = std::min(frames, mCount);
    for (int done = 0; done < n;)
    {
        const int chunk = std::min(n - done, mRingFrames - mHead);
        std::memcpy(out + static_cast<size_t>(done) * mChannels, &mRing[static_cast<size_t>(mHead) * mChannels],
                    static_cast<size_t>(chunk) * mChannels * sizeof(int16_t));
        mHead = (mHead + chunk) % mRingFrames;
        mCount -= chunk;
        done += chunk;
    }
    mPosition += n;
    return n;
}

int Stream::Peek(int16_t* out, int frames)
{
    std::lock_guard<std::mutex> lock(mMutex);
    const int n = std::min(frames, mCount);
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < mChannels; ++c)
            out[i * mChannels + c] = mRing[static_cast<size_t>((mHead + i) % mRingFrames) * mChannels + c];
    return n;
}

bool Stream::Finished()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mSourceEnded && mCount == 0;
}

int64_t Stream::Position()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mPosition;
}

int Stream::BufferedFrames()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mCount;
}

bool Stream::NeedsDecoding()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return !mSourceEnded;
}

bool Stream::SeekFrame(int64_t frame)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mHead = 0;
    mCount = 0;
    const bool ok = mSource->Seek(frame);
    mPosition = ok ? frame : 0;
    mSourceEnded = !ok;
    mEndedWithoutLoop = false;
    return ok;
}

void Stream::SetLooping(bool looping)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mLooping = looping;
    // A song the feeder read to its end before looping was asked for rewinds at the next fill, behind what the
    // ring still holds, so the loop has no gap.
    if (looping && mEndedWithoutLoop)
    {
        mSourceEnded = false;
        mEndedWithoutLoop = false;
    }
}

// ---------------------------------------------------------------- Voice

void Voice::SetPcm(PcmPtr pcm)
{
    std::lock_guard<std::mutex> lock(mMixer.mMutex);
    mPcm = std::move(pcm);
    mStream.reset();
    mPos = 0;
    if (mPcm)
    {
        mFrequency = mPcm->rate;
        mStep = StepFor(mFrequency);
    }
}

void Voice::SetStream(StreamPtr stream)
{
    std::lock_guard<std::mutex> lock(mMixer.mMutex);
    mStream = std::move(stream);
    mPcm.reset();
    mPos = 0;
    mStreamCarry.clear();
    if (mStream)
    {
        mFrequency = mStream->Rate();
        mStep = StepFor(mFrequency);
    }
}

PcmPtr Voice::Pcm()
{
    std::lock_guard<std::mutex> lock(mMixer.mMutex);
    return mPcm;
}

StreamPtr Voice::GetStream()
{
    std::lock_guard<std::mutex> lock(mMixer.mMutex);
    return mStream;
}

void Voice::Play(bool looping)
{
    std::lock_guard<std::mutex> lock(mMixer.mMutex);
    mLooping = looping;
    if (mStream) mStream->SetLooping(looping);
    if (!mPlaying || mPaused)
    {
        mGainL = mTargetL;
        mGainR = mTargetR;
    }
    mPlaying = true;
    mPaused = false;
    mFresh = true;
}

void Voice::StopLocked()
{
    if (mPlaying && !mPaused) mMixer.AddTail(*this);
    mPlaying = false;
    mPaused = false;
}

void Voice::Stop()
{
    std::lock_guard<std::mutex> lock(mMixer.mMutex);
    StopLocked();
}

void Voice::SetPaused(bool paused)
{
    std::lock_guard<std::mutex> lock(mMixer.mMutex);
    if (!mPlaying) return;
    if (paused && !mPaused) mMixer.AddTail(*this);
    if (!paused && mPaused)
    {
        mGainL = mTargetL;
        mGainR = mTargetR;
        mFresh = true;
    }
    mPaused = paused;
}

bool Voice::IsPlaying()
{
    std::lock_guard<std::mutex> lock(mMixer.mMutex);
    return mPlaying && !mPaused;
}

bool Voice::IsPaused()
{
    std::lock_guard<std::mutex> lock(mMixer.mMutex);
    return mPlaying && mPaused;
}

void Voice::SetLooping(bool looping)
{
    std::lock_guard<std::mutex> lock(mMixer.mMutex);
    mLooping = looping;
    if (mStream) mStream->SetLooping(looping);
}

bool Voice::IsLooping()
{
    std::lock_guard<std::mutex> lock(mMixer.mMutex);
    return mLooping;
}

void Voice::SetPosition(int64_t frame)
{
    std::lock_guard<std::mutex> lock(mMixer.mMutex);
    if (frame < 0) frame = 0;
    if (mPcm && frame > mPcm->Frames()) frame = mPcm->Frames();
    mPos = static_cast<uint64_t>(frame) << 32;
}

int64_t Voice::Position()
{
    std::lock_guard<std::mutex> lock(mMixer.mMutex);
    return static_cast<int64_t>(mPos >> 32);
}

void Voice::SetLoopPoints(int64_t start, int64_t end)
{
    std::lock_guard<std::mutex> lock(mMixer.mMutex);
    mLoopStart = std::max<int64_t>(0, start);
    mLoopEnd = std::max<int64_t>(0, end);
}

void Voice::SetFrequency(double hz)
{
    std::lock_guard<std::mutex> lock(mMixer.mMutex);
    mFrequency = hz;
    mStep = StepFor(hz);
}

double Voice::Frequency()
{
    std::lock_guard<std::mutex> lock(mMixer.mMutex);
    return mFrequency;
}

void Voice::SetGains(float left, float right)
{
    std::lock_guard<std::mutex> lock(mMixer.mMutex);
    mTargetL = left;
    mTargetR = right;
    if (!mPlaying || mPaused || mFresh)
    {
        mGainL = left;
        mGainR = right;
    }
}

// ---------------------------------------------------------------- Mixer

Mixer::Mixer() = default;
Mixer::~Mixer() = default;

VoicePtr Mixer::CreateVoice()
{
    auto voice = std::make_shared<Voice>(*this);
    std::lock_guard<std::mutex> lock(mMutex);
    mVoices.push_back(voice);
    return voice;
}

void Mixer::SetMasterGain(float gain)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mMasterGain = gain;
}

float Mixer::MasterGain()
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mMasterGain;
}

int Mixer::PlayingVoices()
{
    std::lock_guard<std::mutex> lock(mMutex);
    int n = 0;
    for (auto& weak : mVoices)
        if (auto v = weak.lock(); v && v->mPlaying && !v->mPaused) ++n;
    return n;
}

double Mixer::FeedStreams()
{
    struct Fed
    {
        StreamPtr stream;
        double rate; // source frames played per second
    };
    // Only what plays is fed: a song that has not started has the few blocks its start decoded, and a paused one
    // keeps what it holds.
    std::vector<Fed> streams;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        for (auto& weak : mVoices)
            if (auto v = weak.lock(); v && v->mStream && v->mPlaying && !v->mPaused && v->mFrequency > 0)
                streams.push_back({v->mStream, v->mFrequency});
    }
    double due = -1;
    for (auto& [stream, rate] : streams)
    {
        stream->Fill();
        if (!stream->NeedsDecoding()) continue;
        const double spare = std::max(0.0, (stream->BufferedFrames() - stream->RingFrames() / 2) / rate);
        due = due < 0 ? spare : std::min(due, spare);
    }
    return due;
}

void Mixer::AddTail(Voice& v)
{
    if (v.mGainL == 0 && v.mGainR == 0) return;
    Tail tail{};
    tail.gainL = v.mGainL;
    tail.gainR = v.mGainR;
    tail.framesLeft = tail.framesTotal = kRampFrames;
    if (v.mPcm)
    {
        tail.pcm = v.mPcm;
        tail.pos = v.mPos;
        tail.step = v.mStep;
        tail.looping = v.mLooping;
        tail.loopStart = v.mLoopStart;
        tail.loopEnd = v.mLoopEnd;
    }
    else if (v.mStream)
    {
        // A snapshot of what the stream would have played next.
        const int ch = v.mStream->Channels();
        const int want = static_cast<int>((static_cast<uint64_t>(kRampFrames) * v.mStep >> 32) + 2);
        std::vector<int16_t> frames(v.mStreamCarry);
        const int have = static_cast<int>(frames.size()) / ch;
        if (have < want)
        {
            frames.resize(static_cast<size_t>(want) * ch);
            const int got = v.mStream->Peek(frames.data() + static_cast<size_t>(have) * ch, want - have);
            frames.resize(static_cast<size_t>(have + got) * ch);
        }
        if (frames.empty()) return;
        auto pcm = std::make_shared<PcmData>();
        pcm->channels = ch;
        pcm->rate = v.mStream->Rate();
        pcm->bits = 16;
        pcm->bytes.resize(frames.size() * 2);
        std::memcpy(pcm->bytes.data(), frames.data(), pcm->bytes.size());
        tail.pcm = std::move(pcm);
        tail.pos = v.mPos & (kOne - 1);
        tail.step = v.mStep;
        tail.looping = false;
    }
    else
        return;
    mTails.push_back(std::move(tail));
}

bool Mixer::RenderPcm(Voice& v, float* acc, int frames)
{
    const PcmData& pcm = *v.mPcm;
    const int64_t total = pcm.Frames();
    if (total <= 0) return false;
    int64_t loopEnd = (v.mLoopEnd <= 0 || v.mLoopEnd > total) ? total : v.mLoopEnd;
    int64_t loopStart = std::min(v.mLoopStart, loopEnd - 1);
    const int64_t end = v.mLooping ? loopEnd : total;
    const uint64_t span = static_cast<uint64_t>(loopEnd - loopStart) << 32;

    const float dl = std::abs(v.mTargetL - v.mGainL) / kRampFrames;
    const float dr = std::abs(v.mTargetR - v.mGainR) / kRampFrames;
    const bool steady = v.mGainL == v.mTargetL && v.mGainR == v.mTargetR;

    // The common case gets a plain loop: 16-bit data at its own rate, on a whole frame, gains settled.
    if (steady && v.mStep == kOne && (v.mPos & (kOne - 1)) == 0 && pcm.bits == 16)
    {
        const auto* samples = reinterpret_cast<const int16_t*>(pcm.bytes.data());
        const float gl = v.mGainL, gr = v.mGainR;
        int i = 0;
        while (i < frames)
        {
            int64_t idx = static_cast<int64_t>(v.mPos >> 32);
            if (idx >= end)
            {
                if (!v.mLooping) return false;
                v.mPos = static_cast<uint64_t>(loopStart) << 32;
                continue;
            }
            const int n = static_cast<int>(std::min<int64_t>(frames - i, end - idx));
            if (pcm.channels == 1)
                for (int k = 0; k < n; ++k)
                {
                    const float s = samples[idx + k];
                    acc[2 * (i + k)] += s * gl;
                    acc[2 * (i + k) + 1] += s * gr;
                }
            else
                for (int k = 0; k < n; ++k)
                {
                    acc[2 * (i + k)] += samples[2 * (idx + k)] * gl;
                    acc[2 * (i + k) + 1] += samples[2 * (idx + k) + 1] * gr;
                }
            i += n;
            v.mPos += static_cast<uint64_t>(n) << 32;
        }
        return true;
    }

    for (int i = 0; i < frames; ++i)
    {
        int64_t idx = static_cast<int64_t>(v.mPos >> 32);
        if (idx >= end)
        {
            if (!v.mLooping) return false;
            // Back into the loop by whole loop lengths, keeping the fraction.
            const int64_t wraps = (idx - loopStart) / (loopEnd - loopStart);
            v.mPos -= static_cast<uint64_t>(wraps) * span;
            idx = static_cast<int64_t>(v.mPos >> 32);
        }
        const float frac = static_cast<float>(v.mPos & (kOne - 1)) * (1.0f / 4294967296.0f);
        int64_t next = idx + 1;
        if (next >= end) next = v.mLooping ? loopStart : idx;
        const float l0 = PcmSample(pcm, idx, 0), l1 = PcmSample(pcm, next, 0);
        const float r0 = PcmSample(pcm, idx, 1), r1 = PcmSample(pcm, next, 1);
        if (!steady)
        {
            v.mGainL = Approach(v.mGainL, v.mTargetL, dl);
            v.mGainR = Approach(v.mGainR, v.mTargetR, dr);
        }
        acc[2 * i] += (l0 + (l1 - l0) * frac) * v.mGainL;
        acc[2 * i + 1] += (r0 + (r1 - r0) * frac) * v.mGainR;
        v.mPos += v.mStep;
    }
    return true;
}

bool Mixer::RenderStream(Voice& v, float* acc, int frames)
{
    Stream& stream = *v.mStream;
    const int ch = stream.Channels();
    const uint64_t frac0 = v.mPos & (kOne - 1);
    const int64_t needed = static_cast<int64_t>((frac0 + static_cast<uint64_t>(frames - 1) * v.mStep) >> 32) + 2;
    int64_t have = static_cast<int64_t>(v.mStreamCarry.size()) / ch;
    if (have < needed)
    {
        v.mStreamCarry.resize(static_cast<size_t>(needed) * ch);
        have += stream.Take(v.mStreamCarry.data() + have * ch, static_cast<int>(needed - have));
        v.mStreamCarry.resize(static_cast<size_t>(have) * ch);
    }
    const int16_t* src = v.mStreamCarry.data();
    const int cr = ch == 2 ? 1 : 0;
    int i = 0;
    if (v.mGainL == v.mTargetL && v.mGainR == v.mTargetR)
    {
        // Gains settled (the usual case for music): the same sums without the ramp, and a mono source is
        // interpolated once for both sides.
        const float gl = v.mGainL, gr = v.mGainR;
        uint64_t pos = v.mPos;
        for (; i < frames; ++i)
        {
            const int64_t idx = static_cast<int64_t>(pos >> 32);
            if (idx >= have) break;
            const float frac = static_cast<float>(pos & (kOne - 1)) * (1.0f / 4294967296.0f);
            const int64_t next = idx + 1 < have ? idx + 1 : idx;
            const float l0 = src[idx * ch], l1 = src[next * ch];
            const float l = l0 + (l1 - l0) * frac;
            if (cr == 0)
            {
                acc[2 * i] += l * gl;
                acc[2 * i + 1] += l * gr;
            }
            else
            {
                const float r0 = src[idx * ch + 1], r1 = src[next * ch + 1];
                acc[2 * i] += l * gl;
                acc[2 * i + 1] += (r0 + (r1 - r0) * frac) * gr;
            }
            pos += v.mStep;
        }
        v.mPos = pos;
    }
    else
    {
        const float dl = std::abs(v.mTargetL - v.mGainL) / kRampFrames;
        const float dr = std::abs(v.mTargetR - v.mGainR) / kRampFrames;
        for (; i < frames; ++i)
        {
            const int64_t idx = static_cast<int64_t>(v.mPos >> 32);
            if (idx >= have) break;
            const float frac = static_cast<float>(v.mPos & (kOne - 1)) * (1.0f / 4294967296.0f);
            const int64_t next = idx + 1 < have ? idx + 1 : idx;
            const float l0 = src[idx * ch], l1 = src[next * ch];
            const float r0 = src[idx * ch + cr], r1 = src[next * ch + cr];
            v.mGainL = Approach(v.mGainL, v.mTargetL, dl);
            v.mGainR = Approach(v.mGainR, v.mTargetR, dr);
            acc[2 * i] += (l0 + (l1 - l0) * frac) * v.mGainL;
            acc[2 * i + 1] += (r0 + (r1 - r0) * frac) * v.mGainR;
            v.mPos += v.mStep;
        }
    }
    bool alive = true;
    if (i < frames)
    {
        // Out of decoded frames: the end of the stream, or an underrun that the feeder will make up for.
        alive = !stream.Finished();
        if (alive) ++mUnderruns;
    }
    const int64_t consumed = std::min<int64_t>(static_cast<int64_t>(v.mPos >> 32), have);
    v.mStreamCarry.erase(v.mStreamCarry.begin(), v.mStreamCarry.begin() + consumed * ch);
    v.mPos -= static_cast<uint64_t>(consumed) << 32;
    return alive;
}

void Mixer::Render(int16_t* out, int frames)
{
    if (frames <= 0) return;
    std::lock_guard<std::mutex> lock(mMutex);
    // The accumulator is cleared only once something sounds: a block with nothing playing is silence at once.
    float* acc = nullptr;
    const auto accumulator = [&]
    {
        if (!acc)
        {
            mAccumulator.assign(static_cast<size_t>(frames) * 2, 0.0f);
            acc = mAccumulator.data();
        }
        return acc;
    };

    size_t keep = 0;
    for (size_t i = 0; i < mVoices.size(); ++i)
    {
        VoicePtr v = mVoices[i].lock();
        if (!v) continue;
        mVoices[keep++] = mVoices[i];
        if (!v->mPlaying || v->mPaused || v->mStep == 0) continue;
        accumulator();
        bool alive = true;
        v->mFresh = false;
        if (v->mPcm)
            alive = RenderPcm(*v, acc, frames);
        else if (v->mStream)
            alive = RenderStream(*v, acc, frames);
        // A sound that reached its end stops exactly there; it ends on its last sample, so no tail is needed.
        if (!alive)
        {
            v->mPlaying = false;
            if (v->mPcm) v->mPos = 0; // a finished sound plays from its start next time
        }
    }
    mVoices.resize(keep);
    if (!mTails.empty()) accumulator();

    for (auto it = mTails.begin(); it != mTails.end();)
    {
        Tail& t = *it;
        const PcmData& pcm = *t.pcm;
        const int64_t total = pcm.Frames();
        const int64_t loopEnd = (t.loopEnd <= 0 || t.loopEnd > total) ? total : t.loopEnd;
        const int64_t loopStart = std::min(t.loopStart, loopEnd - 1);
        const int n = std::min(frames, t.framesLeft);
        for (int i = 0; i < n; ++i)
        {
            int64_t idx = static_cast<int64_t>(t.pos >> 32);
            if (idx >= (t.looping ? loopEnd : total))
            {
                if (!t.looping || loopEnd <= loopStart) break;
                idx = loopStart + (idx - loopStart) % (loopEnd - loopStart);
                t.pos = (static_cast<uint64_t>(idx) << 32) | (t.pos & (kOne - 1));
            }
            const float fade = static_cast<float>(t.framesLeft - i) / static_cast<float>(t.framesTotal);
            acc[2 * i] += PcmSample(pcm, idx, 0) * t.gainL * fade;
            acc[2 * i + 1] += PcmSample(pcm, idx, 1) * t.gainR * fade;
            t.pos += t.step;
        }
        t.framesLeft -= n;
        if (t.framesLeft <= 0)
            it = mTails.erase(it);
        else
            ++it;
    }

    if (!acc)
    {
        std::memset(out, 0, static_cast<size_t>(frames) * 2 * sizeof(int16_t));
        return;
    }
    const float master = mMasterGain;
    int i = 0;
#if defined(__SSE2__)
    // Four samples at a time: clamped, then rounded in the current rounding mode exactly as lrintf rounds.
    const __m128 gain = _mm_set1_ps(master), low = _mm_set1_ps(-32768.0f), high = _mm_set1_ps(32767.0f);
    for (; i + 8 <= frames * 2; i += 8)
    {
        const __m128 a = _mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_loadu_ps(acc + i), gain), low), high);
        const __m128 b = _mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_loadu_ps(acc + i + 4), gain), low), high);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packs_epi32(_mm_cvtps_epi32(a), _mm_cvtps_epi32(b)));
    }
#endif
    for (; i < frames * 2; ++i)
    {
        const float s = acc[i] * master;
        out[i] = s >= 32767.0f ? 32767 : s <= -32768.0f ? -32768 : static_cast<int16_t>(std::lrintf(s));
    }
}

} // namespace Zest
