// The packed BCD date: the clock's local time, conversions, seconds between
// two dates and the text form.
#include "foundation/fecha_bcd.h"

#include <ctime>

#include "platform/platform.h"

unsigned bcd_a_bin(uint8_t b) { return (b >> 4) * 10u + (b & 0x0Fu); }

uint8_t bin_a_bcd(unsigned v) {
  v %= 256;
  return static_cast<uint8_t>(((v / 10) << 4) | (v % 10));
}

void fecha_actual(fecha_bcd* f) {
  std::tm t = plat::local_now();
  f->segundo = bin_a_bcd(static_cast<unsigned>(t.tm_sec));
  f->minuto = bin_a_bcd(static_cast<unsigned>(t.tm_min));
  f->hora = bin_a_bcd(static_cast<unsigned>(t.tm_hour));
  f->dia = bin_a_bcd(static_cast<unsigned>(t.tm_mday));
  f->mes = bin_a_bcd(static_cast<unsigned>(t.tm_mon + 1));
  f->dia_semana = bin_a_bcd(static_cast<unsigned>(t.tm_wday + 1));
  f->anio = bin_a_bcd(static_cast<unsigned>(t.tm_year - 100));
}

namespace {

int64_t segundos_del_mes(const fecha_bcd& f) {
  return bcd_a_bin(f.dia) * 86400LL + bcd_a_bin(f.hora) * 3600LL + bcd_a_bin(f.minuto) * 60LL +
         bcd_a_bin(f.segundo);
}

// February always counts 28 days.
constexpr int kDiasMes[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

}  // namespace

int32_t segundos_entre(const fecha_bcd& a, const fecha_bcd& b) {
  const bool negar = comparar_fecha(a, b) >= 0;
  const fecha_bcd& temprano = negar ? b : a;
  const fecha_bcd& tarde = negar ? a : b;
  int64_t s_temprano = segundos_del_mes(temprano);
  int64_t s_tarde = segundos_del_mes(tarde);
  if (s_tarde < s_temprano) {
    unsigned mes = bcd_a_bin(temprano.mes);
    if (mes >= 1 && mes <= 12) s_tarde += kDiasMes[mes - 1] * 86400LL;
  }
  int64_t d = s_tarde - s_temprano;
  return static_cast<int32_t>(negar ? -d : d);
}

void fecha_a_texto(char texto[18], const fecha_bcd& f) {
  const uint8_t campos[6] = {f.dia, f.mes, f.anio, f.hora, f.minuto, f.segundo};
  const char separadores[6] = {'/', '/', ' ', ':', ':', '\0'};
  for (int i = 0; i < 6; ++i) {
    texto[i * 3] = static_cast<char>('0' + (campos[i] >> 4));
    texto[i * 3 + 1] = static_cast<char>('0' + (campos[i] & 0x0F));
    texto[i * 3 + 2] = separadores[i];
  }
}
