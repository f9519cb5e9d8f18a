// A fresh simulated station for each test: its own working folder, a virtual
// clock and fault injection.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "calibration/tabla_calib.h"
#include "eventstore/suceso.h"
#include "foundation/fecha_bcd.h"
#include "foundation/mensajes.h"
#include "foundation/tnq.h"
#include "platform/sim_platform.h"

// Calendar seconds of a local date and time, as the virtual clock reads them.
int64_t segundos(int anio, int mes, int dia, int hora, int minuto, int segundo);

// Bytes of the process's heap in use (the sanitizer's count under ASan).
size_t memoria_en_uso();

// The bytes of a file (empty when missing).
std::string lee_archivo(const std::string& ruta);
void escribe_archivo(const std::string& ruta, const std::string& datos);
bool existe(const std::string& ruta);

// A whole tnq.ini: header with `version` and `registros` copies of `c`.
std::string archivo_tnq(const configuracion_tnq& c, uint32_t version = kTnqVersion,
                        int registros = 1);
// A good configuration: console 10.0.0.7:10001, access code set, WOLF.
configuracion_tnq configuracion_ejemplo();

// Every record of Nivara.log, as "547:12" (minute of the day and code) or
// "547 text"; a damaged tail fails the test.
std::vector<std::string> registros_log(const std::string& datos);
// The codes and texts of a log, time stamps left out: "13", "T:Nivara v9.1".
std::vector<std::string> eventos_log(const std::string& datos);
// A catalogue event as eventos_log shows it: ev(MSJ_SEPARADOR) is "13".
inline std::string ev(unsigned codigo) { return std::to_string(codigo); }
using eventos_t = std::vector<std::string>;
inline eventos_t evs(const std::vector<unsigned>& codigos) {
  eventos_t e;
  for (unsigned c : codigos) e.push_back(ev(c));
  return e;
}

// dd/mm/yy hh:mm:ss, the year from 2000, as decimal numbers; weekday 0.
fecha_bcd fecha_de(unsigned d, unsigned m, unsigned a, unsigned h = 0, unsigned mi = 0,
                   unsigned s = 0);

// An event store laid down record by record.
struct Almacen {
  std::string datos;

  // A record of any kind, zero but for its kind, version, date and byte 9.
  Almacen& otro(uint8_t tipo, const fecha_bcd& f, uint8_t byte9 = 0);
  Almacen& venta(const fecha_bcd& f, uint8_t tanque, float litros, float contador = -1.0f);
  // With a level, flags and shrinkage, so that every field is set.
  Almacen& foto(const fecha_bcd& f, uint8_t tanque, float litros);
  Almacen& arranque(const fecha_bcd& f, uint8_t resultado = 0) {
    return otro(SUCESO_ARRANQUE, f, resultado);
  }
  Almacen& rasga() {  // tears the last record
    datos.pop_back();
    return *this;
  }
  const uint8_t* bytes() const { return reinterpret_cast<const uint8_t*>(datos.data()); }
  Almacen& agrega(const uint8_t r[kLargoSuceso]);
};

// A record of tank 0 for the capture's stretches: 'V' a sale of `valor`
// litres, 'S' a snapshot at level `valor` (status 0 unless told), anything
// else a start-up.
struct paso_tramo {
  char tipo;
  fecha_bcd f;
  float valor;
  float litros = 0;
  int16_t merma = 0;
  uint8_t status = 0;
};
std::string almacen_de(const std::vector<paso_tramo>& pasos);
// The worked stretch, 15/03/23: sales from 10:03 to 10:05 while the level
// fell from 1000 to 980.2 mm, one step of tabla_de_pasos(); the snapshot at
// 10:08 has fallen a whole step, and the sale and snapshot after the end
// come late enough to judge it. One point of 100 L over 19.8 mm.
std::vector<paso_tramo> tramo_captura();
// A working table of 20 mm steps of 100 L (5 L/mm), 1980 mm across.
tabla_calib tabla_de_pasos();

class Estacion : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A path inside the station's working folder.
  std::string ruta(const std::string& nombre) const { return sim->path_of(nombre); }
  std::string archivo(const std::string& nombre) const { return lee_archivo(ruta(nombre)); }
  // What Nivara.log holds so far, as eventos_log gives it.
  std::vector<std::string> eventos() const { return eventos_log(archivo("Nivara.log")); }

  // Makes the working folder on /dev/shm, where there is one: the simulated
  // platform syncs for real, and a long run would wait on the disk. For a
  // fixture's constructor.
  void en_memoria();

  std::string raiz = "/tmp";  // where the working folder is made
  std::string carpeta;
  std::unique_ptr<plat::SimPlatform> sim;
};

// A station whose event store the test lays down and reads back.
class EstacionConAlmacen : public Estacion {
 protected:
  std::string almacenado() { return archivo("qtrs.nvr"); }
  void pon(const std::string& datos) { escribe_archivo(ruta("qtrs.nvr"), datos); }
  // Starts the log and the journal afresh, as a new run would find them.
  void olvida_log();
  // One case of a table: the store laid down, the log afresh, and only
  // `falla` injected (nth 0: none).
  void prepara(const std::string& datos, const plat::Fault& falla = {.nth = 0}) {
    pon(datos);
    olvida_log();
    sim->clear_faults();
    sim->inject(falla);
  }
};
