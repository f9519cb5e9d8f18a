// The capture from sales: which stretches of the store become points of the
// working table, the texts they leave, the mark that says how far the store
// was looked at, and each failure.
#include "calibration/captura.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "app/CNivaraDlg.h"
#include "entorno.h"

namespace {

using plat::Op;
using V = std::vector<std::string>;

fecha_bcd a_las(unsigned h, unsigned mi, unsigned s = 0) { return fecha_de(15, 3, 23, h, mi, s); }

// An end found too close to the next snapshot, the level back up a little,
// and the gauge's litres up since the stretch began.
std::vector<paso_tramo> valvula() {
  return {{'V', a_las(10, 0), 20},      {'S', a_las(10, 1), 1000, 50000},
          {'V', a_las(10, 3), 50},      {'S', a_las(10, 3, 30), 990},
          {'V', a_las(10, 5), 50},      {'S', a_las(10, 5, 40), 980.2f, 49901},
          {'S', a_las(10, 6), 980},     {'S', a_las(10, 6, 10), 990},
          {'S', a_las(10, 7, 30), 979}, {'V', a_las(10, 10), 20}};
}

const std::string kCaptura =
    "T:Captura T1: 15/03/23 10:01:00  1000-980= 19.8 mm -- 100.0 Surt -- 5.1 Surt/mm -- 5.0 "
    "Med/mm";
const std::string kTomada = kCaptura + "  Adya=5.0 --SI--";

class Captura : public EstacionConAlmacen {
 protected:
  void SetUp() override {
    EstacionConAlmacen::SetUp();
    d.calib.paso_mm = 20;
  }
  // The store laid down, and the working table afresh: 20 mm steps of
  // 100 L, 5 L/mm.
  void prepara_captura(const std::vector<paso_tramo>& registros,
                       const plat::Fault& falla = {.nth = 0}) {
    prepara(almacen_de(registros), falla);
    d.calib.tabla_trabajo = tabla_de_pasos();
  }
  // The records whose capture mark is set.
  std::vector<int> marcados() {
    const std::string s = almacenado();
    std::vector<int> m;
    for (size_t i = 0; i + kLargoSuceso <= s.size(); i += kLargoSuceso) {
      if (static_cast<uint8_t>(s[i + campo_suceso::kMarca]) & kMarcaCaptura) {
        m.push_back(static_cast<int>(i / kLargoSuceso));
      }
    }
    return m;
  }

  CNivaraDlg d;
};

TEST_F(Captura, AStretchOfSalesBecomesAPointOfTheTable) {
  prepara_captura(tramo_captura());
  EXPECT_TRUE(d.ccfa(0));
  EXPECT_EQ(eventos(), V{kTomada});
  // The curve update took the stretch from 1000 down to 980.2 mm, snapped.
  EXPECT_EQ(d.calib.captura.bajo, 980);
  EXPECT_EQ(d.calib.captura.alto, 1000);
  EXPECT_NEAR(d.calib.tabla_trabajo.puntos[49].pendiente, 100 / 19.8, 1e-5);
  EXPECT_EQ(d.calib.contador_captura[0], 1);
  // The last sale counted carries the mark; nothing else changed.
  EXPECT_EQ(marcados(), std::vector<int>{4});
  std::string esperado = almacen_de(tramo_captura());
  esperado[4 * kLargoSuceso + campo_suceso::kMarca] |= static_cast<char>(kMarcaCaptura);
  EXPECT_EQ(almacenado(), esperado);
  // The next call starts at the mark and finds nothing new.
  olvida_log();
  EXPECT_FALSE(d.ccfa(0));
  EXPECT_EQ(eventos(), V{});
  EXPECT_EQ(marcados(), std::vector<int>{4});
}

// What stops an attempt, and where the mark goes then.
TEST_F(Captura, EachRuleOfTheWalk) {
  struct Caso {
    const char* nombre;
    std::vector<paso_tramo> registros;
    bool resultado;
    V eventos;
    std::vector<int> marcados;
  };
  auto con = [](auto cambio) {
    std::vector<paso_tramo> t = tramo_captura();
    cambio(t);
    return t;
  };
  const Caso casos[] = {
      {"no sale", {{'S', a_las(10, 1), 1000}, {'S', a_las(10, 8), 980}}, false, {}, {}},
      // The break moves the attempt past it and takes the mark.
      {"a start-up between the sales",
       {{'V', a_las(10, 0), 20}, {'S', a_las(10, 1), 1000}, {'A', a_las(10, 2), 0}},
       false,
       {},
       {2}},
      // A return ends each attempt that meets it, and takes the mark.
      {"a return", con([](auto& t) { t[4].valor = -50; }), false, {}, {4}},
      // The level rose: a delivery.
      {"a delivery", con([](auto& t) { t[3].valor = 1005; }), false, {}, {4}},
      {"a valve",
       valvula(),
       false,
       {"T:15/03/23 10:05:00 ccfa: T1 pierde la valvula 49901.0 Lts"},
       {2}},
      // Shrinkage of the month taken off the sales, 1 L.
      {"shrinkage",
       con([](auto& t) { t[5].merma = 10; }),
       true,
       {"T:Captura T1: 15/03/23 10:01:00  1000-980= 19.8 mm -- 99.0 Surt -- 5.0 Surt/mm -- 5.0 "
        "Med/mm  Adya=5.0 --SI--"},
       {4}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    prepara_captura(c.registros);
    EXPECT_EQ(d.ccfa(0), c.resultado);
    EXPECT_EQ(eventos(), c.eventos);
    EXPECT_EQ(marcados(), c.marcados);
  }
}

// A point far from the table's slope but near it to the cylinder's shape is
// refused; the same point on a table without that slope is taken.
TEST_F(Captura, APointFarFromTheTableIsJudgedByTheCylinder) {
  prepara_captura(tramo_captura());
  d.calib.tabla_trabajo.puntos[49].pendiente = 6;
  EXPECT_FALSE(d.ccfa(0));
  EXPECT_EQ(eventos(), V{kCaptura + "  Adya=6.0  Teor=6.0  full=9900--9396 --NO--"});
  EXPECT_EQ(marcados(), std::vector<int>{2});
  EXPECT_EQ(d.calib.contador_captura[0], 0);
}

TEST_F(Captura, EachFailureSaysSoAndMarksNothing) {
  const std::string sincro = "qtrs.nvr";
  struct Caso {
    plat::Fault falla;
    V eventos;
  };
  const Caso casos[] = {
      {{.op = Op::kOpen, .path = sincro, .error = 13}, {"T:Error: ccfa: File open failed 13"}},
      {{.op = Op::kSize, .path = sincro}, {ev(MSJ_CCFA_SIN_TAMANO)}},
      {{.op = Op::kRead, .path = sincro, .short_io = true}, {ev(MSJ_CCFA_NO_LEE)}},
      {{.op = Op::kSeek, .path = sincro}, {kTomada, ev(MSJ_CCFA_NO_POSICIONA)}},
      {{.op = Op::kWrite, .path = sincro}, {kTomada, ev(MSJ_CCFA_NO_MARCA_1)}},
      {{.op = Op::kWrite, .path = sincro, .short_io = true}, {kTomada, ev(MSJ_CCFA_NO_MARCA_2)}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.eventos.back());
    prepara_captura(tramo_captura(), c.falla);
    EXPECT_FALSE(d.ccfa(0));
    EXPECT_EQ(eventos(), c.eventos);
    EXPECT_EQ(almacenado(), almacen_de(tramo_captura()));
  }
  prepara_captura(tramo_captura(), {.op = Op::kAlloc});
  EXPECT_EXIT(d.ccfa(0), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(archivo("Estado.txt"), "05/03/26  09:07:03 Exit: ccfa\r\n");
  EXPECT_EQ(eventos(), V{ev(MSJ_EXIT_CCFA_MEMORIA)});
}

// The indexed walk, in memory and through a small window of the file,
// against the plain one on random stores: two tanks,
// sales, returns, snapshots now and then of status 2, falls of any size,
// deliveries, breaks, marks, a month's end, tables with measured slopes.
TEST_F(Captura, TheIndexedWalkComesToWhatThePlainWalkDoes) {
  std::mt19937 azar(20261206);
  auto uno = [&](double p) { return std::uniform_real_distribution<>(0, 1)(azar) < p; };
  auto entre = [&](double a, double b) { return std::uniform_real_distribution<>(a, b)(azar); };
  int capturas = 0, rechazos = 0, valvulas = 0;
  for (int caso = 0; caso < 2000; ++caso) {
    // Records from near a month's end, levels falling at about 5 L/mm.
    std::time_t t = 1679900000 + static_cast<std::time_t>(entre(0, 6 * 86400));
    float nivel = static_cast<float>(entre(800, 1800)), litros = 5 * nivel;
    Almacen a;
    // First the valve's store behind another tank's sale: the attempt that
    // reports the valve is made again from the next record, and then goes on.
    if (caso == 0) a.datos = Almacen().venta(a_las(9, 0), 1, 10).datos + almacen_de(valvula());
    for (int i = 0; i < 300 && caso > 0; ++i) {
      t += static_cast<std::time_t>(entre(5, 120));
      std::tm x{};
      ::localtime_r(&t, &x);
      const fecha_bcd f =
          fecha_de(static_cast<unsigned>(x.tm_mday), static_cast<unsigned>(x.tm_mon + 1), 23,
                   static_cast<unsigned>(x.tm_hour), static_cast<unsigned>(x.tm_min),
                   static_cast<unsigned>(x.tm_sec));
      const uint8_t tanque = uno(0.2) ? 1 : 0;
      const double tipo = entre(0, 1);
      if (tipo < 0.45) {
        const float l = static_cast<float>(entre(5, 40)) * (uno(0.05) ? -1.0f : 1.0f);
        a.venta(f, tanque, l);
        if (tanque == 0) {
          nivel -= l / static_cast<float>(entre(4.5, 5.5));
          litros -= l + (uno(0.05) ? 8.0f : 0.0f);
        }
      } else if (tipo < 0.9) {
        if (uno(0.03)) nivel += 200, litros += 1000;
        if (uno(0.03)) nivel -= 70;
        if (uno(0.1)) litros += 100;  // the gauge's litres rise with no sale: a valve
        uint8_t r[kLargoSuceso];
        suceso_foto({.fecha = f,
                     .tanque = tanque,
                     .nivel = nivel + static_cast<float>(entre(-1, 1)) + (uno(0.1) ? 15.0f : 0.0f),
                     .status_calibs = static_cast<uint8_t>(uno(0.03) ? 2 : 0),
                     .litros = litros,
                     .merma_mes = static_cast<int16_t>(entre(-20, 20))},
                    r);
        a.agrega(r);
      } else {
        a.otro(uno(0.5) ? SUCESO_ARRANQUE : SUCESO_NULO, f);
      }
      if (uno(0.02)) a.datos[a.datos.size() - kLargoSuceso + campo_suceso::kMarca] |= '\x80';
    }
    tabla_calib tabla{};
    tabla.diametro_tank = 1980;
    for (int k = 0; k < kPuntosTabla; ++k) {
      tabla.puntos[k] = {static_cast<float>(100 * k + entre(-30, 30)),
                         20.0f * static_cast<float>(k),
                         uno(0.1) ? static_cast<float>(entre(4, 6)) : 0.0f};
    }
    tabla.capacidad = tabla.puntos[kPuntosTabla - 1].litros;

    struct Vuelta {
      fin_captura fin;
      V eventos;
      tabla_calib tabla;
      int32_t contador;
    };
    // `ventana` records at a time from the file, or the store all in memory.
    auto vuelta = [&](recorrido modo, uint32_t ventana = 0) {
      CNivaraDlg e;
      e.calib.paso_mm = 20;
      e.calib.tabla_trabajo = tabla;
      olvida_log();
      fin_captura fin;
      if (ventana == 0) {
        fin = recorre_captura(e, 0, a.bytes(), static_cast<int64_t>(a.datos.size() / kLargoSuceso),
                              modo);
      } else {
        pon(a.datos);
        archivo_abierto f = archivo_abierto::abre(kArchivoSincro, plat::kRead, plat::Share::kNone,
                                                  plat::Creation::kOpenExisting);
        ventana_archivo v;
        EXPECT_TRUE(v.reserva(f, {}, ventana * kLargoSuceso));
        fin = recorre_captura(e, 0, v, modo);
      }
      return Vuelta{fin, eventos(), e.calib.tabla_trabajo, e.calib.contador_captura[0]};
    };
    const Vuelta llano = vuelta(recorrido::literal);
    for (const Vuelta& otra : {vuelta(recorrido::indexado), vuelta(recorrido::indexado, 16)}) {
      ASSERT_EQ(otra.fin.marca, llano.fin.marca) << caso;
      ASSERT_EQ(otra.fin.resultado, llano.fin.resultado) << caso;
      ASSERT_EQ(otra.eventos, llano.eventos) << caso;
      ASSERT_EQ(otra.contador, llano.contador) << caso;
      ASSERT_EQ(std::memcmp(&otra.tabla, &llano.tabla, sizeof tabla), 0) << caso;
    }
    capturas += llano.contador;
    for (const std::string& e : llano.eventos) {
      rechazos += e.ends_with("--NO--");
      valvulas += e.find("valvula") != std::string::npos;
    }
  }
  // The stores reach the rules that matter.
  EXPECT_GT(capturas, 200);
  EXPECT_GT(rechazos, 50);
  EXPECT_GT(valvulas, 0);
}

}  // namespace
