// The status journal "Estado.txt", and the orderly end of the program that
// writes its last line there.
#include "foundation/afe.h"

#include <cstring>
#include <string>

#include "foundation/gl.h"
#include "foundation/mensajes.h"
#include "platform/platform.h"

namespace {
constexpr const char* kArchivoDiario = "Estado.txt";
}

void afe(const char* texto) {
  const size_t largo = std::strlen(texto);
  if (largo > kDiarioTextoMaximo) {
    gl(MSJ_AFE_LARGO);
    return;
  }
  char fecha[19];
  formatea_fecha_hora(plat::local_now(), fecha);
  std::string linea = std::string(fecha) + " " + texto + "\r\n";

  plat::Platform& p = plat::current();
  int archivo =
      p.open(kArchivoDiario, plat::kWrite, plat::Share::kRead, plat::Creation::kOpenAlways);
  if (archivo == plat::kInvalidFile) gl(MSJ_AFE_NO_CREA);

  uint64_t tamano = 0;
  bool conocido = archivo != plat::kInvalidFile && p.size(archivo, &tamano);
  if (!conocido || tamano > kDiarioMaximo) {
    if (archivo != plat::kInvalidFile) p.close(archivo);
    archivo =
        p.open(kArchivoDiario, plat::kWrite, plat::Share::kRead, plat::Creation::kCreateAlways);
    if (archivo == plat::kInvalidFile) gl(MSJ_AFE_NO_CREA);
  } else if (!p.seek(archivo, 0, plat::Origin::kEnd)) {
    p.close(archivo);
    gl(MSJ_AFE_NO_POSICIONA);
    return;
  }

  uint32_t escritos = 0;
  const auto n = static_cast<uint32_t>(linea.size());
  if (archivo == plat::kInvalidFile || !p.write(archivo, linea.data(), n, &escritos) ||
      escritos != n) {
    gl(MSJ_AFE_NO_GUARDA);
  }
  if (archivo != plat::kInvalidFile) p.close(archivo);
}

void sale(unsigned codigo, const char* linea) {
  if (codigo != MSJ_NINGUNO) gl(codigo);
  afe(linea);
  plat::current().exit(0, linea);
}
