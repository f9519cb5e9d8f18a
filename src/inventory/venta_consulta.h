// The console's question about a tank's sales, answered from the event
// store. The question's frame and the answer's are console/'s
// (respuesta_venta.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/archivo_entero.h"
#include "foundation/fecha_bcd.h"

// Codes of a sale search; 0 means the litres were found.
enum : uint8_t {
  VENTA_OK = 0,
  VENTA_NO_ABRE = 1,
  VENTA_SIN_TAMANO = 2,
  VENTA_VACIO = 3,
  VENTA_SIN_VENTA_DESDE_INICIO = 4,
  VENTA_DESCONOCIDO_ANTES = 5,
  VENTA_NO_LLEGA_ATRAS = 6,
  VENTA_REARRANQUE_ANTES = 7,
  VENTA_NULO_DENTRO = 8,
  VENTA_DESCONOCIDO_DENTRO = 9,
  VENTA_PRIMERA_FUERA = 10,
  VENTA_REARRANQUE_DENTRO = 11,
  VENTA_CERO = 12,
  VENTA_FECHA_MALA = 13,
  VENTA_SIN_VENTA_TANQUE = 18,
};

// Litres of tank `tanque` sold in [inicio, fin) by the store records in
// `datos`, and how trustworthy they are. `*litros` holds whatever was summed
// when the search gives up early.
uint8_t busca_venta(const uint8_t* datos, size_t largo, uint8_t tanque, const fecha_bcd& inicio,
                    const fecha_bcd& fin, float* litros);
// The same over the records under a cursor, from the one in hand on.
uint8_t busca_venta(cursor_registros& c, uint8_t tanque, const fecha_bcd& inicio,
                    const fecha_bcd& fin, float* litros);

// The same search over the store file, read through a window. Ends the
// program when there is no memory for the window.
uint8_t bv(uint8_t tanque, const fecha_bcd& inicio, const fecha_bcd& fin, float* litros);

// One period of the console's question: logs it, searches the store with bv
// and logs the litres found and the code.
uint8_t consulta_venta(uint8_t tanque, const fecha_bcd& inicio, const fecha_bcd& fin,
                       float* litros);
