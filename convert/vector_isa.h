// Which vector kernels the processor can run, found once per process. SSE2
// kernels run everywhere; wider ones are taken where the processor and the
// system support them, unless the environment variable DIBDRAW_DISABLE
// names them ("avx512"), which lets the narrower kernels be measured and
// tested on any machine.
#pragma once

namespace dibdraw {

// AVX-512 with byte-granular permutes (BW, VL and VBMI): 64-byte vectors, and
// look-ups in 256-byte tables held in four registers.
bool ByteTableVectorsAvailable();

}  // namespace dibdraw
