// Blocks: straight runs of instructions that compute with temporaries, run as one.
//
// An expression compiles to a push of a temporary, assignments and calculations on it, a
// store of it into a variable and a pop. A block stands for such a run: its temporaries
// live in local registers instead of stack slots, and its steps are the run's instructions
// with every temporary operand resolved to a register at load time. Temporaries still
// live at the end of the run are pushed at once.
//
// A block runs only when it can end exactly as its instructions would: its first store
// (the one side effect besides the jump flag) comes after every step that can fail, the
// stack has room, the frame is as deep as the code expects and the budget covers every
// instruction. Whenever a step fails or a check does not hold, nothing has changed and
// the instructions run one by one, raising their errors at their own positions.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "script/exec_machine.h"

// The most temporaries a block keeps in registers.
inline constexpr size_t kMaxBlockRegs = 8;

// One operand of a step: a register, or an operand resolved at run time.
struct BArg {
  int8_t Reg = -1;  // -1: Op
  DOperand Op;
};

// The kinds of block steps.
enum class BOp : uint8_t {
  Init,     // register Dst := a zeroed value of Type
  Assign,   // register Dst := A, converted
  Store,    // the variable A := register Dst, converted (the block's side effect)
  Calc,     // register Dst := Dst Sub A
  Compare,  // register Dst := A Sub B
  SetFlag,  // the jump flag := (register Dst <> 0), inverted when Sub is not 0
};

// One step of a block.
struct BStep {
  BOp Op = BOp::Init;
  uint8_t Sub = 0;
  uint8_t Dst = 0;
  const TPSTypeRec* Type = nullptr;  // Init
  BArg A, B;
};

// The most variables and constants a block's numeric form reads or writes.
inline constexpr size_t kMaxBlockVals = 8;

// A source of a numeric step: a register (0 and up) or a value (-1 - its index).
using ISrc = int8_t;

// The classes of numeric registers.
enum NumClass : uint8_t { kNumInt, kNumSingle, kNumDouble, kNumExtended };
// The kinds of numeric step sources: a register, by its class (NumClass), or a value.
inline constexpr uint8_t kSrcValue = 4;

// The kinds of numeric steps. The arithmetic ones compute Dst := B op A in the width or
// precision of Dst's type, B and A converted to it first.
enum class IOp : uint8_t {
  Zero,  // Dst := 0
  Move,  // Dst := A
  Add,
  Sub,
  Mul,
  Div,      // truncating; fails on 0
  Mod,      // fails on 0
  Other,    // the shifts and bitwise operators, by Sub
  Compare,  // Dst := A Sub B as 0 or 1
  Store,    // the value Dst := register A
  SetFlag,  // the jump flag := (register Dst <> 0), inverted when Sub is not 0
};

// One step of a block's numeric form, where every temporary is an integer kind or a float
// and every variable is checked to hold a number before the first step runs. Floats are
// computed in their own precision (Single, Double, Extended).
struct IStep {
  IOp Op = IOp::Zero;
  uint8_t Sub = 0;
  uint8_t Dst = 0;  // a register; Store: the value index of the variable
  ISrc A = 0, B = 0;
  uint8_t Cls = 0;               // the destination register's class (NumClass)
  uint8_t AKind = 0, BKind = 0;  // the sources' kinds: a register's class or kSrcValue
  int8_t StoreTo = -1;           // a value the result is stored into at once, or -1
  uint8_t Shift = 0;             // the destination width: Wrap's shift and signedness
  bool Signed = true;
  const TPSTypeRec* Type = nullptr;  // the destination register's type
  // The integer form: the step kind with its width folded in, and the sources as indices
  // into one file of registers followed by the values (kMaxBlockRegs + value index).
  uint8_t Kind = 0;
  uint8_t XA = 0, XB = 0;
};

// The kinds of integer steps (IStep::Kind): the arithmetic ones for any width, for Int64
// (which needs no cut) and for a signed 32-bit destination (which divides in 32 bits).
enum KOp : uint8_t {
  kKZero,
  kKMove,
  kKAdd,
  kKSub,
  kKMul,
  kKAdd64,
  kKSub64,
  kKMul64,
  kKDiv,
  kKMod,
  kKDiv32,
  kKMod32,
  kKOther,
  kKGe,  // the compares, in the order of the compare operators 12-17
  kKLe,
  kKGt,
  kKLt,
  kKEq,
  kKNe,
  kKStore,
  kKSetFlag,
};

// x cut to a step's destination width.
inline int64_t WrapStep(const IStep& s, int64_t x) {
  uint64_t u = static_cast<uint64_t>(x) << s.Shift;
  return s.Signed ? static_cast<int64_t>(u) >> s.Shift : static_cast<int64_t>(u >> s.Shift);
}

// A decoded block.
struct DBlock {
  std::vector<BStep> Steps;
  // The numeric form; empty when some temporary is not a number.
  std::vector<IStep> Nums;
  bool AllInt = false;         // every register and value of the numeric form is an integer
  std::vector<DOperand> Vals;  // the variables and constants it reads or writes
  // Per value: the slot when it is known at load (a global or a constant), else nil.
  std::vector<const TPSValue*> Fixed;
  std::vector<const TPSTypeRec*> LiveTypes;  // the types of the registers live at the end
  DOp Orig = DOp::PushType;  // the first instruction's own kind, run when the block cannot
  uint32_t Count = 0;        // the instructions it stands for
  uint32_t Depth = 0;        // stack slots above the frame base where it starts
  uint32_t MaxRegs = 0;      // the most temporaries live at once
  uint32_t Live = 0;         // temporaries live at the end, pushed onto the stack
  uint32_t Next = 0;         // the instruction after the run
  bool FlagJump = false;     // the run ends with a jump on the flag to Target
  uint32_t Target = 0;
  // The integer form's start, laid out for a quick run: the file of registers and values
  // with the constants in place, the slots known at load, and which values are found at
  // run time (Dyn) and read into the file (Read), by value index.
  int64_t File[kMaxBlockRegs + kMaxBlockVals] = {};
  TPSValue* Slots[kMaxBlockVals] = {};
  uint8_t Dyn[kMaxBlockVals] = {}, Read[kMaxBlockVals] = {};
  uint8_t DynCount = 0, ReadCount = 0;
  TPSValue LiveInit[kMaxBlockRegs] = {};  // zeroed values of the live registers' types
  // The integer form is a comparison of two values and a setflag on its result, and
  // leaves nothing on the stack.
  bool CompareFlag = false;
  // The steps the integer form runs: the numeric steps without the zeroing of registers
  // not written before, as every register starts at 0.
  std::vector<IStep> IntSteps;
};

// Runs a block at the machine's current frame (exec_block_run.cpp); false, with nothing
// changed, when its instructions must run one by one instead.
bool RunBlock(TPSMachine& m, const DBlock& b, uint64_t& left);

// The block that starts at code[i], or nil when none does (or it would be too short to
// gain anything).
std::unique_ptr<DBlock> BuildBlock(const std::vector<DInst>& code, size_t i);
