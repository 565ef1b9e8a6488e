#include "script/ps_integer.h"

int PSIntegerBits(TPSBaseType base) {
  switch (base) {
    case btU8:
    case btS8:
    case btChar:
      return 8;
    case btU16:
    case btS16:
    case btWideChar:
      return 16;
    case btU32:
    case btS32:
      return 32;
    default:
      return 64;
  }
}

int64_t PSWrapInteger(TPSBaseType base, int64_t x) {
  switch (base) {
    case btU8:
    case btChar:
      return static_cast<uint8_t>(x);
    case btS8:
      return static_cast<int8_t>(x);
    case btU16:
    case btWideChar:
      return static_cast<uint16_t>(x);
    case btS16:
      return static_cast<int16_t>(x);
    case btU32:
      return static_cast<uint32_t>(x);
    case btS32:
      return static_cast<int32_t>(x);
    default:
      return x;
  }
}

TPSError PSIntegerOperation(uint8_t op, int64_t a, int64_t b, TPSBaseType base, int64_t& out) {
  const uint64_t ua = static_cast<uint64_t>(a), ub = static_cast<uint64_t>(b);
  const int bits = PSIntegerBits(base);
  const uint64_t countMask = bits == 64 ? 63 : 31;
  switch (op) {
    case 0:
      out = static_cast<int64_t>(ua + ub);
      break;
    case 1:
      out = static_cast<int64_t>(ua - ub);
      break;
    case 2:
      out = static_cast<int64_t>(ua * ub);
      break;
    case 3:
      if (b == 0) return ErDivideByZero;
      out = (a == INT64_MIN && b == -1) ? a : a / b;
      break;
    case 4:
      if (b == 0) return ErDivideByZero;
      out = b == -1 ? 0 : a % b;
      break;
    case 5:
      out = static_cast<int64_t>(ua << (ub & countMask));
      break;
    case 6: {
      uint64_t mask = bits == 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
      out = static_cast<int64_t>((ua & mask) >> (ub & countMask));
      break;
    }
    case 7:
      out = a & b;
      break;
    case 8:
      out = a | b;
      break;
    case 9:
      out = a ^ b;
      break;
    default:
      return ErTypeMismatch;
  }
  out = PSWrapInteger(base, out);
  return ErNoError;
}
