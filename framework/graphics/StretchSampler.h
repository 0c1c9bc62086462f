// Row-by-row sampling for stretched blits: where each destination column and row reads the source (worked out once
// per call), and nearest or bilinear samples of one destination row, with the vector forms of BlendSpans' choice.
#pragma once

#include "graphics/Rect.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Zest
{

// Source positions of one destination column or row: the two neighbouring source pixels and the weight (0..255) of
// the second, clamped inside the usable part of the source rectangle.
struct StretchTap
{
    int i0, i1;
    uint32_t f;
};

// A source in whichever form it holds its pixels: ARGB words, or palette indices read through a table.
struct StretchSource
{
    const uint32_t* bits = nullptr;
    const uint8_t* indices = nullptr;
    const uint32_t* table = nullptr;
    size_t stride = 0;

    uint32_t At(int x, int y) const
    {
        const size_t i = size_t(y) * stride + size_t(x);
        return bits ? bits[i] : table[indices[i]];
    }
};

// The bilinear sample of four pixels (top-left, top-right, bottom-left, bottom-right) by their area weights
// (summing to 65536) and their own alpha: the colour comes back un-premultiplied and rounded, with the combined
// alpha. With area weights of a stretch every sampling form gives exactly this.
uint32_t BilinearSample(const uint32_t px[4], const uint32_t area[4]);

// The sample from the sums of one bilinear pixel: t = the alpha-weighted area (below 2^24), r, g and b the
// colour sums weighted likewise (below 2^32: 65536 x 255 x 255 at most, and t / 2 more still fits). Alpha t >> 16,
// each channel (sum + t / 2) / t; nothing when t is 0.
inline uint32_t ResolveSums(uint32_t t, uint32_t r, uint32_t g, uint32_t b)
{
    if (t == 0) return 0;
    const uint32_t h = t / 2;
    return (t >> 16) << 24 | ((r + h) / t) << 16 | ((g + h) / t) << 8 | (b + h) / t;
}

// Samples in place as the picture over a transparent image holds them, in the premultiplied form the display
// conversion makes (alpha on top, each channel c' = c x 255 >> 8 and then c' x (alpha + 1) >> 8; nothing where
// alpha is 0). Notes whether any sample was transparent and whether any had partial alpha.
void PremultiplySamples(uint32_t* p, int n, bool& transparent, bool& partial);

// Premultiplied samples moved into a display layout of channels up to 8 bits wide: each channel (red, green, blue)
// cut to its width and shifted to its place under its mask, alpha kept on top.
void PlaceSamples(const uint32_t* in, uint32_t* out, int n, const int cut[3], const int shift[3],
                  const uint32_t mask[3]);

// Samples the destination rows of one stretched blit. One per thread is kept (ForThread), so that its buffers are
// made once and not on every call: particles stretch thousands of small sprites a frame.
class StretchSampler
{
public:
    // destRect and srcRect as the caller gave them, usable the part of srcRect on the source, area the part of
    // destRect that is drawn (non-empty).
    void Begin(const StretchSource& source, const Rect& destRect, const Rect& srcRect, const Rect& usable,
               const Rect& area, bool nearest, bool mirror);
    // The samples of row j of the area, area width of them.
    void Row(int j, uint32_t* out);
    // The samples of count rows from row first on, one after another (area width apart): the rows of a band are
    // resolved in one pass, which keeps the vector forms busy where one small row would leave them mostly idle.
    void Rows(int first, int count, uint32_t* out);
    // A buffer of at least n words for the caller's rows, kept with the sampler.
    uint32_t* Scratch(size_t n);

    static StretchSampler& ForThread();

private:
    StretchSource mSource;
    bool mNearest = false;
    bool mSeparable = false;
    int mWidth = 0;
    int mSpanLo = 0, mSpanCount = 0;
    std::vector<StretchTap> mCols, mRows;
    // Column sums of the current row pair (alpha, red, green, blue over the span) and the pixel sums of a row.
    std::vector<uint32_t> mColumnSums, mPixelSums, mScratch;
    // A band's column sums, one row's four planes after another, and each pixel's plane indices and weight.
    std::vector<uint32_t> mBandSums, mBandTaps;
    // Rows first (sprites): the source rows mRowLo .. mRowLo + mRowCount - 1 summed at every destination column,
    // made once a call, and the column taps padded to mPadded.
    bool mRowsFirst = false, mRowSumsReady = false;
    int mRowLo = 0, mRowCount = 0, mPadded = 0;
    std::vector<uint32_t> mRowSums, mRowTaps;
};

// Whole small stretches kept with their source picture. Particles and icons draw the same few sprites at the same
// few sizes thousands of times a frame, and a stretch's samples depend only on the source pixels, the source
// rectangle, the drawn size and the form they are kept in, never on where they land or on what is clipped away:
// the clipped part of a kept stretch is exactly what sampling the clipped area gives.
class StretchCache
{
public:
    // Stretches up to this many pixels are kept; larger ones are sampled on every call.
    static constexpr int64_t kMaxEntryPixels = 128 * 128;
    // Places for kept stretches, two per key hash: a new stretch takes the place of whatever held it.
    static constexpr size_t kSlots = 64;
    // All kept stretches of one source together; past it they are all let go and kept afresh.
    static constexpr size_t kMaxPixels = 256 * 1024;

    struct Key
    {
        Rect src;
        int width = 0, height = 0;
        // The form the pixels are kept in: 0 for the samples themselves, else the display's channel masks.
        uint32_t form[4] = {};
        bool nearest = false, mirror = false;
        bool operator==(const Key& o) const;
    };
    struct Entry
    {
        Key key;
        bool used = false;
        std::vector<uint32_t> pixels; // width x height, row after row
        bool hasAlpha = false, transparent = false;
    };

    // The kept stretch of key, or null. `pixels` is the source's pixel store and `changeCount` its change count:
    // when either differs from what the kept stretches were made from, they are all dropped.
    Entry* Find(const Key& key, const void* pixels, uint32_t changeCount);
    // A new entry for key (pixels sized, flags cleared), made from the same source state Find was given.
    Entry& Add(const Key& key);
    void Clear();

    static bool Fits(int width, int height)
    {
        return width > 0 && height > 0 && int64_t(width) * height <= kMaxEntryPixels;
    }

    // The additive terms of the source's count straight-alpha pixels, kept like the stretches (remade when `pixels`
    // or `changeCount` differ from what they were made from): each colour channel times the pixel's alpha >> 8,
    // the alpha byte clear. A white additive blit weighed by alpha adds exactly these, so it can add them as they
    // are instead of weighing every pixel on every blit.
    const uint32_t* AdditiveTerms(const uint32_t* pixels, size_t count, uint32_t changeCount);

private:
    static size_t Slot(const Key& k);
    std::vector<uint32_t> mTerms;
    const void* mTermsPixels = nullptr;
    uint32_t mTermsChangeCount = 0;
    std::vector<Entry> mSlots;
    const void* mPixels = nullptr;
    uint32_t mChangeCount = 0;
    size_t mTotal = 0;
};

// The kept stretches one batch of sprites has found, by size. The draws of a batch share every part of the key but
// the size, so the size alone finds again what the cache gave for it, without hashing and comparing the whole key
// or reading the entry. Adding to the cache may move or drop any entry, so the caller forgets everything (Forget)
// whenever it adds. Lives no longer than its batch: the source's cache stays put while the batch draws.
class StretchSizeMemo
{
public:
    StretchCache::Entry* Find(int width, int height) const
    {
        const size_t at = Place(width, height);
        const Slot& s = mSlots[at];
        return Holds(at) && s.width == width && s.height == height ? s.entry : nullptr;
    }
    // The kept samples of that size, or null.
    const uint32_t* FindPixels(int width, int height) const
    {
        const size_t at = Place(width, height);
        const Slot& s = mSlots[at];
        return Holds(at) && s.width == width && s.height == height ? s.pixels : nullptr;
    }
    void Note(StretchCache::Entry* e)
    {
        const size_t at = Place(e->key.width, e->key.height);
        mSlots[at] = {e->key.width, e->key.height, e, e->pixels.data()};
        mFilled |= uint64_t(1) << at;
    }
    void Forget() { mFilled = 0; }

private:
    // A slot is read only once something was noted in it since the last Forget: a batch's memo starts empty
    // without clearing every slot (a batch of a few sparks would spend more on that than on drawing them).
    struct Slot
    {
        int width, height;
        StretchCache::Entry* entry;
        const uint32_t* pixels;
    };
    static constexpr size_t kSlots = 64;
    static size_t Place(int width, int height) { return (size_t(uint32_t(width)) * 37 + uint32_t(height)) % kSlots; }
    bool Holds(size_t at) const { return (mFilled >> at) & 1; }
    Slot mSlots[kSlots];
    uint64_t mFilled = 0;
};

} // namespace Zest
