// The inside of TPSExec: the registered routines, the loaded program in its decoded form,
// the value stack, the call frames, the try handlers and the last error.
//
// Every script procedure is decoded once, when the container loads, into a list of
// instructions whose operands are resolved (global slots as pointers, stack variables as
// frame offsets, constants as values owned by the procedure) and whose jump targets are
// instruction indices. A defect in the code (a bad opcode, an operand past the end, a
// jump out of the code) becomes a Raise instruction at that spot, so that it stops the run
// only when execution reaches it, at the byte position it would have had.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "script/container.h"
#include "script/exec.h"
#include "script/exec_value.h"

// One registered routine.
struct TPSRoutine {
  std::string Name;  // upper case
  uint32_t Hash = 0;
  TPSHostRoutine Fn;
  int Selector = 0;
};

// The decoded instruction kinds. Most are the opcodes of the same name; the *Int kinds
// are fast paths for integer operands, guarded by a type check that falls back to the
// general operation; Raise stops with its error; Goto continues at another instruction.
enum class DOp : uint8_t {
  Raise,
  Goto,
  Assign,
  AssignInt,
  Calc,
  CalcAddInt,
  CalcSubInt,
  CalcMulInt,
  Push,
  PushRef,
  PushRefCall,  // a push of a reference fused with the call after it
  Pop,
  Pop2,         // a pop fused with the pops after it (Sub: how many, 2 to 4)
  PopJumpFlag,  // a pop fused with the flag jump after it
  CallScript,
  CallHost,
  Jump,
  JumpIfTrue,
  JumpIfFalse,
  Return,
  PushType,
  PushTypeAssign,  // a push of a type fused with the assignment after it
  CalcStatement,   // push T; T := a; T op= b; x := T; pop, with integers at once
  Compare,
  CompareInt,
  CompareJumpTrue,  // a compare fused with the conditional jump on its result
  CompareJumpFalse,
  CompareSetFlag,  // a compare fused with the setflag on its result
  CallPtr,
  SetRef,
  Not,
  Negate,
  SetFlag,
  JumpFlag,
  TryEnter,
  TryEnd,
  BitNot,
  SetRefCopy,
  Inc,
  Dec,
  IncJump,  // an increment fused with the jump after it
  DecJump,
  StepCompare,  // an IncJump or DecJump (Sub 1 or 0) whose target is a fused compare-jump
  PopJump,
  Pop2Jump,
  Nop,
  Block,  // a straight run of temporary arithmetic done at once (DBlock)
};

// How a decoded operand finds its value.
enum class DKind : uint8_t {
  Global,   // Var.Ptr
  Frame,    // Var.Off from the frame base
  Const,    // Var.Ptr, owned by the procedure; never written
  Elem,     // element Elem of the variable Var
  IdxElem,  // element of the variable Var whose index is the variable Idx
};

// A variable: a global slot, or a frame offset when Ptr is nil.
struct DVarRef {
  TPSValue* Ptr = nullptr;
  int32_t Off = 0;
};

// One decoded value operand.
struct DOperand {
  DKind Kind = DKind::Frame;
  uint32_t Elem = 0;
  DVarRef Var;
  DVarRef Idx;
};

struct DProc;
struct DBlock;

// "No position" in decoded try targets.
inline constexpr uint32_t kNoTarget = 0xFFFFFFFF;

// One decoded instruction.
struct DInst {
  DOp Op = DOp::Nop;
  uint8_t Sub = 0;             // the operator, the setflag inversion, the try part
  uint8_t Sub2 = 0;            // CompareSetFlag: the inversion of the fused setflag
  bool PopAfter = false;       // assignments and calculations: a pop follows, run with them
  TPSError Error = ErNoError;  // Raise
  uint32_t Pos = 0;            // byte position in the original code
  uint32_t Target = 0;         // jumps: instruction index; PushType: type number
  union {
    const DProc* Callee = nullptr;  // calls
    const TPSTypeRec* Type;         // PushType
  };
  const DBlock* Blk = nullptr;  // Block
  DOperand A, B, C;
  uint32_t Try[4] = {kNoTarget, kNoTarget, kNoTarget, kNoTarget};  // instruction indices
};

// One procedure of the loaded program.
struct DProc {
  uint32_t No = 0;
  bool External = false;
  std::vector<DInst> Code;                      // script procedure
  std::deque<TPSValue> Consts;                  // its constants (stable addresses)
  std::vector<std::unique_ptr<DBlock>> Blocks;  // the blocks its Block instructions run
  const TPSRoutine* Routine = nullptr;          // host routine
  bool HasResult = false;
  std::vector<uint8_t> ByRef;  // host routine: 1 per by-reference parameter
  std::string Name;
  DProc() = default;
  DProc(const DProc&) = delete;
  DProc& operator=(const DProc&) = delete;
  ~DProc();
};

// A script call's return information; the value stack holds a marker slot at Base.
struct TPSFrame {
  const DProc* Proc = nullptr;
  uint32_t Ip = 0;  // the caller's instruction to continue with
  int64_t Base = -1;
};

// An active try statement.
struct TPSHandler {
  const DProc* Proc = nullptr;
  int64_t Base = -1;
  size_t StackCount = 0;
  size_t Depth = 0;  // call frames when the try began
  uint32_t Finally = kNoTarget, Except = kNoTarget, Finally2 = kNoTarget, End = kNoTarget;
  uint32_t Next = 0;  // the instruction after the try instruction
  bool ReturnWaiting = false;
  bool Holding = false;  // an exception was moved in for the except part
  TPSError Code = ErNoError;
  std::string Param;
  uint32_t ProcNo = 0, Pos = 0;
  // flow: jumps out of try parts (break, continue)
  // The code byte positions of the parts and the end as the try gave them.
  uint32_t Parts[4] = {kNoTarget, kNoTarget, kNoTarget, kNoTarget};
  uint32_t Resume = kNoTarget;  // where a jump out of the try goes on after a finally part
  // Whether a code byte position is where one of the parts or the end begins, that is
  // whether an end-of-part instruction just before it closes its part in place.
  bool Begins(uint32_t pos) const {
    for (uint32_t part : Parts) {
      if (part == pos) return true;
    }
    return false;
  }
};

struct TPSMachine {
  explicit TPSMachine(TPSExec& owner);
  ~TPSMachine();

  // Loading (exec_decode.cpp): reads, binds and decodes a container; the error code.
  TPSError Load(std::string_view data);
  // Binds each host routine entry to the latest registration of its name.
  TPSError BindProcs(const TPSContainer& c);
  // Allocates the zeroed globals.
  TPSError MakeGlobals(const TPSContainer& c);
  // Unloads everything; the executor is then not loaded.
  void Clear();
  // Decodes one script procedure; false when the program grows past
  // kMaxDecodedInstructions.
  bool DecodeProc(const TPSContainer& c, DProc& p, std::string_view bytes);

  // Running (exec.cpp, exec_loop.cpp, exec_call.cpp).
  // Runs the main procedure; true when it ended without a pending exception.
  bool RunMain();
  // Loop, with allocation failures turned into a stop of the run.
  void RunLoopCatching();
  // Executes instructions until the run ends; false when it ended with an error.
  bool Loop();
  // Records an error at the current instruction and unwinds to a handler; false when the
  // run ends.
  bool Raise(TPSError code, std::string_view param);
  // Hands the pending exception to the innermost handler that takes it; false when none.
  bool Unwind();
  // Moves the pending exception into h for its except part.
  void HandOver(TPSHandler& h);
  // Returns from the current procedure (after pending finally parts); false when the
  // main procedure returned.
  bool DoReturn();
  // Closes a part of the innermost try; false when the run ends.
  bool TryEnd(uint8_t part);
  // Calls a host routine with the arguments on the stack.
  TPSError CallHost(const DProc& proc);
  // Enters a script procedure; returnIp is the caller's next instruction.
  TPSError CallScript(const DProc& proc, uint32_t returnIp);
  // Ends the run at once with a guard's error, past every handler.
  void Stop(TPSError code, std::string_view param, TPSGuardStop guard);
  // Pops and releases values down to count.
  void ReleaseStackTo(size_t count);
  // The target of a reference value; nil with err set for a nil or stale one.
  TPSValue* Deref(const TPSValue& ref, TPSError& err);
  // Makes room for more slots; false past kMaxStackSlots.
  bool GrowStack(size_t more) { return sp + more <= stack.size() || GrowStackSlow(more); }
  bool GrowStackSlow(size_t more);

  TPSExec& owner;
  std::deque<TPSRoutine> routines;  // stable: decoded calls point at entries
  TPSStatus status = TPSStatus::NotLoaded;

  // The loaded program.
  std::vector<std::unique_ptr<TPSTypeRec>> types;
  std::vector<DProc> procs;
  std::vector<TPSValue> globals;
  uint32_t mainProc = kNoMainProc;
  size_t decodedCount = 0;

  // The run.
  std::vector<TPSValue> stack;  // slots [0, sp) are live
  size_t sp = 0;
  std::vector<TPSFrame> frames;
  std::vector<TPSHandler> handlers;
  const DProc* proc = nullptr;
  uint32_t ip = 0;  // the current instruction
  int64_t base = -1;
  bool jumpFlag = false;
  uint64_t budgetLeft = 0;   // of the running RunMain; up to date when Loop returns
  uint64_t budgetStart = 0;  // what that RunMain started with
  std::string errParam;  // the parameter of an error a host call answered
  // A re-raised exception keeps the place where it first happened.
  bool keepPlace = false;
  uint32_t keptProcNo = 0, keptPos = 0;
  std::vector<TPSValue*> argBuf;

  // Limits.
  uint64_t budget = 0;
  uint32_t maxDepth = 100000;

  // The last error.
  TPSError code = ErNoError;
  std::string param;
  uint32_t procNo = 0, pos = 0;
  TPSGuardStop guard = TPSGuardStop::None;
};

// The types the executor makes itself: references, return markers.
extern const TPSTypeRec kPSPointerType;
extern const TPSTypeRec kPSReturnMarkerType;
inline const TPSTypeRec* PointerType() {
  return &kPSPointerType;
}
inline const TPSTypeRec* ReturnMarkerType() {
  return &kPSReturnMarkerType;
}

inline TPSError TPSMachine::CallScript(const DProc& callee, uint32_t returnIp) {
  if (frames.size() >= maxDepth || !GrowStack(1)) return kPSGuardDepth;
  ValueInit(stack[sp++], ReturnMarkerType());
  frames.push_back({proc, returnIp, base});
  base = static_cast<int64_t>(sp) - 1;
  proc = &callee;
  ip = 0;
  return ErNoError;
}

// The longest the value stack grows, in slots.
inline constexpr size_t kMaxStackSlots = size_t{1} << 21;
// The most instructions a loaded program decodes to (each takes about 180 bytes, and at
// most about as much again in the block that covers it).
inline constexpr size_t kMaxDecodedInstructions = size_t{1} << 20;
// The most block slots live on one thread (records, arrays), for the memory guard.
inline constexpr uint64_t kMaxHeapSlots = uint64_t{1} << 23;

// Lets the executor build calls and the built-ins read raw argument values.
struct TPSCallAccess {
  static void Bind(TPSCall& call, TPSValue* const* args, size_t count, TPSValue* result,
                   TPSMachine* m) {
    call.args_ = args;
    call.count_ = count;
    call.result_ = result;
    call.machine_ = m;
  }
  // Argument i; a value of no script type when the container declared fewer arguments than
  // the routine reads, which every type check of a built-in refuses.
  static TPSValue* Arg(const TPSCall& call, size_t i) {
    return i < call.count_ ? call.args_[i] : MissingArgument();
  }
  static TPSValue* MissingArgument() {
    static TPSValue missing = [] {
      TPSValue v{};
      v.Type = ReturnMarkerType();
      return v;
    }();
    return &missing;
  }
  static TPSValue* Result(const TPSCall& call) { return call.result_; }
  static TPSMachine* Machine(const TPSCall& call) { return call.machine_; }
  static TPSError Error(const TPSCall& call) { return call.error_; }
  static const std::string& ErrorParam(const TPSCall& call) { return call.errorParam_; }
  static void Fail(TPSCall& call, TPSError code, std::string_view param) { call.Fail(code, param); }
};

// Registers the built-in routines in their fixed order (exec_builtins.cpp).
void RegisterBuiltins(TPSExec& exec);
// Registers the variant, array, exception and wide-string built-ins, which come after the
// others (exec_builtins_more.cpp).
void RegisterMoreBuiltins(TPSExec& exec);
// Resizes a dynamic array value to n elements (unshared, new ones zeroed); false with a
// memory guard stop left on the call when n is too large.
bool ResizeArray(TPSCall& call, TPSValue& array, int64_t n);
