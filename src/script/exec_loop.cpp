// The instruction loop: the machine's stack primitives and the dispatch of every decoded
// instruction.
#include "script/exec_block.h"
#include "script/exec_machine.h"
#include "script/exec_operands.h"

TPSValue* TPSMachine::Deref(const TPSValue& ref, TPSError& err) {
  switch (ref.RefKind) {
    case TPSRefKind::Direct:
      return ref.Boxed;
    case TPSRefKind::Stack:
      if (ref.Aux < sp) return &stack[ref.Aux];
      err = erOutOfStackRange;
      return nullptr;
    case TPSRefKind::Block:
      if (ref.Aux < ref.Block->Items.size()) return &ref.Block->Items[ref.Aux];
      err = ErOutOfRange;
      return nullptr;
    default:
      err = erNullPointerException;
      return nullptr;
  }
}

bool TPSMachine::GrowStackSlow(size_t more) {
  if (sp + more > kMaxStackSlots) return false;
  size_t grown = std::max<size_t>(stack.size() * 2, 256);
  stack.resize(std::min(std::max(grown, sp + more), kMaxStackSlots));
  return true;
}

void TPSMachine::ReleaseStackTo(size_t count) {
  while (sp > count)
    ValueRelease(stack[--sp]);
}

// Pushes one slot of a type; the stack has room.
static TPSValue& PushSlot(TPSMachine& m, const TPSTypeRec* type) {
  TPSValue& v = m.stack[m.sp];
  ValueInit(v, type);  // may allocate: the slot counts once it is whole
  ++m.sp;
  return v;
}

// Pops the top value unless it is a call's return marker.
static TPSError PopChecked(TPSMachine& m) {
  if (m.sp == 0 || m.stack[m.sp - 1].Type->Base == btReturnAddress) return erOutOfStackRange;
  ValueRelease(m.stack[--m.sp]);
  return ErNoError;
}

// The instruction after an assignment or a calculation that ran: past the pop fused after
// it, which runs here when it cannot fail and the budget covers it.
static uint32_t NextAfter(TPSMachine& m, const DInst* in, uint32_t pc, uint64_t& left) {
  if (in->PopAfter && left > 0 && m.sp > 0 && m.stack[m.sp - 1].Type->Base != btReturnAddress) {
    ValueRelease(m.stack[--m.sp]);
    --left;
    return pc + 2;
  }
  return pc + 1;
}

// Whether two values are both integers or floats.
static inline bool BothNumbers(const TPSValue* a, const TPSValue* b) {
  return (a->Type->Flags & (kTypeInt | kTypeFloat)) && (b->Type->Flags & (kTypeInt | kTypeFloat));
}

// An integer or float value as the comparison of two numbers reads it.
static inline long double NumberOf(const TPSValue& v) {
  switch (v.Type->Base) {
    case btSingle:
      return v.F32;
    case btDouble:
      return v.F64;
    case btExtended:
      return v.F80;
    default:
      return static_cast<long double>(v.I);
  }
}

// dest op= src for two integer values, as CalcValue computes it; a signed 32-bit
// destination divides in 32 bits.
[[gnu::always_inline]] static inline TPSError IntCalc(TPSValue& d, uint8_t op, const TPSValue& s) {
  const TPSTypeRec* t = d.Type;
  const int64_t b = Wrap(t, s.I);
  if ((op == 3 || op == 4) && t->Base == btS32) {
    const int32_t x = static_cast<int32_t>(d.I), y = static_cast<int32_t>(b);
    if (y == 0) return ErDivideByZero;
    if (y == -1) {
      d.I = op == 4 ? 0 : static_cast<int32_t>(0u - static_cast<uint32_t>(x));
    } else {
      d.I = op == 4 ? x % y : x / y;
    }
    return ErNoError;
  }
  return PSIntegerOperation(op, d.I, b, t->Base, d.I);
}

// The integer form of x := a op b, the five instructions push T; T := a; T op= b; x := T;
// pop, done at once when the operands are integers, the operation cannot fail and the
// budget covers all five; false (nothing changed) otherwise.
static bool RunCalcStatement(const TPSOperands& ops, const DInst* in, uint64_t& left) {
  // The statement computes in the temporary it pushes; code that names another slot runs
  // one instruction at a time.
  if (left < 4 || !ops.HasRoom() || !ops.IsNextPush(in[1].A)) return false;
  TPSError err = ErNoError;
  const TPSValue* a = ops.Get(in[1].B, err);
  const TPSValue* b = a ? ops.Get(in[2].B, err) : nullptr;
  TPSValue* x = b ? ops.Get(in[3].A, err) : nullptr;
  if (!x || (a->Type->Flags & b->Type->Flags & x->Type->Flags & kTypeInt) == 0) return false;
  const TPSTypeRec* t = in->Type;
  const uint64_t av = static_cast<uint64_t>(Wrap(t, a->I));
  const uint64_t bv = static_cast<uint64_t>(Wrap(t, b->I));
  int64_t r;
  switch (in[2].Sub) {
    case 0:
      r = Wrap(t, static_cast<int64_t>(av + bv));
      break;
    case 1:
      r = Wrap(t, static_cast<int64_t>(av - bv));
      break;
    case 2:
      r = Wrap(t, static_cast<int64_t>(av * bv));
      break;
    default:
      if (PSIntegerOperation(in[2].Sub, static_cast<int64_t>(av), static_cast<int64_t>(bv), t->Base,
                             r) != ErNoError) {
        return false;
      }
  }
  x->I = Wrap(x->Type, r);
  left -= 4;
  return true;
}

// The dispatch loop: one case per decoded instruction kind, which is why this function is
// one long switch. The current instruction index, its procedure's code and the budget live
// in locals (pc, insts, left); ip is brought up to date before anything that reads or moves it
// (calls, returns, try ends, errors) and read back afterwards. A case either continues with the
// next instruction or leaves err set for the exception mechanism. Pushing cases make room
// before they resolve operands, so that no slot pointer outlives a stack growth.
bool TPSMachine::Loop() {
  TPSOperands ops(*this);
  const DInst* insts = proc->Code.data();
  uint32_t pc = ip;
  uint64_t left = budgetLeft;
  // However the loop ends, the budget it used is kept.
  struct KeepLeft {
    const uint64_t& left;
    uint64_t& kept;
    ~KeepLeft() { kept = left; }
  } keepLeft{left, budgetLeft};
  for (;;) {
    if (left-- == 0) {
      left = 0;
      ip = pc;
      Stop(erCustomError, "Instruction budget exceeded", TPSGuardStop::InstructionBudget);
      return false;
    }
    const DInst* in = &insts[pc];
    TPSError err = ErNoError;
    DOp op = in->Op;
  dispatch:
    switch (op) {
      case DOp::Raise:
        err = in->Error;
        break;
      case DOp::Goto:
      case DOp::Jump:
        pc = in->Target;
        continue;
      case DOp::Nop:
        ++pc;
        continue;
      case DOp::AssignInt:
      case DOp::Assign:
      assign : {
        TPSValue* d = ops.Get(in->A, err);
        const TPSValue* s = d ? ops.Get(in->B, err) : nullptr;
        if (!s) break;
        if (BothInt(d, s)) {
          d->I = Wrap(d->Type, s->I);
          pc = NextAfter(*this, in, pc, left);
          continue;
        }
        err = AssignValue(*d, *s);
        if (err != ErNoError) break;
        pc = NextAfter(*this, in, pc, left);
        continue;
      }
      case DOp::CalcAddInt:
      case DOp::CalcSubInt:
      case DOp::CalcMulInt: {
        TPSValue* d = ops.Get(in->A, err);
        const TPSValue* s = d ? ops.Get(in->B, err) : nullptr;
        if (!s) break;
        if (BothInt(d, s)) {
          uint64_t a = static_cast<uint64_t>(d->I), b = static_cast<uint64_t>(Wrap(d->Type, s->I));
          uint64_t r = op == DOp::CalcAddInt ? a + b : op == DOp::CalcSubInt ? a - b : a * b;
          d->I = Wrap(d->Type, static_cast<int64_t>(r));
          pc = NextAfter(*this, in, pc, left);
          continue;
        }
        err = CalcValue(*d, in->Sub, *s);
        if (err != ErNoError) break;
        pc = NextAfter(*this, in, pc, left);
        continue;
      }
      case DOp::Calc: {
        TPSValue* d = ops.Get(in->A, err);
        const TPSValue* s = d ? ops.Get(in->B, err) : nullptr;
        if (!s) break;
        if (BothInt(d, s) && in->Sub <= 9) {
          err = IntCalc(*d, in->Sub, *s);
        } else {
          err = CalcValue(*d, in->Sub, *s);
        }
        if (err != ErNoError) break;
        pc = NextAfter(*this, in, pc, left);
        continue;
      }
      case DOp::CompareInt:
      case DOp::Compare:
      case DOp::CompareJumpTrue:
      case DOp::CompareJumpFalse:
      case DOp::CompareSetFlag: {
        TPSValue* d = ops.Get(in->A, err);
        const TPSValue* l = d ? ops.Get(in->B, err) : nullptr;
        const TPSValue* r = l ? ops.Get(in->C, err) : nullptr;
        if (!r) break;
        bool result;
        if (in->Sub <= 17 && BothInt(l, r)) {
          result = CompareBy(in->Sub, l->I, r->I);
        } else if (in->Sub <= 17 && BothNumbers(l, r)) {
          result = CompareBy(in->Sub, NumberOf(*l), NumberOf(*r));
        } else {
          err = CompareValues(in->Sub, *l, *r, result);
          if (err != ErNoError) break;
        }
        if (!IsIntType(d->Type)) {
          err = ErTypeMismatch;
          break;
        }
        d->I = result ? 1 : 0;
        ++pc;
        // A fused conditional jump or setflag on the result: the next instruction, done here.
        if (op == DOp::CompareInt || op == DOp::Compare) continue;
        if (left-- == 0 || !IsSmallInt(d->Type->Base)) {
          ++left;  // the second instruction runs as itself and charges its own count
          continue;
        }
        if (op == DOp::CompareSetFlag) {
          jumpFlag = result != (in->Sub2 != 0);
          ++pc;
        } else {
          pc = result == (op == DOp::CompareJumpTrue) ? in->Target : pc + 1;
        }
        continue;
      }
      case DOp::JumpIfTrue:
      case DOp::JumpIfFalse: {
        const TPSValue* c = ops.Get(in->A, err);
        if (!c) break;
        if (!IsSmallInt(c->Type->Base)) {
          err = erInvalidType;
          break;
        }
        pc = ((c->I != 0) == (op == DOp::JumpIfTrue)) ? in->Target : pc + 1;
        continue;
      }
      case DOp::SetFlag: {
        const TPSValue* c = ops.Get(in->A, err);
        if (!c) break;
        if (!IsSmallInt(c->Type->Base)) {
          err = erInvalidType;
          break;
        }
        jumpFlag = (c->I != 0) != (in->Sub != 0);
        ++pc;
        continue;
      }
      case DOp::JumpFlag:
        pc = jumpFlag ? in->Target : pc + 1;
        continue;
      case DOp::Push: {
        if (!GrowStack(1)) {
          err = kPSGuardDepth;
          break;
        }
        const TPSValue* s = ops.Get(in->A, err);
        if (!s) break;
        if (s->Type->Base == btReturnAddress) {
          err = ErTypeMismatch;
          break;
        }
        if (s->Type->Slots > 1 && LiveHeapSlots() + s->Type->Slots > kMaxHeapSlots) {
          err = kPSGuardMemory;
          break;
        }
        ValueCopyNew(stack[sp], *s);
        ++sp;
        ++pc;
        continue;
      }
      case DOp::PushRef:
      case DOp::PushRefCall: {
        if (!GrowStack(1)) {
          err = kPSGuardDepth;
          break;
        }
        TPSValue& ref = PushSlot(*this, PointerType());
        err = ops.MakeRef(in->A, ref);
        if (err != ErNoError) {
          ValueRelease(stack[--sp]);
          break;
        }
        ++pc;
        // A fused call after it runs at once, charged as its own instruction.
        if (op == DOp::PushRef || left-- == 0) {
          left += op != DOp::PushRef;
          continue;
        }
        ip = pc;
        if (in->Callee->External) {
          err = CallHost(*in->Callee);
          if (err != ErNoError) break;
          ++pc;
          continue;
        }
        err = CallScript(*in->Callee, pc + 1);
        if (err != ErNoError) break;
        pc = 0;
        insts = proc->Code.data();
        continue;
      }
      case DOp::Block:
        if (RunBlock(*this, *in->Blk, left)) {
          pc = in->Blk->FlagJump && jumpFlag ? in->Blk->Target : in->Blk->Next;
          continue;
        }
        op = in->Blk->Orig;
        goto dispatch;
      case DOp::CalcStatement:
        if (RunCalcStatement(ops, in, left)) {
          pc += 5;
          continue;
        }
        [[fallthrough]];  // the five instructions run one by one
      case DOp::PushType:
      case DOp::PushTypeAssign: {
        if (!GrowStack(1)) {
          err = kPSGuardDepth;
          break;
        }
        if (in->Type->Slots > 1 && LiveHeapSlots() + in->Type->Slots > kMaxHeapSlots) {
          err = kPSGuardMemory;
          break;
        }
        PushSlot(*this, in->Type);
        ++pc;
        // A fused assignment after it runs at once, charged as its own instruction.
        if (op == DOp::PushType || left-- == 0) {
          left += op != DOp::PushType;
          continue;
        }
        in = &insts[pc];
        goto assign;
      }
      case DOp::Pop:
      case DOp::PopJumpFlag:
        err = PopChecked(*this);
        if (err != ErNoError) break;
        ++pc;
        if (op == DOp::Pop) continue;
        if (left-- == 0) {
          ++left;
          continue;
        }
        pc = jumpFlag ? in->Target : pc + 1;
        continue;
      case DOp::Pop2: {
        // All at once when none is a call's return marker and the budget covers them all;
        // else the first runs as a single pop.
        const uint32_t n = in->Sub;
        bool whole = left >= n - 1 && sp >= n;
        if (whole) {
          const TPSValue* top = &stack[sp];
          for (uint32_t k = 1; k <= n; ++k)
            whole &= top[-static_cast<ptrdiff_t>(k)].Type->Base != btReturnAddress;
        }
        if (whole) {
          for (uint32_t k = 0; k < n; ++k)
            ValueRelease(stack[--sp]);
          left -= n - 1;
          pc += n;
          continue;
        }
        op = DOp::Pop;
        goto dispatch;
      }
      case DOp::PopJump:
      case DOp::Pop2Jump:
        err = PopChecked(*this);
        if (err == ErNoError && op == DOp::Pop2Jump) err = PopChecked(*this);
        if (err != ErNoError) break;
        pc = in->Target;
        continue;
      case DOp::CallScript:
        ip = pc;
        err = CallScript(*in->Callee, pc + 1);
        if (err != ErNoError) break;
        pc = 0;
        insts = proc->Code.data();
        continue;
      case DOp::CallHost:
        ip = pc;
        err = CallHost(*in->Callee);
        if (err != ErNoError) break;
        ++pc;
        continue;
      case DOp::CallPtr: {
        const TPSValue* p = ops.Get(in->A, err);
        if (!p) break;
        if (p->Type->Base != btProcPtr) {
          err = ErTypeMismatch;
          break;
        }
        if (p->Aux == 0 && p->I == 0) {  // nil: no procedure was ever assigned
          err = erNullPointerException;
          break;
        }
        if (p->Aux >= procs.size() || p->Aux == mainProc) {
          err = erOutOfProcRange;
          break;
        }
        const DProc& callee = procs[p->Aux];
        ip = pc;
        err = callee.External ? CallHost(callee) : CallScript(callee, pc + 1);
        if (err != ErNoError) break;
        pc = callee.External ? pc + 1 : 0;
        insts = proc->Code.data();
        continue;
      }
      case DOp::Return:
        // Without a try of this frame the return is only a release and a frame pop.
        if (!frames.empty() && (handlers.empty() || handlers.back().Depth != frames.size())) {
          const size_t frameBase = static_cast<size_t>(base);
          while (sp > frameBase)
            ValueRelease(stack[--sp]);
          const TPSFrame& frame = frames.back();
          proc = frame.Proc;
          pc = frame.Ip;
          base = frame.Base;
          frames.pop_back();
          insts = proc->Code.data();
          continue;
        }
        ip = pc;
        if (!DoReturn()) return true;
        pc = ip;
        insts = proc->Code.data();
        continue;
      case DOp::SetRef:
      case DOp::SetRefCopy: {
        TPSValue* d = ops.Raw(in->A, err);
        if (!d) break;
        if (d->Type->Base != btPointer) {
          err = ErTypeMismatch;
          break;
        }
        TPSValue ref;
        ValueInit(ref, d->Type);
        if (op == DOp::SetRef) {
          err = ops.MakeRef(in->B, ref);
        } else if (const TPSValue* s = ops.Get(in->B, err)) {
          err = TPSOperands::RefToCopy(*s, ref);
        }
        if (err != ErNoError) {
          ValueRelease(ref);
          break;
        }
        ValueRelease(*d);
        *d = ref;
        ++pc;
        continue;
      }
      case DOp::Inc:
      case DOp::Dec:
      case DOp::IncJump:
      case DOp::DecJump: {
        TPSValue* v = ops.Get(in->A, err);
        if (!v) break;
        const bool up = op == DOp::Inc || op == DOp::IncJump;
        if (IsIntType(v->Type)) {
          v->I = Wrap(v->Type, static_cast<int64_t>(static_cast<uint64_t>(v->I) + (up ? 1 : -1)));
        } else {
          err = IncValue(*v, up ? 1 : -1);
          if (err != ErNoError) break;
        }
        ++pc;
        // A fused jump: the next instruction, done here.
        if (op == DOp::Inc || op == DOp::Dec) continue;
        if (left-- == 0) {
          ++left;
          continue;
        }
        pc = in->Target;
        continue;
      }
      case DOp::StepCompare: {
        // A loop's step and its test: every operand is checked before the counter moves,
        // so that a failed check leaves the two pairs to run as themselves.
        const DInst* c = &insts[in->Target];
        TPSValue* v = ops.Get(in->A, err);
        TPSValue* d = v ? ops.Get(c->A, err) : nullptr;
        const TPSValue* l = d ? ops.Get(c->B, err) : nullptr;
        const TPSValue* r = l ? ops.Get(c->C, err) : nullptr;
        if (r && left >= 3 && c->Sub <= 17 && IsIntType(v->Type) && BothInt(l, r) &&
            IsSmallInt(d->Type->Base)) {
          const uint64_t delta = in->Sub ? 1 : ~uint64_t{0};
          v->I = Wrap(v->Type, static_cast<int64_t>(static_cast<uint64_t>(v->I) + delta));
          const bool result = CompareBy(c->Sub, l->I, r->I);
          d->I = result ? 1 : 0;
          left -= 3;
          pc = result == (c->Op == DOp::CompareJumpTrue) ? c->Target : in->Target + 2;
          continue;
        }
        err = ErNoError;
        op = in->Sub ? DOp::IncJump : DOp::DecJump;
        goto dispatch;
      }
      case DOp::Not:
      case DOp::Negate:
      case DOp::BitNot: {
        TPSValue* v = ops.Get(in->A, err);
        if (!v) break;
        err = op == DOp::Not ? NotValue(*v) : op == DOp::Negate ? NegateValue(*v) : BitNotValue(*v);
        if (err != ErNoError) break;
        ++pc;
        continue;
      }
      case DOp::TryEnter: {
        TPSHandler& h = handlers.emplace_back();
        h.Proc = proc;
        h.Base = base;
        h.StackCount = sp;
        h.Depth = frames.size();
        h.Finally = in->Try[0];
        h.Except = in->Try[1];
        h.Finally2 = in->Try[2];
        h.End = in->Try[3];
        h.Next = pc + 1;
        for (int k = 0; k < 4; ++k) {
          h.Parts[k] = in->Try[k] == kNoTarget ? kNoTarget : proc->Code[in->Try[k]].Pos;
        }
        ++pc;
        continue;
      }
      case DOp::TryEnd:
        if (handlers.empty() || handlers.back().Depth != frames.size()) {
          err = ErInternalError;
          break;
        }
        ip = pc;
        if (!TryEnd(in->Sub)) return false;
        pc = ip;
        insts = proc->Code.data();
        continue;
    }
    ip = pc;
    if (!Raise(err, errParam)) return false;
    pc = ip;
    insts = proc->Code.data();
  }
}
