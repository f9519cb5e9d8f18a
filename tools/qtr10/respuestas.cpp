// The console's replies, byte for byte: inventory, deliveries, table,
// acknowledgements.
#include "qtr10/respuestas.h"

#include <cstring>

#include "qtr10/trama.h"

namespace qtr10 {

namespace {

void pon_suma(std::vector<uint8_t>& r, size_t desde, size_t hasta, bool mala) {
  uint16_t s = suma16(r.data() + desde, hasta - desde);
  pon_u16_le(r.data() + hasta, static_cast<uint16_t>(s + (mala ? 1 : 0)));
}

}  // namespace

std::vector<uint8_t> respuesta_inventario(uint8_t forma, const fecha_bcd& reloj, uint8_t version,
                                          const std::vector<ValoresTanque>& tanques,
                                          const PreguntaVenta* pregunta, bool sumas_malas) {
  const size_t n = tanques.size();
  const size_t fin_registros = 15 + kLargoRegistro * n;
  std::vector<uint8_t> r(fin_registros + 3 + (pregunta ? kLargoPregunta + 3 : 0), 0);
  r[0] = forma;
  std::memcpy(&r[1], &reloj, 7);
  r[8] = pregunta ? pregunta->tanque : 0xFF;
  pon_suma(r, 0, 9, sumas_malas);
  r[11] = kETX;
  r[12] = kSTX;
  r[13] = version;
  if (version == 1) {
    // Layout 1 records are read back to back from the tank count byte on,
    // which doubles as the first tank's inventory byte; the rest of the
    // 57 bytes per tank is padding.
    for (size_t t = 0; t < n; ++t) escribe_registro(1, tanques[t], &r[14 + kLargoRegistro1 * t]);
  } else {
    for (size_t t = 0; t < n; ++t)
      escribe_registro(version, tanques[t], &r[15 + kLargoRegistro * t]);
  }
  r[14] = static_cast<uint8_t>(n);
  pon_suma(r, 13, fin_registros, sumas_malas);
  r[fin_registros + 2] = kETX;
  if (pregunta) {
    const size_t q = fin_registros + 3;
    escribe_pregunta(*pregunta, &r[q]);
    pon_suma(r, q, q + kLargoPregunta, sumas_malas);
    r[q + kLargoPregunta + 2] = kETX;
  }
  return r;
}

std::vector<uint8_t> respuesta_descargas(uint8_t n, uint8_t m,
                                         const std::vector<Descarga>& registros, bool sumas_malas) {
  const size_t cuantos = static_cast<size_t>(n) * m;
  const size_t largo = kLargoDescarga * cuantos + 7;
  std::vector<uint8_t> r(largo, 0);
  r[0] = kSTX;
  r[1] = 1;
  r[2] = n;
  r[3] = m;
  for (size_t i = 0; i < cuantos && i < registros.size(); ++i) {
    escribe_descarga(registros[i], &r[4 + kLargoDescarga * i]);
  }
  pon_suma(r, 1, largo - 3, sumas_malas);
  r[largo - 1] = kETX;
  return r;
}

std::vector<uint8_t> respuesta_tabla(const TablaConsola& t, bool sumas_malas) {
  std::vector<uint8_t> r(kLargoTabla + 6, 0);
  r[0] = kSTX;
  pon_u16_be(&r[1], static_cast<uint16_t>(kLargoTabla));
  std::memcpy(&r[3], t.data(), kLargoTabla);
  pon_suma(r, 3, 3 + kLargoTabla, sumas_malas);
  r[kLargoTabla + 5] = kETX;
  return r;
}

std::vector<uint8_t> acuse(uint8_t codigo) { return {kSTX, codigo, kETX}; }

}  // namespace qtr10
