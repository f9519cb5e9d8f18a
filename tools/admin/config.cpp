// "config write" and "config print": tnq.ini from a station text, and the
// text of a tnq.ini with a note when it does not carry the whole file.
#include "admin/config.h"

#include <algorithm>
#include <string_view>

#include "admin/archivos.h"
#include "admin/estacion.h"
#include "foundation/bytes.h"

namespace admin {

int config_write(const std::string& ruta_texto, const std::string& ruta_ini,
                 std::ostream& errores) {
  std::vector<uint8_t> texto;
  std::string error;
  if (!lee_archivo(ruta_texto, texto, error)) {
    errores << ruta_texto << ": " << error << "\n";
    return 1;
  }
  configuracion_tnq c;
  std::vector<error_estacion> fallas;
  if (!lee_estacion(std::string_view(reinterpret_cast<const char*>(texto.data()), texto.size()), c,
                    fallas)) {
    for (const error_estacion& f : fallas) {
      errores << ruta_texto;
      if (f.linea > 0) errores << ":" << f.linea;
      errores << ": " << f.texto << "\n";
    }
    errores << ruta_ini << ": not written\n";
    return 1;
  }
  if (!escribe_archivo(ruta_ini, archivo_tnq(c), error)) {
    errores << ruta_ini << ": " << error << "\n";
    return 1;
  }
  return 0;
}

namespace {

// The text with the share password's value, if any, hidden.
std::string oculta_clave(std::string texto) {
  constexpr std::string_view kClave = "share_password = ";
  const size_t i = texto.find(kClave);
  if (i != std::string::npos && (i == 0 || texto[i - 1] == '\n')) {
    const size_t desde = i + kClave.size();
    texto.replace(desde, texto.find('\n', desde) - desde, "********");
  }
  return texto;
}

}  // namespace

int config_print(const std::string& ruta_ini, std::ostream& salida, std::ostream& errores,
                 bool con_clave) {
  std::vector<uint8_t> datos;
  std::string error;
  if (!lee_archivo(ruta_ini, datos, error)) {
    errores << ruta_ini << ": " << error << "\n";
    return 1;
  }
  switch (verifica_tnq(datos.data(), datos.size())) {
    case 0: break;
    case 90:
      errores << ruta_ini << ": not a tnq.ini of version " << kTnqVersion;
      if (datos.size() >= 4) errores << " (version " << lee_u32_le(datos.data()) << ")";
      errores << "\n";
      return 1;
    default:
      errores << ruta_ini << ": incomplete: " << datos.size() << " bytes is not " << kTnqCabecera
              << " plus a whole number of " << kTnqRegistro << "-byte records\n";
      return 1;
  }
  configuracion_tnq c;
  std::copy(datos.begin() + kTnqCabecera, datos.begin() + kTnqCabecera + kTnqRegistro, c.bytes);
  const std::string texto = imprime_estacion(c);
  salida << (con_clave ? texto : oculta_clave(texto));

  // A file from elsewhere may hold what the text cannot carry (reserved
  // bytes, more records, odd values); say so, since writing the text back
  // would not give this file.
  configuracion_tnq de_vuelta;
  std::vector<error_estacion> fallas;
  if (!lee_estacion(texto, de_vuelta, fallas)) {
    errores << ruta_ini << ": note: the printed text does not write back: line " << fallas[0].linea
            << ": " << fallas[0].texto << "\n";
  } else {
    std::vector<uint8_t> escrito = archivo_tnq(de_vuelta);
    auto [a, b] = std::mismatch(datos.begin(), datos.end(), escrito.begin(), escrito.end());
    if (a != datos.end() || b != escrito.end()) {
      errores << ruta_ini << ": note: the printed text does not carry all of this file (first"
              << " difference at byte " << (a - datos.begin()) << ")\n";
    }
  }
  return 0;
}

}  // namespace admin
