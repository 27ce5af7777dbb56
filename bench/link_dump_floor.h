#pragma once

namespace adreca::bench {

// The floor of the adapter snapshot: one RTM_GETLINK dump of the calling
// thread's network namespace with plain libmnl (socket opened, bound, the
// request sent, every reply read and checked, the socket closed), the way a
// minimal program would ask the kernel for its links. Returns the number of
// links; throws std::runtime_error when the kernel cannot be asked.
int RawLinkDump();

// The floor of a whole snapshot: the three dumps that it reads (links, their
// addresses, the routes), one after another on one socket, each reply read
// and counted, nothing kept. Returns the number of links.
int RawSnapshotDumps();

}  // namespace adreca::bench
