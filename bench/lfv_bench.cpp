// The sales file reader through the real platform, against the bare system
// calls of the same job: the same seeks and reads of the sales file (taken
// from a recorded run) and as many 21-byte appends to a store file, each
// opened, written at its end and closed as the store's append does.
//
// lfv_alcanza: one run that catches up 10,000 new WOLF sales (no tank takes
// part in calibration, so only the reading and the storing are measured).
// lfv_estable: one new sale at the end of a 32 KB SVS-WIDE file, as most
// runs of a busy station find it.
// desnudo_*: the same reads and appends, bare. desnudo_*_lineas: also the
// sale line appended to two text files, as the journal and the log take it.
// desnudo_*_reglas: each of the three appends made as the station's rules
// make it: the file locked for its sharing, the store's first record read
// for its retention check, the journal's and the log's size taken.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/CNivaraDlg.h"
#include "carpeta_bench.h"
#include "eventstore/suceso.h"
#include "sales/controladores.h"
#include "sales/registros.h"
#include "surtidor/surtidor.h"

namespace {

constexpr const char* kVentas = "ventas.txt";
constexpr const char* kDesnudo = "desnudo.nvr";
const fecha_bcd kUltima = {0x00, 0x00, 0x06, 0x05, 0x03, 0, 0x26};  // 05/03/26 06:00:00

// The platform the station runs on, noting where each read of the sales
// file starts and how much it asks for.
class Grabadora : public plat::Platform {
 public:
  explicit Grabadora(plat::Platform& base) : b_(base) {}
  std::vector<std::pair<int64_t, uint32_t>> lecturas;

  int open(const char* path, unsigned a, plat::Share s, plat::Creation c) override {
    const int f = b_.open(path, a, s, c);
    if (std::string(path) == kVentas) ventas_ = f;
    return f;
  }
  bool seek(int f, int64_t o, plat::Origin origin, uint64_t* p) override {
    if (f == ventas_) donde_ = o;
    return b_.seek(f, o, origin, p);
  }
  bool read(int f, void* buf, uint32_t n, uint32_t* done) override {
    if (f == ventas_) lecturas.push_back({donde_, n});
    return b_.read(f, buf, n, done);
  }
  bool size(int f, uint64_t* n) override { return b_.size(f, n); }
  bool write(int f, const void* d, uint32_t n, uint32_t* done) override {
    return b_.write(f, d, n, done);
  }
  bool set_end(int f) override { return b_.set_end(f); }
  bool file_time(int f, int64_t* ns) override { return b_.file_time(f, ns); }
  bool sync(int f) override { return b_.sync(f); }
  void close(int f) override {
    if (f == ventas_) ventas_ = -1;
    b_.close(f);
  }
  bool copy(const char* a, const char* b) override { return b_.copy(a, b); }
  bool remove(const char* p) override { return b_.remove(p); }
  bool rename(const char* a, const char* b) override { return b_.rename(a, b); }
  bool make_dir(const char* p) override { return b_.make_dir(p); }
  bool connect_share(const char* r, const char* u, const char* p) override {
    return b_.connect_share(r, u, p);
  }
  int last_error() override { return b_.last_error(); }
  void* alloc(size_t n) override { return b_.alloc(n); }
  void free(void* p) override { b_.free(p); }
  int64_t now() override { return b_.now(); }
  void local_time(int64_t t, std::tm* out) override { b_.local_time(t, out); }
  bool host_name(char* buf, size_t n) override { return b_.host_name(buf, n); }
  bool host_address(const char* n, uint8_t ip[4]) override { return b_.host_address(n, ip); }
  void set_timer_handler(plat::TimerHandler h) override { b_.set_timer_handler(std::move(h)); }
  unsigned SetTimer(unsigned id, unsigned ms) override { return b_.SetTimer(id, ms); }
  void KillTimer(unsigned id) override { b_.KillTimer(id); }
  void run() override { b_.run(); }
  void end(int status, const char* why) override { b_.end(status, why); }
  std::unique_ptr<plat::SocketBackend> new_socket(plat::SocketEvents* e) override {
    return b_.new_socket(e);
  }

 private:
  plat::Platform& b_;
  int ventas_ = -1;
  int64_t donde_ = 0;
};

// `s` seconds after the last sale stored, or after 05:00, before it.
fecha_bcd despues(unsigned s, unsigned desde = 6) {
  return {
      bin_a_bcd(s % 60), bin_a_bcd(s / 60 % 60), bin_a_bcd(desde + s / 3600), 0x05, 0x03, 0, 0x26};
}

// A station reading `ventas` of controller `tipo` into a store that holds one
// record of this month (so no retention is due); its reads of the sales file
// recorded from one run.
struct Estacion {
  Estacion(int32_t tipo, const std::string& ventas) {
    std::vector<uint8_t> datos(ventas.begin(), ventas.end());
    banco::escribe_entero(kVentas, datos);
    fecha_bcd ahora;
    fecha_actual(&ahora);
    store.resize(kLargoSuceso);
    suceso_arranque(ahora, 0, store.data());
    dlg = std::make_unique<CNivaraDlg>();
    dlg->config.pon_controlador(tipo);
    dlg->config.pon_texto(tnq::kFileVentas, tnq::kLargoFileVentas, kVentas);
    dlg->config.pon_par(0, 0, 1, 1);
    dlg->config.pon_par(1, 0, 2, 1);
    Grabadora g(plat::current());
    plat::Platform& real = plat::current();
    plat::install(&g);
    reinicia();
    dlg->lfv();
    plat::install(&real);
    lecturas = g.lecturas;
    struct stat st {};
    ::stat(kArchivoSincro, &st);
    ventas_guardadas = (static_cast<size_t>(st.st_size) - kLargoSuceso) / kLargoSuceso;
    lineas.assign(60, 'x');
    lineas += "\r\n";
  }
  // As before the run: the store with its one record, no log or journal
  // (their trimming is measured elsewhere), the file not yet seen.
  void reinicia() {
    banco::escribe_entero(kArchivoSincro, store);
    banco::escribe_entero(kDesnudo, store);
    std::remove("Nivara.log");
    std::remove("Estado.txt");
    std::remove("a.txt");
    std::remove("b.txt");
    dlg->ventas.hora_vista = 0;
    dlg->ventas.ultima_venta = kUltima;
  }

  std::vector<uint8_t> store;
  std::unique_ptr<CNivaraDlg> dlg;
  std::vector<std::pair<int64_t, uint32_t>> lecturas;
  size_t ventas_guardadas = 0;
  std::string lineas;
};

// How much of the station's work a bare run makes.
enum class Desnudo {
  almacen,  // the store's appends
  lineas,   // and the journal's and log's lines
  reglas,   // all three with the locks, reads and sizes of their rules
};

// One append: open, (rules: lock, `leer` bytes from the start or the size),
// to the end, write, close.
void agrega(const char* nombre, const void* datos, size_t n, Desnudo d, int bloqueo,
            size_t leer = 0) {
  const int fd = ::open(nombre, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) std::abort();
  if (d == Desnudo::reglas) {
    char inicio[kLargoSuceso];
    struct stat st {};
    if (::flock(fd, bloqueo | LOCK_NB) != 0) std::abort();
    if (leer > 0 ? ::read(fd, inicio, leer) < 0 : ::fstat(fd, &st) != 0) std::abort();
  }
  if (::lseek(fd, 0, SEEK_END) < 0) std::abort();
  if (::write(fd, datos, n) != static_cast<ssize_t>(n)) std::abort();
  ::close(fd);
}

// The recorded reads of the sales file and the appends, bare.
void desnudo(const Estacion& e, Desnudo d) {
  static char trozo[kLargoTrozo];
  const int fd = ::open(kVentas, O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) std::abort();
  for (const auto& [desde, n] : e.lecturas) {
    if (::lseek(fd, desde, SEEK_SET) < 0 || ::read(fd, trozo, n) < 0) std::abort();
  }
  ::close(fd);
  for (size_t i = 0; i < e.ventas_guardadas; ++i) {
    if (d != Desnudo::almacen) {
      agrega("a.txt", e.lineas.data(), e.lineas.size(), d, LOCK_SH);
      agrega("b.txt", e.lineas.data(), e.lineas.size(), d, LOCK_EX);
    }
    agrega(kDesnudo, e.store.data(), kLargoSuceso, d, LOCK_EX, kLargoSuceso);
  }
}

// The station's run, or a bare one.
void corre(benchmark::State& state, Estacion& e, std::optional<Desnudo> d) {
  for (auto _ : state) {
    state.PauseTiming();
    e.reinicia();
    state.ResumeTiming();
    if (d) {
      desnudo(e, *d);
    } else {
      e.dlg->lfv();
    }
  }
  state.counters["ventas"] = static_cast<double>(e.ventas_guardadas);
  state.counters["lecturas"] = static_cast<double>(e.lecturas.size());
}

// Made on first use, inside the case's folder.
// 10,000 WOLF sales after the last one stored, newest first, and one before.
Estacion& alcance() {
  static Estacion* e = [] {
    std::vector<surtidor::venta_surtidor> v = {{despues(0, 5), 1, 1, 1, 5.0f, 100.0f}};
    for (unsigned i = 1; i <= 10000; ++i) {
      v.push_back({despues(i), 1 + static_cast<int>(i % 2), 1, 1, 12.5f, 100.0f + i});
    }
    return new Estacion(CONTROLADOR_WOLF, surtidor::archivo_ventas(CONTROLADOR_WOLF, v));
  }();
  return *e;
}

// A 32 KB SVS-WIDE file whose last line is the one new sale.
Estacion& estable() {
  static Estacion* e = [] {
    std::string datos;
    for (unsigned i = 0; datos.size() < 32000; ++i) {
      datos += surtidor::linea_venta(CONTROLADOR_SVS_WIDE, {despues(i, 5), 1, 1, 1, 12.5f, 0.0f});
    }
    datos += surtidor::linea_venta(CONTROLADOR_SVS_WIDE, {despues(60), 2, 1, 1, 20.0f, 0.0f});
    return new Estacion(CONTROLADOR_SVS_WIDE, datos);
  }();
  return *e;
}

template <Estacion& (*caso)(), int modo>
void BM_lfv(benchmark::State& s) {
  banco::EnCarpeta en;
  corre(s, caso(), modo < 0 ? std::nullopt : std::optional(static_cast<Desnudo>(modo)));
}

constexpr int kLfv = -1;
constexpr int kAlmacen = static_cast<int>(Desnudo::almacen);
constexpr int kLineas = static_cast<int>(Desnudo::lineas);
constexpr int kReglas = static_cast<int>(Desnudo::reglas);

#define CASO(nombre, caso, modo, unidad) \
  BENCHMARK(BM_lfv<caso, modo>)          \
      ->Name(nombre)                     \
      ->Unit(unidad)                     \
      ->Repetitions(5)                   \
      ->ReportAggregatesOnly(true)

CASO("lfv_alcanza", alcance, kLfv, benchmark::kMillisecond);
CASO("desnudo_alcanza", alcance, kAlmacen, benchmark::kMillisecond);
CASO("desnudo_alcanza_lineas", alcance, kLineas, benchmark::kMillisecond);
CASO("desnudo_alcanza_reglas", alcance, kReglas, benchmark::kMillisecond);
CASO("lfv_estable", estable, kLfv, benchmark::kMicrosecond);
CASO("desnudo_estable", estable, kAlmacen, benchmark::kMicrosecond);
CASO("desnudo_estable_lineas", estable, kLineas, benchmark::kMicrosecond);
CASO("desnudo_estable_reglas", estable, kReglas, benchmark::kMicrosecond);

}  // namespace
