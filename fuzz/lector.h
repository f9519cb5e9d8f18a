// The sales reader's station for the fuzz targets: the sales file
// "ventas.txt" of one controller layout, a map of pumps and nozzles to
// tanks, and a store whose last sale is of 5 March 2026 10:00:00.
#pragma once

#include <cstddef>
#include <cstdint>

#include "banco.h"
#include "sales/controladores.h"

namespace banco {

// The layouts whose file is text, in the order the sales target's first
// byte picks them.
constexpr int32_t kTiposTexto[] = {
    CONTROLADOR_WOLF,
    CONTROLADOR_SVS_WIDE,
    CONTROLADOR_PETROSOFT_X_PICO,
    CONTROLADOR_PETROSOFT_X_TANQUE,
    CONTROLADOR_SVS_NARROW,
    CONTROLADOR_PIRCAL,
    CONTROLADOR_CALDEN_OIL,
    CONTROLADOR_SVS_WIDE_HN,
    CONTROLADOR_FUSION_WAYNE,
};

CNivaraDlg& lector(banco& b, int32_t controlador, const uint8_t* ventas, size_t largo);

}  // namespace banco
