#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/CNivaraDlg.h"
#include "entorno.h"
#include "estacion_en_linea.h"
#include "eventstore/suceso.h"
#include "foundation/bytes.h"
#include "console/respuesta_venta.h"
#include "inventory/venta_consulta.h"

namespace {

// 5 March 2026 at hh:mm.
fecha_bcd a_las(int hora, int minuto = 0) {
  return {0x00, bin_a_bcd(static_cast<unsigned>(minuto)), bin_a_bcd(static_cast<unsigned>(hora)),
          0x05, 0x03, 0x00, 0x26};
}

// An event store built record by record.
struct Almacen {
  std::vector<uint8_t> b;

  Almacen& otro(uint8_t tipo, const fecha_bcd& f, uint8_t byte9 = 0) {
    b.resize(b.size() + kLargoSuceso, 0);
    uint8_t* s = ultimo();
    s[0] = tipo;
    s[1] = kVersionSuceso;
    std::memcpy(s + 2, &f, sizeof f);
    s[9] = byte9;
    return *this;
  }
  Almacen& venta(const fecha_bcd& f, uint8_t tanque, float litros, float contador = -1.0f) {
    otro(SUCESO_VENTA, f, tanque);
    escribe_real_le(ultimo() + 10, litros);
    escribe_real_le(ultimo() + 14, contador);
    return *this;
  }
  Almacen& arranque(const fecha_bcd& f, uint8_t resultado) { return otro(SUCESO_ARRANQUE, f, resultado); }
  Almacen& rasga() {  // tears the last record
    b.pop_back();
    return *this;
  }
  uint8_t* ultimo() { return b.data() + b.size() - kLargoSuceso; }
  std::string texto() const { return std::string(b.begin(), b.end()); }
};

const fecha_bcd kInicio = a_las(10);
const fecha_bcd kFin = a_las(12);
const fecha_bcd kFechaRota = {0x00, 0x00, 0x10, 0x00, 0x03, 0x00, 0x26};  // day 0

// Most stores start with a sale of tank 0 before the period.
Almacen previa() { return Almacen().venta(a_las(9), 0, 3); }

class Venta : public EstacionConAlmacen {};

TEST_F(Venta, SearchCodesAndLitres) {
  struct Caso {
    const char* caso;
    Almacen almacen;
    uint8_t codigo;
    float litros;
    std::vector<std::string> eventos;
  };
  const Caso casos[] = {
      {"an unknown meter at the end leaves the sum",
       Almacen().venta(a_las(9), 0, 3, 1000).venta(a_las(10, 30), 0, 8).venta(a_las(11), 1, 50)
           .venta(a_las(11, 30), 0, 4), 0, 12, {}},
      {"no sale at or after the start", previa().arranque(a_las(10, 30), 0), 4, 0, {}},
      {"unknown kind before the period",
       previa().otro('X', a_las(9, 30)).venta(a_las(10, 30), 0, 8), 5, 0, {"93"}},
      {"store starts inside the period",
       Almacen().otro('S', kFechaRota).venta(kInicio, 1, 3).venta(a_las(10, 30), 0, 8), 6, 0, {"193"}},
      {"start-up that did not pick up the sales after the tank's last sale",
       previa().arranque(a_las(9, 30), 1).venta(a_las(10, 30), 1, 8), 7, 0, {}},
      {"null event after the tank's last sale",
       previa().otro('N', a_las(9, 30)).venta(a_las(10, 30), 1, 8), 7, 0, {}},
      {"a clean start-up does not count",
       previa().arranque(a_las(9, 30), 0).venta(a_las(10, 30), 0, 8), 0, 8, {}},
      {"null event inside the period",
       previa().venta(kInicio, 1, 1).venta(a_las(10, 30), 0, 8).otro('N', a_las(11))
           .venta(a_las(11, 30), 0, 4), 8, 8, {}},
      {"unknown kind inside the period", previa().venta(kInicio, 1, 1).otro(0, a_las(11)), 9, 0, {"93"}},
      {"first sale after the start is the tank's own and past the end",
       previa().venta(a_las(12, 30), 0, 8), 10, 0, {}},
      {"unclean start-up inside the period",
       previa().venta(kInicio, 1, 1).venta(a_las(10, 30), 0, 8).arranque(a_las(11), 1), 11, 8, {}},
      {"a sale after the start-up clears it",
       previa().venta(kInicio, 1, 1).arranque(a_las(11), 1).venta(a_las(11, 30), 0, 8), 0, 8, {}},
      {"no sale of the tank inside the period",
       previa().venta(a_las(10, 30), 1, 8).otro('S', a_las(11)), 12, 0, {}},
      {"bad date inside the period",
       previa().venta(a_las(10, 30), 0, 8).otro('S', kFechaRota), 13, 8, {"194"}},
      {"bad date before the period is forgotten after a sale",
       previa().otro('S', kFechaRota).venta(a_las(10, 30), 0, 8), 0, 8, {"193"}},
      {"no sale of the tank before the period",
       Almacen().venta(a_las(9), 1, 3).venta(a_las(10, 30), 1, 8).venta(a_las(11), 0, 2), 18, 0, {}},
      // The meters do not go back with a return, so it is taken off apart.
      {"meter totals replace the sum",
       Almacen().venta(a_las(9), 0, 3, 1000).venta(kInicio, 1, 6, 500).venta(a_las(10, 30), 0, 10, 1011)
           .venta(a_las(11), 0, 20, 1032).venta(a_las(11, 30), 0, -5, 1032), 0, 1032 - 1000 - 5, {}},
      {"the tank's own sale that opens the period counts as before it",
       Almacen().venta(a_las(9), 0, 3, 1000).venta(kInicio, 0, 7, 1007).venta(a_las(11), 0, 20, 1027),
       0, 20, {}},
      {"an unknown meter at the start leaves the sum",
       previa().venta(kInicio, 1, 1).venta(a_las(10, 30), 0, 10, 1011).venta(a_las(11), 0, -5, 1011),
       0, 5, {}},
      {"equal meters and no return",
       Almacen().venta(a_las(9), 0, 3, 1000).venta(a_las(10, 30), 0, 4, 1000), 12, 0, {}},
      // Not the opener, which would give 10.
      {"another tank's sale at the start opens the period",
       previa().venta(kInicio, 1, 1).venta(kFin, 0, 8), 12, 0, {}},
      {"the tank's sale at the end closes the period uncounted",
       previa().venta(kInicio, 1, 1).venta(a_las(11), 0, 5).venta(kFin, 0, 100).venta(a_las(12, 30), 0, 100),
       0, 5, {}},
      {"a torn last record is not read",
       previa().venta(kInicio, 1, 1).venta(a_las(11), 0, 5).otro('N', a_las(11, 30)).rasga(), 0, 5, {}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.caso);
    olvida_log();
    float litros = -99.0f;
    EXPECT_EQ(busca_venta(c.almacen.b.data(), c.almacen.b.size(), 0, kInicio, kFin, &litros), c.codigo);
    EXPECT_EQ(litros, c.litros);
    EXPECT_EQ(eventos(), c.eventos);
  }
}


TEST_F(Venta, StoreFileFailures) {
  float litros = -99.0f;
  EXPECT_EQ(bv(0, kInicio, kFin, &litros), 1);
  EXPECT_EQ(litros, 0.0f);
  escribe_archivo(ruta("qtrs.nvr"), "");
  EXPECT_EQ(bv(0, kInicio, kFin, &litros), 3);
  escribe_archivo(ruta("qtrs.nvr"), Almacen().venta(a_las(9), 0, 3).venta(a_las(10, 30), 0, 8).texto());
  sim->inject({.op = plat::Op::kSize, .path = "qtrs.nvr"});
  EXPECT_EQ(bv(0, kInicio, kFin, &litros), 2);
  sim->inject({.op = plat::Op::kRead, .path = "qtrs.nvr"});
  EXPECT_EQ(bv(0, kInicio, kFin, &litros), 3);
  EXPECT_EQ(bv(0, kInicio, kFin, &litros), 0);
  EXPECT_EQ(litros, 8.0f);
  // Each failure and the search left the file closed.
  int f = sim->open("qtrs.nvr", plat::kReadWrite, plat::Share::kNone, plat::Creation::kOpenExisting);
  EXPECT_NE(f, plat::kInvalidFile);
  sim->close(f);

  // No memory to hold the store ends the program.
  sim->inject({.op = plat::Op::kAlloc});
  EXPECT_EXIT(bv(0, kInicio, kFin, &litros), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(archivo("Estado.txt"), "05/03/26  09:07:03 Exit: bv\r\n");
  EXPECT_EQ(eventos(), (std::vector<std::string>{"T:Error: bv: File open failed 2", "47", "45", "47", "46"}));
}

class VentaRespuesta : public EstacionEnLinea {
 protected:
  void SetUp() override {
    EstacionEnLinea::SetUp();
    arranca();
    dlg->ctw();
    sim->run_for(10);
    // Three periods: 10-12, 12-14, 14-16 on 5 March.
    for (int i = 0; i < kPeriodos; ++i) {
      fecha_bcd inicio = a_las(10 + 2 * i), fin = a_las(12 + 2 * i);
      std::memcpy(pregunta + kLargoPeriodo * i, &inicio, 7);
      std::memcpy(pregunta + kLargoPeriodo * i + 7, &fin, 7);
    }
    escribe_archivo(ruta("qtrs.nvr"), Almacen().venta(a_las(9), 0, 1).venta(a_las(10, 30), 0, 8)
                                          .venta(a_las(12, 30), 1, 2).venta(a_las(14, 30), 0, 4).texto());
    eventos_nuevos();
  }
  std::vector<uint8_t> enviado() const {
    return std::vector<uint8_t>(dlg->enlace.buffer_tx, dlg->enlace.buffer_tx + dlg->enlace.largo_tx);
  }
  void contesta(uint8_t tanque, uint8_t forma) {
    dlg->enlace.puntero_respuesta = 40;
    dlg->contesta_venta(tanque, pregunta, forma);
    sim->run_for(10);
    EXPECT_EQ(dlg->enlace.puntero_respuesta, 0u);
    EXPECT_EQ(dlg->enlace.estado_oc, 0);
    EXPECT_EQ(dlg->enlace.conectado, 1);  // sent, and the link stays to the handler
  }

  uint8_t pregunta[kLargoPeriodo * kPeriodos] = {};
};

// The prefix of access code "12345678".
#define PREFIJO 0x32, 0x30, 0x36, 0x30, 0x3A, 0x30, 0x3E, 0x30

const std::vector<std::string> kEventosTresPeriodos = {
    "T:<- Venta? T1  05/03/26 10:00:00 - 05/03/26 12:00:00", "T:-> Venta = 8.0 Lts - OK",
    "T:<- Venta? T1  05/03/26 12:00:00 - 05/03/26 14:00:00", "T:-> Venta = 0.0 Lts - Error 12",
    "T:<- Venta? T1  05/03/26 14:00:00 - 05/03/26 16:00:00", "T:-> Venta = 4.0 Lts - OK",
};

TEST_F(VentaRespuesta, EachFormOfAnswerAndNoneWithoutAnAccessCode) {
  // The long form carries each period's code, the short one the first error.
  contesta(0, 'g');
  EXPECT_EQ(enviado(), (std::vector<uint8_t>{PREFIJO, 'g', 0, 0xFE, 0x41, 0, 0, 0, 0, 0, 0, 0, 0x40,
                                             0x80, 0, 0, 0, 12, 0, 0x02, 0x72}));
  EXPECT_EQ(eventos_nuevos(), kEventosTresPeriodos);
  contesta(0, 'G');
  EXPECT_EQ(enviado(), (std::vector<uint8_t>{PREFIJO, 'G', 0, 12, 0x41, 0, 0, 0, 0, 0, 0, 0, 0x40,
                                             0x80, 0, 0, 0x01, 0x54}));
  EXPECT_EQ(eventos_nuevos(), kEventosTresPeriodos);

  std::memset(dlg->config.bytes + tnq::kCodigoAcceso, 0, 8);
  dlg->enlace.largo_tx = 0;
  dlg->contesta_venta(0, pregunta, 'g');
  EXPECT_EQ(dlg->enlace.largo_tx, 0u);
  EXPECT_EQ(eventos_nuevos(), (std::vector<std::string>{"41"}));
}

TEST_F(VentaRespuesta, ListEndsAtADayOfFF) {
  pregunta[kLargoPeriodo + 3] = 0xFF;  // only the first period is asked
  contesta(0, 'g');
  EXPECT_EQ(enviado(), (std::vector<uint8_t>{PREFIJO, 'g', 0, 0xFE, 0x41, 0, 0, 0, 0, 0, 0, 0, 0,
                                             0, 0, 0, 0, 0, 0, 0x01, 0xA6}));
  EXPECT_EQ(eventos_nuevos().size(), 2u);

  pregunta[3] = 0xFF;  // nothing asked: no search at all, not even for a missing store
  std::remove(ruta("qtrs.nvr").c_str());
  contesta(3, 'x');
  EXPECT_EQ(enviado(), (std::vector<uint8_t>{PREFIJO, 'G', 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                             0, 0x00, 0x4A}));
  EXPECT_TRUE(eventos_nuevos().empty());
}

}  // namespace
