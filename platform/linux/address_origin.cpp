#include "platform/linux/address_origin.h"

#include <algorithm>
#include <optional>
#include <string>

#include "core/text.h"
#include "platform/linux/small_file.h"

namespace adreca::platform {
namespace {

constexpr char kSysfsNetFolder[] = "/sys/class/net/";

// One value of a file in the interface's sysfs folder, without its line end.
std::optional<std::string> ReadSysfsValue(const std::string& interface_name, const char* attribute) {
  // Interface names come from the kernel, which forbids these; checked anyway
  // because the name becomes part of a path.
  if (interface_name.empty() || interface_name == "." || interface_name == ".." ||
      interface_name.find('/') != std::string::npos) {
    return std::nullopt;
  }
  std::optional<std::string> value = ReadSmallFile(kSysfsNetFolder + interface_name + "/" + attribute);
  if (!value || value->empty()) return std::nullopt;
  value->erase(std::min(value->find('\n'), value->size()));
  return value;
}

// Whether sysfs's address text ("00:1a:2b:3c:4d:5e") names the adapter's address.
bool IsAddressOf(const std::string& text, const standin::Adapter& adapter) {
  const auto bytes = ParseHardwareAddress(FromUtf8(text));
  return bytes && std::equal(bytes->begin(), bytes->end(), adapter.hardware_address.begin(),
                             adapter.hardware_address.end());
}

}  // namespace

AddressOrigin ParseAddressAssignType(std::string_view text) {
  // NET_ADDR_PERM, NET_ADDR_RANDOM, NET_ADDR_STOLEN and NET_ADDR_SET.
  if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  if (text == "0") return AddressOrigin::kPermanent;
  if (text == "1") return AddressOrigin::kRandom;
  if (text == "2") return AddressOrigin::kStolen;
  if (text == "3") return AddressOrigin::kSet;
  return AddressOrigin::kUnknown;
}

AddressOrigin ReadAddressOrigin(const standin::Adapter& adapter) {
  const auto index = ReadSysfsValue(adapter.name, "ifindex");
  const auto address = ReadSysfsValue(adapter.name, "address");
  if (!index || *index != std::to_string(adapter.index) || !address || !IsAddressOf(*address, adapter)) {
    return AddressOrigin::kUnknown;
  }
  const auto type = ReadSysfsValue(adapter.name, "addr_assign_type");
  return type ? ParseAddressAssignType(*type) : AddressOrigin::kUnknown;
}

}  // namespace adreca::platform
