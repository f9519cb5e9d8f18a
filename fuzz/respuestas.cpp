// The console's replies through the reply handler, as they come off the
// link. The first byte picks the reply awaited (low three bits), the tank
// its table or programming is for (next four) and the clock setting (top
// bit); the second the size of the pieces the bytes arrive in (0: all at
// once); the rest is what the console sent.
#include <algorithm>
#include <cstring>

#include "banco.h"
#include "console/tramas.h"

namespace {

struct espera {
  int32_t estado;
  size_t primera_parte;  // what the sender waits for first
};
constexpr espera kEsperas[] = {
    {WAIT_READ, rw::kLargoCabecera},  {WAIT_DESCARGAS, rdw::kLargoCabecera},
    {WAIT_PROG_RELOJ, acuse::kLargo}, {WAIT_READ_CALIB, rcw::kLargo},
    {WAIT_PROG_CALIB, acuse::kLargo}, {WAIT_PRINT_TURNO, acuse::kLargo},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t largo) {
  if (largo < 2) return 0;
  banco::banco b;
  CNivaraDlg& d = b.estacion();
  const espera& e = kEsperas[(datos[0] & 7) % std::size(kEsperas)];
  const int tanque = datos[0] >> 3 & 0x0F;
  d.config.bytes[tnq::kSincronizaReloj] = datos[0] >> 7;
  for (int t = 0; t < kTanques; ++t) d.config.pon_genera(t, 1);
  d.prog.tanque_rcw = tanque;
  d.prog.tanque_pcw = tanque;

  d.enlace.estado_oc = e.estado;
  d.enlace.puntero_respuesta = 0;
  d.enlace.faltan_respuesta = static_cast<uint32_t>(e.primera_parte);
  d.enlace.fase_respuesta = e.estado == WAIT_READ ? FASE_RW_CABECERA : FASE_RDW_CABECERA;

  const size_t trozo = datos[1] == 0 ? sizeof d.enlace.buffer_rx : datos[1];
  banco::banco::corre([&] {
    for (size_t pos = 2; pos < largo;) {
      const size_t k = std::min(trozo, largo - pos);
      std::memcpy(d.enlace.buffer_rx, datos + pos, k);
      d.enlace.puntero_rx = 0;
      d.enlace.cantidad_rx = static_cast<uint32_t>(k);
      d.oc();
      pos += k;
    }
  });
  return 0;
}
