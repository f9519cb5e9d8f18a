// The one date type: local date and time packed into seven BCD bytes.
#pragma once

#include <cstdint>
#include <cstring>

#include "foundation/bytes.h"

struct fecha_bcd {
  uint8_t segundo;
  uint8_t minuto;
  uint8_t hora;
  uint8_t dia;
  uint8_t mes;
  uint8_t dia_semana;  // 1 = Sunday from the clock; never compared
  uint8_t anio;        // calendar year minus 2000
};
static_assert(sizeof(fecha_bcd) == 7, "fecha_bcd is stored as 7 bytes");

// (high nibble x 10) + low nibble, for any byte.
unsigned bcd_a_bin(uint8_t b);
// The value modulo 256 as two BCD digits; meant for 0..99.
uint8_t bin_a_bcd(unsigned v);

// The platform clock's local time.
void fecha_actual(fecha_bcd* f);

// Seconds from `a` to `b` (positive when `b` is later). Meant for instants
// less than a month apart: only the day of the month enters the sum, and one
// month length (February always 28 days) bridges a month change.
int32_t segundos_entre(const fecha_bcd& a, const fecha_bcd& b);

// Store walks meet a date in every record, so they read it in one go: the
// seven date bytes and the byte after them as one little-endian number, the
// weekday and that last byte masked off. What is left orders like the date.
namespace fecha_en_registro {

constexpr uint64_t kCampos = 0x00FF00FFFFFFFFFF;  // second .. month, year
constexpr uint64_t bytes(uint8_t s, uint8_t mi, uint8_t h, uint8_t d, uint8_t me, uint8_t a) {
  return uint64_t{s} | uint64_t{mi} << 8 | uint64_t{h} << 16 | uint64_t{d} << 24 |
         uint64_t{me} << 32 | uint64_t{a} << 48;
}
constexpr uint64_t kAltos = bytes(0x80, 0x80, 0x80, 0x80, 0x80, 0x80);
constexpr uint64_t kNibbleBajo = bytes(0x0F, 0x0F, 0x0F, 0x0F, 0x0F, 0x0F);
constexpr uint64_t kMasSeis = bytes(6, 6, 6, 6, 6, 6);  // carries out of a low nibble above 9
constexpr uint64_t kAcarreoNibble = bytes(0x10, 0x10, 0x10, 0x10, 0x10, 0x10);
// Adding 0x7F - maximum sets bit 7 exactly when a byte is above its maximum.
constexpr uint64_t kHastaMaximo =
    bytes(0x7F - 0x59, 0x7F - 0x59, 0x7F - 0x23, 0x7F - 0x31, 0x7F - 0x12, 0x7F - 0x49);
// Adding 0x7F sets bit 7 exactly when a byte is not 0: day, month and year.
constexpr uint64_t kDesdeUno = bytes(0, 0, 0, 0x7F, 0x7F, 0x7F);
constexpr uint64_t kNoCero = bytes(0, 0, 0, 0x80, 0x80, 0x80);

inline uint64_t clave(const uint8_t* p) { return lee_u64_le(p) & kCampos; }

// Two decimal digits in each field, each in its field's range.
inline bool valida(const uint8_t* p) {
  const uint64_t x = clave(p);
  const uint64_t y = x & ~kAltos;  // below 0x80: the sums below cannot carry
  const uint64_t fuera = (x & kAltos) | (((x & kNibbleBajo) + kMasSeis) & kAcarreoNibble) |
                         ((y + kHastaMaximo) & kAltos) | (((y + kDesdeUno) & kNoCero) ^ kNoCero);
  return fuera == 0;
}

}  // namespace fecha_en_registro

// The date at `p` of a record, as a number that orders like the date (the
// weekday left out). One byte after the date is read, not looked at.
inline uint64_t clave_fecha(const uint8_t* p) { return fecha_en_registro::clave(p); }
inline uint64_t clave_fecha(const fecha_bcd& f) {
  uint8_t b[8] = {};
  std::memcpy(b, &f, sizeof f);
  return clave_fecha(b);
}

// 1 if `a` is later, -1 if earlier, 0 if equal; the weekday is ignored.
inline int comparar_fecha(const fecha_bcd& a, const fecha_bcd& b) {
  const uint64_t ka = clave_fecha(a), kb = clave_fecha(b);
  return (ka > kb) - (ka < kb);
}

// Day 1..31, month 1..12, year 1..49, hour, minute and second in range, and
// no nibble above 9. The record form reads one byte after the date.
inline bool fecha_valida(const uint8_t* p) { return fecha_en_registro::valida(p); }
inline bool fecha_valida(const fecha_bcd& f) {
  uint8_t b[8] = {};
  std::memcpy(b, &f, sizeof f);
  return fecha_valida(b);
}

// "dd/mm/yy hh:mm:ss" and a NUL (18 bytes), from the raw nibbles.
void fecha_a_texto(char texto[18], const fecha_bcd& f);
