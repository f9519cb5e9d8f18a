// The console's three-period sale question and the start-up pair vfs + sus
// on a busy station's three months of records (about 1,300,000, 27 MB),
// each against one bare read of the whole file.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/CNivaraDlg.h"
#include "carpeta_bench.h"
#include "foundation/bytes.h"
#include "inventory/venta_consulta.h"

namespace {

constexpr size_t kRegistros = 1300000;

// The store, made once for the whole run in the benchmarks' folder.
struct Entorno {
  Entorno() {
    banco::EnCarpeta en;
    // Sales of four tanks every ~2 s from 1 March to 31 March, with snapshots among them.
    std::vector<uint8_t> d(kRegistros * kLargoSuceso, 0);
    float contador[4] = {};
    for (size_t i = 0; i < kRegistros; ++i) {
      uint8_t* r = d.data() + i * kLargoSuceso;
      unsigned s = static_cast<unsigned>(i * 2);  // seconds into the month
      fecha_bcd f = {bin_a_bcd(s % 60),
                     bin_a_bcd(s / 60 % 60),
                     bin_a_bcd(s / 3600 % 24),
                     bin_a_bcd(1 + s / 86400),
                     0x03,
                     0,
                     0x26};
      r[1] = kVersionSuceso;
      std::memcpy(r + 2, &f, sizeof f);
      r[7] = 0;
      r[9] = static_cast<uint8_t>(i % 4);
      if (i % 10 == 0) {
        r[0] = SUCESO_FOTO;
        escribe_real_le(r + 15, 10000.0f);
      } else {
        r[0] = SUCESO_VENTA;
        contador[i % 4] += 12.5f;
        escribe_real_le(r + 10, 12.5f);
        escribe_real_le(r + 14, contador[i % 4]);
      }
    }
    FILE* f = std::fopen(kArchivoSincro, "wb");
    std::fwrite(d.data(), 1, d.size(), f);
    std::fclose(f);
  }
};

Entorno& entorno() {
  static Entorno e;
  return e;
}

// From day `dia` at `desde` o'clock to `hasta` o'clock (24: the next day).
struct periodo {
  periodo(unsigned dia, unsigned desde, unsigned hasta)
      : inicio{0, 0, bin_a_bcd(desde), bin_a_bcd(dia), 0x03, 0, 0x26},
        fin{0, 0, bin_a_bcd(hasta % 24), bin_a_bcd(dia + hasta / 24), 0x03, 0, 0x26} {}
  fecha_bcd inicio, fin;
};

// Three days spread over the month; or the three shifts of the store's last
// whole day, the usual question, where each search walks nearly all of it.
void BM_pregunta_tres_periodos(benchmark::State& state) {
  entorno();
  banco::EnCarpeta en;
  const std::vector<periodo> p = state.range(0) == 0
                                     ? std::vector<periodo>{{5, 12, 36}, {12, 12, 36}, {20, 12, 36}}
                                     : std::vector<periodo>{{30, 0, 8}, {30, 8, 16}, {30, 16, 24}};
  for (const periodo& x : p) {
    float litros = 0;
    if (bv(1, x.inicio, x.fin, &litros) != VENTA_OK) {
      state.SkipWithError("the search finds no litres");
    }
  }
  for (auto _ : state) {
    for (const periodo& x : p) {
      float litros = 0;
      benchmark::DoNotOptimize(bv(1, x.inicio, x.fin, &litros));
      benchmark::DoNotOptimize(litros);
    }
  }
}
BENCHMARK(BM_pregunta_tres_periodos)
    ->ArgName("ultimo_dia")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond);

void BM_arranque_vfs_sus(benchmark::State& state) {
  entorno();
  banco::EnCarpeta en;
  auto dlg = std::make_unique<CNivaraDlg>();
  for (auto _ : state) {
    benchmark::DoNotOptimize(dlg->vfs());
    benchmark::DoNotOptimize(dlg->sus());
  }
}
BENCHMARK(BM_arranque_vfs_sus)->Unit(benchmark::kMillisecond);

// One read of the whole file into memory taken for it, as every search does.
void BM_lectura_desnuda(benchmark::State& state) {
  entorno();
  banco::EnCarpeta en;
  const size_t largo = kRegistros * kLargoSuceso;
  for (auto _ : state) {
    auto* buffer = static_cast<uint8_t*>(std::malloc(largo));
    int fd = ::open(kArchivoSincro, O_RDONLY | O_CLOEXEC);
    ssize_t n = ::read(fd, buffer, largo);
    ::close(fd);
    benchmark::DoNotOptimize(n);
    benchmark::DoNotOptimize(buffer[largo - 1]);
    std::free(buffer);
  }
}
BENCHMARK(BM_lectura_desnuda)->Unit(benchmark::kMillisecond);

}  // namespace
