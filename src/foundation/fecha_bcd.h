// The one date type: local date and time packed into seven BCD bytes.
#pragma once

#include <cstdint>

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

// 1 if `a` is later, -1 if earlier, 0 if equal; the weekday is ignored.
int comparar_fecha(const fecha_bcd& a, const fecha_bcd& b);

// Seconds from `a` to `b` (positive when `b` is later). Meant for instants
// less than a month apart: only the day of the month enters the sum, and one
// month length (February always 28 days) bridges a month change.
int32_t segundos_entre(const fecha_bcd& a, const fecha_bcd& b);

// Day 1..31, month 1..12, year 1..49, hour, minute and second in range, and
// no nibble above 9.
bool fecha_valida(const fecha_bcd& f);

// "dd/mm/yy hh:mm:ss" and a NUL (18 bytes), from the raw nibbles.
void fecha_a_texto(char texto[18], const fecha_bcd& f);
