// Starting, watching and stopping the real programs of the end-to-end tests.
#include "procesos.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "entorno.h"

pid_t lanza(const std::string& programa, const std::vector<std::string>& args,
            const std::string& carpeta, const std::string& salida) {
  pid_t pid = ::fork();
  if (pid != 0) return pid;
  // A test that fails before stopping it must not leave it running.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::chdir(carpeta.c_str()) != 0) ::_exit(126);
  int f = ::open(salida.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ::dup2(f, 1);
  ::dup2(f, 2);
  std::vector<char*> argv{const_cast<char*>(programa.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  ::execv(programa.c_str(), argv.data());
  ::_exit(127);
}

int espera_fin(pid_t pid, int ms) {
  int estado = 0;
  for (int t = 0; t < ms; t += 20) {
    if (::waitpid(pid, &estado, WNOHANG) == pid) return estado;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, &estado, 0);
  return -1;
}

int detiene(pid_t pid, int senal) {
  ::kill(pid, senal);
  return espera_fin(pid);
}

std::string espera_texto(const std::string& archivo, const std::string& texto, int ms) {
  std::string s;
  for (int t = 0; t <= ms; t += 20) {
    s = lee_archivo(archivo);
    if (s.find(texto) != std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return s;
}
