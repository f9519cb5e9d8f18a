// The sales reader's station for the fuzz targets.
#include "lector.h"

#include "eventstore/suceso.h"

namespace banco {

CNivaraDlg& lector(banco& b, int32_t controlador, const uint8_t* ventas, size_t largo) {
  const fecha_bcd arranque = {0x00, 0x00, 0x08, 0x05, 0x03, 0, 0x26};
  const fecha_bcd ultima = {0x00, 0x00, 0x10, 0x05, 0x03, 0, 0x26};
  uint8_t almacen[2 * kLargoSuceso];
  suceso_arranque(arranque, 0, almacen);
  suceso_venta({ultima, 0, 20.0f, -1.0f}, almacen + kLargoSuceso);
  b.escribe(kArchivoSincro, almacen, sizeof almacen);
  b.escribe("ventas.txt", ventas, largo);

  CNivaraDlg& d = b.estacion();
  configuracion_tnq& c = d.config;
  c.pon_texto(tnq::kFileVentas, tnq::kLargoFileVentas, "ventas.txt");
  c.pon_controlador(controlador);
  c.pon_par(0, 0, 3, 1);  // tank 1: pump 3, nozzles 1 and 2
  c.pon_par(0, 1, 3, 2);
  c.pon_par(1, 0, 12, 4);  // tank 2: pump 12, nozzle 4
  c.pon_par(2, 0, 17, 1);  // a pump outside the meter table
  c.pon_par(2, 1, 1, 40);  // a station-wide nozzle number
  d.ventas.ultima_venta = ultima;
  return d;
}

}  // namespace banco
