// Gathering a working folder's status from its files; see estado.h.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

#include "admin/archivos.h"
#include "admin/estado.h"
#include "admin/lectura_log.h"
#include "eventstore/suceso.h"
#include "foundation/catalogo.h"
#include "foundation/fecha_bcd.h"
#include "foundation/mensajes.h"
#include "foundation/tnq.h"
#include "platform/working_folder.h"

namespace admin {

namespace {

// The store is read in runs of this many records, whatever its size.
constexpr size_t kRegistrosTanda = 1 << 16;
// Faults kept from the log.
constexpr size_t kErroresGuardados = 5;

int64_t segundos(int dia, int mes, int anio, int hora, int minuto, int segundo) {
  std::tm t{};
  t.tm_mday = dia;
  t.tm_mon = mes - 1;
  t.tm_year = anio + 100;
  t.tm_hour = hora;
  t.tm_min = minuto;
  t.tm_sec = segundo;
  t.tm_isdst = -1;
  return static_cast<int64_t>(std::mktime(&t));
}

momento momento_de(const fecha_bcd& f) {
  char texto[18];
  fecha_a_texto(texto, f);
  momento m{texto};
  if (fecha_valida(f)) {
    m.segundos = segundos(bcd_a_bin(f.dia), bcd_a_bin(f.mes), bcd_a_bin(f.anio), bcd_a_bin(f.hora),
                          bcd_a_bin(f.minuto), bcd_a_bin(f.segundo));
  }
  return m;
}

// "dd/mm/yy hh:mm:ss" as the stock report writes it.
momento momento_de(const std::string& texto) {
  momento m{texto};
  int d, me, a, h, mi, s;
  if (std::sscanf(texto.c_str(), "%2d/%2d/%2d %2d:%2d:%2d", &d, &me, &a, &h, &mi, &s) == 6) {
    m.segundos = segundos(d, me, a, h, mi, s);
  }
  return m;
}

momento momento_de(const registro_log& r) {
  const unsigned h = r.minuto / 60, mi = r.minuto % 60;
  char texto[32];
  std::snprintf(texto, sizeof texto, "%s %02u:%02u", r.fecha.c_str(), h, mi);
  momento m{texto};
  int d, me, a;
  if (std::sscanf(r.fecha.c_str(), "%2d/%2d/%2d", &d, &me, &a) == 3) {
    m.segundos = segundos(d, me, a, static_cast<int>(h), static_cast<int>(mi), 0);
  }
  return m;
}

void lee_sincro(estado_estacion& e) {
  std::ifstream f(e.carpeta + "/" + kArchivoSincro, std::ios::binary);
  if (!f) return;
  e.hay_sincro = true;
  std::vector<char> tanda(kRegistrosTanda * kLargoSuceso);
  while (f) {
    f.read(tanda.data(), static_cast<std::streamsize>(tanda.size()));
    const auto n = static_cast<size_t>(f.gcount());
    e.sincro_bytes += n;
    for (size_t i = 0; i + kLargoSuceso <= n; i += kLargoSuceso) {
      const suceso s = decodifica_suceso(reinterpret_cast<const uint8_t*>(tanda.data() + i));
      ++e.registros;
      const bool con_tanque = s.tanque < kTanquesSincro;
      if (s.tipo == SUCESO_FOTO && con_tanque) {
        estado_tanque& t = e.tanques[s.tanque + 1];
        t.ultima_foto = momento_de(s.fecha);
        t.foto_nivel_mm = s.nivel;
        t.foto_litros = s.litros;
      } else if (s.tipo == SUCESO_VENTA) {
        e.ultima_venta = momento_de(s.fecha);
        if (con_tanque) {
          estado_tanque& t = e.tanques[s.tanque + 1];
          t.ultima_venta = e.ultima_venta;
          ++t.ventas;
        }
      } else if (s.tipo == SUCESO_ARRANQUE) {
        e.ultimo_arranque = momento_de(s.fecha);
      }
    }
    if (n % kLargoSuceso != 0 && f) {
      // Not a whole number of records per read only at the end.
      e.avisos.push_back(std::string(kArchivoSincro) + ": not read whole");
      break;
    }
  }
}

bool es_falla(const std::string& texto) {
  for (const char* inicio : {"Error", "ERROR", "EXIT", "Exit", "Warning"}) {
    if (texto.rfind(inicio, 0) == 0) return true;
  }
  return false;
}

void lee_log(estado_estacion& e) {
  std::vector<uint8_t> datos;
  std::string error;
  if (!lee_archivo(e.carpeta + "/Nivara.log", datos, error)) return;
  e.hay_log = true;
  estado_log estado;
  const lectura_log l = decodifica_log(datos.data(), datos.size(), estado);
  bool consultando = false;
  for (const registro_log& r : l.registros) {
    if (r.codigo == MSJ_ENVIO_RW) {
      e.ultima_consulta = momento_de(r);
      e.consulta_bien = false;
      e.consulta_texto = "sent, no reply yet";
      consultando = true;
    } else if (consultando && (r.codigo == MSJ_STOCK || r.codigo == MSJ_TP_RW ||
                               r.codigo == MSJ_TP_RW_NC || r.codigo == MSJ_STX_ETX_MAL ||
                               r.codigo == MSJ_CHECKSUM_MAL || r.codigo == MSJ_ORFR_NO_RECIBE)) {
      e.consulta_bien = r.codigo == MSJ_STOCK;
      e.consulta_texto = r.texto;
      consultando = false;
    }
    if (r.codigo != kCodigoSello && es_falla(r.texto)) {
      e.errores.emplace_back(momento_de(r), texto_legible(r.texto));
      if (e.errores.size() > kErroresGuardados) e.errores.erase(e.errores.begin());
    }
  }
  if (l.fin == fin_log::kDanado) e.avisos.push_back("Nivara.log: " + l.motivo);
}

// The stock report's tank blocks ("Tanque,N" and its lines), up to the
// deliveries.
void lee_informe(estado_estacion& e, const std::string& ruta) {
  std::ifstream f(ruta);
  if (!f) {
    e.avisos.push_back(ruta + ": not readable");
    return;
  }
  e.informe = ruta;
  estado_tanque* t = nullptr;
  for (std::string linea; std::getline(f, linea);) {
    const size_t coma = linea.find(',');
    const std::string campo = linea.substr(0, coma);
    const std::string resto = coma == std::string::npos ? "" : linea.substr(coma + 1);
    // "Nivel,*,1234.57,mm": the value after the marker.
    auto valor = [&resto] {
      const size_t c = resto.find(',');
      return std::strtod((c == std::string::npos ? resto : resto.substr(c + 1)).c_str(), nullptr);
    };
    if (campo == "DESCARGA EN TANQUE") break;
    if (campo == "Tanque") {
      t = &e.tanques[std::atoi(resto.c_str())];
    } else if (t == nullptr || resto.empty()) {
      continue;
    } else if (campo == "Fecha") {
      t->en_informe = true;
      t->inventario = momento_de(resto);
    } else if (campo == "Producto") {
      t->producto = texto_legible(resto);
    } else if (campo == "Nivel") {
      t->nivel_mm = valor();
    } else if (campo == "Litros") {
      t->litros = valor();
    } else if (campo == "Nivel Agua") {
      t->agua_mm = valor();
    } else if (campo == "Temperatura") {
      t->temperatura = std::strtod(resto.c_str(), nullptr);
    }
  }
}

void lee_config(estado_estacion& e) {
  std::vector<uint8_t> datos;
  std::string error;
  if (!lee_archivo(e.carpeta + "/tnq.ini", datos, error)) {
    e.avisos.push_back("tnq.ini: " + error);
    return;
  }
  if (verifica_tnq(datos.data(), datos.size()) != 0) {
    e.avisos.push_back("tnq.ini: not a usable configuration");
    return;
  }
  configuracion_tnq c;
  std::memcpy(c.bytes, datos.data() + kTnqCabecera, kTnqRegistro);
  std::string ruta = c.file_stock();
  if (ruta.empty()) return;
  if (ruta.rfind("\\\\", 0) == 0) {
    e.avisos.push_back("the stock report is on a share: not read");
    return;
  }
  for (char& ch : ruta) {
    if (ch == '\\') ch = '/';
  }
  lee_informe(e, ruta[0] == '/' ? ruta : e.carpeta + "/" + ruta);
}

}  // namespace

estado_estacion lee_estado(const std::string& carpeta) {
  estado_estacion e;
  e.carpeta = carpeta;
  e.servicio = plat::instance_lock_holder((carpeta + "/" + plat::kInstanceLockFile).c_str());
  lee_config(e);
  lee_sincro(e);
  lee_log(e);
  return e;
}

}  // namespace admin
