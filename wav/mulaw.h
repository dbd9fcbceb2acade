// G.711 mu-law encoding of 16-bit linear samples, as the saved WAV files hold them.
#pragma once

#include <cstdint>

// Encodes byteCount / 2 samples of `in` into as many bytes of `out`; returns that count.
// An odd last input byte is ignored. Pure: no state, no allocation, no failure.
std::uint32_t EncodeMuLaw(std::uint32_t byteCount, std::uint8_t* out, const std::int16_t* in);
