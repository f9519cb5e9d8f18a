// qtrs.nvr as readable lines and CSV, with its filters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "admin/apartados.h"
#include "admin/revision.h"
#include "admin/sincro.h"
#include "entorno.h"
#include "eventstore/apartado.h"

namespace {

// One record of each kind: a marked snapshot with both flags and a loss,
// a sale, a shift close, a start-up and the null event of an unknown 'X'.
std::string store() {
  Almacen a;
  a.foto(fecha_de(15, 3, 23, 10, 1), 2, 50000.0f);
  a.datos[campo_suceso::kFlags] |= kFlagProgramada | kFlagAutclb;
  a.datos[campo_suceso::kMarca] |= kMarcaCaptura;
  a.datos.replace(campo_suceso::kMerma, 2, "\xF4\xFF");  // -1.2 litres
  return a.venta(fecha_de(16, 3, 23, 10, 2, 30), 2, 25.5f)
      .venta(fecha_de(16, 3, 23, 22), kTanqueCierreTurno, 0.0f, 0.0f)
      .arranque(fecha_de(17, 3, 23, 8, 4, 5), 1)
      .otro(SUCESO_NULO, fecha_de(17, 3, 23, 8, 4, 5), 'X')
      .datos;
}

int corre(const std::vector<std::string>& args, std::string* salida, std::string* errores) {
  admin::opciones_sincro o;
  if (!admin::lee_opciones_sincro(args, o)) return 2;
  std::ostringstream out, err;
  const int r = admin::imprime_sincro(o, out, err);
  *salida = out.str();
  *errores = err.str();
  return r;
}

}  // namespace

using AdminSincro = Estacion;  // for its scratch folder

TEST_F(AdminSincro, DecodesEachKindFiltersAndWritesCsv) {
  const std::string nvr = ruta("qtrs.nvr");
  escribe_archivo(nvr, store());
  std::string out, err;
  ASSERT_EQ(corre({nvr}, &out, &err), 0);
  EXPECT_EQ(out,
            "S  15/03/23 10:01:00  tank 3  level 900.00 mm  litres 50000.00  flags 0x79 status 1"
            " programmed new-version  merma -1.2  *\n"
            "V  16/03/23 10:02:30  tank 3  litres 25.50  meter -1.00\n"
            "V  16/03/23 22:00:00  tank turno  litres 0.00  meter 0.00\n"
            "A  17/03/23 08:04:05  scan 1\n"
            "N  17/03/23 08:04:05  replaced X\n");
  EXPECT_EQ(err, "");

  // Lines shown, or -1 for options refused.
  const struct {
    std::vector<std::string> filtro;
    int lineas;
  } casos[] = {
      {{"--tank", "3"}, 2},  // the shift close and the kinds without a tank are left out
      {{"--kind", "V"}, 2},
      {{"--from", "16/03/23", "--to", "16/03/23"}, 2},
      {{"--tank", "3", "--to", "15/03/23"}, 1},  // filters add up
      {{"--kind", "X"}, -1},
      {{"--from", "1/3/23"}, -1},
      {{"--tank", "0"}, -1},
      {{"--to", "32/01/23"}, -1},
      {{"--tank"}, -1},
      {{"a", "b"}, -1},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.filtro[0] + " " + caso.filtro.back());
    std::vector<std::string> args = caso.filtro;
    if (caso.lineas < 0) {
      EXPECT_EQ(corre(args, &out, &err), 2);
      continue;
    }
    args.push_back(nvr);
    ASSERT_EQ(corre(args, &out, &err), 0);
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), caso.lineas);
  }

  // CSV, and a tail cut short.
  escribe_archivo(nvr, store() + std::string(5, 'S'));
  EXPECT_EQ(corre({"--csv", "--kind", "S", nvr}, &out, &err), 1);
  EXPECT_EQ(out, std::string(admin::kCabeceraCsv) + "\n" +
                     "S,15/03/23 10:01:00,3,900.00,50000.00,0x79,1,1,1,-1.2,,,,*\n");
  EXPECT_EQ(err, nvr + ": 5 bytes at offset 105 are no whole record\n");
  ASSERT_EQ(corre({"--csv", "--from", "17/03/23", nvr}, &out, &err), 1);
  EXPECT_EQ(out, std::string(admin::kCabeceraCsv) + "\n" + "A,17/03/23 08:04:05,,,,,,,,,,1,,\n" +
                     "N,17/03/23 08:04:05,,,,,,,,,,,X,\n");
  EXPECT_EQ(corre({ruta("missing.nvr")}, &out, &err), 1);
}

// The pieces kept aside: when, why, their bytes, and the whole records in
// them as "store" prints them; a file cut inside a piece is reported.
TEST_F(AdminSincro, SetAsidePiecesArePrintedWithTheirRecords) {
  const std::string registro = Almacen().arranque(fecha_de(5, 3, 26, 8)).datos;
  const std::string dos = registro + "xy";
  ASSERT_TRUE(aparta(reinterpret_cast<const uint8_t*>("0123"), 4, motivo_apartado::pieza_suelta));
  ASSERT_TRUE(
      aparta(reinterpret_cast<const uint8_t*>(dos.data()), 23, motivo_apartado::pieza_suelta));
  // An old store (version 2, 19-byte records) shows its records converted,
  // and only its first bytes.
  std::string viejo = registro;
  viejo[campo_suceso::kVersion] = 2;
  viejo = viejo.substr(0, 19);
  viejo += viejo + viejo;
  ASSERT_TRUE(
      aparta(reinterpret_cast<const uint8_t*>(viejo.data()), 57, motivo_apartado::convertido));
  std::ostringstream salida, errores;
  EXPECT_EQ(admin::imprime_apartados(ruta("qtrs.apt"), salida, errores), 0) << errores.str();
  auto hex = [](const std::string& d) {
    std::string bytes;
    for (unsigned char c : d) {
      char b[4];
      std::snprintf(b, sizeof b, " %02x", c);
      bytes += b;
    }
    return bytes;
  };
  const std::string linea =
      "\n    " + admin::linea_suceso(reinterpret_cast<const uint8_t*>(registro.data()));
  const std::string motivo = "  a piece shorter than a record, before an append, ";
  EXPECT_EQ(salida.str(), "05/03/26 09:07:03" + motivo + "4 bytes: 30 31 32 33\n" +
                              "05/03/26 09:07:03" + motivo + "23 bytes:" + hex(dos) + linea +
                              "\n05/03/26 09:07:03  a store of an older version, before its "
                              "conversion, 57 bytes:" +
                              hex(viejo.substr(0, 46)) + " ..." + linea + linea + linea + "\n");
  escribe_archivo(ruta("qtrs.apt"), archivo("qtrs.apt").substr(0, 20));
  std::ostringstream s2, e2;
  EXPECT_EQ(admin::imprime_apartados(ruta("qtrs.apt"), s2, e2), 1);
  EXPECT_EQ(e2.str(), ruta("qtrs.apt") + ": the piece at offset 16 is cut short\n");
}

// store check: each fault where it lies, and the store its repair writes.
TEST(AdminRevision, EachFaultIsFoundAndTheRepairKeepsEveryRecordInStep) {
  using h = admin::hallazgo;
  const fecha_bcd f1 = fecha_de(1, 3, 26, 8), f2 = fecha_de(2, 3, 26, 8);
  const std::string a = Almacen().venta(f1, 0, 10.0f).datos, b = Almacen().foto(f1, 1, 5.0f).datos,
                    c = Almacen().venta(f2, 1, 20.0f).datos;
  const std::string bien = a + b + c;
  std::string version = a, raro = b, nulo = b, sin_fecha = b;
  version[campo_suceso::kVersion] = 0;
  raro[campo_suceso::kTipo] = 'Q';
  nulo[campo_suceso::kTanque] = 'Q';
  nulo[campo_suceso::kTipo] = SUCESO_NULO;
  sin_fecha[campo_suceso::kMes] = 0x13;
  std::string viejo = a;
  viejo[campo_suceso::kVersion] = 3;
  struct {
    std::string store, reparado;
    std::vector<std::pair<h::clase, size_t>> hallazgos;  // kind, offset
  } casos[] = {
      {bien, bien, {}},
      {"", "", {}},
      {version + b + c, bien, {{h::version, 0}}},
      {a + raro + c + c, a + nulo + c + c, {{h::desconocido, 21}}},
      // Five stray bytes take every later record out of step.
      {a + "12345" + b + c + c, a + b + c + c, {{h::desfasado, 21}}},
      {bien + "V\x05", bien, {{h::cola, 63}}},
      // Dates are reported, and left.
      {c + a + sin_fecha, c + a + sin_fecha, {{h::retroceso, 21}, {h::fecha_mala, 42}}},
      {"garbage that is no store at all", "", {{h::desfasado, 0}}},
      {viejo + "xyz", viejo + "xyz", {}},  // left to the service's conversion
  };
  for (const auto& k : casos) {
    SCOPED_TRACE(&k - casos);
    std::vector<uint8_t> reparado;
    const auto* d = reinterpret_cast<const uint8_t*>(k.store.data());
    const admin::revision_sincro v = admin::revisa_sincro(d, k.store.size(), &reparado);
    std::vector<std::pair<h::clase, size_t>> hallados;
    for (const h& x : v.hallazgos) hallados.emplace_back(x.tipo, x.offset);
    EXPECT_EQ(hallados, k.hallazgos);
    EXPECT_EQ(std::string(reparado.begin(), reparado.end()), k.reparado);
  }
}

TEST_F(AdminSincro, CheckRepairKeepsTheStoreAsItWasBesideIt) {
  const std::string bien = store();
  const std::string roto = bien.substr(0, 42) + "xx" + bien.substr(42);
  escribe_archivo(ruta("qtrs.nvr"), roto);
  auto corre_check = [&](bool reparar, std::string* salida) {
    std::ostringstream out, err;
    const int r = admin::comprueba_sincro(ruta("qtrs.nvr"), reparar, out, err);
    *salida = out.str() + err.str();
    return r;
  };
  std::string salida;
  EXPECT_EQ(corre_check(false, &salida), 1);
  EXPECT_EQ(salida, "offset 42: 2 bytes out of step (no whole records)\n" + ruta("qtrs.nvr") +
                        ": 5 records, 1 fault found\n"
                        "nivara-admin store check --repair writes a repaired store\n");
  EXPECT_EQ(archivo("qtrs.nvr"), roto);
  EXPECT_EQ(corre_check(true, &salida), 0);
  EXPECT_EQ(archivo("qtrs.nvr"), bien);
  EXPECT_EQ(archivo("qtrs.nvr.orig"), roto);
  EXPECT_EQ(corre_check(false, &salida), 0);
  // A second repair never overwrites the first original.
  escribe_archivo(ruta("qtrs.nvr"), roto + "x");
  EXPECT_EQ(corre_check(true, &salida), 0);
  EXPECT_EQ(archivo("qtrs.nvr.orig.1"), roto + "x");
  EXPECT_EQ(archivo("qtrs.nvr.orig"), roto);
  // What keeps no record is not written.
  escribe_archivo(ruta("qtrs.nvr"), std::string(50, 'z'));
  EXPECT_EQ(corre_check(true, &salida), 1);
  EXPECT_EQ(archivo("qtrs.nvr"), std::string(50, 'z'));
}
