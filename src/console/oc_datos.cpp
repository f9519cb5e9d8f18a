// What the good replies' data is used for.
#include "app/CNivaraDlg.h"

// Decodes the tank records, stores snapshots of the tanks whose stock moved
// and writes the stock report.
void CNivaraDlg::usa_inventario(uint32_t /*tanques*/) {}

// Answers the console's question about a tank's sales, on the open link.
void CNivaraDlg::contesta_venta(uint8_t /*tanque*/, const uint8_t* /*pregunta*/,
                                uint8_t /*forma*/) {}

// Keeps the deliveries for the next stock report.
void CNivaraDlg::guarda_descargas(uint32_t /*tanques*/, uint32_t /*por_tanque*/) {}

// Takes the console's calibration table of tanque_rcw: compares it with the
// working table, or makes one from it, and records the tank's capacity.
void CNivaraDlg::usa_tabla_qtr() {}
