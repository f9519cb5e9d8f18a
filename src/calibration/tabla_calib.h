// A tank's calibration table: level to litres in 100 points. The same
// 1246-byte layout in files, on the console link and in memory; in memory
// its numbers are in host order, elsewhere big-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr size_t kLargoTablaCalib = 1246;
constexpr int kPuntosTabla = 100;
constexpr uint16_t kVersionFormatoTabla = 3;

#pragma pack(push, 1)
struct punto_calib {
  float litros;  // -1.0 ends the table
  float mm;
  float pendiente;  // litres per mm measured by a capture; 0 when never measured
};

struct tabla_calib {
  uint16_t version_formato;  // must be 3
  char etiqueta[16];
  uint8_t version_tabla;   // number of the last backup written
  uint8_t dia, mes, anio;  // date of the last save, BCD
  uint8_t reservado[12];
  float diametro_tank;  // the tank's height, mm
  float capacidad;      // litres at the top point
  uint16_t campo_42;
  punto_calib puntos[kPuntosTabla];
  uint8_t suma[2];  // checksum of bytes 0..1243, high byte first
};
#pragma pack(pop)
static_assert(sizeof(tabla_calib) == kLargoTablaCalib);
static_assert(sizeof(punto_calib) == 12);

// Between host and console order, in place; the same call goes both ways.
void convierte_tabla(tabla_calib& t);

// Sum of bytes 0..1243 modulo 65536 (the same in either order).
uint16_t suma_tabla(const tabla_calib& t);

// The log text for a table file that cannot be opened, from its errno.
std::string texto_error_lct(int error, const char* archivo);

// The working table file of tank index `tanque` ("tan\ct1n.tan"), and its
// backup of table version `version` ("tan\ct1v7.tan").
std::string archivo_tabla(int tanque);
std::string archivo_respaldo(int tanque, unsigned version);

// Loads a table file ("tan\ct1n.tan"), checks it and leaves it in host order.
bool lct(const char* archivo, tabla_calib* destino);

// Saves the working table `t` (host order) as the file of tank index `tanque`.
bool scf(int tanque, const tabla_calib& t);
