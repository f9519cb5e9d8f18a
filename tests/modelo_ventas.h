// What a station on line must store of its forecourt's sales, read by read:
// the lines its sales file holds, the last sale date, and the reader's
// rules. The station test hands it every read of the sales file and every
// reset of the last sale date as the station came out of them; the model
// says where one broke the rules, and keeps the sale events the store must
// hold.
//
// The rules: a read takes the sales newer than the last sale date, oldest
// first, when the file still holds one strictly older than it; else the
// file was begun afresh, its sales are passed over and the date jumps to
// its newest. A re-read of the configuration, or a start, takes the date
// from the store again (the clock's, when the store holds no sale or could
// not be read), and a file passed over is met anew. After a read that
// reached the newest line with a sale, a file above 32 KB is cut back to
// its first line (in order 0 the newest) or, SVS AXXUS, deleted. A read
// that a fault hit may end after any sale; until the controller writes
// again, the next ones may find the file unchanged.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "entorno.h"
#include "qtr10/playa.h"
#include "sales/controladores.h"
#include "surtidor/surtidor.h"

// How each layout's reader takes a return of L litres.
float litros_leidos(int32_t tipo, float litros);

// The sale events of a store, in order.
std::string sucesos_venta(const std::string& almacen);
// A sale event for a person: date, tank, litres and meter total.
std::string describe_venta(const uint8_t* r);
// The first sale event where two stores part, with its neighbours.
std::string diferencia(const std::string& a, const std::string& b);

class ModeloVentas {
 public:
  // `previas`: the lines in the file before the forecourt's first, oldest
  // first; `ultima`: the station's last sale date once started.
  ModeloVentas(int32_t tipo, const std::vector<surtidor::venta_surtidor>& previas,
               const fecha_bcd& ultima);

  // What a read or a reset left, seen from outside the station.
  struct Vista {
    fecha_bcd ultima;  // the station's last sale date after it
    bool perturbada;   // an injected fault hit it
    int64_t tamano;    // the sales file's size after it; -1: gone
    fecha_bcd ahora;
  };
  // A run of the sales reader; `hechas`: every line the forecourt wrote.
  void lectura(const std::vector<qtr10::VentaHecha>& hechas, const Vista& v);
  // The last sale date taken from the store again. `apartado`: something
  // of the store was set aside meanwhile.
  void relectura(const Vista& v, bool apartado);
  // A new start: its first read finds the file changed.
  void arranque() { cambio_ = cambio::si; }

  // The sale events the store must have received, in order.
  const Almacen& esperado() const { return esperado_; }
  // Each read that broke the rules, said how.
  const std::vector<std::string>& errores() const { return errores_; }

  // The forecourt's lines by what became of them.
  enum class destino : uint8_t { pendiente, tomada, pasada, borrada, olvidada };
  int cuenta(destino d) const;
  int cierres = 0, devoluciones = 0;  // taken
  // Heap bytes of what grows with the run, to tell the station's own.
  size_t memoria() const {
    return esperado_.datos.capacity() + destinos_.capacity() + archivo_.capacity() * sizeof(linea);
  }

 private:
  struct linea {
    uint64_t clave;  // clave_fecha
    size_t largo;
    int indice;  // in hechas; -1: before the forecourt
  };
  enum class cambio : uint8_t { no, si, quiza };
  void escribe(const qtr10::VentaHecha& v, int indice);
  void toma(const qtr10::VentaHecha& v, int indice);
  // Lines at or below the last sale date that no read took become `d`;
  // those above it wait again.
  void situa(destino d);
  // What the station left of the file: as it was, cut back or deleted.
  void mira_archivo(int64_t tamano, bool corte_esperado, bool estricta);
  // The line a cut keeps: the oldest, or in order 0 the newest.
  const linea& primera_linea() const {
    return busca_controlador(tipo_)->orden == 1 ? archivo_.front() : archivo_.back();
  }
  void error(const std::string& texto);

  int32_t tipo_;
  std::vector<linea> archivo_;  // oldest first
  uint64_t ultima_;
  std::vector<destino> destinos_;
  std::map<std::pair<int, int>, std::pair<int, float>> contadores_;  // pump, nozzle: tank, reading
  Almacen esperado_;
  std::vector<std::string> errores_;
  cambio cambio_ = cambio::si;
  fecha_bcd ahora_{};
};
