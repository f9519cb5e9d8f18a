// What the station sends the console: frame recognition and checking, and
// the byte helpers that the replies share. No I/O here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace qtr10 {

enum class Clase : uint8_t {
  kRW,           // inventory
  kRDW,          // deliveries
  kPRE,          // set the clock
  kRCW,          // read a calibration table
  kPCW,          // program a calibration table
  kPCT,          // print the shift report
  kVenta,        // the station's answer to a sale question
  kDesconocida,  // bytes that start no known body
};
const char* nombre_clase(Clase c);
constexpr unsigned bit(Clase c) { return 1u << static_cast<unsigned>(c); }

// Why a frame was not taken.
enum class Defecto : uint8_t {
  kNinguno,
  kPrefijo,      // prefix does not match the access code
  kSuma,         // body checksum wrong
  kContenido,    // a fixed body byte is wrong
  kIncompleta,   // the connection closed in the middle of it
  kDesconocida,  // no known body starts there
};
const char* nombre_defecto(Defecto d);

using Codigo = std::array<uint8_t, 8>;

constexpr uint8_t kSTX = 0x02;
constexpr uint8_t kETX = 0x03;
constexpr uint8_t kAcuseBueno = 0x80;
constexpr size_t kPrefijo = 8;

// The prefix the station derives from the access code: +1, -2, +3, -4, ...
// Written apart from the station's own frame code on purpose, so that each
// checks the other.
std::array<uint8_t, kPrefijo> prefijo(const Codigo& codigo);

uint8_t suma8(const uint8_t* p, size_t n);
uint16_t suma16(const uint8_t* p, size_t n);

// The console speaks big-endian; sums in replies go low byte first.
inline void pon_u16_be(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}
inline void pon_u16_le(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline uint16_t lee_u16_be(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
void pon_f32_be(uint8_t* p, float v);
float lee_f32_be(const uint8_t* p);

// Where the frame at the start of `p` ends: its whole length (prefix
// included; it may be more than `n`), or 0 when more bytes are needed to
// tell. Bytes that start no known body are one frame of class kDesconocida
// as long as all of `n`.
size_t largo_trama(const uint8_t* p, size_t n, Clase* clase);

// Prefix, fixed bytes and checksum of one whole frame of the given class.
Defecto revisa_trama(Clase clase, const uint8_t* trama, size_t n, const Codigo& codigo);

}  // namespace qtr10
