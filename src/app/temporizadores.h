// The station's window timers: their ids and the periods they are armed
// with. A one-shot timer is stopped by its own handler; the tick, the sales
// file and the configuration re-read run for good.
#pragma once

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

// Periods, in milliseconds.
constexpr unsigned kMsInicioCiclo = 2000;              // to the cycle start (TIMER_CICLO)
constexpr unsigned kMsYa = 50;                         // a command due now
constexpr unsigned kMsSondeoInventario = 60000;        // RW after a good inventory
constexpr unsigned kMsSondeoDescargas = 120000;        // RDW after good deliveries
constexpr unsigned kMsEntreTablas = 3000;              // RCW for the next flagged tank
constexpr unsigned kMsTic = 1000;                      // pending commands are re-sent
constexpr unsigned kMsVentas = 30000;                  // the sales file is read
constexpr unsigned kMsConfiguracion = 30 * 60 * 1000;  // tnq.ini is read again
constexpr unsigned kMsRespuesta = 3000;                // a reply may take this long,
constexpr unsigned kMsRespuestaDescargas = 8000;       // the deliveries' this long,
constexpr unsigned kMsConexion = 4000;                 // and a connect this long
constexpr unsigned kMsSilencio = 15000;                // nothing re-sent after a time-out
