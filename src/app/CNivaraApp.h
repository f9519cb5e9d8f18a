// The application: starts the platform's services, builds the station object,
// runs its initialisation and then the event loop.
#pragma once

#include "platform/platform.h"

class CNivaraApp {
 public:
  // Runs the station on `p` until the program ends; returns only if the
  // event loop does.
  int InitInstance(plat::Platform& p);
};
