// Late-bound automation (IDispatch): creating and finding objects, invoking
// their members by name and enumerating their collections. Values cross this
// seam as ComValue, a plain mirror of the automation variant with the same
// kind codes, so the portable runtime never sees a Windows type. POSIX hosts
// have no automation: ComAvailable says so and every call fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zelk::os {

// False on hosts without an automation layer.
bool ComAvailable();

// Initialises the automation layer for the calling thread once (single-
// threaded apartment); later calls on the same thread do nothing. Every entry
// below calls it, so a thread needs it only before touching objects itself.
void EnsureComInitialized();

// One counted reference to an object's dispatch interface.
class ComRef {
 public:
  ComRef() = default;
  // Takes over one reference the caller already holds.
  static ComRef Adopt(void* dispatch) {
    ComRef r;
    r.p_ = dispatch;
    return r;
  }
  ComRef(const ComRef& o) : p_(o.p_) { AddRef(); }
  ComRef(ComRef&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  ComRef& operator=(const ComRef& o) {
    if (p_ != o.p_) {
      ComRef copy(o);
      Swap(copy);
    }
    return *this;
  }
  ComRef& operator=(ComRef&& o) noexcept {
    if (this != &o) {
      ComRef moved(std::move(o));
      Swap(moved);
    }
    return *this;
  }
  ~ComRef() { Release(); }

  void* get() const { return p_; }  // the IDispatch pointer
  explicit operator bool() const { return p_ != nullptr; }
  // Hands the reference to the caller.
  void* Detach() {
    void* p = p_;
    p_ = nullptr;
    return p;
  }

 private:
  void AddRef();
  void Release();
  void Swap(ComRef& o) noexcept {
    void* t = p_;
    p_ = o.p_;
    o.p_ = t;
  }
  void* p_ = nullptr;
};

// The kind codes of the automation variant (VT_*) that ComValue uses.
enum ComType : std::uint16_t {
  kComEmpty = 0,
  kComNull = 1,
  kComI2 = 2,
  kComI4 = 3,
  kComR4 = 4,
  kComR8 = 5,
  kComCurrency = 6,  // integer holds the value scaled by 10000
  kComDate = 7,
  kComString = 8,
  kComDispatch = 9,
  kComError = 10,
  kComBool = 11,
  kComVariant = 12,  // element kind of an array of variants
  kComUnknown = 13,  // object is then an IUnknown, not a dispatch interface
  kComI1 = 16,
  kComUI1 = 17,
  kComUI2 = 18,
  kComUI4 = 19,
  kComI8 = 20,
  kComUI8 = 21,
  kComArray = 0x2000,  // or-ed with the element kind
};

// The standard code of an omitted optional argument.
inline constexpr std::int32_t kComParamNotFound = static_cast<std::int32_t>(0x80020004u);

struct ComArray;

// A value on its way to or from a server. Integers, Booleans (0 or -1),
// errors and currency in integer; R4, R8 and dates in real.
struct ComValue {
  std::uint16_t type = kComEmpty;
  std::int64_t integer = 0;
  double real = 0;
  std::u16string text;
  ComRef object;                    // kComDispatch (may be empty: Nothing), kComUnknown
  std::shared_ptr<ComArray> array;  // type has kComArray
};

// A safe array: per dimension lower bound and count, elements flat with the
// first index running fastest.
struct ComArray {
  std::uint16_t elementType = kComVariant;
  std::vector<std::int32_t> lower;
  std::vector<std::int32_t> count;
  std::vector<ComValue> items;
};

enum class ComInvoke {
  kMethodOrGet,  // method call or property get, both allowed
  kMethod,
  kPut,
  kPutRef,
};

// One argument in the order written. A by-reference argument receives the
// server's value back in value; a named one carries its name.
struct ComArgument {
  ComValue value;
  std::u16string name;
  bool byRef = false;
  // The value is the property-put value of an indexed put.
  bool putValue = false;
};

// A new object of that program identifier (or class identifier in braces).
bool ComCreateObject(std::u16string_view progId, ComRef* object, std::u16string* failure);
// The running object registered under that program identifier.
bool ComGetActiveObject(std::u16string_view progId, ComRef* object, std::u16string* failure);

// Invokes member of object. The member name and the names of named arguments
// are resolved together; arguments go to the server in reverse order as the
// convention wants. result may be null. On failure *failure holds the
// server's or the system's description.
bool ComInvokeMember(const ComRef& object, std::u16string_view member, ComInvoke kind,
                     std::span<ComArgument> arguments, ComValue* result, std::u16string* failure);

// The same in two steps, so that a caller may keep the member's dispatch
// identifier (stable for the object's lifetime): at most 17 arguments, none
// named.
bool ComMemberId(const ComRef& object, std::u16string_view member, std::int32_t* id,
                 std::u16string* failure);
bool ComInvokeId(const ComRef& object, std::int32_t id, ComInvoke kind,
                 std::span<ComArgument> arguments, ComValue* result, std::u16string* failure);

// Every item of the object's collection (its enumerator, member -4).
bool ComEnumerate(const ComRef& object, std::vector<ComValue>* items, std::u16string* failure);

// The identity the language compares and prints: the object's IUnknown
// address (the same for every interface of one object).
std::uintptr_t ComIdentity(const ComRef& object);

// "-2147352570 (0x80020006)" style text of a result code with the system's
// description when it has one.
std::u16string ComFailureText(std::int32_t code);

}  // namespace zelk::os
