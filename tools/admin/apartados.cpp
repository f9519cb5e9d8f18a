// Reading qtrs.apt; its layout is in eventstore/apartado.h.
#include "admin/apartados.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "admin/archivos.h"
#include "admin/sincro.h"
#include "eventstore/apartado.h"
#include "eventstore/suceso.h"
#include "eventstore/version.h"
#include "foundation/bytes.h"
#include "foundation/fecha_bcd.h"

namespace admin {

namespace {

// Enough to see a short piece whole and how a long one begins.
constexpr uint32_t kBytesMostrados = 2 * kLargoSuceso + 4;

const char* motivo(uint8_t m) {
  switch (static_cast<motivo_apartado>(m)) {
    case motivo_apartado::pieza_suelta: return "a piece shorter than a record, before an append";
    case motivo_apartado::reparado: return "a record of no known kind and all behind it, repaired";
    case motivo_apartado::convertido: return "a store of an older version, before its conversion";
  }
  return "unknown reason";
}

}  // namespace

int imprime_apartados(const std::string& ruta, std::ostream& salida, std::ostream& errores) {
  std::vector<uint8_t> datos;
  std::string error;
  if (!lee_archivo(ruta, datos, error)) {
    errores << ruta << ": " << error << "\n";
    return 1;
  }
  size_t pos = 0;
  while (pos + kCabeceraApartado <= datos.size()) {
    const uint8_t* c = datos.data() + pos;
    const uint32_t largo = lee_u32_le(c + 8);
    if (largo > datos.size() - pos - kCabeceraApartado) break;
    fecha_bcd f;
    std::memcpy(&f, c, sizeof f);
    char cuando[18];
    fecha_a_texto(cuando, f);
    salida << cuando << "  " << motivo(c[7]) << ", " << largo << " bytes:";
    const uint8_t* pieza = c + kCabeceraApartado;
    // The first bytes as they stand; the records follow as lines.
    for (uint32_t i = 0; i < largo && i < kBytesMostrados; ++i) {
      char b[4];
      std::snprintf(b, sizeof b, " %02x", pieza[i]);
      salida << b;
    }
    salida << (largo > kBytesMostrados ? " ...\n" : "\n");
    // An old store's records are shown as its conversion read them.
    std::vector<uint8_t> convertido;
    size_t registros = largo;
    if (static_cast<motivo_apartado>(c[7]) == motivo_apartado::convertido && largo >= 2) {
      convertido.resize(capacidad_conversion(largo));
      registros =
          convierte_version(pieza, largo, pieza[1], convertido.data(), convertido.size()).largo;
      pieza = convertido.data();
    }
    for (size_t i = 0; i + kLargoSuceso <= registros; i += kLargoSuceso) {
      salida << "    " << linea_suceso(pieza + i) << "\n";
    }
    pos += kCabeceraApartado + largo;
  }
  salida.flush();
  if (pos == datos.size()) return 0;
  errores << ruta << ": the piece at offset " << pos << " is cut short\n";
  return 1;
}

}  // namespace admin
