// The console's frames and replies: the prefix made from the access code,
// the command bodies, the additive sums, and where each part of a reply
// lies. Pure functions on byte buffers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "calibration/tabla_calib.h"
#include "console/respuesta_venta.h"
#include "foundation/fecha_bcd.h"
#include "inventory/registro_descarga.h"

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

// PCW's body: a head of 5 bytes (0x19 0x04, the code, 0x45, the tank), the
// table image, and the 16-bit sum of everything before it, high byte first.
namespace pcw {
constexpr size_t kImagen = 5;
constexpr size_t kSuma = kImagen + kLargoTablaCalib;
constexpr size_t kLargo = kSuma + 2;
}  // namespace pcw

// --- Replies. Their sums are stored low byte first.

constexpr uint8_t STX = 0x02;
constexpr uint8_t ETX = 0x03;
constexpr uint8_t ACK_OK = 0x80;

// The 16-bit sum stored at `p`.
inline uint16_t suma_guardada(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// The inventory reply to RW. A head of 15 bytes, collected first since it
// gives the tank count N; then N records of 57 bytes, whatever their layout,
// their sum and ETX; then, when the console asks for a tank's sales, the
// question, its sum and ETX.
namespace rw {
constexpr size_t kForma = 0;           // 'g': the long form of the sale answer
constexpr size_t kReloj = 1;           // the console's clock, fecha_bcd
constexpr size_t kTanquePregunta = 8;  // the tank asked about
constexpr size_t kSumaCabecera = 9;    // of the bytes before it
constexpr size_t kEtxCabecera = 11;
constexpr size_t kStxRegistros = 12;
constexpr size_t kLayout = 13;         // the records' layout version
constexpr size_t kCuentaTanques = 14;  // N
constexpr size_t kRegistros = 15;
constexpr size_t kLargoCabecera = kRegistros;
constexpr size_t kLargoRegistro = 57;
constexpr size_t kLargoPregunta = ::kLargoPregunta;  // three periods, each two dates
constexpr uint8_t kSinPregunta = 16;                 // a tank byte from here up asks nothing

inline bool hay_pregunta(const uint8_t* r) { return r[kTanquePregunta] < kSinPregunta; }
// Where the parts behind N records lie. The records' sum covers the layout
// byte up to the last record.
constexpr size_t suma_registros(size_t n) { return kRegistros + kLargoRegistro * n; }
constexpr size_t etx_registros(size_t n) { return suma_registros(n) + 2; }
constexpr size_t pregunta(size_t n) { return etx_registros(n) + 1; }
constexpr size_t suma_pregunta(size_t n) { return pregunta(n) + kLargoPregunta; }
constexpr size_t etx_pregunta(size_t n) { return suma_pregunta(n) + 2; }
// The whole reply: 18 + 57N bytes, 63 + 57N with a question.
constexpr size_t largo(size_t n, bool con_pregunta) {
  return con_pregunta ? etx_pregunta(n) + 1 : pregunta(n);
}
}  // namespace rw

// The delivery reply to RDW. A head of 4 bytes, collected first since it
// gives the counts; then M delivery records for each of N tanks, tank 0's
// first, their sum (of the head's last three bytes up to the last record)
// and ETX.
namespace rdw {
constexpr size_t kVersion = 1;
constexpr size_t kCuentaTanques = 2;  // N
constexpr size_t kPorTanque = 3;      // M
constexpr size_t kRegistros = 4;
constexpr size_t kLargoCabecera = kRegistros;
constexpr uint8_t kVersionConocida = 1;

constexpr size_t registro(size_t i) { return kRegistros + kLargoDescarga * i; }
constexpr size_t largo(size_t n, size_t m) { return registro(n * m) + 3; }
constexpr size_t suma_registros(size_t largo) { return largo - 3; }
constexpr size_t etx(size_t largo) { return largo - 1; }
}  // namespace rdw

// The calibration table reply to RCW: STX, the table's length (high byte
// first), the table in console order, its sum, ETX.
namespace rcw {
constexpr size_t kLargoTabla = 1;
constexpr size_t kTabla = 3;
constexpr size_t kLargo = kTabla + kLargoTablaCalib + 3;

inline uint32_t largo_tabla(const uint8_t* r) {
  return static_cast<uint32_t>(r[kLargoTabla] << 8 | r[kLargoTabla + 1]);
}
constexpr size_t suma_tabla(size_t largo) { return kTabla + largo; }
}  // namespace rcw

// The acknowledgement of PRE, PCW and PCT: STX, ACK_OK or the console's
// error code, ETX.
namespace acuse {
constexpr size_t kCodigo = 1;
constexpr size_t kLargo = 3;

inline bool bueno(const uint8_t* r) { return r[0] == STX && r[kCodigo] == ACK_OK && r[2] == ETX; }
}  // namespace acuse
