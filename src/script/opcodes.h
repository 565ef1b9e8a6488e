// The executor's instruction set, listed once. Each instruction is its opcode byte
// followed by the operands its shape names, one letter per operand:
//   o  a value operand: a kind byte (TPSOperandKind) and that kind's data
//   b  a u8 (an operator code, a flag, a try part)
//   u  a u32 number (a procedure or a type)
//   j  an s32 jump distance, counted from the byte after the instruction
//   p  a u32 code position, counted from the byte after the instruction; all bits set
//      for none
// The enum, the shape table and every walk over code come from this one list.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

// X(enum name, opcode, mnemonic, operand shape)
#define TOVI2_PS_OPCODES(X)                                                                 \
  X(Assign, 0, "assign", "oo")          /* dest := src, converted to dest's type */         \
  X(Calculate, 1, "calc", "boo")        /* dest := dest operator src (operators 0-10) */    \
  X(Push, 2, "push", "o")               /* push a copy of a value */                        \
  X(PushRef, 3, "pushref", "o")         /* push a reference to a variable */                \
  X(Pop, 4, "pop", "")                  /* pop and release the top value */                 \
  X(Call, 5, "call", "u")               /* call a procedure by number */                    \
  X(Jump, 6, "jump", "j")               /* jump */                                          \
  X(JumpIfTrue, 7, "jumpif", "jo")      /* jump when an integer is not 0 */                 \
  X(JumpIfFalse, 8, "jumpifnot", "jo")  /* jump when an integer is 0 */                     \
  X(Return, 9, "ret", "")               /* return to the caller, or end the run */          \
  X(Unused, 10, "unused", "")           /* never written; executing it is an error */       \
  X(PushType, 11, "pushtype", "u")      /* push a zeroed value of a type */                 \
  X(Compare, 12, "compare", "booo")     /* dest := left operator right (12-19) */           \
  X(CallPtr, 13, "callptr", "o")        /* call through a procedure-pointer value */        \
  X(SetRef, 14, "setref", "oo")         /* make a reference refer to a variable */          \
  X(Not, 15, "not", "o")                /* logical not in place */                          \
  X(Negate, 16, "neg", "o")             /* arithmetic negation in place */                  \
  X(SetFlag, 17, "setflag", "ob")       /* jump flag := value <> 0, inverted by the byte */ \
  X(JumpFlag, 18, "jumpflag", "j")      /* jump when the jump flag is set */                \
  X(TryEnter, 19, "try", "pppp")        /* finally, except, second finally and end */       \
  X(TryEnd, 20, "endtry", "b")          /* end of a try part: 0 try, 1 finally, 2 except,   \
                                           3 second finally */                              \
  X(BitNot, 21, "bitnot", "o")          /* bitwise not in place */                          \
  X(SetRefCopy, 22, "setrefcopy", "oo") /* make a reference own a copy of a value */        \
  X(Inc, 23, "inc", "o")                /* add 1 to an integer in place */                  \
  X(Dec, 24, "dec", "o")                /* subtract 1 from an integer in place */           \
  X(PopJump, 25, "popjump", "j")        /* pop one value, then jump */                      \
  X(Pop2Jump, 26, "pop2jump", "j")      /* pop two values, then jump */                     \
  X(Nop, 255, "nop", "")                /* nothing */

enum class TPSOpcode : uint8_t {
#define TOVI2_PS_OPCODE_ENUM(name, number, mnemonic, shape) name = number,
  TOVI2_PS_OPCODES(TOVI2_PS_OPCODE_ENUM)
#undef TOVI2_PS_OPCODE_ENUM
};

// What a listing and a decoder need to know of one opcode byte.
struct TPSOpcodeInfo {
  std::string_view Mnemonic;  // empty for a byte that is no opcode
  std::string_view Shape;
};

// Every byte's opcode information.
inline constexpr std::array<TPSOpcodeInfo, 256> kOpcodeInfo = [] {
  std::array<TPSOpcodeInfo, 256> table{};
#define TOVI2_PS_OPCODE_INFO(name, number, mnemonic, shape) table[number] = {mnemonic, shape};
  TOVI2_PS_OPCODES(TOVI2_PS_OPCODE_INFO)
#undef TOVI2_PS_OPCODE_INFO
  return table;
}();

// Whether a byte is an opcode of the list (10 is, though no code may execute it).
constexpr bool IsOpcode(uint8_t byte) {
  return !kOpcodeInfo[byte].Mnemonic.empty();
}

// The kind byte of an 'o' operand.
enum class TPSOperandKind : uint8_t {
  Var = 0,             // u32 variable number
  Const = 1,           // u32 type number, then the constant in the constant encoding
  Element = 2,         // u32 variable number, u32 field or element number
  IndexedElement = 3,  // u32 variable number, u32 number of the index variable
};

// Variable numbers below this are global variables.
inline constexpr uint32_t kGlobalVarLimit = 1073741824;
// Other variable numbers are this plus a signed offset from the frame base: negative for
// the result reference and the parameters, positive for locals.
//
// The calling convention the compiler writes and the executor reads. Offsets count values,
// whatever their size. A caller pushes, for a function, the result slot; then the arguments
// from the last to the first (a value argument as a new slot assigned from it, a var or out
// argument as a new reference slot set with setref); then, for a function, a reference to
// the result slot (pushref). The call's return record is the frame base B: in the callee
// the result reference is at -1 and the first argument at -2 (at -1 in a procedure), the
// next at -3, ...; locals and temporaries at +1, +2, ... The main procedure has no return
// record: its base is the virtual index -1, so its first value is +1. Every value a
// procedure pushes is popped by it, or released by its return. A host routine sees the
// same layout: the result reference on top, below it the first argument.
//
// An operand naming a reference denotes the value it refers to, in every instruction but
// the destination of setref and setrefcopy (the reference itself) and pop; pushref and
// setref of a reference refer to its target.
inline constexpr uint32_t kStackVarBase = 1610612736;
// A 'p' operand that names no position.
inline constexpr uint32_t kNoCodePosition = 0xFFFFFFFF;
//
// Sets, procedure pointers and nil: a calculate with a set destination and an ordinal
// source includes (+) or excludes (-) that one element, which is how a set constructor
// with computed elements is built; compare 19 (`in`) tests an ordinal against a set. A
// procedure-pointer constant holds a procedure number and is never nil, even for number
// 0; nil is a value pushed zeroed (pushtype), and a call through it is a null pointer
// error.
