// The console's frames: the prefix made from the access code, the command
// bodies and the additive sums. Pure functions on byte buffers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/fecha_bcd.h"

constexpr size_t kLargoPrefijo = 8;

// The 8-byte prefix: code byte i plus (i+1) for even i, minus (i+1) for odd
// i. False (nothing written) when the code is all zeros.
bool prefijo_trama(const uint8_t codigo[8], uint8_t prefijo[8]);

// Sums of bytes: modulo 256, modulo 65536, and as a whole number.
uint8_t suma8(const uint8_t* p, size_t n);
uint16_t suma16(const uint8_t* p, size_t n);
uint32_t suma(const uint8_t* p, size_t n);

// Command bodies; each returns its length.
size_t cuerpo_RW(uint8_t* c);
size_t cuerpo_RDW(uint8_t* c);
size_t cuerpo_PRE(uint8_t* c, const fecha_bcd& ahora);
size_t cuerpo_RCW(uint8_t* c, uint8_t tanque);
size_t cuerpo_PCW(uint8_t* c, uint8_t tanque, const uint8_t* imagen);
size_t cuerpo_PCT(uint8_t* c);

// Command codes: the third body byte.
enum : uint8_t {
  CODIGO_RW = 0x33,
  CODIGO_RDW = 0xDE,
  CODIGO_PRE = 0xC2,
  CODIGO_RCW = 0xB9,
  CODIGO_PCW = 0xE6,
  CODIGO_PCT = 0xAB,
};

constexpr uint8_t STX = 0x02;
constexpr uint8_t ETX = 0x03;
constexpr uint8_t ACK_OK = 0x80;
