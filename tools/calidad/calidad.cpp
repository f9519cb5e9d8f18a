// The calibration quality run: the station, the simulated console and its
// forecourt on one simulated platform, and the working table measured
// against the true tank at the end of every day.
#include "calidad/calidad.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "admin/estacion.h"
#include "app/CNivaraDlg.h"
#include "eventstore/suceso.h"
#include "qtr10/consola_sim.h"
#include "sales/controladores.h"
#include "surtidor/surtidor.h"

namespace calidad {

namespace {

constexpr const char* kConsola = "10.0.0.7";
constexpr unsigned kPuerto = 10001;
constexpr int64_t kMinuto = 60 * 1000;

configuracion_tnq estacion() {
  configuracion_tnq c{};
  const uint8_t ip[4] = {10, 0, 0, 7};
  std::memcpy(c.bytes + tnq::kIp, ip, 4);
  c.pon_puerto(kPuerto);
  std::memcpy(c.bytes + tnq::kCodigoAcceso, "12345678", 8);
  c.pon_controlador(CONTROLADOR_WOLF);
  c.pon_texto(tnq::kFileVentas, tnq::kLargoFileVentas, "ventas.txt");
  c.pon_texto(tnq::kFileStock, tnq::kLargoFileStock, "stock.txt");
  c.pon_par(0, 0, 1, 1);
  c.pon_genera(0, 1);
  c.pon_actu_qtr(0, 1);
  return c;
}

void escribe(const std::string& ruta, const std::vector<uint8_t>& datos) {
  std::ofstream(ruta, std::ios::binary)
      .write(reinterpret_cast<const char*>(datos.data()),
             static_cast<std::streamsize>(datos.size()));
}

}  // namespace

Resultado mide(const Escenario& e, plat::SimPlatform& sim) {
  const qtr10::Curva verdad = qtr10::Curva::cilindro(2000, 10000);
  qtr10::ConfigConsola cc;
  cc.codigo_acceso = {'1', '2', '3', '4', '5', '6', '7', '8'};
  qtr10::ConfigTanque t;
  t.curva = verdad;
  t.nivel_mm = 1800;
  t.escala_tabla = e.escala_tabla;
  t.ruido_mm = e.ruido_mm;
  t.picos = {{1, 1, e.error_medidor}};
  cc.tanques.push_back(t);
  for (int i = 1; i <= e.dias; ++i) {
    qtr10::DescargaProgramada d;
    d.inicio_s = 36 * 3600 * i;
    d.litros = 16000;
    d.minutos = 30;
    cc.descargas.push_back(d);
  }
  const std::string ventas = sim.path_of("ventas.txt");
  cc.playa.controlador = CONTROLADOR_WOLF;
  cc.playa.archivo = ventas;
  cc.playa.ventas_hora = e.ventas_hora;
  cc.playa.litros_min = 15;
  cc.playa.litros_max = 30;
  cc.playa.semilla = 5;
  // Yesterday's sale: the file reaches back beyond the start.
  fecha_bcd hoy{};
  fecha_actual(&hoy);
  fecha_bcd ayer = hoy;
  ayer.dia = bin_a_bcd(bcd_a_bin(hoy.dia) > 1 ? bcd_a_bin(hoy.dia) - 1 : 1);
  ayer.hora = 0;
  std::string error;
  surtidor::venta_surtidor vieja;
  vieja.fecha = ayer;
  vieja.litros = 10;
  vieja.contador = 1000;
  if (!surtidor::agrega_venta(ventas, CONTROLADOR_WOLF, vieja, &error)) {
    return {};
  }
  escribe(sim.path_of("tnq.ini"), admin::archivo_tnq(estacion()));

  qtr10::ConsolaSim consola(sim, cc);
  sim.listen(kConsola, kPuerto, &consola);
  auto dlg = std::make_unique<CNivaraDlg>();
  sim.set_timer_handler([&dlg](unsigned id) { dlg->ot(id); });
  dlg->oid();

  Resultado r;
  std::memcpy(&r.consola_inicial, consola.tanque(0).tabla().data(), sizeof r.consola_inicial);
  convierte_tabla(r.consola_inicial);
  double bajo = 1e9, alto = 0;
  for (int dia = 0; dia < e.dias; ++dia) {
    for (int minuto = 0; minuto < 24 * 60; ++minuto) {
      sim.run_for(kMinuto);
      bajo = std::min(bajo, consola.tanque(0).nivel());
      alto = std::max(alto, consola.tanque(0).nivel());
    }
    if (!lct("tan\\ct1n.tan", &r.trabajo)) break;
    Dia d{bajo, alto, 0, 0};
    int n = 0;
    for (const punto_calib& p : r.trabajo.puntos) {
      if (p.mm < bajo || p.mm > alto) continue;
      const double desvio = std::fabs(p.litros - verdad.litros(p.mm));
      d.mayor = std::max(d.mayor, desvio);
      d.media += desvio;
      ++n;
    }
    d.media /= std::max(n, 1);
    r.dias.push_back(d);
  }
  r.verdad = r.trabajo;
  for (punto_calib& p : r.verdad.puntos) p.litros = static_cast<float>(verdad.litros(p.mm));
  std::ifstream f(sim.path_of(kArchivoSincro), std::ios::binary);
  const std::string almacen{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
  for (size_t i = 0; i + kLargoSuceso <= almacen.size(); i += kLargoSuceso) {
    r.versiones +=
        almacen[i] == SUCESO_FOTO && (almacen[i + campo_suceso::kFlags] & kFlagProgramada) != 0;
  }
  sim.set_timer_handler({});
  dlg.reset();
  return r;
}

std::string texto(const Resultado& r) {
  std::string t = "day  band (mm)     largest (L)  mean (L)\n";
  char linea[96];
  for (size_t i = 0; i < r.dias.size(); ++i) {
    const Dia& d = r.dias[i];
    std::snprintf(linea, sizeof linea, "%3zu  %4.0f-%4.0f  %12.1f  %8.1f\n", i + 1, d.banda_baja,
                  d.banda_alta, d.mayor, d.media);
    t += linea;
  }
  std::snprintf(linea, sizeof linea, "table versions programmed into the console: %d\n",
                r.versiones);
  return t + linea;
}

std::string svg(const Resultado& r) {
  constexpr double kAncho = 640, kAlto = 360, kMargen = 50;
  std::string s = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                  std::to_string(static_cast<int>(2 * kAncho)) + "\" height=\"" +
                  std::to_string(static_cast<int>(kAlto)) + "\" font-family=\"sans-serif\" " +
                  "font-size=\"12\">\n<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  char b[160];
  // A polyline of `n` points in the panel starting at `x0`, scaled to the
  // maxima given.
  auto linea = [&](double x0, int n, auto x, auto y, double max_x, double max_y, const char* color,
                   const char* nombre, int fila) {
    s += "<polyline fill=\"none\" stroke=\"" + std::string(color) + "\" points=\"";
    for (int i = 0; i < n; ++i) {
      std::snprintf(b, sizeof b, "%.1f,%.1f ", x0 + kMargen + x(i) / max_x * (kAncho - 2 * kMargen),
                    kAlto - kMargen - y(i) / max_y * (kAlto - 2 * kMargen));
      s += b;
    }
    std::snprintf(b, sizeof b, "\"/>\n<text x=\"%.0f\" y=\"%d\" fill=\"%s\">%s</text>\n",
                  x0 + kMargen + 10, 20 + 16 * fila, color, nombre);
    s += b;
  };
  // Litres against level: the truth, the console's first table, the working table.
  const double mm = r.verdad.puntos[kPuntosTabla - 1].mm;
  const double litros = std::max(r.verdad.capacidad, r.verdad.puntos[kPuntosTabla - 1].litros);
  const std::pair<const tabla_calib*, const char*> curvas[] = {
      {&r.verdad, "true tank"},
      {&r.consola_inicial, "console's first table"},
      {&r.trabajo, "working table"}};
  const char* colores[] = {"black", "red", "blue"};
  for (int c = 0; c < 3; ++c) {
    const tabla_calib& t = *curvas[c].first;
    int n = 0;
    while (n < kPuntosTabla && t.puntos[n].litros >= 0 && (n == 0 || t.puntos[n].mm > 0)) ++n;
    linea(
        0, n, [&](int i) { return +t.puntos[i].mm; }, [&](int i) { return +t.puntos[i].litros; },
        mm, litros, colores[c], curvas[c].second, c);
  }
  // The error per day.
  double mayor = 1;
  for (const Dia& d : r.dias) mayor = std::max(mayor, d.mayor);
  const int n = static_cast<int>(r.dias.size());
  linea(
      kAncho, n, [](int i) { return static_cast<double>(i + 1); },
      [&](int i) { return r.dias[static_cast<size_t>(i)].mayor; }, std::max(n, 1), mayor, "red",
      "largest error (L) per day", 0);
  linea(
      kAncho, n, [](int i) { return static_cast<double>(i + 1); },
      [&](int i) { return r.dias[static_cast<size_t>(i)].media; }, std::max(n, 1), mayor, "blue",
      "mean error (L) per day", 1);
  std::snprintf(b, sizeof b,
                "<text x=\"%.0f\" y=\"%.0f\">level 0-%.0f mm, litres 0-%.0f</text>\n"
                "<text x=\"%.0f\" y=\"%.0f\">days 1-%d, error 0-%.0f L</text>\n</svg>\n",
                kMargen, kAlto - 15, mm, litros, kAncho + kMargen, kAlto - 15, n, mayor);
  return s + b;
}

}  // namespace calidad
