#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/CNivaraDlg.h"
#include "entorno.h"
#include "eventstore/suceso.h"
#include "foundation/gl.h"

namespace {

std::string bytes(const uint8_t* r) { return std::string(reinterpret_cast<const char*>(r), 21); }

// Start-up records dated the 1st of each {month, year - 2000}, numbered in
// byte 9 so that kept records can be told apart.
std::string almacen(const std::vector<std::pair<int, int>>& meses) {
  std::string s;
  uint8_t r[kLargoSuceso];
  for (size_t i = 0; i < meses.size(); ++i) {
    fecha_bcd f{0, 0, 8, 1, bin_a_bcd(meses[i].first), 0, bin_a_bcd(meses[i].second)};
    suceso_arranque(f, static_cast<uint8_t>(i), r);
    s += bytes(r);
  }
  return s;
}

// The start-up record that afs('A', n) writes at the virtual clock's
// 05/03/26 09:07:03 (a Thursday, which byte 7 must not show).
std::string arranque(uint8_t n) {
  return std::string("\x41\x05\x03\x07\x09\x05\x03\x00\x26", 9) + static_cast<char>(n) +
         std::string(11, '\0');
}

TEST(SincroRegistro, SnapshotFlagsTakeOnlyTheirBits) {
  registro_tanque r{};
  uint8_t out[kLargoSuceso];
  struct {
    uint8_t status, medible;
    bool programada, autclb;
    uint8_t flags;
  } casos[] = {
      {0xFF, 0x0F, false, false, 0x07},  // high status bits and water bits stay out
      {0xF8, 0xF0, false, false, 0xF0},
      {0x02, 0x00, true, false, 0x0A},
      {0x05, 0x00, false, true, 0x45},
      {0x01, 0x30, true, true, 0x79},
  };
  for (const auto& c : casos) {
    r.status_calibs = c.status;
    r.liq_agua_medible = c.medible;
    suceso_foto(r, 3, c.programada, c.autclb, out);
    EXPECT_EQ(out[14], c.flags) << int(c.status) << " " << int(c.medible);
  }
}

TEST(SincroRegistro, KeptMonthsWrapAroundTheNewYear) {
  struct {
    unsigned mes;
    uint8_t esperado[3];
  } casos[] = {{3, {0x03, 0x02, 0x01}}, {2, {0x02, 0x01, 0x12}}, {1, {0x01, 0x12, 0x11}},
               {12, {0x12, 0x11, 0x10}}, {0, {0x12, 0x11, 0x10}}, {13, {0x12, 0x11, 0x10}}};
  for (const auto& c : casos) {
    uint8_t m[3];
    meses_retenidos(c.mes, m);
    EXPECT_EQ(std::string(m, m + 3), std::string(c.esperado, c.esperado + 3)) << c.mes;
  }
}

TEST(SincroRegistro, FirstKeptRecordIsSoughtFromTheSecondAmongWholeRecords) {
  const uint8_t marzo[3] = {0x03, 0x02, 0x01};
  std::string s = almacen({{3, 26}, {12, 25}, {2, 26}});
  const auto* d = reinterpret_cast<const uint8_t*>(s.data());
  EXPECT_EQ(primer_retenido(d, s.size(), marzo), 42u);
  // A cut-short tail is no record, even when its month byte qualifies.
  s = almacen({{12, 25}, {12, 25}, {3, 26}}).substr(0, 42 + 10);
  d = reinterpret_cast<const uint8_t*>(s.data());
  EXPECT_EQ(primer_retenido(d, s.size(), marzo), s.size());
}

class Sincro : public EstacionConAlmacen {
 protected:

  CNivaraDlg dlg;
};

TEST_F(Sincro, WritesTheSnapshotAndSaleRecordsByteForByte) {
  const std::string previo = almacen({{3, 26}});
  pon(previo);
  registro_tanque& t = dlg.resp.tanques[2];
  t.fecha_hora = {0x00, 0x01, 0x10, 0x15, 0x03, 0x04, 0x23};  // a weekday the store drops
  t.nivel = 1000.0f;
  t.status_calibs = 0x01;
  t.liq_agua_medible = 0x30;
  t.litros = 50000.0f;
  t.merma_mes = 12;
  ASSERT_TRUE(dlg.afs('S', 2));
  dlg.sincro.venta_actual = {{0x30, 0x02, 0x10, 0x15, 0x03, 0x06, 0x23}, 2, 25.5f, -1.0f};
  ASSERT_TRUE(dlg.afs('V', 0));
  // Both switches raised, as the caller does around the call.
  dlg.sincro.foto_programada = 1;
  dlg.sincro.foto_autclb = 1;
  ASSERT_TRUE(dlg.afs('S', 2));

  const std::string foto("\x53\x05\x00\x01\x10\x15\x03\x00\x23\x02\x00\x00\x7A\x44\x31\x00\x50\x43\x47\x0C\x00", 21);
  const std::string venta("\x56\x05\x30\x02\x10\x15\x03\x00\x23\x02\x00\x00\xCC\x41\x00\x00\x80\xBF\x00\x00\x00", 21);
  std::string marcada = foto;
  marcada[14] = 0x79;
  EXPECT_EQ(almacenado(), previo + foto + venta + marcada);
  EXPECT_TRUE(eventos().empty());
}

TEST_F(Sincro, WritesStartUpAndShiftCloseRecords) {
  const std::string previo = almacen({{2, 26}});
  pon(previo);
  ASSERT_TRUE(dlg.afs('A', 1));
  dlg.sincro.venta_actual = {{0x59, 0x59, 0x23, 0x04, 0x03, 0x05, 0x26}, kTanqueCierreTurno, 0.0f, 0.0f};
  ASSERT_TRUE(dlg.afs('V', 0));
  const std::string cierre =
      std::string("\x56\x05\x59\x59\x23\x04\x03\x00\x26\x63", 10) + std::string(11, '\0');
  EXPECT_EQ(almacenado(), previo + arranque(1) + cierre);
}

TEST_F(Sincro, NullCallCreatesAMissingStore) {
  EXPECT_TRUE(dlg.afs('N', 0));
  EXPECT_TRUE(existe(ruta(kArchivoSincro)));
  EXPECT_EQ(almacenado(), "");
  EXPECT_EQ(eventos(), (std::vector<std::string>{"99", "110"}));
}

TEST_F(Sincro, EmptyStoreTakesItsFirstRecord) {
  pon("");
  EXPECT_TRUE(dlg.afs('A', 0));
  EXPECT_EQ(almacenado(), arranque(0));
  EXPECT_EQ(eventos(), (std::vector<std::string>{"99", "110"}));
}

TEST_F(Sincro, KeepsTheCurrentMonthAndTheTwoBeforeItByNumber) {
  struct {
    const char* caso;
    int mes_actual;  // of 2026, the 5th at 09:07:03
    std::vector<std::pair<int, int>> meses;
    size_t desde;  // first record kept
  } casos[] = {
      {"month before last first", 3, {{1, 26}, {2, 26}, {3, 26}}, 0},
      {"three months old", 3, {{12, 25}, {12, 25}, {1, 26}, {2, 26}, {3, 26}}, 2},
      {"this month of last year", 3, {{3, 25}, {11, 25}, {12, 25}}, 0},
      {"January", 1, {{10, 25}, {10, 25}, {11, 25}, {12, 25}}, 2},
      {"older record after the first kept", 3, {{11, 25}, {11, 25}, {1, 26}, {10, 25}, {2, 26}}, 2},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.caso);
    sim->set_time(segundos(2026, c.mes_actual, 5, 9, 7, 3));
    const std::string previo = almacen(c.meses);
    pon(previo);
    olvida_log();
    EXPECT_TRUE(dlg.afs('V', 0));
    uint8_t venta[kLargoSuceso];
    suceso_venta(dlg.sincro.venta_actual, venta);
    EXPECT_EQ(almacenado(), previo.substr(c.desde * kLargoSuceso) + bytes(venta));
    EXPECT_TRUE(eventos().empty());
  }
}

TEST_F(Sincro, StoreWithNothingRecentLogs110OnEveryAppend) {
  const std::string previo = almacen({{11, 25}, {12, 25}});
  pon(previo);
  EXPECT_TRUE(dlg.afs('N', 0));
  // A late sale from December is no recent record either.
  dlg.sincro.venta_actual = {{0x00, 0x00, 0x12, 0x30, 0x12, 0x00, 0x25}, 1, 10.0f, -1.0f};
  EXPECT_TRUE(dlg.afs('V', 0));
  EXPECT_TRUE(dlg.afs('A', 1));
  EXPECT_EQ(eventos(), (std::vector<std::string>{"110", "110", "110"}));
  uint8_t venta[kLargoSuceso];
  suceso_venta(dlg.sincro.venta_actual, venta);
  EXPECT_EQ(almacenado(), previo + bytes(venta) + arranque(1));
  // Now the start-up record is the first recent one.
  EXPECT_TRUE(dlg.afs('N', 0));
  EXPECT_EQ(almacenado(), arranque(1));
}

TEST_F(Sincro, UnknownKindOrTankWritesNothing) {
  const std::string previo = almacen({{3, 26}});
  pon(previo);
  EXPECT_FALSE(dlg.afs('X', 0));
  EXPECT_FALSE(dlg.afs('S', 255));  // the snapshot of no tank being programmed
  EXPECT_EQ(almacenado(), previo);
  EXPECT_EQ(eventos(), (std::vector<std::string>{"67", "67"}));
}

TEST_F(Sincro, ErrorTextTellsOnlyOfTheLastCallsOpenFailure) {
  sim->inject({.op = plat::Op::kOpen, .path = kArchivoSincro});
  EXPECT_FALSE(dlg.afs('A', 0));
  EXPECT_EQ(dlg.sincro.ultimo_error, "Error: afs: No se puede abrir sincro");
  EXPECT_FALSE(existe(ruta(kArchivoSincro)));
  EXPECT_TRUE(dlg.afs('N', 0));
  EXPECT_EQ(dlg.sincro.ultimo_error, "");
  EXPECT_EQ(eventos(), (std::vector<std::string>{"65", "99", "110"}));
}

TEST_F(Sincro, EachFailureIsReportedAndLeavesTheStoreAsItWas) {
  const std::string reciente = almacen({{2, 26}, {3, 26}});
  const std::string vencido = almacen({{12, 25}, {1, 26}, {3, 26}});
  const std::string viejo = almacen({{11, 25}, {12, 25}});
  using plat::Op;
  struct {
    const char* caso;
    const std::string& previo;
    plat::Fault falla;
    std::vector<std::string> eventos;
  } casos[] = {
      {"seek to the start", vencido, {.op = Op::kSeek, .path = kArchivoSincro}, {"109"}},
      {"size", vencido, {.op = Op::kSize, .path = kArchivoSincro}, {"95"}},
      {"read of the copy", vencido, {.op = Op::kRead, .path = kArchivoSincro, .nth = 2}, {"112"}},
      {"short read of the copy", vencido,
       {.op = Op::kRead, .path = kArchivoSincro, .nth = 2, .short_io = true}, {"112"}},
      {"reopening", viejo, {.op = Op::kOpen, .path = kArchivoSincro, .nth = 2}, {"110", "65"}},
      {"seek to the end", reciente, {.op = Op::kSeek, .path = kArchivoSincro}, {"66"}},
      {"record write", reciente, {.op = Op::kWrite, .path = kArchivoSincro}, {"68"}},
      {"short record write", reciente,
       {.op = Op::kWrite, .path = kArchivoSincro, .short_io = true}, {"69"}},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.caso);
    pon(c.previo);
    olvida_log();
    sim->clear_faults();
    sim->inject(c.falla);
    EXPECT_FALSE(dlg.afs('A', 0));
    EXPECT_EQ(almacenado(), c.previo);
    EXPECT_EQ(eventos(), c.eventos);
  }
}

TEST_F(Sincro, NoMemoryForTheCopyEndsTheProgram) {
  const std::string previo = almacen({{12, 25}, {1, 26}});
  pon(previo);
  sim->inject({.op = plat::Op::kAlloc});
  EXPECT_EXIT(dlg.afs('S', 0), ::testing::ExitedWithCode(0), "");
  sim->clear_faults();
  EXPECT_EQ(archivo("Estado.txt"), "05/03/26  09:07:03 Exit: afs: 2\r\n");
  EXPECT_EQ(eventos(), (std::vector<std::string>{"96"}));
  EXPECT_EQ(almacenado(), previo);
}

}  // namespace
