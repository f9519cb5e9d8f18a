// qtrs.nvr as readable lines and CSV, with its filters.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "admin/sincro.h"
#include "admin_prueba.h"

namespace {

// One record of each kind: a marked snapshot with both flags, a sale, a
// shift close, a start-up and the null event of an unknown 'X'.
std::string store() {
  uint8_t r[kLargoSuceso];
  suceso_foto({.fecha = {0x00, 0x01, 0x10, 0x15, 0x03, 0x00, 0x23},
               .tanque = 2,
               .nivel = 1000.0f,
               .status_calibs = 1,
               .liq_agua_medible = 0x30,
               .litros = 50000.0f,
               .merma_mes = -12,
               .programada = true,
               .autclb = true},
              r);
  r[campo_suceso::kMarca] = kMarcaCaptura;
  return std::string(reinterpret_cast<const char*>(r), kLargoSuceso) +
         Almacen()
             .venta(fecha_de(16, 3, 23, 10, 2, 30), 2, 25.5f)
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

TEST(AdminSincro, DecodesEachKindAndFilters) {
  admin_prueba::Carpeta c;
  const std::string ruta = c / "qtrs.nvr";
  escribe_archivo(ruta, store());
  std::string out, err;
  ASSERT_EQ(corre({ruta}, &out, &err), 0);
  EXPECT_EQ(out,
            "S  15/03/23 10:01:00  tank 3  level 1000.00 mm  litres 50000.00  flags 0x79 status 1"
            " programmed new-version  merma -1.2  *\n"
            "V  16/03/23 10:02:30  tank 3  litres 25.50  meter -1.00\n"
            "V  16/03/23 22:00:00  tank turno  litres 0.00  meter 0.00\n"
            "A  17/03/23 08:04:05  scan 1\n"
            "N  17/03/23 08:04:05  replaced X\n");
  EXPECT_EQ(err, "");

  const struct {
    std::vector<std::string> filtro;
    size_t lineas;
  } casos[] = {
      {{"--tank", "3"}, 2},  // the shift close and the kinds without a tank are left out
      {{"--kind", "V"}, 2},
      {{"--from", "16/03/23", "--to", "16/03/23"}, 2},
      {{"--tank", "3", "--to", "15/03/23"}, 1},  // filters add up
  };
  for (const auto& caso : casos) {
    std::vector<std::string> args = caso.filtro;
    args.push_back(ruta);
    ASSERT_EQ(corre(args, &out, &err), 0);
    EXPECT_EQ(static_cast<size_t>(std::count(out.begin(), out.end(), '\n')), caso.lineas)
        << caso.filtro[0] << " " << caso.filtro[1];
  }
  for (const std::vector<std::string>& malo : {std::vector<std::string>{"--kind", "X"},
                                               {"--from", "1/3/23"},
                                               {"--tank", "0"},
                                               {"--to", "32/01/23"},
                                               {"--tank"},
                                               {"a", "b"}}) {
    EXPECT_EQ(corre(malo, &out, &err), 2) << malo[0];
  }
}

TEST(AdminSincro, CsvAndACutShortTail) {
  admin_prueba::Carpeta c;
  const std::string ruta = c / "qtrs.nvr";
  escribe_archivo(ruta, store() + std::string(5, 'S'));
  std::string out, err;
  EXPECT_EQ(corre({"--csv", "--kind", "S", ruta}, &out, &err), 1);
  EXPECT_EQ(out, std::string(admin::kCabeceraCsv) + "\n" +
                     "S,15/03/23 10:01:00,3,1000.00,50000.00,0x79,1,1,1,-1.2,,,,*\n");
  EXPECT_EQ(err, ruta + ": 5 bytes at offset 105 are no whole record\n");
  ASSERT_EQ(corre({"--csv", "--from", "17/03/23", ruta}, &out, &err), 1);
  EXPECT_EQ(out, std::string(admin::kCabeceraCsv) + "\n" + "A,17/03/23 08:04:05,,,,,,,,,,1,,\n" +
                     "N,17/03/23 08:04:05,,,,,,,,,,,X,\n");
  EXPECT_EQ(corre({c / "missing.nvr"}, &out, &err), 1);
}

}  // namespace
