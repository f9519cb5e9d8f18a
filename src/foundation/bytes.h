// Little-endian numbers inside byte records (tnq.ini, Nivara.log, qtrs.nvr).
#pragma once

#include <cstdint>
#include <cstring>

inline uint16_t lee_u16_le(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t lee_u32_le(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline int32_t lee_i32_le(const uint8_t* p) { return static_cast<int32_t>(lee_u32_le(p)); }
inline uint64_t lee_u64_le(const uint8_t* p) {
  return lee_u32_le(p) | static_cast<uint64_t>(lee_u32_le(p + 4)) << 32;
}

inline void escribe_u16_le(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void escribe_u32_le(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void escribe_i32_le(uint8_t* p, int32_t v) { escribe_u32_le(p, static_cast<uint32_t>(v)); }

// The console's numbers are big-endian.
inline uint16_t lee_u16_be(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t lee_u32_be(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

// Reals travel as the bytes of an IEEE 754 single.
inline float real_de_bits(uint32_t v) {
  float f;
  std::memcpy(&f, &v, sizeof f);
  return f;
}
inline uint32_t bits_de_real(float f) {
  uint32_t v;
  std::memcpy(&v, &f, sizeof v);
  return v;
}
inline float lee_real_be(const uint8_t* p) { return real_de_bits(lee_u32_be(p)); }
inline float lee_real_le(const uint8_t* p) { return real_de_bits(lee_u32_le(p)); }
inline void escribe_real_le(uint8_t* p, float f) { escribe_u32_le(p, bits_de_real(f)); }
