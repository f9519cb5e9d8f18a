// Reading qtrs.apt; its layout is in eventstore/apartado.h.
#include "admin/apartados.h"

#include <algorithm>
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
  archivo_por_bloques archivo;
  std::string error;
  uint64_t tamano = 0;
  std::vector<uint8_t> b;
  // `n` bytes from `desde` into `b`, all of them; false with the reason told.
  auto lee = [&](uint64_t desde, uint64_t n) {
    b.clear();
    const int64_t leidos = archivo.lee(desde, static_cast<size_t>(n), b, error);
    if (leidos != static_cast<int64_t>(n)) {
      errores << ruta << ": " << (leidos < 0 ? error : "the file was cut meanwhile") << "\n";
    }
    return leidos == static_cast<int64_t>(n);
  };
  if (!archivo.abre(ruta, error) || !archivo.tamano(&tamano, error)) {
    errores << ruta << ": " << error << "\n";
    return 1;
  }
  constexpr uint64_t kBloque = archivo_por_bloques::kBloque;
  constexpr uint64_t kBloqueRegistros = kBloque / kLargoSuceso * kLargoSuceso;
  uint64_t pos = 0;
  while (pos + kCabeceraApartado <= tamano) {
    if (!lee(pos, kCabeceraApartado)) return 1;
    const uint32_t largo = lee_u32_le(b.data() + 8);
    if (largo > tamano - pos - kCabeceraApartado) break;
    fecha_bcd f;
    std::memcpy(&f, b.data(), sizeof f);
    char cuando[18];
    fecha_a_texto(cuando, f);
    salida << cuando << "  " << motivo(b[7]) << ", " << largo << " bytes:";
    const bool convertido = static_cast<motivo_apartado>(b[7]) == motivo_apartado::convertido;
    const uint64_t pieza = pos + kCabeceraApartado;
    // The first bytes as they stand; the records follow as lines, read a
    // block at a time.
    if (!lee(pieza, std::min<uint64_t>(largo, kBytesMostrados))) return 1;
    for (const uint8_t x : b) {
      char t[4];
      std::snprintf(t, sizeof t, " %02x", x);
      salida << t;
    }
    salida << (largo > kBytesMostrados ? " ...\n" : "\n");
    const uint8_t version = b.size() >= 2 ? b[1] : 0;
    std::vector<uint8_t> nuevos(capacidad_conversion(kBloque));
    for (uint64_t k = 0; k < largo;) {
      // An old store's records are shown as its conversion reads them.
      if (!lee(pieza + k, std::min<uint64_t>(convertido ? kBloque : kBloqueRegistros, largo - k))) {
        return 1;
      }
      const uint8_t* registros = b.data();
      size_t n = b.size() / kLargoSuceso * kLargoSuceso, leidos = n;
      if (convertido) {
        const resultado_conversion r =
            convierte_version(b.data(), b.size(), version, nuevos.data(), nuevos.size());
        registros = nuevos.data();
        n = r.largo;
        leidos = r.parada ? largo - k : r.leidos;
      }
      for (size_t i = 0; i + kLargoSuceso <= n; i += kLargoSuceso) {
        salida << "    " << linea_suceso(registros + i) << "\n";
      }
      if (leidos == 0) break;
      k += leidos;
    }
    pos = pieza + largo;
  }
  salida.flush();
  if (pos == tamano) return 0;
  errores << ruta << ": the piece at offset " << pos << " is cut short\n";
  return 1;
}

}  // namespace admin
