// Reading the store as a whole: converting an old structure version, the
// start-up scan and the null event that replaces an unknown record.
#include "eventstore/version.h"

#include <cstring>

using namespace campo_suceso;

namespace {

// Records of the old versions lack the snapshot's shrinkage field, and so
// end at 19 bytes; version 1's sales and start-up events end sooner.
constexpr size_t kLargoAntiguo = 19;
constexpr size_t kLargoVentaV1 = 18;
constexpr size_t kLargoArranqueV1 = 10;
// The first version with null events.
constexpr uint8_t kVersionConNulos = 4;

}  // namespace

size_t largo_antiguo(uint8_t tipo, uint8_t version) {
  if (version < 1 || version >= kVersionSuceso) return 0;
  switch (tipo) {
    case SUCESO_FOTO: return kLargoAntiguo;
    case SUCESO_VENTA: return version == 1 ? kLargoVentaV1 : kLargoAntiguo;
    case SUCESO_ARRANQUE: return version == 1 ? kLargoArranqueV1 : kLargoAntiguo;
    case SUCESO_NULO: return version >= kVersionConNulos ? kLargoAntiguo : 0;
    default: return 0;
  }
}

size_t capacidad_conversion(size_t largo) {
  return (largo / kLargoArranqueV1 + 1) * kLargoSuceso;  // the shortest old record
}

resultado_conversion convierte_version(const uint8_t* datos, size_t largo, uint8_t version,
                                       uint8_t* salida, size_t capacidad) {
  resultado_conversion r;
  size_t pos = 0;
  while (pos < largo && r.largo + kLargoSuceso <= capacidad) {
    const uint8_t tipo = tipo_suceso(datos + pos);
    const size_t n = largo_antiguo(tipo, version);
    if (n == 0) {
      const bool nulo_viejo = tipo == SUCESO_NULO && version >= 1 && version < kVersionConNulos;
      r.desconocido = !nulo_viejo && version >= 1 && version < kVersionSuceso;
      r.parada = true;
      break;
    }
    if (largo - pos < n) break;  // a cut-short tail is no record
    uint8_t* out = salida + r.largo;
    std::memset(out, 0, kLargoSuceso);
    std::memcpy(out, datos + pos, n);
    out[kVersion] = kVersionSuceso;
    if (n > kMarca) out[kMarca] = 0;
    r.largo += kLargoSuceso;
    pos += n;
  }
  r.leidos = pos;
  return r;
}

recorrido_sincro recorre_sincro(cursor_registros& c, float litros[kTanquesSincro]) {
  recorrido_sincro r;
  for (const uint8_t* s; (s = c.actual()) != nullptr; c.avanza()) {
    const uint8_t tipo = tipo_suceso(s);
    if (tipo == SUCESO_FOTO) {
      if (tanque_suceso(s) < kTanquesSincro) litros[tanque_suceso(s)] = litros_foto(s);
    } else if (tipo == SUCESO_VENTA) {
      // The last one in the file, not the newest: the store is in append order.
      std::memcpy(&r.ultima_venta, fecha_suceso(s), sizeof r.ultima_venta);
      r.hay_venta = true;
    } else if (tipo != SUCESO_ARRANQUE && tipo != SUCESO_NULO) {
      r.desconocido = true;
      break;
    }
  }
  return r;
}

void anula_suceso(uint8_t registro[kLargoSuceso], const fecha_bcd& ahora) {
  registro[kTanque] = registro[kTipo];
  registro[kTipo] = SUCESO_NULO;
  registro[kVersion] = kVersionSuceso;
  std::memcpy(registro + kFecha, &ahora, sizeof ahora);
}
