// The fields of a tnq.ini configuration record, and the check of the file.
#include "foundation/tnq.h"

#include <cstring>

#include "foundation/bytes.h"
#include "foundation/mensajes.h"

namespace {

std::string texto_campo(const uint8_t* p, size_t largo) {
  const void* nul = std::memchr(p, 0, largo);
  size_t n = nul != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - p) : largo;
  return std::string(reinterpret_cast<const char*>(p), n);
}

size_t offset_par(int tanque, int par) {
  return tnq::kMapa + static_cast<size_t>(tanque * kParesPorTanque + par) * 8;
}

}  // namespace

uint32_t configuracion_tnq::puerto() const { return lee_u32_le(bytes + tnq::kPuerto); }
int32_t configuracion_tnq::controlador() const { return lee_i32_le(bytes + tnq::kControlador); }
std::string configuracion_tnq::file_ventas() const {
  return texto_campo(bytes + tnq::kFileVentas, tnq::kLargoFileVentas);
}
std::string configuracion_tnq::usuario() const {
  return texto_campo(bytes + tnq::kUsuario, tnq::kLargoUsuario);
}
std::string configuracion_tnq::password() const {
  return texto_campo(bytes + tnq::kPassword, tnq::kLargoPassword);
}
std::string configuracion_tnq::file_stock() const {
  return texto_campo(bytes + tnq::kFileStock, tnq::kLargoFileStock);
}
int32_t configuracion_tnq::surtidor(int tanque, int par) const {
  return lee_i32_le(bytes + offset_par(tanque, par));
}
int32_t configuracion_tnq::pico(int tanque, int par) const {
  return lee_i32_le(bytes + offset_par(tanque, par) + 4);
}
uint32_t configuracion_tnq::genera(int tanque) const {
  return lee_u32_le(bytes + tnq::kGenera + 4 * tanque);
}
uint32_t configuracion_tnq::actu_qtr(int tanque) const {
  return lee_u32_le(bytes + tnq::kActuQtr + 4 * tanque);
}

void configuracion_tnq::pon_puerto(uint32_t v) { escribe_u32_le(bytes + tnq::kPuerto, v); }
void configuracion_tnq::pon_controlador(int32_t v) { escribe_i32_le(bytes + tnq::kControlador, v); }
bool configuracion_tnq::pon_texto(size_t campo, size_t largo, const std::string& v) {
  if (v.size() >= largo || v.find('\0') != std::string::npos) return false;
  std::memset(bytes + campo, 0, largo);
  std::memcpy(bytes + campo, v.data(), v.size());
  return true;
}
void configuracion_tnq::pon_par(int tanque, int par, int32_t surtidor, int32_t pico) {
  escribe_i32_le(bytes + offset_par(tanque, par), surtidor);
  escribe_i32_le(bytes + offset_par(tanque, par) + 4, pico);
}
void configuracion_tnq::pon_genera(int tanque, uint32_t v) {
  escribe_u32_le(bytes + tnq::kGenera + 4 * tanque, v);
}
void configuracion_tnq::pon_actu_qtr(int tanque, uint32_t v) {
  escribe_u32_le(bytes + tnq::kActuQtr + 4 * tanque, v);
}

unsigned verifica_tnq(const uint8_t* datos, size_t largo) {
  if (largo < sizeof kTnqVersion || lee_u32_le(datos) != kTnqVersion) return MSJ_LC_VERSION;
  if (largo < kTnqCabecera + kTnqRegistro || (largo - kTnqCabecera) % kTnqRegistro != 0) {
    return MSJ_LC_INCOMPLETO;
  }
  return 0;
}

const char* nombre_controlador(int32_t tipo) {
  static const char* const nombres[kControladores] = {
      "WOLF",   "SVS-WIDE",   "PETROSOFT_X_PICO", "PETROSOFT_X_TANQUE", "SVS-NARROW",
      "PIRCAL", "CALDEN OIL", "SVS-WIDE-HN",      "SVS AXXUS",          "FUSION WAYNE"};
  return tipo >= 0 && tipo < kControladores ? nombres[tipo] : nullptr;
}
