// Checking an event store, and repairing it into a copy.
#include "admin/revision.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "admin/archivos.h"
#include "eventstore/suceso.h"
#include "eventstore/version.h"
#include "foundation/fecha_bcd.h"

namespace admin {

namespace {

using namespace campo_suceso;

// Records in a row that must be in step for a stretch to count as back in
// step after bytes that are not.
constexpr size_t kEnPasoSeguidos = 3;

bool tipo_conocido(uint8_t t) {
  return t == SUCESO_FOTO || t == SUCESO_VENTA || t == SUCESO_ARRANQUE || t == SUCESO_NULO;
}

bool en_paso(const uint8_t* d, size_t largo, size_t pos) {
  return pos + kLargoSuceso <= largo && tipo_conocido(d[pos + kTipo]) &&
         d[pos + kVersion] == kVersionSuceso;
}

// The next offset after `pos` where records are in step again (as many in a
// row as the store still holds, up to kEnPasoSeguidos); `largo` if none.
size_t siguiente_en_paso(const uint8_t* d, size_t largo, size_t pos) {
  for (size_t q = pos + 1; q + kLargoSuceso <= largo; ++q) {
    size_t seguidos = 0;
    while (seguidos < kEnPasoSeguidos && en_paso(d, largo, q + seguidos * kLargoSuceso)) {
      ++seguidos;
    }
    if (seguidos == kEnPasoSeguidos ||
        (seguidos > 0 && q + seguidos * kLargoSuceso + kLargoSuceso > largo)) {
      return q;
    }
  }
  return largo;
}

// Dates that do not exist and dates going back, on the repaired records:
// sales among sales, each tank's snapshots among its own.
void revisa_fechas(const std::vector<uint8_t>& r, const std::vector<size_t>& origen,
                   revision_sincro& v) {
  std::map<int, uint64_t> ultima;  // -1: sales; tank: its snapshots
  for (size_t i = 0; i + kLargoSuceso <= r.size(); i += kLargoSuceso) {
    const uint8_t* s = r.data() + i;
    const size_t offset = origen[i / kLargoSuceso];
    uint8_t fecha[8] = {};
    std::copy(s + kFecha, s + kFecha + 7, fecha);
    if (!fecha_valida(fecha)) {
      v.hallazgos.push_back({hallazgo::fecha_mala, offset, kLargoSuceso, 0});
      continue;
    }
    int clave;
    if (tipo_suceso(s) == SUCESO_VENTA) {
      clave = -1;
    } else if (tipo_suceso(s) == SUCESO_FOTO) {
      clave = tanque_suceso(s);
    } else {
      continue;
    }
    const uint64_t k = clave_fecha(fecha);
    auto [it, nuevo] = ultima.try_emplace(clave, k);
    if (!nuevo && k < it->second) {
      v.hallazgos.push_back({hallazgo::retroceso, offset, kLargoSuceso, 0});
    }
    it->second = k;
  }
}

}  // namespace

bool es_sincro(const uint8_t* d, size_t largo, std::string* motivo) {
  if (largo == 0) return true;
  char texto[96];
  if (largo >= 2 && d[kVersion] >= 1 && d[kVersion] < kVersionSuceso) {
    std::snprintf(texto, sizeof texto,
                  "a store of the older structure version %u (the service converts it at its "
                  "next start)",
                  d[kVersion]);
    *motivo = texto;
    return false;
  }
  uint8_t fecha[8] = {};
  if (largo >= kLargoSuceso) std::copy(d + kFecha, d + kFecha + 7, fecha);
  size_t en_paso_al_principio = 0;
  while (en_paso_al_principio < kEnPasoSeguidos &&
         en_paso(d, largo, en_paso_al_principio * kLargoSuceso)) {
    ++en_paso_al_principio;
  }
  if (largo >= kLargoSuceso && fecha_valida(fecha) &&
      (en_paso_al_principio == kEnPasoSeguidos ||
       (en_paso_al_principio + 1) * kLargoSuceso > largo)) {
    return true;
  }
  std::snprintf(texto, sizeof texto,
                "not an event store (it begins with bytes 0x%02X 0x%02X, no record of version %u)",
                d[0], largo > 1 ? d[1] : 0, kVersionSuceso);
  *motivo = texto;
  return false;
}

bool revision_sincro::reparable() const {
  return std::any_of(hallazgos.begin(), hallazgos.end(), [](const hallazgo& h) {
    return h.tipo != hallazgo::fecha_mala && h.tipo != hallazgo::retroceso;
  });
}

revision_sincro revisa_sincro(const uint8_t* d, size_t largo, std::vector<uint8_t>* reparado) {
  revision_sincro v;
  std::vector<uint8_t> r;
  if (largo >= 2 && d[kVersion] >= 1 && d[kVersion] < kVersionSuceso) {
    v.version_antigua = d[kVersion];
    if (reparado != nullptr) reparado->assign(d, d + largo);
    return v;
  }
  std::vector<size_t> origen;  // each repaired record's offset in the store
  size_t pos = 0;
  while (pos + kLargoSuceso <= largo) {
    if (en_paso(d, largo, pos)) {
      r.insert(r.end(), d + pos, d + pos + kLargoSuceso);
      origen.push_back(pos);
      pos += kLargoSuceso;
      continue;
    }
    const size_t q = siguiente_en_paso(d, largo, pos);
    if (q != pos + kLargoSuceso) {
      v.hallazgos.push_back({hallazgo::desfasado, pos, q - pos, d[pos + kTipo]});
      pos = q;
      continue;
    }
    // One record out of step between records in step: mended in place.
    uint8_t registro[kLargoSuceso];
    std::copy(d + pos, d + pos + kLargoSuceso, registro);
    if (tipo_conocido(registro[kTipo])) {
      v.hallazgos.push_back({hallazgo::version, pos, kLargoSuceso, registro[kVersion]});
      registro[kVersion] = kVersionSuceso;
    } else {
      v.hallazgos.push_back({hallazgo::desconocido, pos, kLargoSuceso, registro[kTipo]});
      fecha_bcd fecha;
      std::copy(registro + kFecha, registro + kFecha + sizeof fecha,
                reinterpret_cast<uint8_t*>(&fecha));
      anula_suceso(registro, fecha);
    }
    r.insert(r.end(), registro, registro + kLargoSuceso);
    origen.push_back(pos);
    pos = q;
  }
  if (pos < largo) v.hallazgos.push_back({hallazgo::cola, pos, largo - pos, 0});
  revisa_fechas(r, origen, v);
  std::stable_sort(v.hallazgos.begin(), v.hallazgos.end(),
                   [](const hallazgo& a, const hallazgo& b) { return a.offset < b.offset; });
  v.registros = r.size() / kLargoSuceso;
  if (reparado != nullptr) *reparado = std::move(r);
  return v;
}

namespace {

std::string describe(const hallazgo& h) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", h.byte);
  const std::string en = "offset " + std::to_string(h.offset) + ": ";
  switch (h.tipo) {
    case hallazgo::version:
      return en + "version byte " + hex + " instead of " + std::to_string(kVersionSuceso);
    case hallazgo::desconocido: return en + "a record of no known kind (" + hex + ")";
    case hallazgo::desfasado:
      return en + std::to_string(h.largo) + " bytes out of step (no whole records)";
    case hallazgo::cola:
      return en + std::to_string(h.largo) + " bytes at the end are no whole record";
    case hallazgo::fecha_mala: return en + "a date that does not exist";
    case hallazgo::retroceso: return en + "a date older than the one before it";
  }
  return en;
}

// "qtrs.nvr.orig", or the first of "qtrs.nvr.orig.1", ".2"... that is free.
std::string nombre_original(const std::string& ruta) {
  std::string nombre = ruta + ".orig";
  for (int n = 1; ::access(nombre.c_str(), F_OK) == 0; ++n) {
    nombre = ruta + ".orig." + std::to_string(n);
  }
  return nombre;
}

}  // namespace

int comprueba_sincro(const std::string& ruta, bool reparar, std::ostream& salida,
                     std::ostream& errores) {
  std::vector<uint8_t> datos;
  std::string error;
  if (!lee_archivo(ruta, datos, error)) {
    errores << ruta << ": " << error << "\n";
    return 1;
  }
  std::vector<uint8_t> reparado;
  const revision_sincro v = revisa_sincro(datos.data(), datos.size(), &reparado);
  if (v.version_antigua != 0) {
    salida << ruta << ": a store of the older structure version " << int{v.version_antigua}
           << "; the service converts it at its next start\n";
    return 0;
  }
  for (const hallazgo& h : v.hallazgos) salida << describe(h) << "\n";
  salida << ruta << ": " << v.registros << " records, " << v.hallazgos.size()
         << (v.hallazgos.size() == 1 ? " fault" : " faults") << " found\n";
  if (!reparar) {
    if (v.reparable()) salida << "nivara-admin store check --repair writes a repaired store\n";
    return v.hallazgos.empty() ? 0 : 1;
  }
  if (!v.reparable()) {
    salida << ruta << ": nothing to repair\n";
    return 0;
  }
  if (v.registros == 0) {
    errores << ruta << ": no record in step, not repaired (is it an event store?)\n";
    return 1;
  }
  const std::string original = nombre_original(ruta);
  if (!escribe_archivo(original, datos, error)) {
    errores << original << ": " << error << "\n";
    return 1;
  }
  if (!escribe_archivo(ruta, reparado, error)) {
    errores << ruta << ": " << error << " (the store is as it was)\n";
    return 1;
  }
  salida << ruta << ": repaired, " << v.registros << " records; the store as it was is " << original
         << "\n";
  return 0;
}

}  // namespace admin
