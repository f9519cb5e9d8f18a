// The console's sale question: the search over the store's records, the
// store file's failures, and the answer frames sent on the link.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/CNivaraDlg.h"
#include "console/respuesta_venta.h"
#include "entorno.h"
#include "estacion_en_linea.h"
#include "inventory/venta_consulta.h"

namespace {

// 5 March 2026 at an hour and a half at most: h(10.5) is 10:30.
fecha_bcd h(double hora) {
  const auto hh = static_cast<unsigned>(hora);
  return fecha_de(5, 3, 26, hh, static_cast<unsigned>((hora - hh) * 60));
}

const fecha_bcd kInicio = h(10);
const fecha_bcd kFin = h(12);
const fecha_bcd kFechaRota = {0x00, 0x00, 0x10, 0x00, 0x03, 0x00, 0x26};  // day 0

// Most stores start with a sale of tank 0 before the period.
Almacen previa(float contador = -1.0f) { return Almacen().venta(h(9), 0, 3, contador); }

class Venta : public EstacionConAlmacen {};

struct Caso {
  const char* caso;
  uint8_t codigo;
  float litros;
  Almacen almacen;
  unsigned log = 0;  // the code logged, if any
};

TEST_F(Venta, SearchCodesAndLitres) {
  const Caso casos[] = {
      {"an unknown meter at the end leaves the sum", VENTA_OK, 12,
       Almacen()
           .venta(h(9), 0, 3, 1000)
           .venta(h(10.5), 0, 8)
           .venta(h(11), 1, 50)
           .venta(h(11.5), 0, 4)},
      {"no sale at or after the start", VENTA_SIN_VENTA_DESDE_INICIO, 0,
       previa().arranque(h(10.5))},
      {"unknown kind before the period", VENTA_DESCONOCIDO_ANTES, 0,
       previa().otro('X', h(9.5)).venta(h(10.5), 0, 8), MSJ_BV_DESCONOCIDO},
      {"store starts inside the period", VENTA_NO_LLEGA_ATRAS, 0,
       Almacen().otro('S', kFechaRota).venta(kInicio, 1, 3).venta(h(10.5), 0, 8),
       MSJ_BV_FECHA_PREVIA},
      {"start-up that did not pick up the sales after the tank's last sale", VENTA_REARRANQUE_ANTES,
       0, previa().arranque(h(9.5), 1).venta(h(10.5), 1, 8)},
      {"null event after the tank's last sale", VENTA_REARRANQUE_ANTES, 0,
       previa().otro('N', h(9.5)).venta(h(10.5), 1, 8)},
      {"a clean start-up does not count", VENTA_OK, 8,
       previa().arranque(h(9.5)).venta(h(10.5), 0, 8)},
      {"null event inside the period", VENTA_NULO_DENTRO, 8,
       previa().venta(kInicio, 1, 1).venta(h(10.5), 0, 8).otro('N', h(11)).venta(h(11.5), 0, 4)},
      {"unknown kind inside the period", VENTA_DESCONOCIDO_DENTRO, 0,
       previa().venta(kInicio, 1, 1).otro(0, h(11)), MSJ_BV_DESCONOCIDO},
      {"first sale after the start is the tank's own and past the end", VENTA_PRIMERA_FUERA, 0,
       previa().venta(h(12.5), 0, 8)},
      {"unclean start-up inside the period", VENTA_REARRANQUE_DENTRO, 8,
       previa().venta(kInicio, 1, 1).venta(h(10.5), 0, 8).arranque(h(11), 1)},
      {"a sale after the start-up clears it", VENTA_OK, 8,
       previa().venta(kInicio, 1, 1).arranque(h(11), 1).venta(h(11.5), 0, 8)},
      {"no sale of the tank inside the period", VENTA_CERO, 0,
       previa().venta(h(10.5), 1, 8).foto(h(11), 0, 1)},
      {"bad date inside the period", VENTA_FECHA_MALA, 8,
       previa().venta(h(10.5), 0, 8).otro('S', kFechaRota), MSJ_BV_FECHA},
      {"bad date before the period is forgotten after a sale", VENTA_OK, 8,
       previa().otro('S', kFechaRota).venta(h(10.5), 0, 8), MSJ_BV_FECHA_PREVIA},
      {"no sale of the tank before the period", VENTA_SIN_VENTA_TANQUE, 0,
       Almacen().venta(h(9), 1, 3).venta(h(10.5), 1, 8).venta(h(11), 0, 2)},
      // The meters do not go back with a return, so it is taken off apart.
      {"meter totals replace the sum", VENTA_OK, 1032 - 1000 - 5,
       Almacen()
           .venta(h(9), 0, 3, 1000)
           .venta(kInicio, 1, 6, 500)
           .venta(h(10.5), 0, 10, 1011)
           .venta(h(11), 0, 20, 1032)
           .venta(h(11.5), 0, -5, 1032)},
      {"the tank's own sale that opens the period counts as before it", VENTA_OK, 20,
       previa(1000).venta(kInicio, 0, 7, 1007).venta(h(11), 0, 20, 1027)},
      {"an unknown meter at the start leaves the sum", VENTA_OK, 5,
       previa().venta(kInicio, 1, 1).venta(h(10.5), 0, 10, 1011).venta(h(11), 0, -5, 1011)},
      {"equal meters and no return", VENTA_CERO, 0, previa(1000).venta(h(10.5), 0, 4, 1000)},
      // Not the opener, which would give 10.
      {"another tank's sale at the start opens the period", VENTA_CERO, 0,
       previa().venta(kInicio, 1, 1).venta(kFin, 0, 8)},
      {"the tank's sale at the end closes the period uncounted", VENTA_OK, 5,
       previa().venta(kInicio, 1, 1).venta(h(11), 0, 5).venta(kFin, 0, 100).venta(h(12.5), 0, 100)},
      {"a torn last record is not read", VENTA_OK, 5,
       previa().venta(kInicio, 1, 1).venta(h(11), 0, 5).otro('N', h(11.5)).rasga()},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.caso);
    olvida_log();
    float litros = -99.0f;
    EXPECT_EQ(busca_venta(c.almacen.bytes(), c.almacen.datos.size(), 0, kInicio, kFin, &litros),
              c.codigo);
    EXPECT_EQ(litros, c.litros);
    EXPECT_EQ(eventos(), c.log ? evs({c.log}) : eventos_t{});
  }
}

TEST_F(Venta, StoreFileFailures) {
  float litros = -99.0f;
  EXPECT_EQ(bv(0, kInicio, kFin, &litros), VENTA_NO_ABRE);
  EXPECT_EQ(litros, 0.0f);
  pon("");
  EXPECT_EQ(bv(0, kInicio, kFin, &litros), VENTA_VACIO);
  pon(previa().venta(h(10.5), 0, 8).datos);
  sim->inject({.op = plat::Op::kSize, .path = kArchivoSincro});
  EXPECT_EQ(bv(0, kInicio, kFin, &litros), VENTA_SIN_TAMANO);
  sim->inject({.op = plat::Op::kRead, .path = kArchivoSincro});
  EXPECT_EQ(bv(0, kInicio, kFin, &litros), VENTA_VACIO);
  EXPECT_EQ(bv(0, kInicio, kFin, &litros), VENTA_OK);
  EXPECT_EQ(litros, 8.0f);
  // Each failure and the search left the file closed.
  int f = sim->open(kArchivoSincro, plat::kReadWrite, plat::Share::kNone,
                    plat::Creation::kOpenExisting);
  EXPECT_NE(f, plat::kInvalidFile);
  sim->close(f);

  // No memory to hold the store ends the program.
  sim->inject({.op = plat::Op::kAlloc});
  EXPECT_EXIT(bv(0, kInicio, kFin, &litros), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(archivo("Estado.txt"), "05/03/26  09:07:03 Exit: bv\r\n");
  EXPECT_EQ(eventos(),
            (eventos_t{"T:Error: bv: File open failed 2", ev(MSJ_BV_VACIO), ev(MSJ_BV_SIN_TAMANO),
                       ev(MSJ_BV_VACIO), ev(MSJ_EXIT_BV_MEMORIA)}));
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
      const fecha_bcd inicio = h(10 + 2 * i), fin = h(12 + 2 * i);
      std::memcpy(pregunta + kLargoPeriodo * i, &inicio, sizeof inicio);
      std::memcpy(pregunta + kLargoPeriodo * i + sizeof inicio, &fin, sizeof fin);
    }
    escribe_archivo(ruta(kArchivoSincro),
                    previa().venta(h(10.5), 0, 8).venta(h(12.5), 1, 2).venta(h(14.5), 0, 4).datos);
    eventos_nuevos();
  }

  uint8_t pregunta[kLargoPregunta] = {};
};

// The prefix of access code "12345678".
#define PREFIJO 0x32, 0x30, 0x36, 0x30, 0x3A, 0x30, 0x3E, 0x30

TEST_F(VentaRespuesta, EachFormForEachLengthOfTheList) {
  const eventos_t tres_periodos = {
      "T:<- Venta? T1  05/03/26 10:00:00 - 05/03/26 12:00:00", "T:-> Venta = 8.0 Lts - OK",
      "T:<- Venta? T1  05/03/26 12:00:00 - 05/03/26 14:00:00", "T:-> Venta = 0.0 Lts - Error 12",
      "T:<- Venta? T1  05/03/26 14:00:00 - 05/03/26 16:00:00", "T:-> Venta = 4.0 Lts - OK"};
  struct {
    uint8_t forma, tanque;
    int pedidos;  // the period whose start day is 0xFF; 3: none
    std::vector<uint8_t> trama;
  } casos[] = {
      // The long form carries each period's code, the short one the first error.
      {'g', 0, 3, {PREFIJO, 'g',  0,    0xFE, 0x41, 0, 0,  0, 0,    0,   0,
                   0,       0x40, 0x80, 0,    0,    0, 12, 0, 0x02, 0x72}},
      {'G', 0, 3, {PREFIJO, 'G', 0, 12, 0x41, 0, 0, 0, 0, 0, 0, 0, 0x40, 0x80, 0, 0, 0x01, 0x54}},
      {'g', 0, 1, {PREFIJO, 'g', 0, 0xFE, 0x41, 0, 0, 0, 0,    0,   0,
                   0,       0,   0, 0,    0,    0, 0, 0, 0x01, 0xA6}},
      // Nothing asked, nothing searched; any form but 'g' is the short one.
      {'x', 3, 0, {PREFIJO, 'G', 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x4A}},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.pedidos);
    uint8_t p[kLargoPregunta];
    std::memcpy(p, pregunta, sizeof p);
    if (c.pedidos < kPeriodos) p[kLargoPeriodo * c.pedidos + kDiaInicioPeriodo] = kFinPreguntas;
    dlg->enlace.puntero_respuesta = 40;
    dlg->contesta_venta(c.tanque, p, c.forma);
    sim->run_for(10);
    EXPECT_EQ(
        std::vector<uint8_t>(dlg->enlace.buffer_tx, dlg->enlace.buffer_tx + dlg->enlace.largo_tx),
        c.trama);
    EXPECT_EQ(dlg->enlace.puntero_respuesta, 0u);
    EXPECT_EQ(dlg->enlace.estado_oc, 0);
    EXPECT_EQ(dlg->enlace.conectado, 1);  // sent, and the link stays to the handler
    EXPECT_EQ(eventos_nuevos(),
              eventos_t(tres_periodos.begin(), tres_periodos.begin() + 2 * c.pedidos));
  }
}

}  // namespace
