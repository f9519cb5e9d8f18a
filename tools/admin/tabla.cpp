// "table": printing, comparing and plotting (as SVG) calibration table files.
#include "admin/tabla.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <tuple>

#include "admin/archivos.h"
#include "calibration/g100.h"

namespace admin {

namespace {

// printf into a std::string, for fixed-width columns.
template <typename... A>
std::string fmt(const char* f, A... a) {
  char b[256];
  std::snprintf(b, sizeof b, f, a...);
  return b;
}

// Reads a table file into host order. False only when there is no table to
// show; damage is reported and counted in `danada`.
bool carga(const std::string& ruta, tabla_calib& t, bool& danada, std::ostream& errores) {
  std::vector<uint8_t> datos;
  std::string error;
  if (!lee_archivo(ruta, datos, error)) {
    errores << ruta << ": " << error << "\n";
    return false;
  }
  if (datos.size() != kLargoTablaCalib) {
    errores << ruta << ": " << datos.size() << " bytes, a table is " << kLargoTablaCalib << "\n";
    return false;
  }
  std::memcpy(&t, datos.data(), kLargoTablaCalib);
  const uint16_t suma = suma_tabla(t);
  if (t.suma[0] != (suma >> 8) || t.suma[1] != (suma & 0xFF)) {
    errores << ruta << ": checksum " << fmt("%02X%02X", t.suma[0], t.suma[1])
            << ", the bytes sum to " << fmt("%04X", suma) << "\n";
    danada = true;
  }
  convierte_tabla(t);
  if (t.version_formato != kVersionFormatoTabla) {
    errores << ruta << ": format version " << t.version_formato << ", not " << kVersionFormatoTabla
            << "\n";
    danada = true;
  }
  const int n = puntos_en_uso(t);
  for (int k = 1; k < n; ++k) {
    if (!(t.puntos[k].mm > t.puntos[k - 1].mm) || !(t.puntos[k].litros > t.puntos[k - 1].litros)) {
      errores << ruta << ": point " << k << " does not rise above point " << k - 1 << "\n";
      danada = true;
    }
  }
  return true;
}

std::string etiqueta(const tabla_calib& t) {
  std::string r;
  for (char c : t.etiqueta) {
    if (c == '\0') break;
    r.push_back(c >= ' ' && c < 127 ? c : '?');
  }
  return r;
}

std::string escapa_xml(const std::string& s) {
  std::string r;
  for (char c : s) {
    switch (c) {
      case '&': r += "&amp;"; break;
      case '<': r += "&lt;"; break;
      case '>': r += "&gt;"; break;
      case '"': r += "&quot;"; break;
      default: r.push_back(c);
    }
  }
  return r;
}

// A tick step of 1, 2 or 5 times a power of ten giving about five ticks.
double paso_marcas(double maximo) {
  if (!(maximo > 0.0) || !std::isfinite(maximo)) return 1.0;
  const double bruto = maximo / 5.0;
  const double e = std::pow(10.0, std::floor(std::log10(bruto)));
  const double f = bruto / e;
  return (f <= 1.0 ? 1.0 : f <= 2.0 ? 2.0 : f <= 5.0 ? 5.0 : 10.0) * e;
}

}  // namespace

int puntos_en_uso(const tabla_calib& t) {
  int n = 0;
  while (n < kPuntosTabla && t.puntos[n].litros != -1.0f) ++n;
  return n;
}

int tabla_print(const std::string& ruta, std::ostream& salida, std::ostream& errores) {
  tabla_calib t;
  bool danada = false;
  if (!carga(ruta, t, danada, errores)) return 1;
  const int n = puntos_en_uso(t);
  salida << "format version  " << t.version_formato << "\n"
         << "label           " << etiqueta(t) << "\n"
         << "version counter " << unsigned{t.version_tabla} << "\n"
         << "saved           " << fmt("%02x/%02x/%02x", t.dia, t.mes, t.anio) << "\n"
         << "diametro_tank   " << fmt("%.3f mm", double{t.diametro_tank}) << "\n"
         << "capacity        " << fmt("%.3f L", double{t.capacidad}) << "\n"
         << "points          " << n << "\n"
         << "  k          mm          litres       slope\n";
  for (int k = 0; k < n; ++k) {
    const punto_calib& p = t.puntos[k];
    salida << fmt("%3d %11.3f %15.3f %11.3f\n", k, double{p.mm}, double{p.litros},
                  double{p.pendiente});
  }
  return danada ? 1 : 0;
}

int tabla_compare(const std::string& ruta_a, const std::string& ruta_b, double tolerancia,
                  std::ostream& salida, std::ostream& errores) {
  tabla_calib a, b;
  bool danada = false;
  if (!carga(ruta_a, a, danada, errores) || !carga(ruta_b, b, danada, errores)) return 1;
  const int na = puntos_en_uso(a), nb = puntos_en_uso(b);
  if (na == 0 || nb == 0) {
    errores << (na == 0 ? ruta_a : ruta_b) << ": no points to compare\n";
    return 1;
  }
  // Every level of either table within the levels both cover, each table's
  // litres there by straight lines between its points.
  const double desde = std::max(a.puntos[0].mm, b.puntos[0].mm);
  const double hasta = std::min(a.puntos[na - 1].mm, b.puntos[nb - 1].mm);
  std::vector<float> niveles;
  for (const auto& [t, n] : {std::pair{&a, na}, std::pair{&b, nb}}) {
    for (int k = 0; k < n; ++k) {
      if (t->puntos[k].mm >= desde && t->puntos[k].mm <= hasta) niveles.push_back(t->puntos[k].mm);
    }
  }
  std::sort(niveles.begin(), niveles.end());
  niveles.erase(std::unique(niveles.begin(), niveles.end()), niveles.end());

  for (const auto& [nombre, ruta, t, n] :
       {std::tuple{"A", &ruta_a, &a, na}, std::tuple{"B", &ruta_b, &b, nb}}) {
    salida << nombre << " " << *ruta << ": " << n << " points from "
           << fmt("%.3f to %.3f mm, %.3f L", double{t->puntos[0].mm}, double{t->puntos[n - 1].mm},
                  double{t->capacidad})
           << "\n";
  }
  salida << "         mm        litres A        litres B      B-A litres\n";
  double mayor = 0.0, donde = 0.0;
  int fuera = 0;
  for (float mm : niveles) {
    const double la = interpola(a, mm), lb = interpola(b, mm), d = lb - la;
    const bool excede = !(std::fabs(d) <= tolerancia);
    fuera += excede;
    if (!(std::fabs(d) <= std::fabs(mayor))) {
      mayor = d;
      donde = mm;
    }
    salida << fmt("%11.3f %15.3f %15.3f %15.3f%s\n", double{mm}, la, lb, d, excede ? "  *" : "");
  }
  salida << fmt("largest difference %.3f L at %.3f mm; tolerance %.3f L: ", mayor, donde,
                tolerancia)
         << (fuera == 0 ? "the tables agree" : std::to_string(fuera) + " levels differ beyond it")
         << "\n";
  return danada || fuera != 0 ? 1 : 0;
}

std::string svg_tablas(const std::vector<std::pair<std::string, tabla_calib>>& tablas) {
  constexpr double kAncho = 800, kAlto = 500;
  constexpr double x0 = 80, y0 = 20, ancho = 690, alto = 410;  // the plot area
  static const char* const kColores[] = {"#1f5fbf", "#d0402a"};
  // Blue and red for one or two tables; more are a tank's versions, oldest
  // first, from light to dark.
  auto color = [&tablas](size_t i) {
    if (tablas.size() <= 2) return std::string(kColores[i]);
    const double f = static_cast<double>(i) / static_cast<double>(tablas.size() - 1);
    return fmt("rgb(%d,%d,%d)", static_cast<int>(160 - 150 * f), static_cast<int>(200 - 160 * f),
               static_cast<int>(240 - 120 * f));
  };

  double max_mm = 0.0, max_litros = 0.0;
  for (const auto& [nombre, t] : tablas) {
    for (int k = 0; k < puntos_en_uso(t); ++k) {
      const punto_calib& p = t.puntos[k];
      if (std::isfinite(p.mm)) max_mm = std::max(max_mm, double{p.mm});
      if (std::isfinite(p.litros)) max_litros = std::max(max_litros, double{p.litros});
    }
  }
  const double paso_x = paso_marcas(max_mm), paso_y = paso_marcas(max_litros);
  const double tope_x = std::max(1.0, std::ceil(max_mm / paso_x)) * paso_x;
  const double tope_y = std::max(1.0, std::ceil(max_litros / paso_y)) * paso_y;
  auto x = [&](double mm) { return x0 + mm / tope_x * ancho; };
  auto y = [&](double l) { return y0 + alto - l / tope_y * alto; };

  std::string s =
      fmt("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" "
          "font-family=\"sans-serif\" font-size=\"12\">\n"
          "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n",
          kAncho, kAlto);
  const char* const linea = "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\"/>\n";
  s += "<g stroke=\"#ccc\">\n";
  for (double v = 0; v <= tope_x + paso_x / 2; v += paso_x) {
    s += fmt(linea, x(v), y0, x(v), y0 + alto);
  }
  for (double v = 0; v <= tope_y + paso_y / 2; v += paso_y) {
    s += fmt(linea, x0, y(v), x0 + ancho, y(v));
  }
  s += "</g>\n";
  s +=
      fmt("<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"none\" "
          "stroke=\"black\"/>\n",
          x0, y0, ancho, alto);
  for (double v = 0; v <= tope_x + paso_x / 2; v += paso_x) {
    s += fmt("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">%g</text>\n", x(v), y0 + alto + 16,
             v);
  }
  for (double v = 0; v <= tope_y + paso_y / 2; v += paso_y) {
    s += fmt("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"end\">%g</text>\n", x0 - 6, y(v) + 4, v);
  }
  s += fmt("<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"middle\">level (mm)</text>\n", x0 + ancho / 2,
           kAlto - 12);
  s +=
      fmt("<text transform=\"translate(16 %.1f) rotate(-90)\" text-anchor=\"middle\">"
          "litres</text>\n",
          y0 + alto / 2);

  for (size_t i = 0; i < tablas.size(); ++i) {
    const tabla_calib& t = tablas[i].second;
    const std::string tinta = color(i);
    std::string puntos, circulos;
    for (int k = 0; k < puntos_en_uso(t); ++k) {
      const punto_calib& p = t.puntos[k];
      if (!std::isfinite(p.mm) || !std::isfinite(p.litros)) continue;
      puntos += fmt("%s%.1f,%.1f", puntos.empty() ? "" : " ", x(p.mm), y(p.litros));
      if (p.pendiente != 0.0f) {
        circulos += fmt("<circle cx=\"%.1f\" cy=\"%.1f\" r=\"3\"/>\n", x(p.mm), y(p.litros));
      }
    }
    s +=
        fmt("<polyline fill=\"none\" stroke=\"%s\" stroke-width=\"1.5\" points=\"", tinta.c_str()) +
        puntos + "\"/>\n";
    s += fmt("<g fill=\"%s\">\n", tinta.c_str()) + circulos + "</g>\n";
    s += fmt("<text x=\"%.1f\" y=\"%.1f\" fill=\"%s\">", x0 + 10, y0 + 18 + 16 * double(i),
             tinta.c_str()) +
         escapa_xml(tablas[i].first) + "</text>\n";
  }
  s += "</svg>\n";
  return s;
}

int tabla_plot(const std::vector<std::string>& rutas, const std::string& ruta_svg,
               std::ostream& errores) {
  std::vector<std::pair<std::string, tabla_calib>> tablas;
  bool danada = false;
  for (const std::string& r : rutas) {
    tabla_calib t;
    if (!carga(r, t, danada, errores)) return 1;
    tablas.emplace_back(r, t);
  }
  const std::string svg = svg_tablas(tablas);
  std::string error;
  if (!escribe_archivo(ruta_svg, std::vector<uint8_t>(svg.begin(), svg.end()), error)) {
    errores << ruta_svg << ": " << error << "\n";
    return 1;
  }
  return danada ? 1 : 0;
}

}  // namespace admin
