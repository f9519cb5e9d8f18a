// The date texts of the ten controller types, parsed into a fecha_bcd.
#include <algorithm>
#include <cstring>

#include "sales/controladores.h"

namespace {

struct marca {
  int posicion;
  char caracter;
};

struct numero {
  int posicion;
  int digitos;  // at most this many; each number also stops at a non-digit
};

constexpr int kHastaNoDigito = kLargoTextoFecha;

// One date text layout. The numbers are in the order day, month, year,
// hour, minute, second.
struct formato_fecha {
  marca marcas[5];
  int n_marcas;
  numero numeros[6];
  bool anio_de_cuatro;  // 2000 is taken off
  bool escribe_nul;     // NULs over the marks (and `nul_extra`) are left in the text
  int nul_extra;        // -1: none
};

// clang-format off
// YYYY-MM-DD hh:mm:ss
constexpr formato_fecha kIso = {{{4, '-'}, {7, '-'}, {10, ' '}, {13, ':'}, {16, ':'}}, 5,
                                {{8, 2}, {5, 2}, {0, 4}, {11, 2}, {14, 2}, {17, kHastaNoDigito}},
                                true, true, -1};
// DD/MM/YY,hh:mm:ss
constexpr formato_fecha kPetrosoft = {{{2, '/'}, {5, '/'}, {8, ','}, {11, ':'}, {14, ':'}}, 5,
                                      {{0, 2}, {3, 2}, {6, 2}, {9, 2}, {12, 2}, {15, 2}},
                                      false, true, 17};
// MM/DD/YYYY hh:mm:ss
constexpr formato_fecha kAmericano = {{{2, '/'}, {5, '/'}, {10, ' '}, {13, ':'}, {16, ':'}}, 5,
                                      {{3, 2}, {0, 2}, {6, 4}, {11, 2}, {14, 2}, {17, 2}},
                                      true, true, 19};
// DDMMYYYY hhmmss and a space
constexpr formato_fecha kSvsAncho = {{{8, ' '}, {15, ' '}}, 2,
                                     {{0, 2}, {2, 2}, {4, 4}, {9, 2}, {11, 2}, {13, 2}},
                                     true, false, -1};
// DDMMYY hhmmss and a space
constexpr formato_fecha kSvsAngosto = {{{6, ' '}, {13, ' '}}, 2,
                                       {{0, 2}, {2, 2}, {4, 2}, {7, 2}, {9, 2}, {11, 2}},
                                       false, false, -1};
// clang-format on

const formato_fecha* formato_de(int32_t tipo) {
  switch (tipo) {
    case CONTROLADOR_WOLF:
    case CONTROLADOR_CALDEN_OIL:
    case CONTROLADOR_SVS_AXXUS: return &kIso;
    case CONTROLADOR_PETROSOFT_X_PICO:
    case CONTROLADOR_PETROSOFT_X_TANQUE: return &kPetrosoft;
    case CONTROLADOR_PIRCAL:
    case CONTROLADOR_FUSION_WAYNE: return &kAmericano;
    case CONTROLADOR_SVS_WIDE:
    case CONTROLADOR_SVS_WIDE_HN: return &kSvsAncho;
    case CONTROLADOR_SVS_NARROW: return &kSvsAngosto;
    default: return nullptr;
  }
}

unsigned lee_numero(const char* texto, numero n) {
  unsigned v = 0;
  for (int i = n.posicion; i < n.posicion + n.digitos && i < static_cast<int>(kLargoTextoFecha);
       ++i) {
    if (texto[i] < '0' || texto[i] > '9') break;
    v = v * 10 + static_cast<unsigned>(texto[i] - '0');
  }
  return v;
}

}  // namespace

bool fecha_de_registro(fecha_bcd* fecha, char texto[kLargoTextoFecha], int32_t tipo) {
  // SVS-WIDE-HN writes hours below 10 with one digit: "29092022 93045 ".
  if (tipo == CONTROLADOR_SVS_WIDE_HN && texto[14] == ' ') {
    std::memmove(texto + 10, texto + 9, kLargoTextoFecha - 11);
    texto[9] = '0';
    texto[kLargoTextoFecha - 1] = '\0';
  }
  const formato_fecha* f = formato_de(tipo);
  if (f == nullptr) return false;
  for (int i = 0; i < f->n_marcas; ++i) {
    if (texto[f->marcas[i].posicion] != f->marcas[i].caracter) return false;
  }
  unsigned v[6];
  for (int i = 0; i < 6; ++i) v[i] = lee_numero(texto, f->numeros[i]);
  if (f->anio_de_cuatro) v[2] -= 2000;
  fecha->dia = bin_a_bcd(v[0]);
  fecha->mes = bin_a_bcd(v[1]);
  fecha->anio = bin_a_bcd(v[2]);
  fecha->hora = bin_a_bcd(v[3]);
  fecha->minuto = bin_a_bcd(v[4]);
  fecha->segundo = bin_a_bcd(v[5]);
  if (f->escribe_nul) {
    for (int i = 0; i < f->n_marcas; ++i) texto[f->marcas[i].posicion] = '\0';
    if (f->nul_extra >= 0) texto[f->nul_extra] = '\0';
  }
  return true;
}

bool fecha_del_registro(fecha_bcd* fecha, std::string_view registro, const fila_controlador& fila) {
  const size_t i = ubica_campo(registro, fila.campo_fecha, fila.separador);
  if (i == std::string_view::npos) return false;
  char texto[kLargoTextoFecha] = {};
  const std::string_view copia = registro.substr(i, kCopiaFecha);
  std::copy(copia.begin(), copia.end(), texto);
  return fecha_de_registro(fecha, texto, fila.tipo);
}
