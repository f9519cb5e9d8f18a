// One tank's inventory as the console reports it, decoded into host order,
// and what the reply handler does with it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/fecha_bcd.h"

constexpr int kTanquesConsola = 16;

struct registro_tanque {
  int8_t Inventario;  // 0: the console has no inventory for the tank
  fecha_bcd fecha_hora;
  char producto[16];  // not necessarily NUL-terminated
  uint8_t status_calibs;
  int16_t merma_mes;         // tenths of a litre
  float nivel;               // mm
  uint8_t liq_agua_medible;  // kNivelMarcado, kAguaMarcada
  float litros;
  float litros_vacio;
  uint8_t libre_1[4];
  uint8_t libre_2[2];
  float nivel_agua;  // mm
  uint8_t libre_3;
  int16_t temperatura;  // hundredths of a degree
  float perdidas;       // litres per hour
};

// The status byte's calibration bits, from layouts that send them one by one.
constexpr uint8_t kCalibMedidor = 0x80;
constexpr uint8_t kCalibTanque = 0x40;
constexpr uint8_t kCalibProducto = 0x20;
// The measurability byte's marks: the level figures, the water level.
constexpr uint8_t kNivelMarcado = 0x30;
constexpr uint8_t kAguaMarcada = 0x03;

// Decodes the tank records of a complete inventory reply (`respuesta`, whose
// layout byte and tank count say how to read them) into `tanques`.
// Only the first 16 tanks are decoded; fields a layout lacks keep their value.
void decodifica_tanques(const uint8_t* respuesta, size_t largo,
                        registro_tanque tanques[kTanquesConsola]);

// Whether the tank's litres moved by more than its capacity / 15000 since its
// snapshot (any change while the capacity is 0); never without inventory.
bool stock_nuevo(const registro_tanque& actual, const registro_tanque& foto, float capacidad);

// Takes the decoded fields of `actual` as the tank's new snapshot.
void copia_foto(const registro_tanque& actual, registro_tanque* foto);
