// The automatic calibration driver, run by the sales reader after each sale
// of a tank that takes part in calibration: new captured points go into the
// tank's working table, and every fifth one makes a new table version, kept
// as a backup and, where the tank's table is to be, programmed into the
// console.
#include <string>

#include "app/CNivaraDlg.h"
#include "foundation/gl.h"
#include "foundation/mensajes.h"
#include "foundation/resumen.h"
#include "platform/platform.h"

namespace {

constexpr int32_t kPuntosPorVersion = 5;
constexpr float kTramosTabla = kPuntosTabla - 1;

}  // namespace

void CNivaraDlg::Autclb(int tanque) {
  plat::Platform& p = plat::current();
  const std::string archivo = archivo_tabla(tanque);
  if (!lct(archivo.c_str(), &calib.tabla_trabajo)) {
    // Made again from the console's table the next time it is read.
    p.remove(archivo.c_str());
    gl(kTextoLibre, "Autclb:A");
    return;
  }
  tabla_calib& tabla = calib.tabla_trabajo;
  calib.paso_mm = tabla.diametro_tank / kTramosTabla;
  const bool aplicado = ccfa(tanque);
  int32_t& puntos = calib.contador_captura[tanque];
  if (aplicado || puntos >= kPuntosPorVersion) {
    if (puntos >= kPuntosPorVersion) ++tabla.version_tabla;
    scf(tanque, tabla);
    gl(MSJ_AUTCLB_NUEVA_T1 + static_cast<unsigned>(tanque));
  }
  if (puntos < kPuntosPorVersion) {
    gl(kTextoLibre, "Autclb:C");
    return;
  }

  // A new table version.
  const std::string respaldo = archivo_respaldo(tanque, tabla.version_tabla);
  if (p.copy(archivo.c_str(), respaldo.c_str())) {
    gl(kTextoLibre, (respaldo + "  creado").c_str());
  } else {
    gl(MSJ_AUTCLB_SIN_RESPALDO);
  }
  puntos = 0;
  sincro.foto_autclb = 1;
  afs(SUCESO_FOTO, static_cast<uint8_t>(tanque));
  sincro.foto_autclb = 0;
  // One programming at a time: this version stays on disk only.
  if (prog.tanque_pcw != -1 && prog.tanque_pcw != tanque) {
    gl(kTextoLibre, "Autclb:D");
    return;
  }
  if (config.actu_qtr(tanque) == 0) {
    gl(kTextoLibre, "Autclb:F");
    return;
  }
  prog.tanque_pcw = tanque;
  calib.imagen_pcw = tabla;
  convierte_tabla(calib.imagen_pcw);
  prog.pendiente_PCW = 1;
  gl(kTextoLibre, formatea("Reprog T%d", tanque + 1).c_str());
  gl(kTextoLibre, "Autclb:E");
}
