// The executor's value model. Every value, whatever its type, is one fixed 32-byte slot:
// its type record and an inline payload. Numbers live in the payload (integer kinds,
// Int64, Char, WideChar and Currency as a normalised int64; Single, Double and Extended as
// themselves); strings are shared, copy-on-write buffers; records and static arrays own a
// block of element slots (copied on assignment); dynamic arrays share a block (Pascal's
// reference semantics); sets, variants and references point at what they hold.
//
// Slots are plain data: Init, Copy and Release do what constructors would, so that the
// value stack can push and pop integers without touching the heap.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "script/ps_errors.h"
#include "script/ps_integer.h"
#include "script/ps_types.h"

// Flags of a type record, tested in the hot paths.
enum : uint8_t {
  kTypeInt = 1,      // integer kinds 1-6 and Int64: the payload's I
  kTypeFloat = 2,    // Single, Double, Extended
  kTypeManaged = 4,  // Release has work to do
  kTypeBlock = 8,    // Init allocates (records, static arrays, sets)
};

// The executor's record of one type of the container.
struct TPSTypeRec {
  TPSBaseType Base = btU8;
  uint8_t Flags = 0;
  uint32_t TypeNo = 0;
  uint32_t Size = 0;                      // the value size of the container
  std::vector<const TPSTypeRec*> Fields;  // btRecord
  const TPSTypeRec* Element = nullptr;    // btArray, btStaticArray
  uint32_t Count = 0;                     // btStaticArray
  int32_t LowBound = 0;                   // btStaticArray
  uint32_t SetBits = 0;                   // btSet
  uint64_t Slots = 1;                     // slots a zeroed value occupies, blocks included
  uint8_t WrapShift = 0;                  // integer kinds: 64 minus the width
  bool WrapSigned = true;
};

// A shared, copy-on-write text buffer (8-bit or 16-bit characters).
template <typename Text>
struct TPSTextBuf {
  uint32_t Refs = 1;
  Text S;
};
using TPSStrBuf = TPSTextBuf<std::string>;
using TPSWideBuf = TPSTextBuf<std::u16string>;

struct TPSValue;

// The elements of a record, a static array or a dynamic array; kept alive by the slot
// that owns it and by every reference into it.
struct TPSBlock {
  uint32_t Refs = 1;
  std::vector<TPSValue> Items;
};

// How a reference (btPointer) finds its target.
enum class TPSRefKind : uint8_t {
  Nil,
  Direct,  // a global variable: its slot never moves while the program is loaded
  Stack,   // a value stack index, checked against the stack on every use
  Block,   // an element of a block, which the reference keeps alive
};

// One value. The payload member in use follows from Type->Base.
struct alignas(16) TPSValue {
  const TPSTypeRec* Type;
  uint32_t Aux;        // btPointer: stack index or element; btProcPtr: procedure number
  TPSRefKind RefKind;  // btPointer
  uint8_t VarNull;     // btVariant: 1 for the null variant
  union {
    int64_t I;  // integer kinds, Int64, Char, WideChar, Currency, class/interface handles
    float F32;
    double F64;
    long double F80;
    TPSStrBuf* Str;    // btString, btPChar; nil for ''
    TPSWideBuf* WStr;  // btWideString, btUnicodeString; nil for ''
    TPSBlock* Block;   // btRecord, btStaticArray, btArray (nil for an empty array)
    uint8_t* Set;      // btSet: 32 owned bytes
    TPSValue* Boxed;   // btVariant: an owned value, nil when unassigned; btPointer Direct
  };
};
static_assert(sizeof(TPSValue) == 32);

// Sets are stored in this many bytes whatever their size.
inline constexpr size_t kSetBytes = 32;

// A block of count slots for the caller to Init; counted for the memory guard.
TPSBlock* NewBlock(size_t count);
// Drops one holder of a block; the last one releases its elements.
void ReleaseBlock(TPSBlock* block);

// The out-of-line halves of ValueInit and ValueRelease.
void ValueInitBlock(TPSValue& v, const TPSTypeRec* type);
void ValueReleaseManaged(TPSValue& v);
// Makes v a zeroed value of type. Records, static arrays and sets allocate.
inline void ValueInit(TPSValue& v, const TPSTypeRec* type) {
  v.Type = type;
  v.Aux = 0;
  v.RefKind = TPSRefKind::Nil;
  v.VarNull = 0;
  std::memset(&v.I, 0, 16);
  if (type->Flags & kTypeBlock) ValueInitBlock(v, type);
}
// Releases what v holds; v is then garbage until the next Init.
inline void ValueRelease(TPSValue& v) {
  // References to variables own nothing; only a reference into a block holds it.
  if ((v.Type->Flags & kTypeManaged) &&
      (v.Type->Base != btPointer || v.RefKind == TPSRefKind::Block)) {
    ValueReleaseManaged(v);
  }
}
// Makes dst (garbage) a copy of src: shared strings and dynamic arrays, copied blocks.
void ValueCopyNew(TPSValue& dst, const TPSValue& src);
// Releases dst and makes it a copy of src (safe when both are the same).
void ValueReplace(TPSValue& dst, const TPSValue& src);

// The text of a String or PChar value.
inline const std::string& StrOf(const TPSValue& v) {
  static const std::string empty;
  return v.Str ? v.Str->S : empty;
}
// The text of a WideString or UnicodeString value.
inline const std::u16string& WStrOf(const TPSValue& v) {
  static const std::u16string empty;
  return v.WStr ? v.WStr->S : empty;
}
// The writable text of a String or PChar value, unshared first.
std::string& MutableStr(TPSValue& v);
// The writable text of a wide string value, unshared first.
std::u16string& MutableWStr(TPSValue& v);
// Stores text into a String or PChar value.
void SetStrValue(TPSValue& v, std::string text);
// Stores text into a wide string value ('' as nil).
void SetWStrValue(TPSValue& v, std::u16string text);
// 8-bit text is Latin-1: each byte widens to the character of its code, and narrowing
// keeps characters below 256 and makes every other one '?'.
std::u16string Widen(std::string_view s);
std::string Narrow(const std::u16string& s);
// The text of a value as wide text: wide strings as they are, anything readable as 8-bit
// text widened, anything else empty.
std::u16string WideText(const TPSValue& v);

// Whether a base type is an integer kind (1-6) or Int64.
inline bool IsIntType(const TPSTypeRec* t) {
  return t->Flags & kTypeInt;
}
// Whether a base type is one of the integer kinds 1-6 (the condition types).
inline bool IsSmallInt(TPSBaseType b) {
  return b >= btU8 && b <= btS32;
}
// x cut to the width of an integer kind or Int64, by its type record.
inline int64_t Wrap(const TPSTypeRec* t, int64_t x) {
  uint64_t u = static_cast<uint64_t>(x) << t->WrapShift;
  return t->WrapSigned ? static_cast<int64_t>(u) >> t->WrapShift
                       : static_cast<int64_t>(u >> t->WrapShift);
}

// The number of an integer kind, Int64, Char, WideChar or Currency value as a long double
// (Currency in units); false for other kinds.
bool ReadReal(const TPSValue& v, long double& out);
// The text of a String, PChar or Char value (wide kinds narrowed); false for others.
bool ReadStr(const TPSValue& v, std::string& out);

// dest := src, converted to dest's type; ErTypeMismatch for pairs that do not convert.
TPSError AssignValue(TPSValue& dest, const TPSValue& src);
// dest := an integer, converted to dest's type.
TPSError AssignInt(TPSValue& dest, int64_t x);
// dest := a number, converted to dest's type.
TPSError AssignReal(TPSValue& dest, long double x);
// dest := a text, converted to dest's type.
TPSError AssignStr(TPSValue& dest, std::string_view text);

// --- values (exec_values.cpp): variants, set elements and procedure pointers ---

// dest := src held in a variant: the value converted to dest's type (numbers to and from
// their decimal text); an empty variant gives dest's zero, a null variant is
// erNullVariantError.
TPSError AssignFromVariant(TPSValue& dest, const TPSValue& src);
// Variant arithmetic: dest (a variant) := dest op src, carried out in the wider of the two
// held types; an empty or null operand is erNullVariantError.
TPSError CalcVariant(TPSValue& dest, uint8_t op, const TPSValue& src);
// A set and an element of it: `+` includes, `-` excludes; elements outside the set's
// range change nothing.
TPSError CalcSetElement(TPSValue& set, uint8_t op, const TPSValue& element);
// `in` (19) and the comparisons of procedure pointers; false when neither applies.
bool CompareValueKinds(uint8_t op, const TPSValue& left, const TPSValue& right, bool& out);

// --- Operations (exec_arith.cpp): calculate in the destination's type, compare two
// values, the in-place unary operations. Each answers ErNoError or the runtime error of
// the instruction (a guard code for a string past the memory bound).

// dest := dest op src for the calculate operators 0-10 (10, "as", is a type mismatch).
TPSError CalcValue(TPSValue& dest, uint8_t op, const TPSValue& src);
// out := left op right for the compare operators 12-17 (18 and 19 are type mismatches).
TPSError CompareValues(uint8_t op, const TPSValue& left, const TPSValue& right, bool& out);
// The result of comparing two ordered keys by a compare operator.
template <typename T>
inline bool CompareBy(uint8_t op, const T& a, const T& b) {
  switch (op) {
    case 12:
      return a >= b;
    case 13:
      return a <= b;
    case 14:
      return a > b;
    case 15:
      return a < b;
    case 16:
      return a == b;
    default:
      return a != b;
  }
}
// Logical not in place: 0 becomes 1, anything else 0.
TPSError NotValue(TPSValue& v);
// Bitwise not in place, in the type's width.
TPSError BitNotValue(TPSValue& v);
// Arithmetic negation in place.
TPSError NegateValue(TPSValue& v);
// v := v + delta for integer kinds and Int64, wrapping.
TPSError IncValue(TPSValue& v, int64_t delta);

// Live block and text slots on this thread, for the memory guard.
uint64_t LiveHeapSlots();

// Internal codes that operations answer for guard stops; never a script-visible code.
inline constexpr TPSError kPSGuardMemory = static_cast<TPSError>(200);
inline constexpr TPSError kPSGuardDepth = static_cast<TPSError>(201);
inline constexpr TPSError kPSGuardBudget = static_cast<TPSError>(202);
