// Checking each complete console reply; a good one re-arms the polls and
// closes the link, a bad one is only logged (the response time-out follows).
#include <cstring>

#include "app/CNivaraDlg.h"
#include "console/tramas.h"
#include "foundation/fecha_bcd.h"
#include "foundation/gl.h"
#include "foundation/resumen.h"
#include "platform/plataforma.h"

namespace {

uint16_t suma_guardada(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

bool acuse_bueno(const uint8_t* r) { return r[0] == STX && r[1] == ACK_OK && r[2] == ETX; }

// The common close of a good reply: the time-out stops and the link is idle.
void respuesta_buena(CNivaraDlg& d, unsigned codigo) {
  gl(codigo);
  plat::sistema().KillTimer(TIMER_RESPUESTA);
  d.limpia_enlace();
}

}  // namespace

void CNivaraDlg::oc_inventario() {
  const uint8_t* r = enlace.respuesta;
  const uint32_t n = resp.tanques_reportados;
  const bool pregunta = r[8] < 16;
  if (suma16(r, 9) != suma_guardada(r + 9)) {
    gl(MSJ_CHECKSUM_MAL);
    return;
  }
  if (r[11] != ETX || r[12] != STX || r[17 + 57 * n] != ETX) {
    gl(MSJ_STX_ETX_MAL);
    return;
  }
  // The records' sum is checked only when a well-ended question follows.
  if (pregunta && r[62 + 57 * n] == ETX && suma(r + 13, 2 + 57 * n) != suma_guardada(r + 15 + 57 * n)) {
    gl(MSJ_CHECKSUM_MAL);
    return;
  }
  respuesta_buena(*this, MSJ_STOCK);
  if (config.sincroniza_reloj() != 0) {
    fecha_bcd consola, ahora;
    std::memcpy(&consola, r + 1, sizeof consola);
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
    const uint8_t* preguntas = r + 18 + 57 * n;
    if (suma16(preguntas, 42) != suma_guardada(preguntas + 42)) {
      gl(MSJ_ERROR_7);
    } else {
      contesta_venta(r[8], preguntas, r[0]);
    }
  }
  cierra_enlace();
}

void CNivaraDlg::oc_descargas() {
  const uint8_t* r = enlace.respuesta;
  const uint32_t largo = 45 * resp.tanques_reportados * resp.descargas_por_tanque + 7;
  if (r[0] != STX || r[largo - 1] != ETX) {
    gl(MSJ_STX_ETX_MAL);
    return;
  }
  if (suma(r + 1, largo - 4) != suma_guardada(r + largo - 3)) {
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
  if (!acuse_bueno(enlace.respuesta)) {
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
  const uint32_t largo = static_cast<uint32_t>(r[1] * 256 + r[2]);
  // Only a whole table of the expected size can be checked and used.
  if (largo != kLargoTablaCalib || suma16(r + 3, largo) != suma_guardada(r + 3 + largo)) {
    gl(MSJ_OC_RCW_CHECKSUM);
    return;
  }
  gl(MSJ_RCW_OK);
  plat::sistema().KillTimer(TIMER_RESPUESTA);
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
  if (!acuse_bueno(r)) {
    gl(kTextoLibre, formatea("Error30: %u", static_cast<unsigned>(r[1])).c_str());
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
  if (!acuse_bueno(enlace.respuesta)) {
    gl(MSJ_ERROR_16);
    return;
  }
  respuesta_buena(*this, MSJ_PCT_OK);
  cierra_enlace();
}
