// Console dates. Clocks here count local time in milliseconds as if it were
// UTC, so no time zone enters the arithmetic.
#pragma once

#include <cstdint>
#include <functional>

#include "foundation/fecha_bcd.h"

namespace qtr10 {

// The host's local time, milliseconds.
using Reloj = std::function<int64_t()>;

// The local wall clock of this computer.
int64_t reloj_local_ms();

// Milliseconds to a packed date with its weekday (1 = Sunday); the
// milliseconds are dropped.
fecha_bcd fecha_de_ms(int64_t ms);
// A packed date (weekday ignored) to milliseconds.
int64_t ms_de_fecha(const fecha_bcd& f);

}  // namespace qtr10
