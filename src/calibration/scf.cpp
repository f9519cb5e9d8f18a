// Saving a working table as its tank's file (scf), dated and summed, and the
// names of the table files.
#include "calibration/tabla_calib.h"
#include "foundation/fecha_bcd.h"
#include "foundation/gl.h"
#include "foundation/mensajes.h"
#include "foundation/reemplazo.h"
#include "foundation/resumen.h"

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

  convierte_tabla(copia);
  const uint16_t suma = suma_tabla(copia);
  copia.suma[0] = static_cast<uint8_t>(suma >> 8);
  copia.suma[1] = static_cast<uint8_t>(suma);
  // Whole or not at all: a full disk must not leave an empty table behind.
  return reemplaza_archivo(
      archivo_tabla(tanque).c_str(), &copia, kLargoTablaCalib,
      {.crear = MSJ_SCF_NO_CREA, .escribir = MSJ_SCF_NO_GUARDA_1, .corto = MSJ_SCF_NO_GUARDA_2});
}
