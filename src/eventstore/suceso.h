// The event store "qtrs.nvr": 21-byte records, oldest first, little-endian.
// Every reader and writer of the store finds the record's layout here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/bytes.h"
#include "foundation/fecha_bcd.h"

constexpr size_t kLargoSuceso = 21;
constexpr uint8_t kVersionSuceso = 5;
constexpr const char* kArchivoSincro = "qtrs.nvr";

enum : uint8_t {
  SUCESO_FOTO = 'S',
  SUCESO_VENTA = 'V',
  SUCESO_ARRANQUE = 'A',
  SUCESO_NULO = 'N',
};

constexpr uint8_t kTanqueCierreTurno = 99;
constexpr int kTanquesSincro = 16;  // tank bytes 0..15 name a tank

// Where each field lies in a record.
namespace campo_suceso {
constexpr size_t kTipo = 0;
constexpr size_t kVersion = 1;
constexpr size_t kFecha = 2;  // a fecha_bcd, 7 bytes
constexpr size_t kMes = kFecha + offsetof(fecha_bcd, mes);
// The date's weekday byte: writers leave it 0, and its top bit is the
// calibration capture's mark.
constexpr size_t kMarca = kFecha + offsetof(fecha_bcd, dia_semana);
// Tank of 'S' and 'V' (99: a shift close), start-up scan result of 'A',
// the unknown kind that an 'N' replaced.
constexpr size_t kTanque = 9;
// 'S', a tank snapshot.
constexpr size_t kNivel = 10;       // real, mm
constexpr size_t kFlags = 14;       // below
constexpr size_t kLitrosFoto = 15;  // real
constexpr size_t kMerma = 19;       // 16 bits, tenths of a litre
// 'V', a sale.
constexpr size_t kLitrosVenta = 10;    // real, signed
constexpr size_t kTotalContador = 14;  // real, -1.0 when not known
}  // namespace campo_suceso

constexpr uint8_t kMarcaCaptura = 0x80;

// A snapshot's flags byte.
constexpr uint8_t kFlagsStatus = 0x07;     // the tank's calibration status code
constexpr uint8_t kFlagProgramada = 0x08;  // the console acknowledged a table programming
constexpr uint8_t kFlagsMedible = 0xF0;    // the measurability nibble
constexpr uint8_t kFlagAutclb = 0x40;      // right after a new table version

// Accessors for the walks over a whole store, on a record's first byte.
inline uint8_t tipo_suceso(const uint8_t* s) { return s[campo_suceso::kTipo]; }
inline uint8_t tanque_suceso(const uint8_t* s) { return s[campo_suceso::kTanque]; }
inline uint8_t mes_suceso(const uint8_t* s) { return s[campo_suceso::kMes]; }  // BCD
// The date's bytes, for clave_fecha and fecha_valida (which read one more).
inline const uint8_t* fecha_suceso(const uint8_t* s) { return s + campo_suceso::kFecha; }
inline float litros_venta(const uint8_t* s) { return lee_real_le(s + campo_suceso::kLitrosVenta); }
inline float total_contador(const uint8_t* s) {
  return lee_real_le(s + campo_suceso::kTotalContador);
}
inline float litros_foto(const uint8_t* s) { return lee_real_le(s + campo_suceso::kLitrosFoto); }

// One record decoded; only the fields of its kind are filled.
struct suceso {
  uint8_t tipo = 0;
  uint8_t version = 0;
  fecha_bcd fecha = {};         // with the weekday byte as stored
  bool marcado = false;         // the capture mark
  uint8_t tanque = 0;           // 'S', 'V'
  uint8_t resultado = 0;        // 'A'
  uint8_t reemplazado = 0;      // 'N'
  float nivel = 0.0f;           // 'S'
  uint8_t flags = 0;            // 'S'
  float litros = 0.0f;          // 'S' in stock, 'V' sold
  int16_t merma_mes = 0;        // 'S'
  float total_contador = 0.0f;  // 'V'
};
suceso decodifica_suceso(const uint8_t r[kLargoSuceso]);

// What a tank snapshot stores, from the tank's last inventory.
struct foto_tanque {
  fecha_bcd fecha;
  uint8_t tanque;
  float nivel;
  uint8_t status_calibs;     // only the low three bits are kept
  uint8_t liq_agua_medible;  // only the high four bits are kept
  float litros;
  int16_t merma_mes;
  bool programada;  // the console acknowledged a table programming
  bool autclb;      // stored right after a new table version
};

// The sale being stored.
struct venta {
  fecha_bcd fecha;
  uint8_t tanque;  // 0..15, or 99 for a shift close
  float litros;
  float total_contador;  // -1.0 when not known
};

// Record builders: the date's weekday byte is written as 0, the bytes of no
// field as 0.
void suceso_foto(const foto_tanque& f, uint8_t out[kLargoSuceso]);
void suceso_venta(const venta& v, uint8_t out[kLargoSuceso]);
void suceso_arranque(const fecha_bcd& ahora, uint8_t resultado, uint8_t out[kLargoSuceso]);

// The store keeps the current month and the two before it, by month number.
constexpr int kMesesRetenidos = 3;
// Those months as BCD bytes, the current one first.
void meses_retenidos(unsigned mes_actual, uint8_t meses_bcd[kMesesRetenidos]);
