// The station text of a configuration record.
#include <algorithm>
#include <cstdio>

#include "admin/estacion.h"
#include "foundation/bytes.h"
#include "foundation/resumen.h"

namespace admin {

namespace {

// A '#' after a blank starts a comment: a text that begins with one goes
// right after the '=', where it reads back as the text.
void agrega(std::string& s, const char* clave, const std::string& valor) {
  s += clave;
  if (valor.empty()) {
    s += " =\n";
  } else {
    s += valor[0] == '#' ? " =" : " = ";
    s += valor + "\n";
  }
}

bool tanque_en_uso(const configuracion_tnq& c, int t) {
  if (c.genera(t) != 0 || c.actu_qtr(t) != 0) return true;
  for (int k = 0; k < kParesPorTanque; ++k) {
    if (c.surtidor(t, k) != 0 || c.pico(t, k) != 0) return true;
  }
  return false;
}

}  // namespace

std::string imprime_estacion(const configuracion_tnq& c) {
  std::string s;
  agrega(s, "console_address", formatea("%u.%u.%u.%u", c.ip(0), c.ip(1), c.ip(2), c.ip(3)));
  agrega(s, "console_port", std::to_string(c.puerto()));
  std::string codigo;
  for (int i = 0; i < 8; ++i) {
    codigo += formatea(i == 0 ? "%02X" : " %02X", c.codigo_acceso()[i]);
  }
  agrega(s, "access_code", codigo);
  // An unknown type shows as its number, which writing back refuses.
  const char* nombre = nombre_controlador(c.controlador());
  agrega(s, "controller", nombre != nullptr ? nombre : std::to_string(c.controlador()));
  agrega(s, "sales_file", c.file_ventas());
  agrega(s, "share_user", c.usuario());
  agrega(s, "share_password", c.password());
  agrega(s, "stop_nivara", std::to_string(c.stop_nivara()));
  agrega(s, "clock_sync", std::to_string(c.sincroniza_reloj()));
  agrega(s, "stock_file", c.file_stock());
  for (int t = 0; t < kTanques; ++t) {
    if (!tanque_en_uso(c, t)) continue;
    std::string linea =
        formatea("tank %d = genera %u  actuqtr %u", t + 1, c.genera(t), c.actu_qtr(t));
    std::string pares;
    for (int k = 0; k < kParesPorTanque; ++k) {
      if (c.surtidor(t, k) != 0) pares += formatea(" %d/%d", c.surtidor(t, k), c.pico(t, k));
    }
    if (!pares.empty()) linea += "  nozzles" + pares;
    s += linea + "\n";
  }
  return s;
}

std::vector<uint8_t> archivo_tnq(const configuracion_tnq& c) {
  std::vector<uint8_t> datos(kTnqCabecera + kTnqRegistro, 0);
  escribe_u32_le(datos.data(), kTnqVersion);
  std::copy(c.bytes, c.bytes + kTnqRegistro, datos.begin() + kTnqCabecera);
  return datos;
}

}  // namespace admin
