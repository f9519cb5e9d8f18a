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
#include "foundation/bytes.h"
#include "foundation/fecha_bcd.h"

namespace admin {

namespace {

const char* motivo(uint8_t m) {
  switch (static_cast<motivo_apartado>(m)) {
    case motivo_apartado::pieza_suelta: return "a piece shorter than a record, before an append";
    case motivo_apartado::reparado: return "a record of no known kind and all behind it, repaired";
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
    // The piece is read twice, a block at a time: its bytes, then its records.
    const uint64_t pieza = pos + kCabeceraApartado;
    for (uint64_t k = 0; k < largo; k += kBloque) {
      if (!lee(pieza + k, std::min<uint64_t>(kBloque, largo - k))) return 1;
      for (const uint8_t x : b) {
        char t[4];
        std::snprintf(t, sizeof t, " %02x", x);
        salida << t;
      }
    }
    salida << "\n";
    const uint64_t enteros = largo / kLargoSuceso * kLargoSuceso;
    for (uint64_t k = 0; k < enteros; k += kBloqueRegistros) {
      if (!lee(pieza + k, std::min<uint64_t>(kBloqueRegistros, enteros - k))) return 1;
      for (size_t i = 0; i < b.size(); i += kLargoSuceso) {
        salida << "    " << linea_suceso(b.data() + i) << "\n";
      }
    }
    pos = pieza + largo;
  }
  salida.flush();
  if (pos == tamano) return 0;
  errores << ruta << ": the piece at offset " << pos << " is cut short\n";
  return 1;
}

}  // namespace admin
