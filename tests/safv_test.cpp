// The start-up sales scan: the nozzle meter readings as of the last stored
// sale, whether the file reaches back to it, and each way it stops.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CNivaraDlg.h"
#include "entorno.h"
#include "sales/controladores.h"
#include "surtidor/surtidor.h"

namespace {

using V = std::vector<std::string>;

const fecha_bcd kUltima = fecha_de(5, 3, 26, 10, 0, 0);  // the last sale stored

fecha_bcd a_las(unsigned h, unsigned mi) { return fecha_de(5, 3, 26, h, mi); }

// WOLF sales: pump, nozzle and meter at a time, oldest first.
std::string wolf(const std::vector<surtidor::venta_surtidor>& v) {
  return surtidor::archivo_ventas(CONTROLADOR_WOLF, v);
}

class ArranqueVentas : public Estacion {};

TEST_F(ArranqueVentas, LoadsEachNozzlesLastReadingUpToTheLastSale) {
  const std::vector<surtidor::venta_surtidor> dia = {
      {a_las(8, 0), 3, 1, 1, 5, 100.5f},   {a_las(9, 0), 3, 2, 1, 5, 200.25f},
      {a_las(9, 30), 3, 1, 1, 5, 105.5f},  {kUltima, 16, 8, 1, 5, 7.0f},
      {a_las(10, 30), 3, 1, 1, 5, 110.5f},  // after the last sale: not loaded
  };
  const int i31 = 2 * 12 + 0, i32 = 2 * 12 + 1, i168 = 15 * 12 + 7;
  const std::string incorrecto = "Error: lfv: File ventas incorrecto !!!";
  const std::string no_abre = "Error: safv: File open failed 2";
  const struct {
    const char* caso;
    int32_t tipo;
    std::string ventas;
    int resultado;
    V eventos;
    std::vector<std::pair<int, float>> lecturas = {};  // the table's non-zero entries
    plat::Fault falla = {.nth = 0};
  } casos[] = {
      // clang-format off
      {"up to the last sale", 0, wolf(dia), 0, {}, {{i31, 105.5f}, {i32, 200.25f}, {i168, 7.0f}}},
      {"all at or before it", 0, wolf({dia[0], dia[1], dia[3]}), 0, {},
       {{i31, 100.5f}, {i32, 200.25f}, {i168, 7.0f}}},
      {"the oldest already newer", 0, wolf({dia[4]}), 1, {}},
      {"SVS AXXUS: the file is not opened", 8, "", 0, {}, {}, {.op = plat::Op::kOpen}},
      {"no meter field", 1, surtidor::archivo_ventas(1, dia), 0, {}},
      {"no file", 0, "", 0, {"T:" + no_abre}, {}, {.op = plat::Op::kOpen, .error = ENOENT}},
      {"empty", 0, "", 0, {ev(MSJ_ARCHIVO_VACIO)}},
      {"no size", 0, wolf(dia), 0, {ev(MSJ_LFV_SIN_TAMANO)}, {}, {.op = plat::Op::kSize}},
      {"unknown controller", 10, wolf(dia), 0, {ev(MSJ_LFV_CONTROLADOR)}},
      {"a field too many", 0, ";" + wolf(dia), 0, {ev(MSJ_LFV_VENTAS_INCORRECTO)}},
      {"a corrupt date keeps the result", 0, "7;3;1;1;1;1;1;1;2026/03/05 08:00:00;1;1\r\n", 1,
       {ev(MSJ_LFV_FECHA)}},
      {"pump 17", 0, wolf({dia[0], {a_las(9, 0), 17, 1, 1, 5, 1.0f}}), 0, {ev(MSJ_LFV_SURTXPIC)},
       {{i31, 100.5f}}},
      {"an unreadable meter", 0, wolf({{a_las(9, 0), 3, 1, 1, 5, 1e13f}}), 0, {ev(MSJ_F_CORRUPT)}},
      // clang-format on
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.caso);
    escribe_archivo(ruta("ventas.txt"), c.ventas);
    std::remove(ruta("Nivara.log").c_str());
    sim->clear_faults();
    sim->inject(c.falla);
    CNivaraDlg dlg;
    dlg.config = configuracion_ejemplo();
    dlg.config.pon_texto(tnq::kFileVentas, tnq::kLargoFileVentas, "ventas.txt");
    dlg.config.pon_controlador(c.tipo);
    dlg.ventas.ultima_venta = kUltima;
    dlg.ventas.texto_estado = "antes|";
    EXPECT_EQ(dlg.safv(), c.resultado);
    EXPECT_EQ(eventos(), c.eventos);
    std::vector<std::pair<int, float>> lecturas;
    for (int i = 0; i < 192; ++i) {
      if (dlg.ventas.tabla_contadores[i] != 0.0f)
        lecturas.push_back({i, dlg.ventas.tabla_contadores[i]});
    }
    EXPECT_EQ(lecturas, c.lecturas);
    // The open failure is added to the status text; a wrong layout replaces it.
    const bool mal = !c.eventos.empty() && c.eventos[0] == ev(MSJ_LFV_VENTAS_INCORRECTO);
    const bool sin = !c.eventos.empty() && c.eventos[0] == "T:" + no_abre;
    EXPECT_EQ(dlg.ventas.texto_estado, mal ? incorrecto : "antes|" + (sin ? no_abre : ""));
  }
}

}  // namespace
