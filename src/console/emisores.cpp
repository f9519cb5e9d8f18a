// The six command senders: the frame in buffer_tx, the length of the reply
// to wait for, and the send.
#include "app/CNivaraDlg.h"
#include "console/tramas.h"
#include "foundation/fecha_bcd.h"
#include "foundation/gl.h"

namespace {

constexpr int32_t kSinFase = -1;  // the sender leaves fase_respuesta alone

// The prefix opens every frame; without an access code nothing is sent and
// nothing changes.
bool prefijo(CNivaraDlg& d) {
  if (d.arma_prefijo(d.enlace.buffer_tx) != 0) return true;
  gl(MSJ_EDE);
  return false;
}

uint8_t* cuerpo(CNivaraDlg& d) { return d.enlace.buffer_tx + kLargoPrefijo; }

// The frame is complete: its length, and the reply to wait for.
void prepara(CNivaraDlg& d, size_t largo_cuerpo, size_t faltan, int32_t fase) {
  d.enlace.largo_tx = static_cast<uint32_t>(kLargoPrefijo + largo_cuerpo);
  d.enlace.puntero_respuesta = 0;
  d.enlace.faltan_respuesta = static_cast<uint32_t>(faltan);
  if (fase != kSinFase) d.enlace.fase_respuesta = fase;
}

}  // namespace

void CNivaraDlg::envia_RW() {
  if (!prefijo(*this)) return;
  prepara(*this, cuerpo_RW(cuerpo(*this)), rw::kLargoCabecera, FASE_RW_CABECERA);
  envia_trama();
}

void CNivaraDlg::envia_RDW() {
  if (!prefijo(*this)) return;
  prepara(*this, cuerpo_RDW(cuerpo(*this)), rdw::kLargoCabecera, FASE_RDW_CABECERA);
  envia_trama();
}

void CNivaraDlg::envia_PRE() {
  if (!prefijo(*this)) return;
  fecha_bcd ahora;
  fecha_actual(&ahora);
  prepara(*this, cuerpo_PRE(cuerpo(*this), ahora), acuse::kLargo, kSinFase);
  gl(MSJ_RELOJ);
  envia_trama();
}

void CNivaraDlg::envia_RCW(uint8_t tanque) {
  if (!prefijo(*this)) return;
  prepara(*this, cuerpo_RCW(cuerpo(*this), tanque), rcw::kLargo, kSinFase);
  envia_trama();
}

void CNivaraDlg::envia_PCW(int32_t tanque) {
  if (!prefijo(*this)) return;
  uint32_t largo = epcw(cuerpo(*this), tanque);
  if (largo == 0) {
    gl(MSJ_EPCW_LARGO_0);
    return;
  }
  prepara(*this, largo, acuse::kLargo, kSinFase);
  envia_trama();
}

void CNivaraDlg::envia_PCT() {
  if (!prefijo(*this)) return;
  prepara(*this, cuerpo_PCT(cuerpo(*this)), acuse::kLargo, kSinFase);
  envia_trama();
}

uint32_t CNivaraDlg::epcw(uint8_t* c, int32_t tanque) {
  const auto* imagen = reinterpret_cast<const uint8_t*>(&calib.imagen_pcw);
  return static_cast<uint32_t>(cuerpo_PCW(c, static_cast<uint8_t>(tanque & 0xFF), imagen));
}
