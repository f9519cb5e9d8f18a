// The answer to the console's sale question: its body, and sending it on
// the link that brought the question.
#include "console/respuesta_venta.h"

#include <cstring>

#include "app/CNivaraDlg.h"
#include "console/tramas.h"
#include "foundation/bytes.h"
#include "foundation/gl.h"
#include "foundation/mensajes.h"
#include "inventory/venta_consulta.h"

using namespace cuerpo_venta;

bool periodo_pedido(const uint8_t periodo[kLargoPeriodo]) {
  return periodo[kDiaInicioPeriodo] != kFinPreguntas;
}

void fechas_periodo(const uint8_t periodo[kLargoPeriodo], fecha_bcd* inicio, fecha_bcd* fin) {
  std::memcpy(inicio, periodo, sizeof *inicio);
  std::memcpy(fin, periodo + sizeof *inicio, sizeof *fin);
}

size_t cuerpo_respuesta_venta(uint8_t forma, uint8_t tanque, const float litros[kPeriodos],
                              const uint8_t codigos[kPeriodos], uint8_t* cuerpo) {
  const bool larga = forma == kFormaLarga;
  const size_t largo = larga ? kLargoLargo : kLargoCorto;
  std::memset(cuerpo, 0, largo);
  cuerpo[kForma] = larga ? kFormaLarga : kFormaCorta;
  cuerpo[kTanque] = tanque;
  uint8_t primer_error = 0;
  for (int i = 0; i < kPeriodos; ++i) {
    const uint32_t bits = bits_de_real(litros[i]);
    for (int k = 0; k < 4; ++k) {
      cuerpo[kLitros + 4 * i + k] = static_cast<uint8_t>(bits >> (24 - 8 * k));
    }
    if (larga) cuerpo[kCodigos + i] = codigos[i];
    if (primer_error == 0) primer_error = codigos[i];
  }
  cuerpo[kEstado] = larga ? kEstadoLarga : primer_error;
  const size_t sumados = largo - 2;
  const uint16_t suma = suma16(cuerpo, sumados);
  cuerpo[sumados] = static_cast<uint8_t>(suma >> 8);
  cuerpo[sumados + 1] = static_cast<uint8_t>(suma);
  return largo;
}

void CNivaraDlg::contesta_venta(uint8_t tanque, const uint8_t* pregunta, uint8_t forma) {
  if (arma_prefijo(enlace.buffer_tx) == 0) {
    gl(MSJ_EDE);  // the question stays unanswered
    return;
  }
  float litros[kPeriodos] = {};
  uint8_t codigos[kPeriodos] = {};
  for (int i = 0; i < kPeriodos; ++i) {
    const uint8_t* periodo = pregunta + i * kLargoPeriodo;
    if (!periodo_pedido(periodo)) break;
    fecha_bcd inicio, fin;
    fechas_periodo(periodo, &inicio, &fin);
    codigos[i] = consulta_venta(tanque, inicio, fin, &litros[i]);
  }
  enlace.largo_tx = static_cast<uint32_t>(
      kLargoPrefijo +
      cuerpo_respuesta_venta(forma, tanque, litros, codigos, enlace.buffer_tx + kLargoPrefijo));
  enlace.puntero_respuesta = 0;
  envia_trama();
  limpia_enlace();
}
