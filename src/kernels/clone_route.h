#pragma once
// The kernels that have two copies, one for processors with AVX2 and one for
// any processor (the Bayer rebuild, the motion and saturation row loops, the
// mosaic blend, the wavelet smoothing and gains, the convolution's fastest
// route), run the AVX2 copy when the processor has it. With
// CloneRoute::Portable the copy for any processor runs whatever the
// processor, so that the two can be compared on the same input. Set it
// while none of them runs.

namespace kernels {

enum class CloneRoute { Best, Portable };
void SetCloneRoute(CloneRoute route);
// True when CloneRoute::Best runs the AVX2 copies on this processor.
bool Avx2CloneAvailable();

namespace detail {
// The copy to run now.
bool UseAvx2Clone();
} // namespace detail

} // namespace kernels
