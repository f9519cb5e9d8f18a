// The service's hold on its working folder: that it can write there, and
// that no other service runs there. The second is a lock on a file in the
// folder, held for the life of the process that took it, with that
// process's id written in the file so that a refused start, or an admin
// tool, can name the holder.
#pragma once

#include <sys/types.h>

namespace plat {

constexpr const char* kInstanceLockFile = "nivara.lock";

// 0 when the process may make files in `folder`, or the errno value that
// says why not (a read-only mount, the folder's permissions).
int folder_write_error(const char* folder);

struct InstanceLock {
  bool held = false;  // this process holds it until it ends
  int error = 0;      // errno when not held; EWOULDBLOCK: another process holds it
  pid_t holder = 0;   // that process, as it wrote itself in the file (0: not yet)
};

// Takes the lock on the file `path`, making the file if needed. The file
// stays open, and uninherited by programs this one starts, until the
// process ends.
InstanceLock take_instance_lock(const char* path);

// The process holding the lock on `path`: its id, -1 while it has not yet
// written it, 0 when no process holds it.
pid_t instance_lock_holder(const char* path);

}  // namespace plat
