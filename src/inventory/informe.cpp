// The stock report file: a block per tank and one per delivery, as the
// station's other software reads them.
#include <algorithm>
#include <cstring>
#include <string>

#include "foundation/bytes.h"
#include "foundation/gl.h"
#include "foundation/mensajes.h"
#include "foundation/resumen.h"
#include "inventory/registro_descarga.h"
#include "platform/platform.h"

namespace {

// A tank without inventory keeps its block's place: the number line, then
// as many empty lines as the block has lines.
constexpr size_t kLineasBloqueTanque = 11;

// Up to 16 characters, up to the first NUL: the console may fill all 16.
std::string texto_producto(const uint8_t* p) {
  return std::string(reinterpret_cast<const char*>(p),
                     strnlen(reinterpret_cast<const char*>(p), sizeof registro_tanque::producto));
}

std::string texto_fecha(const fecha_bcd& f) {
  char texto[18];
  fecha_a_texto(texto, f);
  return texto;
}

const char* marca(bool puesta, const char* si) { return puesta ? si : " "; }

std::string bloque_tanque(const registro_tanque& r, unsigned numero) {
  std::string s = formatea("Tanque,%u\n", numero);
  if (r.Inventario == 0) return s + std::string(kLineasBloqueTanque, '\n');

  const char* nivel = marca(r.liq_agua_medible & kNivelMarcado, "*");
  const char* agua = marca(r.liq_agua_medible & kAguaMarcada, "*");
  s += "Fecha," + texto_fecha(r.fecha_hora) + "\n";
  s += "Producto," + texto_producto(reinterpret_cast<const uint8_t*>(r.producto)) + "\n";
  s += formatea("Nivel,%s,%.2f,mm\n", nivel, static_cast<double>(r.nivel));
  s += formatea("Litros,%s,%.1f,litros\n", nivel, static_cast<double>(r.litros));
  s += formatea("Litros Vacio,%s,%.1f,litros\n", nivel, static_cast<double>(r.litros_vacio));
  s += formatea("Merma mes,%.1f,litros\n", r.merma_mes / 10.0);
  s += formatea("Nivel Agua,%s,%.f,mm\n", agua, static_cast<double>(r.nivel_agua));
  s += formatea("Temperatura,%.1f,grados\n", r.temperatura / 100.0);
  s += formatea("Perdidas,%.1f,litros/hora\n", static_cast<double>(r.perdidas));
  return s;
}

std::string bloque_descarga(const registro_descarga& d) {
  using namespace descarga;
  const uint8_t* b = d.b;
  fecha_bcd fecha;
  std::memcpy(&fecha, b + kFecha, sizeof fecha);
  const float litros_inicial = lee_real_be(b + kLitrosInicial);
  const float litros_final = lee_real_be(b + kLitrosFinal);
  const double total = static_cast<double>(litros_final) - static_cast<double>(litros_inicial);
  const char* m_inicial = marca(b[kMarcas] & kInicialMarcado, "? ");
  const char* m_final = marca(b[kMarcas] & kFinalMarcado, "? ");
  const char* m_total = marca(b[kMarcas] & (kInicialMarcado | kFinalMarcado), "? ");

  std::string s = formatea("DESCARGA EN TANQUE,%d\n", b[kTanque] + 1);
  s += "Fecha," + texto_fecha(fecha) + "\n";
  s += "Producto," + texto_producto(b + kProducto) + "\n";
  s += formatea("Liquido Inicial,%s,%.1f,litros\n", m_inicial, static_cast<double>(litros_inicial));
  s += formatea("Liquido Final,%s,%.1f,litros\n", m_final, static_cast<double>(litros_final));
  s += formatea("Liquido Total,%s,%.1f,litros\n", m_total, total);
  s += "Agua Inicial, ,0,litros\n";
  s += "Agua Final, ,0,litros\n";
  s += "Agua Total, ,0,litros\n";
  s += formatea("Producto Total,%s,%.1f,litros\n", m_total, total);
  return s;
}

void escribe_seccion(plat::Platform& p, int archivo, const std::string& seccion) {
  const auto n = static_cast<uint32_t>(seccion.size());
  uint32_t escritos = 0;
  if (!p.write(archivo, seccion.data(), n, &escritos)) {
    gl(MSJ_AFS_STOCK_1);
  } else if (escritos < n) {
    gl(MSJ_AFS_STOCK_2);
  }
}

}  // namespace

std::string seccion_stock(const registro_tanque tanques[kTanquesConsola], uint32_t n) {
  std::string s;
  const uint32_t tanques_n = std::min<uint32_t>(n, kTanquesConsola);
  for (uint32_t t = 0; t < tanques_n; ++t) s += bloque_tanque(tanques[t], t + 1);
  return s;
}

std::string seccion_descargas(const registro_descarga tabla[kEntradasDescarga], uint32_t n) {
  std::string s;
  // Two entries per tank, whatever count per tank the console sent.
  constexpr uint32_t kPorTanque = 2;
  const uint32_t tanques_n = std::min<uint32_t>(n, kEntradasDescarga / kPorTanque);
  for (uint32_t t = 0; t < tanques_n; ++t) {
    for (uint32_t j = 0; j < kPorTanque; ++j) {
      const registro_descarga& d = tabla[kPorTanque * t + j];
      if (!d.vacia()) s += bloque_descarga(d);
    }
  }
  return s;
}

void escribe_informe_stock(const char* ruta, const registro_tanque tanques[kTanquesConsola],
                           const registro_descarga tabla[kEntradasDescarga], uint32_t n) {
  plat::Platform& p = plat::current();
  // Other station software reads the report at any moment: it is written
  // beside it and renamed over it, so that it is never found half written.
  const std::string temporal = std::string(ruta) + ".tmp";
  const int archivo =
      p.open(temporal.c_str(), plat::kWrite, plat::Share::kRead, plat::Creation::kCreateAlways);
  if (archivo == plat::kInvalidFile) {
    gl(MSJ_AFS_NO_CREA_STOCK);
    p.remove(temporal.c_str());  // created before its lock was refused
    return;
  }
  // A failed section does not keep the other one out of the file.
  escribe_seccion(p, archivo, seccion_stock(tanques, n));
  escribe_seccion(p, archivo, seccion_descargas(tabla, n));
  const bool en_disco = p.sync(archivo);
  p.close(archivo);
  if (!en_disco || !p.rename(temporal.c_str(), ruta)) {
    gl(MSJ_AFS_STOCK_1);
    p.remove(temporal.c_str());
  }
}
