// The frame prefix, the additive sums and the command bodies.
#include "console/tramas.h"

#include <cstring>

bool prefijo_trama(const uint8_t codigo[8], uint8_t prefijo[8]) {
  bool vacio = true;
  for (int i = 0; i < 8; ++i) vacio = vacio && codigo[i] == 0;
  if (vacio) return false;
  for (int i = 0; i < 8; ++i) {
    int paso = i + 1;
    prefijo[i] = static_cast<uint8_t>(i % 2 == 0 ? codigo[i] + paso : codigo[i] - paso);
  }
  return true;
}

uint32_t suma(const uint8_t* p, size_t n) {
  uint32_t s = 0;
  for (size_t i = 0; i < n; ++i) s += p[i];
  return s;
}
uint8_t suma8(const uint8_t* p, size_t n) { return static_cast<uint8_t>(suma(p, n)); }
uint16_t suma16(const uint8_t* p, size_t n) { return static_cast<uint16_t>(suma(p, n)); }

namespace {

// Every body opens with 0x19 0x04 and the command code; returns the length.
size_t cabecera(uint8_t* c, uint8_t codigo) {
  c[0] = 0x19;
  c[1] = 0x04;
  c[2] = codigo;
  return 3;
}

// The byte that names the calibration table, in its read and its write.
constexpr uint8_t kObjetoTabla = 0x45;

// Closes a body of `n` bytes with their 8-bit sum; returns the new length.
size_t cierra_suma8(uint8_t* c, size_t n) {
  c[n] = suma8(c, n);
  return n + 1;
}

}  // namespace

size_t cuerpo_RW(uint8_t* c) {
  size_t n = cabecera(c, CODIGO_RW);
  c[n++] = 0x09;
  c[n++] = 0x01;
  return n;
}

size_t cuerpo_RDW(uint8_t* c) {
  size_t n = cabecera(c, CODIGO_RDW);
  c[n++] = 0xFF;
  c[n++] = 0x02;
  return cierra_suma8(c, n);
}

size_t cuerpo_PRE(uint8_t* c, const fecha_bcd& ahora) {
  const size_t n = cabecera(c, CODIGO_PRE);
  std::memcpy(c + n, &ahora, sizeof ahora);
  return cierra_suma8(c, n + sizeof ahora);
}

size_t cuerpo_RCW(uint8_t* c, uint8_t tanque) {
  size_t n = cabecera(c, CODIGO_RCW);
  c[n++] = kObjetoTabla;
  c[n++] = tanque;
  for (int i = 0; i < 3; ++i) c[n++] = 0;
  return cierra_suma8(c, n);
}

size_t cuerpo_PCW(uint8_t* c, uint8_t tanque, const uint8_t* imagen) {
  size_t n = cabecera(c, CODIGO_PCW);
  c[n++] = kObjetoTabla;
  c[n++] = tanque;  // the image follows: n is pcw::kImagen
  std::memcpy(c + pcw::kImagen, imagen, kLargoTablaCalib);
  const uint16_t s = suma16(c, pcw::kSuma);
  c[pcw::kSuma] = static_cast<uint8_t>(s >> 8);
  c[pcw::kSuma + 1] = static_cast<uint8_t>(s);
  return pcw::kLargo;
}

size_t cuerpo_PCT(uint8_t* c) { return cabecera(c, CODIGO_PCT); }
