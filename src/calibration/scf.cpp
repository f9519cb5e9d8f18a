// Saving a working table as its tank's file (scf), dated and summed.
#include "calibration/tabla_calib.h"
#include "foundation/fecha_bcd.h"
#include "foundation/gl.h"
#include "foundation/mensajes.h"
#include "foundation/resumen.h"
#include "platform/platform.h"

std::string archivo_tabla(int tanque) { return formatea("tan\\ct%dn.tan", tanque + 1); }
std::string archivo_respaldo(int tanque, unsigned version) {
  return formatea("tan\\ct%dv%u.tan", tanque + 1, version);
}

bool scf(int tanque, const tabla_calib& t) {
  tabla_calib copia = t;
  fecha_bcd hoy{};
  fecha_actual(&hoy);
  copia.dia = hoy.dia;
  copia.mes = hoy.mes;
  copia.anio = hoy.anio;

  plat::Platform& p = plat::current();
  const std::string nombre = archivo_tabla(tanque);
  int f =
      p.open(nombre.c_str(), plat::kReadWrite, plat::Share::kNone, plat::Creation::kCreateAlways);
  if (f == plat::kInvalidFile) {
    gl(MSJ_SCF_NO_CREA);
    return false;
  }
  convierte_tabla(copia);
  const uint16_t suma = suma_tabla(copia);
  copia.suma[0] = static_cast<uint8_t>(suma >> 8);
  copia.suma[1] = static_cast<uint8_t>(suma);

  uint32_t escritos = 0;
  bool escrito = p.write(f, &copia, kLargoTablaCalib, &escritos);
  p.close(f);
  if (!escrito) {
    gl(MSJ_SCF_NO_GUARDA_1);
    return false;
  }
  if (escritos != kLargoTablaCalib) {
    gl(MSJ_SCF_NO_GUARDA_2);
    return false;
  }
  return true;
}
