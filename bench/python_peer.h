#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>

namespace adreca::bench {

// A Python process that runs a peer's call on request (bench/psutil_peer.py)
// and reports how long the call took inside Python. Started on first use,
// ended when the object goes away.
class PythonPeer {
 public:
  struct Call {
    std::chrono::nanoseconds elapsed{};
    int interfaces = 0;
  };

  explicit PythonPeer(const std::string& script);
  ~PythonPeer();
  PythonPeer(const PythonPeer&) = delete;
  PythonPeer& operator=(const PythonPeer&) = delete;

  // Asks for one call and waits for its report.
  Call Run();

 private:
  pid_t pid_ = -1;
  int to_peer_ = -1;
  int from_peer_ = -1;
  std::string pending_;
};

}  // namespace adreca::bench
