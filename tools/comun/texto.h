// Reading the tools' "key = value" text files: blanks, comments, words.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace texto {

constexpr std::string_view kBlancos = " \t\r";

// Without leading and trailing blanks.
std::string_view recorta(std::string_view s);

// A '#' starts a comment at the start of a line or after a blank; elsewhere
// it belongs to the value, as in a path.
std::string_view sin_comentario(std::string_view linea);

// The blank-separated words of a text.
std::vector<std::string_view> palabras(std::string_view s);

// A value between double quotes, as the tools' error messages show it.
std::string entre_comillas(std::string_view s);

}  // namespace texto
