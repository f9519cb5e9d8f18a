// The forecourt controller of the station tests; see playa.h.
#include "playa.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>

#include "sales/controladores.h"

Playa::Playa(plat::SimPlatform& sim, std::string ruta, int32_t tipo,
             std::map<std::pair<int, int>, int> tanques)
    : sim_(sim), ruta_(std::move(ruta)), tipo_(tipo), tanques_(std::move(tanques)) {}

void Playa::inicia(const std::vector<surtidor::venta_surtidor>& ventas) {
  escribe_archivo(ruta_, surtidor::archivo_ventas(tipo_, ventas));
  for (const auto& v : ventas) contadores_[{v.surtidor, v.pico}] = v.contador;
}

void Playa::vende(int64_t ms, int surtidor, int pico, float litros) {
  sim_.schedule(ms, [=, this] {
    surtidor::venta_surtidor v;
    v.surtidor = surtidor;
    v.pico = pico;
    v.litros = litros;
    escribe(v);
  });
}

void Playa::cierra_turno(int64_t ms) {
  sim_.schedule(ms, [this] { escribe(surtidor::cierre_de_turno({})); });
}

void Playa::empieza(int64_t ms, int surtidor, int pico, float litros, int ignoradas) {
  sim_.schedule(ms, [=, this] {
    ignorar_ = ignoradas;
    std::remove(ruta_.c_str());
    surtidor::venta_surtidor v;
    v.surtidor = surtidor;
    v.pico = pico;
    v.litros = litros;
    escribe(v);
  });
}

void Playa::escribe(surtidor::venta_surtidor v) {
  fecha_actual(&v.fecha);
  v.fecha.dia_semana = 0;
  const bool cierre = v.surtidor == surtidor::kCierreTurno;
  float& contador = contadores_[{v.surtidor, v.pico}];
  if (v.litros > 0) contador += v.litros;  // a return leaves the meter
  v.contador = contador;
  const auto t = tanques_.find({v.surtidor, v.pico});
  if (t != tanques_.end()) v.tanque = t->second + 1;
  std::string error;
  ASSERT_TRUE(surtidor::agrega_venta(ruta_, tipo_, v, &error)) << error;
  // The file's write time from the virtual clock, one step on at each
  // write: the real clock's would not tell apart writes made in the same
  // few real milliseconds, and time must not decide a test.
  const int64_t ns = sim_.now_ms() * 1000000 + ++sello_;
  const timespec veces[2] = {{ns / 1000000000, ns % 1000000000},
                             {ns / 1000000000, ns % 1000000000}};
  ASSERT_EQ(::utimensat(AT_FDCWD, ruta_.c_str(), veces, 0), 0);

  if (ignorar_ > 0) {
    --ignorar_;
    return;
  }
  if (cierre) {
    ++turnos_;
    esperado_.otro(SUCESO_VENTA, v.fecha, kTanqueCierreTurno);
    return;
  }
  if (t == tanques_.end()) {
    ++sin_tanque_;
    return;
  }
  // WOLF's events carry the sum of the tank's meters; the others none.
  float total = -1.0f;
  if (tipo_ == CONTROLADOR_WOLF) {
    total = 0.0f;
    for (const auto& [par, tanque] : tanques_) {
      if (tanque == t->second) total += contadores_[par];
    }
  }
  const bool con_signo = tipo_ == CONTROLADOR_WOLF;  // the others write "-7.50", read as 0
  esperado_.venta(v.fecha, static_cast<uint8_t>(t->second),
                  v.litros < 0 && !con_signo ? 0.0f : v.litros, total);
}
