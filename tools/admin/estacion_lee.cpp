// Reading the station text into a configuration record.
#include <charconv>
#include <cstring>
#include <map>

#include "admin/estacion.h"
#include "comun/texto.h"

namespace admin {

namespace {

using texto::entre_comillas;
using texto::palabras;
using texto::recorta;
using texto::sin_comentario;

// Plain decimal digits within [minimo, maximo]; no sign, no blanks.
bool numero(std::string_view s, unsigned long minimo, unsigned long maximo, unsigned long& v) {
  if (s.empty() || s.find_first_not_of("0123456789") != std::string_view::npos) return false;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  return r.ec == std::errc() && v >= minimo && v <= maximo;
}

// Each setter returns an empty text when it took the value, else the fault.
using fija = std::string (*)(std::string_view, configuracion_tnq&);

std::string fija_ip(std::string_view v, configuracion_tnq& c) {
  uint8_t octetos[4];
  std::string_view resto = v;
  for (int i = 0; i < 4; ++i) {
    size_t punto = i < 3 ? resto.find('.') : resto.size();
    unsigned long n = 0;
    if (punto == std::string_view::npos || punto > 3 ||
        !numero(resto.substr(0, punto), 0, 255, n)) {
      return "bad IPv4 address " + entre_comillas(v) + " (expected a.b.c.d, each 0 to 255)";
    }
    octetos[i] = static_cast<uint8_t>(n);
    resto.remove_prefix(i < 3 ? punto + 1 : punto);
  }
  std::memcpy(c.bytes + tnq::kIp, octetos, 4);
  return {};
}

std::string fija_puerto(std::string_view v, configuracion_tnq& c) {
  unsigned long n = 0;
  if (!numero(v, 1, 65535, n)) return "bad port " + entre_comillas(v) + " (expected 1 to 65535)";
  c.pon_puerto(static_cast<uint32_t>(n));
  return {};
}

std::string fija_codigo(std::string_view v, configuracion_tnq& c) {
  std::vector<std::string_view> p = palabras(v);
  uint8_t codigo[8];
  bool ok = p.size() == 8;
  for (size_t i = 0; ok && i < 8; ++i) {
    auto r = std::from_chars(p[i].data(), p[i].data() + p[i].size(), codigo[i], 16);
    ok = p[i].size() <= 2 && r.ec == std::errc() && r.ptr == p[i].data() + p[i].size();
  }
  if (!ok)
    return "bad access code " + entre_comillas(v) +
           " (expected 8 hex bytes, e.g. 31 32 33 34 35 36 37 38)";
  std::memcpy(c.bytes + tnq::kCodigoAcceso, codigo, 8);
  return {};
}

std::string fija_controlador(std::string_view v, configuracion_tnq& c) {
  for (int32_t t = 0; t < kControladores; ++t) {
    if (v == nombre_controlador(t)) {
      c.pon_controlador(t);
      return {};
    }
  }
  return "unknown controller " + entre_comillas(v);
}

std::string fija_texto(std::string_view v, configuracion_tnq& c, size_t campo, size_t largo) {
  for (char ch : v) {
    if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F) return "control character in text";
  }
  if (!c.pon_texto(campo, largo, std::string(v))) {
    return "text too long (" + std::to_string(v.size()) + " characters, at most " +
           std::to_string(largo - 1) + ")";
  }
  return {};
}

std::string fija_bandera(std::string_view v, uint8_t& destino) {
  if (v != "0" && v != "1") return "bad flag " + entre_comillas(v) + " (expected 0 or 1)";
  destino = static_cast<uint8_t>(v[0] - '0');
  return {};
}

struct clave {
  const char* nombre;
  bool requerida;
  fija pon;
};

const clave kClaves[] = {
    {"console_address", true, fija_ip},
    {"console_port", true, fija_puerto},
    {"access_code", false, fija_codigo},
    {"controller", true, fija_controlador},
    {"sales_file", false,
     [](std::string_view v, configuracion_tnq& c) {
       return fija_texto(v, c, tnq::kFileVentas, tnq::kLargoFileVentas);
     }},
    {"share_user", false,
     [](std::string_view v, configuracion_tnq& c) {
       return fija_texto(v, c, tnq::kUsuario, tnq::kLargoUsuario);
     }},
    {"share_password", false,
     [](std::string_view v, configuracion_tnq& c) {
       return fija_texto(v, c, tnq::kPassword, tnq::kLargoPassword);
     }},
    {"stop_nivara", false,
     [](std::string_view v, configuracion_tnq& c) {
       return fija_bandera(v, c.bytes[tnq::kStopNivara]);
     }},
    {"clock_sync", false,
     [](std::string_view v, configuracion_tnq& c) {
       return fija_bandera(v, c.bytes[tnq::kSincronizaReloj]);
     }},
    {"stock_file", false,
     [](std::string_view v, configuracion_tnq& c) {
       return fija_texto(v, c, tnq::kFileStock, tnq::kLargoFileStock);
     }},
};

// "genera G  actuqtr A  nozzles p/n ..." for tank `t` (0-based). The pairs
// run from "nozzles" to the next word of the three.
std::string fija_tanque(std::string_view v, configuracion_tnq& c, int t) {
  bool visto_genera = false, visto_actu = false, vistos_pares = false, en_pares = false;
  int pares = 0;
  std::vector<std::string_view> p = palabras(v);
  for (size_t i = 0; i < p.size(); ++i) {
    std::string_view w = p[i];
    if (w == "genera" || w == "actuqtr" || w == "nozzles") {
      bool& visto = w == "genera" ? visto_genera : w == "actuqtr" ? visto_actu : vistos_pares;
      if (visto) return std::string(w) + " given twice";
      visto = true;
      en_pares = w == "nozzles";
      if (en_pares) continue;
      if (i + 1 == p.size()) return std::string(w) + " without a value";
      uint8_t b = 0;
      std::string e = fija_bandera(p[++i], b);
      if (!e.empty()) return std::string(w) + ": " + e;
      if (w == "genera") {
        c.pon_genera(t, b);
      } else {
        c.pon_actu_qtr(t, b);
      }
    } else if (en_pares) {
      size_t barra = w.find('/');
      unsigned long s = 0, n = 0;
      if (barra == std::string_view::npos || !numero(w.substr(0, barra), 1, 99, s) ||
          !numero(w.substr(barra + 1), 1, 96, n)) {
        return "bad pair " + entre_comillas(w) +
               " (expected pump/nozzle, pump 1 to 99, nozzle 1 to 96)";
      }
      if (pares == kParesPorTanque) {
        return "too many pairs (at most " + std::to_string(kParesPorTanque) + ")";
      }
      c.pon_par(t, pares++, static_cast<int32_t>(s), static_cast<int32_t>(n));
    } else {
      return "unexpected " + entre_comillas(w) + " (expected genera, actuqtr or nozzles)";
    }
  }
  return {};
}

}  // namespace

bool lee_estacion(std::string_view texto, configuracion_tnq& c,
                  std::vector<error_estacion>& errores) {
  c = configuracion_tnq{};
  errores.clear();
  std::map<std::string, int> vistas;  // key -> line it was first given on
  int numero_linea = 0;
  // Editors on the station PC may start the file with a UTF-8 mark.
  size_t inicio = texto.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  while (inicio < texto.size()) {
    size_t fin = texto.find('\n', inicio);
    if (fin == std::string_view::npos) fin = texto.size();
    std::string_view linea = recorta(sin_comentario(texto.substr(inicio, fin - inicio)));
    inicio = fin + 1;
    ++numero_linea;
    if (linea.empty()) continue;
    auto falla = [&](const std::string& e) { errores.push_back({numero_linea, e}); };

    size_t igual = linea.find('=');
    if (igual == std::string_view::npos) {
      falla("expected \"key = value\"");
      continue;
    }
    std::vector<std::string_view> nombre = palabras(linea.substr(0, igual));
    std::string_view valor = recorta(linea.substr(igual + 1));
    std::string llave;
    for (std::string_view w : nombre) {
      if (!llave.empty()) llave += ' ';
      llave += w;
    }

    std::string error;
    if (nombre.size() == 2 && nombre[0] == "tank") {
      unsigned long t = 0;
      if (!numero(nombre[1], 1, kTanques, t)) {
        falla("tank: bad tank number " + entre_comillas(nombre[1]) + " (expected 1 to 16)");
        continue;
      }
      llave = "tank " + std::to_string(t);  // "tank 01" is tank 1 too
      if (vistas.count(llave) == 0) error = fija_tanque(valor, c, static_cast<int>(t) - 1);
    } else {
      const clave* k = nullptr;
      for (const clave& cand : kClaves) {
        if (llave == cand.nombre) k = &cand;
      }
      if (k == nullptr) {
        falla("unknown key " + entre_comillas(llave));
        continue;
      }
      if (vistas.count(llave) == 0) error = k->pon(valor, c);
    }
    auto [previa, nueva] = vistas.emplace(llave, numero_linea);
    if (!nueva) {
      falla(llave + ": duplicate key (first on line " + std::to_string(previa->second) + ")");
    } else if (!error.empty()) {
      falla(llave + ": " + error);
    }
  }
  for (const clave& k : kClaves) {
    if (k.requerida && vistas.count(k.nombre) == 0) {
      errores.push_back({0, "missing required key " + entre_comillas(k.nombre)});
    }
  }
  return errores.empty();
}

}  // namespace admin
