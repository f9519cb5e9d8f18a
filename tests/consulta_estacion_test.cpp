// Start-up with the event store as it may be found, and a day of sale
// questions answered from a store the test built.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "app/CNivaraDlg.h"
#include "entorno.h"
#include "foundation/bytes.h"
#include "qtr10/consola_sim.h"

namespace {

using V = std::vector<std::string>;

fecha_bcd fecha(unsigned d, unsigned h, unsigned mi) {
  return {0, bin_a_bcd(mi), bin_a_bcd(h), bin_a_bcd(d), 0x03, 0, 0x26};
}

std::string registro(char tipo, uint8_t version, const fecha_bcd& f, uint8_t tanque, float litros = 0,
                     float contador = 0, size_t largo = 21) {
  uint8_t r[21] = {};
  r[0] = static_cast<uint8_t>(tipo);
  r[1] = version;
  std::memcpy(r + 2, &f, 7);
  r[9] = tanque;
  if (tipo == 'V') {
    escribe_real_le(r + 10, litros);
    escribe_real_le(r + 14, contador);
  } else if (tipo == 'S') {
    escribe_real_le(r + 15, litros);
  }
  return std::string(reinterpret_cast<char*>(r), largo);
}

class Arranques : public Estacion {
 protected:
  void arranca() {
    escribe_archivo(ruta("tnq.ini"), archivo_tnq(configuracion_ejemplo()));
    dlg = std::make_unique<CNivaraDlg>();
    dlg->oid();
  }
  std::unique_ptr<CNivaraDlg> dlg;
};

TEST_F(Arranques, AnOldStoreIsConvertedBeforeTheStartUpEvent) {
  escribe_archivo(ruta("qtrs.nvr"), registro('V', 1, fecha(4, 10, 0), 0, 12.5f, -1, 18) +
                                        registro('S', 1, fecha(4, 10, 1), 2, 3000, 0, 19) +
                                        registro('A', 1, fecha(4, 10, 2), 0, 0, 0, 10));
  arranca();
  std::string s = archivo("qtrs.nvr");
  ASSERT_EQ(s.size(), 4u * 21);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(s[21 * i + 1], 5) << i;
  EXPECT_EQ(s[63], 'A');
  EXPECT_FLOAT_EQ(dlg->resp.fotos[2].litros, 3000);
  EXPECT_EQ(comparar_fecha(dlg->ventas.ultima_venta, fecha(4, 10, 0)), 0);
  V e = eventos_log(archivo("Nivara.log"));
  EXPECT_NE(std::find(e.begin(), e.end(), "T:Version struct nvr = 1"), e.end());
  EXPECT_NE(std::find(e.begin(), e.end(), "T:New Version struct nvr = 5"), e.end());
}

TEST_F(Arranques, ACorruptRecordBecomesANullEventAndTheRestIsCut) {
  escribe_archivo(ruta("qtrs.nvr"), registro('V', 5, fecha(4, 10, 0), 0, 1, 2) +
                                        registro('X', 5, fecha(4, 10, 1), 0) +
                                        registro('V', 5, fecha(4, 10, 2), 0, 1, 2));
  arranca();
  std::string s = archivo("qtrs.nvr");
  ASSERT_EQ(s.size(), 3u * 21);
  EXPECT_EQ(s[21], 'N');
  EXPECT_EQ(s[21 + 9], 'X');
  EXPECT_EQ(s[42], 'A');
  // No sale before the repair is read again.
  fecha_bcd ahora;
  fecha_actual(&ahora);
  EXPECT_EQ(comparar_fecha(dlg->ventas.ultima_venta, ahora), 0);
}

TEST_F(Arranques, ADayOfSaleQuestionsIsAnsweredFromTheStore) {
  escribe_archivo(ruta("qtrs.nvr"), registro('A', 5, fecha(1, 8, 0), 0) +
                                        registro('V', 5, fecha(5, 8, 0), 0, 10, 1010) +
                                        registro('V', 5, fecha(5, 8, 30), 0, 20, 1030) +
                                        registro('V', 5, fecha(5, 8, 45), 0, 5, 1035) +
                                        registro('V', 5, fecha(5, 9, 0), 1, 7, 500));
  qtr10::ConfigConsola c;
  c.codigo_acceso = {'1', '2', '3', '4', '5', '6', '7', '8'};
  c.tanques = {qtr10::ConfigTanque{}};
  c.pregunta = qtr10::PreguntaVenta{0, true,
                                    {{fecha(5, 8, 15), fecha(5, 8, 50)},
                                     {fecha(5, 9, 30), fecha(5, 10, 0)},
                                     {fecha(5, 7, 0), fecha(5, 7, 30)}}};
  qtr10::ConsolaSim consola(*sim, c);
  sim->listen("10.0.0.7", 10001, &consola);
  arranca();
  sim->set_timer_handler([this](unsigned id) { dlg->ot(id); });
  sim->run_for(24 * 3600 * 1000LL);

  const auto& r = consola.respuestas_venta();
  ASSERT_GE(r.size(), 1400u);  // one per inventory poll
  for (const qtr10::RespuestaVenta& x : r) {
    ASSERT_TRUE(x.larga);
    EXPECT_EQ(x.tanque, 0);
    // Meter totals: the sale that opens the period is the tank's own, so it
    // counts as before it: 1035 - 1030.
    EXPECT_FLOAT_EQ(x.litros[0], 5.0f);
    EXPECT_EQ(x.codigos[0], 0);
    EXPECT_EQ(x.codigos[1], 4);   // no sale after the period
    EXPECT_EQ(x.codigos[2], 10);  // the first sale after its start is past its end
  }
  EXPECT_EQ(consola.preguntas_sin_respuesta(), 0);
}

}  // namespace
