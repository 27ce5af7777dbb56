// Binding entry points to the exports of the system's libraries.

#include "platform/native_library.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <string>

#include "core/error.h"
#include "platform/kernel32.h"
#include "platform/seam.h"
#include "tests/support/raised.h"

namespace adreca {
namespace {

using testing::ErrorRaisedBy;

TEST(NativeLibraryTest, TheDeclaredLibraryNamesBindToTheSystemsExports) {
  // "netapi32" and "netapi32.dll" are the same library, whatever the case.
  const seam::Address plain = seam::BindNative("netapi32", "Netbios");
  EXPECT_NE(plain, nullptr);
  EXPECT_EQ(seam::BindNative("netapi32.dll", "Netbios"), plain);
  EXPECT_EQ(seam::BindNative("NETAPI32.DLL", "Netbios"), plain);
  for (const auto& [library, function] : {std::pair{"netapi32", "NetWkstaTransportEnum"},
                                          {"netapi32.dll", "NetApiBufferFree"},
                                          {"kernel32", "lstrlenW"},
                                          {"kernel32", "RtlMoveMemory"},
                                          {"iphlpapi.dll", "GetAdaptersInfo"}}) {
    EXPECT_NE(seam::Bind(library, function), nullptr) << library << "!" << function;
  }
  EXPECT_TRUE(seam::NativeLibraryExists("iphlpapi.dll"));
  EXPECT_FALSE(seam::NativeLibraryExists("adreca.process"));
}

TEST(NativeLibraryTest, TheKernelHelpersWorkOnRealMemory) {
  char16_t text[] = u"ADRE\u00c7A";
  EXPECT_EQ(platform::lstrlenW(text), 6);
  EXPECT_EQ(platform::lstrlenW(u""), 0);
  std::uint8_t bytes[10] = {};
  platform::RtlMoveMemory(bytes, text, sizeof bytes);
  // UTF-16 code units, low byte first: A, D, R, E, then the C with cedilla.
  const std::uint8_t expected[10] = {'A', 0, 'D', 0, 'R', 0, 'E', 0, 0xC7, 0};
  EXPECT_TRUE(std::equal(std::begin(bytes), std::end(bytes), std::begin(expected)));
}

inline seam::EntryPoint<int()> kMissingLibrary{"adreca-no-such-library.dll", "Anything"};
inline seam::EntryPoint<int()> kMissingFunction{"kernel32", "AdrecaNoSuchFunction"};

TEST(NativeLibraryTest, WhatCannotBeBoundRaisesAClearErrorAtTheCall) {
  const auto library = ErrorRaisedBy([] { kMissingLibrary(); });
  ASSERT_TRUE(library);
  EXPECT_EQ(library->number(), error_number::kFileNotFound);
  EXPECT_EQ(library->description(), u"File not found: adreca-no-such-library.dll");

  const auto function = ErrorRaisedBy([] { kMissingFunction(); });
  ASSERT_TRUE(function);
  EXPECT_EQ(function->number(), error_number::kEntryPointNotFound);
  EXPECT_EQ(function->description(), u"Can't find DLL entry point AdrecaNoSuchFunction in kernel32");
}

}  // namespace
}  // namespace adreca
