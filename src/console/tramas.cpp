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
size_t cabecera(uint8_t* c, uint8_t codigo) {
  c[0] = 0x19;
  c[1] = 0x04;
  c[2] = codigo;
  return 3;
}
}  // namespace

size_t cuerpo_RW(uint8_t* c) {
  cabecera(c, CODIGO_RW);
  c[3] = 0x09;
  c[4] = 0x01;
  return 5;
}

size_t cuerpo_RDW(uint8_t* c) {
  cabecera(c, CODIGO_RDW);
  c[3] = 0xFF;
  c[4] = 0x02;
  c[5] = suma8(c, 5);
  return 6;
}

size_t cuerpo_PRE(uint8_t* c, const fecha_bcd& ahora) {
  cabecera(c, CODIGO_PRE);
  std::memcpy(c + 3, &ahora, sizeof ahora);
  c[10] = suma8(c, 10);
  return 11;
}

size_t cuerpo_RCW(uint8_t* c, uint8_t tanque) {
  cabecera(c, CODIGO_RCW);
  c[3] = 0x45;
  c[4] = tanque;
  c[5] = c[6] = c[7] = 0;
  c[8] = suma8(c, 8);
  return 9;
}

size_t cuerpo_PCW(uint8_t* c, uint8_t tanque, const uint8_t* imagen) {
  cabecera(c, CODIGO_PCW);
  c[3] = 0x45;
  c[4] = tanque;
  std::memcpy(c + 5, imagen, 1246);
  uint16_t s = suma16(c, 1251);
  c[1251] = static_cast<uint8_t>(s >> 8);
  c[1252] = static_cast<uint8_t>(s);
  return 1253;
}

size_t cuerpo_PCT(uint8_t* c) { return cabecera(c, CODIGO_PCT); }
