// When a tank's stock has moved enough for a new snapshot, and taking it.
#include <cstring>

#include "inventory/registro_tanque.h"

namespace {

// A move of more than this part of the tank's capacity makes a snapshot.
constexpr float kPartesCapacidad = 15000.0f;

}  // namespace

bool stock_nuevo(const registro_tanque& actual, const registro_tanque& foto, float capacidad) {
  if (actual.Inventario == 0) return false;
  const float diferencia = actual.litros - foto.litros;
  const float umbral = capacidad / kPartesCapacidad;
  return diferencia > umbral || diferencia < -umbral;
}

void copia_foto(const registro_tanque& actual, registro_tanque* foto) {
  // Only what the decoder fills; the free bytes are never read.
  foto->Inventario = actual.Inventario;
  foto->fecha_hora = actual.fecha_hora;
  std::memcpy(foto->producto, actual.producto, sizeof foto->producto);
  foto->status_calibs = actual.status_calibs;
  foto->merma_mes = actual.merma_mes;
  foto->nivel = actual.nivel;
  foto->liq_agua_medible = actual.liq_agua_medible;
  foto->litros = actual.litros;
  foto->litros_vacio = actual.litros_vacio;
  foto->nivel_agua = actual.nivel_agua;
  foto->temperatura = actual.temperatura;
  foto->perdidas = actual.perdidas;
}
