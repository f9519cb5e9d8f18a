// "status": what a working folder says about its station, for people, for
// other software (JSON) and for monitoring (Prometheus text format).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace admin {

// A moment as the station's files give it: its text and, when it is a real
// date, seconds since the epoch (local time); 0 when unknown.
struct momento {
  std::string texto;
  int64_t segundos = 0;
};

struct estado_tanque {
  // From the stock report.
  bool en_informe = false;
  momento inventario;
  std::string producto;
  double nivel_mm = 0, litros = 0, agua_mm = 0, temperatura = 0;
  // From the store.
  momento ultima_foto;
  double foto_nivel_mm = 0, foto_litros = 0;
  momento ultima_venta;
  uint64_t ventas = 0;
};

struct estado_estacion {
  std::string carpeta;
  pid_t servicio = 0;  // the process holding the folder's lock; 0: none, -1: starting
  // The store.
  bool hay_sincro = false;
  uint64_t sincro_bytes = 0, registros = 0;
  momento ultima_venta, ultimo_arranque;
  // The log: the last inventory poll's outcome, the last faults.
  bool hay_log = false;
  momento ultima_consulta;  // the last inventory reply or failed poll
  bool consulta_bien = false;
  std::string consulta_texto;
  std::vector<std::pair<momento, std::string>> errores;  // the last few, oldest first
  std::string informe;                                   // the stock report's path, if read
  std::map<int, estado_tanque> tanques;                  // by tank number from 1
  std::vector<std::string> avisos;                       // files that could not be read
};

// Reads the folder's tnq.ini, store, log, stock report and lock.
estado_estacion lee_estado(const std::string& carpeta);

std::string estado_texto(const estado_estacion& e);
std::string estado_json(const estado_estacion& e);
std::string estado_prometheus(const estado_estacion& e);

// The command: the status of `carpeta` as text, or as `forma` ("--json",
// "--prometheus"), on `salida` or into the file `archivo` (replaced whole,
// for a collector that reads it at any moment). 1 when the folder cannot be
// read or the file written.
int comando_estado(const std::string& carpeta, const std::string& forma, const std::string& archivo,
                   std::ostream& salida, std::ostream& errores);

}  // namespace admin
