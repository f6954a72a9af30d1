// AVX2 build of the palette quantiser: the same source, compiled for AVX2.
#include <vector>

#include "codecs/palette_quantiser.h"

namespace {

#include "codecs/palette_quantiser_impl.h"

const PaletteKernels kAvx2 = {build_body, dither_body};

}  // namespace

const PaletteKernels& palette_kernels_avx2() {
    return kAvx2;
}
