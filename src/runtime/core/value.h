// The script value: a variant with the OS automation layer's kind codes.
// Numbers, Booleans and dates live inline; strings, arrays and objects live in
// reference-counted cells, so copying a value never copies text. Arrays keep
// value semantics: a cell shared by several values is cloned before a change.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zelk {

enum VarType : std::uint16_t {
  kVtEmpty = 0,
  kVtNull = 1,
  kVtSmallint = 2,  // 16-bit
  kVtInteger = 3,   // 32-bit
  kVtSingle = 4,
  kVtDouble = 5,
  kVtCurrency = 6,
  kVtDate = 7,
  kVtOleStr = 8,
  kVtDispatch = 9,
  kVtError = 10,
  kVtBoolean = 11,
  kVtVariant = 12,  // element kind of an array of values
  kVtUnknown = 13,
  kVtShortInt = 16,  // 8-bit signed
  kVtByte = 17,
  kVtWord = 18,
  kVtLongWord = 19,
  kVtInt64 = 20,
  kVtUInt64 = 21,
  kVtNarrowStr = 0x100,  // text that came as ANSI bytes
  kVtUString = 0x102,
  kVtArray = 0x2000,  // or-ed with the element kind
};

// The longest text a value may hold, in code units (256 MB): a 32-bit program
// can still hold a few at once, as copying and joining need. Longer ones are
// refused with the out-of-memory message.
inline constexpr std::size_t kMaxTextLength = std::size_t{1} << 27;

// The three texts that stand for a value inside text.
inline constexpr std::u16string_view kNullMarker = u"\x01__NULL__";
inline constexpr std::u16string_view kEmptyMarker = u"\x01__EMPTY__";
inline constexpr std::u16string_view kNothingMarker = u"\x01__NOTHING__";

class Value;

// A heap part of a value. Reference counts are atomic: script threads share
// global values.
class ValueCell {
 public:
  virtual ~ValueCell() = default;
  void Retain() { refs_.fetch_add(1, std::memory_order_relaxed); }
  void Release() {
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
  bool Shared() const { return refs_.load(std::memory_order_acquire) > 1; }
  int References() const { return refs_.load(std::memory_order_acquire); }

 private:
  std::atomic<int> refs_{1};
};

class StringCell final : public ValueCell {
 public:
  explicit StringCell(std::u16string t) : text(std::move(t)) {}
  std::u16string text;
  // Known to hold no "<#": the evaluator then need not scan it for the
  // special-character escapes again. Only ever a cache.
  std::atomic<bool> plain{false};
};

// A script-visible object (a COM server's dispatch interface, later).
class ObjectCell : public ValueCell {
 public:
  // The identity the language compares and prints (the interface address).
  virtual std::uintptr_t Identity() const = 0;
};

// Arrays of up to 64 dimensions as the automation layer keeps them: per
// dimension a lower bound and an element count, elements flat with the first
// index running fastest (column-major, as safe arrays store them).
struct ArrayBound {
  std::int32_t lower = 0;
  std::int32_t count = 0;
};

class ArrayCell final : public ValueCell {
 public:
  ArrayCell();
  // Out of line: Value is still incomplete here.
  ~ArrayCell() override;
  VarType elementType = kVtVariant;
  std::vector<ArrayBound> bounds;
  std::vector<Value> items;
  ArrayCell* Clone() const;
  // Flat position of the element at indexes[0..n-1] (absolute indices, lower
  // bounds honoured); false when n is not the dimension count or an index lies
  // outside its dimension.
  bool Position(const std::int32_t* indexes, std::size_t n, std::size_t* position) const;
};

class Value {
 public:
  Value() noexcept : type_(kVtEmpty) { u_.i = 0; }
  Value(const Value& o) noexcept : type_(o.type_), u_(o.u_) {
    if (HasCell()) u_.cell->Retain();
  }
  Value(Value&& o) noexcept : type_(o.type_), u_(o.u_) {
    o.type_ = kVtEmpty;
    o.u_.i = 0;
  }
  Value& operator=(const Value& o) noexcept {
    if (this != &o) {
      if (o.HasCell()) o.u_.cell->Retain();
      Drop();
      type_ = o.type_;
      u_ = o.u_;
    }
    return *this;
  }
  Value& operator=(Value&& o) noexcept {
    if (this != &o) {
      Drop();
      type_ = o.type_;
      u_ = o.u_;
      o.type_ = kVtEmpty;
      o.u_.i = 0;
    }
    return *this;
  }
  ~Value() { Drop(); }

  static Value Null() { return Value(kVtNull, 0); }
  static Value Double(double d) {
    Value v;
    v.type_ = kVtDouble;
    v.u_.d = d;
    return v;
  }
  static Value Date(double d) {
    Value v = Double(d);
    v.type_ = kVtDate;
    return v;
  }
  // An integer kind: Smallint, Integer, ShortInt, Byte, Word, LongWord, Int64, UInt64.
  static Value Int(std::int64_t i, VarType type = kVtInteger) { return Value(type, i); }
  static Value Boolean(bool b) { return Value(kVtBoolean, b ? 1 : 0); }
  static Value Error(std::int32_t code) { return Value(kVtError, code); }
  static Value String(std::u16string text, VarType type = kVtUString);
  // The value of a failed evaluation or an undefined name.
  static Value FailedByte() { return Value(kVtByte, 0); }
  // A Dispatch holding no object: NOTHING.
  static Value Nothing() { return Value(kVtDispatch, 0); }
  static Value Object(ObjectCell* cell);  // takes over one reference
  static Value Array(ArrayCell* cell);    // takes over one reference
  // A one-dimensional array of values, lower bound 0.
  static Value ArrayOf(std::vector<Value> items);

  VarType type() const { return type_; }
  bool IsEmpty() const { return type_ == kVtEmpty; }
  bool IsNull() const { return type_ == kVtNull; }
  bool IsDouble() const { return type_ == kVtDouble; }
  bool IsBoolean() const { return type_ == kVtBoolean; }
  bool IsWideString() const { return type_ == kVtUString || type_ == kVtOleStr; }
  bool IsNarrowString() const { return type_ == kVtNarrowStr; }
  bool IsString() const { return IsWideString() || IsNarrowString(); }
  bool IsArray() const { return (type_ & kVtArray) != 0; }
  bool IsDispatch() const { return type_ == kVtDispatch; }
  bool IsNothing() const { return type_ == kVtDispatch && u_.cell == nullptr; }
  bool IsIntegerKind() const;
  bool IsNumericKind() const;  // integers, Double, Single, Currency, Date

  // Only for the kinds they name.
  double AsDouble() const { return u_.d; }
  std::int64_t AsInt() const { return u_.i; }
  bool AsBoolean() const { return u_.i != 0; }
  const std::u16string& AsString() const { return static_cast<StringCell*>(u_.cell)->text; }
  ObjectCell* AsObject() const { return static_cast<ObjectCell*>(u_.cell); }
  const ArrayCell* AsArray() const { return static_cast<ArrayCell*>(u_.cell); }
  // The array cell, cloned first when another value shares it.
  ArrayCell* MutableArray();

  // Strings held by no other value may grow in place (s = s + x).
  bool IsUniqueWideString() const {
    return IsWideString() && u_.cell != nullptr && !u_.cell->Shared();
  }
  std::u16string& UniqueText() { return static_cast<StringCell*>(u_.cell)->text; }
  // Whether both hold the very same cell, and how many values hold it.
  bool SameCell(const Value& o) const { return HasCell() && o.HasCell() && u_.cell == o.u_.cell; }
  int CellReferences() const { return HasCell() ? u_.cell->References() : 0; }
  // The string's "<#"-free mark (see StringCell::plain).
  bool KnownPlain() const {
    return IsString() && static_cast<StringCell*>(u_.cell)->plain.load(std::memory_order_relaxed);
  }
  void MarkPlain(bool plain) const {
    if (IsString())
      static_cast<StringCell*>(u_.cell)->plain.store(plain, std::memory_order_relaxed);
  }

  // The language's text form; false when the value has none (objects, arrays).
  bool ToText(std::u16string* text) const;
  std::u16string Text() const;  // "" when there is no text form
  // The language's numeric form; false for Null, objects, arrays and strings
  // that are no number.
  bool ToNumber(double* number) const;

 private:
  Value(VarType type, std::int64_t i) : type_(type) { u_.i = i; }
  // Every value is tested when it goes: the kinds below text (Empty and the
  // numbers, the common ones) are told apart with one comparison.
  bool HasCell() const {
    if (type_ < kVtOleStr) return false;
    return (type_ == kVtUString || type_ == kVtOleStr || type_ == kVtNarrowStr ||
            type_ == kVtDispatch || (type_ & kVtArray)) &&
           u_.cell != nullptr;
  }
  void Drop() {
    if (HasCell()) u_.cell->Release();
  }

  VarType type_;
  union {
    std::int64_t i;
    double d;
    ValueCell* cell;
  } u_;
};

// Double in the shortest general form with at most 15 significant digits:
// "0.1", "12", "0.0001", "1E-5", "1E20", "1.5E-7".
std::u16string FormatDouble(double d);
// The same with at most `digits` significant digits (1..17).
std::u16string FormatDouble(double d, int digits);
// "yyyy/mm/dd hh:nn:ss", the time left out at midnight and the date on day 0.
// A value outside the years 100..9999 is shown as a number.
std::u16string FormatDate(double oleDate);

// Same kind and equal content: numbers by value, texts by code unit, objects
// by identity, arrays element by element. A redefined CONST must be this.
bool SameValue(const Value& a, const Value& b);

}  // namespace zelk
