// The automatic calibration on a busy station's three months of records:
// eight tanks, each selling every 96 s with a snapshot 30 s after each sale,
// about 1,300,000 records (27 MB), through the real platform.
//
// lectura_desnuda: the store read whole once, bare: open, size, memory for
// it, read, close.
// autclb_marca_cerca: one run for tank 1 whose capture mark lies a few
// hundred records before the end, as every run but the first finds it.
// autclb_sin_marca: the first run on a store with no mark at all (a station
// just switched to calibration).
// lfv_alcanza_calibrado: one sales reader run that stores 1,000 new sales of
// tank 1, which takes part in calibration: the driver runs after each.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/CNivaraDlg.h"
#include "carpeta_bench.h"
#include "eventstore/suceso.h"
#include "sales/controladores.h"
#include "surtidor/surtidor.h"

namespace {

constexpr int kTanques = 8;
constexpr int64_t kCadencia = 96;  // s between two sales of a tank
constexpr int64_t kDias = 88;
constexpr const char* kVentas = "ventas.txt";

// The date `s` seconds after the start of the store: the first day of the
// month before last, so that every record lies in the kept months.
struct reloj {
  std::time_t inicio;
  reloj() {
    std::time_t ahora = std::time(nullptr);
    std::tm t{};
    ::localtime_r(&ahora, &t);
    t.tm_mon -= 2;
    t.tm_mday = 1;
    t.tm_hour = t.tm_min = t.tm_sec = 0;
    t.tm_isdst = -1;
    inicio = std::mktime(&t);
  }
  fecha_bcd fecha(int64_t s) const {
    const std::time_t x = inicio + static_cast<std::time_t>(s);
    std::tm t{};
    ::localtime_r(&x, &t);
    return fecha_de_tm(t);
  }
  static fecha_bcd fecha_de_tm(const std::tm& t) {
    return {bin_a_bcd(static_cast<unsigned>(t.tm_sec)),
            bin_a_bcd(static_cast<unsigned>(t.tm_min)),
            bin_a_bcd(static_cast<unsigned>(t.tm_hour)),
            bin_a_bcd(static_cast<unsigned>(t.tm_mday)),
            bin_a_bcd(static_cast<unsigned>(t.tm_mon + 1)),
            0,
            bin_a_bcd(static_cast<unsigned>(t.tm_year % 100))};
  }
};

// Every tank falls by each sale's litres at 5 L/mm, refilled below 300 mm;
// the snapshot follows 30 s after the sale. A start-up once a week.
std::vector<uint8_t> almacen(const reloj& r) {
  struct suceso_en {
    int64_t s;
    uint8_t x[kLargoSuceso];
  };
  std::vector<suceso_en> v;
  float nivel[kTanques];
  for (int t = 0; t < kTanques; ++t) nivel[t] = 1900.0f - 100.0f * static_cast<float>(t);
  uint32_t azar = 12345;
  const int64_t paso = kCadencia / kTanques;  // 12 s from one tank's sale to the next's
  for (int64_t s = 0; s < kDias * 86400; s += paso) {
    const int t = static_cast<int>(s / paso % kTanques);
    if (s % (7 * 86400) == 0) {
      v.push_back({s, {}});
      suceso_arranque(r.fecha(s), 0, v.back().x);
    }
    azar = azar * 1103515245 + 12345;
    const float litros = 20.0f + static_cast<float>(azar >> 16 & 0x3FF) / 64.0f;
    v.push_back({s, {}});
    suceso_venta({r.fecha(s), static_cast<uint8_t>(t), litros, -1.0f}, v.back().x);
    nivel[t] -= litros / 5.0f;
    if (nivel[t] < 300) nivel[t] = 1900;
    foto_tanque f{};
    f.fecha = r.fecha(s + 30);
    f.tanque = static_cast<uint8_t>(t);
    f.nivel = nivel[t];
    f.litros = 5.0f * nivel[t];
    v.push_back({s + 30, {}});
    suceso_foto(f, v.back().x);
  }
  std::stable_sort(v.begin(), v.end(),
                   [](const suceso_en& a, const suceso_en& b) { return a.s < b.s; });
  std::vector<uint8_t> d;
  d.reserve(v.size() * kLargoSuceso);
  for (const suceso_en& e : v) d.insert(d.end(), e.x, e.x + kLargoSuceso);
  return d;
}

struct Estacion {
  reloj r;
  std::vector<uint8_t> original = almacen(r);
  std::unique_ptr<CNivaraDlg> dlg = std::make_unique<CNivaraDlg>();
  std::string ventas;

  Estacion() {
    dlg->config.pon_controlador(CONTROLADOR_WOLF);
    dlg->config.pon_texto(tnq::kFileVentas, tnq::kLargoFileVentas, kVentas);
    dlg->config.pon_par(0, 0, 1, 1);
    dlg->config.pon_genera(0, 1);
    // One sale before the store's end, then 1,000 of tank 1 after it, one
    // every 96 s.
    std::vector<surtidor::venta_surtidor> v;
    for (int i = 0; i <= 1000; ++i) {
      v.push_back({r.fecha(kDias * 86400 + (i - 1) * kCadencia), 1, 1, 1, 30.0f, 0});
    }
    ventas = surtidor::archivo_ventas(CONTROLADOR_WOLF, v);
  }
  // The store as made, with its mark on the tank's record `marca` from the
  // end (0: none), the table afresh, the log and the journal gone.
  void reinicia(size_t marca) {
    std::vector<uint8_t> d = original;
    if (marca > 0) {
      size_t i = d.size() / kLargoSuceso - marca;
      while (tanque_suceso(&d[i * kLargoSuceso]) != 0) --i;
      d[i * kLargoSuceso + campo_suceso::kMarca] |= kMarcaCaptura;
    }
    banco::escribe_entero(kArchivoSincro, d);
    std::filesystem::create_directories("tan");
    if (!scf(0, banco::tabla_escalonada())) std::abort();
    std::remove("Nivara.log");
    std::remove("Estado.txt");
    dlg->calib.contador_captura[0] = 0;
  }
};

Estacion& estacion() {
  static Estacion* e = new Estacion();
  return *e;
}

void BM_lectura_desnuda(benchmark::State& s) {
  banco::EnCarpeta en;
  Estacion& e = estacion();
  e.reinicia(0);
  for (auto _ : s) {
    const int fd = ::open(kArchivoSincro, O_RDWR | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) std::abort();
    // Into memory of its own, as any program that reads the file whole.
    std::unique_ptr<uint8_t[]> b(new uint8_t[static_cast<size_t>(st.st_size)]);
    if (::read(fd, b.get(), static_cast<size_t>(st.st_size)) != st.st_size) std::abort();
    benchmark::DoNotOptimize(b.get());
    ::close(fd);
  }
  s.counters["registros"] = static_cast<double>(e.original.size() / kLargoSuceso);
}

void autclb(benchmark::State& s, size_t marca) {
  banco::EnCarpeta en;
  Estacion& e = estacion();
  for (auto _ : s) {
    s.PauseTiming();
    e.reinicia(marca);
    s.ResumeTiming();
    e.dlg->Autclb(0);
  }
  s.counters["capturas"] = e.dlg->calib.contador_captura[0];
}
void BM_autclb_marca_cerca(benchmark::State& s) { autclb(s, 400); }
void BM_autclb_sin_marca(benchmark::State& s) { autclb(s, 0); }

void BM_lfv_alcanza_calibrado(benchmark::State& s) {
  banco::EnCarpeta en;
  Estacion& e = estacion();
  for (auto _ : s) {
    s.PauseTiming();
    e.reinicia(400);
    banco::escribe_entero(kVentas, std::vector<uint8_t>(e.ventas.begin(), e.ventas.end()));
    e.dlg->ventas.hora_vista = 0;
    e.dlg->ventas.ultima_venta = e.r.fecha(kDias * 86400 - 1);
    s.ResumeTiming();
    e.dlg->lfv();
  }
}

BENCHMARK(BM_lectura_desnuda)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_autclb_marca_cerca)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_autclb_sin_marca)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);
BENCHMARK(BM_lfv_alcanza_calibrado)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(1);

}  // namespace
