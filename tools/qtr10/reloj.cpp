// Console dates: milliseconds of local time to BCD dates and back.
#include "qtr10/reloj.h"

#include <chrono>
#include <ctime>

namespace qtr10 {

namespace {

constexpr int64_t kMsDia = 86400000;

int64_t piso_div(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

int64_t reloj_local_ms() {
  using namespace std::chrono;
  int64_t ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
  std::time_t t = static_cast<std::time_t>(ms / 1000);
  std::tm local{};
  ::localtime_r(&t, &local);
  return ms + static_cast<int64_t>(local.tm_gmtoff) * 1000;
}

fecha_bcd fecha_de_ms(int64_t ms) {
  using namespace std::chrono;
  int64_t dias = piso_div(ms, kMsDia);
  int64_t resto = (ms - dias * kMsDia) / 1000;
  sys_days dia{days{dias}};
  year_month_day ymd{dia};
  fecha_bcd f{};
  f.segundo = bin_a_bcd(static_cast<unsigned>(resto % 60));
  f.minuto = bin_a_bcd(static_cast<unsigned>(resto / 60 % 60));
  f.hora = bin_a_bcd(static_cast<unsigned>(resto / 3600));
  f.dia = bin_a_bcd(static_cast<unsigned>(ymd.day()));
  f.mes = bin_a_bcd(static_cast<unsigned>(ymd.month()));
  f.dia_semana = bin_a_bcd(weekday{dia}.c_encoding() + 1);
  f.anio = bin_a_bcd(static_cast<unsigned>(static_cast<int>(ymd.year()) - 2000));
  return f;
}

int64_t ms_de_fecha(const fecha_bcd& f) {
  using namespace std::chrono;
  year_month_day ymd{year{2000 + static_cast<int>(bcd_a_bin(f.anio))}, month{bcd_a_bin(f.mes)},
                     day{bcd_a_bin(f.dia)}};
  int64_t dias = sys_days{ymd}.time_since_epoch().count();
  int64_t s = bcd_a_bin(f.hora) * 3600LL + bcd_a_bin(f.minuto) * 60LL + bcd_a_bin(f.segundo);
  return dias * kMsDia + s * 1000;
}

}  // namespace qtr10
