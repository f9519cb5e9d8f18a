// The reply handler: received bytes are collected into `respuesta` and each
// complete reply, or first phase of one, is examined by the command awaited.
#include <algorithm>
#include <cstring>

#include "app/CNivaraDlg.h"
#include "console/tramas.h"
#include "foundation/gl.h"
#include "foundation/resumen.h"

void CNivaraDlg::oc() {
  estado_enlace& e = enlace;
  while (e.cantidad_rx != 0) {
    // Up to the end of the reply (or phase), or all of it when nothing is
    // expected: such bytes are only kept, never examined.
    uint32_t k =
        e.faltan_respuesta == 0 ? e.cantidad_rx : std::min(e.cantidad_rx, e.faltan_respuesta);
    // Bytes beyond the area are dropped; a reply that long is refused at its
    // first phase, before it can be examined.
    if (e.puntero_respuesta < kLargoRespuesta) {
      uint32_t caben = std::min<uint32_t>(k, kLargoRespuesta - e.puntero_respuesta);
      std::memcpy(e.respuesta + e.puntero_respuesta, e.buffer_rx + e.puntero_rx, caben);
    }
    e.puntero_rx += k;
    e.cantidad_rx -= k;
    e.puntero_respuesta += k;
    if (e.faltan_respuesta == 0) continue;
    e.faltan_respuesta -= k;
    if (e.faltan_respuesta == 0) examina_respuesta();
  }
}

namespace {

// A two-phase reply whose announced length does not fit the area is not
// collected: the response time-out treats it as unanswered.
bool cabe(CNivaraDlg& d, size_t total) {
  if (total <= kLargoRespuesta) return true;
  gl(kTextoLibre, formatea("Error: oc: respuesta de %zu bytes", total).c_str());
  d.enlace.faltan_respuesta = 0;
  return false;
}

}  // namespace

void CNivaraDlg::examina_respuesta() {
  const uint8_t* r = enlace.respuesta;
  switch (enlace.estado_oc) {
    case WAIT_READ:
      if (enlace.fase_respuesta == FASE_RW_CABECERA) {
        const uint32_t n = r[rw::kCuentaTanques];
        const size_t largo = rw::largo(n, rw::hay_pregunta(r));
        resp.tanques_reportados = n;
        if (!cabe(*this, largo)) return;
        enlace.faltan_respuesta = static_cast<uint32_t>(largo - rw::kLargoCabecera);
        enlace.fase_respuesta = FASE_RW_RESTO;
      } else {
        oc_inventario();
      }
      break;
    case WAIT_DESCARGAS:
      if (enlace.fase_respuesta == FASE_RDW_CABECERA) {
        if (r[0] != STX) {
          gl(MSJ_STX_ETX_MAL);
          return;
        }
        if (r[rdw::kVersion] != rdw::kVersionConocida) {
          gl(MSJ_OC_VERSION_DESCARGA);
          return;
        }
        resp.tanques_reportados = r[rdw::kCuentaTanques];
        resp.descargas_por_tanque = r[rdw::kPorTanque];
        const size_t largo = rdw::largo(resp.tanques_reportados, resp.descargas_por_tanque);
        if (!cabe(*this, largo)) return;
        enlace.faltan_respuesta = static_cast<uint32_t>(largo - rdw::kLargoCabecera);
        enlace.fase_respuesta = FASE_RDW_RESTO;
      } else {
        oc_descargas();
      }
      break;
    case WAIT_PROG_RELOJ: oc_reloj(); break;
    case WAIT_READ_CALIB: oc_tabla(); break;
    case WAIT_PROG_CALIB: oc_programacion(); break;
    case WAIT_PRINT_TURNO: oc_turno(); break;
    default: break;  // nothing awaited: the bytes are ignored
  }
}
