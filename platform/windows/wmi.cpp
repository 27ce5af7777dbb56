// The management service through COM automation: the "winmgmts:" moniker is
// bound to the scripting object of a namespace's service (SWbemServices), and
// every name after that (ExecQuery, the collection's enumerator, a property of
// an item) is resolved at run time through the objects' dispatch interfaces.

#include "platform/wmi.h"

#include <windows.h>
// After windows.h, which it needs.
#include <objbase.h>
#include <oleauto.h>
#undef GetObject

#include <cwctype>
#include <memory>
#include <string>
#include <utility>

#include "address/hex_text.h"
#include "core/error.h"
#include "platform/windows/windows_text.h"
#include "platform/windows/wmi_moniker.h"

namespace adreca::platform::wmi {

namespace {

// ---- Errors ----

std::u16string Trimmed(std::u16string text) {
  while (!text.empty() && std::iswspace(static_cast<wint_t>(text.back()))) text.pop_back();
  return text;
}

std::u16string HexCode(HRESULT code) {
  const auto value = static_cast<std::uint32_t>(code);
  const std::uint8_t bytes[] = {static_cast<std::uint8_t>(value >> 24),
                                static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
                                static_cast<std::uint8_t>(value)};
  return u"0x" + HexText(bytes);
}

// A failed call: the HRESULT (or the code the object reported) as the number,
// and what failed with the object's or the system's words for it.
[[noreturn]] void RaiseFailure(HRESULT result, std::u16string_view what,
                               const EXCEPINFO* exception = nullptr) {
  HRESULT code = result;
  std::u16string message;
  if (result == DISP_E_EXCEPTION && exception != nullptr) {
    if (exception->scode != 0) code = exception->scode;
    if (exception->bstrDescription != nullptr) {
      message =
          Trimmed(windows::FromWide(exception->bstrDescription, ::SysStringLen(exception->bstrDescription)));
    }
  }
  if (message.empty()) message = windows::SystemMessage(static_cast<std::uint32_t>(code));
  if (message.empty()) message = u"Automation error " + HexCode(code);
  RaisePlatformError(static_cast<std::int32_t>(code), std::u16string(what) + u": " + message);
}

void Check(HRESULT result, std::u16string_view what) {
  if (FAILED(result)) RaiseFailure(result, what);
}

// ---- Owners of COM resources ----

// COM prepared on the calling thread for as long as an object of one binding
// lives: every object holds it, so the thread leaves COM after the last one.
class Apartment {
 public:
  Apartment() {
    const HRESULT result = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // A thread already in the multithreaded apartment may use the objects
    // as it is.
    if (result == RPC_E_CHANGED_MODE) return;
    Check(result, u"CoInitializeEx");
    joined_ = true;
  }
  ~Apartment() {
    if (joined_) ::CoUninitialize();
  }
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;

 private:
  bool joined_ = false;
};

// One reference to a COM object, released when it goes.
template <typename Interface>
class Ref {
 public:
  Ref() = default;
  Ref(Ref&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  Ref& operator=(Ref&& other) noexcept {
    std::swap(pointer_, other.pointer_);
    return *this;
  }
  ~Ref() {
    if (pointer_ != nullptr) pointer_->Release();
  }

  Interface* operator->() const { return pointer_; }
  Interface* get() const { return pointer_; }
  void** Receive() { return reinterpret_cast<void**>(&pointer_); }

 private:
  Interface* pointer_ = nullptr;
};

class Variant {
 public:
  Variant() { ::VariantInit(&value_); }
  ~Variant() { ::VariantClear(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;

  VARIANT* get() { return &value_; }
  const VARIANT& operator*() const { return value_; }

 private:
  VARIANT value_;
};

class Bstr {
 public:
  explicit Bstr(std::u16string_view text)
      : text_(::SysAllocStringLen(reinterpret_cast<const wchar_t*>(text.data()),
                                  static_cast<UINT>(text.size()))) {
    if (text_ == nullptr) throw std::bad_alloc();
  }
  ~Bstr() { ::SysFreeString(text_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  BSTR get() const { return text_; }

 private:
  BSTR text_;
};

class ExceptionInfo {
 public:
  ExceptionInfo() = default;
  ~ExceptionInfo() {
    ::SysFreeString(info_.bstrSource);
    ::SysFreeString(info_.bstrDescription);
    ::SysFreeString(info_.bstrHelpFile);
  }
  ExceptionInfo(const ExceptionInfo&) = delete;
  ExceptionInfo& operator=(const ExceptionInfo&) = delete;

  EXCEPINFO* get() { return &info_; }

 private:
  EXCEPINFO info_{};
};

// ---- Late binding ----

DISPID IdOfName(IDispatch* object, std::u16string_view name) {
  std::u16string terminated(name);
  LPOLESTR names[] = {reinterpret_cast<LPOLESTR>(terminated.data())};
  DISPID id = DISPID_UNKNOWN;
  Check(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), terminated);
  return id;
}

// Calls a member with the arguments given (in their own order) and answers
// its result.
void Invoke(IDispatch* object, DISPID id, WORD kind, std::u16string_view what, Variant& result,
            VARIANT* argument = nullptr) {
  DISPPARAMS parameters{argument, nullptr, argument == nullptr ? 0u : 1u, 0};
  ExceptionInfo exception;
  UINT wrong_argument = 0;
  const HRESULT outcome = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &parameters, result.get(),
                                         exception.get(), &wrong_argument);
  if (FAILED(outcome)) RaiseFailure(outcome, what, exception.get());
}

// The object that a member answered with, as a dispatch reference.
Ref<IDispatch> DispatchOf(const Variant& value, std::u16string_view what) {
  Ref<IDispatch> object;
  const VARIANT& v = *value;
  IUnknown* unknown = v.vt == VT_DISPATCH ? v.pdispVal : v.vt == VT_UNKNOWN ? v.punkVal : nullptr;
  if (unknown == nullptr) RaiseFailure(DISP_E_TYPEMISMATCH, what);
  Check(unknown->QueryInterface(IID_IDispatch, object.Receive()), what);
  return object;
}

// A property value as automation hands it to text: Null and Empty kept as
// such, other types converted (a Boolean as True or False).
Value ValueOf(Variant& value, std::u16string_view what) {
  if ((*value).vt == VT_NULL) return Null{};
  if ((*value).vt == VT_EMPTY) return Empty{};
  if ((*value).vt != VT_BSTR)
    Check(::VariantChangeType(value.get(), value.get(), VARIANT_ALPHABOOL, VT_BSTR), what);
  const BSTR text = (*value).bstrVal;
  return windows::FromWide(text, ::SysStringLen(text));
}

// ---- The object model ----

class DispatchObject final : public Object {
 public:
  DispatchObject(std::shared_ptr<Apartment> apartment, Ref<IDispatch> item)
      : apartment_(std::move(apartment)), item_(std::move(item)) {}

  // Read as late binding reads a member without arguments: as a property
  // or a method, whichever the object has.
  Value Get(std::u16string_view name) override {
    Variant value;
    Invoke(item_.get(), IdOfName(item_.get(), name), DISPATCH_METHOD | DISPATCH_PROPERTYGET, name, value);
    return ValueOf(value, name);
  }

 private:
  std::shared_ptr<Apartment> apartment_;  // released last
  Ref<IDispatch> item_;
};

class DispatchObjectSet final : public ObjectSet {
 public:
  DispatchObjectSet(std::shared_ptr<Apartment> apartment, Ref<IDispatch> set)
      : apartment_(std::move(apartment)), set_(std::move(set)) {
    Variant enumerator;
    Invoke(set_.get(), DISPID_NEWENUM, DISPATCH_METHOD | DISPATCH_PROPERTYGET, u"_NewEnum", enumerator);
    const VARIANT& v = *enumerator;
    IUnknown* unknown = v.vt == VT_UNKNOWN ? v.punkVal : v.vt == VT_DISPATCH ? v.pdispVal : nullptr;
    if (unknown == nullptr) RaiseFailure(DISP_E_TYPEMISMATCH, u"_NewEnum");
    Check(unknown->QueryInterface(IID_IEnumVARIANT, items_.Receive()), u"_NewEnum");
  }

  std::unique_ptr<Object> Next() override {
    Variant item;
    ULONG fetched = 0;
    const HRESULT result = items_->Next(1, item.get(), &fetched);
    Check(result, u"Next");
    if (result == S_FALSE || fetched == 0) return nullptr;
    return std::make_unique<DispatchObject>(apartment_, DispatchOf(item, u"Next"));
  }

 private:
  std::shared_ptr<Apartment> apartment_;  // released last
  Ref<IDispatch> set_;
  Ref<IEnumVARIANT> items_;
};

class DispatchServices final : public Services {
 public:
  DispatchServices(std::shared_ptr<Apartment> apartment, Ref<IDispatch> services)
      : apartment_(std::move(apartment)), services_(std::move(services)) {}

  // The query is the only argument: the language and the flags are the
  // method's defaults.
  std::unique_ptr<ObjectSet> ExecQuery(std::u16string_view query) override {
    Bstr text(query);
    VARIANT argument;
    argument.vt = VT_BSTR;
    argument.bstrVal = text.get();
    Variant set;
    Invoke(services_.get(), IdOfName(services_.get(), u"ExecQuery"), DISPATCH_METHOD, u"ExecQuery", set,
           &argument);
    return std::make_unique<DispatchObjectSet>(apartment_, DispatchOf(set, u"ExecQuery"));
  }

 private:
  std::shared_ptr<Apartment> apartment_;  // released last
  Ref<IDispatch> services_;
};

}  // namespace

std::unique_ptr<Services> GetObject(std::u16string_view moniker) {
  auto apartment = std::make_shared<Apartment>();
  const std::u16string name = WithoutEmptySecuritySettings(moniker);
  Ref<IDispatch> services;
  Check(::CoGetObject(reinterpret_cast<const wchar_t*>(name.c_str()), nullptr, IID_IDispatch,
                      services.Receive()),
        u"GetObject(\"" + std::u16string(moniker) + u"\")");
  return std::make_unique<DispatchServices>(std::move(apartment), std::move(services));
}

}  // namespace adreca::platform::wmi
