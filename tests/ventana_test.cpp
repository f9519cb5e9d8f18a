// Files bigger than the read window: every scan walks them whole, window by
// window, and never asks for more memory than one window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "app/CNivaraDlg.h"
#include "entorno.h"
#include "eventstore/version.h"
#include "foundation/archivo_entero.h"
#include "foundation/gl.h"
#include "inventory/venta_consulta.h"
#include "sales/axxus.h"
#include "sales/controladores.h"
#include "surtidor/surtidor.h"

namespace {

// The simulated platform, noting the biggest allocation asked of it.
class SimMedida : public plat::SimPlatform {
 public:
  using SimPlatform::SimPlatform;
  void* alloc(size_t bytes) override {
    mayor = std::max(mayor, bytes);
    return SimPlatform::alloc(bytes);
  }
  size_t mayor = 0;
};

class Ventana : public EstacionConAlmacen {
 protected:
  void SetUp() override {
    EstacionConAlmacen::SetUp();
    auto m = std::make_unique<SimMedida>(carpeta, sim->now());
    medida = m.get();
    sim = std::move(m);
    plat::install(sim.get());
  }
  SimMedida* medida = nullptr;
};

// Record i of a store of 120,000 (2.5 MB), ten seconds apart from 1 March:
// a sale of tank 1 of 1 L, or a snapshot of tank i / 2 % 4 holding i litres.
constexpr int kRegistros = 120000;
fecha_bcd cuando(int i) {
  const auto s = static_cast<unsigned>(i) * 10;
  return fecha_de(1 + s / 86400, 3, 26, s / 3600 % 24, s / 60 % 60, s % 60);
}
std::string almacen_grande() {
  Almacen a;
  for (int i = 0; i < kRegistros; ++i) {
    if (i % 2 == 0) {
      a.venta(cuando(i), 0, 1.0f);
    } else {
      a.foto(cuando(i), static_cast<uint8_t>(i / 2 % 4), static_cast<float>(i));
    }
  }
  return a.datos;
}

TEST_F(Ventana, EachScanWalksABigFileWholeWithinOneWindowOfMemory) {
  const std::string almacen = almacen_grande();
  // A log of 4,500,000 bytes of events, with a text of 3,003 bytes across
  // the end of the first window: the trim steps over 2,500,002 bytes.
  std::string log;
  for (int i = 0; i < 1500000; ++i) log += std::string("\x10\x00\x0c", 3);
  log.replace(1047000, 3003, std::string("\x10\x00\xff", 3) + std::string(2999, 'x') + '\0');
  // Version 4: the same records, 19 bytes each.
  std::string viejo, convertido;
  for (size_t p = 0; p < almacen.size(); p += kLargoSuceso) {
    std::string r = almacen.substr(p, kLargoSuceso);
    r[campo_suceso::kVersion] = 4;
    viejo += r.substr(0, 19);
    r[campo_suceso::kVersion] = kVersionSuceso;
    convertido += r.substr(0, 19) + std::string(2, '\0');
  }
  std::string axxus, lineas;
  for (int i = 0; i < 100000; ++i) {
    const surtidor::venta_surtidor v{cuando(i), 3, 2, 1, 12.5f, 0};
    axxus += surtidor::registro_axxus(v);
    lineas += surtidor::linea_venta(CONTROLADOR_SVS_AXXUS, v);
  }
  // The store's own months begin with one from November: retention drops it.
  std::string vencido = almacen;
  vencido[campo_suceso::kMes] = 0x11;

  CNivaraDlg dlg;
  const size_t ventana = kVentanaLectura;
  struct {
    const char* operacion;
    std::function<void()> prepara, corre, mira;
    size_t tope = ventana;  // the biggest allocation allowed
  } casos[] = {
      {"sus", [&] { pon(almacen); }, [&] { EXPECT_TRUE(dlg.sus()); },
       [&] {
         const fecha_bcd ultima = cuando(kRegistros - 2);
         EXPECT_EQ(std::memcmp(&dlg.ventas.ultima_venta, &ultima, sizeof ultima), 0);
         for (int t = 0; t < 4; ++t) {
           EXPECT_EQ(dlg.resp.fotos[t].litros, static_cast<float>(kRegistros - 7 + 2 * t));
         }
       }},
      {"afs", [&] { pon(vencido); }, [&] { EXPECT_TRUE(dlg.afs('A', 0)); },
       [&] {
         EXPECT_EQ(almacenado().size(), almacen.size());
         EXPECT_EQ(almacenado().substr(0, almacen.size() - kLargoSuceso),
                   almacen.substr(kLargoSuceso));
       }},
      {"bv", [&] { pon(almacen); },
       [&] {
         float litros = 0;
         EXPECT_EQ(bv(0, cuando(100000), cuando(110000), &litros), VENTA_OK);
         EXPECT_EQ(litros, 5000.0f);
       },
       [] {}},
      {"vfs", [&] { pon(viejo); }, [&] { EXPECT_TRUE(dlg.vfs()); },
       [&] { EXPECT_TRUE(almacenado() == convertido); }, capacidad_conversion(ventana)},
      {"gl", [&] { escribe_archivo(ruta("Nivara.log"), log); }, [] { gl(12); },
       [&] {
         const std::string tras = archivo("Nivara.log");
         EXPECT_EQ(tras.size(), 1999998u + 22 + 3);
         EXPECT_TRUE(tras.substr(0, 1999998) == log.substr(2500002));
       }},
      {"gma",
       [&] {
         dlg.config.pon_controlador(CONTROLADOR_SVS_AXXUS);
         dlg.config.pon_texto(tnq::kFileVentas, tnq::kLargoFileVentas, "ventas.axx");
         escribe_archivo(ruta("ventas.axx"), axxus);
       },
       [&] { EXPECT_TRUE(dlg.gma()); }, [&] { EXPECT_TRUE(archivo(kArchivoAxxus) == lineas); }},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.operacion);
    olvida_log();
    gl_reinicia();
    c.prepara();
    medida->mayor = 0;
    c.corre();
    EXPECT_LE(medida->mayor, c.tope);
    c.mira();
  }
}

}  // namespace
