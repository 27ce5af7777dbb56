#pragma once

// The management-instrumentation service, reduced to what the management-query
// probe uses: bind a moniker to the service of a namespace, run a query,
// enumerate the items in the service's order, and read a property by name.
//
// Each object is a reference that its holder owns: destroying it releases it
// (IUnknown::Release on Windows). A probe releases the last item examined,
// then the collection, then the service, on every path.
//
// The model maps onto the service's own interfaces: Services onto
// IWbemServices (or SWbemServices through IDispatch), ObjectSet onto
// IEnumWbemClassObject (or the SWbemObjectSet's enumerator), Object onto
// IWbemClassObject (or SWbemObject).

#include <memory>
#include <string>
#include <string_view>
#include <variant>

namespace adreca::platform::wmi {

// A property value as automation delivers it: Empty (nothing assigned), Null
// (no value), or text. An implementation hands over a value of another type
// (a number, a Boolean) as the text that automation converts it to.
struct Empty {
  friend bool operator==(Empty, Empty) = default;
};
struct Null {
  friend bool operator==(Null, Null) = default;
};
using Value = std::variant<Empty, Null, std::u16string>;

// One item of a query's result.
class Object {
 public:
  virtual ~Object() = default;

  // The value of the property `name`, matched without regard to case. An
  // unknown property raises the service's error.
  virtual Value Get(std::u16string_view name) = 0;
};

// The collection that a query yields, read once from the start.
class ObjectSet {
 public:
  virtual ~ObjectSet() = default;

  // The next item in the order the service delivers them; null after the last.
  // A failing enumeration raises the service's error.
  virtual std::unique_ptr<Object> Next() = 0;
};

// The service of one namespace.
class Services {
 public:
  virtual ~Services() = default;

  // Runs a query in the service's default language (WQL) with its default
  // flags. Query text that the service refuses raises its error.
  virtual std::unique_ptr<ObjectSet> ExecQuery(std::u16string_view query) = 0;
};

// Binds a "winmgmts:" moniker to the service of the namespace that it names.
// Never yields null: a moniker that cannot be bound, or a service that is not
// available, raises the platform's error.
std::unique_ptr<Services> GetObject(std::u16string_view moniker);

}  // namespace adreca::platform::wmi
