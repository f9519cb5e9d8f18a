// The start-up look at the whole event store: version conversion, the scan
// that rebuilds the last sale date and the snapshot litres, and the repair.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CNivaraDlg.h"
#include "entorno.h"
#include "eventstore/suceso.h"

namespace {

std::string bytes(const uint8_t* r) { return std::string(reinterpret_cast<const char*>(r), 21); }

const fecha_bcd kAhora{0x03, 0x07, 0x09, 0x05, 0x03, 0x05, 0x26};  // the clock, a Thursday

std::string venta(const fecha_bcd& f, uint8_t tanque, float litros) {
  uint8_t r[kLargoSuceso];
  suceso_venta({f, tanque, litros, 1234.5f}, r);
  return bytes(r);
}
std::string foto(uint8_t tanque, float litros) {
  uint8_t r[kLargoSuceso];
  suceso_foto({.fecha = {0x00, 0x01, 0x10, 0x15, 0x02, 0x00, 0x26}, .tanque = tanque, .nivel = 900.0f,
               .status_calibs = 1, .litros = litros, .merma_mes = 7},
              r);
  return bytes(r);
}
std::string arranque(uint8_t n) {
  uint8_t r[kLargoSuceso];
  suceso_arranque({0, 0, 8, 1, 0x02, 0, 0x26}, n, r);
  return bytes(r);
}
std::string nulo(char reemplazado) {
  std::string r = arranque(0);
  r[0] = 'N';
  r[9] = reemplazado;
  return r;
}

// A current record as an older version wrote it: `largo` bytes, its version,
// and a capture mark that the conversion must clear.
std::string antiguo(std::string r, uint8_t version, size_t largo) {
  r[1] = static_cast<char>(version);
  r[7] = static_cast<char>(0x80);
  return r.substr(0, largo);
}
// What the conversion makes of it.
std::string convertido(std::string r, size_t largo) {
  r[1] = 5;
  r[7] = 0;
  for (size_t i = largo; i < r.size(); ++i) r[i] = 0;
  return r;
}

const fecha_bcd kMarzo{0x00, 0x30, 0x12, 0x04, 0x03, 0x00, 0x26};
const fecha_bcd kFebrero{0x00, 0x30, 0x12, 0x20, 0x02, 0x00, 0x26};

class Sus : public EstacionConAlmacen {
 protected:
  std::string ultima_venta() {
    return std::string(reinterpret_cast<const char*>(&dlg.ventas.ultima_venta), 7);
  }
  static std::string fecha(const fecha_bcd& f) {
    return std::string(reinterpret_cast<const char*>(&f), 7);
  }

  CNivaraDlg dlg;
};

TEST_F(Sus, AMissingStoreIsNoUsableStoreAnEmptyOneIs) {
  for (const bool hay : {false, true}) {
    SCOPED_TRACE(hay);
    if (hay) pon("");
    dlg.ventas.ultima_venta = kMarzo;
    dlg.resp.fotos[3].litros = 5.0f;
    EXPECT_FALSE(dlg.vfs());
    EXPECT_EQ(dlg.sus(), hay);
    EXPECT_EQ(existe(ruta(kArchivoSincro)), hay);  // neither makes one
    EXPECT_EQ(ultima_venta(), fecha(kAhora));
    EXPECT_EQ(dlg.resp.fotos[3].litros, 0.0f);
    EXPECT_TRUE(eventos().empty());
  }
}

TEST_F(Sus, OldVersionsAreConvertedUpToWhereTheyStop) {
  const std::string v = venta(kMarzo, 2, 25.5f), s = foto(1, 300.0f), a = arranque(1);
  const std::string actual = v + s;
  struct {
    const char* caso;
    std::string previo;
    std::string esperado;  // empty: not rewritten
    std::vector<std::string> eventos;
  } casos[] = {
      {"version 1", antiguo(v, 1, 18) + antiguo(s, 1, 19) + antiguo(a, 1, 10),
       convertido(v, 18) + convertido(s, 19) + convertido(a, 10),
       {"T:Version struct nvr = 1", "T:New Version struct nvr = 5"}},
      {"version 3 stops at a null event", antiguo(v, 3, 19) + antiguo(nulo('X'), 3, 19) +
       antiguo(a, 3, 19), convertido(v, 19),
       {"T:Version struct nvr = 3", "T:New Version struct nvr = 5"}},
      {"version 4 carries null events", antiguo(nulo('X'), 4, 19) + antiguo(a, 4, 19),
       convertido(nulo('X'), 19) + convertido(a, 19),
       {"T:Version struct nvr = 4", "T:New Version struct nvr = 5"}},
      {"unknown kind", antiguo(s, 2, 19) + antiguo(nulo('X'), 2, 19).replace(0, 1, "Q") +
       antiguo(a, 2, 19), convertido(s, 19),
       {"T:Version struct nvr = 2", "104", "T:New Version struct nvr = 5"}},
      {"a record cut short by the end", antiguo(v, 1, 18) + antiguo(a, 1, 10).substr(0, 9),
       convertido(v, 18), {"T:Version struct nvr = 1", "T:New Version struct nvr = 5"}},
      {"current version", actual, "", {"T:Version struct nvr = 5"}},
      {"version 0", antiguo(a, 0, 19) + antiguo(s, 1, 19), "", {"T:Version struct nvr = 0"}},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.caso);
    pon(c.previo);
    olvida_log();
    EXPECT_EQ(dlg.vfs(), !c.esperado.empty());
    EXPECT_EQ(almacenado(), c.esperado.empty() ? c.previo : c.esperado);
    EXPECT_EQ(eventos(), c.eventos);
    EXPECT_FALSE(existe(ruta("qtrs.nvr.tmp")));
  }
}

TEST_F(Sus, ConversionFailuresLeaveTheOldStoreWhole) {
  const std::string previo = antiguo(arranque(1), 2, 19) + antiguo(foto(0, 1.0f), 2, 19);
  const std::string v2 = "T:Version struct nvr = 2";
  const char* tmp = "qtrs.nvr.tmp";
  using plat::Op;
  struct {
    const char* caso;
    plat::Fault falla;
    std::vector<std::string> eventos;
  } casos[] = {
      {"size", {.op = Op::kSize, .path = kArchivoSincro}, {"101"}},
      {"read", {.op = Op::kRead, .path = kArchivoSincro}, {}},
      {"short read", {.op = Op::kRead, .path = kArchivoSincro, .short_io = true}, {}},
      {"records read short", {.op = Op::kRead, .path = kArchivoSincro, .nth = 2, .short_io = true}, {}},
      {"create", {.op = Op::kOpen, .path = tmp}, {v2, "105"}},
      {"write", {.op = Op::kWrite, .path = tmp}, {v2, "106"}},
      {"short write", {.op = Op::kWrite, .path = tmp, .short_io = true}, {v2, "107"}},
      {"sync", {.op = Op::kSync, .path = tmp}, {v2, "106"}},
      {"rename", {.op = Op::kRename, .path = kArchivoSincro}, {v2, "106"}},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.caso);
    pon(previo);
    olvida_log();
    sim->clear_faults();
    sim->inject(c.falla);
    EXPECT_FALSE(dlg.vfs());
    EXPECT_EQ(almacenado(), previo);
    EXPECT_FALSE(existe(ruta(tmp)));
    EXPECT_EQ(eventos(), c.eventos);
  }
}

TEST_F(Sus, ANewerVersionOrNoMemoryEndsTheProgram) {
  const std::string v2 = antiguo(arranque(1), 2, 19);
  struct {
    std::string previo;
    int sin_memoria;  // the allocation that fails; 0: none
    bool (CNivaraDlg::*operacion)();
    std::string diario;
    std::vector<std::string> eventos;
  } casos[] = {
      {antiguo(arranque(1), 6, 21), 0, &CNivaraDlg::vfs, "EXIT: vfs: version nvr desconocida",
       {"T:Version struct nvr = 6", "15"}},
      {v2, 1, &CNivaraDlg::vfs, "Exit: vfs 1", {"102"}},
      {v2, 2, &CNivaraDlg::vfs, "Exit: vfs 2", {"T:Version struct nvr = 2", "102"}},
      {v2, 1, &CNivaraDlg::sus, "Exit: sus", {"71"}},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.diario);
    pon(c.previo);
    olvida_log();
    sim->clear_faults();
    if (c.sin_memoria != 0) sim->inject({.op = plat::Op::kAlloc, .nth = c.sin_memoria});
    EXPECT_EXIT((dlg.*c.operacion)(), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(archivo("Estado.txt"), "05/03/26  09:07:03 " + c.diario + "\r\n");
    EXPECT_EQ(eventos(), c.eventos);
    EXPECT_EQ(almacenado(), c.previo);
  }
}

TEST_F(Sus, ScanTakesTheLastSaleAndEachTanksLastSnapshot) {
  // The earlier sale is the newer one; a cut-short tail is no record.
  const std::string previo = venta(kMarzo, 0, 1.0f) + foto(2, 100.0f) + foto(5, 50.0f) +
                             venta(kFebrero, 1, 2.0f) + foto(2, 200.0f) + foto(16, 9.0f) +
                             arranque(1) + nulo('X') + std::string("V\x05", 2);
  pon(previo);
  dlg.resp.fotos[7].litros = 3.0f;
  EXPECT_TRUE(dlg.sus());
  EXPECT_EQ(ultima_venta(), fecha(kFebrero));
  EXPECT_EQ(dlg.resp.fotos[2].litros, 200.0f);
  EXPECT_EQ(dlg.resp.fotos[5].litros, 50.0f);
  EXPECT_EQ(dlg.resp.fotos[7].litros, 0.0f);
  EXPECT_EQ(almacenado(), previo);
  EXPECT_TRUE(eventos().empty());
}

TEST_F(Sus, UnknownRecordBecomesANullEventAndEndsTheStoreOrTheFailureIsReported) {
  std::string malo = foto(3, 77.0f);
  malo[0] = 'X';
  const std::string antes = venta(kMarzo, 0, 1.0f) + foto(1, 40.0f);
  const std::string previo = antes + malo + venta(kFebrero, 1, 2.0f) + foto(1, 99.0f);
  pon(previo);
  EXPECT_TRUE(dlg.sus());
  std::string reparado = malo;
  reparado[0] = 'N';
  reparado[9] = 'X';
  reparado.replace(2, 7, fecha(kAhora));
  EXPECT_EQ(almacenado(), antes + reparado);
  EXPECT_EQ(ultima_venta(), fecha(kAhora));
  EXPECT_EQ(dlg.resp.fotos[1].litros, 40.0f);
  EXPECT_EQ(eventos(), (std::vector<std::string>{"72"}));

  using plat::Op;
  struct {
    const char* caso;
    plat::Fault falla;
    std::vector<std::string> eventos;
  } casos[] = {
      {"size", {.op = Op::kSize, .path = kArchivoSincro}, {"70"}},
      {"reopening", {.op = Op::kOpen, .path = kArchivoSincro, .nth = 2}, {"72", "108"}},
      {"seek", {.op = Op::kSeek, .path = kArchivoSincro}, {"72", "103"}},
      {"write", {.op = Op::kWrite, .path = kArchivoSincro}, {"72", "103"}},
      {"short write", {.op = Op::kWrite, .path = kArchivoSincro, .short_io = true}, {"72", "103"}},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.caso);
    pon(previo);
    olvida_log();
    sim->clear_faults();
    sim->inject(c.falla);
    EXPECT_FALSE(dlg.sus());
    EXPECT_EQ(eventos(), c.eventos);
    if (c.eventos.back() != "103") {
      EXPECT_EQ(almacenado(), previo);
    }
  }
}

}  // namespace
