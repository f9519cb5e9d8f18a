// The controller layout table, field location and the integer and real
// field readers.
#include "sales/controladores.h"

#include <cstdlib>

#include "foundation/gl.h"
#include "foundation/mensajes.h"

// clang-format off
const fila_controlador tabla_controladores[] = {
    // tipo                          campos orden sep  fecha litros signo contador tanque surt. pico
    {CONTROLADOR_WOLF,                   11, 0, ';', 8, 5,  7, 10, -1,  1,  2},
    {CONTROLADOR_SVS_WIDE,               10, 1, ' ', 2, 9, -1, -1, -1,  4,  5},
    {CONTROLADOR_SVS_WIDE_HN,            10, 1, ' ', 2, 9, -1, -1, -1,  4,  5},
    {CONTROLADOR_SVS_NARROW,             10, 1, ' ', 2, 9, -1, -1, -1,  4,  5},
    {CONTROLADOR_PETROSOFT_X_PICO,       14, 1, ',', 1, 6, -1, -1, -1,  3,  4},
    {CONTROLADOR_PETROSOFT_X_TANQUE,     14, 1, ',', 1, 6, -1, -1, 13,  3,  4},
    {CONTROLADOR_PIRCAL,                  5, 0, ',', 1, 3, -1, -1,  4, -1, -1},
    {CONTROLADOR_CALDEN_OIL,              5, 0, ';', 0, 3,  4, -1, -1,  1,  2},
    {CONTROLADOR_FUSION_WAYNE,            6, 1, ';', 1, 4,  5, -1, -1,  2,  3},
    {CONTROLADOR_SVS_AXXUS,               5, 1, ';', 0, 3,  4, -1, -1,  1,  2},
    {FIN_CONTROLADORES,                   0, 0, '\0', 0, 0, -1, -1, -1, -1, -1},
};
// clang-format on

const fila_controlador* busca_controlador(int32_t tipo) {
  for (const fila_controlador* f = tabla_controladores; f->tipo != FIN_CONTROLADORES; ++f) {
    if (f->tipo == tipo) return f;
  }
  return nullptr;
}

namespace {

bool fin_de_linea(char c) { return c == '\r' || c == '\n'; }
bool digito(char c) { return c >= '0' && c <= '9'; }

}  // namespace

size_t ubica_campo(std::string_view registro, int32_t campo, char separador) {
  size_t i = 0;
  for (int32_t n = 0; n < campo; ++n) {
    while (i < registro.size() && registro[i] != separador) {
      if (fin_de_linea(registro[i])) return std::string_view::npos;
      ++i;
    }
    if (i == registro.size()) return std::string_view::npos;
    ++i;
  }
  return i;
}

int32_t cuenta_separadores(std::string_view datos, char separador) {
  int32_t n = 0;
  for (char c : datos) {
    if (fin_de_linea(c)) break;
    if (c == separador) ++n;
  }
  return n;
}

int32_t campo_entero(std::string_view registro, int32_t campo, char separador) {
  const size_t i = ubica_campo(registro, campo, separador);
  if (i >= registro.size() || !digito(registro[i])) {
    gl(MSJ_I_CORRUPT);
    return -1;
  }
  int32_t v = registro[i] - '0';
  // Two digits at most: a field 123 reads as 12.
  if (i + 1 < registro.size() && digito(registro[i + 1])) v = v * 10 + (registro[i + 1] - '0');
  return v;
}

float campo_real(std::string_view registro, int32_t campo, char separador) {
  constexpr size_t kMaximo = 12;  // digits and dots a real field may hold
  char texto[kMaximo + 2] = {};
  size_t n = 0;
  size_t i = ubica_campo(registro, campo, separador);
  if (i == std::string_view::npos) i = registro.size();  // no field: read as empty
  while (i < registro.size() && n <= kMaximo && (digito(registro[i]) || registro[i] == '.')) {
    texto[n++] = registro[i++];
  }
  if (n > kMaximo) {
    gl(MSJ_F_CORRUPT);
    return -1.0f;
  }
  return static_cast<float>(std::strtod(texto, nullptr));
}
