// Decoding the inventory reply's tank records: one field table per record
// layout, walked field by field into registro_tanque.
#include <algorithm>
#include <cstring>

#include "console/tramas.h"
#include "foundation/bytes.h"
#include "inventory/registro_tanque.h"

namespace {

// One field of a tank record on the wire.
struct campo {
  const char* nombre;
  uint32_t tamano;
};

// The console models differ in which fields a tank record holds; each table
// lists one layout in wire order. The two closing entries are never reached.
constexpr campo kLayout1[] = {
    {"Inventario", 1},
    {"Fecha-Hora", 7},
    {"status_calib_medidor", 1},
    {"status_calib_tanque", 1},
    {"status_calib_producto", 1},
    {"nivel", 4},
    {"nivel_medible", 1},
    {"litros", 4},
    {"litros_vacio", 4},
    {"litros_base", 4},
    {"serie_medidor", 2},
    {"nivel_agua", 4},
    {"nivel_agua_medible", 1},
    {"temperatura", 2},
    {"perdidas", 4},
    {" ", 1},
    {"FINAL-->", 55555},
};

constexpr campo kLayout2[] = {
    {"Inventario", 1},
    {"Fecha-Hora", 7},
    {"Producto", 16},
    {"status_calib_medidor", 1},
    {"status_calib_tanque", 1},
    {"status_calib_producto", 1},
    {"nivel", 4},
    {"nivel_medible", 1},
    {"litros", 4},
    {"litros_vacio", 4},
    {"litros_base", 4},
    {"serie_medidor", 2},
    {"nivel_agua", 4},
    {"nivel_agua_medible", 1},
    {"temperatura", 2},
    {"perdidas", 4},
    {" ", 1},
    {"FINAL-->", 55555},
};

constexpr campo kLayout3[] = {
    {"Inventario", 1}, {"Fecha-Hora", 7},   {"Producto", 16},   {"status_calibs", 1},
    {"libre1", 1},     {"libre2", 1},       {"nivel", 4},       {"liq_agua_medible", 1},
    {"litros", 4},     {"litros_vacio", 4}, {"litros_base", 4}, {"serie_medidor", 2},
    {"nivel_agua", 4}, {"libre3", 1},       {"temperatura", 2}, {"perdidas", 4},
    {" ", 1},          {"FINAL-->", 55555},
};

constexpr campo kLayout4[] = {
    {"Inventario", 1},   {"Fecha-Hora", 7},  {"Producto", 16},        {"status_calibs", 1},
    {"merma_mes", 2},    {"nivel", 4},       {"liq_agua_medible", 1}, {"litros", 4},
    {"litros_vacio", 4}, {"libre_1", 4},     {"libre_2", 2},          {"nivel_agua", 4},
    {"libre_3", 1},      {"temperatura", 2}, {"perdidas", 4},         {" ", 1},
    {"FINAL-->", 55555},
};

struct layout {
  const campo* tabla;
  uint32_t campos;  // fields per tank: all but the two closing entries
  size_t inicio;    // where the first tank's first field is in the reply
};

template <size_t N>
constexpr layout de(const campo (&tabla)[N], size_t inicio) {
  return {tabla, N - 2, inicio};
}

// The bytes one tank's record takes.
constexpr size_t largo_registro(const layout& l) {
  size_t n = 0;
  for (uint32_t i = 0; i < l.campos; ++i) n += l.tabla[i].tamano;
  return n;
}

// Layout 1 starts one byte early: its first field is also the tank count.
constexpr layout kLayouts[] = {de(kLayout1, rw::kCuentaTanques), de(kLayout2, rw::kRegistros),
                               de(kLayout3, rw::kRegistros), de(kLayout4, rw::kRegistros)};
static_assert(largo_registro(kLayouts[0]) == 41);
static_assert(largo_registro(kLayouts[1]) == rw::kLargoRegistro);
static_assert(largo_registro(kLayouts[2]) == rw::kLargoRegistro);
static_assert(largo_registro(kLayouts[3]) == rw::kLargoRegistro);

// Versions 1 to 3 have their own layout; any other byte means layout 4.
const layout& elige_layout(uint8_t version) {
  return version >= 1 && version <= 3 ? kLayouts[version - 1] : kLayouts[3];
}

bool es(const campo& c, const char* nombre) { return std::strcmp(c.nombre, nombre) == 0; }

void decodifica_campo(const campo& c, const uint8_t* p, registro_tanque* r) {
  switch (c.tamano) {
    case 1:
      if (es(c, "Inventario")) {
        r->Inventario = static_cast<int8_t>(p[0]);
      } else if (es(c, "status_calibs")) {
        r->status_calibs = p[0];
      } else if (es(c, "status_calib_medidor")) {
        if (p[0] != 0) r->status_calibs |= kCalibMedidor;
      } else if (es(c, "status_calib_tanque")) {
        if (p[0] != 0) r->status_calibs |= kCalibTanque;
      } else if (es(c, "status_calib_producto")) {
        if (p[0] != 0) r->status_calibs |= kCalibProducto;
      } else if (es(c, "liq_agua_medible")) {
        r->liq_agua_medible = p[0];
      } else if (es(c, "nivel_medible")) {
        r->liq_agua_medible |= p[0] & kNivelMarcado;
      } else if (es(c, "nivel_agua_medible")) {
        r->liq_agua_medible |= p[0] & kAguaMarcada;
      }
      break;
    case 2:
      if (es(c, "temperatura")) {
        r->temperatura = static_cast<int16_t>(lee_u16_be(p));
      } else if (es(c, "merma_mes")) {
        r->merma_mes = static_cast<int16_t>(lee_u16_be(p));
      }
      break;
    case 4:
      if (es(c, "nivel")) {
        r->nivel = lee_real_be(p);
      } else if (es(c, "litros")) {
        r->litros = lee_real_be(p);
      } else if (es(c, "litros_vacio")) {
        r->litros_vacio = lee_real_be(p);
      } else if (es(c, "nivel_agua")) {
        r->nivel_agua = lee_real_be(p);
      } else if (es(c, "perdidas")) {
        r->perdidas = lee_real_be(p);
      }
      break;
    default:
      if (es(c, "Fecha-Hora")) {
        std::memcpy(&r->fecha_hora, p, std::min<size_t>(c.tamano, sizeof r->fecha_hora));
      } else if (es(c, "Producto")) {
        // Text: what follows a NUL is cleared.
        const size_t n = std::min<size_t>(c.tamano, sizeof r->producto);
        bool fin = false;
        for (size_t i = 0; i < n; ++i) {
          fin = fin || p[i] == 0;
          r->producto[i] = fin ? '\0' : static_cast<char>(p[i]);
        }
      }
      break;
  }
}

}  // namespace

void decodifica_tanques(const uint8_t* respuesta, size_t largo,
                        registro_tanque tanques[kTanquesConsola]) {
  if (largo < rw::kLargoCabecera) return;
  const layout& l = elige_layout(respuesta[rw::kLayout]);
  const int n = std::min<int>(respuesta[rw::kCuentaTanques], kTanquesConsola);
  const size_t por_tanque = largo_registro(l);

  size_t posicion = l.inicio;
  int tanque = -1;
  const campo* c = l.tabla;
  for (uint32_t contador = 0;; ++contador) {
    if (contador % l.campos == 0) {
      ++tanque;
      // A reply too short for the whole record ends the decoding before it.
      if (tanque == n || posicion + por_tanque > largo) return;
      c = l.tabla;
      tanques[tanque].status_calibs = 0;
      tanques[tanque].liq_agua_medible = 0;
      tanques[tanque].merma_mes = 0;
    } else {
      ++c;
    }
    decodifica_campo(*c, respuesta + posicion, &tanques[tanque]);
    posicion += c->tamano;
  }
}
