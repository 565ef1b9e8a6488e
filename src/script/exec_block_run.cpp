// Running blocks: the integer form, the numeric form with floats in their own precision,
// and the general form on whole values; each answers false, with nothing changed, when the
// block's instructions must run one by one.
#include <cstring>

#include "script/exec_block.h"
#include "script/exec_operands.h"

namespace {

// dest := src for a block's assignment or store, converting; false when it fails.
static bool BlockAssign(TPSValue& dest, const TPSValue& src) {
  if (BothInt(&dest, &src)) {
    dest.I = Wrap(dest.Type, src.I);
    return true;
  }
  return AssignValue(dest, src) == ErNoError;
}

// dest op= src for a block's calculation; false when it fails.
static bool BlockCalc(TPSValue& dest, uint8_t op, const TPSValue& src) {
  if (op <= 2 && BothInt(&dest, &src)) {
    const uint64_t a = static_cast<uint64_t>(dest.I);
    const uint64_t b = static_cast<uint64_t>(Wrap(dest.Type, src.I));
    const uint64_t r = op == 0 ? a + b : op == 1 ? a - b : a * b;
    dest.I = Wrap(dest.Type, static_cast<int64_t>(r));
    return true;
  }
  if (dest.Type->Base == btDouble && src.Type->Base == btDouble && op <= 3 &&
      (op != 3 || src.F64 != 0)) {
    const double a = dest.F64, b = src.F64;
    dest.F64 = op == 0 ? a + b : op == 1 ? a - b : op == 2 ? a * b : a / b;
    return true;
  }
  return CalcValue(dest, op, src) == ErNoError;
}

// The arithmetic of an integer step from Move to Other on its operands y (the first) and x
// (the second, for two-operand steps), both cut to the step's width; false when a division
// fails.
[[gnu::always_inline]] static inline bool IntArith(const IStep& s, uint64_t x, uint64_t y,
                                                   int64_t& out) {
  switch (s.Op) {
    case IOp::Move:
      out = static_cast<int64_t>(y);
      return true;
    case IOp::Add:
      out = WrapStep(s, static_cast<int64_t>(x + y));
      return true;
    case IOp::Sub:
      out = WrapStep(s, static_cast<int64_t>(x - y));
      return true;
    case IOp::Mul:
      out = WrapStep(s, static_cast<int64_t>(x * y));
      return true;
    case IOp::Div:
    case IOp::Mod: {
      const int64_t sx = static_cast<int64_t>(x), sy = static_cast<int64_t>(y);
      if (sy == 0) return false;
      if (sy == -1) {
        out = s.Op == IOp::Div ? WrapStep(s, static_cast<int64_t>(0 - x)) : 0;
      } else {
        out = WrapStep(s, s.Op == IOp::Div ? sx / sy : sx % sy);
      }
      return true;
    }
    default:
      return PSIntegerOperation(s.Sub, static_cast<int64_t>(x), static_cast<int64_t>(y),
                                s.Type->Base, out) == ErNoError;
  }
}

// The 32-bit signed division of a step, whose operands fit in 32 bits; false on 0.
[[gnu::always_inline]] static inline bool Div32(bool mod, int64_t x, int64_t y, int64_t& out) {
  const int32_t a = static_cast<int32_t>(x), b = static_cast<int32_t>(y);
  if (b == 0) return false;
  if (b == -1) {
    out = mod ? 0 : static_cast<int32_t>(0u - static_cast<uint32_t>(a));
  } else {
    out = mod ? a % b : a / b;
  }
  return true;
}

// The value of the integer form's file at x (a value, not a register); false when a
// stack variable does not hold an integer.
[[gnu::always_inline]] static inline bool FileValue(const TPSOperands& ops, const DBlock& b,
                                                    uint8_t x, int64_t& out) {
  const size_t k = x - kMaxBlockRegs;
  if (b.Vals[k].Kind == DKind::Const) {
    out = b.File[x];
    return true;
  }
  if (b.Slots[k]) {
    out = b.Slots[k]->I;
    return true;
  }
  TPSError err = ErNoError;
  const TPSValue* v = ops.Get(b.Vals[k], err);
  if (!v || !IsIntType(v->Type)) return false;
  out = v->I;
  return true;
}

// The integer form of the condition of an if or while: a comparison of two values whose
// result only sets the jump flag.
static bool RunCompareFlag(TPSMachine& m, const TPSOperands& ops, const DBlock& b) {
  const IStep& c = b.Nums[0];
  int64_t x, y;
  if (!FileValue(ops, b, c.XA, x) || !FileValue(ops, b, c.XB, y)) return false;
  m.jumpFlag = CompareBy(static_cast<uint8_t>(12 + c.Kind - kKGe), x, y) != (b.Nums[1].Sub != 0);
  return true;
}

// Runs a block's integer form; false, with nothing changed, when a variable does not hold
// an integer or a division fails. The registers and the values the block reads share one
// file, so that every step reads its sources the same way.
[[gnu::always_inline]] static inline bool RunIntBlock(TPSMachine& m, const TPSOperands& ops,
                                                      const DBlock& b) {
  if (b.CompareFlag) return RunCompareFlag(m, ops, b);
  TPSValue* vals[kMaxBlockVals];
  int64_t x[kMaxBlockRegs + kMaxBlockVals];
  int64_t* const r = x;
  int64_t* const v = x + kMaxBlockRegs;
  // Every register starts at 0; the constants are in place.
  std::memset(r, 0, kMaxBlockRegs * sizeof(int64_t));
  std::memcpy(v, b.File + kMaxBlockRegs, kMaxBlockVals * sizeof(int64_t));
  std::memcpy(vals, b.Slots, sizeof vals);
  TPSError err = ErNoError;
  for (uint32_t i = 0; i < b.DynCount; ++i) {
    const uint8_t k = b.Dyn[i];
    TPSValue* val = ops.Get(b.Vals[k], err);
    if (!val || !IsIntType(val->Type)) return false;
    vals[k] = val;
  }
  for (uint32_t i = 0; i < b.ReadCount; ++i) {
    const uint8_t k = b.Read[i];
    v[k] = vals[k]->I;
  }
  auto store = [&](int k, int64_t out) {
    TPSValue* val = vals[k];
    val->I = Wrap(val->Type, out);
    v[k] = val->I;
  };
  for (const IStep& s : b.IntSteps) {
    // References, so that a step reads only the sources it has.
    const int64_t &a = x[s.XA], &bb = x[s.XB];
    int64_t out;
    switch (s.Kind) {
      case kKZero:
        out = 0;
        break;
      case kKMove:
        out = WrapStep(s, a);
        break;
      case kKAdd:
        out =
            WrapStep(s, static_cast<int64_t>(static_cast<uint64_t>(bb) + static_cast<uint64_t>(a)));
        break;
      case kKSub:
        out =
            WrapStep(s, static_cast<int64_t>(static_cast<uint64_t>(bb) - static_cast<uint64_t>(a)));
        break;
      case kKMul:
        out =
            WrapStep(s, static_cast<int64_t>(static_cast<uint64_t>(bb) * static_cast<uint64_t>(a)));
        break;
      case kKAdd64:
        out = static_cast<int64_t>(static_cast<uint64_t>(bb) + static_cast<uint64_t>(a));
        break;
      case kKSub64:
        out = static_cast<int64_t>(static_cast<uint64_t>(bb) - static_cast<uint64_t>(a));
        break;
      case kKMul64:
        out = static_cast<int64_t>(static_cast<uint64_t>(bb) * static_cast<uint64_t>(a));
        break;
      case kKDiv32:
      case kKMod32:
        if (!Div32(s.Kind == kKMod32, bb, a, out)) return false;
        break;
      case kKDiv:
      case kKMod:
      case kKOther:
        if (!IntArith(s, static_cast<uint64_t>(WrapStep(s, bb)),
                      static_cast<uint64_t>(WrapStep(s, a)), out)) {
          return false;
        }
        break;
      case kKGe:
        out = a >= bb;
        break;
      case kKLe:
        out = a <= bb;
        break;
      case kKGt:
        out = a > bb;
        break;
      case kKLt:
        out = a < bb;
        break;
      case kKEq:
        out = a == bb;
        break;
      case kKNe:
        out = a != bb;
        break;
      case kKStore:
        store(s.Dst, a);
        continue;
      default:  // kKSetFlag
        m.jumpFlag = (r[s.Dst] != 0) != (s.Sub != 0);
        continue;
    }
    r[s.Dst] = out;
    if (s.StoreTo >= 0) store(s.StoreTo, out);
  }
  // Integer temporaries own nothing: each slot is a zeroed value with its number.
  TPSValue* slot = &m.stack[m.sp];
  for (uint32_t k = 0; k < b.Live; ++k) {
    slot[k] = b.LiveInit[k];
    slot[k].I = r[k];
  }
  m.sp += b.Live;
  return true;
}

// a op b in the precision F; false for a division by zero.
template <typename F>
static bool FloatStep(IOp op, F a, F b, F& out) {
  switch (op) {
    case IOp::Add:
      out = a + b;
      return true;
    case IOp::Sub:
      out = a - b;
      return true;
    case IOp::Mul:
      out = a * b;
      return true;
    default:
      if (b == 0) return false;
      out = a / b;
      return true;
  }
}

// One float register: its class says which member holds it.
union NumReg {
  float F32;
  double F64;
  long double F80;
};

// The registers and the variables of a block's numeric form.
struct NumState {
  int64_t ri[kMaxBlockRegs];
  NumReg rf[kMaxBlockRegs];
  TPSValue* vals[kMaxBlockVals];

  bool IsInt(uint8_t kind, ISrc s) const {
    return kind == kNumInt || (kind == kSrcValue && IsIntType(vals[-1 - s]->Type));
  }
  int64_t Int(uint8_t kind, ISrc s) const { return kind == kNumInt ? ri[s] : vals[-1 - s]->I; }
  // A source as a number of type F, converted as an assignment would.
  template <typename F>
  F As(uint8_t kind, ISrc s) const {
    switch (kind) {
      case kNumInt:
        return static_cast<F>(ri[s]);
      case kNumSingle:
        return static_cast<F>(rf[s].F32);
      case kNumDouble:
        return static_cast<F>(rf[s].F64);
      case kNumExtended:
        return static_cast<F>(rf[s].F80);
      default: {
        const TPSValue* v = vals[-1 - s];
        switch (v->Type->Base) {
          case btSingle:
            return static_cast<F>(v->F32);
          case btDouble:
            return static_cast<F>(v->F64);
          case btExtended:
            return static_cast<F>(v->F80);
          default:
            return static_cast<F>(v->I);
        }
      }
    }
  }
  // Stores a source into a numeric variable as an assignment would; false when the pair
  // does not convert.
  bool Store(TPSValue& v, uint8_t kind, ISrc s) const {
    if (IsIntType(v.Type)) {
      if (kind != kNumInt) return false;
      v.I = Wrap(v.Type, ri[s]);
      return true;
    }
    switch (v.Type->Base) {
      case btSingle:
        v.F32 = As<float>(kind, s);
        return true;
      case btDouble:
        v.F64 = As<double>(kind, s);
        return true;
      case btExtended:
        v.F80 = As<long double>(kind, s);
        return true;
      default:
        return false;
    }
  }
};

// One integer step; false when it fails.
[[gnu::always_inline]] static inline bool IntStep(const IStep& s, NumState& n) {
  int64_t out = 0;
  uint64_t x = 0, y = 0;
  if (s.Op >= IOp::Move && s.Op <= IOp::Other) {
    if (!n.IsInt(s.AKind, s.A)) return false;
    y = static_cast<uint64_t>(WrapStep(s, n.Int(s.AKind, s.A)));
    if (s.Op != IOp::Move) {
      if (!n.IsInt(s.BKind, s.B)) return false;
      x = static_cast<uint64_t>(WrapStep(s, n.Int(s.BKind, s.B)));
    }
  }
  switch (s.Op) {
    case IOp::Zero:
      break;
    case IOp::Move:
    case IOp::Add:
    case IOp::Sub:
    case IOp::Mul:
    case IOp::Div:
    case IOp::Mod:
    case IOp::Other:
      if (!IntArith(s, x, y, out)) return false;
      break;
    case IOp::Compare:
      if (n.IsInt(s.AKind, s.A) && n.IsInt(s.BKind, s.B)) {
        out = CompareBy(s.Sub, n.Int(s.AKind, s.A), n.Int(s.BKind, s.B)) ? 1 : 0;
      } else {
        out = CompareBy(s.Sub, n.As<long double>(s.AKind, s.A), n.As<long double>(s.BKind, s.B))
                  ? 1
                  : 0;
      }
      break;
    default:
      return false;
  }
  n.ri[s.Dst] = out;
  return s.StoreTo < 0 || n.Store(*n.vals[s.StoreTo], kNumInt, static_cast<ISrc>(s.Dst));
}

// One float step in the precision F, whose register member is reg; false when it fails.
template <typename F>
static inline bool RealStepIn(const IStep& s, NumState& n, F& reg) {
  F out = 0;
  if (s.Op != IOp::Zero) {
    const F y = n.As<F>(s.AKind, s.A);
    if (s.Op == IOp::Move) {
      out = y;
    } else if (!FloatStep<F>(s.Op, n.As<F>(s.BKind, s.B), y, out)) {
      return false;
    }
  }
  reg = out;
  return s.StoreTo < 0 || n.Store(*n.vals[s.StoreTo], s.Cls, static_cast<ISrc>(s.Dst));
}

// One float step; false when it fails.
[[gnu::always_inline]] static inline bool RealStep(const IStep& s, NumState& n) {
  NumReg& r = n.rf[s.Dst];
  return s.Cls == kNumDouble   ? RealStepIn<double>(s, n, r.F64)
         : s.Cls == kNumSingle ? RealStepIn<float>(s, n, r.F32)
                               : RealStepIn<long double>(s, n, r.F80);
}

// Runs a block's numeric form; false, with nothing changed, when a variable does not hold
// a number or a step fails.
static bool RunNumBlock(TPSMachine& m, const TPSOperands& ops, const DBlock& b) {
  NumState n;
  TPSError err = ErNoError;
  for (size_t k = 0; k < b.Vals.size(); ++k) {
    TPSValue* v = b.Fixed[k] ? const_cast<TPSValue*>(b.Fixed[k]) : ops.Get(b.Vals[k], err);
    if (!v || (v->Type->Flags & (kTypeInt | kTypeFloat)) == 0) return false;
    n.vals[k] = v;
  }
  for (const IStep& s : b.Nums) {
    bool ok;
    if (s.Op == IOp::Store) {
      ok = n.Store(*n.vals[s.Dst], s.Cls, s.A);
    } else if (s.Op == IOp::SetFlag) {
      m.jumpFlag = (n.ri[s.Dst] != 0) != (s.Sub != 0);
      ok = true;
    } else {
      ok = s.Cls == kNumInt ? IntStep(s, n) : RealStep(s, n);
    }
    if (!ok) return false;
  }
  for (uint32_t k = 0; k < b.Live; ++k) {
    TPSValue& slot = m.stack[m.sp++];
    ValueInit(slot, b.LiveTypes[k]);
    NumClass cls = kNumInt;
    switch (slot.Type->Base) {
      case btSingle:
        cls = kNumSingle;
        break;
      case btDouble:
        cls = kNumDouble;
        break;
      case btExtended:
        cls = kNumExtended;
        break;
      default:
        break;
    }
    n.Store(slot, cls, static_cast<ISrc>(k));
  }
  return true;
}

}  // namespace

// Runs a block in local registers; false, with nothing changed, when its instructions
// must run one by one instead.
bool RunBlock(TPSMachine& m, const DBlock& b, uint64_t& left) {
  const TPSOperands ops(m);
  if (left < b.Count - 1 || m.sp + b.MaxRegs > m.stack.size() ||
      static_cast<int64_t>(m.sp) - m.base - 1 != static_cast<int64_t>(b.Depth)) {
    return false;
  }
  if (!b.Nums.empty() && (b.AllInt ? RunIntBlock(m, ops, b) : RunNumBlock(m, ops, b))) {
    left -= b.Count - 1;
    return true;
  }
  TPSValue regs[kMaxBlockRegs];
  TPSError err = ErNoError;
  auto arg = [&](const BArg& a) -> TPSValue* {
    return a.Reg >= 0 ? &regs[a.Reg] : ops.Get(a.Op, err);
  };
  for (const BStep& s : b.Steps) {
    TPSValue& d = regs[s.Dst];
    switch (s.Op) {
      case BOp::Init:
        ValueInit(d, s.Type);
        break;
      case BOp::Assign: {
        const TPSValue* v = arg(s.A);
        if (!v || !BlockAssign(d, *v)) return false;
        break;
      }
      case BOp::Store: {
        // Only numbers are stored here, so that the store cannot allocate.
        TPSValue* x = ops.Get(s.A.Op, err);
        if (!x || (x->Type->Flags & (kTypeInt | kTypeFloat)) == 0 || !BlockAssign(*x, d)) {
          return false;
        }
        break;
      }
      case BOp::Calc: {
        const TPSValue* v = arg(s.A);
        if (!v || !BlockCalc(d, s.Sub, *v)) return false;
        break;
      }
      case BOp::Compare: {
        const TPSValue* l = arg(s.A);
        const TPSValue* r = l ? arg(s.B) : nullptr;
        if (!r || !IsIntType(d.Type)) return false;
        bool result;
        if (s.Sub <= 17 && BothInt(l, r)) {
          result = CompareBy(s.Sub, l->I, r->I);
        } else if (CompareValues(s.Sub, *l, *r, result) != ErNoError) {
          return false;
        }
        d.I = result ? 1 : 0;
        break;
      }
      case BOp::SetFlag:
        m.jumpFlag = (d.I != 0) != (s.Sub != 0);
        break;
    }
  }
  for (uint32_t r = 0; r < b.Live; ++r)
    m.stack[m.sp++] = regs[r];
  left -= b.Count - 1;
  return true;
}
