#include "script/exec_value.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "script/builtin_text.h"

namespace {

template <typename F>
TPSError FloatOp(uint8_t op, F a, F b, F& out) {
  switch (op) {
    case 0:
      out = a + b;
      return ErNoError;
    case 1:
      out = a - b;
      return ErNoError;
    case 2:
      out = a * b;
      return ErNoError;
    case 3:
      if (b == 0) return ErDivideByZero;
      out = a / b;
      return ErNoError;
    default:
      return ErTypeMismatch;
  }
}

TPSError CalcFloat(TPSValue& dest, uint8_t op, const TPSValue& src) {
  long double b;
  if (!ReadReal(src, b)) return ErTypeMismatch;
  switch (dest.Type->Base) {
    case btSingle:
      return FloatOp<float>(op, dest.F32, static_cast<float>(b), dest.F32);
    case btDouble:
      return FloatOp<double>(op, dest.F64, static_cast<double>(b), dest.F64);
    default:
      return FloatOp<long double>(op, dest.F80, b, dest.F80);
  }
}

// Currency counts 1/10000; products and quotients go through long double.
TPSError CalcCurrency(TPSValue& dest, uint8_t op, const TPSValue& src) {
  long double b;
  if (src.Type->Base == btCurrency) {
    b = static_cast<long double>(src.I);
  } else if (ReadReal(src, b)) {
    b *= 10000.0L;
  } else {
    return ErTypeMismatch;
  }
  long double a = static_cast<long double>(dest.I);
  long double r;
  switch (op) {
    case 0:
      r = a + b;
      break;
    case 1:
      r = a - b;
      break;
    case 2:
      r = a * b / 10000.0L;
      break;
    case 3:
      if (b == 0) return ErDivideByZero;
      r = a * 10000.0L / b;
      break;
    default:
      return ErTypeMismatch;
  }
  if (!(std::fabs(r) < 9.2e18L)) return ErMathError;
  dest.I = static_cast<int64_t>(std::llrint(r));
  return ErNoError;
}

TPSError CalcString(TPSValue& dest, uint8_t op, const TPSValue& src) {
  if (op != 0) return ErTypeMismatch;
  const TPSBaseType sb = src.Type->Base;
  if (dest.Type->Base == btWideString || dest.Type->Base == btUnicodeString) {
    std::u16string add;
    if (sb == btWideString || sb == btUnicodeString) {
      add = WStrOf(src);
    } else if (sb == btWideChar) {
      add.assign(1, static_cast<char16_t>(src.I));
    } else {
      std::string narrow;
      if (!ReadStr(src, narrow)) return ErTypeMismatch;
      add = Widen(narrow);
    }
    if (WStrOf(dest).size() + add.size() > kPSMaxBuiltinString / 2) return kPSGuardMemory;
    if (!add.empty()) MutableWStr(dest) += add;
    return ErNoError;
  }
  if (sb == btChar) {
    if (StrOf(dest).size() + 1 > kPSMaxBuiltinString) return kPSGuardMemory;
    MutableStr(dest) += static_cast<char>(src.I);
    return ErNoError;
  }
  if (sb != btString && sb != btPChar) return ErTypeMismatch;
  const std::string& add = StrOf(src);
  if (StrOf(dest).size() + add.size() > kPSMaxBuiltinString) return kPSGuardMemory;
  if (add.empty()) return ErNoError;
  if (&add == &StrOf(dest)) {
    std::string twice = add + add;
    SetStrValue(dest, std::move(twice));
  } else {
    MutableStr(dest) += add;
  }
  return ErNoError;
}

TPSError CalcSet(TPSValue& dest, uint8_t op, const TPSValue& src) {
  if (src.Type->Base != btSet) return CalcSetElement(dest, op, src);
  if (src.Type->Base != btSet || src.Type->SetBits != dest.Type->SetBits) return ErTypeMismatch;
  for (size_t i = 0; i < kSetBytes; ++i) {
    switch (op) {
      case 0:
        dest.Set[i] |= src.Set[i];
        break;
      case 1:
        dest.Set[i] &= static_cast<uint8_t>(~src.Set[i]);
        break;
      case 2:
        dest.Set[i] &= src.Set[i];
        break;
      default:
        return ErTypeMismatch;
    }
  }
  return ErNoError;
}

bool IsText(TPSBaseType b) {
  return b == btString || b == btPChar || b == btChar || b == btWideString ||
         b == btUnicodeString || b == btWideChar;
}

bool IsWide(TPSBaseType b) {
  return b == btWideString || b == btUnicodeString || b == btWideChar;
}

// Sets compare for equality and inclusion (>= superset, <= subset).
TPSError CompareSets(uint8_t op, const TPSValue& l, const TPSValue& r, bool& out) {
  if (l.Type->SetBits != r.Type->SetBits) return ErTypeMismatch;
  bool equal = std::memcmp(l.Set, r.Set, kSetBytes) == 0;
  bool lHasR = true, rHasL = true;
  for (size_t i = 0; i < kSetBytes; ++i) {
    lHasR = lHasR && (r.Set[i] & ~l.Set[i]) == 0;
    rHasL = rHasL && (l.Set[i] & ~r.Set[i]) == 0;
  }
  switch (op) {
    case 12:
      out = lHasR;
      return ErNoError;
    case 13:
      out = rHasL;
      return ErNoError;
    case 16:
      out = equal;
      return ErNoError;
    case 17:
      out = !equal;
      return ErNoError;
    default:
      return ErTypeMismatch;
  }
}

}  // namespace

TPSError CalcValue(TPSValue& dest, uint8_t op, const TPSValue& src) {
  if (op > 10) return erInvalidOpcodeParameter;
  if (dest.Type->Base == btVariant) return CalcVariant(dest, op, src);
  const TPSBaseType sb = src.Type->Base;
  if (sb == btVariant && dest.Type->Base != btVariant) {
    return src.Boxed ? CalcValue(dest, op, *src.Boxed) : ErTypeMismatch;
  }
  if (IsIntType(dest.Type)) {
    if (!IsIntType(src.Type) && sb != btChar && sb != btWideChar) return ErTypeMismatch;
    const TPSBaseType db = dest.Type->Base;
    return PSIntegerOperation(op, dest.I, PSWrapInteger(db, src.I), db, dest.I);
  }
  switch (dest.Type->Base) {
    case btSingle:
    case btDouble:
    case btExtended:
      return CalcFloat(dest, op, src);
    case btCurrency:
      return CalcCurrency(dest, op, src);
    case btString:
    case btPChar:
    case btWideString:
    case btUnicodeString:
      return CalcString(dest, op, src);
    case btSet:
      return CalcSet(dest, op, src);
    default:
      return ErTypeMismatch;
  }
}

TPSError CompareValues(uint8_t op, const TPSValue& left, const TPSValue& right, bool& out) {
  if (op < 12 || op > 19) return erInvalidOpcodeParameter;
  if (CompareValueKinds(op, left, right, out)) return ErNoError;
  if (op > 17) return ErTypeMismatch;
  if (left.Type->Base == btVariant) {
    return left.Boxed ? CompareValues(op, *left.Boxed, right, out) : erNullVariantError;
  }
  if (right.Type->Base == btVariant) {
    return right.Boxed ? CompareValues(op, left, *right.Boxed, out) : erNullVariantError;
  }
  const TPSBaseType lb = left.Type->Base, rb = right.Type->Base;
  if ((IsIntType(left.Type) && IsIntType(right.Type)) ||
      (lb == rb && (lb == btChar || lb == btWideChar))) {
    out = CompareBy(op, left.I, right.I);
    return ErNoError;
  }
  long double a, b;
  if (ReadReal(left, a) && ReadReal(right, b)) {
    out = CompareBy(op, a, b);
    return ErNoError;
  }
  if (IsText(lb) && IsText(rb)) {
    if (IsWide(lb) || IsWide(rb)) {
      out = CompareBy(op, WideText(left), WideText(right));
    } else {
      std::string l, r;
      ReadStr(left, l);
      ReadStr(right, r);
      out = CompareBy(op, l, r);  // std::string compares bytes as unsigned
    }
    return ErNoError;
  }
  if (lb == btSet && rb == btSet) return CompareSets(op, left, right, out);
  return ErTypeMismatch;
}

TPSError NotValue(TPSValue& v) {
  if (v.Type->Base == btVariant) return v.Boxed ? NotValue(*v.Boxed) : erNullVariantError;
  if (!IsIntType(v.Type)) return ErTypeMismatch;
  v.I = v.I == 0 ? 1 : 0;
  return ErNoError;
}

TPSError BitNotValue(TPSValue& v) {
  if (v.Type->Base == btVariant) return v.Boxed ? BitNotValue(*v.Boxed) : erNullVariantError;
  if (!IsIntType(v.Type)) return ErTypeMismatch;
  v.I = PSWrapInteger(v.Type->Base, ~v.I);
  return ErNoError;
}

TPSError NegateValue(TPSValue& v) {
  switch (v.Type->Base) {
    case btSingle:
      v.F32 = -v.F32;
      return ErNoError;
    case btDouble:
      v.F64 = -v.F64;
      return ErNoError;
    case btExtended:
      v.F80 = -v.F80;
      return ErNoError;
    case btCurrency:
      v.I = static_cast<int64_t>(0 - static_cast<uint64_t>(v.I));
      return ErNoError;
    case btVariant:
      return v.Boxed ? NegateValue(*v.Boxed) : erNullVariantError;
    default:
      if (!IsIntType(v.Type)) return ErTypeMismatch;
      v.I = PSWrapInteger(v.Type->Base, static_cast<int64_t>(0 - static_cast<uint64_t>(v.I)));
      return ErNoError;
  }
}

TPSError IncValue(TPSValue& v, int64_t delta) {
  if (!IsIntType(v.Type)) return ErTypeMismatch;
  v.I = PSWrapInteger(v.Type->Base, static_cast<int64_t>(static_cast<uint64_t>(v.I) + delta));
  return ErNoError;
}
