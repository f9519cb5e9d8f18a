// The months the store's retention drops, kept in an archive of one file
// per month of records: "qtrs-2025-12.nvr", records as the store holds them,
// oldest first, readable like the store itself.
#pragma once

#include <cstdint>
#include <string>

// The archive file of the month of a record (its date's year and month
// bytes, BCD).
std::string archivo_mes(uint8_t anio_bcd, uint8_t mes_bcd);

// Adds the records of [0, hasta) of the open store to their months'
// archives, each file replaced whole with its month's records at its end.
// A month whose archive already ends with exactly those records (a
// retention that stopped before the store was rewritten) is left as it is,
// so a record is archived once. False, with a free text logged, when a file
// cannot be read or written: then none of those records may be dropped.
bool archiva_meses(int sincro, uint64_t hasta);
