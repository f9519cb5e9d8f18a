// The station polling a simulated console in virtual time: snapshots,
// stock reports and journal lines as the tanks drain and fill.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "admin/estado.h"
#include "estacion_en_linea.h"
#include "foundation/bytes.h"

namespace {

struct foto {
  int tanque;
  float litros;
};

// The snapshots of the event store, in order.
std::vector<foto> fotos(const std::string& sincro) {
  std::vector<foto> f;
  for (size_t i = 0; i + 21 <= sincro.size(); i += 21) {
    const auto* r = reinterpret_cast<const uint8_t*>(sincro.data() + i);
    if (r[0] == 'S') f.push_back({r[9], lee_real_le(r + 15)});
  }
  return f;
}

long veces_texto(const std::string& s, const std::string& x) {
  long n = 0;
  for (size_t p = s.find(x); p != std::string::npos; p = s.find(x, p + 1)) ++n;
  return n;
}

using qtr10::Clase;

class EstacionSimulada : public EstacionEnLinea {};

TEST_F(EstacionSimulada, AnHourOfPollingStoresWhatMovedReportsItAndGetsPastABadReply) {
  config_consola.tanques = {{.producto = "GASOIL", .nivel_mm = 1500, .ventas_lpm = 20},
                            {.producto = "SUPER", .nivel_mm = 600}};
  config_consola.descargas = {{1, 20 * 60, 6000, 10}};  // into tank 2 after 20 minutes
  config.pon_genera(0, 1);
  config.pon_genera(1, 1);
  arranca();

  sim->run_for(30 * 1000);  // the first poll is done
  // The next poll gets a reply with bad sums: it changes nothing and is
  // sent again after the quiet period.
  const std::string antes = archivo("qtrs.nvr");
  consola->pon_fallos({.sumas_malas = true, .comandos = qtr10::bit(Clase::kRW), .veces = 1});
  sim->run_for(40 * 1000);
  EXPECT_EQ(veces(eventos(), ev(MSJ_CHECKSUM_MAL)), 1);
  EXPECT_EQ(archivo("qtrs.nvr"), antes);
  EXPECT_EQ(dlg->prog.pendiente_RW, 1);
  sim->run_for(20 * 1000);
  EXPECT_EQ(veces(eventos(), ev(MSJ_STOCK)), 2);

  sim->run_for(3510 * 1000);
  std::vector<std::string> e = eventos();
  EXPECT_EQ(veces(e, ev(MSJ_TP_V_DE_TO)), 1);
  const long inventarios = veces(e, ev(MSJ_STOCK));
  ASSERT_GE(inventarios, 58);
  EXPECT_LE(inventarios, 60);
  // Deliveries about every two minutes.
  EXPECT_GE(veces(e, ev(MSJ_DESCARGAS)), 27);
  EXPECT_LE(consola->cuenta(Clase::kRDW), 30);
  // The flagged tanks' tables, a few seconds apart after the first inventory,
  // and again after the re-read.
  EXPECT_EQ(veces(e, ev(MSJ_RCW_OK)), 4);
  const std::vector<qtr10::TramaRecibida>& t = consola->recibidas();
  ASSERT_GE(t.size(), 3u);
  EXPECT_EQ((std::vector<Clase>{t[0].clase, t[1].clase, t[2].clase}),
            (std::vector<Clase>{Clase::kRW, Clase::kRCW, Clase::kRCW}));
  EXPECT_EQ((bytes{t[1].bytes[12], t[2].bytes[12]}), (bytes{0, 1}));
  EXPECT_LT(t[0].ms - inicio_ms, 4000);
  EXPECT_GE(t[2].ms - t[1].ms, kMsEntreTablas);
  EXPECT_LE(t[2].ms - t[1].ms, kMsEntreTablas + 2 * kMsTic);
  EXPECT_EQ(consola->cuenta(Clase::kRCW), 4);
  EXPECT_EQ(consola->cuenta(Clase::kRW), inventarios + 1);  // and the bad reply
  // One frame per connection, and each link closed after its reply.
  EXPECT_EQ(consola->conexiones(), static_cast<int>(t.size()));
  EXPECT_EQ(dlg->enlace.conectado, 0);

  std::vector<foto> f = fotos(archivo("qtrs.nvr"));
  std::vector<float> uno, dos;
  for (const foto& x : f) (x.tanque == 0 ? uno : dos).push_back(x.litros);
  // The draining tank moves at every poll; the other only while it fills.
  EXPECT_EQ(static_cast<long>(uno.size()), inventarios);
  EXPECT_TRUE(std::is_sorted(uno.rbegin(), uno.rend()));
  EXPECT_GE(dos.size(), 10u);
  EXPECT_LE(dos.size(), 13u);
  EXPECT_TRUE(std::is_sorted(dos.begin(), dos.end()));
  EXPECT_NEAR(dos.back() - dos.front(), 6000.0, 700.0);
  EXPECT_EQ(veces(e, "T:AFS T1"), static_cast<long>(uno.size()));

  // One report and one journal line per inventory that moved.
  EXPECT_EQ(veces_texto(archivo("Estado.txt"), " - Nuevo Stock.\r\n"), inventarios);
  std::string stock = archivo("stock.txt");
  char litros[64];
  std::snprintf(litros, sizeof litros, "Litros, ,%.1f,litros\n", static_cast<double>(uno.back()));
  EXPECT_NE(stock.find(litros), std::string::npos) << stock;
  EXPECT_NE(stock.find("DESCARGA EN TANQUE,2\n"), std::string::npos) << stock;

  // What nivara-admin status makes of the folder.
  const admin::estado_estacion st = admin::lee_estado(carpeta);
  EXPECT_EQ(st.registros * kLargoSuceso, archivo("qtrs.nvr").size());
  EXPECT_TRUE(st.consulta_bien);
  EXPECT_EQ(st.servicio, 0);  // no service holds the folder
  ASSERT_EQ(st.tanques.size(), 2u);
  EXPECT_NEAR(st.tanques.at(1).litros, uno.back(), 0.05);
  EXPECT_EQ(st.tanques.at(1).foto_litros, uno.back());
  EXPECT_EQ(st.tanques.at(2).producto, "SUPER");
  EXPECT_EQ(st.tanques.at(1).ultima_foto.segundos, st.tanques.at(1).inventario.segundos);
  EXPECT_GT(st.tanques.at(1).inventario.segundos, 0);
  const std::string prometheus = admin::estado_prometheus(st);
  char tanque1[96];
  std::snprintf(tanque1, sizeof tanque1, "nivara_tank_litres{tank=\"1\"} %.12g\n",
                std::strtod(std::string(litros).substr(9).c_str(), nullptr));
  for (const std::string& linea :
       {std::string("nivara_up 0\n"), std::string("nivara_console_last_poll_ok 1\n"),
        "nivara_store_records " + std::to_string(st.registros) + "\n", std::string(tanque1)}) {
    EXPECT_NE(prometheus.find(linea), std::string::npos) << linea << prometheus;
  }
  EXPECT_NE(admin::estado_json(st).find("\"product\": \"SUPER\""), std::string::npos);
}

}  // namespace
