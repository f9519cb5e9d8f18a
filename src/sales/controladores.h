// The forecourt controllers' sales file layouts, and the readers of one
// record: its fields and its date.
//
// A record is one line of the sales file, handed over from its first
// character; the view may run on past the line into the records after it,
// but no reader looks beyond the line's first CR or LF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "foundation/fecha_bcd.h"

// Controller types, as the configuration numbers them.
enum : int32_t {
  CONTROLADOR_WOLF = 0,
  CONTROLADOR_SVS_WIDE = 1,
  CONTROLADOR_PETROSOFT_X_PICO = 2,
  CONTROLADOR_PETROSOFT_X_TANQUE = 3,
  CONTROLADOR_SVS_NARROW = 4,
  CONTROLADOR_PIRCAL = 5,
  CONTROLADOR_CALDEN_OIL = 6,
  CONTROLADOR_SVS_WIDE_HN = 7,
  CONTROLADOR_SVS_AXXUS = 8,
  CONTROLADOR_FUSION_WAYNE = 9,
  FIN_CONTROLADORES = 255,  // the type of the row that ends the table
};

// One controller's record layout. Fields are numbered from 0: field n starts
// after the n-th separator of the line. -1: the layout has no such field.
struct fila_controlador {
  int32_t tipo;
  int32_t campos;  // fields of a record line (separators + 1)
  int32_t orden;   // 0: the newest record is the first line; 1: the last
  char separador;
  int32_t campo_fecha;  // where the date text starts
  int32_t campo_litros;
  int32_t campo_signo;     // integer that marks a negative sale
  int32_t campo_contador;  // real: the nozzle's meter reading
  int32_t campo_tanque;    // integer 1..16, in place of pump and nozzle
  int32_t campo_surtidor;
  int32_t campo_pico;
};

// The rows in their fixed order, ended by a row of type FIN_CONTROLADORES.
extern const fila_controlador tabla_controladores[];

// The row of a controller type; nullptr when the search reaches the end row.
const fila_controlador* busca_controlador(int32_t tipo);

// Where field `campo` of the record starts, or npos when the line ends (or
// the view does) before that many separators.
size_t ubica_campo(std::string_view registro, int32_t campo, char separador);

// The separators of the first line of `datos` (up to its first CR or LF, or
// the end of the view): a layout's field count less one.
int32_t cuenta_separadores(std::string_view datos, char separador);

// The field's first one or two digits, 0..99. A field that does not start
// with a digit, or that the line does not have, gives -1 after message 60.
int32_t campo_entero(std::string_view registro, int32_t campo, char separador);

// The field's leading digits and dots as a decimal number. Thirteen or more
// of them give -1.0 after message 61; none (an empty field, a sign, a field
// the line does not have) give 0.0.
float campo_real(std::string_view registro, int32_t campo, char separador);

// A date text, as the record reader copies it: the 31 characters that start
// at the date field, NUL-terminated, with room for SVS-WIDE-HN's inserted
// hour digit.
constexpr size_t kCopiaFecha = 31;
constexpr size_t kLargoTextoFecha = 70;

// Parses the date text of controller `tipo` into bytes 0..4 and 6 of
// `*fecha` (the weekday is not written; values are not range-checked). False,
// with `*fecha` untouched, for an unknown type or a text without the type's
// separators at their places. Writes into `texto`: SVS-WIDE-HN gets a '0'
// before a one-digit hour, and the types other than SVS get NULs over the
// separators that end their numbers, so callers hand over a copy.
bool fecha_de_registro(fecha_bcd* fecha, char texto[kLargoTextoFecha], int32_t tipo);

// The date of a record of `fila`'s layout: copies the date text out of the
// record and parses it. False when the line has no date field or the text
// does not parse.
bool fecha_del_registro(fecha_bcd* fecha, std::string_view registro, const fila_controlador& fila);
