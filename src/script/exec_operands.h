// Operand resolution against the current frame, shared by the dispatch loop and the
// blocks it runs.
#pragma once

#include "script/exec_machine.h"

// One instruction's view of the machine: resolves operands against the current frame.
class TPSOperands {
 public:
  explicit TPSOperands(TPSMachine& m) : m_(m) {}

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
  // Whether a frame operand names the slot the next push makes.
  bool IsNextPush(const DOperand& o) const {
    return o.Kind == DKind::Frame && m_.base + o.Var.Off == static_cast<int64_t>(m_.sp);
  }

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
