// The sales file reader on one run: which records of each layout become
// sale events, the journal and log lines they leave, every failure, the
// share, and the cut or deletion of the controller's file. The start-up scan
// of the same file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/CNivaraDlg.h"
#include "app/temporizadores.h"
#include "asesina.h"
#include "entorno.h"
#include "estacion_en_linea.h"
#include "sales/controladores.h"
#include "surtidor/surtidor.h"

namespace {

using surtidor::venta_surtidor;
using V = std::vector<std::string>;

const fecha_bcd kUltima = fecha_de(5, 3, 26, 10, 0, 0);  // the last sale stored
const fecha_bcd kViejo = fecha_de(5, 3, 26, 9, 0, 0);
const std::string kIncorrecto = "Error: lfv: File ventas incorrecto !!!";

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
    config.pon_par(1, 0, 12, 4);  // tank 2: pump 12 nozzle 4
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
    dlg->ventas.texto_estado = "antes";  // the reader clears it, the scan adds to it
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
  for (int32_t tipo = 0; tipo < 10; ++tipo) {
    SCOPED_TRACE(nombre_controlador(tipo));
    const bool tanque = busca_controlador(tipo)->campo_tanque >= 0;
    const bool wolf = tipo == CONTROLADOR_WOLF;
    const float devolucion = litros_leidos(tipo, -7.5f);
    const std::string linea = devolucion < 0 ? "-7.5" : devolucion > 0 ? "7.5" : "0.0";
    std::vector<venta_surtidor> ventas = {
        {kViejo, 3, 1, 1, 40.0f, 960.0f},  // a one-digit hour, older
        {kUltima, 3, 2, 1, 20.0f, 480.5f},         {a_las(10, 1), 3, 1, 1, 12.5f, 972.5f},
        {a_las(10, 2), 3, 2, 1, 25.0f, 505.5f},    {a_las(10, 3, 30), 12, 4, 2, -7.5f, 2.5f},
        {a_las(10, 3, 30), 3, 1, 1, 1.0f, 973.5f},  // same second: not taken
    };
    Almacen esperado;
    // Tank 1's second nozzle has no reading yet at the first sale.
    esperado.venta(a_las(10, 1), 0, 12.5f, -1.0f)
        .venta(a_las(10, 2), 0, 25.0f, wolf ? 972.5f + 505.5f : -1.0f)
        .venta(a_las(10, 3, 30), 1, devolucion, wolf ? 2.5f : -1.0f);
    if (!tanque) {
      ventas.push_back(surtidor::cierre_de_turno(a_las(10, 5)));
      esperado.otro(SUCESO_VENTA, a_las(10, 5), kTanqueCierreTurno);
    }
    prepara_lector(tipo, surtidor::archivo_ventas(tipo, ventas));
    dlg->lfv();

    EXPECT_EQ(nuevos(), esperado.datos);
    const V lineas = tanque ? V{"- 05/03/26 10:01:00  Venta Tanque 1  Litros 12.5",
                                "- 05/03/26 10:02:00  Venta Tanque 1  Litros 25.0",
                                "- 05/03/26 10:03:30  Venta Tanque 2  Litros " + linea}
                            : V{"- 05/03/26 10:01:00  Venta T1  S3 P1  Litros 12.5",
                                "- 05/03/26 10:02:00  Venta T1  S3 P2  Litros 25.0",
                                "- 05/03/26 10:03:30  Venta T2  S12 P4  Litros " + linea};
    EXPECT_EQ(lineas_diario(archivo("Estado.txt")), lineas);
    V e = {ev(MSJ_VENTAS_ACTUALIZADO)};
    for (const std::string& l : lineas) e.push_back("T:" + l);
    if (!tanque) e.push_back(ev(MSJ_LFV_CIERRE_TURNO));
    EXPECT_EQ(eventos(), e);
    EXPECT_EQ(dlg->prog.pendiente_PCT, tanque ? 0 : 1);
    EXPECT_EQ(comparar_fecha(dlg->ventas.ultima_venta, tanque ? a_las(10, 3, 30) : a_las(10, 5)),
              0);
    if (tipo == CONTROLADOR_SVS_AXXUS) {
      std::string texto;
      for (const venta_surtidor& v : ventas) texto += surtidor::linea_venta(tipo, v);
      EXPECT_EQ(archivo("my_axxus.txt"), texto);
    }

    // Nothing new: the next run reads nothing and logs nothing.
    olvida_log();
    dlg->lfv();
    EXPECT_EQ(eventos(), V{});
  }
}

// A file of `tamano` bytes whose one new sale is at 10:01: older sales,
// and in a text layout a longer first field (not read), make up the rest.
std::string grande(int32_t tipo, size_t tamano) {
  const std::string nueva = surtidor::archivo_ventas(tipo, {{a_las(10, 1), 3, 1, 1, 12.5f}});
  const std::string vieja = surtidor::archivo_ventas(tipo, {{kViejo, 3, 1, 1, 5.0f}});
  std::string datos;
  while (datos.size() + vieja.size() + nueva.size() <= tamano) datos += vieja;
  datos += nueva;
  if (tipo != CONTROLADOR_SVS_AXXUS) datos.insert(0, tamano - datos.size(), '0');
  return datos;
}

// How each run ends: its messages, how much got stored, and what became of
// the controller's file. New records are dated 10:01 and 10:02; kWolfViejo
// (09:00) ends the search. After reading to the end, files above 32768 bytes
// are cut back to their first line (SVS, FUSION WAYNE) or deleted (SVS
// AXXUS); SVS AXXUS's file is converted first.
TEST_F(LectorVentas, EachRunEndsWithItsMessagesAndLeavesTheFileAsDue) {
  const std::string t1 = "T:- 05/03/26 10:01:00  Venta T1  S3 P1  Litros 12.5";
  const std::string t2 = "T:- 05/03/26 10:02:00  Venta T1  S3 P1  Litros 12.5";
  const std::string uno = w("03", "1") + kWolfViejo;
  const std::string ult = ev(MSJ_VENTAS_ACTUALIZADO);
  const std::string cortado = ev(MSJ_SVS_RECORTADO);
  const std::string rec = axxus(50326.09, 1, 3, 5, 0) + axxus(50326.1001, 1, 3, 12.5f, 0);
  auto en = [](plat::Op op, int nth = 1, const char* ruta = "ventas.txt") {
    return plat::Fault{.op = op, .path = ruta, .nth = nth};
  };
  auto petro = [](int tanque) {
    return surtidor::archivo_ventas(CONTROLADOR_PETROSOFT_X_TANQUE,
                                    {{kViejo, 3, 1, 1, 5.0f}, {a_las(10, 1), 3, 1, tanque, 12.5f}});
  };
  const plat::Fault ninguna{.nth = 0};
  enum queda { entero, primera_linea, borrado };
  const struct {
    const char* caso;
    int32_t tipo;
    std::string ventas;
    V eventos;
    size_t guardadas;
    plat::Fault falla = {.nth = 0};
    queda resto = entero;  // what is left of ventas.txt
  } casos[] = {
      // clang-format off
      {"no file", 0, "", {"T:Error: lfv: File open failed 2"}, 0,
       {.op = plat::Op::kOpen, .path = "ventas.txt", .error = ENOENT}},
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
      {"SVS AXXUS: no file to convert", 8, rec, {ult, "T:Error: lfv: File open failed 5"}, 0,
       en(plat::Op::kOpen, 2)},
      {"no size to convert", 8, rec, {ult, ev(MSJ_GMA_SIN_TAMANO)}, 0, en(plat::Op::kSize, 2)},
      {"no memory to convert", 8, rec, {ult, ev(MSJ_GMA_SIN_MEMORIA)}, 0, {.op = plat::Op::kAlloc}},
      {"nothing read to convert", 8, rec, {ult, ev(MSJ_GMA_VACIO)}, 0, en(plat::Op::kRead)},
      {"my_axxus.txt not created", 8, rec, {ult, ev(MSJ_NO_CREA_AXXUS)}, 0,
       en(plat::Op::kOpen, 1, "my_axxus.txt.tmp")},
      {"my_axxus.txt cannot be opened", 8, rec, {ult, "T:Error: lfv: Open my_axxus.txt failed 5"},
       0, en(plat::Op::kOpen, 1, "my_axxus.txt")},
      {"the store fails: the last sale date stays", 0, w("03", "1", "10:02:00") + uno,
       {ult, t1, t2, ev(MSJ_AFS_NO_GUARDA_1)}, 1, en(plat::Op::kWrite, 2, "qtrs.nvr")},
      {"32768 bytes (SVS WIDE) stay", 1, grande(1, 32768), {ult, t1}, 1},
      {"32769 bytes are cut", 1, grande(1, 32769), {ult, t1, cortado}, 1, ninguna, primera_linea},
      {"a cut that fails", 1, grande(1, 32769), {ult, t1, cortado, ev(MSJ_FILE_NO_RESIZED)}, 1,
       {.op = plat::Op::kSetEnd}},
      {"1170 records (SVS AXXUS) stay", 8, grande(8, 1170 * 28), {ult, t1}, 1},
      {"1171 records are deleted", 8, grande(8, 1171 * 28), {ult, t1, ev(MSJ_AXXUS_BORRADO)}, 1,
       ninguna, borrado},
      {"not opened again to delete", 8, grande(8, 1171 * 28),
       {ult, t1, "T:Error: lfv: File REopen failed 5"}, 1, en(plat::Op::kOpen, 3)},
      {"no size to delete by", 8, grande(8, 1171 * 28), {ult, t1, ev(MSJ_LFV_SIN_TAMANO)}, 1,
       en(plat::Op::kSize, 3)},
      {"a deletion that fails", 8, grande(8, 1171 * 28),
       {ult, t1, "T:Error: lfv: DeleteFile failed 5"}, 1, en(plat::Op::kRemove)},
      // clang-format on
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.caso);
    prepara_lector(c.tipo, c.ventas, c.falla);
    dlg->lfv();
    EXPECT_EQ(eventos(), c.eventos);
    EXPECT_EQ(nuevos().size(), c.guardadas * kLargoSuceso);
    EXPECT_EQ(dlg->ventas.texto_estado,
              c.eventos.back() == ev(MSJ_LFV_VENTAS_INCORRECTO) ? kIncorrecto : "");
    // What was stored moved the last sale date, and nothing else did.
    EXPECT_EQ(comparar_fecha(dlg->ventas.ultima_venta,
                             c.guardadas == 0 ? kUltima : a_las(10, c.guardadas)),
              0);
    EXPECT_EQ(existe(ruta("ventas.txt")), c.resto != borrado);
    EXPECT_EQ(archivo("ventas.txt"), c.resto == entero ? c.ventas
                                     : c.resto == primera_linea
                                         ? c.ventas.substr(0, c.ventas.find('\n') + 1)
                                         : "");
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

// SVS AXXUS's records as text lines: a one-digit day, a zero date left out,
// a partial record left for later. A failed write leaves the last text.
TEST_F(LectorVentas, AxxusRecordsBecomeTextLines) {
  const std::string lineas =
      "2022-09-01 00:00:01;5;2;25.400000;-1\r\n2022-09-29 10:30:45;12;3;7.000000;0\r\n";
  const std::string vieja = "2022-08-31 23:00:00;1;1;1.000000;0\r\n";
  for (const int escritura : {0, 1}) {
    SCOPED_TRACE(escritura);
    prepara_lector(CONTROLADOR_SVS_AXXUS,
                   axxus(10922.000001, 2, 5.9f, 25.4f, -1) + axxus(0, 1, 1, 1, 0) +
                       axxus(290922.103045, 3, 12, 7, 0) + "partial",
                   {.op = plat::Op::kWrite, .path = "my_axxus.txt.tmp", .nth = escritura});
    escribe_archivo(ruta("my_axxus.txt"), vieja);
    EXPECT_TRUE(dlg->gma());
    EXPECT_EQ(eventos(), escritura == 0 ? V{} : V{ev(MSJ_GMA_NO_GUARDA)});
    EXPECT_EQ(archivo("my_axxus.txt"), escritura == 0 ? lineas : vieja);
    EXPECT_FALSE(existe(ruta("my_axxus.txt.tmp")));
  }
}

// A conversion that could not be written leaves the last text to read; the
// controller's file, whose newer sale that text lacks, stays until a
// conversion is whole.
TEST_F(LectorVentas, AConversionNotWrittenWholeKeepsTheControllersFile) {
  const std::string datos = grande(CONTROLADOR_SVS_AXXUS, 1171 * 28);
  prepara_lector(CONTROLADOR_SVS_AXXUS, datos,
                 {.op = plat::Op::kWrite, .path = "my_axxus.txt.tmp"});
  escribe_archivo(ruta("my_axxus.txt"),
                  surtidor::linea_venta(CONTROLADOR_SVS_AXXUS, {kViejo, 3, 1, 1, 5.0f}));
  dlg->lfv();
  EXPECT_EQ(archivo("ventas.txt"), datos);
  EXPECT_EQ(nuevos(), "");
  sim->clear_faults();
  dlg->ventas.hora_vista = 0;  // the controller wrote again
  dlg->lfv();
  EXPECT_EQ(nuevos().size(), kLargoSuceso);
  EXPECT_FALSE(existe(ruta("ventas.txt")));
}

// Killed at any step of the conversion, "my_axxus.txt" is the last text or
// the new one, whole.
TEST_F(LectorVentas, KilledAtAnyStepOfAConversionLeavesOneWholeText) {
  const std::string vieja = "2022-08-31 23:00:00;1;1;1.000000;0\r\n";
  const std::string nueva = "2022-09-29 10:30:45;12;3;7.000000;0\r\n";
  prepara_lector(CONTROLADOR_SVS_AXXUS, axxus(290922.103045, 3, 12, 7, 0));
  const int muertes = mata_en_cada_paso(
      *sim, [&] { escribe_archivo(ruta("my_axxus.txt"), vieja); }, [&] { dlg->gma(); },
      [&](bool murio) {
        const std::string tras = archivo("my_axxus.txt");
        EXPECT_TRUE(tras == vieja || tras == nueva) << tras;
        EXPECT_TRUE(murio || tras == nueva);
      });
  EXPECT_GE(muertes, 4);  // the controller's file closed, the write, sync, rename
}

// The start-up scan: each nozzle's meter reading as of the last stored sale,
// whether the file reaches back to that sale (0) or not (1), and each way it
// stops.
TEST_F(LectorVentas, StartUpLoadsEachNozzlesLastReadingUpToTheLastSale) {
  const std::vector<venta_surtidor> dia = {
      {a_las(8, 0), 3, 1, 1, 5, 100.5f},   {a_las(9, 0), 3, 2, 1, 5, 200.25f},
      {a_las(9, 30), 3, 1, 1, 5, 105.5f},  {kUltima, 16, 8, 1, 5, 7.0f},
      {a_las(10, 30), 3, 1, 1, 5, 110.5f},  // after the last sale: not loaded
  };
  auto wolf = [](const std::vector<venta_surtidor>& v) {
    return surtidor::archivo_ventas(CONTROLADOR_WOLF, v);
  };
  const int i31 = 2 * 12 + 0, i32 = 2 * 12 + 1, i168 = 15 * 12 + 7;
  const struct {
    const char* caso;
    int32_t tipo;
    std::string ventas;
    int resultado;
    V eventos;
    std::vector<std::pair<int, float>> lecturas = {};  // the table's non-zero entries
    plat::Fault falla = {.nth = 0};
    // An open failure is added to the status text; a wrong layout replaces it.
    std::string estado = "antes";
  } casos[] = {
      // clang-format off
      {"up to the last sale", 0, wolf(dia), 0, {}, {{i31, 105.5f}, {i32, 200.25f}, {i168, 7.0f}}},
      {"all at or before it", 0, wolf({dia[0], dia[1], dia[3]}), 0, {},
       {{i31, 100.5f}, {i32, 200.25f}, {i168, 7.0f}}},
      {"the oldest already newer", 0, wolf({dia[4]}), 1, {}},
      {"SVS AXXUS: the file is not opened", 8, "", 0, {}, {}, {.op = plat::Op::kOpen}},
      {"no meter field", 1, surtidor::archivo_ventas(1, dia), 0, {}},
      {"no file", 0, "", 0, {"T:Error: safv: File open failed 2"}, {},
       {.op = plat::Op::kOpen, .error = ENOENT}, "antesError: safv: File open failed 2"},
      {"empty", 0, "", 0, {ev(MSJ_ARCHIVO_VACIO)}},
      {"no size", 0, wolf(dia), 0, {ev(MSJ_LFV_SIN_TAMANO)}, {}, {.op = plat::Op::kSize}},
      {"unknown controller", 10, wolf(dia), 0, {ev(MSJ_LFV_CONTROLADOR)}},
      {"a field too many", 0, ";" + wolf(dia), 0, {ev(MSJ_LFV_VENTAS_INCORRECTO)}, {}, {.nth = 0},
       kIncorrecto},
      {"a corrupt date keeps the result", 0, "7;3;1;1;1;1;1;1;2026/03/05 08:00:00;1;1\r\n", 1,
       {ev(MSJ_LFV_FECHA)}},
      {"pump 17", 0, wolf({dia[0], {a_las(9, 0), 17, 1, 1, 5, 1.0f}}), 0, {ev(MSJ_LFV_SURTXPIC)},
       {{i31, 100.5f}}},
      {"an unreadable meter", 0, wolf({{a_las(9, 0), 3, 1, 1, 5, 1e13f}}), 0, {ev(MSJ_F_CORRUPT)}},
      // clang-format on
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.caso);
    prepara_lector(c.tipo, c.ventas, c.falla);
    EXPECT_EQ(dlg->safv(), c.resultado);
    EXPECT_EQ(eventos(), c.eventos);
    std::vector<std::pair<int, float>> lecturas;
    for (int i = 0; const float l : dlg->ventas.tabla_contadores) {
      if (l != 0.0f) lecturas.push_back({i, l});
      ++i;
    }
    EXPECT_EQ(lecturas, c.lecturas);
    EXPECT_EQ(dlg->ventas.texto_estado, c.estado);
  }
}

// A day of a station in virtual time, its simulated forecourt selling in
// each controller's layout: returns, meter errors, shift closes, files begun
// afresh and files cut or deleted by the station. Every sale reaches the
// store once; only those the rules leave out do not.
class VentasEnEstacion : public EstacionEnLinea, public ::testing::WithParamInterface<int32_t> {
 protected:
  VentasEnEstacion() { en_memoria(); }
};

TEST_P(VentasEnEstacion, EverySaleOfADayIsStoredOnceButThoseOfAFileBegunAfresh) {
  const int32_t tipo = GetParam();
  const fila_controlador& fila = *busca_controlador(tipo);
  // 120 sales an hour.
  const std::vector<venta_surtidor> ayer = prepara_playa(tipo, 120, 7u + tipo);
  sim->run_for(500);  // the station reads its file half a second off the sales
  fecha_bcd arranque{};
  fecha_actual(&arranque);
  ModeloVentas modelo(tipo, ayer, arranque);
  arranca();
  sigue_ventas(modelo, ruta(kVentas));
  const double antes[2] = {consola->tanque(0).litros_reales(), consola->tanque(1).litros_reales()};
  sim->run_for(24 * 3600 * 1000);

  EXPECT_EQ(modelo.errores(), V{});
  const std::string guardadas = sucesos_venta(archivo("qtrs.nvr"));
  const std::string& esperadas = modelo.esperado().datos;
  EXPECT_TRUE(guardadas == esperadas) << diferencia(guardadas, esperadas);
  EXPECT_GT(esperadas.size(), 2400 * kLargoSuceso);
  using d = ModeloVentas::destino;
  EXPECT_GT(modelo.cuenta(d::pasada) + modelo.cuenta(d::borrada), 0);
  EXPECT_GE(modelo.devoluciones, 20);
  const std::vector<qtr10::VentaHecha>& hechas = consola->ventas_hechas();
  EXPECT_EQ(std::count_if(hechas.begin(), hechas.end(), [](auto& v) { return v.cierre(); }),
            fila.campo_tanque < 0 ? 3 : 0);
  EXPECT_EQ(consola->turnos_impresos(), modelo.cierres);
  // The tanks lost what the forecourt sold, meter errors aside.
  double salieron[2] = {0, 0};
  for (const qtr10::VentaHecha& v : hechas) {
    if (v.tanque > 0) salieron[v.tanque - 1] += v.litros_tanque;
  }
  for (int t = 0; t < 2; ++t) {
    EXPECT_NEAR(antes[t] - consola->tanque(t).litros_reales(), salieron[t], 1e-6) << t;
  }
  const V e = eventos();
  const bool recorta = tipo == CONTROLADOR_SVS_WIDE || tipo == CONTROLADOR_SVS_NARROW ||
                       tipo == CONTROLADOR_SVS_WIDE_HN || tipo == CONTROLADOR_FUSION_WAYNE;
  EXPECT_EQ(veces(e, ev(MSJ_LFV_FECHA)) + veces(e, ev(MSJ_FILE_NO_RESIZED)), 0);
  EXPECT_EQ(veces(e, ev(MSJ_SVS_RECORTADO)) > 0, recorta);
  EXPECT_EQ(veces(e, ev(MSJ_AXXUS_BORRADO)) > 0, tipo == CONTROLADOR_SVS_AXXUS);
}

INSTANTIATE_TEST_SUITE_P(Controladores, VentasEnEstacion, ::testing::Range(0, 10),
                         [](const auto& i) {
                           std::string n = nombre_controlador(i.param);
                           for (char& c : n)
                             c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return n;
                         });

}  // namespace
