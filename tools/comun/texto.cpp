// Blanks, comments and words of the tools' text files.
#include "comun/texto.h"

namespace texto {

std::string_view recorta(std::string_view s) {
  size_t a = s.find_first_not_of(kBlancos);
  if (a == std::string_view::npos) return {};
  return s.substr(a, s.find_last_not_of(kBlancos) - a + 1);
}

std::string_view sin_comentario(std::string_view linea) {
  for (size_t i = 0; i < linea.size(); ++i) {
    if (linea[i] == '#' && (i == 0 || linea[i - 1] == ' ' || linea[i - 1] == '\t')) {
      return linea.substr(0, i);
    }
  }
  return linea;
}

std::vector<std::string_view> palabras(std::string_view s) {
  std::vector<std::string_view> p;
  size_t i = 0;
  while ((i = s.find_first_not_of(kBlancos, i)) != std::string_view::npos) {
    size_t fin = s.find_first_of(kBlancos, i);
    if (fin == std::string_view::npos) fin = s.size();
    p.push_back(s.substr(i, fin - i));
    i = fin;
  }
  return p;
}

// Built step by step: GCC 12 at -O3 sees a false overlap (-Wrestrict) in
// "\"" + std::string(s) + "\"".
std::string entre_comillas(std::string_view s) {
  std::string r;
  r.reserve(s.size() + 2);
  r += '"';
  r += s;
  r += '"';
  return r;
}

}  // namespace texto
