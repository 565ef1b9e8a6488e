// Constant folding: operators applied to constants at compile time with the executor's
// rules (integers wrap in the width of the result type, floats compute in the result
// type), conversions of constants, and the bytes of constant operands.
#include <cmath>
#include <cstring>
#include <limits>

#include "script/compiler_internal.h"
#include "script/ps_integer.h"

namespace {

long double RealOf(const PSConst& c) {
  if (PSIsFloat(c.Type)) {
    return c.Type->Base == btCurrency ? static_cast<long double>(c.Int) / 10000 : c.Real;
  }
  return static_cast<long double>(c.Int);
}

// A real rounded to the precision of a floating type.
long double RoundTo(TPSBaseType base, long double x) {
  if (base == btSingle) return static_cast<float>(x);
  if (base == btDouble) return static_cast<double>(x);
  return x;
}

std::string StrOf(const PSConst& c) {
  return PSIsChar(c.Type) ? std::string(1, static_cast<char>(c.Int)) : c.Str;
}

bool CompareResult(uint8_t op, int order) {
  switch (op) {
    case opGreaterEqual:
      return order >= 0;
    case opLessEqual:
      return order <= 0;
    case opGreater:
      return order > 0;
    case opLess:
      return order < 0;
    case opEqual:
      return order == 0;
    default:
      return order != 0;
  }
}

template <typename T>
int Order(const T& a, const T& b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

int CompareOrder(const PSConst& l, const PSConst& r) {
  bool ordinals = (PSIsInteger(l.Type) && PSIsInteger(r.Type)) ||
                  (!PSIsNumber(l.Type) && !PSIsString(l.Type) && !PSIsChar(l.Type)) ||
                  (PSIsChar(l.Type) && PSIsChar(r.Type));
  if (ordinals) return Order(l.Int, r.Int);
  if (PSIsNumber(l.Type)) return Order(RealOf(l), RealOf(r));
  int order = StrOf(l).compare(StrOf(r));
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

}  // namespace

PSConst PSCompileSession::IntConst(PSType* type, int64_t value) const {
  PSConst c;
  c.Type = type;
  c.Int = PSWrapInteger(type->Base, value);
  return c;
}

PSConst PSCompileSession::BoolConst(bool value) const {
  return IntConst(boolean_, value ? 1 : 0);
}

bool PSCompileSession::ConvertConst(const PSPos& at, const PSConst& v, PSType* to, PSConst& out) {
  out = PSConst{};
  out.Type = to;
  if (PSIsString(to)) {
    out.Str = StrOf(v);
  } else if (to->Base == btCurrency && to->Kind == PSTypeKind::Plain) {
    long double scaled = std::nearbyint(RealOf(v) * 10000);
    // A count of 1/10000 beyond 64 bits cannot be represented.
    if (!(std::fabs(scaled) < 9.2233720368547758e18L)) return ErrorAt(at, ecMathError);
    out.Int = static_cast<int64_t>(scaled);
  } else if (PSIsFloat(to)) {
    out.Real = RoundTo(to->Base, RealOf(v));
  } else {
    out.Int = PSWrapInteger(to->Base, v.Int);
  }
  return true;
}

bool PSCompileSession::FoldBinary(const PSPos& at, uint8_t op, const PSConst& l, const PSConst& r,
                                  PSConst& out) {
  if (op >= opGreaterEqual) {
    out = BoolConst(CompareResult(op, CompareOrder(l, r)));
    return true;
  }
  PSType* type = CalcResultType(op, l.Type, r.Type);
  if (PSIsString(type)) {
    out = PSConst{type, 0, 0, StrOf(l) + StrOf(r)};
    return true;
  }
  if (PSIsFloat(type)) return FoldFloat(at, op, type, l, r, out);
  return FoldInteger(at, op, type, l, r, out);
}

// Both operands are converted to the floating result type, computed, and rounded to it.
bool PSCompileSession::FoldFloat(const PSPos& at, uint8_t op, PSType* type, const PSConst& l,
                                 const PSConst& r, PSConst& out) {
  long double x = RoundTo(type->Base, RealOf(l));
  long double y = RoundTo(type->Base, RealOf(r));
  PSConst result{extended_, 0, 0, {}};
  switch (op) {
    case opAdd:
      result.Real = x + y;
      break;
    case opSub:
      result.Real = x - y;
      break;
    case opMul:
      result.Real = x * y;
      break;
    default:
      if (y == 0) return ErrorAt(at, ecDivideByZero);
      result.Real = x / y;
  }
  // Overflow beyond the largest Extended is a fault of its own.
  if (!std::isfinite(result.Real) && std::isfinite(x) && std::isfinite(y)) {
    return ErrorAt(at, ecMathError);
  }
  return ConvertConst(at, result, type, out);
}

// Both operands are cut to the width of the integer (or Boolean) result type, and the
// operation runs exactly as the executor runs it.
bool PSCompileSession::FoldInteger(const PSPos& at, uint8_t op, PSType* type, const PSConst& l,
                                   const PSConst& r, PSConst& out) {
  TPSBaseType base = type->Base;
  int64_t v = 0;
  uint8_t code = op == opIntDiv ? uint8_t{opDiv} : op;
  switch (
      PSIntegerOperation(code, PSWrapInteger(base, l.Int), PSWrapInteger(base, r.Int), base, v)) {
    case ErNoError:
      break;
    case ErDivideByZero:
      return ErrorAt(at, ecDivideByZero);
    default:
      return ErrorAt(at, ecTypeMismatch);
  }
  out = IntConst(type, v);
  return true;
}

bool PSCompileSession::FoldUnary(const PSPos& at, PSExprKind kind, const PSConst& v, PSConst& out) {
  (void)at;
  out = v;
  if (kind == PSExprKind::Not) {
    out.Int = PSIsBoolean(v.Type) ? (v.Int == 0 ? 1 : 0) : PSWrapInteger(v.Type->Base, ~v.Int);
    return true;
  }
  if (v.Type->Base == btCurrency || PSIsInteger(v.Type)) {
    auto negated = static_cast<int64_t>(0 - static_cast<uint64_t>(v.Int));
    // Typed as at run time, so that folding and running give the same value.
    if (PSIsInteger(v.Type)) out.Type = NegatedInteger(v.Type);
    out.Int = PSIsInteger(v.Type) ? PSWrapInteger(out.Type->Base, negated) : negated;
  } else {
    out.Real = -v.Real;
  }
  return true;
}

std::string PSCompileSession::EncodeConst(const PSConst& c) const {
  switch (c.Type->Base) {
    case btString:
    case btPChar:
    case btSet:         // the set's bytes
    case btWideString:  // UTF-16 code units, little-endian
    case btUnicodeString:
      return c.Str;
    case btProcPtr: {  // the procedure number
      std::string bytes;
      for (int i = 0; i < 4; ++i)
        bytes += static_cast<char>(static_cast<uint64_t>(c.Int) >> (8 * i));
      return bytes;
    }
    case btSingle: {
      float f = static_cast<float>(c.Real);
      return std::string(reinterpret_cast<const char*>(&f), sizeof f);
    }
    case btDouble: {
      double d = static_cast<double>(c.Real);
      return std::string(reinterpret_cast<const char*>(&d), sizeof d);
    }
    case btExtended: {
      // The 80-bit value is the first ten bytes of a long double on x86-64.
      char bytes[sizeof(long double)] = {};
      long double x = c.Real;
      std::memcpy(bytes, &x, sizeof x);
      return std::string(bytes, 10);
    }
    default: {
      std::string bytes;
      auto u = static_cast<uint64_t>(c.Int);
      for (uint32_t i = 0; i < PSValueSize(c.Type); ++i) {
        bytes += static_cast<char>(u >> (8 * i));
      }
      return bytes;
    }
  }
}
