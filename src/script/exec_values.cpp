// Variants, set elements and procedure pointers in the executor's operations.
//
// A variant holds one boxed value of a simple type. Reading a variant into a typed
// variable converts as an assignment would, and also between numbers and their decimal
// text; variant arithmetic runs in the wider of the two held types, so that an integer
// plus a float gives a float.
#include <string>

#include "script/builtin_text.h"
#include "script/exec_value.h"

namespace {

bool IsTextBase(TPSBaseType b) {
  return b == btString || b == btPChar || b == btWideString || b == btUnicodeString;
}

bool IsOrdinalValue(const TPSValue& v) {
  return IsIntType(v.Type) || v.Type->Base == btChar || v.Type->Base == btWideChar;
}

// The zero of dest's type, for an empty variant.
TPSError AssignEmpty(TPSValue& dest) {
  if (IsTextBase(dest.Type->Base)) return AssignStr(dest, "");
  long double unused;
  if (IsOrdinalValue(dest) || ReadReal(dest, unused)) return AssignInt(dest, 0);
  return ErTypeMismatch;
}

// Numbers and texts held in a variant convert into each other.
TPSError AssignConverted(TPSValue& dest, const TPSValue& held) {
  const TPSBaseType db = dest.Type->Base, hb = held.Type->Base;
  long double x = 0;
  if (IsTextBase(db)) {
    if (IsIntType(held.Type)) return AssignStr(dest, PSIntToStr(held.I));
    if (!ReadReal(held, x)) return ErTypeMismatch;
    return AssignStr(dest, PSFloatToStr(x));
  }
  std::string text;
  if (!IsTextBase(hb) || !ReadStr(held, text)) return ErTypeMismatch;
  if (IsIntType(dest.Type)) {
    std::optional<int64_t> n = PSStrToInt64(text);
    return n ? AssignInt(dest, *n) : ErTypeMismatch;
  }
  if (!ReadReal(dest, x)) return ErTypeMismatch;  // not a number either
  std::optional<long double> r = PSStrToFloat(text);
  return r ? AssignReal(dest, *r) : ErTypeMismatch;
}

// The order in which held types widen: integers by width, then Currency and the floats;
// characters, then 8-bit and wide strings.
int Rank(const TPSValue& v) {
  switch (v.Type->Base) {
    case btU8:
    case btS8:
      return 1;
    case btU16:
    case btS16:
      return 2;
    case btU32:
    case btS32:
      return 3;
    case btS64:
      return 4;
    case btCurrency:
      return 5;
    case btSingle:
      return 6;
    case btDouble:
      return 7;
    case btExtended:
      return 8;
    case btChar:
    case btWideChar:
      return 9;
    case btString:
    case btPChar:
      return 10;
    default:
      return 11;
  }
}

}  // namespace

TPSError AssignFromVariant(TPSValue& dest, const TPSValue& src) {
  if (src.VarNull) return erNullVariantError;
  if (!src.Boxed) return AssignEmpty(dest);
  TPSError error = AssignValue(dest, *src.Boxed);
  if (error != ErTypeMismatch) return error;
  return AssignConverted(dest, *src.Boxed);
}

namespace {

// v converted into a fresh value of type (numbers and texts into each other too).
TPSError Converted(const TPSValue& v, const TPSTypeRec* type, TPSValue& out) {
  ValueInit(out, type);
  TPSError error = AssignValue(out, v);
  if (error == ErTypeMismatch) error = AssignConverted(out, v);
  if (error != ErNoError) ValueRelease(out);
  return error;
}

bool IsTextValue(const TPSValue& v) {
  return Rank(v) >= 9;
}

}  // namespace

TPSError CalcVariant(TPSValue& dest, uint8_t op, const TPSValue& src) {
  const TPSValue* right = &src;
  if (src.Type->Base == btVariant) right = src.Boxed;
  if (!right || !dest.Boxed) return erNullVariantError;
  TPSValue& left = *dest.Boxed;
  // A text and a number: the text is read as a number of the other side's type.
  if (IsTextValue(*right) && !IsTextValue(left)) {
    TPSValue number;
    if (TPSError error = Converted(*right, left.Type, number); error != ErNoError) return error;
    TPSError error = CalcValue(left, op, number);
    ValueRelease(number);
    return error;
  }
  bool textToNumber = IsTextValue(left) && !IsTextValue(*right);
  if (textToNumber || Rank(*right) > Rank(left)) {
    TPSValue wider;
    if (TPSError error = Converted(left, right->Type, wider); error != ErNoError) return error;
    ValueRelease(left);
    left = wider;
  }
  return CalcValue(left, op, *right);
}

TPSError CalcSetElement(TPSValue& set, uint8_t op, const TPSValue& element) {
  const TPSValue* e = &element;
  if (e->Type->Base == btVariant) e = e->Boxed;
  if (!e) return erNullVariantError;
  if (!IsOrdinalValue(*e) || op > 1) return ErTypeMismatch;
  if (e->I < 0 || e->I >= static_cast<int64_t>(set.Type->SetBits)) return ErNoError;
  auto n = static_cast<size_t>(e->I);
  auto bit = static_cast<uint8_t>(1u << (n % 8));
  if (op == 0) {
    set.Set[n / 8] |= bit;
  } else {
    set.Set[n / 8] &= static_cast<uint8_t>(~bit);
  }
  return ErNoError;
}

bool CompareValueKinds(uint8_t op, const TPSValue& left, const TPSValue& right, bool& out) {
  if (op == 19) {
    const TPSValue* e = left.Type->Base == btVariant ? left.Boxed : &left;
    if (!e || right.Type->Base != btSet || !IsOrdinalValue(*e)) return false;
    out = e->I >= 0 && e->I < static_cast<int64_t>(right.Type->SetBits) &&
          (right.Set[e->I / 8] >> (e->I % 8) & 1);
    return true;
  }
  const TPSBaseType lb = left.Type->Base;
  if (lb != right.Type->Base || (op != 16 && op != 17)) return false;
  bool equal = false;
  if (lb == btProcPtr) {
    equal = left.Aux == right.Aux && left.I == right.I;
  } else if (lb == btInterface || lb == btClass) {
    equal = left.I == right.I;
  } else {
    return false;
  }
  out = op == 16 ? equal : !equal;
  return true;
}
