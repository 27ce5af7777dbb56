#include "platform/adapter_reading.h"

namespace adreca::platform {

SharedAdapterReading::SharedAdapterReading() = default;
SharedAdapterReading::~SharedAdapterReading() = default;

}  // namespace adreca::platform
