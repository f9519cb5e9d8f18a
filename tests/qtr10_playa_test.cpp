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

struct leida {
  fecha_bcd fecha{};
  int surtidor = 0, pico = 0, tanque = 0;
  float litros = 0;  // signed as the layout marks a return
  float contador = 0;
};

// A text record through the station's readers. The litres field is taken
// with its sign: the layouts without a sign field write a return with one.
leida lee_linea(std::string_view r, const fila_controlador& fila) {
  const char s = fila.separador;
  leida l;
  EXPECT_TRUE(fecha_del_registro(&l.fecha, r, fila)) << r;
  if (fila.campo_surtidor >= 0) l.surtidor = campo_entero(r, fila.campo_surtidor, s);
  if (fila.campo_pico >= 0) l.pico = campo_entero(r, fila.campo_pico, s);
  if (fila.campo_tanque >= 0) l.tanque = campo_entero(r, fila.campo_tanque, s);
  l.litros = std::strtof(r.data() + ubica_campo(r, fila.campo_litros, s), nullptr);
  if (fila.campo_signo >= 0 &&
      campo_entero(r, fila.campo_signo, s) == (fila.tipo == CONTROLADOR_WOLF ? 2 : 1)) {
    l.litros = -l.litros;
  }
  if (fila.campo_contador >= 0) l.contador = campo_real(r, fila.campo_contador, s);
  return l;
}

// SVS AXXUS's 28-byte record: the date as the double DDMMYY.hhmmss.
leida lee_axxus(const uint8_t* r) {
  const uint64_t bits = lee_u64_le(r);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  // DDMMYYhhmmss; pair k counted from the right.
  const long long x = std::llround(d * 1e6);
  auto par = [x](int k) {
    long long y = x;
    while (k-- > 0) y /= 100;
    return static_cast<unsigned>(y % 100);
  };
  leida l;
  l.fecha = fecha_de(par(5), par(4), par(3), par(2), par(1), par(0));
  l.pico = static_cast<int>(lee_real_le(r + 8));
  l.surtidor = static_cast<int>(lee_real_le(r + 12));
  l.litros = lee_real_le(r + 20) * (lee_real_le(r + 24) != 0 ? -1 : 1);
  return l;
}

// The file's records, oldest first.
std::vector<leida> lee_ventas(const std::string& datos, const fila_controlador& fila) {
  std::vector<leida> v;
  if (fila.tipo == CONTROLADOR_SVS_AXXUS) {
    EXPECT_EQ(datos.size() % 28, 0u);
    for (size_t i = 0; i + 28 <= datos.size(); i += 28)
      v.push_back(lee_axxus(reinterpret_cast<const uint8_t*>(datos.data()) + i));
    return v;
  }
  for (size_t pos = 0; pos < datos.size();) {
    const size_t fin = datos.find("\r\n", pos);
    EXPECT_NE(fin, std::string::npos) << "a record without its line end";
    if (fin == std::string::npos) break;
    const std::string_view r(datos.data() + pos, fin - pos);
    EXPECT_EQ(cuenta_separadores(r, fila.separador) + 1, fila.campos) << r;
    v.push_back(lee_linea(r, fila));
    pos = fin + 2;
  }
  if (fila.orden == 0) std::reverse(v.begin(), v.end());
  return v;
}

class Qtr10Playa : public Estacion {};

// A day of sales of each controller: two tanks, three nozzles, each meter
// with its own error. CALDEN OIL and FUSION WAYNE number the nozzles across
// the station.
TEST_F(Qtr10Playa, ADayOfSalesIsInTheFileAndLeftTheTanks) {
  const double kError[3] = {2.0, 0.0, -1.0};  // % the meter counts over the true litres
  for (const fila_controlador* fila = tabla_controladores; fila->tipo != FIN_CONTROLADORES;
       ++fila) {
    SCOPED_TRACE(nombre_controlador(fila->tipo));
    const bool por_numero =
        fila->tipo == CONTROLADOR_CALDEN_OIL || fila->tipo == CONTROLADOR_FUSION_WAYNE;
    const int n[3] = {por_numero ? 12 : 1, por_numero ? 40 : 1, por_numero ? 96 : 2};
    qtr10::ConfigConsola c;
    c.tanques.resize(2, {.curva = qtr10::Curva::cilindro(3000, 12000), .nivel_mm = 1500});
    c.tanques[0].picos = {{1, n[0], kError[0]}, {2, n[1], kError[1]}};
    c.tanques[1].picos = {{1, n[2], kError[2]}};
    const std::string nombre = "ventas" + std::to_string(fila->tipo);
    c.playa = {.controlador = fila->tipo,
               .archivo = ruta(nombre),
               .ventas_hora = 60,
               .litros_min = 2,
               .litros_max = 20,
               .devoluciones_pct = 5,
               .archivo_nuevo_pct = 1,
               .cierres_min = {6 * 60, 14 * 60, 22 * 60},
               .semilla = static_cast<uint64_t>(fila->tipo) + 1};
    qtr10::ConsolaSim consola(*sim, c);
    const double antes[2] = {consola.tanque(0).litros_reales(), consola.tanque(1).litros_reales()};
    sim->run_for(24 * 3600 * 1000);

    // Which of the three nozzles sold.
    auto cual = [](const VentaHecha& v) { return v.tanque == 2 ? 2 : v.surtidor - 1; };
    const std::vector<VentaHecha>& hechas = consola.ventas_hechas();
    ASSERT_GT(hechas.size(), 1000u);
    double salieron[2] = {0, 0};
    int devoluciones = 0, cierres = 0, nuevos = 0;
    for (size_t i = 0; i < hechas.size(); ++i) {
      const VentaHecha& v = hechas[i];
      if (i > 0) {
        EXPECT_EQ(comparar_fecha(v.fecha, hechas[i - 1].fecha), 1) << "two lines in one second";
      }
      nuevos += v.archivo_nuevo;
      if (v.cierre()) {
        // At 14:00, 22:00 and 06:00, or a second or two later after a sale.
        EXPECT_LT(bcd_a_bin(v.fecha.minuto) * 60 + bcd_a_bin(v.fecha.segundo), 5u);
        ++cierres;
        continue;
      }
      devoluciones += v.litros < 0;
      salieron[v.tanque - 1] += v.litros / (1 + kError[cual(v)] / 100);
    }
    EXPECT_EQ(cierres, fila->campo_tanque < 0 ? 3 : 0);
    EXPECT_GE(devoluciones, 20);
    EXPECT_LE(devoluciones, 150);
    EXPECT_GE(nuevos, 3);
    for (int t = 0; t < 2; ++t) {
      EXPECT_NEAR(antes[t] - consola.tanque(t).litros_reales(), salieron[t], 1e-6) << t;
    }

    // The file holds the lines since it was last begun afresh, and was last
    // written at the last one's moment of the virtual clock.
    size_t desde = 0;
    for (size_t i = 0; i < hechas.size(); ++i) {
      if (hechas[i].archivo_nuevo) desde = i;
    }
    const std::vector<leida> en_archivo = lee_ventas(archivo(nombre), *fila);
    ASSERT_EQ(en_archivo.size(), hechas.size() - desde);
    for (size_t i = 0; i < en_archivo.size(); ++i) {
      const leida& l = en_archivo[i];
      const VentaHecha& v = hechas[desde + i];
      EXPECT_EQ(comparar_fecha(l.fecha, v.fecha), 0) << i;
      if (fila->campo_surtidor >= 0 && fila->campo_tanque < 0) {
        EXPECT_EQ(l.surtidor, v.surtidor) << i;
        EXPECT_EQ(l.pico, v.pico) << i;
      }
      if (v.cierre()) continue;
      EXPECT_EQ(l.tanque, fila->campo_tanque >= 0 ? v.tanque : 0) << i;
      EXPECT_EQ(l.litros, v.litros) << i;
      if (fila->campo_contador >= 0) {
        EXPECT_EQ(l.contador, static_cast<float>(v.contador)) << i;
      }
    }
    struct stat st {};
    ASSERT_EQ(::stat(ruta(nombre).c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, hechas.back().ms / 1000);

    // Each nozzle's meter runs on by the litres of each of its sales.
    const VentaHecha* ultima[3] = {};
    for (const VentaHecha& v : hechas) {
      if (v.cierre()) continue;
      if (ultima[cual(v)]) {
        EXPECT_NEAR(v.contador - ultima[cual(v)]->contador, v.litros, 1e-6);
      }
      ultima[cual(v)] = &v;
    }
  }
}

}  // namespace
