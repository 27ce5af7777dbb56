#include "bench/link_dump_floor.h"

#include <libmnl/libmnl.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <array>
#include <cerrno>
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

int CountLink(const nlmsghdr* message, void* data) {
  if (message->nlmsg_type == RTM_NEWLINK) ++*static_cast<int*>(data);
  return MNL_CB_OK;
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

}  // namespace

int RawLinkDump() {
  alignas(nlmsghdr) static thread_local std::array<char, kBufferSize> buffer;
  Socket socket;
  if (mnl_socket_bind(socket.get(), 0, MNL_SOCKET_AUTOPID) < 0) Fail("mnl_socket_bind");
  const unsigned port = mnl_socket_get_portid(socket.get());

  nlmsghdr* request = mnl_nlmsg_put_header(buffer.data());
  request->nlmsg_type = RTM_GETLINK;
  request->nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
  request->nlmsg_seq = static_cast<unsigned>(std::time(nullptr));
  const unsigned sequence = request->nlmsg_seq;
  auto* info = static_cast<rtgenmsg*>(mnl_nlmsg_put_extra_header(request, sizeof(rtgenmsg)));
  info->rtgen_family = AF_PACKET;
  if (mnl_socket_sendto(socket.get(), request, request->nlmsg_len) < 0) Fail("mnl_socket_sendto");

  int links = 0;
  for (;;) {
    const ssize_t length = mnl_socket_recvfrom(socket.get(), buffer.data(), buffer.size());
    if (length < 0) Fail("mnl_socket_recvfrom");
    const int result =
        mnl_cb_run(buffer.data(), static_cast<std::size_t>(length), sequence, port, CountLink, &links);
    if (result < 0) Fail("mnl_cb_run");
    if (result == MNL_CB_STOP) return links;
  }
}

}  // namespace adreca::bench
