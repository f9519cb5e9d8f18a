#include "eventstore/suceso.h"

#include <cstring>

#include "foundation/bytes.h"

namespace {

// Kind, version and date; byte 7 (the date's weekday) is always written as 0
// because its top bit is the capture mark.
void cabecera(uint8_t tipo, const fecha_bcd& fecha, uint8_t out[kLargoSuceso]) {
  std::memset(out, 0, kLargoSuceso);
  out[0] = tipo;
  out[1] = kVersionSuceso;
  std::memcpy(out + 2, &fecha, sizeof fecha);
  out[7] = 0;
}

}  // namespace

void suceso_foto(const registro_tanque& r, uint8_t tanque, bool programada, bool autclb,
                 uint8_t out[kLargoSuceso]) {
  cabecera(SUCESO_FOTO, r.fecha_hora, out);
  out[9] = tanque;
  escribe_real_le(out + 10, r.nivel);
  uint8_t flags = static_cast<uint8_t>((r.status_calibs & 0x07) | (r.liq_agua_medible & 0xF0));
  if (programada) flags |= 0x08;
  if (autclb) flags |= 0x40;
  out[14] = flags;
  escribe_real_le(out + 15, r.litros);
  escribe_u16_le(out + 19, static_cast<uint16_t>(r.merma_mes));
}

void suceso_venta(const venta& v, uint8_t out[kLargoSuceso]) {
  cabecera(SUCESO_VENTA, v.fecha, out);
  out[9] = v.tanque;
  escribe_real_le(out + 10, v.litros);
  escribe_real_le(out + 14, v.total_contador);
}

void suceso_arranque(const fecha_bcd& ahora, uint8_t resultado, uint8_t out[kLargoSuceso]) {
  cabecera(SUCESO_ARRANQUE, ahora, out);
  out[9] = resultado;
}

void meses_retenidos(unsigned mes_actual, uint8_t meses_bcd[3]) {
  unsigned mes = mes_actual;
  for (int i = 0; i < 3; ++i) {
    if (mes == 0 || mes > 12) mes = 12;
    meses_bcd[i] = bin_a_bcd(mes);
    --mes;
  }
}

size_t primer_retenido(const uint8_t* datos, size_t largo, const uint8_t meses_bcd[3]) {
  // Only whole records count: keeping from a cut-short tail would leave the
  // store out of step with its 21-byte grid.
  for (size_t pos = kLargoSuceso; pos + kLargoSuceso <= largo; pos += kLargoSuceso) {
    const uint8_t mes = datos[pos + 6];
    if (mes == meses_bcd[0] || mes == meses_bcd[1] || mes == meses_bcd[2]) return pos;
  }
  return largo;
}
