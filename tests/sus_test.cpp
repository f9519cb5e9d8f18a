// The start-up look at the whole event store: version conversion, the scan
// that rebuilds the last sale date and the snapshot litres, and the repair.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "app/CNivaraDlg.h"
#include "entorno.h"
#include "eventstore/apartado.h"

namespace {

using enum plat::Op;
const fecha_bcd kAhora{0x03, 0x07, 0x09, 0x05, 0x03, 0x05, 0x26};  // the clock, a Thursday
const fecha_bcd kFebrero = fecha_de(20, 2, 26, 12, 30);
const fecha_bcd kMarzo = fecha_de(4, 3, 26, 12, 30);

std::string fecha(const fecha_bcd& f) { return std::string(reinterpret_cast<const char*>(&f), 7); }

// One record of each kind, and one of no kind.
const std::string kVenta = Almacen().venta(kMarzo, 2, 25.5f, 1234.5f).datos;
const std::string kFoto = Almacen().foto(kFebrero, 1, 300.0f).datos;
const std::string kArranque = Almacen().arranque(kFebrero, 1).datos;
const std::string kNulo = Almacen().otro(SUCESO_NULO, kFebrero, 'X').datos;
const std::string kRaro = Almacen().otro('Q', kFebrero, 'X').datos;

// A current record as an older version wrote it: `largo` bytes, its version,
// and a capture mark that the conversion must clear.
std::string antiguo(std::string r, uint8_t version, size_t largo = 19) {
  r[campo_suceso::kVersion] = static_cast<char>(version);
  r[campo_suceso::kMarca] = static_cast<char>(kMarcaCaptura);
  return r.substr(0, largo);
}
// What the conversion makes of it.
std::string convertido(std::string r, size_t largo = 19) {
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
  // What a conversion or a repair kept aside, its reason byte first; the
  // file goes, for the next case.
  std::string apartado() {
    const std::string a = archivo("qtrs.apt");
    std::remove(ruta("qtrs.apt").c_str());
    return a.size() > kCabeceraApartado ? a[7] + a.substr(kCabeceraApartado) : "";
  }
  CNivaraDlg dlg;
};

TEST_F(Sus, OldVersionsAreConvertedUpToWhereTheyStop) {
  struct {
    int version;
    std::string previo;
    std::string esperado;  // empty: not rewritten
    bool desconocido = false;
  } casos[] = {
      {1, kVersion1, kConvertida1},
      {2, antiguo(kVenta, 2) + antiguo(kFoto, 2) + antiguo(kArranque, 2),
       convertido(kVenta) + convertido(kFoto) + convertido(kArranque)},
      // Version 3 stops at a null event, version 4 carries it.
      {3, antiguo(kVenta, 3) + antiguo(kNulo, 3) + antiguo(kArranque, 3), convertido(kVenta)},
      {4, antiguo(kNulo, 4) + antiguo(kArranque, 4), convertido(kNulo) + convertido(kArranque)},
      {2, antiguo(kFoto, 2) + antiguo(kRaro, 2) + antiguo(kArranque, 2), convertido(kFoto), true},
      {1, antiguo(kVenta, 1, 18) + antiguo(kArranque, 1, 9), convertido(kVenta, 18)},  // cut short
      {5, kVenta + kFoto, ""},
      {0, antiguo(kArranque, 0) + antiguo(kFoto, 1), ""},  // names no structure
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(&c - casos);
    prepara(c.previo);
    EXPECT_EQ(dlg.vfs(), !c.esperado.empty());
    EXPECT_EQ(almacenado(), c.esperado.empty() ? c.previo : c.esperado);
    eventos_t e = {"T:Version struct nvr = " + std::to_string(c.version)};
    if (c.desconocido) e.push_back(ev(MSJ_VFS_DESCONOCIDO));
    if (!c.esperado.empty()) e.push_back("T:New Version struct nvr = 5");
    EXPECT_EQ(eventos(), e);
    EXPECT_FALSE(existe(ruta("qtrs.nvr.tmp")));
    // The old store is kept aside whole, marked as converted.
    EXPECT_EQ(apartado(), c.esperado.empty() ? "" : '\x03' + c.previo);
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
  EXPECT_EQ(fecha(dlg.ventas.ultima_venta), fecha(kMarzo));
}

// A store with an unknown record after a sale and a snapshot.
const std::string kAntesDelRaro = Almacen().venta(kMarzo, 0, 1.0f).foto(kFebrero, 1, 40.0f).datos;
const std::string kConRaro = kAntesDelRaro + kRaro + kVenta + kFoto;

TEST_F(Sus, FailuresLeaveTheStoreWholeAndALackOfMemoryEndsTheProgram) {
  const std::string previo = antiguo(kArranque, 2) + antiguo(kFoto, 2);
  const std::string v2 = "T:Version struct nvr = 2", raro = ev(MSJ_SUS_DESCONOCIDO),
                    nulo = ev(MSJ_SUS_NO_GUARDA_NULO),
                    sin_copia = "T:Error: sus: no se puede apartar en qtrs.apt 5";
  const char* tmp = "qtrs.nvr.tmp";
  const std::string& s = kArchivoSincro;
  const auto sus = &CNivaraDlg::sus;
  struct {
    std::string previo;
    plat::Fault falla;
    eventos_t eventos;
    const char* salida = nullptr;  // the journal line of the end
    bool (CNivaraDlg::*operacion)() = &CNivaraDlg::vfs;
    bool intacto = true;  // the store as it was
  } casos[] = {
      {previo, {.op = kSize, .path = s}, {ev(MSJ_VFS_SIN_TAMANO)}},
      {previo, {.op = kRead, .path = s}, {}},
      {previo, {.op = kRead, .path = s, .short_io = true}, {}},
      {previo, {.op = kRead, .path = s, .nth = 2, .short_io = true}, {}},  // the records
      {previo, {.op = kOpen, .path = tmp}, {v2, ev(MSJ_VFS_NO_CREA)}},
      {previo, {.op = kWrite, .path = tmp}, {v2, ev(MSJ_VFS_NO_GUARDA_1)}},
      {previo, {.op = kWrite, .path = tmp, .short_io = true}, {v2, ev(MSJ_VFS_NO_GUARDA_2)}},
      {previo, {.op = kRename, .path = s}, {v2, ev(MSJ_VFS_NO_GUARDA_1)}},
      // Without a copy of the old store it is not replaced.
      {previo,
       {.op = kOpen, .path = "qtrs.apt", .error = EIO},
       {v2, "T:Error: vfs: no se puede apartar en qtrs.apt 5"}},
      {previo, {.op = kAlloc}, {ev(MSJ_EXIT_VFS_MEMORIA)}, "Exit: vfs 1"},
      {previo, {.op = kAlloc, .nth = 2}, {v2, ev(MSJ_EXIT_VFS_MEMORIA)}, "Exit: vfs 2"},
      {antiguo(kArranque, 6, 21),
       {.nth = 0},
       {"T:Version struct nvr = 6", ev(MSJ_EXIT_VFS_VERSION)},
       "EXIT: vfs: version nvr desconocida"},
      {previo, {.op = kSize, .path = s}, {ev(MSJ_SUS_SIN_TAMANO)}, nullptr, sus},
      {previo, {.op = kAlloc}, {ev(MSJ_EXIT_SUS_MEMORIA)}, "Exit: sus", sus},
      // Nothing is written before the store is open again and positioned.
      {kConRaro, {.op = kOpen, .path = s, .nth = 2}, {raro, ev(MSJ_SUS_NO_REABRE)}, nullptr, sus},
      {kConRaro, {.op = kSeek, .path = s}, {raro, nulo}, nullptr, sus},
      {kConRaro, {.op = kWrite, .path = s}, {raro, nulo}, nullptr, sus},
      {kConRaro, {.op = kWrite, .path = s, .short_io = true}, {raro, nulo}, nullptr, sus, false},
      // Without a copy of what the repair would cut, nothing is cut.
      {kConRaro, {.op = kOpen, .path = "qtrs.apt", .error = EIO}, {raro, sin_copia}, nullptr, sus},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(&c - casos);
    prepara(c.previo, c.falla);
    if (c.salida != nullptr) {
      EXPECT_EXIT((dlg.*c.operacion)(), ::testing::ExitedWithCode(0), "");
      EXPECT_EQ(archivo("Estado.txt"), std::string("05/03/26  09:07:03 ") + c.salida + "\r\n");
    } else {
      EXPECT_FALSE((dlg.*c.operacion)());
    }
    if (c.intacto) {
      EXPECT_EQ(almacenado(), c.previo);
    }
    EXPECT_FALSE(existe(ruta(tmp)));
    EXPECT_EQ(eventos(), c.eventos);
  }
}

TEST_F(Sus, ScanTakesTheLastSaleAndEachTanksLastSnapshotAndRepairsAnUnknownRecord) {
  // The earlier sale is the newer one; tank byte 16 is no tank; a cut-short
  // tail is no record.
  const std::string escaneo =
      Almacen().venta(kMarzo, 0, 1.0f).foto(kFebrero, 2, 100.0f).foto(kFebrero, 5, 50.0f).datos +
      Almacen().venta(kFebrero, 1, 2.0f).foto(kFebrero, 2, 200.0f).foto(kFebrero, 16, 9.0f).datos +
      Almacen().arranque(kFebrero, 1).otro(SUCESO_NULO, kFebrero, 'X').datos + "V\x05";
  // The unknown record becomes a null event, of today, that ends the store;
  // no sale before it is to be read again.
  std::string reparado = kRaro;
  reparado[campo_suceso::kTipo] = SUCESO_NULO;
  reparado[campo_suceso::kTanque] = 'Q';
  reparado.replace(campo_suceso::kFecha, 7, fecha(kAhora));
  struct {
    bool hay;  // a missing store is no usable one, an empty one is; neither is made
    std::string previo, despues;
    fecha_bcd venta;
    std::array<float, kTanquesConsola> litros;
    std::vector<unsigned> codigos;
  } casos[] = {
      {false, "", "", kAhora, {}, {}},
      {true, "", "", kAhora, {}, {}},
      {true, escaneo, escaneo, kFebrero, {0, 0, 200, 0, 0, 50}, {}},
      {true, kConRaro, kAntesDelRaro + reparado, kAhora, {0, 40}, {MSJ_SUS_DESCONOCIDO}},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(&c - casos);
    prepara(c.previo);
    if (!c.hay) std::remove(ruta(kArchivoSincro).c_str());
    dlg.ventas.ultima_venta = kMarzo;
    for (auto& f : dlg.resp.fotos) f.litros = 5.0f;
    if (c.previo.empty()) {
      EXPECT_FALSE(dlg.vfs());  // no version to go by
    }
    EXPECT_EQ(dlg.sus(), c.hay);
    EXPECT_EQ(existe(ruta(kArchivoSincro)), c.hay);
    EXPECT_EQ(almacenado(), c.despues);
    EXPECT_EQ(fecha(dlg.ventas.ultima_venta), fecha(c.venta));
    for (int t = 0; t < kTanquesConsola; ++t) EXPECT_EQ(dlg.resp.fotos[t].litros, c.litros[t]);
    EXPECT_EQ(eventos(), evs(c.codigos));
    // What the repair cut off, the unknown record and all behind it, is
    // kept aside first.
    EXPECT_EQ(apartado(), c.codigos.size() == 1 ? static_cast<char>(motivo_apartado::reparado) +
                                                      kRaro + kVenta + kFoto
                                                : "");
  }
}

}  // namespace
