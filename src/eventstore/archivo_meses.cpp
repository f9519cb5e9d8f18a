// Archiving the months the retention drops; see archivo_meses.h.
#include "eventstore/archivo_meses.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "eventstore/suceso.h"
#include "foundation/archivo_entero.h"
#include "foundation/gl.h"
#include "foundation/resumen.h"
#include "platform/platform.h"

namespace {

using namespace campo_suceso;

// Records read from the store in one go.
constexpr uint32_t kRegistrosTanda = 3072;
constexpr size_t kAnio = kFecha + offsetof(fecha_bcd, anio);

uint16_t mes_de(const uint8_t* r) { return static_cast<uint16_t>(r[kAnio] << 8 | r[kMes]); }

// Hands the records of [0, hasta) of the store that pass `filtro` to
// `tanda`, in runs of up to kRegistrosTanda records; false when a read fails
// or `tanda` says to stop.
bool recorre(int sincro, uint64_t hasta, const std::function<bool(const uint8_t*)>& filtro,
             const std::function<bool(const uint8_t*, uint32_t)>& tanda) {
  plat::Platform& p = plat::current();
  std::vector<uint8_t> leido(kRegistrosTanda * kLargoSuceso), elegido;
  elegido.reserve(leido.size());
  if (!p.seek(sincro, 0, plat::Origin::kBegin)) return false;
  for (uint64_t pos = 0; pos < hasta;) {
    const auto n = static_cast<uint32_t>(std::min<uint64_t>(hasta - pos, leido.size()));
    uint32_t leidos = 0;
    if (!p.read(sincro, leido.data(), n, &leidos) || leidos != n) return false;
    elegido.clear();
    for (uint32_t i = 0; i + kLargoSuceso <= n; i += kLargoSuceso) {
      if (filtro(leido.data() + i)) {
        elegido.insert(elegido.end(), leido.data() + i, leido.data() + i + kLargoSuceso);
      }
    }
    if (!elegido.empty() && !tanda(elegido.data(), static_cast<uint32_t>(elegido.size()))) {
      return false;
    }
    pos += n;
  }
  return true;
}

// Whether the archive (open, `largo` bytes) ends with the month's `bytes`
// bytes of records.
bool ya_archivado(int sincro, uint64_t hasta, uint16_t mes, int archivo, uint64_t largo,
                  uint64_t bytes) {
  plat::Platform& p = plat::current();
  if (largo < bytes ||
      !p.seek(archivo, static_cast<int64_t>(largo - bytes), plat::Origin::kBegin)) {
    return false;
  }
  std::vector<uint8_t> cola;
  return recorre(
      sincro, hasta, [mes](const uint8_t* r) { return mes_de(r) == mes; },
      [&](const uint8_t* d, uint32_t n) {
        cola.resize(n);
        uint32_t leidos = 0;
        return p.read(archivo, cola.data(), n, &leidos) && leidos == n &&
               std::memcmp(cola.data(), d, n) == 0;
      });
}

// Writes all of `viejo` (open, or not when there is no archive yet), then
// the month's records, to the archive's temporary file, and renames it;
// the failed step's error in `*error`.
bool reescribe(int sincro, uint64_t hasta, uint16_t mes, archivo_abierto& viejo,
               const std::string& nombre, int* error) {
  plat::Platform& p = plat::current();
  bool ok = true;
  auto paso = [&](bool hecho) {  // keeps the first failed step's error
    if (ok && !hecho) *error = p.last_error();
    ok = ok && hecho;
    return ok;
  };
  const std::string temporal = nombre + ".tmp";
  archivo_abierto nuevo = archivo_abierto::abre(temporal.c_str(), plat::kWrite, plat::Share::kNone,
                                                plat::Creation::kCreateAlways);
  if (!paso(nuevo.abierto())) return false;
  auto escribe = [&](const uint8_t* d, uint32_t n) {
    uint32_t escritos = 0;
    if (paso(p.write(nuevo.descriptor(), d, n, &escritos)) && escritos != n) {
      *error = 0;  // a short write tells no error
      ok = false;
    }
    return ok;
  };
  if (viejo.abierto()) {
    std::vector<uint8_t> trozo(kRegistrosTanda * kLargoSuceso);
    paso(p.seek(viejo.descriptor(), 0, plat::Origin::kBegin));
    for (uint32_t leidos = 1; ok && leidos != 0;) {
      if (paso(p.read(viejo.descriptor(), trozo.data(), static_cast<uint32_t>(trozo.size()),
                      &leidos)) &&
          leidos != 0) {
        escribe(trozo.data(), leidos);
      }
    }
  }
  paso(ok && recorre(
                 sincro, hasta, [mes](const uint8_t* r) { return mes_de(r) == mes; }, escribe));
  paso(ok && p.sync(nuevo.descriptor()));
  nuevo.cierra();
  paso(ok && p.rename(temporal.c_str(), nombre.c_str()));
  if (!ok) p.remove(temporal.c_str());
  return ok;
}

}  // namespace

std::string archivo_mes(uint8_t anio_bcd, uint8_t mes_bcd) {
  char nombre[32];
  std::snprintf(nombre, sizeof nombre, "qtrs-20%02x-%02x.nvr", anio_bcd, mes_bcd);
  return nombre;
}

bool archiva_meses(int sincro, uint64_t hasta) {
  plat::Platform& p = plat::current();
  // The months in the order they first appear, with their bytes.
  std::vector<std::pair<uint16_t, uint64_t>> meses;
  const bool leido = recorre(
      sincro, hasta, [](const uint8_t*) { return true; },
      [&](const uint8_t* d, uint32_t n) {
        for (uint32_t i = 0; i < n; i += kLargoSuceso) {
          const uint16_t mes = mes_de(d + i);
          auto it = std::find_if(meses.begin(), meses.end(),
                                 [mes](const auto& m) { return m.first == mes; });
          if (it == meses.end()) it = meses.insert(meses.end(), {mes, 0});
          it->second += kLargoSuceso;
        }
        return true;
      });
  if (!leido) {
    gl(kTextoLibre,
       formatea("Error: afs: no se puede leer %s para archivar %d", kArchivoSincro, p.last_error())
           .c_str());
    return false;
  }
  for (const auto& [mes, bytes] : meses) {
    const std::string nombre = archivo_mes(static_cast<uint8_t>(mes >> 8), mes & 0xFF);
    archivo_abierto viejo = archivo_abierto::abre(nombre.c_str(), plat::kRead, plat::Share::kRead,
                                                  plat::Creation::kOpenExisting);
    uint64_t largo = 0;
    if (viejo.abierto() && !p.size(viejo.descriptor(), &largo)) largo = 0;
    if (viejo.abierto() && ya_archivado(sincro, hasta, mes, viejo.descriptor(), largo, bytes)) {
      continue;
    }
    int error = 0;
    if (!reescribe(sincro, hasta, mes, viejo, nombre, &error)) {
      gl(kTextoLibre,
         formatea("Error: afs: no se puede archivar en %s %d", nombre.c_str(), error).c_str());
      return false;
    }
  }
  return true;
}
