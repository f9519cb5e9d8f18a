// The automatic calibration driver: the working table loaded, the captured
// points applied and saved, and every fifth point a new table version, kept
// as a backup, marked in the store and handed to the console.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/CNivaraDlg.h"
#include "entorno.h"

namespace {

using plat::Op;
using V = std::vector<std::string>;

// One captured point at 5.05 L/mm on a table of 5 L/mm.
std::string con_captura() { return almacen_de(tramo_captura()); }

class Autclb : public EstacionConAlmacen {
 protected:
  // Tank 1's working table on disk: 20 mm steps of 100 L, table version
  // `version`; the store; the capture counter; and only `falla` injected.
  void prepara_tanque(const std::string& almacen, int puntos, uint8_t version = 7,
                      const plat::Fault& falla = {.nth = 0}) {
    std::filesystem::create_directories(ruta("tan"));
    tabla_calib t = tabla_de_pasos();
    t.version_formato = kVersionFormatoTabla;
    t.version_tabla = version;
    ASSERT_TRUE(scf(0, t));
    prepara(almacen, falla);
    d.calib.contador_captura[0] = puntos;
    d.config = configuracion_ejemplo();
  }

  CNivaraDlg d;
};

TEST_F(Autclb, EveryFifthPointMakesANewTableVersion) {
  const std::string creada = "T:tan\\ct1v8.tan  creado";
  const std::string captura =
      "T:Captura T1: 15/03/23 10:01:00  1000-980= 19.8 mm -- 100.0 Surt -- 5.1 Surt/mm -- 5.0 "
      "Med/mm  Adya=5.0 --SI--";
  struct Caso {
    const char* nombre;
    std::string almacen;
    int puntos;         // before the run
    uint8_t version;    // the table's, before the run
    int otro_pcw;       // another tank's programming outstanding; -1: none
    uint32_t actu_qtr;  // the tank's table is programmed into the console
    plat::Fault falla;
    V eventos;
    bool nueva;  // a new version: backup, snapshot with bit 6
  };
  const std::string arranque = Almacen().arranque(fecha_de(5, 3, 26, 8)).datos;
  const Caso casos[] = {
      {"nothing new", arranque, 3, 7, -1, 1, {.nth = 0}, {"T:Autclb:C"}, false},
      {"a point, not the fifth",
       con_captura(),
       3,
       7,
       -1,
       1,
       {.nth = 0},
       {captura, ev(MSJ_AUTCLB_NUEVA_T1), "T:Autclb:C"},
       false},
      {"the fifth point",
       con_captura(),
       4,
       7,
       -1,
       1,
       {.nth = 0},
       {captura, ev(MSJ_AUTCLB_NUEVA_T1), creada, "T:Reprog T1", "T:Autclb:E"},
       true},
      // Five differences found in the console's table: a version without a point.
      {"five from the console",
       arranque,
       5,
       7,
       -1,
       0,
       {.nth = 0},
       {ev(MSJ_AUTCLB_NUEVA_T1), creada, "T:Autclb:F"},
       true},
      {"after version 255",
       arranque,
       5,
       255,
       -1,
       0,
       {.nth = 0},
       {ev(MSJ_AUTCLB_NUEVA_T1), "T:tan\\ct1v0.tan  creado", "T:Autclb:F"},
       true},
      {"another tank's programming",
       arranque,
       5,
       7,
       3,
       1,
       {.nth = 0},
       {ev(MSJ_AUTCLB_NUEVA_T1), creada, "T:Autclb:D"},
       true},
      {"no backup",
       arranque,
       5,
       7,
       -1,
       0,
       {.op = Op::kCopy},
       {ev(MSJ_AUTCLB_NUEVA_T1), ev(MSJ_AUTCLB_SIN_RESPALDO), "T:Autclb:F"},
       true},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    prepara_tanque(c.almacen, c.puntos, c.version, c.falla);
    d.prog.tanque_pcw = c.otro_pcw;
    d.prog.pendiente_PCW = 0;
    d.config.pon_actu_qtr(0, c.actu_qtr);
    const std::string antes = archivo("tan/ct1n.tan");
    d.Autclb(0);
    EXPECT_EQ(eventos(), c.eventos);

    // The table on disk: saved with the new point or version, else as it was.
    tabla_calib t{};
    ASSERT_TRUE(lct("tan\\ct1n.tan", &t));
    const bool guardada = c.eventos.size() > 1;
    EXPECT_EQ(archivo("tan/ct1n.tan") != antes, guardada);
    EXPECT_EQ(t.version_tabla, static_cast<uint8_t>(c.version + (c.nueva ? 1 : 0)));
    EXPECT_EQ(d.calib.contador_captura[0], c.nueva ? 0 : c.puntos + (guardada ? 1 : 0));
    const std::string almacen = almacenado();
    const auto* ultimo = reinterpret_cast<const uint8_t*>(almacen.data()) + almacen.size() - 21;
    EXPECT_EQ(almacen.size() > c.almacen.size(), c.nueva);
    if (c.nueva) {
      EXPECT_EQ(tipo_suceso(ultimo), SUCESO_FOTO);
      EXPECT_EQ(ultimo[campo_suceso::kFlags] & kFlagAutclb, kFlagAutclb);
      const std::string respaldo =
          "tan/ct1v" + std::to_string(static_cast<uint8_t>(c.version + 1)) + ".tan";
      EXPECT_EQ(existe(ruta(respaldo)), c.falla.nth == 0);
      if (c.falla.nth == 0) {
        EXPECT_EQ(archivo(respaldo), archivo("tan/ct1n.tan"));
      }
    }
    // Handed to the console: the table in the console's byte order.
    const bool programa = c.eventos.back() == "T:Autclb:E";
    EXPECT_EQ(d.prog.tanque_pcw, programa ? 0 : c.otro_pcw);
    EXPECT_EQ(d.prog.pendiente_PCW, programa ? 1 : 0);
    if (programa) {
      tabla_calib consola = t;
      convierte_tabla(consola);
      EXPECT_EQ(std::memcmp(&d.calib.imagen_pcw, &consola, offsetof(tabla_calib, dia)), 0);
      EXPECT_EQ(std::memcmp(&d.calib.imagen_pcw.reservado, &consola.reservado,
                            offsetof(tabla_calib, suma) - offsetof(tabla_calib, reservado)),
                0);
    }
    std::filesystem::remove_all(ruta("tan"));
  }
}

// A table that cannot be loaded is deleted, and made again from the
// console's table when that is next read.
TEST_F(Autclb, ADamagedTableIsDeleted) {
  prepara_tanque("", 0);
  escribe_archivo(ruta("tan/ct1n.tan"), "dañada");
  d.Autclb(0);
  const V e = eventos();
  ASSERT_FALSE(e.empty());
  EXPECT_EQ(e.back(), "T:Autclb:A");
  EXPECT_FALSE(existe(ruta("tan/ct1n.tan")));
}

}  // namespace
