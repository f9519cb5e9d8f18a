// The sales file reader on one run: which records of each layout become
// sale events, the journal and log lines they leave, every failure, the
// share, and the cut or deletion of the controller's file.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/CNivaraDlg.h"
#include "entorno.h"
#include "estacion_en_linea.h"
#include "playa.h"
#include "sales/controladores.h"
#include "surtidor/surtidor.h"

namespace {

using surtidor::venta_surtidor;
using V = std::vector<std::string>;

const fecha_bcd kUltima = fecha_de(5, 3, 26, 10, 0, 0);  // the last sale stored
const fecha_bcd kViejo = fecha_de(5, 3, 26, 9, 0, 0);

fecha_bcd a_las(unsigned h, unsigned mi, unsigned s = 0) { return fecha_de(5, 3, 26, h, mi, s); }

// A WOLF line: pump, nozzle, time of 5 March 2026, litres and sign.
std::string w(const char* s, const char* p, const char* hora = "10:01:00",
              const char* litros = "12.50", const char* signo = "1") {
  return std::string("7;") + s + ";" + p + ";1;1.149;" + litros + ";0;" + signo + ";2026-03-05 " +
         hora + ";1;100\r\n";
}
const std::string kWolfViejo = w("03", "1", "09:00:00");

// An SVS AXXUS record as its controller writes it.
std::string axxus(double fecha, float pico, float surtidor, float litros, float signo) {
  uint8_t r[28] = {};
  std::memcpy(r, &fecha, 8);
  const float reales[] = {pico, surtidor, 0.0f, litros, signo};
  std::memcpy(r + 8, reales, sizeof reales);
  return std::string(reinterpret_cast<const char*>(r), sizeof r);
}

// The journal's lines without their time stamps.
V lineas_diario(const std::string& d) {
  V l;
  for (size_t p = 0, f; (f = d.find("\r\n", p)) != std::string::npos; p = f + 2) {
    l.push_back(d.substr(p + 19, f - p - 19));
  }
  return l;
}

class LectorVentas : public EstacionConAlmacen {
 protected:
  void SetUp() override {
    EstacionConAlmacen::SetUp();
    config.pon_texto(tnq::kFileVentas, tnq::kLargoFileVentas, "ventas.txt");
    config.pon_par(0, 0, 3, 1);  // tank 1: pump 3 nozzles 1 and 2
    config.pon_par(0, 1, 3, 2);
    config.pon_par(1, 0, 5, 4);   // tank 2: pump 5 nozzle 4
    config.pon_par(2, 0, 17, 1);  // outside the meter table
    config.pon_par(2, 1, 1, 40);  // a station-wide nozzle number
  }
  // A station whose last stored sale is kUltima, with the sales file
  // `ventas`, the log afresh and only `falla` injected.
  void prepara_lector(int32_t tipo, const std::string& ventas,
                      const plat::Fault& falla = {.nth = 0}) {
    prepara(previo, falla);
    escribe_archivo(ruta("ventas.txt"), ventas);
    config.pon_controlador(tipo);
    dlg = std::make_unique<CNivaraDlg>();
    dlg->config = config;
    dlg->ventas.ultima_venta = kUltima;
    dlg->ventas.texto_estado = "antes";  // each run starts it afresh
  }
  // The records appended to the store by the run.
  std::string nuevos() { return almacenado().substr(previo.size()); }

  configuracion_tnq config = configuracion_ejemplo();
  const std::string previo = Almacen().arranque(a_las(8, 0)).venta(kUltima, 0, 20).datos;
  std::unique_ptr<CNivaraDlg> dlg;
};

// Older, equal, newer, a return, a second sale in the same second and a
// shift close, in each layout's own order, give the newer sales oldest first.
TEST_F(LectorVentas, EachLayoutStoresTheNewerSalesOldestFirst) {
  const struct {
    int32_t tipo;
    float devolucion;   // what a return of 7.5 litres is stored as
    const char* linea;  // and shows in the sale line
  } casos[] = {
      {CONTROLADOR_WOLF, -7.5f, "-7.5"},
      {CONTROLADOR_SVS_WIDE, 0.0f, "0.0"},  // "-7.50" reads as 0
      {CONTROLADOR_SVS_WIDE_HN, 0.0f, "0.0"},
      {CONTROLADOR_SVS_NARROW, 0.0f, "0.0"},
      {CONTROLADOR_PETROSOFT_X_PICO, 0.0f, "0.0"},
      {CONTROLADOR_PETROSOFT_X_TANQUE, 0.0f, "0.0"},
      {CONTROLADOR_PIRCAL, 0.0f, "0.0"},
      {CONTROLADOR_CALDEN_OIL, -7.5f, "-7.5"},
      {CONTROLADOR_FUSION_WAYNE, 7.5f, "7.5"},  // its sign field has no rule
      {CONTROLADOR_SVS_AXXUS, -7.5f, "-7.5"},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(nombre_controlador(c.tipo));
    const fila_controlador& fila = *busca_controlador(c.tipo);
    const bool tanque = fila.campo_tanque >= 0;
    const bool wolf = c.tipo == CONTROLADOR_WOLF;
    std::vector<venta_surtidor> ventas = {
        {kViejo, 3, 1, 1, 40.0f, 960.0f},  // a one-digit hour, older
        {kUltima, 3, 2, 1, 20.0f, 480.5f},         {a_las(10, 1), 3, 1, 1, 12.5f, 972.5f},
        {a_las(10, 2), 3, 2, 1, 25.0f, 505.5f},    {a_las(10, 3, 30), 5, 4, 2, -7.5f, 2.5f},
        {a_las(10, 3, 30), 3, 1, 1, 1.0f, 973.5f},  // same second: not taken
    };
    Almacen esperado;
    // Tank 1's second nozzle has no reading yet at the first sale.
    esperado.venta(a_las(10, 1), 0, 12.5f, -1.0f)
        .venta(a_las(10, 2), 0, 25.0f, wolf ? 972.5f + 505.5f : -1.0f)
        .venta(a_las(10, 3, 30), 1, c.devolucion, wolf ? 2.5f : -1.0f);
    if (!tanque) {
      ventas.push_back(surtidor::cierre_de_turno(a_las(10, 5)));
      esperado.otro(SUCESO_VENTA, a_las(10, 5), kTanqueCierreTurno);
    }
    prepara_lector(c.tipo, surtidor::archivo_ventas(c.tipo, ventas));
    dlg->lfv();

    EXPECT_EQ(nuevos(), esperado.datos);
    const V lineas =
        tanque ? V{"- 05/03/26 10:01:00  Venta Tanque 1  Litros 12.5",
                   "- 05/03/26 10:02:00  Venta Tanque 1  Litros 25.0",
                   std::string("- 05/03/26 10:03:30  Venta Tanque 2  Litros ") + c.linea}
               : V{"- 05/03/26 10:01:00  Venta T1  S3 P1  Litros 12.5",
                   "- 05/03/26 10:02:00  Venta T1  S3 P2  Litros 25.0",
                   std::string("- 05/03/26 10:03:30  Venta T2  S5 P4  Litros ") + c.linea};
    EXPECT_EQ(lineas_diario(archivo("Estado.txt")), lineas);
    V e = {ev(MSJ_VENTAS_ACTUALIZADO)};
    for (const std::string& l : lineas) e.push_back("T:" + l);
    if (!tanque) e.push_back(ev(MSJ_LFV_CIERRE_TURNO));
    EXPECT_EQ(eventos(), e);
    EXPECT_EQ(dlg->prog.pendiente_PCT, tanque ? 0 : 1);
    EXPECT_EQ(comparar_fecha(dlg->ventas.ultima_venta, tanque ? a_las(10, 3, 30) : a_las(10, 5)),
              0);
    if (c.tipo == CONTROLADOR_SVS_AXXUS) {
      std::string texto;
      for (const venta_surtidor& v : ventas) texto += surtidor::linea_venta(c.tipo, v);
      EXPECT_EQ(archivo("my_axxus.txt"), texto);
    }

    // Nothing new: the next run reads nothing and logs nothing.
    olvida_log();
    dlg->lfv();
    EXPECT_EQ(eventos(), V{});
  }
}

// Each failure's message, and how much got stored before it. New records
// are dated 10:01 and 10:02; kWolfViejo (09:00) ends the search.
TEST_F(LectorVentas, FailuresEndTheRunWithTheirMessage) {
  const std::string t1 = "T:- 05/03/26 10:01:00  Venta T1  S3 P1  Litros 12.5";
  const std::string t2 = "T:- 05/03/26 10:02:00  Venta T1  S3 P1  Litros 12.5";
  const std::string uno = w("03", "1") + kWolfViejo;
  const std::string ult = ev(MSJ_VENTAS_ACTUALIZADO);
  auto en = [](plat::Op op, int nth = 1) {
    return plat::Fault{.op = op, .path = "ventas.txt", .nth = nth};
  };
  auto petro = [](int tanque) {
    return surtidor::archivo_ventas(CONTROLADOR_PETROSOFT_X_TANQUE,
                                    {{kViejo, 3, 1, 1, 5.0f}, {a_las(10, 1), 3, 1, tanque, 12.5f}});
  };
  const plat::Fault en_abre{.op = plat::Op::kOpen, .path = "ventas.txt", .error = ENOENT};
  const struct {
    const char* caso;
    int32_t tipo;
    std::string ventas;
    V eventos;
    size_t guardadas;
    plat::Fault falla = {.nth = 0};
  } casos[] = {
      // clang-format off
      {"no file", 0, "", {"T:Error: lfv: File open failed 2"}, 0, en_abre},
      {"no write time", 0, uno, {ev(MSJ_LFV_SIN_HORA)}, 0, en(plat::Op::kFileTime)},
      {"no size", 0, uno, {ult, ev(MSJ_LFV_SIN_TAMANO)}, 0, en(plat::Op::kSize)},
      {"empty", 0, "", {ult, ev(MSJ_LFV_VACIO)}, 0},
      {"unknown controller", 10, uno, {ult, ev(MSJ_LFV_CONTROLADOR)}, 0},
      {"a field too many", 0, ";" + uno, {ult, ev(MSJ_LFV_VENTAS_INCORRECTO)}, 0},
      {"newest date corrupt", 0, w("03", "1", "10.01:00") + kWolfViejo,
       {ult, ev(MSJ_LFV_FECHA)}, 0},
      {"a date corrupt in the search", 0,
       w("03", "1") + w("03", "1", "09.30:00") + kWolfViejo, {ult, ev(MSJ_LFV_FECHA)}, 0},
      {"a record that cannot be read", 0, uno, {ult, ev(MSJ_LFV_FECHA)}, 0, en(plat::Op::kRead, 3)},
      {"pump above 32", 0, w("33", "1") + kWolfViejo, {ult, ev(MSJ_LFV_SURTIDOR)}, 0},
      {"nozzle above 8", 0, w("03", "9") + kWolfViejo, {ult, ev(MSJ_LFV_SURTIDOR)}, 0},
      {"nozzle 40 by itself (CALDEN OIL)", 6,
       surtidor::archivo_ventas(6, {{kViejo, 3, 1}, {a_las(10, 1), 9, 40, 1, 12.5f}}),
       {ult, "T:- 05/03/26 10:01:00  Venta T3  S9 P40  Litros 12.5"}, 1},
      {"nozzle 99 of pump 7", 0, w("07", "99") + kWolfViejo,
       {ult, ev(MSJ_LFV_CIERRE_TURNO_MAL)}, 0},
      {"pump 99 is a pump", 0, w("99", "3", "10:02:00") + uno,
       {ult, t1, "T:Error: lfv: S99 - P3 sin tanque"}, 1},
      {"no tank: skipped", 0, w("03", "1", "10:02:00") + w("04", "1", "10:01:30") + uno,
       {ult, t1, "T:Error: lfv: S4 - P1 sin tanque", t2}, 2},
      {"tank 0 (PETROSOFT_X_TANQUE)", 3, petro(0), {ult, "T:Error: lfv: S3 - P1 sin tanque"}, 0},
      {"tank 0 (PIRCAL)", 5, "1,03/05/2026 10:01:00,1,12.50,0\r\n1,03/05/2026 09:00:00,1,1,1\r\n",
       {ult, "T:Error: lfv: S0 - P0 sin tanque"}, 0},
      {"tank 17", 3, petro(17), {ult, ev(MSJ_LFV_TANQUE)}, 0},
      {"no sign: a sale", 0, w("03", "1", "10:01:00", "12.50", "") + kWolfViejo,
       {ult, ev(MSJ_I_CORRUPT), t1}, 1},
      {"13 digits of litres", 0, w("03", "1", "10:01:00", "1234567890123") + kWolfViejo,
       {ult, ev(MSJ_F_CORRUPT)}, 0},
      {"a meter outside the table", 0, w("17", "1") + kWolfViejo, {ult, ev(MSJ_LFV_SURTXPIC)}, 0},
      {"sign -1 (SVS AXXUS)", 8, axxus(50326.09, 1, 3, 5, 0) + axxus(50326.1001, 1, 3, 25.4f, -1),
       {ult, ev(MSJ_I_CORRUPT), "T:- 05/03/26 10:01:00  Venta T1  S3 P1  Litros -25.4"}, 1},
      {"shorter than a record (SVS AXXUS)", 8, "corto", {ult, ev(MSJ_LFV_VACIO)}, 0},
      {"my_axxus.txt cannot be opened", 8, axxus(50326.1001, 1, 3, 2, 0),
       {ult, "T:Error: lfv: Open my_axxus.txt failed 5"}, 0,
       {.op = plat::Op::kOpen, .path = "my_axxus.txt", .nth = 2}},
      {"the store fails: the last sale date stays", 0, w("03", "1", "10:02:00") + uno,
       {ult, t1, t2, ev(MSJ_AFS_NO_GUARDA_1)}, 1,
       {.op = plat::Op::kWrite, .path = "qtrs.nvr", .nth = 2}},
      // clang-format on
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.caso);
    prepara_lector(c.tipo, c.ventas, c.falla);
    dlg->lfv();
    EXPECT_EQ(eventos(), c.eventos);
    EXPECT_EQ(nuevos().size(), c.guardadas * kLargoSuceso);
    EXPECT_EQ(dlg->ventas.texto_estado, c.eventos.back() == ev(MSJ_LFV_VENTAS_INCORRECTO)
                                            ? "Error: lfv: File ventas incorrecto !!!"
                                            : "");
    // What was stored moved the last sale date, and nothing else did.
    EXPECT_EQ(comparar_fecha(dlg->ventas.ultima_venta,
                             c.guardadas == 0 ? kUltima : a_las(10, c.guardadas)),
              0);
  }
}

// After reading to the end, files above 32768 bytes are cut back to their
// first line (SVS, FUSION WAYNE) or deleted (SVS AXXUS).
TEST_F(LectorVentas, BigFilesAreCutOrDeletedAfterReading) {
  enum queda { entero, primera_linea, borrado };
  const std::string venta = "T:- 05/03/26 10:01:00  Venta T1  S3 P1  Litros 12.5";
  const std::string ult = ev(MSJ_VENTAS_ACTUALIZADO);
  const std::string cortado = ev(MSJ_SVS_RECORTADO);
  const struct {
    int32_t tipo;
    size_t tamano;
    V eventos;
    queda resultado;
    plat::Fault falla = {.nth = 0};
  } casos[] = {
      // clang-format off
      {CONTROLADOR_SVS_WIDE, 32768, {ult, venta}, entero},
      {CONTROLADOR_SVS_WIDE, 32769, {ult, venta, cortado}, primera_linea},
      {CONTROLADOR_SVS_NARROW, 32769, {ult, venta, cortado}, primera_linea},
      {CONTROLADOR_FUSION_WAYNE, 40000, {ult, venta, cortado}, primera_linea},
      {CONTROLADOR_PETROSOFT_X_PICO, 40000, {ult, venta}, entero},
      {CONTROLADOR_SVS_WIDE, 32769, {ult, venta, cortado, ev(MSJ_FILE_NO_RESIZED)}, entero,
       {.op = plat::Op::kSetEnd}},
      {CONTROLADOR_SVS_AXXUS, 1170 * 28, {ult, venta}, entero},
      {CONTROLADOR_SVS_AXXUS, 1171 * 28, {ult, venta, ev(MSJ_AXXUS_BORRADO)}, borrado},
      {CONTROLADOR_SVS_AXXUS, 1171 * 28, {ult, venta, "T:Error: lfv: File REopen failed 5"}, entero,
       {.op = plat::Op::kOpen, .path = "ventas.txt", .nth = 3}},
      // clang-format on
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(std::string(nombre_controlador(c.tipo)) + " " + std::to_string(c.tamano));
    const venta_surtidor nueva{a_las(10, 1), 3, 1, 1, 12.5f};
    const std::string linea = surtidor::archivo_ventas(c.tipo, {nueva});
    const std::string vieja = surtidor::archivo_ventas(c.tipo, {{kViejo, 3, 1, 1, 5.0f}});
    std::string datos;
    while (datos.size() + vieja.size() + linea.size() <= c.tamano) datos += vieja;
    datos += linea;
    // A longer first field (not read) brings the file to its size.
    if (c.tipo != CONTROLADOR_SVS_AXXUS) datos.insert(0, c.tamano - datos.size(), '0');
    ASSERT_EQ(datos.size(), c.tamano);
    prepara_lector(c.tipo, datos, c.falla);
    dlg->lfv();
    EXPECT_EQ(eventos(), c.eventos);
    EXPECT_EQ(nuevos(), Almacen().venta(a_las(10, 1), 0, 12.5f).datos);
    const std::string despues = c.resultado == borrado ? "" : datos.substr(0, datos.find('\n') + 1);
    EXPECT_EQ(existe(ruta("ventas.txt")), c.resultado != borrado);
    EXPECT_EQ(archivo("ventas.txt"), c.resultado == entero ? datos : despues);
  }
}

// The share of a path that begins with two backslashes is connected on
// every run, with the user and password cut to 15 characters.
TEST_F(LectorVentas, TheShareIsConnectedOnEveryRun) {
  config.pon_texto(tnq::kFileVentas, tnq::kLargoFileVentas, "\\\\srv\\caja\\ventas.txt");
  std::memcpy(config.bytes + tnq::kUsuario, "usuario-de-16-ch", tnq::kLargoUsuario);
  std::memcpy(config.bytes + tnq::kPassword, "clave-de-16-cara", tnq::kLargoPassword);
  prepara_lector(0, "");
  std::filesystem::create_directories(ruta("srv/caja"));
  escribe_archivo(ruta("srv/caja/ventas.txt"), w("03", "1") + kWolfViejo);
  dlg->lfv();
  dlg->lfv();  // unchanged, but connected again
  sim->inject({.op = plat::Op::kShare, .error = 53});
  dlg->lfv();
  EXPECT_EQ(sim->shares().size(), 2u);
  EXPECT_EQ(sim->shares()[0].remote, "\\\\srv\\caja");
  EXPECT_EQ(sim->shares()[1].user, "usuario-de-16-c");
  EXPECT_EQ(sim->shares()[1].password, "clave-de-16-car");
  EXPECT_EQ(eventos(),
            (V{ev(MSJ_VENTAS_ACTUALIZADO), "T:- 05/03/26 10:01:00  Venta T1  S3 P1  Litros 12.5",
               "T:Error: lfv: WNetAddConnection2 failed 53"}));
}

// SVS AXXUS's records as text lines, and each failure of the conversion.
TEST_F(LectorVentas, AxxusRecordsBecomeTextLines) {
  const std::string dos = axxus(10922.000001, 2, 5.9f, 25.4f, -1) + axxus(0, 1, 1, 1, 0) +
                          axxus(290922.103045, 3, 12, 7, 0) + "partial";
  const std::string lineas =
      "2022-09-01 00:00:01;5;2;25.400000;-1\r\n2022-09-29 10:30:45;12;3;7.000000;0\r\n";
  auto en = [](const char* ruta, plat::Op op, int nth = 1) {
    return plat::Fault{.op = op, .path = ruta, .nth = nth};
  };
  const struct {
    const char* caso;
    plat::Fault falla;
    bool hecho;
    V eventos;
    std::string texto;  // "my_axxus.txt" afterwards
  } casos[] = {
      // clang-format off
      {"whole records, a one-digit day, a zero date left out", {.nth = 0}, true, {}, lineas},
      {"no file", en("ventas.txt", plat::Op::kOpen), false,
       {"T:Error: lfv: File open failed 5"}, "antes"},
      {"no size", en("ventas.txt", plat::Op::kSize), false, {ev(MSJ_GMA_SIN_TAMANO)}, "antes"},
      {"no memory", {.op = plat::Op::kAlloc}, false, {ev(MSJ_GMA_SIN_MEMORIA)}, "antes"},
      {"nothing read", en("ventas.txt", plat::Op::kRead), false, {ev(MSJ_GMA_VACIO)}, "antes"},
      {"not created", en("my_axxus.txt", plat::Op::kOpen), false, {ev(MSJ_NO_CREA_AXXUS)}, "antes"},
      {"a write fails", en("my_axxus.txt", plat::Op::kWrite, 7), true, {ev(MSJ_GMA_NO_GUARDA)},
       lineas.substr(0, lineas.find('\n') + 1) + "2022-09-29 10:30:45;"},
      // clang-format on
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.caso);
    prepara_lector(CONTROLADOR_SVS_AXXUS, dos, c.falla);
    escribe_archivo(ruta("my_axxus.txt"), "antes");
    EXPECT_EQ(dlg->gma(), c.hecho);
    EXPECT_EQ(eventos(), c.eventos);
    EXPECT_EQ(archivo("my_axxus.txt"), c.texto);
  }
}

// A station in virtual time, its forecourt selling all day: every sale
// reaches the store once, and only the sales the rules leave out do not.
class VentasEnEstacion : public EstacionEnLinea {
 protected:
  void configura(int32_t tipo) {
    config.pon_controlador(tipo);  // the file on the share \\server
    int pares[kTanques] = {};
    for (const auto& [par, tanque] : mapa)
      config.pon_par(tanque, pares[tanque]++, par.first, par.second);
    std::filesystem::create_directories(ruta("server"));
  }
  // The store's sale events, in order.
  std::string ventas_guardadas() {
    const std::string s = archivo("qtrs.nvr");
    std::string v;
    for (size_t i = 0; i + kLargoSuceso <= s.size(); i += kLargoSuceso) {
      if (s[i] == SUCESO_VENTA) v += s.substr(i, kLargoSuceso);
    }
    return v;
  }
  std::map<std::pair<int, int>, int> mapa = {{{1, 1}, 0}, {{1, 2}, 0}, {{2, 1}, 1}, {{2, 2}, 1}};
  static constexpr int64_t kHora = 3600 * 1000;
};

TEST_F(VentasEnEstacion, AWolfDayStoresEverySaleOnceWithItsMeterTotalsAndPrintsTheShifts) {
  configura(CONTROLADOR_WOLF);
  Playa playa(*sim, ruta("server/ventas.txt"), CONTROLADOR_WOLF, mapa);
  // Yesterday's sales give every nozzle its reading before the start.
  const fecha_bcd ayer = fecha_de(4, 3, 26, 20);
  playa.inicia({{ayer, 1, 1, 1, 10, 1000},
                {ayer, 1, 2, 1, 10, 2000},
                {ayer, 2, 1, 2, 10, 3000},
                {ayer, 2, 2, 2, 10, 4000}});
  arranca();
  const int picos[4][2] = {{1, 1}, {2, 1}, {1, 2}, {2, 2}};
  for (int i = 0; i < 200; ++i) {
    const float litros = i % 17 == 5 ? -2.5f : 10.0f + 0.25f * static_cast<float>(i % 40);
    playa.vende(45000 + i * 431000LL, picos[i % 4][0], picos[i % 4][1], litros);
  }
  playa.vende(30007000, 4, 1, 5.0f);  // a nozzle of no tank
  playa.cierra_turno(18013000);
  playa.cierra_turno(46817000);
  sim->run_for(24 * kHora);

  EXPECT_EQ(ventas_guardadas(), playa.esperado().datos);
  EXPECT_EQ(playa.esperado().datos.size(), (200 + 2) * kLargoSuceso);
  EXPECT_EQ(consola->turnos_impresos(), 2);
  const V e = eventos();
  // A skipped sale leaves the last sale date behind it, so the next read,
  // for the next sale, meets it again.
  EXPECT_EQ(veces(e, "T:Error: lfv: S4 - P1 sin tanque"), 2);
  EXPECT_EQ(veces(e, ev(MSJ_LFV_CIERRE_TURNO)), 2);
  EXPECT_EQ(veces(e, ev(MSJ_LFV_FECHA)), 0);
  EXPECT_EQ(archivo("qtrs.nvr").substr(0, 1) + archivo("qtrs.nvr")[9], std::string("A") + '\0');
}

TEST_F(VentasEnEstacion, AnSvsDayIsCutBackAndAFileStartedAnewIsTakenFromItsSecondRead) {
  configura(CONTROLADOR_SVS_WIDE);
  Playa playa(*sim, ruta("server/ventas.txt"), CONTROLADOR_SVS_WIDE, mapa);
  playa.inicia({{fecha_de(4, 3, 26, 20), 1, 1, 1, 10}});
  arranca();
  // A sale a minute, 48 bytes each: the file passes 32 KB before the
  // controller starts it anew at 16 h; two sales go into the new file
  // before the station reads it, and those are not taken.
  const int picos[4][2] = {{1, 1}, {2, 1}, {1, 2}, {2, 2}};
  for (int i = 0; i < 24 * 60; ++i) {
    playa.vende(50000 + i * 60000LL, picos[i % 4][0], picos[i % 4][1],
                12.5f + static_cast<float>(i % 8));
  }
  playa.empieza(16 * kHora + 5000, 2, 2, 30.0f, 2);
  playa.vende(16 * kHora + 15000, 1, 2, 31.0f);
  sim->run_for(24 * kHora + 60000);

  EXPECT_EQ(ventas_guardadas(), playa.esperado().datos);
  EXPECT_EQ(playa.esperado().datos.size(), 24 * 60 * kLargoSuceso);
  const V e = eventos();
  EXPECT_EQ(veces(e, ev(MSJ_SVS_RECORTADO)), 1);
  EXPECT_EQ(veces(e, ev(MSJ_FILE_NO_RESIZED)) + veces(e, ev(MSJ_LFV_FECHA)), 0);
}

}  // namespace
