// Starting and stopping the real programs in the end-to-end tests.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// Starts `programa` with `args` in `carpeta`, its output (both streams) going
// to the file `salida` there.
pid_t lanza(const std::string& programa, const std::vector<std::string>& args,
            const std::string& carpeta, const std::string& salida);
// Waits up to `ms` for the process to end; its wait status, or -1 (then it
// is killed).
int espera_fin(pid_t pid, int ms = 5000);
// Sends `senal` and waits for the end.
int detiene(pid_t pid, int senal);
// Waits up to `ms` for `texto` to appear in the file; its contents then.
std::string espera_texto(const std::string& archivo, const std::string& texto, int ms = 5000);
