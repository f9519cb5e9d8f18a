// The console simulator's forecourt in virtual time: its sales file, read
// back with the station's record readers, against the sales it recorded and
// the litres that left its tanks.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "entorno.h"
#include "foundation/bytes.h"
#include "foundation/tnq.h"
#include "qtr10/consola_sim.h"
#include "sales/controladores.h"

namespace {

using qtr10::VentaHecha;

// A line as the station's readers take it; fields the layout lacks stay 0.
struct leida {
  uint64_t fecha = 0;  // clave_fecha
  int surtidor = 0, pico = 0, tanque = 0;
  float litros = 0;  // signed as the layout marks a return
  float contador = 0;
  bool operator==(const leida&) const = default;
};
void PrintTo(const leida& l, std::ostream* o) {
  *o << std::hex << l.fecha << std::dec << " " << l.surtidor << "/" << l.pico << " T" << l.tanque
     << " " << l.litros << " L " << l.contador;
}

// Through the station's field readers. The litres field is read with its
// sign: the layouts without a sign field write a return with one.
leida lee_linea(std::string_view r, const fila_controlador& f) {
  const char s = f.separador;
  auto entero = [&](int32_t campo) { return campo < 0 ? 0 : campo_entero(r, campo, s); };
  fecha_bcd fecha{};
  EXPECT_TRUE(fecha_del_registro(&fecha, r, f)) << r;
  leida l{clave_fecha(fecha),
          entero(f.campo_surtidor),
          entero(f.campo_pico),
          entero(f.campo_tanque),
          std::strtof(r.data() + ubica_campo(r, f.campo_litros, s), nullptr),
          f.campo_contador < 0 ? 0 : campo_real(r, f.campo_contador, s)};
  if (f.campo_signo >= 0 && entero(f.campo_signo) == (f.tipo == CONTROLADOR_WOLF ? 2 : 1)) {
    l.litros = -l.litros;
  }
  return l;
}

// SVS AXXUS's 28-byte record: the date as the double DDMMYY.hhmmss, nozzle,
// pump, 4 bytes, litres and the sign flag.
leida lee_axxus(const uint8_t* r) {
  double d;
  std::memcpy(&d, r, sizeof d);
  const long long x = std::llround(d * 1e6);
  auto par = [x](long long pesa) { return static_cast<unsigned>(x / pesa % 100); };
  const fecha_bcd f =
      fecha_de(par(10000000000), par(100000000), par(1000000), par(10000), par(100), par(1));
  return {clave_fecha(f), static_cast<int>(lee_real_le(r + 12)),
          static_cast<int>(lee_real_le(r + 8)), 0,
          lee_real_le(r + 20) * (lee_real_le(r + 24) != 0 ? -1 : 1)};
}

// The file's records, oldest first.
std::vector<leida> lee_ventas(const std::string& datos, const fila_controlador& f) {
  std::vector<leida> v;
  const auto* b = reinterpret_cast<const uint8_t*>(datos.data());
  for (size_t i = 0; f.tipo == CONTROLADOR_SVS_AXXUS && i + 28 <= datos.size(); i += 28) {
    v.push_back(lee_axxus(b + i));
  }
  for (size_t i = 0, fin; f.tipo != CONTROLADOR_SVS_AXXUS && i < datos.size(); i = fin + 2) {
    fin = std::min(datos.find("\r\n", i), datos.size());
    v.push_back(lee_linea(std::string_view(datos).substr(i, fin - i), f));
  }
  if (f.orden == 0) std::reverse(v.begin(), v.end());
  return v;
}

class Qtr10Playa : public Estacion {};

// A day of sales of each controller: two tanks, three nozzles, each meter
// with its own error. The nozzle numbers differ, as CALDEN OIL and FUSION
// WAYNE need.
TEST_F(Qtr10Playa, ADayOfSalesIsInTheFileAndLeftTheTanks) {
  const double kError[3] = {2.0, 0.0, -1.0};  // % the meter counts over the true litres
  for (const fila_controlador* fila = tabla_controladores; fila->tipo != FIN_CONTROLADORES;
       ++fila) {
    SCOPED_TRACE(nombre_controlador(fila->tipo));
    qtr10::ConfigConsola c;
    c.tanques.resize(2, {.curva = qtr10::Curva::cilindro(3000, 12000), .nivel_mm = 1500});
    c.tanques[0].picos = {{1, 3, kError[0]}, {2, 5, kError[1]}};
    c.tanques[1].picos = {{1, 7, kError[2]}};
    const std::string nombre = "ventas" + std::to_string(fila->tipo);
    // 60 sales an hour of 2 to 20 litres, 5 % returns, 1 % begin the file
    // afresh, shift closes at 06:00, 14:00 and 22:00.
    c.playa = {fila->tipo, ruta(nombre), 60, 2, 20, 5, 1, {360, 840, 1320}, 1u + fila->tipo};
    qtr10::ConsolaSim consola(*sim, c);
    const double antes[2] = {consola.tanque(0).litros_reales(), consola.tanque(1).litros_reales()};
    sim->run_for(24 * 3600 * 1000);

    // Lines one second apart at least; each nozzle's meter runs on by the
    // litres of each of its sales; the file holds what came after it was
    // last begun afresh, as the station reads it.
    const std::vector<VentaHecha>& hechas = consola.ventas_hechas();
    ASSERT_GT(hechas.size(), 1000u);
    double salieron[2] = {0, 0}, contador[3] = {0, 0, 0};
    int devoluciones = 0, cierres = 0, nuevos = 0;
    std::vector<leida> esperadas;
    for (size_t i = 0; i < hechas.size(); ++i) {
      const VentaHecha& v = hechas[i];
      if (i > 0) {
        EXPECT_EQ(comparar_fecha(v.fecha, hechas[i - 1].fecha), 1) << "in one second";
      }
      if (v.archivo_nuevo) esperadas.clear();
      nuevos += v.archivo_nuevo;
      auto campo = [](int32_t numero, int x) { return numero < 0 ? 0 : x; };
      esperadas.push_back({clave_fecha(v.fecha), campo(fila->campo_surtidor, v.surtidor),
                           campo(fila->campo_pico, v.pico), campo(fila->campo_tanque, v.tanque),
                           v.litros,
                           fila->campo_contador < 0 ? 0 : static_cast<float>(v.contador)});
      if (v.cierre()) {
        // At 14:00, 22:00 and 06:00, or a second or two later after a sale.
        EXPECT_LT(bcd_a_bin(v.fecha.minuto) * 60 + bcd_a_bin(v.fecha.segundo), 5u);
        ++cierres;
        continue;
      }
      const int pico = v.tanque == 2 ? 2 : v.surtidor - 1;
      if (contador[pico] != 0) {
        EXPECT_NEAR(v.contador - contador[pico], v.litros, 1e-6);
      }
      contador[pico] = v.contador;
      devoluciones += v.litros < 0;
      salieron[v.tanque - 1] += v.litros / (1 + kError[pico] / 100);
    }
    EXPECT_EQ(lee_ventas(archivo(nombre), *fila), esperadas);
    EXPECT_EQ(cierres, fila->campo_tanque < 0 ? 3 : 0);
    EXPECT_GE(devoluciones, 20);
    EXPECT_GE(nuevos, 3);
    for (int t = 0; t < 2; ++t) {
      EXPECT_NEAR(antes[t] - consola.tanque(t).litros_reales(), salieron[t], 1e-6) << t;
    }

    // The station sees the file change at each sale's moment.
    struct stat st {};
    ASSERT_EQ(::stat(ruta(nombre).c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, hechas.back().ms / 1000);
  }
}

}  // namespace
