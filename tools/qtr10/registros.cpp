// Writing the console's per-tank records: the inventory record in its four
// layouts and the delivery record.
#include "qtr10/registros.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "qtr10/trama.h"

namespace qtr10 {

namespace {

enum class Campo : uint8_t {
  kInventario,
  kFecha,
  kProducto,
  kStatusMedidor,
  kStatusTanque,
  kStatusProducto,
  kStatus,
  kMerma,
  kNivel,
  kNivelMedible,
  kLitros,
  kLitrosVacio,
  kLitrosBase,
  kSerie,
  kNivelAgua,
  kAguaMedible,
  kMedible,
  kTemperatura,
  kPerdidas,
  kLibre,
};

struct Entrada {
  Campo campo;
  uint8_t ancho;
};

using C = Campo;
constexpr Entrada kLayout1[] = {
    {C::kInventario, 1},     {C::kFecha, 7},       {C::kStatusMedidor, 1}, {C::kStatusTanque, 1},
    {C::kStatusProducto, 1}, {C::kNivel, 4},       {C::kNivelMedible, 1},  {C::kLitros, 4},
    {C::kLitrosVacio, 4},    {C::kLitrosBase, 4},  {C::kSerie, 2},         {C::kNivelAgua, 4},
    {C::kAguaMedible, 1},    {C::kTemperatura, 2}, {C::kPerdidas, 4},
};
constexpr Entrada kLayout2[] = {
    {C::kInventario, 1},   {C::kFecha, 7},          {C::kProducto, 16},   {C::kStatusMedidor, 1},
    {C::kStatusTanque, 1}, {C::kStatusProducto, 1}, {C::kNivel, 4},       {C::kNivelMedible, 1},
    {C::kLitros, 4},       {C::kLitrosVacio, 4},    {C::kLitrosBase, 4},  {C::kSerie, 2},
    {C::kNivelAgua, 4},    {C::kAguaMedible, 1},    {C::kTemperatura, 2}, {C::kPerdidas, 4},
};
constexpr Entrada kLayout3[] = {
    {C::kInventario, 1}, {C::kFecha, 7},       {C::kProducto, 16},   {C::kStatus, 1},
    {C::kLibre, 1},      {C::kLibre, 1},       {C::kNivel, 4},       {C::kMedible, 1},
    {C::kLitros, 4},     {C::kLitrosVacio, 4}, {C::kLitrosBase, 4},  {C::kSerie, 2},
    {C::kNivelAgua, 4},  {C::kLibre, 1},       {C::kTemperatura, 2}, {C::kPerdidas, 4},
};
constexpr Entrada kLayout4[] = {
    {C::kInventario, 1},  {C::kFecha, 7},       {C::kProducto, 16}, {C::kStatus, 1},
    {C::kMerma, 2},       {C::kNivel, 4},       {C::kMedible, 1},   {C::kLitros, 4},
    {C::kLitrosVacio, 4}, {C::kLibre, 4},       {C::kLibre, 2},     {C::kNivelAgua, 4},
    {C::kLibre, 1},       {C::kTemperatura, 2}, {C::kPerdidas, 4},
};

template <size_t N>
constexpr size_t ancho(const Entrada (&t)[N]) {
  size_t s = 0;
  for (const Entrada& e : t) s += e.ancho;
  return s;
}
static_assert(ancho(kLayout1) == kLargoRegistro1);
static_assert(ancho(kLayout2) == kLargoRegistro);
static_assert(ancho(kLayout3) == kLargoRegistro);
static_assert(ancho(kLayout4) == kLargoRegistro);

template <size_t N>
void escribe(const Entrada (&tabla)[N], const ValoresTanque& v, uint8_t* p) {
  for (const Entrada& e : tabla) {
    switch (e.campo) {
      case C::kInventario: *p = v.inventario; break;
      case C::kFecha: std::memcpy(p, &v.fecha, 7); break;
      case C::kProducto: std::memcpy(p, v.producto, 16); break;
      case C::kStatusMedidor: *p = (v.status & 0x80) ? 1 : 0; break;
      case C::kStatusTanque: *p = (v.status & 0x40) ? 1 : 0; break;
      case C::kStatusProducto: *p = (v.status & 0x20) ? 1 : 0; break;
      case C::kStatus: *p = v.status; break;
      case C::kMerma: pon_u16_be(p, static_cast<uint16_t>(v.merma_mes)); break;
      case C::kNivel: pon_f32_be(p, v.nivel); break;
      case C::kNivelMedible: *p = v.medible & 0x30; break;
      case C::kLitros: pon_f32_be(p, v.litros); break;
      case C::kLitrosVacio: pon_f32_be(p, v.litros_vacio); break;
      case C::kLitrosBase: pon_f32_be(p, v.litros_base); break;
      case C::kSerie: pon_u16_be(p, v.serie); break;
      case C::kNivelAgua: pon_f32_be(p, v.nivel_agua); break;
      case C::kAguaMedible: *p = v.medible & 0x03; break;
      case C::kMedible: *p = v.medible; break;
      case C::kTemperatura: pon_u16_be(p, static_cast<uint16_t>(v.temperatura)); break;
      case C::kPerdidas: pon_f32_be(p, v.perdidas); break;
      case C::kLibre: std::memset(p, 0, e.ancho); break;
    }
    p += e.ancho;
  }
}

uint16_t mm_enteros(float mm) {
  return static_cast<uint16_t>(std::clamp(std::lround(mm), 0L, 65535L));
}

}  // namespace

size_t largo_registro(uint8_t version) { return version == 1 ? kLargoRegistro1 : kLargoRegistro; }

void escribe_registro(uint8_t version, const ValoresTanque& v, uint8_t* destino) {
  switch (version) {
    case 1: escribe(kLayout1, v, destino); break;
    case 2: escribe(kLayout2, v, destino); break;
    case 3: escribe(kLayout3, v, destino); break;
    default: escribe(kLayout4, v, destino); break;
  }
}

void escribe_descarga(const Descarga& d, uint8_t destino[kLargoDescarga]) {
  std::memset(destino, 0, kLargoDescarga);
  std::memcpy(destino, d.producto, 16);
  std::memcpy(destino + 16, &d.inicio, 7);
  destino[23] = d.tanque;
  pon_f32_be(destino + 24, d.litros_inicial);
  pon_f32_be(destino + 28, d.litros_final);
  std::memcpy(destino + 32, &d.fin, 7);
  pon_u16_be(destino + 39, mm_enteros(d.nivel_inicial));
  pon_u16_be(destino + 41, mm_enteros(d.nivel_final));
  destino[44] = d.marcas;
}

}  // namespace qtr10
