// The console's sale question, which rides inside its inventory reply, and
// the body of the station's answer. Pure functions on byte buffers; the
// litres come from the store search of inventory/.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/fecha_bcd.h"

// The question: up to three periods of a start and an end date each. A
// period whose start day is 0xFF ends the list.
constexpr int kPeriodos = 3;
constexpr size_t kLargoPeriodo = 2 * sizeof(fecha_bcd);
constexpr size_t kLargoPregunta = kPeriodos * kLargoPeriodo;
constexpr size_t kDiaInicioPeriodo = offsetof(fecha_bcd, dia);
constexpr uint8_t kFinPreguntas = 0xFF;

// The answer's two forms: the long one, asked for with a 'g' in the
// reply's first byte, carries each period's search code; the short one
// only the first code that is not 0.
constexpr uint8_t kFormaLarga = 'g';
constexpr uint8_t kFormaCorta = 'G';
namespace cuerpo_venta {
constexpr size_t kForma = 0;
constexpr size_t kTanque = 1;
constexpr size_t kEstado = 2;           // short form: the first code that is not 0
constexpr size_t kLitros = 3;           // a big-endian real per period
constexpr size_t kCodigos = 15;         // long form: a code per period
constexpr uint8_t kEstadoLarga = 0xFE;  // the long form's status byte
constexpr size_t kLargoCorto = kLitros + 4 * kPeriodos + 2;
constexpr size_t kLargoLargo = kCodigos + kPeriodos + 2;
}  // namespace cuerpo_venta

// Whether the period at `periodo` is asked (the list has not ended), and
// its dates.
bool periodo_pedido(const uint8_t periodo[kLargoPeriodo]);
void fechas_periodo(const uint8_t periodo[kLargoPeriodo], fecha_bcd* inicio, fecha_bcd* fin);

// Writes the answer's body for tank `tanque` in the form `forma` asks for
// (anything but 'g' is the short form) and returns its length: form, tank,
// status, the litres and (long form) the codes of the three periods, and
// the 16-bit sum of all of that, high byte first. Periods not asked have 0
// litres and code 0.
size_t cuerpo_respuesta_venta(uint8_t forma, uint8_t tanque, const float litros[kPeriodos],
                              const uint8_t codigos[kPeriodos], uint8_t* cuerpo);
