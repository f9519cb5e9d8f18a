// Tank records decoded, the new-stock test, and the stock report file.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "asesina.h"
#include "entorno.h"
#include "foundation/bytes.h"
#include "foundation/resumen.h"
#include "inventory/registro_descarga.h"

namespace {

using bytes = std::vector<uint8_t>;

// Console bytes in wire order, numbers big-endian.
struct trama {
  std::vector<uint8_t> b;
  trama& u8(int v, size_t veces = 1) {
    b.insert(b.end(), veces, static_cast<uint8_t>(v));
    return *this;
  }
  trama& u16(int v) { return u8(v >> 8).u8(v); }
  trama& real(float f) {
    return u16(static_cast<int>(bits_de_real(f) >> 16)).u16(static_cast<int>(bits_de_real(f)));
  }
  trama& texto(const std::string& s) {
    b.insert(b.end(), s.begin(), s.end());
    return *this;
  }
};

const std::string kFecha("\x45\x30\x10\x29\x09\x05\x22", 7);  // 29/09/22 10:30:45

// An inventory reply up to the tank count, with no sale question.
trama cabecera(int version, int n) { return trama().u8(0, 8).u8(0xFF).u8(0, 4).u8(version).u8(n); }

// A record of the layouts that carry their own status byte (3 and 4).
void registro_moderno(trama& t, float litros) {
  t.u8(1).texto(kFecha).texto("SUPER 98 PREMIUM").u8(0x5A).u16(-25).real(1234.5f).u8(0x13);
  t.real(litros).real(25000.0f).u8(0xAA, 6).real(15.5f).u8(0xCC).u16(1850).real(0.5f);
}

// Every field set, so that what the decoder leaves alone shows.
registro_tanque ocupado() {
  registro_tanque r;
  std::memset(&r, 0x77, sizeof r);
  return r;
}

// Every field of a decoded record, NUL bytes of the name as dots.
std::string campos(const registro_tanque& r) {
  char fecha[18];
  fecha_a_texto(fecha, r.fecha_hora);
  std::string producto(r.producto, 16);
  for (char& c : producto) c = c == '\0' ? '.' : c;
  return formatea("%d %s %s %02X %d %.1f %02X %.1f %.1f %.1f %d %.2f libres %02X %02X %02X",
                  r.Inventario, fecha, producto.c_str(), r.status_calibs, r.merma_mes,
                  static_cast<double>(r.nivel), r.liq_agua_medible, static_cast<double>(r.litros),
                  static_cast<double>(r.litros_vacio), static_cast<double>(r.nivel_agua),
                  r.temperatura, static_cast<double>(r.perdidas), r.libre_1[0], r.libre_2[0],
                  r.libre_3);
}

TEST(InventarioDecodifica, EachLayoutFillsTheFieldsItHoldsAndOnlyThose) {
  // Layout 2: the status byte from three flags (1, 0, 5), the measurability
  // byte from two (0xFF gives only 0x30, 0xFE only 0x02), a name ended early.
  trama dos = cabecera(2, 1);
  dos.u8(1).texto(kFecha).texto(std::string("GASOIL\0XXXXXXXXX", 16)).u8(1).u8(0).u8(5);
  dos.real(1234.5f).u8(0xFF).real(5000.0f).real(25000.0f).real(111.0f).u16(7);
  dos.real(12.0f).u8(0xFE).u16(-150).real(0.25f).u8(0, 3);
  // Layouts 3 and 4 (any version byte but 1 to 3) carry the status byte
  // whole; only 4 holds the month's shrinkage.
  trama tres = cabecera(3, 1), siete = cabecera(7, 1);
  registro_moderno(tres, 5000.0f);
  registro_moderno(siete, 5000.0f);
  // Layout 1 starts at the tank count, which is also the first Inventario.
  trama uno = cabecera(1, 2);
  uno.b.pop_back();
  for (float litros : {100.0f, 200.0f}) {
    uno.u8(2).texto(kFecha).u8(0).u8(1).u8(0).real(800.0f).u8(0x10).real(litros).real(9000.0f);
    uno.real(0.0f).u16(7).real(3.0f).u8(0x01).u16(2000).real(0.0f);
  }
  const std::string f = "29/09/22 10:30:45 ", nombre = "SUPER 98 PREMIUM",
                    libres = " libres 77 77 77";
  const std::string en_uno = "2 " + f + "wwwwwwwwwwwwwwww 40 0 800.0 11 ";
  const std::pair<trama, std::vector<std::string>> casos[] = {
      {dos, {"1 " + f + "GASOIL.......... A0 0 1234.5 32 5000.0 25000.0 12.0 -150 0.25"}},
      {tres, {"1 " + f + nombre + " 5A 0 1234.5 13 5000.0 25000.0 15.5 1850 0.50"}},
      {siete, {"1 " + f + nombre + " 5A -25 1234.5 13 5000.0 25000.0 15.5 1850 0.50"}},
      {uno, {en_uno + "100.0 9000.0 3.0 2000 0.00", en_uno + "200.0 9000.0 3.0 2000 0.00"}},
  };
  for (const auto& [t, esperado] : casos) {
    bytes b = t.b;
    b.resize(18 + 57 * esperado.size() + 3, 0);
    std::vector<registro_tanque> r(kTanquesConsola, ocupado());
    decodifica_tanques(b.data(), b.size(), r.data());
    for (size_t i = 0; i < esperado.size(); ++i)
      EXPECT_EQ(campos(r[i]), esperado[i] + libres) << b[13];
    EXPECT_EQ(r[esperado.size()].status_calibs, 0x77);
  }
}

TEST(InventarioDecodifica, NeverReadsOrWritesBeyondItsBuffers) {
  // Buffers of exactly their size, so that the sanitizer sees a stray access.
  trama t = cabecera(4, 20);
  for (int i = 0; i < 20; ++i) registro_moderno(t, static_cast<float>(i));
  std::vector<registro_tanque> r(kTanquesConsola);
  decodifica_tanques(t.b.data(), t.b.size(), r.data());
  EXPECT_EQ(r[15].litros, 15.0f);

  // Three tanks announced, two sent: the third stays as it was.
  bytes corta(t.b.begin(), t.b.begin() + 15 + 57 * 2 + 10);
  corta[14] = 3;
  r.assign(kTanquesConsola, ocupado());
  decodifica_tanques(corta.data(), corta.size(), r.data());
  EXPECT_EQ(r[1].litros, 1.0f);
  EXPECT_EQ(r[2].status_calibs, 0x77);
  bytes sin_cuenta(t.b.begin(), t.b.begin() + 14);
  decodifica_tanques(sin_cuenta.data(), sin_cuenta.size(), r.data());
}

TEST(InventarioStock, NewStockNeedsAChangeBeyondCapacityOver15000) {
  // Capacity 30000: more than 2 litres either way; 0 (no table read yet):
  // any change; a tank without inventory never.
  const struct {
    int8_t inventario;
    float litros, capacidad;
    bool nuevo;
  } casos[] = {{1, 1002.0f, 30000, false}, {1, 998.0f, 30000, false}, {1, 1002.1f, 30000, true},
               {1, 997.9f, 30000, true},   {1, 1000.1f, 0, true},     {1, 1000.0f, 0, false},
               {0, 50000.0f, 0, false}};
  registro_tanque foto{}, actual{};
  foto.litros = 1000.0f;
  for (const auto& c : casos) {
    actual.Inventario = c.inventario;
    actual.litros = c.litros;
    EXPECT_EQ(stock_nuevo(actual, foto, c.capacidad), c.nuevo) << c.litros << " " << c.capacidad;
  }
}

registro_tanque tanque_ejemplo(uint8_t medible = 0) {
  registro_tanque r{.Inventario = 1,
                    .producto = "GASOIL",
                    .merma_mes = -25,
                    .nivel = 1234.567f,
                    .liq_agua_medible = medible,
                    .litros = 5000.04f,
                    .litros_vacio = 20000.0f,
                    .nivel_agua = 15.4f,
                    .temperatura = 1850};
  std::memcpy(&r.fecha_hora, kFecha.data(), 7);
  return r;
}

std::string bloque_tanque(int n, const char* nivel = " ", const char* agua = " ",
                          const std::string& producto = "GASOIL") {
  const std::string m = std::string(",") + nivel + ",";
  return "Tanque," + std::to_string(n) + "\nFecha,29/09/22 10:30:45\nProducto," + producto +
         "\nNivel" + m + "1234.57,mm\nLitros" + m + "5000.0,litros\nLitros Vacio" + m +
         "20000.0,litros\nMerma mes,-2.5,litros\nNivel Agua," + agua +
         ",15,mm\nTemperatura,18.5,grados\nPerdidas,0.0,litros/hora\n";
}

registro_descarga descarga(int tanque, float inicial, float fin, int marcas) {
  trama t = trama().texto("GASOIL").u8(0, 10).texto(kFecha).u8(tanque).real(inicial).real(fin);
  registro_descarga d;
  std::memcpy(d.b, t.u8(0xEE, 12).u8(marcas).b.data(), sizeof d.b);
  return d;
}

std::string bloque_descarga(int tanque, const char* ini, const char* fin, const char* total,
                            int marcas) {
  auto m = [&](int bits) { return std::string((marcas & bits) ? ",? ," : ", ,"); };
  const std::string t = m(0x0F) + total + ",litros\n";
  return "DESCARGA EN TANQUE," + std::to_string(tanque) +
         "\nFecha,29/09/22 10:30:45\nProducto,GASOIL\n" + "Liquido Inicial" + m(0x05) + ini +
         ",litros\nLiquido Final" + m(0x0A) + fin + ",litros\nLiquido Total" + t +
         "Agua Inicial, ,0,litros\nAgua Final, ,0,litros\n" +
         "Agua Total, ,0,litros\nProducto Total" + t;
}

class InventarioArchivo : public Estacion {};

TEST_F(InventarioArchivo, ABlockPerTankThenTwoDeliveriesPerTankAndAFailedSectionLeavesTheOther) {
  std::vector<registro_tanque> r(kTanquesConsola, tanque_ejemplo());
  r[1].Inventario = 0;
  r[2] = tanque_ejemplo(0x10);
  r[3] = tanque_ejemplo(0x01);
  std::memcpy(r[4].producto, "SUPER 98 PREMIUM", 16);
  r[4].status_calibs = 'X';  // right behind the name, not part of it
  std::vector<registro_descarga> tabla(kEntradasDescarga, registro_descarga{});
  tabla[0] = descarga(9, 1.0f, 2.0f, 0);
  tabla[0].b[22] = 0;  // year 0: empty whatever else it holds
  tabla[1] = descarga(2, 1200.0f, 9150.5f, 0x09);
  tabla[2] = descarga(1, 500.0f, 600.0f, 0x02);
  tabla[3] = descarga(1, 0.04f, 600000.0f, 0x04);  // 599999.9 in single precision
  tabla[10] = descarga(5, 1.0f, 2.0f, 0);          // past the tanks reported
  auto escribe = [&] { escribe_informe_stock("stock.txt", r.data(), tabla.data(), 5); };
  const std::string stock = bloque_tanque(1) + "Tanque,2\n" + std::string(11, '\n') +
                            bloque_tanque(3, "*", " ") + bloque_tanque(4, " ", "*") +
                            bloque_tanque(5, " ", " ", "SUPER 98 PREMIUM");
  const std::string descargas = bloque_descarga(3, "1200.0", "9150.5", "7950.5", 0x09) +
                                bloque_descarga(2, "500.0", "600.0", "100.0", 0x02) +
                                bloque_descarga(2, "0.0", "600000.0", "600000.0", 0x04);

  // Written beside the report and renamed over it: a report not made, or
  // not put in place, leaves the last one.
  const std::string nuevo = "stock.txt.tmp";
  sim->inject({.op = plat::Op::kOpen, .path = nuevo});
  escribe();
  EXPECT_FALSE(existe(ruta("stock.txt")));
  escribe_archivo(ruta("stock.txt"), std::string(5000, 'x'));
  escribe();
  EXPECT_EQ(archivo("stock.txt"), stock + descargas);
  sim->inject({.op = plat::Op::kWrite, .path = nuevo});
  escribe();
  EXPECT_EQ(archivo("stock.txt"), descargas);
  sim->inject({.op = plat::Op::kWrite, .path = nuevo, .nth = 2, .short_io = true});
  escribe();
  EXPECT_EQ(archivo("stock.txt"), stock + descargas.substr(0, descargas.size() / 2));
  sim->inject({.op = plat::Op::kRename});
  escribe();
  EXPECT_EQ(archivo("stock.txt"), stock + descargas.substr(0, descargas.size() / 2));
  EXPECT_FALSE(existe(ruta(nuevo)));
  EXPECT_EQ(eventos(), (std::vector<std::string>{ev(MSJ_AFS_NO_CREA_STOCK), ev(MSJ_AFS_STOCK_1),
                                                 ev(MSJ_AFS_STOCK_2), ev(MSJ_AFS_STOCK_1)}));
  // Killed at any step, the report is the last one or the new one, whole.
  const std::string viejo = "Tanque,1\n";
  const int muertes = mata_en_cada_paso(
      *sim, [&] { escribe_archivo(ruta("stock.txt"), viejo); }, escribe,
      [&](bool murio) {
        const std::string tras = archivo("stock.txt");
        EXPECT_TRUE(tras == viejo || tras == stock + descargas);
        EXPECT_TRUE(murio || tras == stock + descargas);
      });
  EXPECT_GE(muertes, 5);  // two sections, sync, close, rename

  // Never past the 16 tanks or the 32 entries.
  EXPECT_EQ(seccion_stock(r.data(), 200), seccion_stock(r.data(), 16));
  tabla.assign(kEntradasDescarga, descarga(0, 0.0f, 1.0f, 0));
  EXPECT_EQ(seccion_descargas(tabla.data(), 255).size(),
            32 * bloque_descarga(1, "0.0", "1.0", "1.0", 0).size());
}

}  // namespace
