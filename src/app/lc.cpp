// Reading the station configuration into the live copy and writing its
// summary to the journal. The file checks and the summary lines are pure
// functions of foundation/ (tnq.h, resumen.h).
#include <cstdio>
#include <cstring>
#include <string>

#include "app/CNivaraDlg.h"
#include "foundation/afe.h"
#include "foundation/archivo_entero.h"
#include "foundation/catalogo.h"
#include "foundation/gl.h"
#include "foundation/mensajes.h"
#include "foundation/resumen.h"
#include "platform/platform.h"

void CNivaraDlg::lc() {
  char fecha[19];
  formatea_fecha_hora(plat::local_now(), fecha);

  plat::Platform& p = plat::current();
  archivo_abierto diario = archivo_abierto::abre("Estado.txt", plat::kWrite, plat::Share::kRead,
                                                 plat::Creation::kOpenAlways);
  if (!diario.abierto()) gl(MSJ_LC_NO_CREA_DIARIO);
  if (!diario.abierto() || !p.seek(diario.descriptor(), 0, plat::Origin::kEnd)) {
    diario.cierra();
    gl(MSJ_LC_NO_POSICIONA_DIARIO);
    return;
  }

  char texto[128];
  texto_mensaje(MSJ_SEPARADOR, texto);
  gl(MSJ_SEPARADOR);
  std::string resumen = std::string(texto) + "\r\n" + fecha + "\r\n";
  // Each line of the summary proper is also recorded in the log.
  auto linea = [&resumen](const std::string& l) {
    gl(kTextoLibre, l.c_str());
    resumen += l + "\r\n";
  };
  linea(formatea("Nivara v%d.%d", kVersionMayor, kVersionMenor));
  linea(formatea("TNQ.INI v%d", static_cast<int>(kTnqVersion)));

  // Every failure to read the file makes the reading fatal; the code logged
  // for it also goes into the summary.
  constexpr reglas_lectura kReglas{.abrir = MSJ_LC_NO_ABRE,
                                   .tamano = MSJ_LC_TNQ,
                                   .memoria = MSJ_EXIT_LC_MEMORIA,
                                   .lectura = MSJ_LC_TNQ,
                                   .minimo = minimo_lectura::todo};
  const copia_archivo tnq = lee_archivo_entero("tnq.ini", plat::Share::kRead, kReglas);
  unsigned error = tnq.codigo;
  if (tnq.leida()) {
    error = verifica_tnq(tnq.datos(), tnq.largo);
    if (error != MSJ_NINGUNO) gl(error);
  }
  bool fatal = error != MSJ_NINGUNO;
  if (fatal) {
    texto_mensaje(error, texto);
    resumen += std::string(texto) + "\r\n";
  } else {
    std::memcpy(config.bytes, tnq.datos() + kTnqCabecera, kTnqRegistro);
    configuracion_leida = true;
    for (const std::string& l : lineas_configuracion(config, &fatal)) linea(l);
  }

  resumen += "\r\n" + ventas.texto_estado + "\r\n" + sincro.ultimo_error + "\r\n";
  uint32_t escritos = 0;
  const auto n = static_cast<uint32_t>(resumen.size());
  if (!p.write(diario.descriptor(), resumen.data(), n, &escritos) || escritos != n) {
    gl(MSJ_LC_NO_GUARDA_DIARIO);
  }
  diario.cierra();

  if (fatal) sale(MSJ_EXIT_LC_FATAL, "EXIT: lc: Fatal Error");
  if (config.stop_nivara() != 0) sale(MSJ_EXIT_LC_STOP, "EXIT: lc: StopNivara");
}
