// The sales reader's station for the fuzz targets: the sales file
// "ventas.txt" of one controller layout, a map of pumps and nozzles to
// tanks, and a store whose last sale is of 5 March 2026 10:00:00.
#pragma once

#include <cstddef>
#include <cstdint>

#include "banco.h"

namespace banco {

CNivaraDlg& lector(banco& b, int32_t controlador, const uint8_t* ventas, size_t largo);

}  // namespace banco
