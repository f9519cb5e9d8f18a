// Collecting a 1,000-byte console reply that arrives in pieces, against a
// plain copy of the same bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "app/CNivaraDlg.h"

namespace {

constexpr size_t kLargo = 1000;

std::vector<uint8_t> respuesta() {
  std::vector<uint8_t> r(kLargo);
  for (size_t i = 0; i < kLargo; ++i) r[i] = static_cast<uint8_t>(i * 31);
  return r;
}

// Each piece is received into buffer_rx and handed to the reply handler; no
// command is awaited, so only the collection is timed.
void BM_recoge_respuesta(benchmark::State& state) {
  const size_t trozo = static_cast<size_t>(state.range(0));
  const std::vector<uint8_t> r = respuesta();
  auto d = std::make_unique<CNivaraDlg>();
  for (auto _ : state) {
    d->enlace.puntero_respuesta = 0;
    d->enlace.faltan_respuesta = kLargo;
    for (size_t pos = 0; pos < kLargo; pos += trozo) {
      size_t k = std::min(trozo, kLargo - pos);
      std::memcpy(d->enlace.buffer_rx, r.data() + pos, k);
      d->enlace.puntero_rx = 0;
      d->enlace.cantidad_rx = static_cast<uint32_t>(k);
      d->oc();
    }
    benchmark::DoNotOptimize(d->enlace.respuesta);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kLargo));
}
BENCHMARK(BM_recoge_respuesta)->Arg(1)->Arg(100)->Arg(1000);

void BM_copia_simple(benchmark::State& state) {
  const std::vector<uint8_t> r = respuesta();
  std::vector<uint8_t> destino(kLargo);
  for (auto _ : state) {
    std::memcpy(destino.data(), r.data(), kLargo);
    benchmark::DoNotOptimize(destino.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kLargo));
}
BENCHMARK(BM_copia_simple);

}  // namespace
