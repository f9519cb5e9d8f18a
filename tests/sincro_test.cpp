// Appending to the event store and keeping its last three months. The
// retention rewrite must never lose the store: whatever fails or wherever the
// process dies, it holds either all its old records or exactly the kept ones.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/CNivaraDlg.h"
#include "asesina.h"
#include "entorno.h"
#include "eventstore/archivo_meses.h"
#include "eventstore/suceso.h"

namespace {

using enum plat::Op;
constexpr const char* kTemporal = "qtrs.nvr.tmp";

// Start-up records dated the 1st of each {month, year - 2000}, numbered in
// byte 9 so that kept records can be told apart.
std::string almacen(const std::vector<std::pair<int, int>>& meses) {
  Almacen a;
  for (size_t i = 0; i < meses.size(); ++i) {
    a.arranque(fecha_de(1, meses[i].first, meses[i].second, 8), static_cast<uint8_t>(i));
  }
  return a.datos;
}

// The start-up record that afs('A', n) writes at the virtual clock's
// 05/03/26 09:07:03 (a Thursday, which the record must not show).
std::string arranque(uint8_t n) {
  return std::string("\x41\x05\x03\x07\x09\x05\x03\x00\x26", 9) + static_cast<char>(n) +
         std::string(11, '\0');
}

class Sincro : public EstacionConAlmacen {
 protected:
  // The month archives in the folder, by name, removed as they are read.
  std::map<std::string, std::string> archivados() {
    std::map<std::string, std::string> a;
    for (const auto& e : std::filesystem::directory_iterator(sim->root())) {
      const std::string nombre = e.path().filename().string();
      if (nombre.rfind("qtrs-", 0) == 0) a[nombre] = archivo(nombre);
    }
    for (const auto& [nombre, _] : a) std::remove(ruta(nombre).c_str());
    return a;
  }
  // What they must hold: the dropped records, each in its month's file.
  static std::map<std::string, std::string> por_mes(const std::string& registros) {
    std::map<std::string, std::string> a;
    for (size_t i = 0; i < registros.size(); i += kLargoSuceso) {
      const std::string r = registros.substr(i, kLargoSuceso);
      a[archivo_mes(static_cast<uint8_t>(r[campo_suceso::kFecha + offsetof(fecha_bcd, anio)]),
                    static_cast<uint8_t>(r[campo_suceso::kMes]))] += r;
    }
    return a;
  }
  CNivaraDlg dlg;
};

TEST_F(Sincro, WritesEachKindOfRecordByteForByte) {
  const std::string previo = almacen({{3, 26}});
  pon(previo);
  registro_tanque& t = dlg.resp.tanques[2];
  t.fecha_hora = {0x00, 0x01, 0x10, 0x15, 0x03, 0x04, 0x23};  // a weekday the store drops
  t.nivel = 1000.0f;
  t.status_calibs = 0xFD;  // only its low three bits are kept
  t.litros = 50000.0f;
  t.merma_mes = 12;
  std::string fotos;
  // Each switch raised on its own, as the callers do around the call; the
  // measurability byte keeps only its high four bits.
  for (auto [programada, autclb, medible, flags] :
       {std::tuple{1, 0, 0xBF, '\xBD'}, {0, 1, 0xBF, '\xF5'}, {0, 0, 0x4F, '\x45'}}) {
    dlg.sincro.foto_programada = programada;
    dlg.sincro.foto_autclb = autclb;
    t.liq_agua_medible = static_cast<uint8_t>(medible);
    ASSERT_TRUE(dlg.afs('S', 2));
    fotos += std::string("\x53\x05\x00\x01\x10\x15\x03\x00\x23\x02\x00\x00\x7A\x44", 14) + flags +
             std::string("\x00\x50\x43\x47\x0C\x00", 6);
  }
  dlg.sincro.venta_actual = {{0x30, 0x02, 0x10, 0x15, 0x03, 0x06, 0x23}, 2, 25.5f, -1.0f};
  ASSERT_TRUE(dlg.afs('V', 0));
  dlg.sincro.venta_actual = {
      {0x59, 0x59, 0x23, 0x04, 0x03, 0x05, 0x26}, kTanqueCierreTurno, 0.0f, 0.0f};
  ASSERT_TRUE(dlg.afs('V', 0));
  ASSERT_TRUE(dlg.afs('A', 1));
  // An unknown kind, or the snapshot of no tank (no table being programmed
  // gives 255), writes nothing.
  EXPECT_FALSE(dlg.afs('X', 0));
  EXPECT_FALSE(dlg.afs('S', 255));

  const std::string venta(
      "\x56\x05\x30\x02\x10\x15\x03\x00\x23\x02\x00\x00\xCC\x41\x00\x00\x80\xBF\x00\x00\x00", 21);
  const std::string cierre =
      std::string("\x56\x05\x59\x59\x23\x04\x03\x00\x26\x63", 10) + std::string(11, '\0');
  EXPECT_EQ(almacenado(), previo + fotos + venta + cierre + arranque(1));
  EXPECT_EQ(eventos(), evs({MSJ_AFS_DESCONOCIDO, MSJ_AFS_DESCONOCIDO}));
}

TEST_F(Sincro, KeepsTheCurrentMonthAndTheTwoBeforeItByNumber) {
  struct {
    int mes_actual;  // of 2026, the 5th at 09:07:03
    std::vector<std::pair<int, int>> meses;
    size_t desde;  // first record kept
    std::vector<unsigned> codigos;
    size_t rasgados = 0;  // bytes cut off the last record
  } casos[] = {
      {3, {{1, 26}, {2, 26}, {3, 26}}, 0, {}},  // month before last first
      {3, {{12, 25}, {12, 25}, {1, 26}, {2, 26}, {3, 26}}, 2, {}},
      {3, {{3, 25}, {11, 25}, {12, 25}}, 0, {}},  // this month of last year
      {2, {{11, 25}, {11, 25}, {12, 25}, {1, 26}}, 2, {}},
      {1, {{10, 25}, {10, 25}, {11, 25}, {12, 25}}, 2, {}},
      {3, {{11, 25}, {11, 25}, {1, 26}, {10, 25}, {2, 26}}, 2, {}},    // older after the first kept
      {3, {{11, 25}, {12, 25}}, 0, {MSJ_AFS_MES_VIEJO}},               // nothing recent: kept whole
      {3, {}, 0, {MSJ_AFS_VACIO, MSJ_AFS_MES_VIEJO}},                  // no first record to read
      {3, {{12, 25}, {12, 25}, {3, 26}}, 0, {MSJ_AFS_MES_VIEJO}, 11},  // a cut-short record is none
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(&c - casos);
    std::string previo = almacen(c.meses);
    previo.resize(previo.size() - c.rasgados);
    prepara(previo);
    escribe_archivo(ruta(kTemporal), std::string(5000, 'x'));  // a stale one, longer
    sim->set_time(segundos(2026, c.mes_actual, 5, 9, 7, 3));
    EXPECT_TRUE(dlg.afs('N', 0));
    EXPECT_EQ(almacenado(), previo.substr(c.desde * kLargoSuceso));
    EXPECT_EQ(existe(ruta(kTemporal)), c.desde == 0);  // made, renamed, only for a rewrite
    EXPECT_EQ(eventos(), evs(c.codigos));
    EXPECT_EQ(archivados(), por_mes(previo.substr(0, c.desde * kLargoSuceso)));
  }
}

// A month's archive grows by each retention once: records already at its
// end (a retention that died before the store was rewritten) are not added
// again. Where an archive cannot be written nothing is dropped.
TEST_F(Sincro, DroppedMonthsAreArchivedOnceOrNotDropped) {
  const std::string previo = almacen({{12, 25}, {12, 25}, {1, 26}, {2, 26}});
  const std::string diciembre = previo.substr(0, 2 * kLargoSuceso), antes = almacen({{12, 25}});
  const std::string nombre = archivo_mes(0x25, 0x12);
  for (const std::string& ya : {std::string(), antes, antes + diciembre, diciembre}) {
    SCOPED_TRACE(ya.size());
    prepara(previo);
    if (!ya.empty()) escribe_archivo(ruta(nombre), ya);
    EXPECT_TRUE(dlg.afs('A', 0));
    EXPECT_EQ(almacenado(), previo.substr(2 * kLargoSuceso) + arranque(0));
    const bool estaba = ya.size() >= diciembre.size() &&
                        ya.compare(ya.size() - diciembre.size(), std::string::npos, diciembre) == 0;
    EXPECT_EQ(archivados(),
              (std::map<std::string, std::string>{{nombre, estaba ? ya : ya + diciembre}}));
  }
  const std::string no_archiva = "T:Error: afs: no se puede archivar en " + nombre + " ";
  const std::pair<plat::Fault, std::string> fallos[] = {
      {{.op = kOpen, .path = nombre + ".tmp", .error = ENOSPC}, no_archiva + "28"},
      {{.op = kWrite, .path = nombre + ".tmp", .short_io = true}, no_archiva + "0"},
      {{.op = kRename, .path = nombre, .error = EIO}, no_archiva + "5"},
      {{.op = kRead, .path = kArchivoSincro, .nth = 3, .error = EIO},
       "T:Error: afs: no se puede leer qtrs.nvr para archivar 5"}};
  for (const auto& [f, texto] : fallos) {
    prepara(previo, f);
    EXPECT_TRUE(dlg.afs('A', 0));
    EXPECT_EQ(almacenado(), previo + arranque(0));
    EXPECT_TRUE(archivados().empty());
    EXPECT_EQ(eventos(), std::vector<std::string>{texto});
  }
}

// A store cut short in a record: the piece is kept aside, dated and with
// its reason, and the new record goes in step. Where it cannot be kept, it
// is not cut, and the record goes behind it as before.
TEST_F(Sincro, APieceOfARecordIsKeptAsideBeforeAnAppend) {
  const std::string enteros = almacen({{2, 26}, {3, 26}}), pieza = "0123456789";
  prepara(enteros + pieza);
  EXPECT_TRUE(dlg.afs('A', 0));
  EXPECT_EQ(almacenado(), enteros + arranque(0));
  EXPECT_EQ(archivo("qtrs.apt"),
            std::string("\x03\x07\x09\x05\x03\x00\x26\x01\x0a\0\0\0", 12) + pieza);
  EXPECT_EQ(eventos(), evs({}));

  prepara(enteros + pieza, {.op = kOpen, .path = "qtrs.apt", .error = EIO});
  std::remove(ruta("qtrs.apt").c_str());
  EXPECT_TRUE(dlg.afs('A', 0));
  EXPECT_EQ(almacenado(), enteros + pieza + arranque(0));
  EXPECT_EQ(eventos(), std::vector<std::string>{"T:Error: afs: no se puede apartar en qtrs.apt 5"});
}

TEST_F(Sincro, EachFailureIsReportedAndLeavesTheStoreAsItWas) {
  const std::string reciente = almacen({{2, 26}, {3, 26}});
  const std::string vencido = almacen({{12, 25}, {1, 26}, {3, 26}});
  const std::string viejo = almacen({{11, 25}, {12, 25}});
  const std::string& s = kArchivoSincro;
  const char* t = kTemporal;
  struct {
    const std::string& previo;
    plat::Fault falla;
    std::vector<unsigned> codigos;
    const char* diario = "";  // a lack of memory ends the program
  } casos[] = {
      {reciente, {.op = kOpen, .path = s}, {MSJ_AFS_NO_ABRE_SINCRO}},
      {vencido, {.op = kSeek, .path = s}, {MSJ_AFS_NO_POSICIONA_1}},
      {vencido, {.op = kSize, .path = s}, {MSJ_AFS_SIN_TAMANO}},
      {vencido, {.op = kAlloc}, {MSJ_EXIT_AFS_MEMORIA}, "05/03/26  09:07:03 Exit: afs: 2\r\n"},
      {vencido, {.op = kRead, .path = s, .nth = 2}, {MSJ_AFS_NO_REGRABA}},
      {vencido, {.op = kRead, .path = s, .nth = 2, .short_io = true}, {MSJ_AFS_NO_REGRABA}},
      {vencido, {.op = kOpen, .path = t}, {MSJ_AFS_NO_RECREA}},
      {vencido, {.op = kWrite, .path = t}, {MSJ_AFS_NO_REGRABA}},
      {vencido, {.op = kWrite, .path = t, .short_io = true}, {MSJ_AFS_CORTO}},
      {vencido, {.op = kSync, .path = t}, {MSJ_AFS_NO_REGRABA}},
      {vencido, {.op = kRename, .path = s}, {MSJ_AFS_NO_REGRABA}},
      {viejo, {.op = kOpen, .path = s, .nth = 2}, {MSJ_AFS_MES_VIEJO, MSJ_AFS_NO_ABRE_SINCRO}},
      {reciente, {.op = kSeek, .path = s}, {MSJ_AFS_NO_POSICIONA}},
      {reciente, {.op = kWrite, .path = s}, {MSJ_AFS_NO_GUARDA_1}},
      {reciente, {.op = kWrite, .path = s, .short_io = true}, {MSJ_AFS_NO_GUARDA_2}},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(&c - casos);
    prepara(c.previo, c.falla);
    if (*c.diario != '\0') {
      EXPECT_EXIT(dlg.afs('A', 0), ::testing::ExitedWithCode(0), "");
    } else {
      EXPECT_FALSE(dlg.afs('A', 0));
      // Only the last call's failure to open is told; each call clears it.
      const bool sin_abrir = c.codigos.back() == MSJ_AFS_NO_ABRE_SINCRO;
      EXPECT_EQ(dlg.sincro.ultimo_error, sin_abrir ? "Error: afs: No se puede abrir sincro" : "");
    }
    EXPECT_EQ(almacenado(), c.previo);
    EXPECT_FALSE(existe(ruta(kTemporal)));
    EXPECT_EQ(eventos(), evs(c.codigos));
    EXPECT_EQ(archivo("Estado.txt"), c.diario);
  }
}

TEST_F(Sincro, KilledAtAnyStepOfTheRewriteLeavesOneWholeStore) {
  std::vector<std::pair<int, int>> meses(4000, {12, 25});
  meses.resize(20000, {1, 26});
  const std::string previo = almacen(meses);  // 420,000 bytes
  const std::string retenidos = previo.substr(4000 * kLargoSuceso);
  const std::string nueva = arranque(0);
  int con_el_viejo = 0, con_el_nuevo = 0;
  mata_en_cada_paso(
      *sim,
      [&] {
        pon(previo);
        std::remove(ruta(kTemporal).c_str());
      },
      [&] { dlg.afs('A', 0); },
      [&](bool murio) {
        const std::string tras = almacenado();
        if (!murio) {  // no call left to die at: the whole append ran
          EXPECT_EQ(tras, retenidos + nueva);
          return;
        }
        con_el_viejo += tras == previo;
        con_el_nuevo += tras == retenidos || tras == retenidos + nueva;
        EXPECT_TRUE(tras == previo || tras == retenidos || tras == retenidos + nueva)
            << "store of " << tras.size() << " bytes";
        // And the next run carries on from whichever store it finds.
        EXPECT_TRUE(dlg.afs('A', 0));
        const std::string despues = almacenado();
        EXPECT_TRUE(despues == retenidos + nueva || despues == retenidos + nueva + nueva);
        EXPECT_FALSE(existe(ruta(kTemporal)));
        // Every dropped record is in the archive, once.
        EXPECT_EQ(archivados(), por_mes(previo.substr(0, 4000 * kLargoSuceso)));
      });
  // Deaths before the rename and after it, at every call between.
  EXPECT_GE(con_el_viejo, 4);  // seek to the start, write, sync, rename
  EXPECT_GE(con_el_nuevo, 4);  // close the old store, seek to the end, write, close
}

}  // namespace
