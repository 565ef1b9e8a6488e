// Integer arithmetic in the width of a base type, shared by the executor and by the
// compiler's constant folding, so that a folded constant and the same operation at run time
// always agree.
#pragma once

#include <cstdint>

#include "script/ps_errors.h"
#include "script/ps_types.h"

// The width in bits of an integer kind, Char (8) or WideChar (16); 64 for Int64.
int PSIntegerBits(TPSBaseType base);

// x cut to the width and signedness of an integer kind, Int64, Char or WideChar.
int64_t PSWrapInteger(TPSBaseType base, int64_t x);

// a operator b in the width of base (operators 0 to 9: + - * / mod shl shr and or xor; `div`
// is 3). Results wrap around; the lowest value divided by -1 stays the lowest value; shift
// counts are taken as the processor takes them, modulo 64 for Int64 and modulo 32 otherwise.
// Division or mod by 0 is ErDivideByZero, another operator ErTypeMismatch.
TPSError PSIntegerOperation(uint8_t op, int64_t a, int64_t b, TPSBaseType base, int64_t& out);
