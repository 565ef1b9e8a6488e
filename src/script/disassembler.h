// A text listing of a compiled container, for `tovi2-tool script dis` and for tests that
// compare generated code whole. One line each:
//
//   version 23 main 1
//   type 3 Record 0 1 export "TPOINT"         kind data, then an export name and
//                                             "attributes N" when present
//   var 0 type 3 export "P"
//   proc 0 external "SETINT"
//   proc 1 "!MAIN"                            then one line per instruction:
//     0000  assign G0, #0:5                   offset, mnemonic, operands
//
// Operands: G5 is global variable 5, [-2] and [+1] are frame offsets, #T:V a constant V of
// type T, X.3 element 3 of X, X[Y] the element of X indexed by variable Y, @0012 a code
// position (jump targets and try positions made absolute), "-" a try position that is
// not there. Undecodable bytes end a procedure's listing with "bad: " and the error text.
#pragma once

#include <string>

#include "script/container.h"

// The listing of a whole container; never reads past the end of any code.
std::string Disassemble(const TPSContainer& container);
