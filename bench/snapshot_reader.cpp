// Reads the adapter snapshot a given number of times (default 1), for
// instruction counts: valgrind --tool=callgrind adreca_snapshot_reader 10

#include <cstdio>
#include <cstdlib>

#include "platform/linux/rtnetlink_snapshot.h"

int main(int argc, char** argv) {
  const int times = argc > 1 ? std::atoi(argv[1]) : 1;
  std::size_t adapters = 0;
  for (int i = 0; i < times; ++i) adapters = adreca::platform::ReadAdapterSnapshot().adapters.size();
  std::printf("%d snapshots of %zu adapters\n", times, adapters);
  return 0;
}
