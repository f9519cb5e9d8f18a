// Recognising and checking the station's frames, and the byte helpers the
// replies share.
#include "qtr10/trama.h"

#include <bit>
#include <cstring>

namespace qtr10 {

const char* nombre_clase(Clase c) {
  switch (c) {
    case Clase::kRW: return "RW";
    case Clase::kRDW: return "RDW";
    case Clase::kPRE: return "PRE";
    case Clase::kRCW: return "RCW";
    case Clase::kPCW: return "PCW";
    case Clase::kPCT: return "PCT";
    case Clase::kVenta: return "VENTA";
    case Clase::kDesconocida: break;
  }
  return "?";
}

const char* nombre_defecto(Defecto d) {
  switch (d) {
    case Defecto::kNinguno: return "ok";
    case Defecto::kPrefijo: return "bad prefix";
    case Defecto::kSuma: return "bad sum";
    case Defecto::kContenido: return "bad body";
    case Defecto::kIncompleta: return "incomplete";
    case Defecto::kDesconocida: return "unknown";
  }
  return "?";
}

std::array<uint8_t, kPrefijo> prefijo(const Codigo& codigo) {
  std::array<uint8_t, kPrefijo> p{};
  for (size_t i = 0; i < kPrefijo; ++i) {
    int paso = static_cast<int>(i) + 1;
    p[i] = static_cast<uint8_t>(codigo[i] + (i % 2 == 0 ? paso : -paso));
  }
  return p;
}

uint8_t suma8(const uint8_t* p, size_t n) {
  unsigned s = 0;
  for (size_t i = 0; i < n; ++i) s += p[i];
  return static_cast<uint8_t>(s);
}

uint16_t suma16(const uint8_t* p, size_t n) {
  uint32_t s = 0;
  for (size_t i = 0; i < n; ++i) s += p[i];
  return static_cast<uint16_t>(s);
}

void pon_f32_be(uint8_t* p, float v) {
  uint32_t u = std::bit_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(u >> (24 - 8 * i));
}

float lee_f32_be(const uint8_t* p) {
  uint32_t u = (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
               (static_cast<uint32_t>(p[2]) << 8) | p[3];
  return std::bit_cast<float>(u);
}

namespace {

constexpr uint8_t kCabeza0 = 0x19;
constexpr uint8_t kCabeza1 = 0x04;

struct Comando {
  uint8_t codigo;
  Clase clase;
  size_t cuerpo;
};
constexpr Comando kComandos[] = {
    {0x33, Clase::kRW, 5},  {0xDE, Clase::kRDW, 6},    {0xC2, Clase::kPRE, 11},
    {0xB9, Clase::kRCW, 9}, {0xE6, Clase::kPCW, 1253}, {0xAB, Clase::kPCT, 3},
};

constexpr size_t kVentaCorta = 17;
constexpr size_t kVentaLarga = 20;

bool iguales(const uint8_t* p, std::initializer_list<uint8_t> esperado) {
  for (uint8_t b : esperado) {
    if (*p++ != b) return false;
  }
  return true;
}

}  // namespace

size_t largo_trama(const uint8_t* p, size_t n, Clase* clase) {
  *clase = Clase::kDesconocida;
  if (n <= kPrefijo) return 0;
  const uint8_t* c = p + kPrefijo;
  if (c[0] == 'G' || c[0] == 'g') {
    *clase = Clase::kVenta;
    return kPrefijo + (c[0] == 'G' ? kVentaCorta : kVentaLarga);
  }
  // Nothing to resynchronise on: unknown bytes are taken whole.
  if (c[0] != kCabeza0) return n;
  if (n < kPrefijo + 2) return 0;
  if (c[1] != kCabeza1) return n;
  if (n < kPrefijo + 3) return 0;
  for (const Comando& k : kComandos) {
    if (k.codigo == c[2]) {
      *clase = k.clase;
      return kPrefijo + k.cuerpo;
    }
  }
  return n;
}

Defecto revisa_trama(Clase clase, const uint8_t* trama, size_t n, const Codigo& codigo) {
  auto esperado = prefijo(codigo);
  if (n < kPrefijo) return Defecto::kIncompleta;
  if (std::memcmp(trama, esperado.data(), kPrefijo) != 0) return Defecto::kPrefijo;
  const uint8_t* c = trama + kPrefijo;
  const size_t largo = n - kPrefijo;
  auto suma8_en = [&](size_t i) { return c[i] == suma8(c, i); };
  auto suma16_en = [&](size_t i) { return lee_u16_be(c + i) == suma16(c, i); };
  bool contenido = true;
  bool suma = true;
  switch (clase) {
    case Clase::kRW: contenido = largo == 5 && iguales(c + 3, {0x09, 0x01}); break;
    case Clase::kRDW:
      contenido = largo == 6 && iguales(c + 3, {0xFF, 0x02});
      suma = contenido && suma8_en(5);
      break;
    case Clase::kPRE:
      contenido = largo == 11;
      suma = contenido && suma8_en(10);
      break;
    case Clase::kRCW:
      contenido = largo == 9 && c[3] == 0x45 && iguales(c + 5, {0, 0, 0});
      suma = contenido && suma8_en(8);
      break;
    case Clase::kPCW:
      contenido = largo == 1253 && c[3] == 0x45;
      suma = contenido && suma16_en(1251);
      break;
    case Clase::kPCT: contenido = largo == 3; break;
    case Clase::kVenta:
      if (largo == kVentaCorta && c[0] == 'G') {
        suma = suma16_en(15);
      } else {
        contenido = largo == kVentaLarga && c[0] == 'g' && c[2] == 0xFE;
        suma = contenido && suma16_en(18);
      }
      break;
    case Clase::kDesconocida: return Defecto::kDesconocida;
  }
  if (!contenido) return Defecto::kContenido;
  return suma ? Defecto::kNinguno : Defecto::kSuma;
}

}  // namespace qtr10
