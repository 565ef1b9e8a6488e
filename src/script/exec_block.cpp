// Finding blocks in decoded code: a run that starts with a push of a temporary, follows
// the temporaries as they are pushed, computed and popped, and ends where an instruction
// it cannot run appears or where every temporary is popped again.
#include "script/exec_block.h"

#include <algorithm>

namespace {

// Whether a temporary of this type can live in a register: plain numbers and characters,
// which own nothing.
bool RegisterType(const TPSTypeRec* t) {
  if (t->Flags & (kTypeManaged | kTypeBlock)) return false;
  if (t->Flags & (kTypeInt | kTypeFloat)) return true;
  return t->Base == btChar || t->Base == btWideChar || t->Base == btCurrency;
}

// The numeric class of a type; false for types that are not numbers.
bool NumClassOf(const TPSTypeRec* t, NumClass& out) {
  if (IsIntType(t)) {
    out = kNumInt;
    return true;
  }
  switch (t->Base) {
    case btSingle:
      out = kNumSingle;
      return true;
    case btDouble:
      out = kNumDouble;
      return true;
    case btExtended:
      out = kNumExtended;
      return true;
    default:
      return false;
  }
}

bool IsPushType(DOp op) {
  return op == DOp::PushType || op == DOp::PushTypeAssign || op == DOp::CalcStatement;
}

bool IsAssign(DOp op) {
  return op == DOp::Assign || op == DOp::AssignInt;
}

bool IsCalc(DOp op) {
  return op == DOp::Calc || op == DOp::CalcAddInt || op == DOp::CalcSubInt || op == DOp::CalcMulInt;
}

bool IsCompare(DOp op) {
  return op == DOp::Compare || op == DOp::CompareInt || op == DOp::CompareJumpTrue ||
         op == DOp::CompareJumpFalse || op == DOp::CompareSetFlag;
}

class BlockBuilder {
 public:
  BlockBuilder(const std::vector<DInst>& code, size_t start) : code_(code), start_(start) {}

  std::unique_ptr<DBlock> Build() {
    auto block = std::make_unique<DBlock>();
    block_ = block.get();
    block_->Orig = code_[start_].Op;
    size_t j = start_;
    while (j < code_.size() && Take(code_[j])) {
      ++j;
      if (live_ == 0) break;
    }
    block_->Next = static_cast<uint32_t>(j);
    if (live_ == 0 && j < code_.size() && code_[j].Op == DOp::JumpFlag) {
      block_->FlagJump = true;
      block_->Target = code_[j].Target;
      block_->Next = static_cast<uint32_t>(j + 1);
    }
    block_->Count = block_->Next - static_cast<uint32_t>(start_);
    block_->Live = live_;
    if (depth_ < 0 || block_->Count < 3) return nullptr;
    block_->Depth = static_cast<uint32_t>(depth_);
    if (!BuildNums()) {
      block_->Nums.clear();
      block_->Vals.clear();
      block_->Fixed.clear();
    }
    return block;
  }

 private:
  // Adds the step of one instruction; false when the block ends before it.
  bool Take(const DInst& in) {
    BStep step;
    if (IsPushType(in.Op)) {
      if (!RegisterType(in.Type) || live_ >= kMaxBlockRegs) return false;
      step.Op = BOp::Init;
      step.Type = in.Type;
      types_[live_] = in.Type;
      step.Dst = static_cast<uint8_t>(live_++);
      block_->MaxRegs = std::max(block_->MaxRegs, live_);
      block_->Steps.push_back(step);
      return true;
    }
    if (in.Op == DOp::Pop || in.Op == DOp::Pop2 || in.Op == DOp::PopJumpFlag) {
      if (live_ == 0) return false;
      --live_;
      return true;
    }
    if (in.Op == DOp::SetFlag) {
      int reg = Register(in.A);
      if (reg < 0 || !IsSmallInt(types_[reg]->Base)) return false;
      step.Op = BOp::SetFlag;
      step.Sub = in.Sub;
      step.Dst = static_cast<uint8_t>(reg);
      block_->Steps.push_back(step);
      return true;
    }
    // The rest can fail, so they must come before the store.
    bool assign = IsAssign(in.Op), calc = IsCalc(in.Op), compare = IsCompare(in.Op);
    if (stored_ || !(assign || calc || compare)) return false;
    if (depth_ < 0 && !FindDepth(in.A)) return false;
    int reg = Register(in.A);
    if (assign && reg < 0) {
      // A store copies a register into a variable outside the temporaries.
      int src = Register(in.B);
      if (src < 0 || !Outside(in.A)) return false;
      step.Op = BOp::Store;
      step.A.Op = in.A;
      step.Dst = static_cast<uint8_t>(src);
      stored_ = true;
      block_->Steps.push_back(step);
      return true;
    }
    if (reg < 0 || !Arg(in.B, step.A)) return false;
    if (compare && !Arg(in.C, step.B)) return false;
    step.Op = assign ? BOp::Assign : calc ? BOp::Calc : BOp::Compare;
    step.Sub = in.Sub;
    step.Dst = static_cast<uint8_t>(reg);
    block_->Steps.push_back(step);
    return true;
  }

  // The numeric form of the steps; false when some step has none.
  bool BuildNums() {
    std::vector<IStep>& ints = block_->Nums;
    for (const BStep& s : block_->Steps) {
      IStep out;
      out.Sub = s.Sub;
      out.Dst = s.Dst;
      out.Cls = regCls_[s.Dst];
      switch (s.Op) {
        case BOp::Init:
          if (!NumClassOf(s.Type, regCls_[s.Dst])) return false;
          allInt_ = allInt_ && regCls_[s.Dst] == kNumInt;
          out.Op = IOp::Zero;
          out.Cls = regCls_[s.Dst];
          out.Type = s.Type;
          regTypes_[s.Dst] = s.Type;
          break;
        case BOp::Store: {
          int v = Value(s.A.Op);
          if (v < 0) return false;
          // A store right after the step that computed its register joins that step.
          if (!ints.empty() && ints.back().Op <= IOp::Compare && ints.back().Dst == s.Dst &&
              ints.back().StoreTo < 0) {
            ints.back().StoreTo = static_cast<int8_t>(v);
            continue;
          }
          out.Op = IOp::Store;
          out.A = static_cast<ISrc>(s.Dst);
          out.Dst = static_cast<uint8_t>(v);
          break;
        }
        case BOp::Compare:
          if (s.Sub < 12 || s.Sub > 17 || regCls_[s.Dst] != kNumInt ||
              !Source(s.A, out.A, out.AKind) || !Source(s.B, out.B, out.BKind)) {
            return false;
          }
          out.Op = IOp::Compare;
          out.Type = regTypes_[s.Dst];
          // A comparison right after the zeroing of its register replaces it.
          if (!ints.empty() && ints.back().Op == IOp::Zero && ints.back().Dst == s.Dst) {
            ints.back() = out;
            continue;
          }
          break;
        case BOp::Assign:
          if (!Source(s.A, out.A, out.AKind)) return false;
          // A float never goes into an integer.
          if (regCls_[s.Dst] == kNumInt && out.AKind != kNumInt && out.AKind != kSrcValue)
            return false;
          out.Op = IOp::Move;
          out.Type = regTypes_[s.Dst];
          // A move right after the zeroing of its register replaces it.
          if (!ints.empty() && ints.back().Op == IOp::Zero && ints.back().Dst == s.Dst) {
            ints.back() = out;
            continue;
          }
          break;
        case BOp::Calc:
          if (s.Sub > (regCls_[s.Dst] == kNumInt ? 9 : 3)) return false;
          if (!Source(s.A, out.A, out.AKind)) return false;
          if (regCls_[s.Dst] == kNumInt && out.AKind != kNumInt && out.AKind != kSrcValue)
            return false;
          out.Op =
              s.Sub <= 4 ? static_cast<IOp>(static_cast<uint8_t>(IOp::Add) + s.Sub) : IOp::Other;
          out.B = static_cast<ISrc>(s.Dst);
          out.BKind = regCls_[s.Dst];
          out.Type = regTypes_[s.Dst];
          // dest := x; dest op= y becomes dest := x op y.
          if (!ints.empty() && ints.back().Op == IOp::Move && ints.back().Dst == s.Dst &&
              ints.back().StoreTo < 0 && out.A != static_cast<ISrc>(s.Dst)) {
            out.B = ints.back().A;
            out.BKind = ints.back().AKind;
            ints.back() = out;
            continue;
          }
          break;
        case BOp::SetFlag:
          out.Op = IOp::SetFlag;
          break;
      }
      ints.push_back(out);
    }
    for (IStep& step : ints) {
      if (step.Type) {
        step.Shift = step.Type->WrapShift;
        step.Signed = step.Type->WrapSigned;
      }
    }
    block_->LiveTypes.assign(regTypes_, regTypes_ + live_);
    block_->AllInt = allInt_;
    for (IStep& step : ints) {
      step.XA = FileIndex(step.A);
      step.XB = FileIndex(step.B);
    }
    if (allInt_) {
      for (IStep& step : ints)
        SetIntKind(step);
      LayOutFile();
    }
    return true;
  }

  // The integer form's start: constants go into the file at load, globals are read from
  // their slots and stack variables found at each run.
  void LayOutFile() {
    DBlock& b = *block_;
    for (size_t k = 0; k < b.Vals.size(); ++k) {
      const uint8_t index = static_cast<uint8_t>(k);
      b.Slots[k] = const_cast<TPSValue*>(b.Fixed[k]);
      if (b.Vals[k].Kind == DKind::Const) {
        b.File[kMaxBlockRegs + k] = b.Fixed[k]->I;
        continue;
      }
      if (!b.Fixed[k]) b.Dyn[b.DynCount++] = index;
      b.Read[b.ReadCount++] = index;
    }
    for (size_t k = 0; k < b.LiveTypes.size(); ++k)
      ValueInit(b.LiveInit[k], b.LiveTypes[k]);
    const std::vector<IStep>& n = b.Nums;
    b.CompareFlag = n.size() == 2 && b.Live == 0 && n[0].Kind >= kKGe && n[0].Kind <= kKNe &&
                    n[0].StoreTo < 0 && n[0].XA >= kMaxBlockRegs && n[0].XB >= kMaxBlockRegs &&
                    n[1].Kind == kKSetFlag && n[1].Dst == n[0].Dst;
    uint32_t written = 0;
    for (const IStep& step : n) {
      const uint32_t bit = 1u << step.Dst;
      if (step.Kind == kKStore || step.Kind == kKSetFlag) {
        b.IntSteps.push_back(step);
        continue;
      }
      const bool fresh = (written & bit) == 0;
      written |= bit;
      if (step.Kind == kKZero && step.StoreTo < 0 && fresh) continue;
      b.IntSteps.push_back(step);
    }
  }

  // The index of a numeric source in the integer form's file of registers and values.
  static uint8_t FileIndex(ISrc s) {
    return static_cast<uint8_t>(s >= 0 ? s : static_cast<int>(kMaxBlockRegs) - 1 - s);
  }

  // Fills a step's integer kind.
  static void SetIntKind(IStep& step) {
    const bool wide = step.Shift == 0, s32 = step.Shift == 32 && step.Signed;
    switch (step.Op) {
      case IOp::Zero:
        step.Kind = kKZero;
        break;
      case IOp::Move:
        step.Kind = kKMove;
        break;
      case IOp::Add:
        step.Kind = wide ? kKAdd64 : kKAdd;
        break;
      case IOp::Sub:
        step.Kind = wide ? kKSub64 : kKSub;
        break;
      case IOp::Mul:
        step.Kind = wide ? kKMul64 : kKMul;
        break;
      case IOp::Div:
        step.Kind = s32 ? kKDiv32 : kKDiv;
        break;
      case IOp::Mod:
        step.Kind = s32 ? kKMod32 : kKMod;
        break;
      case IOp::Other:
        step.Kind = kKOther;
        break;
      case IOp::Compare:
        step.Kind = static_cast<uint8_t>(kKGe + (step.Sub - 12));
        break;
      case IOp::Store:
        step.Kind = kKStore;
        break;
      case IOp::SetFlag:
        step.Kind = kKSetFlag;
        break;
    }
  }

  // The numeric source of a step operand and its kind.
  bool Source(const BArg& a, ISrc& out, uint8_t& kind) {
    if (a.Reg >= 0) {
      out = a.Reg;
      kind = regCls_[a.Reg];
      return true;
    }
    kind = kSrcValue;
    int v = Value(a.Op);
    out = static_cast<ISrc>(-1 - v);
    return v >= 0;
  }

  // The value index of an operand, added when new; -1 when it cannot be an integer or
  // there are too many.
  int Value(const DOperand& o) {
    const TPSValue* fixed = nullptr;
    if (o.Kind == DKind::Const || (o.Kind == DKind::Global && o.Var.Ptr->Type->Base != btPointer)) {
      // Globals keep their type while the program is loaded.
      fixed = o.Var.Ptr;
      NumClass cls;
      if (!NumClassOf(fixed->Type, cls)) return -1;
      allInt_ = allInt_ && cls == kNumInt;
    } else if (o.Kind != DKind::Frame && o.Kind != DKind::Global) {
      return -1;
    }
    std::vector<DOperand>& vals = block_->Vals;
    for (size_t k = 0; k < vals.size(); ++k) {
      if (vals[k].Kind == o.Kind && vals[k].Var.Ptr == o.Var.Ptr && vals[k].Var.Off == o.Var.Off) {
        return static_cast<int>(k);
      }
    }
    if (vals.size() >= kMaxBlockVals) return -1;
    vals.push_back(o);
    block_->Fixed.push_back(fixed);
    return static_cast<int>(vals.size() - 1);
  }

  // The stack depth below the temporaries, from the first instruction that writes the
  // newest one.
  bool FindDepth(const DOperand& dest) {
    if (dest.Kind != DKind::Frame || live_ == 0) return false;
    int64_t d = static_cast<int64_t>(dest.Var.Off) - live_;
    if (d < 0) return false;
    depth_ = d;
    return true;
  }

  // The register of a live temporary an operand names, or -1.
  int Register(const DOperand& o) const {
    if (o.Kind != DKind::Frame || depth_ < 0) return -1;
    int64_t r = static_cast<int64_t>(o.Var.Off) - depth_ - 1;
    return r >= 0 && r < static_cast<int64_t>(live_) ? static_cast<int>(r) : -1;
  }

  // Whether a variable lies below the temporaries (or is a global).
  bool BelowTemps(const DVarRef& v) const { return v.Ptr || v.Off <= depth_; }

  // Whether an operand names no temporary slot at all, live or not.
  bool Outside(const DOperand& o) const {
    switch (o.Kind) {
      case DKind::Global:
      case DKind::Const:
        return true;
      case DKind::Frame:
      case DKind::Elem:
        return BelowTemps(o.Var);
      default:
        return BelowTemps(o.Var) && BelowTemps(o.Idx);
    }
  }

  // A source operand: a live register or an operand outside the temporaries.
  bool Arg(const DOperand& o, BArg& out) const {
    int reg = Register(o);
    if (reg >= 0) {
      out.Reg = static_cast<int8_t>(reg);
      return true;
    }
    out.Op = o;
    return Outside(o);
  }

  const std::vector<DInst>& code_;
  size_t start_;
  DBlock* block_ = nullptr;
  uint32_t live_ = 0;
  int64_t depth_ = -1;
  bool stored_ = false;
  const TPSTypeRec* types_[kMaxBlockRegs] = {};
  const TPSTypeRec* regTypes_[kMaxBlockRegs] = {};
  NumClass regCls_[kMaxBlockRegs] = {};
  bool allInt_ = true;
};

}  // namespace

std::unique_ptr<DBlock> BuildBlock(const std::vector<DInst>& code, size_t i) {
  if (i >= code.size() || !IsPushType(code[i].Op)) return nullptr;
  return BlockBuilder(code, i).Build();
}
