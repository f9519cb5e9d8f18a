// POSIX file calls shared by the real and the simulated platform.
#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace plat::posix {

// Backslashes become slashes.
std::string normalize_path(const char* path);

// Each returns -1 / false on failure with errno set.
int open_file(const std::string& path, unsigned access, Share share, Creation creation);
bool file_size(int fd, uint64_t* bytes);
bool read_file(int fd, void* buf, uint32_t n, uint32_t* done);
bool write_file(int fd, const void* buf, uint32_t n, uint32_t* done);
bool seek_file(int fd, int64_t offset, Origin origin, uint64_t* position);
bool set_end_of_file(int fd);
bool file_time(int fd, int64_t* ns);
bool sync_file(int fd);
void close_file(int fd);
bool remove_file(const std::string& path);
bool rename_file(const std::string& from, const std::string& to);
bool make_dir(const std::string& path);

}  // namespace plat::posix
