// The instruction loop: operand resolution and the dispatch of every decoded instruction.
#include "script/exec_machine.h"

namespace {

// One instruction's view of the machine: resolves operands against the current frame.
class Operands {
 public:
  explicit Operands(TPSMachine& m) : m_(m) {}

  // The slot a frame offset names, or nil outside the live stack.
  TPSValue* Frame(int32_t off) const {
    int64_t index = m_.base + off;
    if (static_cast<uint64_t>(index) >= m_.sp) return nullptr;
    return &m_.stack[static_cast<size_t>(index)];
  }

  TPSValue* Deref(const TPSValue& ref, TPSError& err) const { return m_.Deref(ref, err); }

  // The slot of a variable, references not followed.
  TPSValue* RawVar(const DVarRef& v, TPSError& err) const {
    if (v.Ptr) return v.Ptr;
    TPSValue* slot = Frame(v.Off);
    if (!slot) err = erOutOfStackRange;
    return slot;
  }

  // The value of a variable: the target when it holds a reference.
  TPSValue* Var(const DVarRef& v, TPSError& err) const {
    TPSValue* slot = RawVar(v, err);
    if (slot && slot->Type->Base == btPointer) return Deref(*slot, err);
    return slot;
  }

  // The aggregate and element number of an element operand.
  TPSValue* Aggregate(const DOperand& o, uint64_t& n, TPSError& err) const {
    TPSValue* agg = Var(o.Var, err);
    if (!agg) return nullptr;
    n = o.Elem;
    if (o.Kind == DKind::IdxElem) {
      const TPSValue* index = Var(o.Idx, err);
      if (!index) return nullptr;
      if (!IsIntType(index->Type)) {
        err = ErTypeMismatch;
        return nullptr;
      }
      n = static_cast<uint64_t>(index->I);
    }
    TPSBaseType b = agg->Type->Base;
    if (b != btRecord && b != btStaticArray && b != btArray) {
      err = ErTypeMismatch;
      return nullptr;
    }
    if (!agg->Block || n >= agg->Block->Items.size()) {
      err = ErOutOfRange;
      return nullptr;
    }
    return agg;
  }

  // The slot an operand names, references not followed (the dest of setref).
  TPSValue* Raw(const DOperand& o, TPSError& err) const {
    if (o.Kind == DKind::Elem || o.Kind == DKind::IdxElem) {
      uint64_t n;
      TPSValue* agg = Aggregate(o, n, err);
      return agg ? &agg->Block->Items[n] : nullptr;
    }
    return RawVar(o.Var, err);
  }

  // Whether one more slot fits without growing the stack.
  bool HasRoom() const { return m_.sp < m_.stack.size(); }

  // The value an operand denotes. Plain stack variables, globals and constants are found
  // inline; elements, references and errors take the general path.
  [[gnu::always_inline]] TPSValue* Get(const DOperand& o, TPSError& err) const {
    if (o.Kind == DKind::Frame) {
      uint64_t index = static_cast<uint64_t>(m_.base + o.Var.Off);
      if (index < m_.sp) {
        TPSValue* slot = &m_.stack[index];
        if (slot->Type->Base != btPointer) return slot;
        // A var parameter or a result reference to a caller's stack variable.
        if (slot->RefKind == TPSRefKind::Stack && slot->Aux < m_.sp) return &m_.stack[slot->Aux];
      }
    } else if (o.Kind == DKind::Const ||
               (o.Kind == DKind::Global && o.Var.Ptr->Type->Base != btPointer)) {
      return o.Var.Ptr;
    }
    return GetSlow(o, err);
  }

  // Get for every kind of operand.
  [[gnu::noinline]] TPSValue* GetSlow(const DOperand& o, TPSError& err) const {
    switch (o.Kind) {
      case DKind::Const:
        return o.Var.Ptr;
      case DKind::Global:
      case DKind::Frame:
        return Var(o.Var, err);
      default:
        return Raw(o, err);
    }
  }

  // Makes ref (a fresh nil reference) refer to what an operand names: a reference operand
  // is copied, a constant is copied into a block the reference owns.
  TPSError MakeRef(const DOperand& o, TPSValue& ref) const {
    TPSError err = ErNoError;
    if (o.Kind == DKind::Const) return RefToCopy(*o.Var.Ptr, ref);
    if (o.Kind == DKind::Elem || o.Kind == DKind::IdxElem) {
      uint64_t n;
      TPSValue* agg = Aggregate(o, n, err);
      if (!agg) return err;
      ref.RefKind = TPSRefKind::Block;
      ref.Block = agg->Block;
      ++ref.Block->Refs;
      ref.Aux = static_cast<uint32_t>(n);
      return ErNoError;
    }
    TPSValue* slot = RawVar(o.Var, err);
    if (!slot) return err;
    if (slot->Type->Base == btPointer) {
      const TPSTypeRec* type = ref.Type;
      ValueCopyNew(ref, *slot);
      ref.Type = type;
    } else if (o.Var.Ptr) {
      ref.RefKind = TPSRefKind::Direct;
      ref.Boxed = slot;
    } else {
      ref.RefKind = TPSRefKind::Stack;
      ref.Aux = static_cast<uint32_t>(slot - m_.stack.data());
    }
    return ErNoError;
  }

  // Makes ref refer to a fresh copy of value, owned by the reference.
  static TPSError RefToCopy(const TPSValue& value, TPSValue& ref) {
    if (value.Type->Base == btReturnAddress) return ErTypeMismatch;
    TPSBlock* block = NewBlock(1);
    ValueCopyNew(block->Items[0], value);
    ref.RefKind = TPSRefKind::Block;
    ref.Block = block;
    ref.Aux = 0;
    return ErNoError;
  }

 private:
  TPSMachine& m_;
};

// Whether two operands are both integer kinds or Int64.
inline bool BothInt(const TPSValue* a, const TPSValue* b) {
  return (a->Type->Flags & b->Type->Flags & kTypeInt) != 0;
}

}  // namespace

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

// The integer form of x := a op b, the five instructions push T; T := a; T op= b; x := T;
// pop, done at once when the operands are integers, the operation cannot fail and the
// budget covers all five; false (nothing changed) otherwise.
static bool RunCalcStatement(const Operands& ops, const DInst* in, uint64_t& left) {
  if (left < 4 || !ops.HasRoom()) return false;
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
      if (IntOp(in[2].Sub, static_cast<int64_t>(av), static_cast<int64_t>(bv), t->Base, r) !=
          ErNoError) {
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
  Operands ops(*this);
  const DInst* insts = proc->Code.data();
  uint32_t pc = ip;
  uint64_t left = budgetLeft;
  for (;;) {
    if (left-- == 0) {
      ip = pc;
      Stop(erCustomError, "Instruction budget exceeded", TPSGuardStop::InstructionBudget);
      return false;
    }
    const DInst* in = &insts[pc];
    TPSError err = ErNoError;
    switch (in->Op) {
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
          ++pc;
          continue;
        }
        err = AssignValue(*d, *s);
        if (err != ErNoError) break;
        ++pc;
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
          uint64_t r = in->Op == DOp::CalcAddInt   ? a + b
                       : in->Op == DOp::CalcSubInt ? a - b
                                                   : a * b;
          d->I = Wrap(d->Type, static_cast<int64_t>(r));
          ++pc;
          continue;
        }
        err = CalcValue(*d, in->Sub, *s);
        if (err != ErNoError) break;
        ++pc;
        continue;
      }
      case DOp::Calc: {
        TPSValue* d = ops.Get(in->A, err);
        const TPSValue* s = d ? ops.Get(in->B, err) : nullptr;
        if (!s) break;
        err = CalcValue(*d, in->Sub, *s);
        if (err != ErNoError) break;
        ++pc;
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
        if (in->Op == DOp::CompareInt || in->Op == DOp::Compare) continue;
        if (left-- == 0 || !IsSmallInt(d->Type->Base)) {
          ++left;  // the second instruction runs as itself and charges its own count
          continue;
        }
        if (in->Op == DOp::CompareSetFlag) {
          jumpFlag = result != (in->Sub2 != 0);
          ++pc;
        } else {
          pc = result == (in->Op == DOp::CompareJumpTrue) ? in->Target : pc + 1;
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
        pc = ((c->I != 0) == (in->Op == DOp::JumpIfTrue)) ? in->Target : pc + 1;
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
      case DOp::PushRef: {
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
        continue;
      }
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
        if (in->Op == DOp::PushType || left-- == 0) {
          left += in->Op != DOp::PushType;
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
        if (in->Op == DOp::Pop) continue;
        if (left-- == 0) {
          ++left;
          continue;
        }
        pc = jumpFlag ? in->Target : pc + 1;
        continue;
      case DOp::PopJump:
      case DOp::Pop2Jump:
        err = PopChecked(*this);
        if (err == ErNoError && in->Op == DOp::Pop2Jump) err = PopChecked(*this);
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
        if (in->Op == DOp::SetRef) {
          err = ops.MakeRef(in->B, ref);
        } else if (const TPSValue* s = ops.Get(in->B, err)) {
          err = Operands::RefToCopy(*s, ref);
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
        const bool up = in->Op == DOp::Inc || in->Op == DOp::IncJump;
        if (IsIntType(v->Type)) {
          v->I = Wrap(v->Type, static_cast<int64_t>(static_cast<uint64_t>(v->I) + (up ? 1 : -1)));
        } else {
          err = IncValue(*v, up ? 1 : -1);
          if (err != ErNoError) break;
        }
        ++pc;
        // A fused jump: the next instruction, done here.
        if (in->Op == DOp::Inc || in->Op == DOp::Dec) continue;
        if (left-- == 0) {
          ++left;
          continue;
        }
        pc = in->Target;
        continue;
      }
      case DOp::Not:
      case DOp::Negate:
      case DOp::BitNot: {
        TPSValue* v = ops.Get(in->A, err);
        if (!v) break;
        err = in->Op == DOp::Not      ? NotValue(*v)
              : in->Op == DOp::Negate ? NegateValue(*v)
                                      : BitNotValue(*v);
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
