// A station started on the simulated platform with the console simulator at
// its configured address, and console replies laid out by hand for the tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/CNivaraDlg.h"
#include "entorno.h"
#include "modelo_ventas.h"
#include "qtr10/consola_sim.h"

using bytes = std::vector<uint8_t>;

// Replies as a console sends them, sums low byte first. An inventory: the
// console clock, tank 0 asked about when `pregunta` (42 bytes of 0x11),
// record layout 2 and `registros` (57 bytes per tank).
bytes respuesta_inventario(const fecha_bcd& reloj, const bytes& registros = {},
                           bool pregunta = false);
// N tanks with M deliveries each, their bytes counting up.
bytes respuesta_descargas(uint8_t n, uint8_t m);
// A calibration table, given in host order.
bytes respuesta_tabla(tabla_calib t);

// Hands `datos` to the reply handler in pieces of the given sizes (the last
// size repeats), as receive notifications would.
void entrega(CNivaraDlg& d, const bytes& datos, std::vector<size_t> trozos = {8192});

long veces(const std::vector<std::string>& v, const std::string& x);

class EstacionEnLinea : public Estacion {
 protected:
  void TearDown() override;
  // Starts the console from `config_consola` (once), writes tnq.ini from
  // `config` and runs start-up.
  void arranca();
  // Events logged since the last call.
  std::vector<std::string> eventos_nuevos();
  // The station of the sales tests, in controller layout `tipo`: two tanks,
  // three nozzles told apart by their numbers alone too, each meter with
  // its own error; sales of 2 to 20 L, 5 % returns, 0.1 % before which the
  // controller begins its file afresh, shift closes at 06:00, 14:00 and
  // 22:00. The sales file is kVentas; yesterday's sales, returned oldest
  // first, give every nozzle its reading before the start.
  std::vector<surtidor::venta_surtidor> prepara_playa(int32_t tipo, double ventas_hora,
                                                      uint64_t semilla);
  static constexpr const char* kVentas = "server/ventas.txt";
  // Hands `modelo` every read of the sales file at `archivo` (a host path)
  // and every re-read of the configuration, as the station came out of it.
  void sigue_ventas(ModeloVentas& modelo, const std::string& archivo);
  // The station seen from outside after a read or a start.
  ModeloVentas::Vista vista(const std::string& archivo, bool perturbada) const;

  configuracion_tnq config = configuracion_ejemplo();
  qtr10::ConfigConsola config_consola{
      .codigo_acceso = {'1', '2', '3', '4', '5', '6', '7', '8'}};  // no tanks
  std::unique_ptr<qtr10::ConsolaSim> consola;
  std::unique_ptr<CNivaraDlg> dlg;
  int64_t inicio_ms = 0;
  size_t vistos = 0;
};
