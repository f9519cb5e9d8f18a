// A station started on the simulated platform with a scripted console at its
// configured address, and console replies laid out by hand for the tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/CNivaraDlg.h"
#include "entorno.h"
#include "platform/socket_sim.h"

using bytes = std::vector<uint8_t>;

// Replies as a console sends them, sums low byte first. An inventory: the
// console clock, tank 0 asked about when `pregunta` (42 bytes of 0x11),
// record layout 2 and `registros` (57 bytes per tank).
bytes respuesta_inventario(const fecha_bcd& reloj, const bytes& registros = {}, bool pregunta = false);
// N tanks with M deliveries each, their bytes counting up.
bytes respuesta_descargas(uint8_t n, uint8_t m);
// A calibration table, given in host order.
bytes respuesta_tabla(tabla_calib t);

// A frame as the console got it.
struct trama_recibida {
  int64_t ms;    // virtual time of arrival
  int conexion;  // 1 for the first connection, and so on
  bytes b;
  uint8_t codigo() const { return b.size() > 10 ? b[10] : 0; }
};

// Answers each command with a fixed good reply (an empty inventory, no
// deliveries, a flat table, acknowledgements), or misbehaves as asked.
class ConsolaPrueba : public plat::SimServer {
 public:
  enum class Modo { kContesta, kCalla, kCierra };
  std::unique_ptr<plat::SimPeer> accept(plat::SimLink& link) override;
  // Frames are told apart by their code and length; each is answered once
  // it is whole.
  void recibe(plat::SimLink& link, int conexion, const uint8_t* d, size_t n);

  Modo modo = Modo::kContesta;
  int64_t demora_ms = 0;  // the reply leaves this long after the frame
  int conexiones = 0;
  std::vector<trama_recibida> tramas;

 private:
  bytes pendiente_;
};

// Hands `datos` to the reply handler in pieces of the given sizes (the last
// size repeats), as receive notifications would.
void entrega(CNivaraDlg& d, const bytes& datos, std::vector<size_t> trozos = {8192});

long veces(const std::vector<std::string>& v, const std::string& x);

class EstacionEnLinea : public Estacion {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Writes tnq.ini from `config` and runs start-up.
  void arranca();
  // Events logged since the last call.
  std::vector<std::string> eventos_nuevos();
  long cuenta(uint8_t codigo) const;  // frames of that command the console got

  configuracion_tnq config = configuracion_ejemplo();
  ConsolaPrueba consola;
  std::unique_ptr<CNivaraDlg> dlg;
  int64_t inicio_ms = 0;
  size_t vistos = 0;
};
