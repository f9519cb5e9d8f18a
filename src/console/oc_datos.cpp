// What the good replies' data is used for.
#include <algorithm>
#include <cstring>

#include "app/CNivaraDlg.h"
#include "console/tramas.h"
#include "foundation/afe.h"
#include "foundation/gl.h"
#include "foundation/resumen.h"

void CNivaraDlg::usa_inventario(uint32_t tanques) {
  // The link is already reset: the records' end comes from the tank count.
  decodifica_tanques(enlace.respuesta, std::min(rw::largo(tanques, false), kLargoRespuesta),
                     resp.tanques);
  bool cambio = false;
  for (uint32_t t = 0; t < tanques && t < kTanquesConsola; ++t) {
    if (!stock_nuevo(resp.tanques[t], resp.fotos[t], calib.capacidad_tanque[t])) continue;
    cambio = true;
    // A snapshot that cannot be stored keeps the old baseline; the tanks
    // after it wait for the next reply.
    if (!afs(SUCESO_FOTO, static_cast<uint8_t>(t))) break;
    gl(kTextoLibre, formatea("AFS T%u", t + 1).c_str());
    copia_foto(resp.tanques[t], &resp.fotos[t]);
  }
  if (cambio || resp.informe_pendiente != 0) {
    resp.informe_pendiente = 0;
    escribe_informe_stock(config.file_stock().c_str(), resp.tanques, resp.descargas, tanques);
    afe("- Nuevo Stock.");
  }
}

void CNivaraDlg::guarda_descargas(uint32_t tanques, uint32_t por_tanque) {
  // Entry t x M + j; the table holds 32 entries, whatever the console says.
  for (uint32_t t = 0; t < kTanquesConsola; ++t) {
    for (uint32_t j = 0; j < por_tanque; ++j) {
      uint32_t i = t * por_tanque + j;
      if (i >= kEntradasDescarga) return;
      if (t < tanques) {
        std::memcpy(resp.descargas[i].b, enlace.respuesta + rdw::registro(i), kLargoDescarga);
      } else {
        resp.descargas[i].marca_vacia();
      }
    }
  }
}

void CNivaraDlg::usa_tabla_qtr() {
  const int t = prog.tanque_rcw;
  std::memcpy(&calib.tabla_qtr, enlace.respuesta + rcw::kTabla, kLargoTablaCalib);
  convierte_tabla(calib.tabla_qtr);
  gl(kTextoLibre, formatea("ct%d recibida from QTR", t + 1).c_str());

  const std::string archivo = archivo_tabla(t);
  bool valida = lct(archivo.c_str(), &calib.tabla_trabajo);
  if (valida) {
    gl(kTextoLibre, (archivo + " detectado").c_str());
    if (prog.primera_lectura_calib == 1) {
      // How far the console's measured slopes are from ours.
      calib.contador_captura[t] = 0;
      for (int k = 0; k < kPuntosTabla; ++k) {
        if (calib.tabla_qtr.puntos[k].pendiente == calib.tabla_trabajo.puntos[k].pendiente)
          continue;
        if (++calib.contador_captura[t] > 5) {
          gl(MSJ_OC_TABLAS_DIFERENTES);
          break;
        }
      }
    }
  } else if (calib.tabla_qtr.version_formato != kVersionFormatoTabla) {
    gl(MSJ_OC_VERSION);
  } else if (g100()) {
    valida = true;
    if (scf(t, calib.tabla_trabajo)) gl(kTextoLibre, formatea("ct%dn.tan creado", t + 1).c_str());
  }
  // Without a valid working table the capacity stays unknown (0), so every
  // change of litres counts as new stock.
  calib.capacidad_tanque[t] = valida ? calib.tabla_trabajo.capacidad : 0.0f;
}
