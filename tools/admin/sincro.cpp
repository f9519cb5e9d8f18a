#include "admin/sincro.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "admin/archivos.h"
#include "eventstore/suceso.h"
#include "foundation/bytes.h"
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
  if (v[0] < 1 || v[0] > 31 || v[1] < 1 || v[1] > 12) return -1;
  return v[2] * 10000 + v[1] * 100 + v[0];
}

int dia_de(const uint8_t* r) {
  return static_cast<int>(bcd_a_bin(r[8]) * 10000 + bcd_a_bin(r[6]) * 100 + bcd_a_bin(r[5]));
}

std::string fecha(const uint8_t* r) {
  fecha_bcd f;
  std::memcpy(&f, r + 2, sizeof f);
  char t[18];
  fecha_a_texto(t, f);
  return t;
}

std::string tanque(const uint8_t* r) {
  if (r[0] == SUCESO_VENTA && r[9] == kTanqueCierreTurno) return "turno";
  return std::to_string(r[9] + 1);
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

std::string hex(uint8_t b) {
  char t[8];
  std::snprintf(t, sizeof t, "0x%02X", b);
  return t;
}

float merma(const uint8_t* r) { return static_cast<int16_t>(lee_u16_le(r + 19)) / 10.0f; }

bool marcado(const uint8_t* r) { return (r[7] & 0x80) != 0; }

}  // namespace

bool lee_opciones_sincro(const std::vector<std::string>& args, opciones_sincro& o) {
  bool con_ruta = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& x = args[i];
    const bool con_valor = i + 1 < args.size();
    if (x == "--csv") {
      o.csv = true;
    } else if (x == "--tank" && con_valor) {
      char* fin = nullptr;
      const long n = std::strtol(args[++i].c_str(), &fin, 10);
      if (*fin != '\0' || n < 1 || n > 256) return false;
      o.tanque = static_cast<int>(n);
    } else if (x == "--kind" && con_valor) {
      const std::string& k = args[++i];
      if (k != "S" && k != "V" && k != "A" && k != "N") return false;
      o.tipo = k[0];
    } else if ((x == "--from" || x == "--to") && con_valor) {
      const int dia = lee_dia(args[++i]);
      if (dia < 0) return false;
      (x == "--from" ? o.desde : o.hasta) = dia;
    } else if (!con_ruta && !x.empty() && x[0] != '-') {
      o.ruta = x;
      con_ruta = true;
    } else {
      return false;
    }
  }
  return true;
}

bool pasa_filtro(const uint8_t* r, const opciones_sincro& o) {
  if (o.tipo != 0 && r[0] != static_cast<uint8_t>(o.tipo)) return false;
  if (o.tanque != 0) {
    if (r[0] != SUCESO_FOTO && r[0] != SUCESO_VENTA) return false;
    if (r[9] + 1 != o.tanque) return false;
  }
  const int dia = dia_de(r);
  if (o.desde >= 0 && dia < o.desde) return false;
  if (o.hasta >= 0 && dia > o.hasta) return false;
  return true;
}

std::string linea_suceso(const uint8_t* r) {
  std::string l = clase(r[0]) + "  " + fecha(r);
  switch (r[0]) {
    case SUCESO_FOTO:
      l += "  tank " + tanque(r) + "  level " + real(lee_real_le(r + 10)) + " mm  litres " +
           real(lee_real_le(r + 15)) + "  flags " + hex(r[14]) + " status " +
           std::to_string(r[14] & 0x07);
      if (r[14] & 0x08) l += " programmed";
      if (r[14] & 0x40) l += " new-version";
      l += "  merma " + real(merma(r), 1);
      break;
    case SUCESO_VENTA:
      l += "  tank " + tanque(r) + "  litres " + real(lee_real_le(r + 10)) + "  meter " +
           real(lee_real_le(r + 14));
      break;
    case SUCESO_ARRANQUE:
      l += "  scan " + std::to_string(r[9]);
      break;
    case SUCESO_NULO:
      l += "  replaced " + clase(r[9]);
      break;
    default:
      l += "  unknown kind";
      break;
  }
  if (marcado(r)) l += "  *";
  return l;
}

std::string fila_csv(const uint8_t* r) {
  // kind, date, tank, level, litres, flags, status, programmed, new_version,
  // merma, meter, scan, replaced, mark
  std::string c[14];
  c[0] = clase(r[0]);
  c[1] = fecha(r);
  switch (r[0]) {
    case SUCESO_FOTO:
      c[2] = tanque(r);
      c[3] = real(lee_real_le(r + 10));
      c[4] = real(lee_real_le(r + 15));
      c[5] = hex(r[14]);
      c[6] = std::to_string(r[14] & 0x07);
      c[7] = (r[14] & 0x08) ? "1" : "0";
      c[8] = (r[14] & 0x40) ? "1" : "0";
      c[9] = real(merma(r), 1);
      break;
    case SUCESO_VENTA:
      c[2] = tanque(r);
      c[4] = real(lee_real_le(r + 10));
      c[10] = real(lee_real_le(r + 14));
      break;
    case SUCESO_ARRANQUE:
      c[11] = std::to_string(r[9]);
      break;
    case SUCESO_NULO:
      c[12] = clase(r[9]);
      break;
    default:
      break;
  }
  c[13] = marcado(r) ? "*" : "";
  std::string fila = c[0];
  for (size_t i = 1; i < 14; ++i) fila += "," + c[i];
  return fila;
}

int imprime_sincro(const opciones_sincro& o, std::ostream& salida, std::ostream& errores) {
  std::vector<uint8_t> datos;
  std::string error;
  if (!lee_archivo(o.ruta, datos, error)) {
    errores << o.ruta << ": " << error << "\n";
    return 1;
  }
  if (o.csv) salida << kCabeceraCsv << "\n";
  size_t pos = 0;
  for (; pos + kLargoSuceso <= datos.size(); pos += kLargoSuceso) {
    const uint8_t* r = datos.data() + pos;
    if (pasa_filtro(r, o)) salida << (o.csv ? fila_csv(r) : linea_suceso(r)) << "\n";
  }
  salida.flush();
  if (pos == datos.size()) return 0;
  errores << o.ruta << ": " << (datos.size() - pos) << " bytes at offset " << pos
          << " are no whole record\n";
  return 1;
}

}  // namespace admin
