// A station started on the simulated platform with a scripted console at
// its configured address.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/CNivaraDlg.h"
#include "consola_prueba.h"
#include "entorno.h"

// Hands `datos` to the reply handler in pieces of the given sizes (the last
// size repeats), as receive notifications would.
void entrega(CNivaraDlg& d, const std::vector<uint8_t>& datos, std::vector<size_t> trozos = {8192});

class EstacionEnLinea : public Estacion {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Writes tnq.ini from `config` and runs start-up.
  void arranca();
  // Events logged since the last call.
  std::vector<std::string> eventos_nuevos();
  // The codes of the frames the console received, in order.
  std::vector<uint8_t> codigos() const;
  long cuenta(uint8_t codigo) const;

  configuracion_tnq config = configuracion_ejemplo();
  ConsolaPrueba consola;
  std::unique_ptr<CNivaraDlg> dlg;
  int64_t inicio_ms = 0;
  size_t vistos = 0;
};
