#pragma once

namespace adreca::platform {

// One reading of the machine's adapters for everything that the calling
// thread asks about them while this object lives: the ways of one report then
// see the same adapters (which may change between two readings), and the
// adapters are read once instead of once a way. Nests. On Windows, where the
// platform's own operations answer, each still asks the system itself.
class SharedAdapterReading {
 public:
  SharedAdapterReading();
  ~SharedAdapterReading();
  SharedAdapterReading(const SharedAdapterReading&) = delete;
  SharedAdapterReading& operator=(const SharedAdapterReading&) = delete;
};

}  // namespace adreca::platform
