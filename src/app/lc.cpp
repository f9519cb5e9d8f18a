// Reading the station configuration into the live copy and writing its
// summary to the journal. The file checks and the summary lines are pure
// functions of foundation/ (tnq.h, resumen.h).
#include <cstdio>
#include <cstring>
#include <string>

#include "app/CNivaraDlg.h"
#include "foundation/afe.h"
#include "foundation/catalogo.h"
#include "foundation/gl.h"
#include "foundation/mensajes.h"
#include "foundation/resumen.h"
#include "platform/plataforma.h"

namespace {

// Reads the whole of "tnq.ini"; 0 on success, else the catalogue code of the
// failure (87 open, 88 size or read, 89 memory).
unsigned lee_tnq(std::string& datos) {
  plat::Platform& p = plat::sistema();
  int archivo = p.open("tnq.ini", plat::kRead, plat::Share::kRead,
                       plat::Creation::kOpenExisting);
  if (archivo == plat::kInvalidFile) return MSJ_LC_NO_ABRE;
  uint64_t tamano = 0;
  if (!p.size(archivo, &tamano)) {
    p.close(archivo);
    return MSJ_LC_TNQ;
  }
  void* buffer = p.alloc(tamano);
  if (buffer == nullptr) {
    p.close(archivo);
    return MSJ_EXIT_LC_MEMORIA;
  }
  uint32_t leidos = 0;
  bool ok = p.read(archivo, buffer, static_cast<uint32_t>(tamano), &leidos) && leidos == tamano;
  p.close(archivo);
  if (ok) datos.assign(static_cast<const char*>(buffer), leidos);
  p.free(buffer);
  return ok ? MSJ_NINGUNO : MSJ_LC_TNQ;
}

}  // namespace

void CNivaraDlg::lc() {
  char fecha[19];
  formatea_fecha_hora(plat::hora_local_actual(), fecha);

  plat::Platform& p = plat::sistema();
  int diario = p.open("Estado.txt", plat::kWrite, plat::Share::kRead,
                      plat::Creation::kOpenAlways);
  if (diario == plat::kInvalidFile) gl(MSJ_LC_NO_CREA_DIARIO);
  if (diario == plat::kInvalidFile || !p.seek(diario, 0, plat::Origin::kEnd)) {
    if (diario != plat::kInvalidFile) p.close(diario);
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

  std::string datos;
  unsigned error = lee_tnq(datos);
  if (error == 0) {
    error = verifica_tnq(reinterpret_cast<const uint8_t*>(datos.data()), datos.size());
  }
  bool fatal = error != 0;
  if (fatal) {
    gl(error);
    texto_mensaje(error, texto);
    resumen += std::string(texto) + "\r\n";
  } else {
    std::memcpy(config.bytes, datos.data() + kTnqCabecera, kTnqRegistro);
    for (const std::string& l : lineas_configuracion(config, &fatal)) linea(l);
  }

  resumen += "\r\n" + ventas.texto_estado + "\r\n" + sincro.ultimo_error + "\r\n";
  uint32_t escritos = 0;
  const auto n = static_cast<uint32_t>(resumen.size());
  if (!p.write(diario, resumen.data(), n, &escritos) || escritos != n) gl(MSJ_LC_NO_GUARDA_DIARIO);
  p.close(diario);

  if (fatal) sale(MSJ_EXIT_LC_FATAL, "EXIT: lc: Fatal Error");
  if (config.stop_nivara() != 0) sale(MSJ_EXIT_LC_STOP, "EXIT: lc: StopNivara");
}
