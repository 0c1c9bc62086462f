// Whole-span forms of the white blends in PixelBlend.h for the blit hot loops: a plain per-pixel form, an SSE2
// form (the baseline of every x86-64 processor) and an AVX2 form picked at run time where the processor has it.
// Every form gives exactly the result of the per-pixel rules.
#pragma once

#include <cstdint>

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

// Makes the blitters use the given form (or the best available one below it); returns the previous choice.
// For comparing the forms against each other.
SpanIsa SetSpanIsa(SpanIsa isa);

} // namespace Zest
