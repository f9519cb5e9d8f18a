// The status as text, JSON and Prometheus exposition; see estado.h.
#include <sys/stat.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "admin/archivos.h"
#include "admin/estado.h"
#include "foundation/resumen.h"

namespace admin {

namespace {

std::string cuando(const momento& m) { return m.texto.empty() ? "-" : m.texto; }

std::string servicio(const estado_estacion& e) {
  if (e.servicio > 0) return formatea("running (pid %d)", static_cast<int>(e.servicio));
  return e.servicio < 0 ? "starting" : "not running";
}

std::string cadena_json(const std::string& s) {
  std::string r = "\"";
  for (const char ch : s) {
    const auto b = static_cast<unsigned char>(ch);
    if (ch == '"' || ch == '\\') {
      r += '\\';
      r += ch;
    } else if (b < 0x20) {
      r += formatea("\\u%04x", b);
    } else {
      r += ch;
    }
  }
  return r + "\"";
}

std::string momento_json(const momento& m) {
  if (m.texto.empty()) return "null";
  return "{\"text\": " + cadena_json(m.texto) +
         ", \"unix\": " + (m.segundos != 0 ? std::to_string(m.segundos) : "null") + "}";
}

}  // namespace

std::string estado_texto(const estado_estacion& e) {
  std::string s = "Nivara in " + e.carpeta + ": " + servicio(e) + "\n";
  s += "console: ";
  s += e.ultima_consulta.texto.empty()
           ? "no inventory poll in the log\n"
           : "last inventory poll " + e.ultima_consulta.texto + ", " +
                 (e.consulta_bien ? "answered" : e.consulta_texto) + "\n";
  s += e.hay_sincro ? formatea("store: %llu records, %llu bytes; last sale %s; last start %s\n",
                               static_cast<unsigned long long>(e.registros),
                               static_cast<unsigned long long>(e.sincro_bytes),
                               cuando(e.ultima_venta).c_str(), cuando(e.ultimo_arranque).c_str())
                    : "store: none\n";
  if (!e.tanques.empty()) {
    s += "tank     level mm       litres   water mm  inventory          last snapshot      "
         "last sale\n";
  }
  for (const auto& [n, t] : e.tanques) {
    s += t.en_informe ? formatea("%4d %12.2f %12.1f %10.0f  %-17s", n, t.nivel_mm, t.litros,
                                 t.agua_mm, t.inventario.texto.c_str())
                      : formatea("%4d %12s %12s %10s  %-17s", n, "-", "-", "-", "-");
    s += "  " + formatea("%-17s", cuando(t.ultima_foto).c_str()) + "  " + cuando(t.ultima_venta) +
         "\n";
  }
  if (!e.errores.empty()) s += "last faults in the log:\n";
  for (const auto& [m, texto] : e.errores) s += "  " + m.texto + "  " + texto + "\n";
  for (const std::string& a : e.avisos) s += "note: " + a + "\n";
  return s;
}

std::string estado_json(const estado_estacion& e) {
  std::string s = "{\n  \"folder\": " + cadena_json(e.carpeta) + ",\n";
  s += "  \"running\": " + std::string(e.servicio != 0 ? "true" : "false") +
       ", \"pid\": " + (e.servicio > 0 ? std::to_string(e.servicio) : "null") + ",\n";
  s += "  \"console\": {\"last_poll\": " + momento_json(e.ultima_consulta) +
       ", \"answered\": " + (e.consulta_bien ? "true" : "false") +
       ", \"outcome\": " + cadena_json(e.consulta_texto) + "},\n";
  s += "  \"store\": {\"present\": " + std::string(e.hay_sincro ? "true" : "false") +
       ", \"bytes\": " + std::to_string(e.sincro_bytes) +
       ", \"records\": " + std::to_string(e.registros) +
       ", \"last_sale\": " + momento_json(e.ultima_venta) +
       ", \"last_start\": " + momento_json(e.ultimo_arranque) + "},\n";
  s += "  \"tanks\": [";
  const char* sep = "\n";
  for (const auto& [n, t] : e.tanques) {
    s += sep;
    sep = ",\n";
    s += formatea("    {\"tank\": %d, \"in_report\": %s", n, t.en_informe ? "true" : "false");
    if (t.en_informe) {
      s += ", \"product\": " + cadena_json(t.producto) +
           formatea(
               ", \"level_mm\": %.2f, \"litres\": %.1f, \"water_mm\": %.0f, \"temperature\": %.1f",
               t.nivel_mm, t.litros, t.agua_mm, t.temperatura) +
           ", \"inventory\": " + momento_json(t.inventario);
    }
    s += ", \"last_snapshot\": " + momento_json(t.ultima_foto) +
         ", \"last_sale\": " + momento_json(t.ultima_venta) +
         ", \"sales_in_store\": " + std::to_string(t.ventas) + "}";
  }
  s += "\n  ],\n  \"faults\": [";
  sep = "";
  for (const auto& [m, texto] : e.errores) {
    s += sep + std::string("{\"when\": ") + momento_json(m) + ", \"text\": " + cadena_json(texto) +
         "}";
    sep = ", ";
  }
  s += "],\n  \"notes\": [";
  sep = "";
  for (const std::string& a : e.avisos) {
    s += sep + cadena_json(a);
    sep = ", ";
  }
  return s + "]\n}\n";
}

std::string estado_prometheus(const estado_estacion& e) {
  std::string s;
  auto metrica = [&s](const char* nombre, const char* tipo, const char* ayuda) {
    s += formatea("# HELP nivara_%s %s\n# TYPE nivara_%s %s\n", nombre, ayuda, nombre, tipo);
  };
  auto valor = [&s](const char* nombre, double v, const std::string& etiquetas = "") {
    s += formatea("nivara_%s%s %.12g\n", nombre, etiquetas.c_str(), v);
  };
  auto momento_si = [&](const char* nombre, const momento& m, const std::string& etiquetas = "") {
    if (m.segundos != 0) valor(nombre, static_cast<double>(m.segundos), etiquetas);
  };
  metrica("up", "gauge", "Whether a service holds the working folder.");
  valor("up", e.servicio != 0 ? 1 : 0);
  metrica("store_bytes", "gauge", "Size of the event store.");
  valor("store_bytes", static_cast<double>(e.sincro_bytes));
  metrica("store_records", "gauge", "Whole records in the event store.");
  valor("store_records", static_cast<double>(e.registros));
  metrica("last_sale_timestamp_seconds", "gauge", "Date of the last sale in the store.");
  momento_si("last_sale_timestamp_seconds", e.ultima_venta);
  metrica("last_start_timestamp_seconds", "gauge", "Date of the last start-up in the store.");
  momento_si("last_start_timestamp_seconds", e.ultimo_arranque);
  metrica("console_last_poll_timestamp_seconds", "gauge", "Last inventory poll in the log.");
  momento_si("console_last_poll_timestamp_seconds", e.ultima_consulta);
  metrica("console_last_poll_ok", "gauge", "Whether the last inventory poll was answered.");
  valor("console_last_poll_ok", e.consulta_bien ? 1 : 0);
  struct por_tanque {
    const char* nombre;
    const char* ayuda;
    std::function<bool(const estado_tanque&, double*)> lee;
  };
  const por_tanque tanques[] = {
      {"tank_level_mm", "Product level in the stock report.",
       [](const estado_tanque& t, double* v) { return *v = t.nivel_mm, t.en_informe; }},
      {"tank_litres", "Product litres in the stock report.",
       [](const estado_tanque& t, double* v) { return *v = t.litros, t.en_informe; }},
      {"tank_water_mm", "Water level in the stock report.",
       [](const estado_tanque& t, double* v) { return *v = t.agua_mm, t.en_informe; }},
      {"tank_inventory_timestamp_seconds", "Console date of the tank's inventory.",
       [](const estado_tanque& t, double* v) {
         return *v = static_cast<double>(t.inventario.segundos), t.inventario.segundos != 0;
       }},
      {"tank_last_snapshot_timestamp_seconds", "Date of the tank's last snapshot in the store.",
       [](const estado_tanque& t, double* v) {
         return *v = static_cast<double>(t.ultima_foto.segundos), t.ultima_foto.segundos != 0;
       }},
      {"tank_last_sale_timestamp_seconds", "Date of the tank's last sale in the store.",
       [](const estado_tanque& t, double* v) {
         return *v = static_cast<double>(t.ultima_venta.segundos), t.ultima_venta.segundos != 0;
       }},
      {"tank_sales_in_store", "Sales of the tank the store holds.",
       [](const estado_tanque& t, double* v) { return *v = static_cast<double>(t.ventas), true; }},
  };
  for (const por_tanque& m : tanques) {
    metrica(m.nombre, "gauge", m.ayuda);
    for (const auto& [n, t] : e.tanques) {
      double v = 0;
      if (m.lee(t, &v)) valor(m.nombre, v, formatea("{tank=\"%d\"}", n));
    }
  }
  return s;
}

int comando_estado(const std::string& carpeta, const std::string& forma, const std::string& archivo,
                   std::ostream& salida, std::ostream& errores) {
  struct stat st {};
  if (::stat(carpeta.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    errores << carpeta << ": not a folder\n";
    return 1;
  }
  const estado_estacion e = lee_estado(carpeta);
  const std::string texto = forma == "--json"         ? estado_json(e)
                            : forma == "--prometheus" ? estado_prometheus(e)
                                                      : estado_texto(e);
  if (archivo.empty()) {
    salida << texto;
    return 0;
  }
  std::string error;
  if (!escribe_archivo(archivo, std::vector<uint8_t>(texto.begin(), texto.end()), error)) {
    errores << archivo << ": " << error << "\n";
    return 1;
  }
  return 0;
}

}  // namespace admin
