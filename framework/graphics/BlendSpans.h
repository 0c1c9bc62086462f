// Whole-span forms of the blit hot loops, for memory images (the white blends of PixelBlend.h) and for display
// surfaces (the rules of SurfacePixels.h): a plain per-pixel form, an SSE2 form (the baseline of every x86-64
// processor) and an AVX2 form, one of them picked at run time for both. Every form gives exactly the result of the
// per-pixel rules.
#pragma once

#include <cstddef>
#include <cstdint>

#include "graphics/SurfacePixels.h"

namespace Zest
{

// d[0..n) blended with s[0..n); sat is the 512-entry saturation table (entry i = min(i, 255)).
using SpanFn = void (*)(uint32_t* d, const uint32_t* s, int n, const uint8_t* sat);

struct SpanKernels
{
    // Source pixels onto an opaque destination by their own alpha: alpha 255 copies, alpha 0 leaves the
    // destination, anything else blends to an opaque result. Spans may mix all three.
    SpanFn ontoOpaque;
    // Additive, white, source with partial alpha: channel + (source channel x alpha >> 8), saturated; the
    // destination alpha is kept.
    SpanFn addWeighted;
    // Additive, white, source without partial alpha: every colour channel added in full, saturated.
    SpanFn addFull;

    // Display surfaces, from the source's display-format pixels (premultiplied, alpha on top). Each comes in a
    // plain form [0] and a mirrored one [1], which writes the span leftwards from d (d[-i] for source pixel i).
    // 32 bits with 8-bit channels in the low three bytes: opaque pixels copied (top byte cleared) ...
    void (*surfaceCopy[2])(uint32_t* d, const uint32_t* s, int n);
    // ... blended by their own alpha, white (SurfaceBlendChannel; alpha 0 leaves the destination) ...
    void (*surfaceBlend[2])(uint32_t* d, const uint32_t* s, int n);
    // ... blended by their own alpha times a tint's alpha a, with the colour x a weights by byte position
    // (SurfaceBlendTintedPixel) ...
    void (*surfaceBlendTinted[2])(uint32_t* d, const uint32_t* s, int n, const uint32_t weight[3], uint32_t a);
    // ... and added, tinted by the three 8-bit factors by byte position unless white (SurfaceAddPixel).
    void (*surfaceAdd[2])(uint32_t* d, const uint32_t* s, int n, const uint32_t tint[3], bool white);
    // 5-6-5 and 5-5-5: the grey blend and the additive form of Spread16Blend and Spread16Add.
    void (*surfaceBlend16[2])(uint16_t* d, const uint32_t* s, int n, const Spread16& f, uint32_t srcFactor, uint32_t a,
                              bool white);
    void (*surfaceAdd16[2])(uint16_t* d, const uint32_t* s, int n, const Spread16& f, const uint32_t tint[3],
                            bool white);
    // surfaceAdd[0] over a block of h rows of n pixels: destination rows pitch words apart, source rows stride
    // apart. Small sprites are a few short rows; one call for all of them keeps the set-up and the tails cheap.
    void (*surfaceAddBlock)(uint32_t* d, size_t pitch, const uint32_t* s, size_t stride, int n, int h,
                            const uint32_t tint[3], bool white);
    // surfaceCopy[0], surfaceBlend[0] and surfaceBlendTinted[0] over a block in the same way: a picture's rows go
    // to one call, which makes its set-up once.
    void (*surfaceCopyBlock)(uint32_t* d, size_t pitch, const uint32_t* s, size_t stride, int n, int h);
    void (*surfaceBlendBlock)(uint32_t* d, size_t pitch, const uint32_t* s, size_t stride, int n, int h);
    void (*surfaceBlendTintedBlock)(uint32_t* d, size_t pitch, const uint32_t* s, size_t stride, int n, int h,
                                    const uint32_t weight[3], uint32_t a);
};

enum class SpanIsa
{
    Scalar,
    Sse2,
    Avx2,
};

// Whether this build and processor can run the given form.
bool SpanIsaAvailable(SpanIsa isa);

// The kernels of one form (the per-pixel ones when the form is not available).
const SpanKernels& SpanKernelsFor(SpanIsa isa);

// The kernels the blitters use: the best available form unless SetSpanIsa chose another.
const SpanKernels& ActiveSpanKernels();

// The form the blitters use, for the other vector kernels that follow the same choice.
SpanIsa ActiveSpanIsa();

// Makes the blitters use the given form (or the best available one below it); returns the previous choice.
// For comparing the forms against each other.
SpanIsa SetSpanIsa(SpanIsa isa);

} // namespace Zest
