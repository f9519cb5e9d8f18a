// The binary event log "Nivara.log".
//
// Three kinds of record, all starting with the minute of the day (16 bits,
// little-endian): an event (one catalogue code byte, 3 bytes in all), a free
// text (0xFF, the text, NUL) and an hourly time stamp (a free text holding
// the date and time). The file is opened and closed for every record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

// Free-text events carry this code.
constexpr unsigned kTextoLibre = 255;

// Records one event: a catalogue code, or code 255 with a free text.
void gl(unsigned codigo, const char* texto = nullptr);

// Formats the local date and time as "dd/mm/yy  hh:mm:ss" (18 characters).
void formatea_fecha_hora(const std::tm& t, char salida[19]);

// Where the kept tail of an oversized log starts: records are stepped over
// from the start while 2,000,000 bytes or more remain behind the position,
// at least one record. Never reads past `largo` bytes, even on a damaged log.
size_t inicio_recorte(const uint8_t* datos, size_t largo);

// Length of the record at `datos`, given `quedan` bytes; never more than
// `quedan` (a damaged tail counts as one record up to the end).
size_t largo_registro(const uint8_t* datos, size_t quedan);

// Forgets the last time stamp, as at the start of a run (tests start each
// case as a new run).
void gl_reinicia();

constexpr uint64_t kLogMaximo = 2050000;  // above this the log is trimmed
constexpr size_t kLogCola = 2000000;      // the kept tail stays under this
constexpr size_t kLogTextoMaximo = 508;   // longest free text kept
