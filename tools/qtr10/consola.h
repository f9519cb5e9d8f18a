// The QTR10 console without I/O: it is fed the bytes of one connection at
// a time and says what to send back. The in-process adapter and the TCP
// tool put it on a wire.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "qtr10/playa.h"
#include "qtr10/reloj.h"
#include "qtr10/tanque.h"
#include "qtr10/trama.h"
#include "qtr10/venta.h"

namespace qtr10 {

constexpr unsigned kTodasLasClases = bit(Clase::kRW) | bit(Clase::kRDW) | bit(Clase::kPRE) |
                                     bit(Clase::kRCW) | bit(Clase::kPCW) | bit(Clase::kPCT);

// Misbehaviour on purpose. Every fault but `rechaza` hits the replies to
// the commands in `comandos`; several may be on at once.
struct Fallos {
  bool silencio = false;        // no reply at all
  bool sumas_malas = false;     // every checksum of the reply one off
  int trozos = 0;               // 2 or more: the reply in that many writes ...
  int64_t pausa_trozos_ms = 0;  // ... this far apart
  bool cierre_antes = false;    // close the connection instead of replying
  uint8_t acuse_error = 0;      // not 0: acknowledgements carry this code
  bool rechaza = false;         // refuse connections
  int64_t retardo_ms = 0;       // the reply only after this long
  unsigned comandos = kTodasLasClases;
  int veces = -1;  // replies still hit; -1: all of them
};

struct DescargaProgramada {
  uint8_t tanque = 0;  // zero-based
  // Seconds from when it is programmed (the console's start for the
  // configured ones); negative: already over or under way.
  int64_t inicio_s = 0;
  double litros = 0;
  double minutos = 20;
};

struct ConfigConsola {
  std::string direccion = "127.0.0.1";
  unsigned puerto = 10001;
  Codigo codigo_acceso{};
  int64_t deriva_s = 0;  // console clock minus host clock
  uint8_t version_registro = 2;
  uint8_t descargas_por_tanque = 2;
  std::vector<ConfigTanque> tanques;
  std::vector<DescargaProgramada> descargas;
  std::optional<PreguntaVenta> pregunta;  // asked in every inventory reply
  Fallos fallos;
  ConfigPlaya playa;  // the forecourt selling from the tanks; the nozzles are the tanks'
};

struct TramaRecibida {
  int64_t ms = 0;  // host clock
  Clase clase = Clase::kDesconocida;
  std::vector<uint8_t> bytes;
  Defecto defecto = Defecto::kNinguno;
  bool buena() const { return defecto == Defecto::kNinguno; }
};

// One thing to do on the connection, `retardo_ms` after the bytes came in:
// send `bytes`, or close.
struct Salida {
  Clase clase = Clase::kDesconocida;  // the command answered
  std::vector<uint8_t> bytes;
  int64_t retardo_ms = 0;
  bool cierra = false;
};

// What the console keeps per connection.
struct Sesion {
  std::vector<uint8_t> entrada;
  bool espera_venta = false;  // a sale question went out on it
};

class Consola {
 public:
  Consola(ConfigConsola config, Reloj reloj);

  // Bytes from the station; what to do, in order, non-decreasing delays.
  std::vector<Salida> recibe(Sesion& s, const uint8_t* datos, size_t n);
  // The station closed the connection.
  void cierra(Sesion& s);
  // Whether a new connection is taken (false counts a refusal).
  bool acepta();

  // --- For tests and the tool
  const ConfigConsola& config() const { return config_; }
  const std::vector<TramaRecibida>& recibidas() const { return recibidas_; }
  // Forgets the frames received so far, so that a long run keeps no history.
  void olvida_recibidas() { std::vector<TramaRecibida>().swap(recibidas_); }
  int cuenta(Clase c, bool solo_buenas = true) const;
  const std::vector<RespuestaVenta>& respuestas_venta() const { return respuestas_venta_; }
  int preguntas_sin_respuesta() const { return preguntas_sin_respuesta_; }
  int conexiones_rechazadas() const { return rechazadas_; }
  int turnos_impresos() const { return turnos_; }

  Fallos& fallos() { return config_.fallos; }
  void pon_fallos(const Fallos& f) { config_.fallos = f; }
  void pon_pregunta(std::optional<PreguntaVenta> p) { config_.pregunta = std::move(p); }

  // The tanks run up to the present before they are shown; 0 <= i < tanques().
  int tanques() const { return static_cast<int>(tanques_.size()); }
  Tanque& tanque(int i);
  void programa_descarga(const DescargaProgramada& d);  // from now

  // The tanks and the forecourt run up to the present. Whoever puts the
  // console on a wire calls it again at proxima_venta_ms(), so that each sale
  // reaches the sales file on time.
  void avanza();
  int64_t proxima_venta_ms() const { return playa_.proxima_ms(); }
  // Every sale and shift close the forecourt wrote, oldest first.
  const std::vector<VentaHecha>& ventas_hechas() const { return playa_.ventas(); }
  Playa& playa() { return playa_; }

  fecha_bcd reloj_consola() const;
  int64_t deriva_ms() const { return deriva_ms_; }
  void pon_deriva_s(int64_t s) { deriva_ms_ = s * 1000; }

 private:
  std::vector<Salida> atiende(Sesion& s, Clase clase, const std::vector<uint8_t>& trama);
  std::vector<uint8_t> responde(Clase clase, const uint8_t* cuerpo, bool sumas_malas,
                                uint8_t codigo_acuse, bool* con_pregunta);
  int64_t inicio_ms(const DescargaProgramada& d) const;

  ConfigConsola config_;
  Reloj reloj_;
  int64_t arranque_ms_;
  int64_t deriva_ms_;
  std::vector<Tanque> tanques_;
  Playa playa_;
  std::vector<TramaRecibida> recibidas_;
  std::vector<RespuestaVenta> respuestas_venta_;
  int preguntas_sin_respuesta_ = 0;
  int rechazadas_ = 0;
  int turnos_ = 0;
};

}  // namespace qtr10
