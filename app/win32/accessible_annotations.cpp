// The one file that defines the annotation service's identifiers: mingw-w64
// declares them in oleacc.h but its import libraries do not carry them.
#include "app/win32/accessible_annotations.h"

#include <initguid.h>

#include <array>

namespace adreca::app {
namespace {

const std::array<MSAAPROPID, 2> kProperties{PROPID_ACC_NAME, PROPID_ACC_DESCRIPTION};

}  // namespace

AccessibleAnnotations::AccessibleAnnotations() noexcept {
  const HRESULT joined = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  // A thread already in the multithreaded apartment may use the service as it is.
  if (FAILED(joined) && joined != RPC_E_CHANGED_MODE) return;
  joined_ = SUCCEEDED(joined);
  void* services = nullptr;
  if (SUCCEEDED(::CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                                   &services))) {
    services_ = static_cast<IAccPropServices*>(services);
  }
}

AccessibleAnnotations::~AccessibleAnnotations() {
  if (services_ != nullptr) services_->Release();
  if (joined_) ::CoUninitialize();
}

bool AccessibleAnnotations::Annotate(HWND control, const std::u16string& name,
                                     const std::u16string& description) noexcept {
  const bool named = Set(control, PROPID_ACC_NAME, name);
  const bool described = Set(control, PROPID_ACC_DESCRIPTION, description);
  return named && described;
}

bool AccessibleAnnotations::Describe(HWND control, const std::u16string& description) noexcept {
  return Set(control, PROPID_ACC_DESCRIPTION, description);
}

void AccessibleAnnotations::Clear(HWND control) noexcept {
  if (services_ == nullptr) return;
  services_->ClearHwndProps(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kProperties.data(),
                            static_cast<int>(kProperties.size()));
}

bool AccessibleAnnotations::Set(HWND control, const GUID& property, const std::u16string& text) noexcept {
  if (services_ == nullptr) return false;
  return SUCCEEDED(services_->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                             property, reinterpret_cast<const wchar_t*>(text.c_str())));
}

}  // namespace adreca::app
