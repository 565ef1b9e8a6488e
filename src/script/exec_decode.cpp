// Loading: the container's tables become type records, zeroed globals and bound host
// routines, and every script procedure is decoded into its internal form.
#include <cstring>
#include <map>

#include "script/exec_block.h"
#include "script/exec_machine.h"
#include "script/lexer.h"

namespace {

constexpr uint32_t kNoIndex = UINT32_MAX;

uint8_t FlagsOf(TPSBaseType base) {
  switch (base) {
    case btU8:
    case btS8:
    case btU16:
    case btS16:
    case btU32:
    case btS32:
    case btS64:
      return kTypeInt;
    case btSingle:
    case btDouble:
    case btExtended:
      return kTypeFloat;
    case btRecord:
    case btStaticArray:
    case btSet:
      return kTypeManaged | kTypeBlock;
    case btString:
    case btPChar:
    case btWideString:
    case btUnicodeString:
    case btArray:
    case btVariant:
    case btPointer:
      return kTypeManaged;
    default:
      return 0;
  }
}

uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
  return a + b < a ? UINT64_MAX : a + b;
}

uint64_t SlotsOf(const TPSTypeRec& t) {
  if (t.Base == btRecord) {
    uint64_t sum = 1;
    for (const TPSTypeRec* field : t.Fields)
      sum = SaturatingAdd(sum, field->Slots);
    return sum;
  }
  if (t.Base == btStaticArray) {
    uint64_t each = t.Element->Slots;
    if (t.Count != 0 && each > UINT64_MAX / t.Count) return UINT64_MAX;
    return SaturatingAdd(1, each * t.Count);
  }
  return 1;
}

// A constant's value bytes into a fresh value of its type.
void FillConstant(TPSValue& v, std::string_view bytes) {
  switch (v.Type->Base) {
    case btSingle:
      std::memcpy(&v.F32, bytes.data(), 4);
      break;
    case btDouble:
      std::memcpy(&v.F64, bytes.data(), 8);
      break;
    case btExtended:
      std::memcpy(&v.F80, bytes.data(), 10);
      break;
    case btString:
    case btPChar:
      SetStrValue(v, std::string(bytes));
      break;
    case btWideString:
    case btUnicodeString: {
      std::u16string text(bytes.size() / 2, u'\0');
      for (size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                        static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
      }
      if (!text.empty()) MutableWStr(v) = std::move(text);
      break;
    }
    case btSet:
      std::memcpy(v.Set, bytes.data(), std::min(bytes.size(), kSetBytes));
      break;
    case btProcPtr:
      std::memcpy(&v.Aux, bytes.data(), 4);
      v.I = 1;  // set, unlike the zeroed nil, even for procedure number 0
      break;
    default: {
      uint64_t raw = 0;
      std::memcpy(&raw, bytes.data(), std::min<size_t>(bytes.size(), 8));
      v.I = PSWrapInteger(v.Type->Base, static_cast<int64_t>(raw));
      break;
    }
  }
}

// Decodes one script procedure: runs of instructions from every reachable position.
class ProcDecoder {
 public:
  ProcDecoder(TPSMachine& m, const TPSContainer& c, DProc& proc, std::string_view code)
      : m_(m), c_(c), proc_(proc), code_(code), at_(code.size(), kNoIndex) {}

  void Decode() {
    Enqueue(0);
    while (!work_.empty() && !TooLarge()) {
      uint32_t start = work_.back();
      work_.pop_back();
      if (at_[start] == kNoIndex) DecodeRun(start);
    }
    for (auto [inst, slot, target] : patches_) {
      uint32_t index = TargetIndex(target);
      if (slot < 0) {
        proc_.Code[inst].Target = index;
      } else {
        proc_.Code[inst].Try[slot] = index;
      }
    }
    Fuse();
  }

  // Whether the decoded program has grown past its bound; decoding then stops.
  bool TooLarge() const { return m_.decodedCount > kMaxDecodedInstructions; }

 private:
  struct Patch {
    size_t Inst;
    int Slot;  // -1 for Target, else the try position
    int64_t Pos;
  };

  static bool SameVariable(const DOperand& a, const DOperand& b) {
    if (a.Kind != b.Kind) return false;
    if (a.Kind == DKind::Global) return a.Var.Ptr == b.Var.Ptr;
    return a.Kind == DKind::Frame && a.Var.Off == b.Var.Off;
  }

  // Marks pairs that run together: a compare and the conditional jump or the setflag on
  // its result, a pop and the flag jump after it, a push of a type and the assignment
  // after it, an increment and the jump after it. The second
  // instruction stays in place for the jumps that reach it; the first, fused, does both (each
  // instruction after a compare or an increment in the list is the one that follows it in the
  // code).
  // Whether an operand is a plain variable or constant other than the stack variable off.
  static bool PlainOtherThan(const DOperand& o, int32_t off) {
    return o.Kind == DKind::Global || o.Kind == DKind::Const ||
           (o.Kind == DKind::Frame && o.Var.Off != off);
  }

  // Whether code[i] starts the shape of x := a op b: push T (an integer type); T := a;
  // T op= b; x := T; pop, with a, b and x other than T.
  bool IsCalcStatement(size_t i) const {
    const std::vector<DInst>& code = proc_.Code;
    if (i + 4 >= code.size() || code[i].Op != DOp::PushTypeAssign) return false;
    if (!IsIntType(code[i].Type)) return false;
    const DInst &set = code[i + 1], &calc = code[i + 2], &store = code[i + 3];
    if (set.A.Kind != DKind::Frame) return false;
    if (code[i + 4].Op != DOp::Pop && code[i + 4].Op != DOp::Pop2) return false;
    const int32_t t = set.A.Var.Off;
    bool calcOnT = (calc.Op == DOp::Calc || calc.Op == DOp::CalcAddInt ||
                    calc.Op == DOp::CalcSubInt || calc.Op == DOp::CalcMulInt) &&
                   SameVariable(calc.A, set.A);
    bool storeT = (store.Op == DOp::Assign || store.Op == DOp::AssignInt) &&
                  SameVariable(store.B, set.A) && store.A.Kind != DKind::Const;
    return calcOnT && storeT && PlainOtherThan(set.B, t) && PlainOtherThan(calc.B, t) &&
           PlainOtherThan(store.A, t);
  }

  void Fuse() {
    std::vector<DInst>& code = proc_.Code;
    for (size_t i = 0; i + 1 < code.size(); ++i) {
      DInst& a = code[i];
      const DInst& b = code[i + 1];
      bool compare = a.Op == DOp::Compare || a.Op == DOp::CompareInt;
      if (compare && (b.Op == DOp::JumpIfTrue || b.Op == DOp::JumpIfFalse) &&
          SameVariable(a.A, b.A)) {
        a.Op = b.Op == DOp::JumpIfTrue ? DOp::CompareJumpTrue : DOp::CompareJumpFalse;
        a.Target = b.Target;
      } else if (compare && b.Op == DOp::SetFlag && SameVariable(a.A, b.A)) {
        a.Op = DOp::CompareSetFlag;
        a.Sub2 = b.Sub;
      } else if (a.Op == DOp::Pop && b.Op == DOp::JumpFlag) {
        a.Op = DOp::PopJumpFlag;
        a.Target = b.Target;
      } else if (a.Op == DOp::Pop && b.Op == DOp::Pop) {
        a.Op = DOp::Pop2;
      } else if (a.Op == DOp::PushRef && (b.Op == DOp::CallScript || b.Op == DOp::CallHost)) {
        a.Op = DOp::PushRefCall;
        a.Callee = b.Callee;
      } else if (a.Op == DOp::PushType && (b.Op == DOp::Assign || b.Op == DOp::AssignInt)) {
        a.Op = DOp::PushTypeAssign;
      } else if ((a.Op == DOp::Inc || a.Op == DOp::Dec) && b.Op == DOp::Jump) {
        a.Op = a.Op == DOp::Inc ? DOp::IncJump : DOp::DecJump;
        a.Target = b.Target;
      }
    }
    for (size_t i = 0; i < code.size(); ++i) {
      if (IsCalcStatement(i)) code[i].Op = DOp::CalcStatement;
      // A fused pop pair counts the pops in its row, up to four, to do them at once.
      if (code[i].Op == DOp::Pop2) {
        size_t n = 2;
        while (n < 4 && i + n < code.size() &&
               (code[i + n].Op == DOp::Pop || code[i + n].Op == DOp::Pop2)) {
          ++n;
        }
        code[i].Sub = static_cast<uint8_t>(n);
      }
    }
    for (size_t i = 0; i + 1 < code.size(); ++i) {
      const DOp a = code[i].Op, b = code[i + 1].Op;
      const bool store = a == DOp::Assign || a == DOp::AssignInt || a == DOp::Calc ||
                         a == DOp::CalcAddInt || a == DOp::CalcSubInt || a == DOp::CalcMulInt;
      code[i].PopAfter = store && (b == DOp::Pop || b == DOp::Pop2);
    }
    // A loop's step runs its test at once when the jump lands on a fused compare-jump.
    for (DInst& in : code) {
      if ((in.Op != DOp::IncJump && in.Op != DOp::DecJump) || in.Target >= code.size()) continue;
      const DOp test = code[in.Target].Op;
      if (test == DOp::CompareJumpTrue || test == DOp::CompareJumpFalse) {
        in.Sub = in.Op == DOp::IncJump ? 1 : 0;
        in.Op = DOp::StepCompare;
      }
    }
    // Blocks do not overlap, so that their steps take no more room than the code.
    for (size_t i = 0; i < code.size(); ++i) {
      std::unique_ptr<DBlock> block = BuildBlock(code, i);
      if (!block) continue;
      code[i].Op = DOp::Block;
      code[i].Blk = block.get();
      i = block->Next - 1;
      proc_.Blocks.push_back(std::move(block));
    }
  }

  void Enqueue(int64_t pos) {
    if (pos >= 0 && pos < static_cast<int64_t>(code_.size()) && at_[pos] == kNoIndex) {
      work_.push_back(static_cast<uint32_t>(pos));
    }
  }

  // The instruction a position names; one that lies outside the code fails when fetched.
  uint32_t TargetIndex(int64_t pos) {
    if (pos >= 0 && pos < static_cast<int64_t>(code_.size())) {
      return static_cast<uint32_t>(at_[pos]);
    }
    auto [it, fresh] = outside_.try_emplace(pos, proc_.Code.size());
    if (fresh) Emit(RaiseAt(ErOutOfRange, static_cast<uint32_t>(pos)));
    return static_cast<uint32_t>(it->second);
  }

  static DInst RaiseAt(TPSError error, uint32_t pos) {
    DInst inst;
    inst.Op = DOp::Raise;
    inst.Error = error;
    inst.Pos = pos;
    return inst;
  }

  void Emit(const DInst& inst) {
    proc_.Code.push_back(inst);
    ++m_.decodedCount;
  }

  void DecodeRun(uint32_t pos) {
    while (!TooLarge()) {
      if (pos >= code_.size()) {
        Emit(RaiseAt(ErOutOfRange, pos));
        return;
      }
      if (at_[pos] != kNoIndex) {
        DInst jump;
        jump.Op = DOp::Goto;
        jump.Pos = pos;
        jump.Target = static_cast<uint32_t>(at_[pos]);
        Emit(jump);
        return;
      }
      at_[pos] = static_cast<uint32_t>(proc_.Code.size());
      TPSInstruction in;
      TPSError error = ReadInstruction(c_, code_, pos, in);
      DInst out = error == ErNoError ? Translate(in, pos) : RaiseAt(error, pos);
      Emit(out);
      if (EndsRun(out.Op)) return;
      pos = static_cast<uint32_t>(in.End);
    }
  }

  static bool EndsRun(DOp op) {
    return op == DOp::Raise || op == DOp::Goto || op == DOp::Jump || op == DOp::Return ||
           op == DOp::PopJump || op == DOp::Pop2Jump;
  }

  // The jump target of a relative distance, patched once every run is decoded.
  void JumpTo(size_t end, uint32_t distance) {
    int64_t target = static_cast<int64_t>(end) + static_cast<int32_t>(distance);
    patches_.push_back({proc_.Code.size(), -1, target});
    Enqueue(target);
  }

  TPSError Variable(uint32_t v, DVarRef& out) {
    if (v < kGlobalVarLimit) {
      if (v >= m_.globals.size()) return erOutOfGlobalVarsRange;
      out.Ptr = &m_.globals[v];
      return ErNoError;
    }
    int64_t off = static_cast<int64_t>(v) - kStackVarBase;
    if (off < -static_cast<int64_t>(kMaxStackSlots) || off > static_cast<int64_t>(kMaxStackSlots)) {
      return erOutOfStackRange;
    }
    out.Off = static_cast<int32_t>(off);
    return ErNoError;
  }

  TPSError Operand(const TPSOperand& in, DOperand& out) {
    switch (in.Kind) {
      case TPSOperandKind::Const: {
        out.Kind = DKind::Const;
        TPSValue& v = proc_.Consts.emplace_back();
        ValueInit(v, m_.types[in.TypeNo].get());
        FillConstant(v, in.Value);
        out.Var.Ptr = &v;
        return ErNoError;
      }
      case TPSOperandKind::Var: {
        TPSError error = Variable(in.Var, out.Var);
        out.Kind = out.Var.Ptr ? DKind::Global : DKind::Frame;
        return error;
      }
      case TPSOperandKind::Element:
        out.Kind = DKind::Elem;
        out.Elem = in.Index;
        return Variable(in.Var, out.Var);
      default: {
        out.Kind = DKind::IdxElem;
        TPSError error = Variable(in.Var, out.Var);
        return error != ErNoError ? error : Variable(in.Index, out.Idx);
      }
    }
  }

  // Whether an operand may hold an integer: its type is known only for globals and
  // constants (a global reference is followed at run time, so it counts as unknown).
  static bool MaybeInt(const DOperand& o) {
    if (o.Kind != DKind::Global && o.Kind != DKind::Const) return true;
    const TPSTypeRec* t = o.Var.Ptr->Type;
    return IsIntType(t) || t->Base == btPointer;
  }

  DInst Translate(const TPSInstruction& in, uint32_t pos) {
    DInst out;
    out.Pos = pos;
    const std::string_view shape = kOpcodeInfo[static_cast<uint8_t>(in.Op)].Shape;
    DOperand* ops[3] = {&out.A, &out.B, &out.C};
    size_t n = 0;
    for (char letter : shape) {
      if (letter != 'o') continue;
      TPSError error = Operand(in.Operands[n], *ops[n]);
      if (error != ErNoError) return RaiseAt(error, pos);
      ++n;
    }
    TPSError error = Shape(in, out);
    return error == ErNoError ? out : RaiseAt(error, pos);
  }

  // Chooses the decoded kind and fills its words.
  TPSError Shape(const TPSInstruction& in, DInst& out) {
    const auto& w = in.Words;
    switch (in.Op) {
      case TPSOpcode::Assign:
        if (out.A.Kind == DKind::Const) return erInvalidOpcodeParameter;
        out.Op = MaybeInt(out.A) && MaybeInt(out.B) ? DOp::AssignInt : DOp::Assign;
        return ErNoError;
      case TPSOpcode::Calculate:
        return ShapeCalc(static_cast<uint8_t>(w[0]), out);
      case TPSOpcode::Push:
        out.Op = DOp::Push;
        return ErNoError;
      case TPSOpcode::PushRef:
        out.Op = DOp::PushRef;
        return ErNoError;
      case TPSOpcode::Pop:
        out.Op = DOp::Pop;
        return ErNoError;
      case TPSOpcode::Call:
        if (w[0] >= m_.procs.size()) return erOutOfProcRange;
        out.Callee = &m_.procs[w[0]];
        out.Op = out.Callee->External ? DOp::CallHost : DOp::CallScript;
        return ErNoError;
      case TPSOpcode::Jump:
      case TPSOpcode::JumpIfTrue:
      case TPSOpcode::JumpIfFalse:
      case TPSOpcode::JumpFlag:
      case TPSOpcode::PopJump:
      case TPSOpcode::Pop2Jump:
        out.Op = JumpKind(in.Op);
        JumpTo(in.End, w[0]);
        return ErNoError;
      case TPSOpcode::Return:
        out.Op = DOp::Return;
        return ErNoError;
      case TPSOpcode::PushType:
        if (w[0] >= m_.types.size()) return erInvalidType;
        out.Op = DOp::PushType;
        out.Type = m_.types[w[0]].get();
        return ErNoError;
      case TPSOpcode::Compare:
        return ShapeCompare(static_cast<uint8_t>(w[0]), out);
      case TPSOpcode::CallPtr:
        out.Op = DOp::CallPtr;
        return ErNoError;
      case TPSOpcode::SetFlag:
        out.Op = DOp::SetFlag;
        out.Sub = static_cast<uint8_t>(w[0]);
        return ErNoError;
      case TPSOpcode::TryEnter:
        return ShapeTry(in, out);
      case TPSOpcode::TryEnd:
        if (w[0] > 3) return erInvalidOpcodeParameter;
        out.Op = DOp::TryEnd;
        out.Sub = static_cast<uint8_t>(w[0]);
        return ErNoError;
      case TPSOpcode::Nop:
        out.Op = DOp::Nop;
        return ErNoError;
      default:
        return ShapeInPlace(in.Op, out);
    }
  }

  static DOp JumpKind(TPSOpcode op) {
    switch (op) {
      case TPSOpcode::JumpIfTrue:
        return DOp::JumpIfTrue;
      case TPSOpcode::JumpIfFalse:
        return DOp::JumpIfFalse;
      case TPSOpcode::JumpFlag:
        return DOp::JumpFlag;
      case TPSOpcode::PopJump:
        return DOp::PopJump;
      case TPSOpcode::Pop2Jump:
        return DOp::Pop2Jump;
      default:
        return DOp::Jump;
    }
  }

  // The instructions that write their first operand in place.
  static TPSError ShapeInPlace(TPSOpcode op, DInst& out) {
    if (op == TPSOpcode::Unused) return erInvalidOpcode;
    if (out.A.Kind == DKind::Const) return erInvalidOpcodeParameter;
    switch (op) {
      case TPSOpcode::SetRef:
        out.Op = DOp::SetRef;
        return ErNoError;
      case TPSOpcode::SetRefCopy:
        out.Op = DOp::SetRefCopy;
        return ErNoError;
      case TPSOpcode::Not:
        out.Op = DOp::Not;
        return ErNoError;
      case TPSOpcode::Negate:
        out.Op = DOp::Negate;
        return ErNoError;
      case TPSOpcode::BitNot:
        out.Op = DOp::BitNot;
        return ErNoError;
      case TPSOpcode::Inc:
        out.Op = DOp::Inc;
        return ErNoError;
      case TPSOpcode::Dec:
        out.Op = DOp::Dec;
        return ErNoError;
      default:
        return erInvalidOpcode;
    }
  }

  TPSError ShapeCalc(uint8_t op, DInst& out) {
    if (op > 10) return erInvalidOpcodeParameter;
    if (out.A.Kind == DKind::Const) return erInvalidOpcodeParameter;
    out.Sub = op;
    out.Op = DOp::Calc;
    if (MaybeInt(out.A) && MaybeInt(out.B)) {
      if (op == 0) out.Op = DOp::CalcAddInt;
      if (op == 1) out.Op = DOp::CalcSubInt;
      if (op == 2) out.Op = DOp::CalcMulInt;
    }
    return ErNoError;
  }

  TPSError ShapeCompare(uint8_t op, DInst& out) {
    if (op < 12 || op > 19) return erInvalidOpcodeParameter;
    if (out.A.Kind == DKind::Const) return erInvalidOpcodeParameter;
    out.Sub = op;
    bool ints = op <= 17 && MaybeInt(out.A) && MaybeInt(out.B) && MaybeInt(out.C);
    out.Op = ints ? DOp::CompareInt : DOp::Compare;
    return ErNoError;
  }

  TPSError ShapeTry(const TPSInstruction& in, DInst& out) {
    out.Op = DOp::TryEnter;
    for (int k = 0; k < 4; ++k) {
      if (in.Words[k] == kNoCodePosition) continue;
      uint64_t target = in.End + uint64_t{in.Words[k]};
      if (target > code_.size()) return ErOutOfRange;
      patches_.push_back({proc_.Code.size(), k, static_cast<int64_t>(target)});
      Enqueue(static_cast<int64_t>(target));
    }
    return ErNoError;
  }

  TPSMachine& m_;
  const TPSContainer& c_;
  DProc& proc_;
  std::string_view code_;
  std::vector<uint32_t> at_;  // instruction index of each decoded position
  std::vector<uint32_t> work_;
  std::vector<Patch> patches_;
  std::map<int64_t, size_t> outside_;
};

const TPSRoutine* FindRoutine(const std::deque<TPSRoutine>& routines, std::string_view name) {
  uint32_t hash = PSNameHash(name);
  for (auto it = routines.rbegin(); it != routines.rend(); ++it) {
    if (it->Hash == hash && it->Name == name) return &*it;
  }
  return nullptr;
}

}  // namespace

DProc::~DProc() {
  for (TPSValue& v : Consts)
    ValueRelease(v);
}

bool TPSMachine::DecodeProc(const TPSContainer& c, DProc& p, std::string_view bytes) {
  ProcDecoder decoder(*this, c, p, bytes);
  decoder.Decode();
  return !decoder.TooLarge();
}

void TPSMachine::Clear() {
  ReleaseStackTo(0);
  stack.clear();
  stack.shrink_to_fit();
  frames.clear();
  handlers.clear();
  for (TPSValue& v : globals)
    ValueRelease(v);
  globals.clear();
  procs.clear();
  types.clear();
  mainProc = kNoMainProc;
  proc = nullptr;
  status = TPSStatus::NotLoaded;
}

// The type record of entry i; the records of earlier entries exist.
std::unique_ptr<TPSTypeRec> MakeTypeRec(const TPSContainerType& ct, uint32_t i, uint32_t size,
                                        const std::vector<std::unique_ptr<TPSTypeRec>>& types) {
  auto t = std::make_unique<TPSTypeRec>();
  t->Base = ct.BaseType;
  t->Flags = FlagsOf(ct.BaseType);
  t->TypeNo = i;
  t->Size = size;
  for (uint32_t field : ct.FieldTypes)
    t->Fields.push_back(types[field].get());
  if (ct.BaseType == btArray || ct.BaseType == btStaticArray) {
    t->Element = types[ct.ElementType].get();
  }
  t->Count = ct.ElementCount;
  t->LowBound = ct.LowBound;
  t->SetBits = ct.SetBits;
  t->Slots = SlotsOf(*t);
  t->WrapShift = static_cast<uint8_t>(64 - PSIntegerBits(t->Base));
  t->WrapSigned = t->Base == btS8 || t->Base == btS16 || t->Base == btS32 || t->Base == btS64;
  return t;
}

TPSError TPSMachine::BindProcs(const TPSContainer& c) {
  procs = std::vector<DProc>(c.Procs.size());
  for (size_t i = 0; i < c.Procs.size(); ++i) {
    const TPSContainerProc& cp = c.Procs[i];
    DProc& p = procs[i];
    p.No = static_cast<uint32_t>(i);
    p.External = cp.External;
    if (!cp.External) continue;
    p.Name = cp.Name;
    p.Routine = FindRoutine(routines, cp.Name);
    if (!p.Routine) {
      param = cp.Name;
      return erCannotImport;
    }
    p.HasResult = !cp.ImportDecl.empty() && cp.ImportDecl[0] != 0;
    for (size_t k = 1; k < cp.ImportDecl.size(); ++k) {
      p.ByRef.push_back(cp.ImportDecl[k] != 0);
    }
  }
  return ErNoError;
}

// Every global is allocated at once, so their total size is bounded first.
TPSError TPSMachine::MakeGlobals(const TPSContainer& c) {
  uint64_t slots = 0;
  for (const TPSContainerVar& var : c.Vars) {
    slots = SaturatingAdd(slots, types[var.TypeNo]->Slots);
  }
  if (slots > kMaxHeapSlots) {
    guard = TPSGuardStop::MemoryBound;
    return erOutOfMemory;
  }
  globals.resize(c.Vars.size());
  for (size_t i = 0; i < c.Vars.size(); ++i) {
    ValueInit(globals[i], types[c.Vars[i].TypeNo].get());
  }
  return ErNoError;
}

TPSError TPSMachine::Load(std::string_view data) {
  Clear();
  TPSContainer c;
  TPSError error = ReadContainer(data, c, param);
  if (error != ErNoError) return error;
  std::vector<uint32_t> sizes = ValueSizes(c);
  for (uint32_t i = 0; i < c.Types.size(); ++i) {
    types.push_back(MakeTypeRec(c.Types[i], i, sizes[i], types));
  }
  error = BindProcs(c);
  if (error == ErNoError) error = MakeGlobals(c);
  if (error != ErNoError) return error;
  decodedCount = 0;
  for (size_t i = 0; i < c.Procs.size(); ++i) {
    if (!c.Procs[i].External && !DecodeProc(c, procs[i], c.Procs[i].Code)) {
      guard = TPSGuardStop::MemoryBound;
      return erOutOfMemory;
    }
  }
  mainProc = c.MainProc;
  status = TPSStatus::Loaded;
  return ErNoError;
}
