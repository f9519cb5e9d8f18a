// Reading the console simulator's "key = value" configuration.
#include "qtr10/config.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

#include "comun/texto.h"
#include "foundation/tnq.h"
#include "qtr10/reloj.h"
#include "sales/controladores.h"

namespace qtr10 {

namespace {

constexpr size_t kMaxTanques = 16;
constexpr double kMaxErrorPct = 50;
constexpr double kMaxLitrosVenta = 9999;  // fits any layout's litres field
constexpr double kMaxVentasHora = 3600;   // one a second

using texto::entre_comillas;
using texto::palabras;
using texto::recorta;
using texto::sin_comentario;

template <typename T>
bool numero(std::string_view s, T& v) {
  if (s.empty()) return false;
  if (!s.empty() && s[0] == '+') s.remove_prefix(1);
  auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

template <typename T>
bool entero(std::string_view s, T minimo, T maximo, T& v) {
  return numero(s, v) && v >= minimo && v <= maximo;
}

// A byte in decimal, or in hex after "0x".
bool byte(std::string_view s, uint8_t& v) {
  unsigned u = 0;
  if (s.size() > 2 && (s.substr(0, 2) == "0x" || s.substr(0, 2) == "0X")) {
    auto r = std::from_chars(s.data() + 2, s.data() + s.size(), u, 16);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || u > 255) return false;
  } else if (!entero(s, 0u, 255u, u)) {
    return false;
  }
  v = static_cast<uint8_t>(u);
  return true;
}

bool bandera(std::string_view s, bool& v) {
  if (s == "0" || s == "1") {
    v = s == "1";
    return true;
  }
  return false;
}

// 8 hex bytes, with blanks between them or not.
std::string fija_codigo(std::string_view v, Codigo& codigo) {
  std::string hex;
  for (char ch : v) {
    if (ch != ' ' && ch != '\t') hex += ch;
  }
  if (hex.size() != 16) return "bad access code " + entre_comillas(v) + " (expected 8 hex bytes)";
  for (size_t i = 0; i < 8; ++i) {
    unsigned b = 0;
    auto r = std::from_chars(hex.data() + 2 * i, hex.data() + 2 * i + 2, b, 16);
    if (r.ec != std::errc() || r.ptr != hex.data() + 2 * i + 2) {
      return "bad access code " + entre_comillas(v) + " (expected 8 hex bytes)";
    }
    codigo[i] = static_cast<uint8_t>(b);
  }
  return {};
}

std::string fija_tanque(ConfigTanque& t, std::string_view v) {
  std::vector<std::string_view> p = palabras(v);
  auto real = [&](size_t& i, double& d, std::string_view que) -> std::string {
    if (i + 1 >= p.size() || !numero(p[i + 1], d))
      return "tank: " + std::string(que) + " needs a number";
    ++i;
    return {};
  };
  bool nivel_dado = false;
  for (size_t i = 0; i < p.size(); ++i) {
    std::string e;
    std::string_view k = p[i];
    if (k == "product") {
      if (i + 1 >= p.size() || p[i + 1].size() > 16)
        return "tank: product needs a name of 1 to 16 characters";
      t.producto = std::string(p[++i]);
    } else if (k == "cylinder") {
      double d = 0, l = 0;
      if (!(e = real(i, d, "cylinder")).empty() || !(e = real(i, l, "cylinder")).empty()) return e;
      if (d <= 0 || l <= 0) return "tank: cylinder needs a diameter and a length above 0";
      t.curva = Curva::cilindro(d, l);
    } else if (k == "table") {
      std::vector<std::pair<double, double>> puntos;
      while (i + 1 < p.size() && p[i + 1].find('/') != std::string_view::npos) {
        std::string_view q = p[++i];
        size_t barra = q.find('/');
        double mm = 0, litros = 0;
        if (!numero(q.substr(0, barra), mm) || !numero(q.substr(barra + 1), litros)) {
          return "tank: bad table point " + entre_comillas(q) + " (expected mm/litres)";
        }
        puntos.emplace_back(mm, litros);
      }
      if (!Curva::valida(puntos)) {
        return "tank: table needs 2 or more mm/litres points from 0 mm, both rising";
      }
      t.curva = Curva::tabla(std::move(puntos));
    } else if (k == "level") {
      if (!(e = real(i, t.nivel_mm, k)).empty()) return e;
      nivel_dado = true;
    } else if (k == "water") {
      if (!(e = real(i, t.agua_mm, k)).empty()) return e;
    } else if (k == "temperature") {
      if (!(e = real(i, t.temperatura, k)).empty()) return e;
    } else if (k == "sales") {
      if (!(e = real(i, t.ventas_lpm, k)).empty()) return e;
    } else if (k == "gauge_noise") {
      if (!(e = real(i, t.ruido_mm, k)).empty()) return e;
      if (t.ruido_mm < 0) return "tank: gauge_noise must not be below 0";
    } else if (k == "table_scale") {
      if (!(e = real(i, t.escala_tabla, k)).empty()) return e;
      if (t.escala_tabla <= 0) return "tank: table_scale must be above 0";
    } else if (k == "nozzles") {
      // pump/nozzle, or pump/nozzle:error with the meter's error in percent.
      const size_t antes = t.picos.size();
      while (i + 1 < p.size() && p[i + 1].find('/') != std::string_view::npos) {
        std::string_view q = p[++i];
        const size_t barra = q.find('/'), dos_puntos = q.find(':');
        ConfigPico pico;
        std::string_view error =
            dos_puntos == std::string_view::npos ? "0" : q.substr(dos_puntos + 1);
        if (!entero(q.substr(0, barra), 1, 99, pico.surtidor) ||
            !entero(q.substr(barra + 1, dos_puntos - barra - 1), 1, 99, pico.pico) ||
            !numero(error, pico.error_pct) || std::fabs(pico.error_pct) > kMaxErrorPct) {
          return "tank: bad nozzle " + entre_comillas(q) +
                 " (expected pump/nozzle or pump/nozzle:error, the error -50 to 50 %)";
        }
        t.picos.push_back(pico);
      }
      if (t.picos.size() == antes) return "tank: nozzles needs pump/nozzle pairs";
    } else if (k == "inventory") {
      if (i + 1 >= p.size() || !bandera(p[i + 1], t.inventario)) return "tank: inventory is 0 or 1";
      ++i;
    } else {
      return "tank: unknown word " + entre_comillas(k);
    }
  }
  if (!nivel_dado) t.nivel_mm = t.curva.altura() / 2;
  if (t.nivel_mm < 0 || t.nivel_mm > t.curva.altura() || t.agua_mm < 0 ||
      t.agua_mm > t.curva.altura()) {
    return "tank: level and water must lie between 0 and the tank's height";
  }
  return {};
}

std::string fija_descarga(DescargaProgramada& d, std::string_view v) {
  std::vector<std::string_view> p = palabras(v);
  bool litros = false;
  for (size_t i = 0; i < p.size(); i += 2) {
    if (i + 1 >= p.size()) return "delivery: " + entre_comillas(p[i]) + " needs a number";
    std::string_view k = p[i];
    std::string_view x = p[i + 1];
    if (k == "start") {
      if (!numero(x, d.inicio_s)) return "delivery: start needs whole seconds";
    } else if (k == "litres") {
      if (!numero(x, d.litros) || d.litros <= 0) return "delivery: litres must be above 0";
      litros = true;
    } else if (k == "minutes") {
      if (!numero(x, d.minutos) || d.minutos <= 0) return "delivery: minutes must be above 0";
    } else {
      return "delivery: unknown word " + entre_comillas(k);
    }
  }
  return litros ? std::string() : "delivery: litres missing";
}

std::string fija_pregunta(PreguntaVenta& q, std::string_view v) {
  std::vector<std::string_view> p = palabras(v);
  for (size_t i = 0; i < p.size(); i += 2) {
    if (i + 1 >= p.size()) return "question: " + entre_comillas(p[i]) + " needs a value";
    unsigned n = 0;
    if (p[i] == "tank") {
      if (!entero(p[i + 1], 1u, 16u, n)) return "question: tank is 1 to 16";
      q.tanque = static_cast<uint8_t>(n - 1);
    } else if (p[i] == "form") {
      if (p[i + 1] != "short" && p[i + 1] != "long") return "question: form is short or long";
      q.larga = p[i + 1] == "long";
    } else {
      return "question: unknown word " + entre_comillas(p[i]);
    }
  }
  return {};
}

std::string fija_periodo(ConfigConsola& c, std::string_view v) {
  if (!c.pregunta) c.pregunta.emplace();
  if (c.pregunta->periodos.size() == 3) return "period: at most 3";
  size_t guion = v.find(" - ");
  Periodo p;
  if (guion == std::string_view::npos || !lee_fecha(recorta(v.substr(0, guion)), p.inicio) ||
      !lee_fecha(recorta(v.substr(guion + 3)), p.fin)) {
    return "period: expected dd/mm/yy hh:mm:ss - dd/mm/yy hh:mm:ss";
  }
  c.pregunta->periodos.push_back(p);
  return {};
}

std::string fija_comandos(unsigned& mascara, std::string_view v) {
  mascara = 0;
  for (std::string_view w : palabras(v)) {
    bool hallada = false;
    for (Clase k : {Clase::kRW, Clase::kRDW, Clase::kPRE, Clase::kRCW, Clase::kPCW, Clase::kPCT}) {
      if (w == nombre_clase(k)) {
        mascara |= bit(k);
        hallada = true;
      }
    }
    if (!hallada)
      return "fault_commands: unknown command " + entre_comillas(w) + " (RW RDW PRE RCW PCW PCT)";
  }
  return {};
}

// The nozzles as the station's pump and nozzle map can hold them and its
// sales reader takes them for the controller.
std::string revisa_playa(const ConfigConsola& c) {
  const ConfigPlaya& pl = c.playa;
  if (pl.controlador < 0) return pl.archivo.empty() ? "" : "sales_file: no controller given";
  const std::string nombre = nombre_controlador(pl.controlador);
  if (pl.archivo.empty()) return "controller: no sales_file given";
  const fila_controlador* fila = busca_controlador(pl.controlador);
  if (!pl.cierres_min.empty() && fila->campo_tanque >= 0) {
    return "shift_close: " + nombre +
           " writes the tank where a shift close needs pump 99 nozzle 99";
  }
  // CALDEN OIL and FUSION WAYNE number their nozzles across the station: the
  // number alone tells a nozzle. The others' meter readings lie in 16 x 12
  // (WOLF) and their nozzles go up to 8.
  const bool por_numero =
      pl.controlador == CONTROLADOR_CALDEN_OIL || pl.controlador == CONTROLADOR_FUSION_WAYNE;
  const int max_surtidor = pl.controlador == CONTROLADOR_WOLF ? 16 : 32;
  const int max_pico = por_numero ? 96 : 8;
  std::set<std::pair<int, int>> vistos;
  for (size_t t = 0; t < c.tanques.size(); ++t) {
    const std::string tanque = "tank " + std::to_string(t + 1) + ": ";
    if (c.tanques[t].picos.size() > static_cast<size_t>(kParesPorTanque)) {
      return tanque + "at most " + std::to_string(kParesPorTanque) + " nozzles";
    }
    for (const ConfigPico& p : c.tanques[t].picos) {
      const std::string par = std::to_string(p.surtidor) + "/" + std::to_string(p.pico);
      if (p.surtidor < 1 || p.surtidor > max_surtidor || p.pico < 1 || p.pico > max_pico) {
        return tanque + "nozzle " + par + " out of range for " + nombre + " (pump 1 to " +
               std::to_string(max_surtidor) + ", nozzle 1 to " + std::to_string(max_pico) + ")";
      }
      if (!vistos.insert({por_numero ? 0 : p.surtidor, p.pico}).second) {
        return tanque + "nozzle " + par + " given twice" +
               (por_numero ? " (" + nombre + " tells nozzles by number alone)" : "");
      }
    }
  }
  if (vistos.empty()) return "controller: no nozzles on the tanks";
  return {};
}

}  // namespace

bool lee_fecha(std::string_view s, fecha_bcd& f) {
  // dd/mm/yy hh:mm:ss
  if (s.size() != 17 || s[2] != '/' || s[5] != '/' || s[8] != ' ' || s[11] != ':' || s[14] != ':')
    return false;
  unsigned v[6];
  for (int i = 0; i < 6; ++i) {
    if (!entero(s.substr(3 * static_cast<size_t>(i), 2), 0u, 99u, v[i])) return false;
  }
  fecha_bcd g{bin_a_bcd(v[5]), bin_a_bcd(v[4]), bin_a_bcd(v[3]),
              bin_a_bcd(v[0]), bin_a_bcd(v[1]), 0,
              bin_a_bcd(v[2])};
  if (!fecha_valida(g)) return false;
  g.dia_semana = fecha_de_ms(ms_de_fecha(g)).dia_semana;
  f = g;
  return true;
}

std::string fija_clave(ConfigConsola& c, std::string_view clave, std::string_view valor) {
  Fallos& f = c.fallos;
  std::vector<std::string_view> p = palabras(valor);
  auto uno = [&]() -> std::string_view { return p.size() == 1 ? p[0] : std::string_view("?"); };
  auto malo = [&](std::string_view que) {
    return "bad " + std::string(clave) + " " + entre_comillas(valor) + " (expected " +
           std::string(que) + ")";
  };
  if (clave == "address") {
    if (p.size() != 1) return malo("an IPv4 address");
    c.direccion = std::string(p[0]);
  } else if (clave == "port") {
    if (!entero(uno(), 0u, 65535u, c.puerto)) return malo("0 to 65535");
  } else if (clave == "access_code") {
    return fija_codigo(valor, c.codigo_acceso);
  } else if (clave == "drift") {
    if (!numero(uno(), c.deriva_s)) return malo("whole seconds");
  } else if (clave == "record_layout") {
    unsigned v = 0;
    if (!entero(uno(), 1u, 255u, v)) return malo("1 to 4 (above 4: as 4)");
    c.version_registro = static_cast<uint8_t>(v);
  } else if (clave == "deliveries_per_tank") {
    unsigned v = 0;
    if (!entero(uno(), 1u, 16u, v)) return malo("1 to 16");
    c.descargas_por_tanque = static_cast<uint8_t>(v);
  } else if (clave.substr(0, 5) == "tank ") {
    size_t n = 0;
    if (!entero(recorta(clave.substr(5)), size_t{1}, kMaxTanques, n))
      return "bad tank number (1 to 16)";
    if (c.tanques.size() < n) c.tanques.resize(n);
    c.tanques[n - 1] = ConfigTanque{};
    return fija_tanque(c.tanques[n - 1], valor);
  } else if (clave.substr(0, 9) == "delivery ") {
    unsigned n = 0;
    if (!entero(recorta(clave.substr(9)), 1u, 16u, n)) return "bad delivery tank number (1 to 16)";
    DescargaProgramada d;
    d.tanque = static_cast<uint8_t>(n - 1);
    std::string e = fija_descarga(d, valor);
    if (e.empty()) c.descargas.push_back(d);
    return e;
  } else if (clave == "question") {
    if (!c.pregunta) c.pregunta.emplace();
    return fija_pregunta(*c.pregunta, valor);
  } else if (clave == "period") {
    return fija_periodo(c, valor);
  } else if (clave == "controller") {
    ConfigPlaya& pl = c.playa;
    pl.controlador = -1;
    for (int32_t t = 0; t < kControladores; ++t) {
      if (valor == nombre_controlador(t)) pl.controlador = t;
    }
    if (pl.controlador < 0)
      return malo("WOLF, SVS-WIDE, ..., FUSION WAYNE, as the station names it");
  } else if (clave == "sales_file") {
    if (p.empty()) return malo("a path");
    c.playa.archivo = std::string(valor);
  } else if (clave == "sales_per_hour") {
    if (!numero(uno(), c.playa.ventas_hora) || c.playa.ventas_hora < 0 ||
        c.playa.ventas_hora > kMaxVentasHora) {
      return malo("0 to 3600");
    }
  } else if (clave == "sale_litres") {
    ConfigPlaya& pl = c.playa;
    if (p.size() != 2 || !numero(p[0], pl.litros_min) || !numero(p[1], pl.litros_max) ||
        pl.litros_min < 0.01 || pl.litros_min > pl.litros_max || pl.litros_max > kMaxLitrosVenta) {
      return malo("least and most litres, 0.01 to 9999");
    }
  } else if (clave == "returns" || clave == "new_file") {
    double& pct = clave == "returns" ? c.playa.devoluciones_pct : c.playa.archivo_nuevo_pct;
    if (!numero(uno(), pct) || pct < 0 || pct > 100)
      return malo("a share of the sales, 0 to 100 %");
  } else if (clave == "shift_close") {
    c.playa.cierres_min.clear();
    for (std::string_view w : p) {
      unsigned h = 0, m = 0;
      if (w.size() != 5 || w[2] != ':' || !entero(w.substr(0, 2), 0u, 23u, h) ||
          !entero(w.substr(3), 0u, 59u, m)) {
        return malo("times of day hh:mm");
      }
      c.playa.cierres_min.push_back(static_cast<int>(h * 60 + m));
    }
  } else if (clave == "seed") {
    if (!numero(uno(), c.playa.semilla)) return malo("a whole number");
  } else if (clave == "fault_silent") {
    if (!bandera(uno(), f.silencio)) return malo("0 or 1");
  } else if (clave == "fault_bad_sums") {
    if (!bandera(uno(), f.sumas_malas)) return malo("0 or 1");
  } else if (clave == "fault_close_early") {
    if (!bandera(uno(), f.cierre_antes)) return malo("0 or 1");
  } else if (clave == "fault_refuse") {
    if (!bandera(uno(), f.rechaza)) return malo("0 or 1");
  } else if (clave == "fault_error_ack") {
    if (!byte(uno(), f.acuse_error)) return malo("a code such as 0x81, 0 for none");
  } else if (clave == "fault_delay") {
    if (!entero(uno(), int64_t{0}, int64_t{3600000}, f.retardo_ms)) return malo("milliseconds");
  } else if (clave == "fault_split") {
    if (p.size() != 2 || !entero(p[0], 0, 10000, f.trozos) ||
        !entero(p[1], int64_t{0}, int64_t{3600000}, f.pausa_trozos_ms)) {
      return malo("pieces and milliseconds between them");
    }
  } else if (clave == "fault_commands") {
    return fija_comandos(f.comandos, valor);
  } else {
    return "unknown key " + entre_comillas(clave);
  }
  return {};
}

std::string revisa_config(const ConfigConsola& c) {
  for (const DescargaProgramada& d : c.descargas) {
    if (d.tanque >= c.tanques.size())
      return "delivery " + std::to_string(d.tanque + 1) + ": no such tank";
  }
  if (c.pregunta && c.pregunta->tanque >= c.tanques.size()) return "question: no such tank";
  return revisa_playa(c);
}

std::string lee_config(ConfigConsola& c, std::string_view texto) {
  std::set<size_t> tanques;
  size_t numero_linea = 0;
  size_t pos = 0;
  while (pos < texto.size()) {
    size_t fin = texto.find('\n', pos);
    if (fin == std::string_view::npos) fin = texto.size();
    std::string_view linea = recorta(sin_comentario(texto.substr(pos, fin - pos)));
    pos = fin + 1;
    ++numero_linea;
    if (linea.empty()) continue;
    size_t igual = linea.find('=');
    std::string en = "line " + std::to_string(numero_linea) + ": ";
    if (igual == std::string_view::npos) return en + "expected key = value";
    std::string_view clave = recorta(linea.substr(0, igual));
    std::string e = fija_clave(c, clave, recorta(linea.substr(igual + 1)));
    if (!e.empty()) return en + e;
    size_t n = 0;
    if (clave.substr(0, 5) == "tank " && numero(recorta(clave.substr(5)), n)) tanques.insert(n);
  }
  // Every number is 1..16 and the highest sets the count: no gap means
  // as many different numbers as tanks.
  if (tanques.size() != c.tanques.size()) {
    return "tanks must be numbered 1 to " + std::to_string(c.tanques.size()) + " without gaps";
  }
  return revisa_config(c);
}

std::string lee_archivo_config(ConfigConsola& c, const std::string& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  if (!f) return "cannot read " + ruta;
  std::ostringstream s;
  s << f.rdbuf();
  return lee_config(c, s.str());
}

}  // namespace qtr10
