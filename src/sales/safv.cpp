// The start-up sales scan: the nozzle meter readings as of the last stored
// sale, so that the first sale events carry complete meter totals.
#include <cstdint>
#include <string>

#include "app/CNivaraDlg.h"
#include "foundation/archivo_entero.h"
#include "foundation/catalogo.h"
#include "foundation/gl.h"
#include "foundation/mensajes.h"
#include "foundation/resumen.h"
#include "platform/platform.h"
#include "sales/controladores.h"
#include "sales/registros.h"
#include "sales/reglas_venta.h"

namespace {

// Walks from the oldest record towards the newest up to the last stored
// sale, keeping each nozzle's latest reading in `tabla`. 1 when even the
// oldest record is newer than that sale (sales in between may be missing
// from the file), else 0.
int carga_contadores(lector_ventas& l, uint64_t tamano, const fecha_bcd& ultima,
                     float tabla[kContadores]) {
  const fila_controlador& f = *l.fila;
  int resultado = 1;
  int64_t pos = f.orden == 1 ? 0 : l.ultimo(tamano);
  if (pos < 0) return resultado;
  for (;;) {
    if (f.orden == 1 && static_cast<uint64_t>(pos) >= tamano) return resultado;
    fecha_bcd fecha;
    if (!l.lee(pos, &fecha)) {
      gl(MSJ_LFV_FECHA);
      return resultado;
    }
    const bool nueva = comparar_fecha(fecha, ultima) > 0;
    if (!nueva) resultado = 0;
    if (resultado == 1 || nueva) return resultado;

    const std::string_view r = l.registro();
    const int32_t surtidor = campo_entero(r, f.campo_surtidor, f.separador);
    const int32_t pico = campo_entero(r, f.campo_pico, f.separador);
    const float lectura = campo_real(r, f.campo_contador, f.separador);
    if (surtidor < 0 || pico < 0 || lectura == -1.0f) return 0;
    const int i = indice_contador(surtidor, pico);
    if (i < 0) {
      gl(MSJ_LFV_SURTXPIC);
      return 0;
    }
    tabla[i] = lectura;
    pos = l.hacia_nuevo();
    if (pos < 0) return resultado;
  }
}

}  // namespace

// Loads the nozzle meter readings up to the last stored sale; 1 when the
// sales file does not reach back to that sale.
int CNivaraDlg::safv() {
  const int32_t tipo = config.controlador();
  if (tipo == CONTROLADOR_SVS_AXXUS) return 0;
  plat::Platform& p = plat::current();
  // No share is connected here: at start-up the path must be reachable.
  archivo_abierto archivo = archivo_abierto::abre(
      ruta_ventas(config).c_str(), plat::kRead, plat::Share::kNone, plat::Creation::kOpenExisting);
  if (!archivo.abierto()) {
    const std::string texto = formatea("Error: safv: File open failed %d", p.last_error());
    gl(kTextoLibre, texto.c_str());
    ventas.texto_estado += texto;
    return 0;
  }
  uint64_t tamano = 0;
  if (!p.size(archivo.descriptor(), &tamano)) {
    gl(MSJ_LFV_SIN_TAMANO);
    return 0;
  }
  if (tamano == 0) {
    gl(MSJ_ARCHIVO_VACIO);
    return 0;
  }
  lector_ventas lector{archivo.descriptor(), busca_controlador(tipo), {}};
  if (lector.fila == nullptr) {
    gl(MSJ_LFV_CONTROLADOR);
    return 0;
  }
  if (!lector.formato_correcto()) {
    gl(MSJ_LFV_VENTAS_INCORRECTO);
    char texto[128];
    texto_mensaje(MSJ_LFV_VENTAS_INCORRECTO, texto);
    ventas.texto_estado = texto;
    return 0;
  }
  if (lector.fila->campo_contador < 0) return 0;
  return carga_contadores(lector, tamano, ventas.ultima_venta, ventas.tabla_contadores);
}
