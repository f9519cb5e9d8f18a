// The message catalogue: 213 numbered texts, and the lookup of one text.
#pragma once

#include <cstdint>

struct fila_mensaje {
  uint16_t codigo;  // 1 to 213; 0 ends the table
  char texto[128];
};

// The catalogue rows in ascending code order, ended by a row with code 0.
extern const fila_mensaje tabla_mensajes[];

// Copies the text of `codigo` (taken as 16 bits) into `texto`, which holds at
// least 128 bytes; "???" when the code is not in the catalogue.
void texto_mensaje(unsigned codigo, char* texto);
