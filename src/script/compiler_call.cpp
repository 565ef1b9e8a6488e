// Calls: argument lists, their checks against the parameters, and the built-ins whose
// arguments take the caller's own type (Length, Inc, SizeOf, ...).
#include <utility>

#include "script/compiler_internal.h"

namespace {

bool IsArray(const PSType* t) {
  return t && t->Kind == PSTypeKind::Array;
}

// The node of a call of proc whose arguments passed their checks.
PSExprPtr CallExpr(PSProc& proc, const PSPos& at, std::vector<PSExprPtr> args) {
  auto call = std::make_unique<PSExpr>();
  call->Kind = PSExprKind::Call;
  call->Where = at;
  call->Proc = &proc;
  call->Type = proc.Decl.Result;
  call->Args = std::move(args);
  return call;
}

}  // namespace

// call -> routine [ '(' [ expression { ',' expression } ] ')' ], standing after the name
bool PSCompileSession::ParseCall(PSProc& proc, const PSPos& at, PSExprPtr& out) {
  if (proc.Untyped == PSUntyped::SizeOf && Tk() == tkOpenParen) return ParseSizeOf(at, out);
  std::vector<PSExprPtr> args;
  size_t expected = proc.Decl.Params.size();
  if (proc.Untyped == PSUntyped::SetLength || proc.Untyped == PSUntyped::SetArrayLength) {
    expected = 2;
  } else if (proc.Untyped != PSUntyped::None) {
    expected = 1;
  }
  if (Tk() == tkOpenParen) {
    Next();
    if (Tk() == tkCloseParen) {
      Next();
    } else {
      for (;;) {
        PSExprPtr arg;
        if (!ParseArgument(proc, args.size(), arg)) return false;
        args.push_back(std::move(arg));
        if (Tk() == tkCloseParen) break;
        if (Tk() != tkComma)
          return Error(args.size() < expected ? ecCommaExpected : ecCloseRoundExpected);
        Next();
      }
      Next();
    }
  }
  if (args.size() != expected) return ErrorAt(at, ecInvalidNumberOfParameters);
  if (proc.Untyped != PSUntyped::None) return CheckUntyped(proc, at, args, out);
  for (size_t i = 0; i < args.size(); ++i) {
    if (!CheckArgument(proc.Decl.Params[i], args[i])) return false;
  }
  out = CallExpr(proc, at, std::move(args));
  FitAnyString(*out);
  SetHeight(*out);
  return true;
}

// sizeof -> SIZEOF '(' (type | expression) ')', standing on '('; the value size of the
// type is known at compile time, so the call folds to a constant.
bool PSCompileSession::ParseSizeOf(const PSPos& at, PSExprPtr& out) {
  Next();
  PSType* type = Tk() == tkIdentifier ? FindType(lex_.TokenText()) : nullptr;
  if (type) {
    Next();
  } else {
    PSExprPtr arg;
    if (!ParseExpression(arg)) return false;
    type = arg->Type;
  }
  if (!Expect(tkCloseParen, ecCloseRoundExpected)) return false;
  out = ConstExpr(at, IntConst(longInt_, PSValueSize(type)));
  return true;
}

bool PSCompileSession::CheckArgument(const PSParam& param, PSExprPtr& arg) {
  if (param.Type->OpenArray) return CheckOpenArrayArgument(param, arg);
  bool anyString = param.Type->AnyString;
  FitUntyped(*arg, param.Type);
  if (param.ByRef()) {
    if (arg->Kind != PSExprKind::Var || !arg->Assignable) {
      return ErrorAt(arg->Where, ecVariableExpected);
    }
    bool fits = SameType(param.Type, arg->Type) ||
                (anyString && (PSIsString(arg->Type) || PSIsWideText(arg->Type)));
    return fits || ErrorAt(arg->Where, ecTypeMismatch);
  }
  bool fits = CanAssign(param.Type, arg->Type) ||
              (anyString && (PSIsString(arg->Type) || PSIsChar(arg->Type) ||
                             PSIsWideText(arg->Type) || PSIsWideChar(arg->Type)));
  return fits || ErrorAt(arg->Where, ecTypeMismatch);
}

// The built-ins without a parameter list check their arguments here.
bool PSCompileSession::CheckUntyped(PSProc& proc, const PSPos& at, std::vector<PSExprPtr>& args,
                                    PSExprPtr& out) {
  bool done = false;
  if (!ArrayBuiltin(proc, at, args, out, done) || done) return !failed_;
  PSExpr& first = *args[0];
  bool byRef = false;
  bool fits = true;
  switch (proc.Untyped) {
    case PSUntyped::Length:
      if (first.Kind == PSExprKind::Const && (PSIsString(first.Type) || PSIsChar(first.Type))) {
        int64_t length = PSIsChar(first.Type) ? 1 : static_cast<int64_t>(first.Value.Str.size());
        out = ConstExpr(at, IntConst(longInt_, length));
        return true;
      }
      [[fallthrough]];
    case PSUntyped::Low:
    case PSUntyped::High:
      fits = PSIsString(first.Type) || PSIsWideText(first.Type) || IsArray(first.Type);
      break;
    case PSUntyped::Inc:
    case PSUntyped::Dec:
      byRef = true;
      fits = PSIsOrdinal(first.Type) || PSIsWideChar(first.Type);
      break;
    case PSUntyped::Assigned:  // sets and variants are never nil
      fits = !PSIsSet(first.Type) && !PSIsVariant(first.Type);
      break;
    case PSUntyped::SetLength:
      byRef = true;
      fits = PSIsString(first.Type) || PSIsWideText(first.Type) || IsArray(first.Type);
      break;
    case PSUntyped::GetArrayLength:
    case PSUntyped::SetArrayLength:
      byRef = true;
      fits = IsArray(first.Type);
      break;
    default:
      break;
  }
  if (byRef && (first.Kind != PSExprKind::Var || !first.Assignable)) {
    return ErrorAt(first.Where, ecVariableExpected);
  }
  if (!fits) return ErrorAt(first.Where, ecTypeMismatch);
  if (args.size() == 2 && !PSIsInteger(args[1]->Type)) {
    return ErrorAt(args[1]->Where, ecTypeMismatch);
  }
  out = CallExpr(proc, at, std::move(args));
  SetHeight(*out);
  return true;
}

bool PSCompileSession::CheckCondition(PSExprPtr& e) {
  if (PSIsVariant(e->Type)) {
    auto convert = std::make_unique<PSExpr>();
    convert->Kind = PSExprKind::Convert;
    convert->Type = boolean_;
    convert->Where = e->Where;
    convert->Left = std::move(e);
    SetHeight(*convert);
    e = std::move(convert);
  }
  return CheckCondition(static_cast<const PSExpr&>(*e));
}

bool PSCompileSession::CheckCondition(const PSExpr& e) {
  return PSIsBoolean(e.Type) || ErrorAt(e.Where, ecTypeMismatch);
}
