// Start-up: the fixed order in which the station's files are opened and
// verified before the first timer is armed.
#include <cstring>

#include "app/CNivaraDlg.h"
#include "foundation/afe.h"
#include "foundation/gl.h"
#include "foundation/resumen.h"
#include "platform/platform.h"

CNivaraDlg::CNivaraDlg() = default;

namespace {

// "NIVARA: <host>  IP a.b.c.d"; 0.0.0.0 when the name or its address cannot
// be had.
std::string linea_host() {
  plat::Platform& p = plat::current();
  char nombre[255] = {};
  uint8_t ip[4] = {0, 0, 0, 0};
  if (p.host_name(nombre, sizeof nombre)) {
    if (!p.host_address(nombre, ip)) std::memset(ip, 0, sizeof ip);
  } else {
    nombre[0] = '\0';
  }
  return formatea("NIVARA: %s  IP %u.%u.%u.%u", nombre, ip[0], ip[1], ip[2], ip[3]);
}

}  // namespace

int CNivaraDlg::oid() {
  plat::Platform& p = plat::current();
  textos.titulo = formatea("Nivara v%d.%d", kVersionMayor, kVersionMenor);
  enlace.puntero_respuesta = 0;
  prog.ot_ocupado = 0;
  prog.primera_lectura_calib = 1;
  p.make_dir("tan");  // an existing folder or a failure is ignored

  lc();

  textos.linea_qtr = formatea("QTR10: IP %d.%d.%d.%d  Port %d", config.ip(0), config.ip(1),
                              config.ip(2), config.ip(3), static_cast<int>(config.puerto()));
  textos.file_ventas = config.file_ventas();
  textos.linea_host = linea_host();
  gl(kTextoLibre, textos.linea_host.c_str());

  vfs();
  if (!sus()) {
    gl(MSJ_GENERA_SINCRO);
    afs(SUCESO_NULO, 0);
  }

  for (float& contador : ventas.tabla_contadores) contador = 0.0f;
  ventas.texto_estado.clear();
  afs(SUCESO_ARRANQUE, static_cast<uint8_t>(safv()));

  prog.tanque_rcw = 0;
  prog.tanque_pcw = -1;
  for (int t = 0; t < kTanques; ++t) {
    calib.contador_captura[t] = 0;
    calib.capacidad_tanque[t] = 0.0f;
  }

  const struct {
    unsigned id, ms;
  } arranque[] = {{TIMER_CICLO, kMsInicioCiclo},
                  {TIMER_CONFIGURACION, kMsConfiguracion},
                  {TIMER_TIC, kMsTic},
                  {TIMER_VENTAS, kMsVentas}};
  for (const auto& t : arranque) {
    if (p.SetTimer(t.id, t.ms) == 0) sale(MSJ_EXIT_OID_TIMERS, "EXIT: oid: Error Timers");
  }

  prog.pendiente_RW = 0;
  prog.pendiente_RDW = 0;
  prog.pendiente_PRE = 0;
  prog.pendiente_RCW = 0;
  prog.pendiente_PCT = 0;
  limpia_enlace();
  enlace.conectado = 0;
  prog.v_de_TO = 0;
  sincro.foto_programada = 0;
  sincro.foto_autclb = 0;

  refresca_campos();
  return 1;
}

// There is no window here: the texts stay in `textos` for a status display.
void CNivaraDlg::refresca_campos() {}
