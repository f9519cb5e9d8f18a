// Reading qtrs.apt; its layout is in eventstore/apartado.h.
#include "admin/apartados.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "admin/archivos.h"
#include "admin/sincro.h"
#include "eventstore/apartado.h"
#include "eventstore/suceso.h"
#include "foundation/bytes.h"
#include "foundation/fecha_bcd.h"

namespace admin {

namespace {

const char* motivo(uint8_t m) {
  switch (static_cast<motivo_apartado>(m)) {
    case motivo_apartado::pieza_suelta: return "a piece shorter than a record, before an append";
    case motivo_apartado::reparado: return "a record of no known kind and all behind it, repaired";
    case motivo_apartado::mes_viejo: return "records of months no longer kept";
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
    for (uint32_t i = 0; i < largo; ++i) {
      char b[4];
      std::snprintf(b, sizeof b, " %02x", pieza[i]);
      salida << b;
    }
    salida << "\n";
    for (uint32_t i = 0; i + kLargoSuceso <= largo; i += kLargoSuceso) {
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
