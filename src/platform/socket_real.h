// TCP client sockets on the real platform's Asio loop.
#pragma once

#include <asio/io_context.hpp>
#include <memory>

#include "platform/socket.h"

namespace plat {

// Null when the socket cannot be opened (errno set).
std::unique_ptr<SocketBackend> new_asio_socket(asio::io_context& io, SocketEvents* events);

}  // namespace plat
