// The event store append on a busy station's three months of records, about
// 1,300,000 of them (27 MB), through the real platform, against bare POSIX
// calls doing the least the same job needs.
//
// afs_agrega: a snapshot appended when no retention is due;
// posix_agrega_sincro: open, seek to the end, write 21 bytes, close;
// posix_agrega_exclusivo: the same with the two calls the append's rules add,
// the exclusive lock and the read of the first record.
// afs_retencion: the first record is four months old, so the store is read
// whole and rewritten without it through a synced temporary file;
// posix_copia_sincro: read the same bytes, write them to a new file, fsync.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/CNivaraDlg.h"
#include "carpeta_bench.h"
#include "eventstore/suceso.h"
#include "platform/real_platform.h"

namespace {

constexpr size_t kRegistros = 1300000;
constexpr const char* kDesnudo = "desnudo.nvr";
constexpr const char* kCopia = "copia.nvr";

using banco::EnCarpeta;

// A busy station's store, sales and snapshots, all in the real clock's three
// kept months; with `vencido` its first record is from four months back.
std::vector<uint8_t> almacen(bool vencido) {
  fecha_bcd ahora;
  fecha_actual(&ahora);
  uint8_t meses[3];
  meses_retenidos(bcd_a_bin(ahora.mes), meses);
  std::vector<uint8_t> d(kRegistros * kLargoSuceso);
  foto_tanque t{};
  t.nivel = 1500.0f;
  venta v{ahora, 0, 25.5f, 123456.0f};
  for (size_t i = 0; i < kRegistros; ++i) {
    uint8_t* r = d.data() + i * kLargoSuceso;
    fecha_bcd f = ahora;
    f.mes = meses[2 - i * 3 / kRegistros];  // oldest month first
    if (i % 4 == 0) {
      t.fecha = f;
      t.tanque = static_cast<uint8_t>(i % 8);
      t.litros = 30000.0f - static_cast<float>(i % 1000);
      suceso_foto(t, r);
    } else {
      v.fecha = f;
      v.tanque = static_cast<uint8_t>(i % 8);
      suceso_venta(v, r);
    }
  }
  if (vencido) d[6] = bin_a_bcd((bcd_a_bin(ahora.mes) + 7) % 12 + 1);
  return d;
}

void recorta(const char* nombre, size_t largo) {
  if (::truncate(nombre, static_cast<off_t>(largo)) != 0) std::abort();
}

// Appends cut back to the original length every so many iterations, untimed.
class Recorte {
 public:
  Recorte(benchmark::State& s, const char* nombre, size_t largo)
      : s_(s), nombre_(nombre), largo_(largo) {}
  void cuenta() {
    if (++n_ < 20000) return;
    n_ = 0;
    s_.PauseTiming();
    recorta(nombre_, largo_);
    s_.ResumeTiming();
  }

 private:
  benchmark::State& s_;
  const char* nombre_;
  size_t largo_;
  int n_ = 0;
};

void BM_afs_agrega(benchmark::State& state) {
  EnCarpeta en;
  const std::vector<uint8_t> datos = almacen(false);
  banco::escribe_entero(kArchivoSincro, datos);
  auto dlg = std::make_unique<CNivaraDlg>();
  for (int t = 0; t < 8; ++t) {
    fecha_actual(&dlg->resp.tanques[t].fecha_hora);
    dlg->resp.tanques[t].Inventario = 1;
    dlg->resp.tanques[t].nivel = 1234.5f;
    dlg->resp.tanques[t].litros = 20000.0f + static_cast<float>(t);
  }
  Recorte recorte(state, kArchivoSincro, datos.size());
  uint8_t t = 0;
  for (auto _ : state) {
    if (!dlg->afs('S', t)) std::abort();
    t = static_cast<uint8_t>((t + 1) % 8);
    recorte.cuenta();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_afs_agrega)->Repetitions(5)->ReportAggregatesOnly(true);

// A bare append to `nombre`, optionally locked and reading the first record.
void agrega_desnudo(const char* nombre, const uint8_t* registro, bool exclusivo) {
  int fd = ::open(nombre, O_RDWR | O_CLOEXEC);
  if (fd < 0) std::abort();
  if (exclusivo) {
    uint8_t primero[kLargoSuceso];
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) std::abort();
    if (::read(fd, primero, sizeof primero) != static_cast<ssize_t>(kLargoSuceso)) std::abort();
  }
  if (::lseek(fd, 0, SEEK_END) < 0) std::abort();
  if (::write(fd, registro, kLargoSuceso) != static_cast<ssize_t>(kLargoSuceso)) std::abort();
  ::close(fd);
}

void agrega_posix(benchmark::State& state, bool exclusivo) {
  EnCarpeta en;
  const std::vector<uint8_t> datos = almacen(false);
  banco::escribe_entero(kDesnudo, datos);
  Recorte recorte(state, kDesnudo, datos.size());
  for (auto _ : state) {
    agrega_desnudo(kDesnudo, datos.data(), exclusivo);
    recorte.cuenta();
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_posix_agrega_sincro(benchmark::State& state) { agrega_posix(state, false); }
BENCHMARK(BM_posix_agrega_sincro)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_posix_agrega_exclusivo(benchmark::State& state) { agrega_posix(state, true); }
BENCHMARK(BM_posix_agrega_exclusivo)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_afs_retencion(benchmark::State& state) {
  EnCarpeta en;
  const std::vector<uint8_t> datos = almacen(true);
  auto dlg = std::make_unique<CNivaraDlg>();
  fecha_actual(&dlg->resp.tanques[0].fecha_hora);
  for (auto _ : state) {
    state.PauseTiming();
    banco::escribe_entero(kArchivoSincro, datos);
    state.ResumeTiming();
    if (!dlg->afs('S', 0)) std::abort();
  }
  struct stat st {};
  if (::stat(kArchivoSincro, &st) != 0 || static_cast<size_t>(st.st_size) != datos.size()) {
    state.SkipWithError("the first record was not dropped");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * datos.size()));
}
BENCHMARK(BM_afs_retencion)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_posix_copia_sincro(benchmark::State& state) {
  EnCarpeta en;
  const std::vector<uint8_t> datos = almacen(true);
  banco::escribe_entero(kDesnudo, datos);
  std::vector<uint8_t> buffer(datos.size());
  for (auto _ : state) {
    state.PauseTiming();
    ::unlink(kCopia);  // a new file each time, as the temporary one is
    state.ResumeTiming();
    int in = ::open(kDesnudo, O_RDONLY | O_CLOEXEC);
    if (in < 0) std::abort();
    const auto largo = static_cast<ssize_t>(buffer.size());
    if (::read(in, buffer.data(), buffer.size()) != largo) std::abort();
    ::close(in);
    int out = ::open(kCopia, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0) std::abort();
    if (::write(out, buffer.data(), buffer.size()) != largo) std::abort();
    if (::fsync(out) != 0) std::abort();
    ::close(out);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * datos.size()));
}
BENCHMARK(BM_posix_copia_sincro)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace
