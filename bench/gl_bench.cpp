// The event log's cost per record, against the bare system calls it needs.
//
// gl() opens, sizes, seeks, writes and closes Nivara.log for every record,
// through the real platform. The "posix" cases do the same open, lock, size,
// seek, write and close directly on another file in the same folder, so the
// difference is what the log and the platform layer add. Every case runs in a
// fresh temporary folder, removed at exit, and keeps its file well below the
// trim size so each iteration appends to a file of about the same length.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "carpeta_bench.h"
#include "foundation/gl.h"
#include "platform/real_platform.h"

namespace {

constexpr const char* kLog = "Nivara.log";
constexpr const char* kDesnudo = "desnudo.log";  // the bare cases' file
constexpr unsigned kCodigo = 13;
constexpr const char kTexto[] = "Consola: enlace recuperado tras 3 intentos";  // 42
constexpr uint8_t kSello[22] = {0x2C, 0x01, 0xFF, '0', '9', '/', '0', '5', '/', '2', '6',
                                ' ',  ' ',  '0',  '5', ':', '0', '0', ':', '0', '0', 0};

// With both logs empty.
class EnCarpeta : public banco::EnCarpeta {
 public:
  EnCarpeta() {
    vacia(kLog);
    vacia(kDesnudo);
  }

  static void vacia(const char* nombre) {
    int fd = ::open(nombre, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) std::abort();
    ::close(fd);
  }
};

// Empties `nombre` every `cada` iterations, untimed, so the file never comes
// near the trim size (2,050,000 bytes) and stays about the same length.
class Vaciado {
 public:
  Vaciado(benchmark::State& s, const char* nombre, size_t bytes_por_iteracion)
      : s_(s), nombre_(nombre), cada_(kTope / bytes_por_iteracion) {}
  void cuenta() {
    if (++n_ < cada_) return;
    n_ = 0;
    s_.PauseTiming();
    EnCarpeta::vacia(nombre_);
    s_.ResumeTiming();
  }

 private:
  static constexpr size_t kTope = 1500000;  // well below the trim size
  benchmark::State& s_;
  const char* nombre_;
  size_t cada_;
  size_t n_ = 0;
};

// One bare append: open (create if missing), exclusive lock, size, seek to
// the end, write, close: the least an append with the log's sharing rule
// needs.
void agrega_desnudo(const char* nombre, const void* datos, size_t largo) {
  int fd = ::open(nombre, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) std::abort();
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) std::abort();
  struct stat st {};
  if (::fstat(fd, &st) != 0) std::abort();
  benchmark::DoNotOptimize(st.st_size);
  if (::lseek(fd, 0, SEEK_END) < 0) std::abort();
  if (::write(fd, datos, largo) != static_cast<ssize_t>(largo)) std::abort();
  ::close(fd);
}

// A text record as the log writes it: minute, 0xFF, text, NUL.
std::vector<uint8_t> registro_texto(const char* texto) {
  const size_t n = std::strlen(texto);
  std::vector<uint8_t> r(n + 4, 0);
  r[0] = 0x2C;
  r[1] = 0x01;
  r[2] = 0xFF;
  std::memcpy(r.data() + 3, texto, n);
  return r;
}

// --- Appends ---------------------------------------------------------------

// One event, the hour's time stamp already written.
void BM_gl_evento(benchmark::State& state) {
  EnCarpeta en;
  gl_reinicia();
  gl(kCodigo);  // writes this hour's stamp
  Vaciado vaciado(state, kLog, 3);
  for (auto _ : state) {
    gl(kCodigo);
    vaciado.cuenta();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_gl_evento);

// One event with the time stamp due: two appends.
void BM_gl_evento_con_sello(benchmark::State& state) {
  EnCarpeta en;
  Vaciado vaciado(state, kLog, 25);
  for (auto _ : state) {
    gl_reinicia();
    gl(kCodigo);
    vaciado.cuenta();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_gl_evento_con_sello);

// One free text, the stamp already written.
void BM_gl_texto(benchmark::State& state) {
  EnCarpeta en;
  gl_reinicia();
  gl(kCodigo);
  Vaciado vaciado(state, kLog, sizeof kTexto + 3);
  for (auto _ : state) {
    gl(kTextoLibre, kTexto);
    vaciado.cuenta();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_gl_texto);

void BM_posix_agrega(benchmark::State& state) {
  EnCarpeta en;
  const uint8_t registro[3] = {0x2C, 0x01, kCodigo};
  Vaciado vaciado(state, kDesnudo, sizeof registro);
  for (auto _ : state) {
    agrega_desnudo(kDesnudo, registro, sizeof registro);
    vaciado.cuenta();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_posix_agrega);

// Two bare appends: a stamp and an event, as gl with the stamp due.
void BM_posix_agrega_dos(benchmark::State& state) {
  EnCarpeta en;
  const uint8_t registro[3] = {0x2C, 0x01, kCodigo};
  Vaciado vaciado(state, kDesnudo, sizeof kSello + sizeof registro);
  for (auto _ : state) {
    agrega_desnudo(kDesnudo, kSello, sizeof kSello);
    agrega_desnudo(kDesnudo, registro, sizeof registro);
    vaciado.cuenta();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_posix_agrega_dos);

// A bare append of the same text record as BM_gl_texto.
void BM_posix_agrega_texto(benchmark::State& state) {
  EnCarpeta en;
  const std::vector<uint8_t> registro = registro_texto(kTexto);
  Vaciado vaciado(state, kDesnudo, registro.size());
  for (auto _ : state) {
    agrega_desnudo(kDesnudo, registro.data(), registro.size());
    vaciado.cuenta();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_posix_agrega_texto);

// --- Where a gl append's time goes ------------------------------------------

// The clock read that starts every gl: time() and localtime_r().
void BM_hora_local(benchmark::State& state) {
  banco::instala_real();
  for (auto _ : state) {
    std::tm t = plat::local_now();
    benchmark::DoNotOptimize(t);
  }
}
BENCHMARK(BM_hora_local);

// --- The trim ---------------------------------------------------------------

// A log just over the trim size: hourly stamps, events and some texts, as a
// station writes them.
const std::vector<uint8_t>& log_grande() {
  static const std::vector<uint8_t> datos = [] {
    std::vector<uint8_t> d;
    d.reserve(kLogMaximo + 600);
    const std::vector<uint8_t> texto = registro_texto(kTexto);
    for (size_t i = 0; d.size() <= kLogMaximo; ++i) {
      if (i % 200 == 0) {
        d.insert(d.end(), kSello, kSello + sizeof kSello);
      } else if (i % 50 == 0) {
        d.insert(d.end(), texto.begin(), texto.end());
      } else {
        const uint8_t ev[3] = {0x2C, 0x01, static_cast<uint8_t>(1 + i % 200)};
        d.insert(d.end(), ev, ev + 3);
      }
    }
    return d;
  }();
  return datos;
}

// One gl that finds the log over the trim size: read it all, keep the newest
// records under 2,000,000 bytes, rewrite the file, append the event.
void BM_gl_recorte(benchmark::State& state) {
  EnCarpeta en;
  const std::vector<uint8_t>& grande = log_grande();
  gl_reinicia();
  gl(kCodigo);  // the hour's stamp, on the empty log
  for (auto _ : state) {
    state.PauseTiming();
    banco::escribe_entero(kLog, grande);
    state.ResumeTiming();
    gl(kCodigo);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * grande.size()));
}
BENCHMARK(BM_gl_recorte)->Unit(benchmark::kMicrosecond);

// The same work with bare calls and a buffer made beforehand: open, lock,
// size, read it all, empty the file, write the same tail back, append the
// event, close. The cut is worked out once, untimed.
void BM_posix_recorte(benchmark::State& state) {
  EnCarpeta en;
  const std::vector<uint8_t>& grande = log_grande();
  const size_t desde = inicio_recorte(grande.data(), grande.size());
  std::vector<uint8_t> buffer(grande.size() + 1);
  const uint8_t registro[3] = {0x2C, 0x01, kCodigo};
  for (auto _ : state) {
    state.PauseTiming();
    banco::escribe_entero(kDesnudo, grande);
    state.ResumeTiming();
    int fd = ::open(kDesnudo, O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) std::abort();
    struct stat st {};
    if (::fstat(fd, &st) != 0) std::abort();
    const size_t largo = static_cast<size_t>(st.st_size);
    if (::read(fd, buffer.data(), largo) != static_cast<ssize_t>(largo)) std::abort();
    if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0) std::abort();
    const size_t quedan = largo - desde;
    if (::write(fd, buffer.data() + desde, quedan) != static_cast<ssize_t>(quedan)) std::abort();
    if (::write(fd, registro, sizeof registro) != 3) std::abort();
    ::close(fd);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * grande.size()));
}
BENCHMARK(BM_posix_recorte)->Unit(benchmark::kMicrosecond);

}  // namespace
