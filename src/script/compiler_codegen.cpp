// The bytecode emitter: instructions and operands, pushes and pops with the stack depth
// tracked at every instruction, forward jumps patched when their target is known, the code
// of expressions and calls, and the container written at the end of a compile.
#include <utility>

#include "data/byte_io.h"
#include "script/compiler_internal.h"

void PSCompileSession::Emit(TPSOpcode op) {
  *code_ += static_cast<char>(op);
}

void PSCompileSession::EmitU8(uint8_t v) {
  *code_ += static_cast<char>(v);
}

void PSCompileSession::EmitU32(uint32_t v) {
  for (int i = 0; i < 4; ++i)
    *code_ += static_cast<char>(v >> (8 * i));
}

void PSCompileSession::EmitOperand(const PSOperand& o) {
  EmitU8(static_cast<uint8_t>(o.Kind));
  if (o.Kind != TPSOperandKind::Const) {
    EmitU32(o.Var);
    if (o.Kind != TPSOperandKind::Var) EmitU32(o.Index);
    return;
  }
  EmitU32(TypeNo(o.Value.Type));
  TPSContainerType type;
  type.BaseType = o.Value.Type->Base;
  type.SetBits = o.Value.Type->SetBits;
  ByteWriter out;
  if (!WriteConstant(out, type, EncodeConst(o.Value))) Error(ecInternalError, "constant");
  *code_ += out.Take();
}

PSOperand PSCompileSession::PushTemp(PSType* type) {
  Emit(TPSOpcode::PushType);
  EmitU32(TypeNo(type));
  ++depth_;
  PSOperand slot;
  slot.Var = kStackVarBase + static_cast<uint32_t>(depth_);
  return slot;
}

void PSCompileSession::Pop(int count) {
  for (int i = 0; i < count; ++i)
    Emit(TPSOpcode::Pop);
  depth_ -= count;
}

PSJump PSCompileSession::EmitJump(TPSOpcode op, const PSOperand* cond) {
  Emit(op);
  PSJump jump;
  jump.At = code_->size();
  EmitU32(0);
  if (cond) EmitOperand(*cond);
  jump.End = code_->size();
  jump.Depth = depth_;
  return jump;
}

// Jump distances count from the end of the jump instruction.
void PSCompileSession::PatchTo(const PSJump& jump, size_t target) {
  auto distance =
      static_cast<uint32_t>(static_cast<int64_t>(target) - static_cast<int64_t>(jump.End));
  for (size_t i = 0; i < 4; ++i)
    (*code_)[jump.At + i] = static_cast<char>(distance >> (8 * i));
}

void PSCompileSession::PatchHere(const PSJump& jump) {
  CheckDepth(jump.Depth);
  PatchTo(jump, code_->size());
}

void PSCompileSession::EmitJumpTo(TPSOpcode op, size_t target, int targetDepth,
                                  const PSOperand* cond) {
  PSJump jump = EmitJump(op, cond);
  if (jump.Depth != targetDepth) Error(ecInternalError, "stack depth");
  PatchTo(jump, target);
}

// Every path into a join point arrives with the same number of values on the stack.
void PSCompileSession::CheckDepth(int expected) {
  if (depth_ != expected) Error(ecInternalError, "stack depth");
}

void PSCompileSession::EmitCompare(uint8_t op, const PSOperand& dest, const PSOperand& left,
                                   const PSOperand& right) {
  Emit(TPSOpcode::Compare);
  EmitU8(op);
  EmitOperand(dest);
  EmitOperand(left);
  EmitOperand(right);
}

PSOperand PSCompileSession::ConstOperand(PSConst value) {
  PSOperand operand;
  operand.Kind = TPSOperandKind::Const;
  operand.Value = std::move(value);
  return operand;
}

// An operand for e: variables and constants as they are, anything else computed into a
// fresh temporary that the caller pops (temps says how many values to pop).
PSOperand PSCompileSession::Prepare(const PSExpr& e, int& temps) {
  PSOperand operand;
  temps = 0;
  if (e.Kind == PSExprKind::Const) return ConstOperand(e.Value);
  if (e.Kind == PSExprKind::Var) {
    if (!e.Path.empty() || e.Source) return SelectOperand(e, temps);
    operand.Var = e.Var;
    return operand;
  }
  temps = 1;
  if (e.Kind == PSExprKind::Zero) return PushTemp(e.Type);
  if (e.Kind == PSExprKind::Call) {
    EmitCall(e);
    operand.Var = kStackVarBase + static_cast<uint32_t>(depth_);
    return operand;
  }
  operand = PushTemp(e.Type);
  EmitComputed(operand, e);
  return operand;
}

// dest (a fresh slot of destType) := e.
void PSCompileSession::EmitInto(const PSOperand& dest, PSType* destType, const PSExpr& e) {
  bool computed =
      e.Kind != PSExprKind::Const && e.Kind != PSExprKind::Var && e.Kind != PSExprKind::Call;
  if (computed && SameType(destType, e.Type)) return EmitComputed(dest, e);
  EmitAssign(dest, e);
}

// dest := e for any destination: through a temporary unless e is a plain operand, so that
// the destination is written only once e is complete.
void PSCompileSession::EmitAssign(const PSOperand& dest, const PSExpr& e) {
  int temps = 0;
  PSOperand source = Prepare(e, temps);
  Emit(TPSOpcode::Assign);
  EmitOperand(dest);
  EmitOperand(source);
  Pop(temps);
}

// Computes e into dest, a fresh slot of e's own type.
void PSCompileSession::EmitComputed(const PSOperand& dest, const PSExpr& e) {
  int temps = 0;
  switch (e.Kind) {
    case PSExprKind::Calc: {
      EmitInto(dest, e.Type, *e.Left);
      PSOperand right = Prepare(*e.Right, temps);
      Emit(TPSOpcode::Calculate);
      EmitU8(e.Op == opIntDiv ? uint8_t{opDiv} : e.Op);  // div is the same operator as /
      EmitOperand(dest);
      EmitOperand(right);
      Pop(temps);
      return;
    }
    case PSExprKind::Compare: {
      int rightTemps = 0;
      PSOperand left = Prepare(*e.Left, temps);
      PSOperand right = Prepare(*e.Right, rightTemps);
      EmitCompare(e.Op, dest, left, right);
      Pop(rightTemps + temps);
      return;
    }
    case PSExprKind::Not:
    case PSExprKind::Negate:
      EmitInto(dest, e.Type, *e.Left);
      if (e.Kind == PSExprKind::Negate) {
        Emit(TPSOpcode::Negate);
      } else {
        // A variant's `not` is logical: a Boolean in a variant is a byte.
        bool logical = PSIsBoolean(e.Type) || PSIsVariant(e.Type);
        Emit(logical ? TPSOpcode::Not : TPSOpcode::BitNot);
      }
      EmitOperand(dest);
      return;
    case PSExprKind::AndThen:
    case PSExprKind::OrElse: {
      EmitInto(dest, e.Type, *e.Left);
      bool isAnd = e.Kind == PSExprKind::AndThen;
      PSJump skip = EmitJump(isAnd ? TPSOpcode::JumpIfFalse : TPSOpcode::JumpIfTrue, &dest);
      EmitInto(dest, e.Type, *e.Right);
      PatchHere(skip);
      return;
    }
    case PSExprKind::ArrayOf:
      return EmitArrayConstructor(dest, e);
    case PSExprKind::Zero:  // dest is fresh, so already nil
      return;
    case PSExprKind::SetBuild:
      return EmitSetBuild(dest, e);
    default:  // Convert: chr and ord assign into a slot of the other type
      EmitAssign(dest, *e.Left);
  }
}

// A call leaves its result slot on the stack (functions) and nothing else.
void PSCompileSession::EmitCall(const PSExpr& call) {
  PSProc& proc = *call.Proc;
  int start = depth_;
  PSOperand result;
  // AnyString parameters and results take the call's string kind.
  auto kind = [&call](PSType* type) {
    return type->AnyString && call.AnyKind ? call.AnyKind : type;
  };
  if (proc.Decl.Result) result = PushTemp(kind(proc.Decl.Result));
  for (size_t i = call.Args.size(); i-- > 0;) {
    const PSExpr& arg = *call.Args[i];
    if (proc.Untyped == PSUntyped::None) {
      PSParam param = proc.Decl.Params[i];
      param.Type = kind(param.Type);
      EmitArgument(&param, arg, param.ByRef());
      continue;
    }
    bool byRef = i == 0 && proc.Untyped != PSUntyped::Length && proc.Untyped != PSUntyped::Low &&
                 proc.Untyped != PSUntyped::High && proc.Untyped != PSUntyped::Assigned &&
                 proc.Untyped != PSUntyped::SizeOf;
    if (i == 1) {
      PSParam count{"COUNT", "count", longInt_, PSParamMode::Value};
      EmitArgument(&count, arg, false);
    } else {
      EmitArgument(nullptr, arg, byRef);
    }
  }
  if (proc.Decl.Result) {
    Emit(TPSOpcode::PushRef);
    EmitOperand(result);
    ++depth_;
  }
  if (call.Through) {
    PSOperand pointer;
    pointer.Var = call.Through->Var;
    Emit(TPSOpcode::CallPtr);
    EmitOperand(pointer);
  } else {
    Emit(TPSOpcode::Call);
    EmitU32(ProcNo(proc));
  }
  Pop(depth_ - start - (proc.Decl.Result ? 1 : 0));
}

// A by-reference argument is a reference slot set to the variable; a value argument a
// slot of the parameter's type (or, without a parameter, of the argument's own type).
void PSCompileSession::EmitArgument(const PSParam* param, const PSExpr& arg, bool byRef) {
  if (param && param->Type->OpenArray) return EmitOpenArrayArgument(arg, byRef);
  if (byRef) {
    PSOperand slot = PushTemp(pointer_);
    int temps = 0;
    PSOperand var = Prepare(arg, temps);  // a variable, perhaps with selectors
    Emit(TPSOpcode::SetRef);
    EmitOperand(slot);
    EmitOperand(var);
    Pop(temps);
    return;
  }
  PSType* type = param ? param->Type : arg.Type;
  PSOperand slot = PushTemp(type);
  EmitInto(slot, type, arg);
}

// A condition into a fresh temporary of its type, which the caller pops.
void PSCompileSession::EmitCondition(const PSExpr& cond, PSOperand& temp) {
  temp = PushTemp(cond.Type);
  EmitInto(temp, cond.Type, cond);
}

uint32_t PSCompileSession::ProcNo(PSProc& proc) {
  if (proc.ContainerNo == kPSNotNumbered) {
    proc.ContainerNo = static_cast<uint32_t>(numberedProcs_.size());
    numberedProcs_.push_back(&proc);
  }
  return proc.ContainerNo;
}

void PSCompileSession::BeginCode(PSProc& proc, int depth) {
  code_ = &proc.Code;
  depth_ = depth;
  loops_.clear();
  tries_.clear();
  gotos_.clear();
}

// The end of every body returns; the return releases the locals.
void PSCompileSession::EndCode() {
  Emit(TPSOpcode::Return);
  EmitGotoStubs();
  code_ = nullptr;
}

TPSContainer PSCompileSession::BuildContainer() {
  TPSContainer c;
  for (PSProc* proc : numberedProcs_) {
    TPSContainerProc entry;
    entry.External = proc->External;
    if (proc->External) {
      entry.Name = proc->ExecName;
      entry.ImportDecl = proc->ImportDecl;
    } else {
      entry.Code = proc->Code;
      entry.ExportName = proc->Name;
      entry.ExportDecl = DeclText(*proc);
      entry.Attributes = proc->Attributes;
      if (proc->Name == "!MAIN") c.MainProc = proc->ContainerNo;
    }
    c.Procs.push_back(std::move(entry));
  }
  for (const PSVar& var : globals_) {
    c.Vars.push_back({TypeNo(var.Type), var.Name});
  }
  for (const PSType* type : usedTypes_) {
    TPSContainerType entry;
    entry.BaseType = type->Base;
    if (type->Element) entry.ElementType = type->Element->ContainerNo;
    FillContainerType(*type, entry);
    entry.Attributes = type->Attributes;
    entry.SetBits = type->SetBits;
    if (type->Signature) entry.Declaration = PSProcTypeDeclaration(*type);
    c.Types.push_back(std::move(entry));
  }
  return c;
}
