// The station's main object: it owns the whole station state and receives
// the timer messages and console socket notifications. Each subsystem
// defines its member functions in its own folder; this header is the table
// of contents.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/tnq.h"

// Command states of the console link (`estado_oc`).
enum : int32_t {
  WAIT_READ = 1,
  WAIT_DESCARGAS = 2,
  WAIT_PROG_RELOJ = 3,
  WAIT_READ_CALIB = 4,
  WAIT_PROG_CALIB = 5,
  WAIT_PRINT_TURNO = 6,
  WAIT_CONNECT = 7,
};

// Window timer ids.
enum : unsigned {
  TIMER_CICLO = 10,
  TIMER_RW = 11,
  TIMER_RDW = 12,
  TIMER_PRE = 13,
  TIMER_VENTAS = 14,
  TIMER_TIC = 15,
  TIMER_RESPUESTA = 16,
  TIMER_RCW = 17,
  TIMER_PCW = 18,
  TIMER_CONFIGURACION = 19,
  TIMER_SILENCIO = 20,
  TIMER_PCT = 21,
};

constexpr int kVersionMayor = 9;
constexpr int kVersionMenor = 1;

// The console link: the connection and the reply being assembled.
struct estado_enlace {
  int32_t conectado = 0;
  int32_t estado_oc = 0;
  uint8_t buffer_tx[2048] = {};
  uint32_t largo_tx = 0;
  uint8_t respuesta[8192] = {};
  uint32_t puntero_respuesta = 0;  // index of the next byte in `respuesta`
  uint32_t faltan_respuesta = 0;
  int32_t fase_respuesta = 0;
};

// The scheduler: what is due, what is in flight, the quiet period.
struct estado_programador {
  int32_t ot_ocupado = 0;
  int32_t pendiente_RW = 0;
  int32_t pendiente_RDW = 0;
  int32_t pendiente_PRE = 0;
  int32_t pendiente_RCW = 0;
  int32_t pendiente_PCW = 0;
  int32_t pendiente_PCT = 0;
  int32_t v_de_TO = 0;
  int32_t tanque_rcw = 0;
  int32_t tanque_pcw = -1;
  int32_t primera_lectura_calib = 1;
};

// Calibration bookkeeping per tank.
struct estado_calibracion {
  int32_t contador_captura[kTanques] = {};
  float capacidad_tanque[kTanques] = {};
};

// The sales side: the nozzle meter readings and the reader's status text.
struct estado_ventas {
  float tabla_contadores[kTanques * kParesPorTanque] = {};
  std::string texto_estado;
};

// The event store's status as the other parts see it.
struct estado_sincro {
  std::string ultimo_error;       // last event-store error text
  int32_t marca_stock_oc = 0;     // the reply handler is storing a snapshot
  int32_t marca_stock_autclb = 0; // the automatic calibration is storing one
};

// The texts a window would show; kept for a status display.
struct textos_ventana {
  std::string banner;
  std::string linea_host;
  std::string linea_qtr;
  std::string file_ventas;
  std::string busqueda;
};

class CNivaraDlg {
 public:
  CNivaraDlg();

  // --- app/
  int oid();             // initialisation, in its fixed order
  void ot(unsigned id);  // the timer handler
  void refresca_campos();

  // --- foundation/
  void lc();  // reads tnq.ini into the live configuration

  // --- console/
  void limpia_enlace();

  // --- eventstore/
  bool vfs();
  bool sus();
  bool afs(char tipo, uint8_t indice);

  // --- sales/
  int safv();

  // --- state
  configuracion_tnq config{};  // the live configuration, all zero until read
  estado_enlace enlace;
  estado_programador prog;
  estado_calibracion calib;
  estado_ventas ventas;
  estado_sincro sincro;
  textos_ventana textos;
};
