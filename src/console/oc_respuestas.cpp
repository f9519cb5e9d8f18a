// Checking each complete console reply; a good one re-arms the polls and
// closes the link, a bad one is only logged (the response time-out follows).
#include <cstring>

#include "app/CNivaraDlg.h"
#include "console/tramas.h"
#include "foundation/fecha_bcd.h"
#include "foundation/gl.h"
#include "foundation/resumen.h"
#include "platform/platform.h"

namespace {

// The console's clock is set when it is further than this from ours.
constexpr int32_t kSegundosDesfaseReloj = 30;

// The common close of a good reply: the time-out stops and the link is idle.
void respuesta_buena(CNivaraDlg& d, unsigned codigo) {
  gl(codigo);
  plat::current().KillTimer(TIMER_RESPUESTA);
  d.limpia_enlace();
}

}  // namespace

void CNivaraDlg::oc_inventario() {
  const uint8_t* r = enlace.respuesta;
  const uint32_t n = resp.tanques_reportados;
  const bool pregunta = rw::hay_pregunta(r);
  if (suma16(r, rw::kSumaCabecera) != suma_guardada(r + rw::kSumaCabecera)) {
    gl(MSJ_CHECKSUM_MAL);
    return;
  }
  if (r[rw::kEtxCabecera] != ETX || r[rw::kStxRegistros] != STX || r[rw::etx_registros(n)] != ETX) {
    gl(MSJ_STX_ETX_MAL);
    return;
  }
  // The records' sum is checked only when a well-ended question follows.
  const size_t suma_registros = rw::suma_registros(n);
  if (pregunta && r[rw::etx_pregunta(n)] == ETX &&
      suma(r + rw::kLayout, suma_registros - rw::kLayout) != suma_guardada(r + suma_registros)) {
    gl(MSJ_CHECKSUM_MAL);
    return;
  }
  respuesta_buena(*this, MSJ_STOCK);
  if (config.sincroniza_reloj() != 0) {
    fecha_bcd consola, ahora;
    std::memcpy(&consola, r + rw::kReloj, sizeof consola);
    fecha_actual(&ahora);
    int32_t diferencia = segundos_entre(consola, ahora);
    if (diferencia > kSegundosDesfaseReloj || diferencia < -kSegundosDesfaseReloj) {
      gl(MSJ_REPROGRAMA_RELOJ);
      arma_oc(TIMER_PRE, kMsYa);
    }
  }
  arma_oc(TIMER_RW, kMsSondeoInventario);
  usa_inventario(n);
  if (pregunta) {
    const uint8_t* preguntas = r + rw::pregunta(n);
    if (suma16(preguntas, rw::kLargoPregunta) != suma_guardada(r + rw::suma_pregunta(n))) {
      gl(MSJ_ERROR_7);
    } else {
      contesta_venta(r[rw::kTanquePregunta], preguntas, r[rw::kForma]);
    }
  }
  cierra_enlace();
}

void CNivaraDlg::oc_descargas() {
  const uint8_t* r = enlace.respuesta;
  const size_t largo = rdw::largo(resp.tanques_reportados, resp.descargas_por_tanque);
  if (r[0] != STX || r[rdw::etx(largo)] != ETX) {
    gl(MSJ_STX_ETX_MAL);
    return;
  }
  const size_t suma_registros = rdw::suma_registros(largo);
  if (suma(r + rdw::kVersion, suma_registros - rdw::kVersion) !=
      suma_guardada(r + suma_registros)) {
    gl(MSJ_CHECKSUM_MAL);
    return;
  }
  respuesta_buena(*this, MSJ_DESCARGAS);
  arma_oc(TIMER_RDW, kMsSondeoDescargas);
  guarda_descargas(resp.tanques_reportados, resp.descargas_por_tanque);
  resp.informe_pendiente = 1;
  cierra_enlace();
}

void CNivaraDlg::oc_reloj() {
  if (!acuse::bueno(enlace.respuesta)) {
    gl(MSJ_ERROR_16);
    return;
  }
  respuesta_buena(*this, MSJ_PRE_OK);
  cierra_enlace();
  arma_oc(TIMER_RW, kMsSondeoInventario);
}

void CNivaraDlg::oc_tabla() {
  const uint8_t* r = enlace.respuesta;
  if (r[0] != STX) return;  // not a table: the time-out follows, unlogged
  const uint32_t largo = rcw::largo_tabla(r);
  // Only a whole table of the expected size can be checked and used.
  if (largo != kLargoTablaCalib ||
      suma16(r + rcw::kTabla, largo) != suma_guardada(r + rcw::suma_tabla(largo))) {
    gl(MSJ_OC_RCW_CHECKSUM);
    return;
  }
  gl(MSJ_RCW_OK);
  plat::current().KillTimer(TIMER_RESPUESTA);
  usa_tabla_qtr();
  for (++prog.tanque_rcw; prog.tanque_rcw < kTanques; ++prog.tanque_rcw) {
    if (config.genera(prog.tanque_rcw) != 0) {
      arma_oc(TIMER_RCW, kMsEntreTablas);
      break;
    }
  }
  if (prog.tanque_rcw >= kTanques) prog.primera_lectura_calib = 0;
  limpia_enlace();
  cierra_enlace();
}

void CNivaraDlg::oc_programacion() {
  const uint8_t* r = enlace.respuesta;
  if (!acuse::bueno(r)) {
    gl(kTextoLibre, formatea("Error30: %u", static_cast<unsigned>(r[acuse::kCodigo])).c_str());
    return;
  }
  respuesta_buena(*this, MSJ_PCW_OK);
  cierra_enlace();
  // The programmed table is recorded as a flagged snapshot of its tank.
  sincro.foto_programada = 1;
  afs(SUCESO_FOTO, static_cast<uint8_t>(prog.tanque_pcw));
  sincro.foto_programada = 0;
  prog.tanque_pcw = -1;
}

void CNivaraDlg::oc_turno() {
  if (!acuse::bueno(enlace.respuesta)) {
    gl(MSJ_ERROR_16);
    return;
  }
  respuesta_buena(*this, MSJ_PCT_OK);
  cierra_enlace();
}
