// Sales files as the controllers lay them down: whole, or one sale at a time.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "sales/controladores.h"
#include "surtidor/surtidor.h"

namespace surtidor {

namespace {

std::string registro(int32_t tipo, const venta_surtidor& v) {
  return tipo == CONTROLADOR_SVS_AXXUS ? registro_axxus(v) : linea_venta(tipo, v);
}

bool falla(std::string* error, const std::string& ruta) {
  *error = ruta + ": " + std::strerror(errno);
  return false;
}

bool escribe(std::FILE* f, const std::string& datos) {
  return std::fwrite(datos.data(), 1, datos.size(), f) == datos.size();
}

// Writes `nuevo` and then the old contents of `ruta` into a file beside it
// and renames that over `ruta`.
bool antepone(const std::string& ruta, const std::string& nuevo, std::string* error) {
  const std::string temporal = ruta + ".nuevo";
  std::FILE* f = std::fopen(temporal.c_str(), "wb");
  if (f == nullptr) return falla(error, temporal);
  bool ok = escribe(f, nuevo);
  if (std::FILE* viejo = std::fopen(ruta.c_str(), "rb")) {
    char b[4096];
    size_t n;
    while (ok && (n = std::fread(b, 1, sizeof b, viejo)) > 0) ok = std::fwrite(b, 1, n, f) == n;
    ok = ok && !std::ferror(viejo);
    std::fclose(viejo);
  } else if (errno != ENOENT) {
    ok = false;
  }
  ok = std::fclose(f) == 0 && ok;
  if (!ok || std::rename(temporal.c_str(), ruta.c_str()) != 0) {
    falla(error, ruta);
    std::remove(temporal.c_str());
    return false;
  }
  return true;
}

}  // namespace

std::string archivo_ventas(int32_t tipo, const std::vector<venta_surtidor>& ventas) {
  std::string datos;
  if (nuevas_primero(tipo)) {
    for (auto v = ventas.rbegin(); v != ventas.rend(); ++v) datos += registro(tipo, *v);
  } else {
    for (const venta_surtidor& v : ventas) datos += registro(tipo, v);
  }
  return datos;
}

bool agrega_venta(const std::string& ruta, int32_t tipo, const venta_surtidor& v,
                  std::string* error) {
  const std::string nuevo = registro(tipo, v);
  if (nuevas_primero(tipo)) return antepone(ruta, nuevo, error);
  std::FILE* f = std::fopen(ruta.c_str(), "ab");
  if (f == nullptr) return falla(error, ruta);
  const bool ok = escribe(f, nuevo);
  if (std::fclose(f) != 0 || !ok) return falla(error, ruta);
  return true;
}

}  // namespace surtidor
