// Loading a calibration table file (lct), and the log text for one that
// cannot be opened.
#include <cerrno>

#include "calibration/tabla_calib.h"
#include "foundation/gl.h"
#include "foundation/mensajes.h"
#include "foundation/resumen.h"
#include "platform/platform.h"

std::string texto_error_lct(int error, const char* archivo) {
  switch (error) {
    case EINVAL:
    case ENOSYS: return "Error: lct: Incorrect function";
    case ENOENT: return formatea("Error: lct: cannot find the file %s", archivo);
    case ENOTDIR: return formatea("Error: lct: cannot find the path %s", archivo);
    case EMFILE:
    case ENFILE: return formatea("Error: lct: cannot open the file %s", archivo);
    case EACCES:
    case EPERM:
    case EWOULDBLOCK:  // held by someone else
      return "Error: lct: Access is denied";
    default: return formatea("Error: lct: File open failed %d", error);
  }
}

bool lct(const char* archivo, tabla_calib* destino) {
  plat::Platform& p = plat::current();
  // Read-write and unshared, so nobody changes the table while we load it.
  int f = p.open(archivo, plat::kReadWrite, plat::Share::kNone, plat::Creation::kOpenExisting);
  if (f == plat::kInvalidFile) {
    gl(kTextoLibre, texto_error_lct(p.last_error(), archivo).c_str());
    return false;
  }
  uint64_t tamano = 0;
  if (!p.size(f, &tamano) || tamano != kLargoTablaCalib) {
    p.close(f);
    gl(MSJ_LCT_SIN_TAMANO);
    return false;
  }
  uint32_t leidos = 0;
  bool leido = p.read(f, destino, kLargoTablaCalib, &leidos);
  p.close(f);
  if (!leido || leidos != kLargoTablaCalib) {
    gl(MSJ_LCT_NO_LEE);
    return false;
  }

  const uint16_t suma = suma_tabla(*destino);
  if (destino->suma[0] != (suma >> 8) || destino->suma[1] != (suma & 0xFF)) {
    gl(MSJ_LCT_CHECKSUM);
    return false;
  }
  convierte_tabla(*destino);
  if (destino->version_formato != kVersionFormatoTabla) {
    gl(MSJ_LCT_VERSION);
    return false;
  }
  const punto_calib* pt = destino->puntos;
  for (int k = 1; k < kPuntosTabla; ++k) {
    if (pt[k].litros == -1.0f) break;
    // Written negated so that a NaN counts as not rising.
    if (!(pt[k].mm > pt[k - 1].mm) || !(pt[k].litros > pt[k - 1].litros)) {
      gl(MSJ_LCT_INCONSISTENTE);
      return false;
    }
  }
  return true;
}
