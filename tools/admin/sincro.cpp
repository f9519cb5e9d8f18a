// nivara-admin store: the event store's records as readable lines or as CSV.
#include "admin/sincro.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "admin/archivos.h"
#include "admin/revision.h"
#include "eventstore/suceso.h"
#include "foundation/fecha_bcd.h"

namespace admin {

const char* const kCabeceraCsv =
    "kind,date,tank,level_mm,litres,flags,status,programmed,new_version,merma,meter,scan,"
    "replaced,mark";

namespace {

// "dd/mm/yy" as yymmdd; -1 when it is no such date.
int lee_dia(const std::string& t) {
  if (t.size() != 8 || t[2] != '/' || t[5] != '/') return -1;
  int v[3];
  for (int i = 0; i < 3; ++i) {
    const char a = t[3 * i], b = t[3 * i + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9') return -1;
    v[i] = (a - '0') * 10 + (b - '0');
  }
  static constexpr int kDias[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (v[1] < 1 || v[1] > 12 || v[0] < 1 || v[0] > kDias[v[1] - 1]) return -1;
  if (v[1] == 2 && v[0] == 29 && v[2] % 4 != 0) return -1;  // years 2000 to 2099
  return v[2] * 10000 + v[1] * 100 + v[0];
}

int dia_de(const fecha_bcd& f) {
  return static_cast<int>(bcd_a_bin(f.anio) * 10000 + bcd_a_bin(f.mes) * 100 + bcd_a_bin(f.dia));
}

std::string fecha(const fecha_bcd& f) {
  char t[18];
  fecha_a_texto(t, f);
  return t;
}

std::string tanque(const suceso& s) {
  if (s.tipo == SUCESO_VENTA && s.tanque == kTanqueCierreTurno) return "turno";
  return std::to_string(s.tanque + 1);
}

std::string real(float v, int decimales = 2) {
  char t[64];
  std::snprintf(t, sizeof t, "%.*f", decimales, static_cast<double>(v));
  return t;
}

std::string clase(uint8_t b) {
  if (b >= 0x21 && b < 0x7F && b != ',') return std::string(1, static_cast<char>(b));
  char t[8];
  std::snprintf(t, sizeof t, "0x%02X", b);
  return t;
}

std::string hexadecimal(uint8_t b) {
  char t[8];
  std::snprintf(t, sizeof t, "0x%02X", b);
  return t;
}

std::string merma(const suceso& s) { return real(static_cast<float>(s.merma_mes) / 10.0f, 1); }

bool tiene_tanque(uint8_t tipo) { return tipo == SUCESO_FOTO || tipo == SUCESO_VENTA; }

}  // namespace

bool lee_opciones_sincro(const std::vector<std::string>& args, opciones_sincro& o,
                         std::string* error) {
  auto mal = [error](const std::string& e) {
    if (error != nullptr) *error = e;
    return false;
  };
  bool con_ruta = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& x = args[i];
    const bool con_valor = i + 1 < args.size();
    if (x == "--csv") {
      o.csv = true;
    } else if ((x == "--tank" || x == "--kind" || x == "--from" || x == "--to") && !con_valor) {
      return mal(x + " needs a value");
    } else if (x == "--tank") {
      char* fin = nullptr;
      const std::string& v = args[++i];
      const long n = std::strtol(v.c_str(), &fin, 10);
      if (v.empty() || *fin != '\0' || n < 1 || n > kTanquesSincro) {
        return mal("--tank " + v + ": a tank is 1 to " + std::to_string(kTanquesSincro));
      }
      o.tanque = static_cast<int>(n);
    } else if (x == "--kind") {
      const std::string& k = args[++i];
      if (k != "S" && k != "V" && k != "A" && k != "N")
        return mal("--kind " + k + ": S, V, A or N");
      o.tipo = k[0];
    } else if (x == "--from" || x == "--to") {
      const int dia = lee_dia(args[++i]);
      if (dia < 0) return mal(x + " " + args[i] + ": no such day (dd/mm/yy)");
      (x == "--from" ? o.desde : o.hasta) = dia;
    } else if (!con_ruta && !x.empty() && x[0] != '-') {
      o.ruta = x;
      con_ruta = true;
    } else {
      return mal(con_ruta && x[0] != '-' ? "one file only: " + x : "unknown option " + x);
    }
  }
  return true;
}

bool pasa_filtro(const uint8_t* r, const opciones_sincro& o) {
  const suceso s = decodifica_suceso(r);
  if (o.tipo != 0 && s.tipo != static_cast<uint8_t>(o.tipo)) return false;
  if (o.tanque != 0 && (!tiene_tanque(s.tipo) || s.tanque + 1 != o.tanque)) return false;
  const int dia = dia_de(s.fecha);
  if (o.desde >= 0 && dia < o.desde) return false;
  if (o.hasta >= 0 && dia > o.hasta) return false;
  return true;
}

std::string linea_suceso(const uint8_t* r) {
  const suceso s = decodifica_suceso(r);
  std::string l = clase(s.tipo) + "  " + fecha(s.fecha);
  switch (s.tipo) {
    case SUCESO_FOTO:
      l += "  tank " + tanque(s) + "  level " + real(s.nivel) + " mm  litres " + real(s.litros) +
           "  flags " + hexadecimal(s.flags) + " status " + std::to_string(s.flags & kFlagsStatus);
      if (s.flags & kFlagProgramada) l += " programmed";
      if (s.flags & kFlagAutclb) l += " new-version";
      l += "  merma " + merma(s);
      break;
    case SUCESO_VENTA:
      l += "  tank " + tanque(s) + "  litres " + real(s.litros) + "  meter " +
           real(s.total_contador);
      break;
    case SUCESO_ARRANQUE: l += "  scan " + std::to_string(s.resultado); break;
    case SUCESO_NULO: l += "  replaced " + clase(s.reemplazado); break;
    default: l += "  unknown kind"; break;
  }
  if (s.marcado) l += "  *";
  return l;
}

std::string fila_csv(const uint8_t* r) {
  const suceso s = decodifica_suceso(r);
  enum {
    TIPO,
    FECHA,
    TANQUE,
    NIVEL,
    LITROS,
    FLAGS,
    STATUS,
    PROGRAMADA,
    NUEVA_VERSION,
    MERMA,
    CONTADOR,
    ESCANEO,
    REEMPLAZADO,
    MARCA,
    COLUMNAS
  };
  std::string c[COLUMNAS];
  c[TIPO] = clase(s.tipo);
  c[FECHA] = fecha(s.fecha);
  switch (s.tipo) {
    case SUCESO_FOTO:
      c[TANQUE] = tanque(s);
      c[NIVEL] = real(s.nivel);
      c[LITROS] = real(s.litros);
      c[FLAGS] = hexadecimal(s.flags);
      c[STATUS] = std::to_string(s.flags & kFlagsStatus);
      c[PROGRAMADA] = (s.flags & kFlagProgramada) ? "1" : "0";
      c[NUEVA_VERSION] = (s.flags & kFlagAutclb) ? "1" : "0";
      c[MERMA] = merma(s);
      break;
    case SUCESO_VENTA:
      c[TANQUE] = tanque(s);
      c[LITROS] = real(s.litros);
      c[CONTADOR] = real(s.total_contador);
      break;
    case SUCESO_ARRANQUE: c[ESCANEO] = std::to_string(s.resultado); break;
    case SUCESO_NULO: c[REEMPLAZADO] = clase(s.reemplazado); break;
    default: break;
  }
  c[MARCA] = s.marcado ? "*" : "";
  std::string fila = c[0];
  for (size_t i = 1; i < COLUMNAS; ++i) fila += "," + c[i];
  return fila;
}

int imprime_sincro(const opciones_sincro& o, std::ostream& salida, std::ostream& errores) {
  archivo_por_bloques archivo;
  std::string error;
  uint64_t tamano = 0;
  if (!archivo.abre(o.ruta, error) || !archivo.tamano(&tamano, error)) {
    errores << o.ruta << ": " << error << "\n";
    return 1;
  }
  // Its first records say whether it is a store at all.
  std::vector<uint8_t> datos;
  if (archivo.lee(0, 3 * kLargoSuceso, datos, error) < 0) {
    errores << o.ruta << ": " << error << "\n";
    return 1;
  }
  if (std::string motivo; !es_sincro(datos.data(), datos.size(), &motivo)) {
    errores << o.ruta << ": " << motivo << "\n";
    return 1;
  }
  if (o.csv) salida << kCabeceraCsv << "\n";
  // Whole records, a block of them at a time.
  constexpr size_t kBloque = archivo_por_bloques::kBloque / kLargoSuceso * kLargoSuceso;
  uint64_t pos = 0;
  while (pos + kLargoSuceso <= tamano) {
    datos.clear();
    const uint64_t enteros = (tamano - pos) / kLargoSuceso * kLargoSuceso;
    const int64_t n = archivo.lee(pos, std::min<uint64_t>(kBloque, enteros), datos, error);
    if (n < 0) {
      errores << o.ruta << ": " << error << "\n";
      return 1;
    }
    if (n < static_cast<int64_t>(kLargoSuceso)) break;  // cut meanwhile
    size_t k = 0;
    for (; k + kLargoSuceso <= datos.size(); k += kLargoSuceso) {
      const uint8_t* r = datos.data() + k;
      if (pasa_filtro(r, o)) salida << (o.csv ? fila_csv(r) : linea_suceso(r)) << "\n";
    }
    pos += k;
  }
  salida.flush();
  if (pos == tamano) return 0;
  errores << o.ruta << ": " << (tamano - pos) << " bytes at offset " << pos
          << " are no whole record\n";
  return 1;
}

}  // namespace admin
