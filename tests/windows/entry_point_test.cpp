// Binding the Windows libraries' entry points to the exports of the system's
// libraries, at their first call, and what a call raises when that fails.

#include "platform/windows/entry_point.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "core/error.h"
#include "platform/kernel32.h"
#include "platform/netapi32.h"
#include "platform/seam.h"
#include "probes/probes.h"
#include "tests/support/raised.h"

namespace adreca {
namespace {

using platform::windows::Bind;
using platform::windows::EntryPoint;
using platform::windows::ScopedUnbindable;
using testing::ErrorNumberOf;
using testing::ErrorRaisedBy;

TEST(EntryPointTest, TheDeclaredLibraryNamesBindToTheSystemsExports) {
  // "netapi32" and "netapi32.dll" are the same library, whatever the case.
  const auto plain = Bind("netapi32", "Netbios");
  EXPECT_NE(plain, nullptr);
  EXPECT_EQ(Bind("netapi32.dll", "Netbios"), plain);
  EXPECT_EQ(Bind("NETAPI32.DLL", "Netbios"), plain);
  for (const auto& [library, function] : {std::pair{"netapi32", "NetWkstaTransportEnum"},
                                          {"netapi32.dll", "NetApiBufferFree"},
                                          {"kernel32", "lstrlenW"},
                                          {"kernel32", "RtlMoveMemory"},
                                          {"iphlpapi.dll", "GetAdaptersInfo"}}) {
    EXPECT_NE(Bind(library, function), nullptr) << library << "!" << function;
  }
}

TEST(EntryPointTest, TheKernelHelpersWorkOnRealMemory) {
  char16_t text[] = u"ADRE\u00c7A";
  EXPECT_EQ(platform::lstrlenW(text), 6);
  EXPECT_EQ(platform::lstrlenW(u""), 0);
  std::uint8_t bytes[10] = {};
  platform::RtlMoveMemory(bytes, text, sizeof bytes);
  // UTF-16 code units, low byte first: A, D, R, E, then the C with cedilla.
  const std::uint8_t expected[10] = {'A', 0, 'D', 0, 'R', 0, 'E', 0, 0xC7, 0};
  EXPECT_TRUE(std::equal(std::begin(bytes), std::end(bytes), std::begin(expected)));
}

const EntryPoint<int()> kMissingLibrary{"adreca-no-such-library.dll", "Anything"};
const EntryPoint<int()> kMissingFunction{"kernel32", "AdrecaNoSuchFunction"};

TEST(EntryPointTest, WhatCannotBeBoundRaisesAClearErrorAtTheCall) {
  const auto library = ErrorRaisedBy([] { kMissingLibrary(); });
  ASSERT_TRUE(library);
  EXPECT_EQ(library->number(), error_number::kFileNotFound);
  EXPECT_EQ(library->description(), u"File not found: adreca-no-such-library.dll");

  const auto function = ErrorRaisedBy([] { kMissingFunction(); });
  ASSERT_TRUE(function);
  EXPECT_EQ(function->number(), error_number::kEntryPointNotFound);
  EXPECT_EQ(function->description(), u"Can't find DLL entry point AdrecaNoSuchFunction in kernel32");
}

const EntryPoint<std::int32_t(const char16_t*)> kLength{"KERNEL32.DLL", "lstrlenW"};

TEST(EntryPointTest, ABindingThatWasRefusedIsTriedAgainAtTheNextCall) {
  EXPECT_EQ(kLength(u"abc"), 3);
  {
    const ScopedUnbindable refuse("kernel32.dll");
    EXPECT_EQ(ErrorNumberOf([] { kLength(u"abc"); }), error_number::kFileNotFound);
  }
  {
    const ScopedUnbindable refuse("kernel32", "lstrlenW");
    EXPECT_EQ(ErrorNumberOf([] { kLength(u"abc"); }), error_number::kEntryPointNotFound);
  }
  EXPECT_EQ(kLength(u"abcd"), 4);
}

// Two threads that make an entry point's first call at once get the same
// address. They meet by spinning on a count, not at a std::latch, whose wait
// in the mingw-w64 compiler's library can lose its wake-up and hang.
TEST(EntryPointTest, TwoThreadsBindingTheSameEntryPointAtOnceGetTheSameAddress) {
  const auto expected = reinterpret_cast<std::int32_t (*)(const char16_t*)>(Bind("kernel32", "lstrlenW"));
  for (int round = 0; round < 50; ++round) {
    const EntryPoint<std::int32_t(const char16_t*)> fresh{"kernel32", "lstrlenW"};
    std::atomic<int> arrived{0};
    std::array<std::int32_t (*)(const char16_t*), 2> seen{};
    std::vector<std::thread> threads;
    for (auto& address : seen) {
      threads.emplace_back([&] {
        arrived.fetch_add(1);
        while (arrived.load() < 2) std::this_thread::yield();
        address = fresh.Bound();
      });
    }
    for (std::thread& thread : threads) thread.join();
    ASSERT_EQ(seen[0], expected);
    ASSERT_EQ(seen[1], expected);
  }
}

// ---- The probes, when their library cannot be bound ----

TEST(UnboundLibraryTest, TheNetbiosWayRaisesFileNotFoundAtItsFirstCall) {
  const ScopedUnbindable refuse("netapi32.dll");
  EXPECT_EQ(ErrorNumberOf([] { MacNetBios(); }), error_number::kFileNotFound);
}

// The transports come from a fake; their release, which is not faked, cannot
// be bound. An error of the walk is what the probe raises, not the release's.
TEST(UnboundLibraryTest, AReleaseThatCannotBeBoundDoesNotHideTheFirstError) {
  static char16_t address[] = u"001A2B3C4D5E";
  static platform::WKSTA_TRANSPORT_INFO_0 record{0, 0, nullptr, address, 1};
  const seam::ScopedFake enumerate{
      &platform::NetWkstaTransportEnum,
      [](char16_t*, std::uint32_t, std::uint8_t** buffer, std::uint32_t, std::uint32_t* read, std::uint32_t* total,
         std::uint32_t*) {
        *buffer = reinterpret_cast<std::uint8_t*>(&record);
        *read = *total = 1;
        return std::uint32_t{0};
      }};
  const ScopedUnbindable refuse("netapi32.dll", "NetApiBufferFree");
  {
    const seam::ScopedFake too_long{&platform::lstrlenW, [](const char16_t*) { return std::int32_t{1} << 30; }};
    EXPECT_EQ(ErrorNumberOf([] { MacNetWksta(); }), error_number::kOverflow);
  }
  EXPECT_EQ(ErrorNumberOf([] { MacNetWksta(); }), error_number::kEntryPointNotFound);
}

}  // namespace
}  // namespace adreca
