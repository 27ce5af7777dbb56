#include "app/status_explanation.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>

#include "core/text.h"
#include "platform/netbios.h"
#include "platform/win32_errors.h"

namespace adreca::app {

namespace {

struct Meaning {
  std::int64_t code;
  std::u16string_view text;
};

// The result codes that the workstation service's enumeration and the IP
// helper's adapter query answer with.
constexpr Meaning kWin32Errors[] = {
    {platform::kErrorSuccess, u"the call succeeded"},
    {5, u"access denied (ERROR_ACCESS_DENIED)"},
    {platform::kErrorNotEnoughMemory, u"not enough memory (ERROR_NOT_ENOUGH_MEMORY)"},
    {50, u"not supported (ERROR_NOT_SUPPORTED)"},
    {platform::kErrorBadNetpath, u"the network path was not found (ERROR_BAD_NETPATH)"},
    {platform::kErrorInvalidParameter, u"an invalid parameter (ERROR_INVALID_PARAMETER)"},
    {platform::kErrorBufferOverflow, u"buffer too small (ERROR_BUFFER_OVERFLOW)"},
    {platform::kErrorInvalidLevel, u"an invalid information level (ERROR_INVALID_LEVEL)"},
    {platform::kErrorNoData, u"no adapter information (ERROR_NO_DATA)"},
    {platform::kErrorMoreData, u"more entries than one answer holds (ERROR_MORE_DATA)"},
    {1231, u"the network is not reachable (ERROR_NETWORK_UNREACHABLE)"},
    {2138, u"the workstation service has not been started (NERR_NetNotStarted)"},
};

// The NetBIOS return codes (nb30.h).
constexpr Meaning kNetbiosReturnCodes[] = {
    {platform::NRC_GOODRET, u"the request succeeded (NRC_GOODRET)"},
    {platform::NRC_BUFLEN, u"illegal buffer length (NRC_BUFLEN)"},
    {platform::NRC_ILLCMD, u"illegal command (NRC_ILLCMD)"},
    {platform::NRC_CMDTMO, u"command timed out (NRC_CMDTMO)"},
    {platform::NRC_INCOMP, u"message incomplete (NRC_INCOMP)"},
    {0x08, u"illegal session number (NRC_SNUMOUT)"},
    {0x09, u"no resource available (NRC_NORES)"},
    {0x0A, u"session closed (NRC_SCLOSED)"},
    {0x0B, u"command cancelled (NRC_CMDCAN)"},
    {0x0D, u"duplicate name (NRC_DUPNAME)"},
    {0x0E, u"name table full (NRC_NAMTFUL)"},
    {0x0F, u"the name has active sessions (NRC_ACTSES)"},
    {0x11, u"local session table full (NRC_LOCTFUL)"},
    {0x12, u"the remote end is not listening (NRC_REMTFUL)"},
    {0x13, u"illegal name number (NRC_ILLNN)"},
    {0x14, u"no answer to the call (NRC_NOCALL)"},
    {0x15, u"no such name (NRC_NOWILD)"},
    {0x16, u"name in use elsewhere (NRC_INUSE)"},
    {0x17, u"name deleted (NRC_NAMERR)"},
    {0x18, u"session ended abnormally (NRC_SABORT)"},
    {0x19, u"name conflict (NRC_NAMCONF)"},
    {0x21, u"the interface is busy (NRC_IFBUSY)"},
    {0x22, u"too many commands outstanding (NRC_TOOMANY)"},
    {platform::NRC_BRIDGE, u"invalid LAN adapter number (NRC_BRIDGE)"},
    {0x24, u"command completed while a cancel was pending (NRC_CANOCCR)"},
    {0x26, u"the command cannot be cancelled (NRC_CANCEL)"},
    {0x30, u"name defined by another environment (NRC_DUPENV)"},
    {platform::NRC_ENVNOTDEF, u"the adapter was not reset (NRC_ENVNOTDEF)"},
    {0x35, u"operating system resources exhausted (NRC_OSRESNOTAV)"},
    {0x36, u"too many applications (NRC_MAXAPPS)"},
    {0x37, u"no service access points available (NRC_NOSAPS)"},
    {0x38, u"requested resources not available (NRC_NORESOURCES)"},
    {platform::NRC_INVADDRESS, u"invalid control block address (NRC_INVADDRESS)"},
    {0x3B, u"invalid control block (NRC_INVDDID)"},
    {0x3C, u"lock of a user area failed (NRC_LOCKFAIL)"},
    {0x3F, u"the device driver could not be opened (NRC_OPENERR)"},
    {platform::NRC_SYSTEM, u"system error (NRC_SYSTEM)"},
    {platform::NRC_PENDING, u"the command is still pending (NRC_PENDING)"},
};

std::optional<std::int64_t> Code(std::u16string_view status) {
  const std::string text = ToUtf8(status);
  std::int64_t code = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), code);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return code;
}

template <std::size_t N>
std::u16string_view MeaningOf(const Meaning (&table)[N], std::int64_t code) {
  for (const Meaning& meaning : table) {
    if (meaning.code == code) return meaning.text;
  }
  return {};
}

}  // namespace

std::u16string StatusExplanation(StatusCodes codes, std::u16string_view status) {
  if (status.empty()) return {};
  if (codes == StatusCodes::kNone) return std::u16string(status) + u": this way has no status code";
  const std::optional<std::int64_t> code = Code(status);
  std::u16string_view meaning;
  if (code) {
    meaning = codes == StatusCodes::kNetbiosReturnCodes ? MeaningOf(kNetbiosReturnCodes, *code)
                                                        : MeaningOf(kWin32Errors, *code);
  }
  if (meaning.empty()) return std::u16string(status) + u": a code that this program does not know";
  return std::u16string(status) + u": " + std::u16string(meaning);
}

}  // namespace adreca::app
