// Decoding Nivara.log's records into readable lines, from a byte buffer.
#include "admin/lectura_log.h"

#include "foundation/bytes.h"
#include "foundation/catalogo.h"
#include "foundation/gl.h"
#include "foundation/resumen.h"

namespace admin {

// See lectura_log.h.
std::string texto_legible(std::string_view s) {
  std::string r;
  for (const char ch : s) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x20 || b >= 0x7F) {
      r += formatea("\\x%02x", b);
    } else {
      r.push_back(ch);
    }
  }
  return r;
}

bool es_sello(std::string_view t) {
  constexpr std::string_view kForma = "99/99/99  99:99:99";
  if (t.size() != kForma.size()) return false;
  for (size_t i = 0; i < t.size(); ++i) {
    bool digito = t[i] >= '0' && t[i] <= '9';
    if (kForma[i] == '9' ? !digito : t[i] != kForma[i]) return false;
  }
  return true;
}

lectura_log decodifica_log(const uint8_t* datos, size_t largo, estado_log& estado) {
  lectura_log r;
  size_t& pos = r.leidos;
  while (pos < largo) {
    const uint8_t* reg = datos + pos;
    const size_t quedan = largo - pos;
    if (quedan < 3) {
      // The minute alone can already prove damage.
      if (quedan == 2 && lee_u16_le(reg) >= kMinutosDia) {
        r.fin = fin_log::kDanado;
        r.motivo = formatea("minute of day %u is above 1439", lee_u16_le(reg));
      } else {
        r.fin = fin_log::kIncompleto;
        r.motivo =
            formatea("%zu byte%s left, fewer than a record's 3", quedan, quedan == 1 ? "" : "s");
      }
      return r;
    }
    const unsigned minuto = lee_u16_le(reg);
    if (minuto >= kMinutosDia) {
      r.fin = fin_log::kDanado;
      r.motivo = formatea("minute of day %u is above 1439", minuto);
      return r;
    }
    const std::string cuando = estado.fecha + formatea(" %02u:%02u  ", minuto / 60, minuto % 60);
    if (reg[2] != kTextoLibre) {
      char texto[128];
      texto_mensaje(reg[2], texto);
      r.lineas.push_back(cuando + formatea("[%4u] ", reg[2]) + texto);
      r.registros.push_back({estado.fecha, minuto, reg[2], texto});
      pos += 3;
      continue;
    }
    const size_t largo_reg = largo_registro(reg, quedan);
    if (reg[largo_reg - 1] != 0) {
      // The station never writes a longer text, so no later byte can end it.
      const size_t sin_nul = largo_reg - 3;
      r.fin = sin_nul > kLogTextoMaximo ? fin_log::kDanado : fin_log::kIncompleto;
      r.motivo = sin_nul > kLogTextoMaximo
                     ? formatea("text record without its NUL in %zu bytes", sin_nul)
                     : std::string("text record without its NUL before the end");
      return r;
    }
    std::string_view texto(reinterpret_cast<const char*>(reg + 3), largo_reg - 4);
    if (es_sello(texto)) {
      estado.fecha = std::string(texto.substr(0, 8));
      r.lineas.push_back("======== " + std::string(texto) + " ========");
      r.registros.push_back({estado.fecha, minuto, kCodigoSello, std::string(texto)});
    } else {
      r.lineas.push_back(cuando + "[text] " + texto_legible(texto));
      r.registros.push_back({estado.fecha, minuto, kCodigoTexto, std::string(texto)});
    }
    pos += largo_reg;
  }
  return r;
}

}  // namespace admin
