// Building and decoding the event store's records, and the months its
// retention keeps.
#include "eventstore/suceso.h"

#include <cstring>

#include "foundation/bytes.h"

using namespace campo_suceso;

namespace {

// Kind, version and date; the date's weekday byte is always written as 0
// because its top bit is the capture mark.
void cabecera(uint8_t tipo, const fecha_bcd& fecha, uint8_t out[kLargoSuceso]) {
  std::memset(out, 0, kLargoSuceso);
  out[kTipo] = tipo;
  out[kVersion] = kVersionSuceso;
  std::memcpy(out + kFecha, &fecha, sizeof fecha);
  out[kMarca] = 0;
}

}  // namespace

suceso decodifica_suceso(const uint8_t r[kLargoSuceso]) {
  suceso s;
  s.tipo = r[kTipo];
  s.version = r[kVersion];
  std::memcpy(&s.fecha, r + kFecha, sizeof s.fecha);
  s.marcado = (r[kMarca] & kMarcaCaptura) != 0;
  switch (s.tipo) {
    case SUCESO_FOTO:
      s.tanque = r[kTanque];
      s.nivel = lee_real_le(r + kNivel);
      s.flags = r[kFlags];
      s.litros = lee_real_le(r + kLitrosFoto);
      s.merma_mes = static_cast<int16_t>(lee_u16_le(r + kMerma));
      break;
    case SUCESO_VENTA:
      s.tanque = r[kTanque];
      s.litros = lee_real_le(r + kLitrosVenta);
      s.total_contador = lee_real_le(r + kTotalContador);
      break;
    case SUCESO_ARRANQUE: s.resultado = r[kTanque]; break;
    case SUCESO_NULO: s.reemplazado = r[kTanque]; break;
    default: break;
  }
  return s;
}

void suceso_foto(const foto_tanque& f, uint8_t out[kLargoSuceso]) {
  cabecera(SUCESO_FOTO, f.fecha, out);
  out[kTanque] = f.tanque;
  escribe_real_le(out + kNivel, f.nivel);
  uint8_t flags =
      static_cast<uint8_t>((f.status_calibs & kFlagsStatus) | (f.liq_agua_medible & kFlagsMedible));
  if (f.programada) flags |= kFlagProgramada;
  if (f.autclb) flags |= kFlagAutclb;
  out[kFlags] = flags;
  escribe_real_le(out + kLitrosFoto, f.litros);
  escribe_u16_le(out + kMerma, static_cast<uint16_t>(f.merma_mes));
}

void suceso_venta(const venta& v, uint8_t out[kLargoSuceso]) {
  cabecera(SUCESO_VENTA, v.fecha, out);
  out[kTanque] = v.tanque;
  escribe_real_le(out + kLitrosVenta, v.litros);
  escribe_real_le(out + kTotalContador, v.total_contador);
}

void suceso_arranque(const fecha_bcd& ahora, uint8_t resultado, uint8_t out[kLargoSuceso]) {
  cabecera(SUCESO_ARRANQUE, ahora, out);
  out[kTanque] = resultado;
}

void meses_retenidos(unsigned mes_actual, uint8_t meses_bcd[kMesesRetenidos]) {
  unsigned mes = mes_actual;
  for (int i = 0; i < kMesesRetenidos; ++i) {
    if (mes == 0 || mes > 12) mes = 12;
    meses_bcd[i] = bin_a_bcd(mes);
    --mes;
  }
}
