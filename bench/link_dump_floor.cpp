#include "bench/link_dump_floor.h"

#include <libmnl/libmnl.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <string>

namespace adreca::bench {
namespace {

// Large enough for the kernel's biggest dump batches (32 KiB), like the
// snapshot's own buffer, so that both read the same number of batches.
constexpr std::size_t kBufferSize = 64 * 1024;

[[noreturn]] void Fail(const char* what) {
  throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

class Socket {
 public:
  Socket() : socket_(mnl_socket_open(NETLINK_ROUTE)) {
    if (socket_ == nullptr) Fail("mnl_socket_open");
  }
  ~Socket() { mnl_socket_close(socket_); }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  mnl_socket* get() const { return socket_; }

 private:
  mnl_socket* socket_;
};

// Sends one dump request of `type` for `family` and reads every reply;
// answers the number of messages of `counted` type.
int Dump(const Socket& socket, unsigned port, std::uint16_t type, std::uint8_t family,
         std::uint16_t counted) {
  alignas(nlmsghdr) static thread_local std::array<char, kBufferSize> buffer;
  nlmsghdr* request = mnl_nlmsg_put_header(buffer.data());
  request->nlmsg_type = type;
  request->nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
  request->nlmsg_seq = static_cast<unsigned>(std::time(nullptr)) + type;
  const unsigned sequence = request->nlmsg_seq;
  auto* info = static_cast<rtgenmsg*>(mnl_nlmsg_put_extra_header(request, sizeof(rtgenmsg)));
  info->rtgen_family = family;
  if (mnl_socket_sendto(socket.get(), request, request->nlmsg_len) < 0) Fail("mnl_socket_sendto");

  struct Count {
    std::uint16_t type;
    int messages;
  } count{counted, 0};
  const auto callback = [](const nlmsghdr* message, void* data) {
    auto* into = static_cast<Count*>(data);
    if (message->nlmsg_type == into->type) ++into->messages;
    return MNL_CB_OK;
  };
  for (;;) {
    const ssize_t length = mnl_socket_recvfrom(socket.get(), buffer.data(), buffer.size());
    if (length < 0) Fail("mnl_socket_recvfrom");
    const int result =
        mnl_cb_run(buffer.data(), static_cast<std::size_t>(length), sequence, port, callback, &count);
    if (result < 0) Fail("mnl_cb_run");
    if (result == MNL_CB_STOP) return count.messages;
  }
}

unsigned Bind(const Socket& socket) {
  if (mnl_socket_bind(socket.get(), 0, MNL_SOCKET_AUTOPID) < 0) Fail("mnl_socket_bind");
  return mnl_socket_get_portid(socket.get());
}

}  // namespace

int RawLinkDump() {
  const Socket socket;
  return Dump(socket, Bind(socket), RTM_GETLINK, AF_PACKET, RTM_NEWLINK);
}

int RawSnapshotDumps() {
  const Socket socket;
  const unsigned port = Bind(socket);
  const int links = Dump(socket, port, RTM_GETLINK, AF_PACKET, RTM_NEWLINK);
  Dump(socket, port, RTM_GETADDR, AF_UNSPEC, RTM_NEWADDR);
  Dump(socket, port, RTM_GETROUTE, AF_UNSPEC, RTM_NEWROUTE);
  return links;
}

}  // namespace adreca::bench
