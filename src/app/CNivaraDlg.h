// The station's main object: it owns the whole station state and receives
// the timer messages and console socket notifications. Each subsystem
// defines its member functions in its own folder; this header is the table
// of contents.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/temporizadores.h"
#include "calibration/curva.h"
#include "calibration/tabla_calib.h"
#include "console/CConsoleSocket.h"
#include "eventstore/suceso.h"
#include "foundation/mensajes.h"
#include "foundation/tnq.h"
#include "inventory/registro_descarga.h"
#include "inventory/registro_tanque.h"

// Command states of the console link (`estado_oc`).
enum : int32_t {
  WAIT_READ = 1,
  WAIT_DESCARGAS = 2,
  WAIT_PROG_RELOJ = 3,
  WAIT_READ_CALIB = 4,
  WAIT_PROG_CALIB = 5,
  WAIT_PRINT_TURNO = 6,
  WAIT_CONNECT = 7,
  WAIT_INTER_COMAND = 8,  // named in the log, set by no command
};

constexpr int kVersionMayor = 9;
constexpr int kVersionMenor = 1;

constexpr size_t kLargoRespuesta = 8192;

// Reply phases of the two-phase replies.
enum : int32_t {
  FASE_RW_CABECERA = 201,
  FASE_RW_RESTO = 21,
  FASE_RDW_CABECERA = 300,
  FASE_RDW_RESTO = 301,
};

// The console link: the connection and the reply being assembled.
struct estado_enlace {
  int32_t conectado = 0;
  int32_t estado_oc = 0;
  uint8_t buffer_tx[2048] = {};
  uint32_t largo_tx = 0;
  uint8_t buffer_rx[8192] = {};
  uint32_t puntero_rx = 0;  // index of the next unread byte of `buffer_rx`
  uint32_t cantidad_rx = 0;
  uint8_t respuesta[kLargoRespuesta] = {};
  uint32_t puntero_respuesta = 0;  // index of the next byte in `respuesta`
  uint32_t faltan_respuesta = 0;
  int32_t fase_respuesta = 0;
};

// What the last replies reported.
struct estado_respuestas {
  uint32_t tanques_reportados = 0;                // N of the last inventory or delivery reply
  uint32_t descargas_por_tanque = 0;              // M of the last delivery reply
  int32_t informe_pendiente = 0;                  // deliveries wait for the next stock report
  registro_tanque tanques[kTanquesConsola] = {};  // as the last inventory reply gave them
  registro_tanque fotos[kTanquesConsola] = {};    // as their last snapshots stored them
  registro_descarga descargas[kEntradasDescarga] = {};
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

// Calibration bookkeeping per tank, and the tables in memory.
struct estado_calibracion {
  int32_t contador_captura[kTanques] = {};
  float capacidad_tanque[kTanques] = {};
  tabla_calib tabla_qtr = {};      // the console's last table, host order
  tabla_calib tabla_trabajo = {};  // the working table of the tank in hand
  tabla_calib imagen_pcw = {};     // the table PCW programs, console order
  float paso_mm = 0;               // the working table's spacing of points
  punto_captura captura;           // the last captured point, snapped by pcc
};

// The sales side: what the reader has taken from the sales file so far.
struct estado_ventas {
  fecha_bcd ultima_venta = {};  // date of the newest sale already stored
  // The sales file's last write time at the last run that got past the
  // change test; 0 until then, so the first run reads the file.
  int64_t hora_vista = 0;
  // Each nozzle's latest meter reading, at (pump - 1) x 12 + (nozzle - 1);
  // 0.0: none seen yet.
  float tabla_contadores[kTanques * kParesPorTanque] = {};
  std::string texto_estado;  // the reader's last complaint about the file, for the summary
};

// The event store's status as the other parts see it.
struct estado_sincro {
  std::string ultimo_error;     // last event-store error text
  int32_t foto_programada = 0;  // the snapshot records a console table programming
  int32_t foto_autclb = 0;      // the snapshot follows a new table version
  venta venta_actual = {};      // the sale being stored
};

// The texts a window would show; kept for a status display.
struct textos_ventana {
  std::string titulo;  // "Nivara v" and the version
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
  // Arms a timer; a failure ends the program with `codigo` and `linea`.
  void arma(unsigned id, unsigned ms, unsigned codigo, const char* linea);
  void arma_ot(unsigned id, unsigned ms) {
    arma(id, ms, MSJ_EXIT_OT_TIMERS, "EXIT: ot: Error Timers");
  }
  void arma_oc(unsigned id, unsigned ms) {
    arma(id, ms, MSJ_EXIT_OC_TIMERS, "EXIT: oc: Error Timers");
  }

  // --- app/, with the checks and summary lines of foundation/
  void lc();  // reads tnq.ini into the live configuration

  // --- console/: the link
  int ctw();  // starts a connection to the console
  int arma_prefijo(uint8_t* buffer);
  void envia_trama();
  void falla_envio();
  void limpia_enlace();
  void orfr();  // receive notification
  void al_conectar();
  void al_cerrar();
  void al_aceptar() {}

  // --- console/: the command senders
  void envia_RW();
  void envia_RDW();
  void envia_PRE();
  void envia_RCW(uint8_t tanque);
  void envia_PCW(int32_t tanque);
  void envia_PCT();
  uint32_t epcw(uint8_t* cuerpo, int32_t tanque);

  // --- console/: the replies
  void oc();
  void examina_respuesta();
  void oc_inventario();
  void oc_descargas();
  void oc_reloj();
  void oc_tabla();
  void oc_programacion();
  void oc_turno();
  void cierra_enlace();
  // What a good reply's data is used for.
  void usa_inventario(uint32_t tanques);
  void contesta_venta(uint8_t tanque, const uint8_t* pregunta, uint8_t forma);
  void guarda_descargas(uint32_t tanques, uint32_t por_tanque);
  void usa_tabla_qtr();

  // --- eventstore/
  bool vfs();
  bool sus();
  bool afs(char tipo, uint8_t indice);

  // --- calibration/
  bool g100();              // the working table from the console table
  void Autclb(int tanque);  // the automatic calibration after a sale of the tank
  bool pcc(int tanque);     // the working table from the captured point
  bool ccfa(int tanque);    // captured points from the store, into the working table

  // --- sales/
  int safv();  // start-up scan: the meter readings up to the last stored sale
  void lfv();  // the sales file reader
  // SVS AXXUS's binary file into my_axxus.txt; `entera`: whether the new
  // text was written whole (else the last one stays).
  bool gma(bool* entera = nullptr);

  // --- the scheduler's steps (app/)
  void tic();
  void tiempo_agotado();
  void inicio_ciclo();
  void fin_silencio();
  void timer_comando(unsigned id);
  void relee_configuracion();

  // --- state
  configuracion_tnq config{};        // the live configuration, all zero until read
  bool configuracion_leida = false;  // a reading of tnq.ini has filled `config`
  CConsoleSocket socket_qtr;
  estado_enlace enlace;
  estado_programador prog;
  estado_respuestas resp;
  estado_calibracion calib;
  estado_ventas ventas;
  estado_sincro sincro;
  textos_ventana textos;
};
