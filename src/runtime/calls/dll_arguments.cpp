#include "runtime/calls/dll_arguments.h"

#include <cmath>
#include <cstring>

#include "base/text_scan.h"
#include "platform/platform.h"

namespace zelk {

std::uint8_t* DllArguments::NewBuffer(std::size_t bytes) {
  buffers.push_back(std::make_unique<std::uint8_t[]>(bytes == 0 ? 1 : bytes));
  return buffers.back().get();
}

namespace {

std::size_t RoundUp(std::size_t n, std::size_t to) {
  return (n + to - 1) / to * to;
}

bool IsText(int code) {
  return code == kDllString || code == kDllPChar || code == kDllWString || code == kDllPWChar;
}
bool IsWideText(int code) {
  return code == kDllWString || code == kDllPWChar;
}

std::size_t ElementWidth(const DllParam& p, const os::DllAbi& abi) {
  switch (p.code) {
    case kDllInt:
    case kDllFloat:
      return 4;
    case kDllDouble:
    case kDllLongLong:
      return 8;
    case kDllWord:
    case kDllWChar:
      return 2;
    case kDllByte:
    case kDllChar:
      return 1;
    case kDllDword:
      return p.pointerSized ? static_cast<std::size_t>(abi.pointerBytes) : 4;
    case kDllExtended:
      return abi.wideExtended ? 10 : 8;
    default:
      return static_cast<std::size_t>(abi.pointerBytes);
  }
}

// Natural alignment inside a structure.
std::size_t ElementAlignment(const DllParam& p, const os::DllAbi& abi) {
  return p.code == kDllExtended ? 8 : ElementWidth(p, abi);
}

// Rounded to the nearest integer (ties to even); false for what is no
// number or lies beyond 64 bits.
bool ToInteger(const Value& v, std::int64_t* out) {
  if (v.IsIntegerKind()) {
    *out = v.AsInt();
    return true;
  }
  double d;
  if (!v.ToNumber(&d)) return false;
  d = std::nearbyint(d);
  if (!(d >= -9223372036854775808.0 && d < 18446744073709551616.0)) return false;
  *out = d >= 9223372036854775808.0 ? static_cast<std::int64_t>(static_cast<std::uint64_t>(d))
                                    : static_cast<std::int64_t>(d);
  return true;
}

// One character as a code: a text gives its first character, a number itself.
bool ToCharacter(const Value& v, bool wide, std::int64_t* out) {
  if (!v.IsString()) return ToInteger(v, out);
  const std::u16string& text = v.AsString();
  if (text.empty()) {
    *out = 0;
  } else if (wide) {
    *out = text[0];
  } else {
    std::string bytes;
    os::TextToAnsi(std::u16string_view(text).substr(0, 1), &bytes);
    *out = bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0]);
  }
  return true;
}

bool WriteElement(const DllParam& p, const Value& v, const os::DllAbi& abi, std::uint8_t* at) {
  std::int64_t i = 0;
  double d = 0;
  switch (p.code) {
    case kDllFloat: {
      if (!v.ToNumber(&d)) return false;
      float f = static_cast<float>(d);
      std::memcpy(at, &f, 4);
      return true;
    }
    case kDllDouble:
      if (!v.ToNumber(&d)) return false;
      std::memcpy(at, &d, 8);
      return true;
    case kDllExtended:
      if (!v.ToNumber(&d)) return false;
      if (abi.wideExtended) {
        DoubleToExtended(d, at);
      } else {
        std::memcpy(at, &d, 8);
      }
      return true;
    case kDllChar:
    case kDllWChar:
      if (!ToCharacter(v, p.code == kDllWChar, &i)) return false;
      break;
    case kDllInt:
    case kDllWord:
    case kDllDword:
    case kDllByte:
    case kDllLongLong:
      if (!ToInteger(v, &i)) return false;
      break;
    default:
      return false;
  }
  // Little-endian: the low bytes are the value truncated to the width.
  std::memcpy(at, &i, ElementWidth(p, abi));
  return true;
}

// The text of a value as the bytes a parameter takes, NUL not included.
bool TextBytes(const Value& v, bool wide, std::string* bytes) {
  std::u16string text;
  if (!v.ToText(&text)) return false;
  if (wide) {
    bytes->assign(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  } else {
    os::TextToAnsi(text, bytes);
  }
  return true;
}

class Layout {
 public:
  Layout(const DllDeclaration& declaration, const os::DllAbi& abi, DllArguments* out)
      : declaration_(declaration), abi_(abi), out_(out), current_{out->area, 0} {}

  DllLayout Run(std::span<const std::u16string_view> texts, std::span<const Value> values,
                const DllArrayReader& readArray) {
    // A VARIANT result is written through a pointer passed first.
    if (declaration_.result.code == kDllVariant) {
      std::uint8_t* result = out_->NewBuffer(DllVariantBytes(abi_));
      out_->variantResult = result;
      if (!PutPointer(result)) return DllLayout::kUnfit;
    }
    std::size_t argument = 0;
    for (const DllParam& p : declaration_.parameters) {
      DllLayout status = DllLayout::kDone;
      if (p.code == kDllOpenStruct) {
        status = Open();
      } else if (p.code == kDllCloseStruct) {
        status = Close();
      } else {
        if (argument >= values.size() || argument >= texts.size()) return DllLayout::kUnfit;
        std::size_t a = argument++;
        bool null = values[a].IsNull() || texts[a] == u"NULL";
        if (p.array) {
          status = Array(p, a, null, readArray);
        } else if (p.code == kDllSafeArray) {
          status = SafeArray(a, values[a], null);
        } else if (p.code == kDllVariant) {
          status = Variant(p, a, values[a], null);
        } else if (IsText(p.code)) {
          status = Text(p, a, values[a], null);
        } else {
          status = Scalar(p, a, values[a], null);
        }
      }
      if (status != DllLayout::kDone) return status;
    }
    if (depth_ != 0) return DllLayout::kUnfit;
    out_->used = RoundUp(current_.pos, Slot());
    return DllLayout::kDone;
  }

 private:
  struct Frame {
    std::uint8_t* base;
    std::size_t pos;
  };

  std::size_t Slot() const { return static_cast<std::size_t>(abi_.slotBytes); }
  bool InStructure() const { return depth_ > 0; }
  DllLayout Overflow() const {
    return InStructure() ? DllLayout::kStructureTooLarge : DllLayout::kUnfit;
  }

  // Room for width bytes: on a slot outside structures, on the natural
  // alignment (none when packed) inside them. Null when it does not fit.
  std::uint8_t* Reserve(std::size_t width, std::size_t alignment) {
    std::size_t a = !InStructure() ? Slot() : declaration_.pack ? 1 : alignment;
    std::size_t pos = RoundUp(current_.pos, a);
    if (pos + width > kDllAreaBytes) return nullptr;
    current_.pos = pos + width;
    return current_.base + pos;
  }

  bool PutPointer(const void* p) {
    std::uint8_t* at = Reserve(static_cast<std::size_t>(abi_.pointerBytes),
                               static_cast<std::size_t>(abi_.pointerBytes));
    if (!at) return false;
    StoreAddress(at, p, abi_.pointerBytes);
    return true;
  }

  DllLayout Open() {
    if (++structures_ > kDllMaxStructures) return DllLayout::kUnfit;
    stack_[depth_++] = current_;
    current_ = Frame{out_->NewBuffer(kDllAreaBytes), 0};
    return DllLayout::kDone;
  }

  // The structure's pointer takes the next slot-aligned place of the
  // enclosing area or structure, packed or not.
  DllLayout Close() {
    if (depth_ == 0) return DllLayout::kUnfit;
    const std::uint8_t* structure = current_.base;
    out_->structureSizes.push_back(current_.pos);
    current_ = stack_[--depth_];
    current_.pos = RoundUp(current_.pos, Slot());
    std::size_t pos = current_.pos;
    auto width = static_cast<std::size_t>(abi_.pointerBytes);
    if (pos + width > kDllAreaBytes) return Overflow();
    StoreAddress(current_.base + pos, structure, abi_.pointerBytes);
    current_.pos = pos + width;
    return DllLayout::kDone;
  }

  void ReadBack(DllReadBack::Kind kind, std::size_t a, const DllParam& p, const std::uint8_t* at,
                std::size_t count) {
    out_->readBacks.push_back(DllReadBack{kind, a, p, at, count});
  }

  DllLayout Scalar(const DllParam& p, std::size_t a, const Value& v, bool null) {
    if (p.code == kDllVoid) return DllLayout::kUnfit;
    std::size_t width = ElementWidth(p, abi_);
    if (InStructure() || !p.byReference) {
      std::uint8_t* at = Reserve(width, ElementAlignment(p, abi_));
      if (!at) return Overflow();
      if (!WriteElement(p, v, abi_, at)) return DllLayout::kUnfit;
      if (p.byReference) ReadBack(DllReadBack::kScalar, a, p, at, 1);
      return DllLayout::kDone;
    }
    if (a >= kDllReferencePositions) return DllLayout::kUnfit;
    if (null) return PutPointer(nullptr) ? DllLayout::kDone : DllLayout::kUnfit;
    std::uint8_t* slot = out_->NewBuffer(16);
    if (!WriteElement(p, v, abi_, slot)) return DllLayout::kUnfit;
    if (!PutPointer(slot)) return DllLayout::kUnfit;
    ReadBack(DllReadBack::kScalar, a, p, slot, 1);
    return DllLayout::kDone;
  }

  // Always a pointer to the variant, also inside a structure.
  DllLayout Variant(const DllParam& p, std::size_t a, const Value& v, bool null) {
    if (!InStructure() && a >= kDllReferencePositions) return DllLayout::kUnfit;
    if (null) return PutPointer(nullptr) ? DllLayout::kDone : Overflow();
    std::uint8_t* variant = out_->NewBuffer(DllVariantBytes(abi_));
    if (!WriteDllVariant(v, abi_, variant, out_)) return DllLayout::kUnfit;
    if (!PutPointer(variant)) return Overflow();
    if (p.byReference) ReadBack(DllReadBack::kVariant, a, p, variant, 1);
    return DllLayout::kDone;
  }

  // A pointer to a copy of the descriptor, also inside a structure.
  DllLayout SafeArray(std::size_t a, const Value& v, bool null) {
    if (!InStructure() && a >= kDllReferencePositions) return DllLayout::kUnfit;
    if (null) return PutPointer(nullptr) ? DllLayout::kDone : Overflow();
    std::uint8_t* descriptor = nullptr;
    if (!MakeDllSafeArray(v, abi_, out_, &descriptor)) return DllLayout::kUnfit;
    return PutPointer(descriptor) ? DllLayout::kDone : Overflow();
  }

  // Outside a structure a pointer to a copy (room for the NUL and one unit
  // more); inside one the characters themselves.
  DllLayout Text(const DllParam& p, std::size_t a, const Value& v, bool null) {
    bool wide = IsWideText(p.code);
    std::size_t unit = wide ? 2 : 1;
    if (!InStructure()) {
      if (a >= kDllReferencePositions) return DllLayout::kUnfit;
      if (null) return PutPointer(nullptr) ? DllLayout::kDone : DllLayout::kUnfit;
    }
    std::string bytes;
    if (!TextBytes(v, wide, &bytes)) return DllLayout::kUnfit;
    std::size_t units = bytes.size() / unit + 1;
    std::uint8_t* at;
    if (InStructure()) {
      at = Reserve(units * unit, unit);
      if (!at) return Overflow();
    } else {
      at = out_->NewBuffer((units + 1) * unit);
      if (!PutPointer(at)) return DllLayout::kUnfit;
    }
    std::memcpy(at, bytes.data(), bytes.size());
    std::memset(at + bytes.size(), 0, unit);
    if (p.byReference) ReadBack(DllReadBack::kText, a, p, at, units);
    return DllLayout::kDone;
  }

  DllLayout Array(const DllParam& p, std::size_t a, bool null, const DllArrayReader& readArray) {
    if (!InStructure()) {
      if (a >= kDllArrayPositions) return DllLayout::kUnfit;
      if (null) return PutPointer(nullptr) ? DllLayout::kDone : DllLayout::kUnfit;
    }
    std::vector<Value> elements;
    if (!readArray || !readArray(a, &elements)) return DllLayout::kReported;
    // Elements follow each other without gaps (EXTENDED: 10 bytes each).
    std::size_t width = ElementWidth(p, abi_);
    std::uint8_t* at;
    if (InStructure()) {
      if (elements.size() > kDllAreaBytes) return Overflow();
      at = Reserve(elements.size() * width, ElementAlignment(p, abi_));
      if (!at) return Overflow();
    } else {
      at = out_->NewBuffer(elements.size() * width);
      if (!PutPointer(at)) return DllLayout::kUnfit;
    }
    for (std::size_t i = 0; i < elements.size(); ++i) {
      if (!WriteElement(p, elements[i], abi_, at + i * width)) return DllLayout::kUnfit;
    }
    ReadBack(DllReadBack::kArray, a, p, at, elements.size());
    return DllLayout::kDone;
  }

  const DllDeclaration& declaration_;
  const os::DllAbi& abi_;
  DllArguments* out_;
  Frame current_;
  Frame stack_[kDllMaxStructures];
  int depth_ = 0;
  int structures_ = 0;
};

}  // namespace

DllLayout LayOutDllArguments(const DllDeclaration& declaration, const os::DllAbi& abi,
                             std::span<const std::u16string_view> texts,
                             std::span<const Value> values, const DllArrayReader& readArray,
                             DllArguments* out) {
  std::memset(out->area, 0, sizeof out->area);
  out->used = 0;
  out->buffers.clear();
  out->readBacks.clear();
  out->structureSizes.clear();
  out->variantResult = nullptr;
  out->safeArrays.clear();
  return Layout(declaration, abi, out).Run(texts, values, readArray);
}

}  // namespace zelk
