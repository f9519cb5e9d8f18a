// The start-up look at the whole event store: version conversion, the scan
// that rebuilds the last sale date and the snapshot litres, and the repair.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CNivaraDlg.h"
#include "entorno.h"

namespace {

const fecha_bcd kAhora{0x03, 0x07, 0x09, 0x05, 0x03, 0x05, 0x26};  // the clock, a Thursday
const fecha_bcd kFebrero = fecha_de(20, 2, 26, 12, 30);
const fecha_bcd kMarzo = fecha_de(4, 3, 26, 12, 30);

std::string fecha(const fecha_bcd& f) { return std::string(reinterpret_cast<const char*>(&f), 7); }

// One record of each kind.
const std::string kVenta = Almacen().venta(kMarzo, 2, 25.5f, 1234.5f).datos;
const std::string kFoto = Almacen().foto(kFebrero, 1, 300.0f).datos;
const std::string kArranque = Almacen().arranque(kFebrero, 1).datos;
const std::string kNulo = Almacen().otro(SUCESO_NULO, kFebrero, 'X').datos;

// A current record as an older version wrote it: `largo` bytes, its version,
// and a capture mark that the conversion must clear.
std::string antiguo(std::string r, uint8_t version, size_t largo) {
  r[campo_suceso::kVersion] = static_cast<char>(version);
  r[campo_suceso::kMarca] = static_cast<char>(kMarcaCaptura);
  return r.substr(0, largo);
}
// What the conversion makes of it.
std::string convertido(std::string r, size_t largo) {
  r[campo_suceso::kVersion] = kVersionSuceso;
  r[campo_suceso::kMarca] = 0;
  return r.replace(largo, std::string::npos, kLargoSuceso - largo, '\0');
}
const std::string kVersion1 =
    antiguo(kVenta, 1, 18) + antiguo(kFoto, 1, 19) + antiguo(kArranque, 1, 10);
const std::string kConvertida1 =
    convertido(kVenta, 18) + convertido(kFoto, 19) + convertido(kArranque, 10);

class Sus : public EstacionConAlmacen {
 protected:
  std::string ultima_venta() { return fecha(dlg.ventas.ultima_venta); }

  CNivaraDlg dlg;
};

TEST_F(Sus, OldVersionsAreConvertedUpToWhereTheyStop) {
  const std::string nueva = "T:New Version struct nvr = 5";
  struct {
    int version;
    std::string previo;
    std::string esperado;  // empty: not rewritten
    bool desconocido;
  } casos[] = {
      {1, kVersion1, kConvertida1, false},
      {2, antiguo(kVenta, 2, 19) + antiguo(kFoto, 2, 19) + antiguo(kArranque, 2, 19),
       convertido(kVenta, 19) + convertido(kFoto, 19) + convertido(kArranque, 19), false},
      // Version 3 stops at a null event, version 4 carries it.
      {3, antiguo(kVenta, 3, 19) + antiguo(kNulo, 3, 19) + antiguo(kArranque, 3, 19),
       convertido(kVenta, 19), false},
      {4, antiguo(kNulo, 4, 19) + antiguo(kArranque, 4, 19),
       convertido(kNulo, 19) + convertido(kArranque, 19), false},
      {2,
       antiguo(kFoto, 2, 19) + antiguo(kNulo, 2, 19).replace(0, 1, "Q") + antiguo(kArranque, 2, 19),
       convertido(kFoto, 19), true},
      {1, antiguo(kVenta, 1, 18) + antiguo(kArranque, 1, 9), convertido(kVenta, 18),
       false},  // cut short
      {5, kVenta + kFoto, "", false},
      {0, antiguo(kArranque, 0, 19) + antiguo(kFoto, 1, 19), "", false},  // names no structure
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.previo.size());
    prepara(c.previo);
    EXPECT_EQ(dlg.vfs(), !c.esperado.empty());
    EXPECT_EQ(almacenado(), c.esperado.empty() ? c.previo : c.esperado);
    eventos_t e = {"T:Version struct nvr = " + std::to_string(c.version)};
    if (c.desconocido) e.push_back(ev(MSJ_VFS_DESCONOCIDO));
    if (!c.esperado.empty()) e.push_back(nueva);
    EXPECT_EQ(eventos(), e);
    EXPECT_FALSE(existe(ruta("qtrs.nvr.tmp")));
  }
}

TEST_F(Sus, AtStartUpAnOldStoreIsConvertedBeforeTheScanAndTheStartUpEvent) {
  escribe_archivo(ruta("tnq.ini"), archivo_tnq(configuracion_ejemplo()));
  pon(kVersion1);
  dlg.oid();
  ASSERT_EQ(almacenado().size(), 4 * kLargoSuceso);
  EXPECT_EQ(almacenado().substr(0, 3 * kLargoSuceso), kConvertida1);
  EXPECT_EQ(almacenado()[3 * kLargoSuceso], SUCESO_ARRANQUE);
  EXPECT_EQ(dlg.resp.fotos[1].litros, 300.0f);
  EXPECT_EQ(ultima_venta(), fecha(kMarzo));
}

TEST_F(Sus, ReadFailuresLeaveTheStoreWholeAndALackOfMemoryEndsTheProgram) {
  const std::string previo = antiguo(kArranque, 2, 19) + antiguo(kFoto, 2, 19);
  const std::string v2 = "T:Version struct nvr = 2";
  const char* tmp = "qtrs.nvr.tmp";
  const std::string& sincro = kArchivoSincro;
  using plat::Op;
  struct {
    plat::Fault falla;
    eventos_t eventos;
    const char* salida = nullptr;  // the journal line of the end
    bool (CNivaraDlg::*operacion)() = &CNivaraDlg::vfs;
  } casos[] = {
      {{.op = Op::kSize, .path = sincro}, {ev(MSJ_VFS_SIN_TAMANO)}},
      {{.op = Op::kRead, .path = sincro}, {}},
      {{.op = Op::kRead, .path = sincro, .short_io = true}, {}},
      {{.op = Op::kRead, .path = sincro, .nth = 2, .short_io = true}, {}},  // the records
      {{.op = Op::kOpen, .path = tmp}, {v2, ev(MSJ_VFS_NO_CREA)}},
      {{.op = Op::kWrite, .path = tmp}, {v2, ev(MSJ_VFS_NO_GUARDA_1)}},
      {{.op = Op::kWrite, .path = tmp, .short_io = true}, {v2, ev(MSJ_VFS_NO_GUARDA_2)}},
      {{.op = Op::kSync, .path = tmp}, {v2, ev(MSJ_VFS_NO_GUARDA_1)}},
      {{.op = Op::kRename, .path = sincro}, {v2, ev(MSJ_VFS_NO_GUARDA_1)}},
      {{.op = Op::kAlloc}, {ev(MSJ_EXIT_VFS_MEMORIA)}, "Exit: vfs 1"},
      {{.op = Op::kAlloc, .nth = 2}, {v2, ev(MSJ_EXIT_VFS_MEMORIA)}, "Exit: vfs 2"},
      {{.op = Op::kSize, .path = sincro}, {ev(MSJ_SUS_SIN_TAMANO)}, nullptr, &CNivaraDlg::sus},
      {{.op = Op::kAlloc}, {ev(MSJ_EXIT_SUS_MEMORIA)}, "Exit: sus", &CNivaraDlg::sus},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.falla.op) << " " << c.falla.nth);
    prepara(previo, c.falla);
    if (c.salida != nullptr) {
      EXPECT_EXIT((dlg.*c.operacion)(), ::testing::ExitedWithCode(0), "");
      EXPECT_EQ(archivo("Estado.txt"), std::string("05/03/26  09:07:03 ") + c.salida + "\r\n");
    } else {
      EXPECT_FALSE((dlg.*c.operacion)());
    }
    EXPECT_EQ(almacenado(), previo);
    EXPECT_FALSE(existe(ruta(tmp)));
    EXPECT_EQ(eventos(), c.eventos);
  }
  // A newer version ends the program too.
  prepara(antiguo(kArranque, 6, 21));
  EXPECT_EXIT(dlg.vfs(), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(archivo("Estado.txt"), "05/03/26  09:07:03 EXIT: vfs: version nvr desconocida\r\n");
  EXPECT_EQ(eventos(), (eventos_t{"T:Version struct nvr = 6", ev(MSJ_EXIT_VFS_VERSION)}));
}

TEST_F(Sus, ScanTakesTheLastSaleAndEachTanksLastSnapshot) {
  // A missing store is no usable one, an empty one is; neither is made.
  // Either way the last sale is now, and no tank has snapshot litres.
  for (const bool hay : {false, true}) {
    if (hay) pon("");
    dlg.ventas.ultima_venta = kMarzo;
    dlg.resp.fotos[3].litros = 5.0f;
    EXPECT_FALSE(dlg.vfs());
    EXPECT_EQ(dlg.sus(), hay);
    EXPECT_EQ(existe(ruta(kArchivoSincro)), hay);
    EXPECT_EQ(ultima_venta(), fecha(kAhora));
    EXPECT_EQ(dlg.resp.fotos[3].litros, 0.0f);
  }
  // The earlier sale is the newer one; tank byte 16 is no tank; a cut-short
  // tail is no record.
  const std::string previo = Almacen()
                                 .venta(kMarzo, 0, 1.0f)
                                 .foto(kFebrero, 2, 100.0f)
                                 .foto(kFebrero, 5, 50.0f)
                                 .venta(kFebrero, 1, 2.0f)
                                 .foto(kFebrero, 2, 200.0f)
                                 .foto(kFebrero, 16, 9.0f)
                                 .arranque(kFebrero, 1)
                                 .otro(SUCESO_NULO, kFebrero, 'X')
                                 .datos +
                             std::string("V\x05", 2);
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
  std::string malo = kFoto;
  malo[campo_suceso::kTipo] = 'X';
  const std::string antes = Almacen().venta(kMarzo, 0, 1.0f).foto(kFebrero, 1, 40.0f).datos;
  const std::string previo = antes + malo + kVenta + kFoto;
  pon(previo);
  EXPECT_TRUE(dlg.sus());
  std::string reparado = malo;
  reparado[campo_suceso::kTipo] = SUCESO_NULO;
  reparado[campo_suceso::kTanque] = 'X';
  reparado.replace(campo_suceso::kFecha, 7, fecha(kAhora));
  EXPECT_EQ(almacenado(), antes + reparado);
  EXPECT_EQ(ultima_venta(), fecha(kAhora));
  EXPECT_EQ(dlg.resp.fotos[1].litros, 40.0f);
  EXPECT_EQ(eventos(), evs({MSJ_SUS_DESCONOCIDO}));

  const std::string& sincro = kArchivoSincro;
  using plat::Op;
  struct {
    plat::Fault falla;
    unsigned codigo;  // after MSJ_SUS_DESCONOCIDO
  } casos[] = {
      {{.op = Op::kOpen, .path = sincro, .nth = 2}, MSJ_SUS_NO_REABRE},
      {{.op = Op::kSeek, .path = sincro}, MSJ_SUS_NO_GUARDA_NULO},
      {{.op = Op::kWrite, .path = sincro}, MSJ_SUS_NO_GUARDA_NULO},
      {{.op = Op::kWrite, .path = sincro, .short_io = true}, MSJ_SUS_NO_GUARDA_NULO},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.codigo);
    prepara(previo, c.falla);
    EXPECT_FALSE(dlg.sus());
    EXPECT_EQ(eventos(), evs({MSJ_SUS_DESCONOCIDO, c.codigo}));
    // Nothing is written before the store is open again and positioned.
    if (c.falla.op != Op::kWrite) {
      EXPECT_EQ(almacenado(), previo);
    }
  }
}

}  // namespace
