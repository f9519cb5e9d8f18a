// Killing a child process at every step of an operation; see asesina.h.
#include "asesina.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int mata_en_cada_paso(plat::SimPlatform& sim, const std::function<void()>& prepara,
                      const std::function<void()>& operacion,
                      const std::function<void(bool murio)>& comprueba) {
  for (int k = 1;; ++k) {
    SCOPED_TRACE(testing::Message() << "killed at step " << k);
    prepara();
    std::fflush(nullptr);
    const pid_t hijo = ::fork();
    if (hijo < 0) {
      ADD_FAILURE() << "fork";
      return k - 1;
    }
    if (hijo == 0) {
      Asesina asesina(sim.root(), sim.now(), k);
      plat::install(&asesina);
      operacion();
      ::_exit(0);
    }
    int estado = 0;
    ::waitpid(hijo, &estado, 0);
    const bool murio = WIFSIGNALED(estado) && WTERMSIG(estado) == SIGKILL;
    EXPECT_TRUE(murio || (WIFEXITED(estado) && WEXITSTATUS(estado) == 0)) << estado;
    comprueba(murio);
    if (!murio) return k - 1;
  }
}
