// The station configuration file "tnq.ini": a 12-byte header (version 14)
// and one or more 2,192-byte records, of which the first is used. The live
// configuration is a copy of that record; these accessors read and write its
// fields in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr size_t kTnqCabecera = 12;
constexpr size_t kTnqRegistro = 2192;
constexpr uint32_t kTnqVersion = 14;
constexpr int kTanques = 16;
constexpr int kParesPorTanque = 12;

// Field offsets within the record.
namespace tnq {
constexpr size_t kIp = 8;
constexpr size_t kPuerto = 76;
constexpr size_t kCodigoAcceso = 88;
constexpr size_t kControlador = 128;
constexpr size_t kFileVentas = 132;
constexpr size_t kLargoFileVentas = 64;
constexpr size_t kUsuario = 196;
constexpr size_t kLargoUsuario = 16;
constexpr size_t kPassword = 212;
constexpr size_t kLargoPassword = 16;
constexpr size_t kStopNivara = 263;
constexpr size_t kMapa = 268;
constexpr size_t kGenera = 1804;
constexpr size_t kSincronizaReloj = 1868;
constexpr size_t kActuQtr = 1872;
constexpr size_t kFileStock = 2064;
constexpr size_t kLargoFileStock = 128;
}  // namespace tnq

struct configuracion_tnq {
  uint8_t bytes[kTnqRegistro];

  uint8_t ip(int i) const { return bytes[tnq::kIp + i]; }
  uint32_t puerto() const;
  const uint8_t* codigo_acceso() const { return bytes + tnq::kCodigoAcceso; }
  int32_t controlador() const;
  // Texts end at their NUL or at the end of their field.
  std::string file_ventas() const;
  std::string usuario() const;
  std::string password() const;
  std::string file_stock() const;
  uint8_t stop_nivara() const { return bytes[tnq::kStopNivara]; }
  int32_t surtidor(int tanque, int par) const;
  int32_t pico(int tanque, int par) const;
  uint32_t genera(int tanque) const;
  uint8_t sincroniza_reloj() const { return bytes[tnq::kSincronizaReloj]; }
  uint32_t actu_qtr(int tanque) const;

  void pon_puerto(uint32_t v);
  void pon_controlador(int32_t v);
  // Refuses (false) a text that does not fit its field with its NUL.
  bool pon_texto(size_t campo, size_t largo, const std::string& v);
  void pon_par(int tanque, int par, int32_t surtidor, int32_t pico);
  void pon_genera(int tanque, uint32_t v);
  void pon_actu_qtr(int tanque, uint32_t v);
};
static_assert(sizeof(configuracion_tnq) == kTnqRegistro);

// Checks a whole file's bytes: 0 when usable, else the catalogue code of the
// fault (MSJ_LC_VERSION: unknown version; MSJ_LC_INCOMPLETO: size not
// 12 + n x 2,192 with n >= 1).
unsigned verifica_tnq(const uint8_t* datos, size_t largo);

// The controller types 0 to 9 by name ("WOLF", "SVS-WIDE", ...); nullptr for
// any other code.
const char* nombre_controlador(int32_t tipo);
constexpr int kControladores = 10;
