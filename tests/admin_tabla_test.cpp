// "table print", "compare" and "plot" on tables saved as the station saves them.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "admin/tabla.h"
#include "entorno.h"

namespace {

using AdminTabla = Estacion;

TEST_F(AdminTabla, PrintsComparesAndPlots) {
  // A 4-point table, measured at its third point only.
  tabla_calib t{};
  t.version_formato = 3;
  std::memcpy(t.etiqueta, "OESTE", 5);
  t.version_tabla = 2;
  t.diametro_tank = 300.0f;
  t.capacidad = 6000.0f;
  for (int k = 0; k < 4; ++k) {
    const float f = static_cast<float>(k);
    t.puntos[k] = {2000.0f * f, 100.0f * f, k == 2 ? 20.0f : 0.0f};
  }
  t.puntos[4].litros = -1.0f;
  // Saved as the station saves tank `tanque`'s table; its path.
  sim->make_dir("tan");
  auto guarda = [&](int tanque, const tabla_calib& tabla) {
    EXPECT_TRUE(scf(tanque, tabla));
    return ruta("tan/ct" + std::to_string(tanque + 1) + "n.tan");
  };
  const std::string a = guarda(0, t);
  std::ostringstream o, e;
  ASSERT_EQ(admin::tabla_print(a, o, e), 0) << e.str();
  EXPECT_EQ(o.str(),
            "format version  3\n"
            "label           OESTE\n"
            "version counter 2\n"
            "saved           05/03/26\n"
            "diametro_tank   300.000 mm\n"
            "capacity        6000.000 L\n"
            "points          4\n"
            "  k          mm          litres       slope\n"
            "  0       0.000           0.000       0.000\n"
            "  1     100.000        2000.000       0.000\n"
            "  2     200.000        4000.000      20.000\n"
            "  3     300.000        6000.000       0.000\n");

  // The same line through other levels agrees at every level of either; a
  // higher end differs where it reaches, beyond the tolerance or within it.
  tabla_calib otra = t;
  otra.puntos[1] = {3000.0f, 150.0f, 18.5f};  // measured, as the plot shows
  otra.puntos[2] = {6000.0f, 300.0f, 0.0f};
  otra.puntos[3].litros = -1.0f;
  std::string b = guarda(1, otra);
  std::ostringstream c;
  EXPECT_EQ(admin::tabla_compare(a, b, admin::kToleranciaTablas, c, e), 0) << e.str();
  EXPECT_NE(c.str().find("    150.000        3000.000        3000.000           0.000\n"
                         "    200.000        4000.000        4000.000           0.000\n"),
            std::string::npos)
      << c.str();
  EXPECT_NE(c.str().find("tolerance 0.500 L: the tables agree\n"), std::string::npos);
  otra.puntos[2].litros = 6100.0f;
  b = guarda(1, otra);
  for (const auto& [tolerancia, estado, fin] :
       {std::tuple{0.5, 1,
                   "largest difference 100.000 L at 300.000 mm; tolerance 0.500 L: 2 "
                   "levels differ beyond it\n"},
        std::tuple{100.0, 0, "tolerance 100.000 L: the tables agree\n"}}) {
    std::ostringstream d;
    EXPECT_EQ(admin::tabla_compare(a, b, tolerancia, d, e), estado);
    EXPECT_NE(d.str().find(fin), std::string::npos) << d.str();
    EXPECT_EQ(d.str().find("    200.000        4000.000        4033.333          33.333  *\n") !=
                  std::string::npos,
              estado == 1);
  }

  // A line per table, a circle per measured point: 1 in each.
  ASSERT_EQ(admin::tabla_plot({a, b}, ruta("curvas.svg"), e), 0) << e.str();
  std::string svg = archivo("curvas.svg");
  auto cuenta = [&svg](const std::string& x) {
    size_t n = 0;
    for (size_t p = svg.find(x); p != std::string::npos; p = svg.find(x, p + 1)) ++n;
    return n;
  };
  EXPECT_EQ(svg.rfind("<svg ", 0), 0u);
  EXPECT_EQ((std::vector<size_t>{cuenta("<polyline"), cuenta("<circle"), cuenta("</svg>")}),
            (std::vector<size_t>{2, 2, 1}));
  // A tank's versions over time, each in its own shade.
  ASSERT_EQ(admin::tabla_plot({a, b, a}, ruta("curvas.svg"), e), 0) << e.str();
  svg = archivo("curvas.svg");
  EXPECT_EQ(cuenta("<polyline"), 3u);
  EXPECT_EQ(cuenta("stroke=\"rgb(160,200,240)\""), 1u);  // the oldest
  EXPECT_EQ(cuenta("stroke=\"rgb(10,40,120)\""), 1u);    // the newest

  // A damaged file is still shown, with the reason.
  std::string d = lee_archivo(a);
  d[1245] ^= 1;
  escribe_archivo(a, d);
  std::ostringstream o2, e2;
  EXPECT_EQ(admin::tabla_print(a, o2, e2), 1);
  EXPECT_NE(e2.str().find("checksum"), std::string::npos);
  EXPECT_NE(o2.str().find("points          4\n"), std::string::npos);
}

}  // namespace
