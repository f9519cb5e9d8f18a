#include "eventstore/version.h"

#include <cstring>

#include "foundation/bytes.h"

size_t largo_antiguo(uint8_t tipo, uint8_t version) {
  if (version < 1 || version >= kVersionSuceso) return 0;
  switch (tipo) {
    case SUCESO_FOTO:
      return 19;
    case SUCESO_VENTA:
      return version == 1 ? 18 : 19;
    case SUCESO_ARRANQUE:
      return version == 1 ? 10 : 19;
    case SUCESO_NULO:
      return version == 4 ? 19 : 0;
    default:
      return 0;
  }
}

size_t capacidad_conversion(size_t largo) {
  // The shortest old record has 10 bytes.
  return (largo / 10 + 1) * kLargoSuceso;
}

resultado_conversion convierte_version(const uint8_t* datos, size_t largo, uint8_t version,
                                       uint8_t* salida, size_t capacidad) {
  resultado_conversion r;
  size_t pos = 0;
  while (pos < largo && r.largo + kLargoSuceso <= capacidad) {
    const uint8_t tipo = datos[pos];
    const size_t n = largo_antiguo(tipo, version);
    if (n == 0) {
      const bool nulo_viejo = tipo == SUCESO_NULO && version >= 1 && version < 4;
      r.desconocido = !nulo_viejo && version >= 1 && version < kVersionSuceso;
      break;
    }
    if (largo - pos < n) break;  // a cut-short tail is no record
    uint8_t* out = salida + r.largo;
    std::memset(out, 0, kLargoSuceso);
    std::memcpy(out, datos + pos, n);
    out[1] = kVersionSuceso;
    if (n > 7) out[7] = 0;
    r.largo += kLargoSuceso;
    pos += n;
  }
  return r;
}

recorrido_sincro recorre_sincro(const uint8_t* datos, size_t largo,
                                float litros[kTanquesConsola]) {
  recorrido_sincro r{largo};
  for (size_t pos = 0; pos + kLargoSuceso <= largo; pos += kLargoSuceso) {
    const uint8_t* s = datos + pos;
    if (s[0] == SUCESO_FOTO) {
      if (s[9] < kTanquesConsola) litros[s[9]] = lee_real_le(s + 15);
    } else if (s[0] == SUCESO_VENTA) {
      // The last one in the file, not the newest: the store is in append order.
      std::memcpy(&r.ultima_venta, s + 2, sizeof r.ultima_venta);
      r.hay_venta = true;
    } else if (s[0] != SUCESO_ARRANQUE && s[0] != SUCESO_NULO) {
      r.desconocido = pos;
      break;
    }
  }
  return r;
}

void anula_suceso(uint8_t registro[kLargoSuceso], const fecha_bcd& ahora) {
  registro[9] = registro[0];
  registro[0] = SUCESO_NULO;
  registro[1] = kVersionSuceso;
  std::memcpy(registro + 2, &ahora, sizeof ahora);
}
