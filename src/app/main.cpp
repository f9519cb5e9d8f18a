// The service: the station on the real platform.
#include "app/CNivaraApp.h"
#include "platform/real_platform.h"

int main() {
  plat::RealPlatform plataforma;
  CNivaraApp app;
  return app.InitInstance(plataforma);
}
