// Expressions: parsed by binding level into trees, with constant operands folded at once
// and Boolean operators with one constant side simplified.
#include <algorithm>
#include <utility>

#include "script/compiler_internal.h"

namespace {

bool RelationalOp(TPSTokenKind kind, uint8_t& op) {
  switch (kind) {
    case tkGreaterEqual:
      op = opGreaterEqual;
      return true;
    case tkLessEqual:
      op = opLessEqual;
      return true;
    case tkGreater:
      op = opGreater;
      return true;
    case tkLess:
      op = opLess;
      return true;
    case tkEqual:
      op = opEqual;
      return true;
    case tkNotEqual:
      op = opNotEqual;
      return true;
    case tkIs:
      op = opIs;
      return true;
    case tkIn:
      op = opIn;
      return true;
    default:
      return false;
  }
}

bool AddingOp(TPSTokenKind kind, uint8_t& op) {
  switch (kind) {
    case tkPlus:
      op = opAdd;
      return true;
    case tkMinus:
      op = opSub;
      return true;
    case tkOr:
      op = opOr;
      return true;
    case tkXor:
      op = opXor;
      return true;
    default:
      return false;
  }
}

bool MultiplyingOp(TPSTokenKind kind, uint8_t& op) {
  switch (kind) {
    case tkStar:
      op = opMul;
      return true;
    case tkSlash:
      op = opDiv;
      return true;
    case tkDiv:
      op = opIntDiv;
      return true;
    case tkMod:
      op = opMod;
      return true;
    case tkAnd:
      op = opAnd;
      return true;
    case tkShl:
      op = opShl;
      return true;
    case tkShr:
      op = opShr;
      return true;
    case tkAs:
      op = opAs;
      return true;
    default:
      return false;
  }
}

}  // namespace

PSExprPtr PSCompileSession::ConstExpr(const PSPos& at, PSConst value) const {
  auto e = std::make_unique<PSExpr>();
  e->Kind = PSExprKind::Const;
  e->Type = value.Type;
  e->Where = at;
  e->Value = std::move(value);
  return e;
}

const PSSymbol* PSCompileSession::Lookup(const std::string& upperName) const {
  if (proc_) {
    if (auto found = localScope_.find(upperName); found != localScope_.end()) {
      return &found->second;
    }
  }
  auto found = globalScope_.find(upperName);
  return found == globalScope_.end() ? nullptr : &found->second;
}

// expression -> simple { relop simple }
bool PSCompileSession::ParseExpression(PSExprPtr& out) {
  if (!ParseSimpleExpression(out)) return false;
  uint8_t op = 0;
  while (RelationalOp(Tk(), op)) {
    PSPos at = Here();
    Next();
    PSExprPtr right;
    if (!ParseSimpleExpression(right)) return false;
    if (!MakeBinary(at, op, std::move(out), std::move(right), out)) return false;
  }
  return true;
}

// simple -> term { ('+' | '-' | OR | XOR) term }
bool PSCompileSession::ParseSimpleExpression(PSExprPtr& out) {
  if (!ParseTerm(out)) return false;
  uint8_t op = 0;
  while (AddingOp(Tk(), op)) {
    PSPos at = Here();
    Next();
    PSExprPtr right;
    if (!ParseTerm(right)) return false;
    if (!MakeBinary(at, op, std::move(out), std::move(right), out)) return false;
  }
  return true;
}

// term -> factor { ('*' | '/' | DIV | MOD | AND | SHL | SHR | AS) factor }
bool PSCompileSession::ParseTerm(PSExprPtr& out) {
  if (!ParseFactor(out)) return false;
  uint8_t op = 0;
  while (MultiplyingOp(Tk(), op)) {
    PSPos at = Here();
    Next();
    PSExprPtr right;
    if (!ParseFactor(right)) return false;
    if (!MakeBinary(at, op, std::move(out), std::move(right), out)) return false;
  }
  return true;
}

// Counts one more level of nesting; the caller leaves it with --nesting_.
bool PSCompileSession::Nest() {
  if (++nesting_ <= kPSMaxNesting) return true;
  --nesting_;
  return Error(ecInternalError, "nesting too deep");
}

void PSCompileSession::SetHeight(PSExpr& e) {
  int below = 0;
  for (const PSExprPtr* child : {&e.Left, &e.Right}) {
    if (*child) below = std::max(below, (*child)->Height);
  }
  for (const PSExprPtr& arg : e.Args)
    below = std::max(below, arg->Height);
  e.Height = below + 1;
}

// A factor, one level deeper in the nesting count.
bool PSCompileSession::ParseFactor(PSExprPtr& out) {
  if (!Nest()) return false;
  bool ok = ParseFactorKind(out);
  --nesting_;
  return ok;
}

// factor -> number | string | ident-factor | '(' expression ')' | (NOT | '-' | '+') factor
//         | (CHR | ORD) '(' expression ')'
bool PSCompileSession::ParseFactorKind(PSExprPtr& out) {
  switch (Tk()) {
    case tkInteger:
    case tkHexNumber:
    case tkReal:
      return ParseNumberConst(out);
    case tkString:
    case tkCharCode:
      return ParseStringConst(out);
    case tkIdentifier:
      return ParseIdentifierFactor(out);
    case tkOpenParen:
      Next();
      if (!ParseExpression(out)) return false;
      return Expect(tkCloseParen, ecCloseRoundExpected);
    case tkNot:
    case tkMinus:
    case tkPlus:
      return ParseUnary(out);
    case tkChr:
    case tkOrd:
      return ParseChrOrd(out);
    case tkOpenBracket:
      return ParseSetConstructor(out);
    case tkAt:
      return ParseAddressOf(out);
    case tkNil:
      return ParseNil(out);
    case tkEndOfText:
      return Error(ecUnexpectedEndOfFile);
    default:
      return Error(ecSyntaxError);
  }
}

// number -> integer | hexadecimal | real; integers are typed by their value
bool PSCompileSession::ParseNumberConst(PSExprPtr& out) {
  PSPos at = Here();
  const std::string& text = lex_.TokenText();
  PSConst value;
  if (Tk() == tkReal) {
    value.Type = extended_;
    value.Real = PSRealLiteralValue(text);
  } else {
    value.Int = PSIntegerLiteralValue(text);
    switch (PSIntegerLiteralType(value.Int)) {
      case TPSIntegerLiteralType::LongInt:
        value.Type = longInt_;
        break;
      case TPSIntegerLiteralType::LongWord:
        value.Type = longWord_;
        break;
      case TPSIntegerLiteralType::Int64:
        value.Type = int64_;
        break;
    }
  }
  Next();
  out = ConstExpr(at, std::move(value));
  return true;
}

// string -> (quoted | charcode) { quoted | charcode }, with nothing between the parts.
// A one-character string is a Char constant.
bool PSCompileSession::ParseStringConst(PSExprPtr& out) {
  PSPos at = Here();
  std::string text;
  std::u16string wide;  // the same characters, for a constant with codes above 255
  bool isWide = false;
  size_t end = lex_.Position();
  while (Tk() == tkString || Tk() == tkCharCode) {
    if (lex_.Position() != end) return Error(ecSyntaxError);
    if (Tk() == tkString) {
      std::string part = PSStringLiteralValue(lex_.TokenText());
      text += part;
      for (char c : part)
        wide += static_cast<char16_t>(static_cast<unsigned char>(c));
    } else {
      uint32_t code = PSCharCodeValue(lex_.TokenText());
      isWide = isWide || code > 255;
      text += static_cast<char>(code);
      wide += static_cast<char16_t>(code);
    }
    end = lex_.Position() + lex_.TokenLength();
    Next();
  }
  if (isWide) {
    out = WideConst(at, wide);
    return true;
  }
  PSConst value;
  if (text.size() == 1) {
    value = IntConst(char_, static_cast<unsigned char>(text[0]));
  } else {
    value.Type = string_;
    value.Str = std::move(text);
  }
  out = ConstExpr(at, std::move(value));
  return true;
}

// ident-factor -> (constant | variable | function [arguments] | with-field) selectors
bool PSCompileSession::ParseIdentifierFactor(PSExprPtr& out) {
  PSPos at = Here();
  std::string name = lex_.TokenText();
  if (FindWithField(name, at, out)) {
    Next();
    return ParseSelectors(out, false);
  }
  const PSSymbol* sym = Lookup(name);
  if (!sym) return Error(ecUnknownIdentifier, name);
  switch (sym->Kind) {
    case PSSymbolKind::Const:
      Next();
      out = ConstExpr(at, consts_[sym->Index]);
      return ParseSelectors(out, false);
    case PSSymbolKind::Type:
      return Error(ecTypeMismatch);
    case PSSymbolKind::Proc: {
      PSProc& proc = *procs_[sym->Index];
      Next();
      if (!ParseCall(proc, at, out)) return false;
      if (!out->Type) return ErrorAt(at, ecNoResult);
      return ParseSelectors(out, false);
    }
    default: {
      PSSymbol copy = *sym;
      if (!ParseVariable(copy, at, out)) return false;
      return ParseSelectors(out, false);
    }
  }
}

// variable -> ident (a global, local, parameter or Result); marks a global as used
bool PSCompileSession::ParseVariable(const PSSymbol& sym, const PSPos& at, PSExprPtr& out) {
  out = std::make_unique<PSExpr>();
  out->Kind = PSExprKind::Var;
  out->Where = at;
  out->Assignable = true;
  int32_t offset = 0;
  switch (sym.Kind) {
    case PSSymbolKind::GlobalVar:
      globals_[sym.Index].Used = true;
      out->Type = globals_[sym.Index].Type;
      out->Var = static_cast<uint32_t>(sym.Index);
      out->GlobalIndex = static_cast<int>(sym.Index);
      Next();
      return true;
    case PSSymbolKind::LocalVar:
      out->Type = locals_[sym.Index].Type;
      offset = static_cast<int32_t>(sym.Index) + 1;
      break;
    case PSSymbolKind::Param: {
      const PSParam& param = proc_->Decl.Params[sym.Index];
      out->Type = param.Type;
      out->Assignable = param.Mode != PSParamMode::Const;
      // A function's result reference lies between the frame base and its parameters.
      offset = -static_cast<int32_t>(sym.Index) - (proc_->Decl.Result ? 2 : 1);
      break;
    }
    default:
      out->Type = proc_->Decl.Result;
      offset = -1;
  }
  out->Var = kStackVarBase + static_cast<uint32_t>(offset);
  Next();
  return true;
}

// index -> '[' expression ']' after a string: StrGet for a variable, StrGet2 otherwise.
bool PSCompileSession::ParseStringIndex(PSExprPtr& var, PSExprPtr& out) {
  PSPos at = Here();
  if (PSIsWideText(var->Type)) return ParseWideIndex(var, out);
  if (!PSIsString(var->Type)) return Error(ecTypeMismatch);
  Next();
  PSExprPtr index;
  if (!ParseExpression(index)) return false;
  if (!PSIsInteger(index->Type)) return ErrorAt(index->Where, ecTypeMismatch);
  if (!Expect(tkCloseBracket, ecCloseBlockExpected)) return false;
  auto call = std::make_unique<PSExpr>();
  call->Kind = PSExprKind::Call;
  call->Where = at;
  call->Proc = var->Kind == PSExprKind::Var ? strGet_ : strGet2_;
  call->Type = char_;
  call->Args.push_back(std::move(var));
  call->Args.push_back(std::move(index));
  SetHeight(*call);
  out = std::move(call);
  return true;
}

// unary -> (NOT | '-' | '+') factor
bool PSCompileSession::ParseUnary(PSExprPtr& out) {
  PSPos at = Here();
  TPSTokenKind op = Tk();
  Next();
  PSExprPtr operand;
  if (!ParseFactor(operand)) return false;
  PSType* type = operand->Type;
  bool fits = op == tkNot ? PSIsBoolean(type) || PSIsInteger(type) : PSIsNumber(type);
  fits = fits || PSIsVariant(type);
  if (!fits) return ErrorAt(at, ecTypeMismatch);
  if (op == tkPlus) {
    out = std::move(operand);
    return true;
  }
  PSExprKind kind = op == tkNot ? PSExprKind::Not : PSExprKind::Negate;
  if (kind == PSExprKind::Negate && PSIsInteger(type)) type = NegatedInteger(type);
  if (operand->Kind == PSExprKind::Const) {
    PSConst folded;
    if (!FoldUnary(at, kind, operand->Value, folded)) return false;
    out = ConstExpr(at, std::move(folded));
    return true;
  }
  out = std::make_unique<PSExpr>();
  out->Kind = kind;
  out->Type = type;
  out->Where = at;
  out->Left = std::move(operand);
  SetHeight(*out);
  return true;
}

// chr-ord -> (CHR | ORD) '(' expression ')'
bool PSCompileSession::ParseChrOrd(PSExprPtr& out) {
  PSPos at = Here();
  bool chr = Tk() == tkChr;
  Next();
  if (!Expect(tkOpenParen, ecOpenRoundExpected)) return false;
  PSExprPtr operand;
  if (!ParseExpression(operand)) return false;
  if (!Expect(tkCloseParen, ecCloseRoundExpected)) return false;
  PSType* type = operand->Type;
  if (chr ? !PSIsInteger(type) : !PSIsOrdinal(type) && !PSIsWideChar(type))
    return ErrorAt(operand->Where, ecTypeMismatch);
  PSType* result = chr ? char_ : (type->Base == btS64 && PSIsInteger(type) ? int64_ : longInt_);
  if (operand->Kind == PSExprKind::Const) {
    out = ConstExpr(at, IntConst(result, operand->Value.Int));
    return true;
  }
  out = std::make_unique<PSExpr>();
  out->Kind = PSExprKind::Convert;
  out->Type = result;
  out->Where = at;
  out->Left = std::move(operand);
  SetHeight(*out);
  return true;
}

bool PSCompileSession::MakeBinary(const PSPos& at, uint8_t op, PSExprPtr left, PSExprPtr right,
                                  PSExprPtr& out) {
  bool setDone = false;
  if (!MakeSetBinary(at, op, left, right, out, setDone)) return false;
  if (setDone) return true;
  FitUntyped(*left, right->Type);
  FitUntyped(*right, left->Type);
  bool compare = op >= opGreaterEqual;
  PSType* type = boolean_;
  if (compare) {
    if (op == opIs || op == opIn || !CanCompare(left->Type, right->Type)) {
      return ErrorAt(at, ecTypeMismatch);
    }
  } else {
    type = op == opAs ? nullptr : CalcResultType(op, left->Type, right->Type);
    if (!type) return ErrorAt(at, ecTypeMismatch);
    if ((op == opAnd || op == opOr) && PSIsBoolean(type)) {
      bool done = false;
      if (!SimplifyBoolean(at, op, left, right, out, done)) return false;
      if (done) return true;
    }
  }
  bool wide = PSIsWideText(left->Type) || PSIsWideText(right->Type) || PSIsWideChar(left->Type) ||
              PSIsWideChar(right->Type);
  if (left->Kind == PSExprKind::Const && right->Kind == PSExprKind::Const && wide) {
    return FoldWide(op, *left, *right, out);
  }
  if (left->Kind == PSExprKind::Const && right->Kind == PSExprKind::Const && !wide) {
    PSConst folded;
    if (!FoldBinary(at, op, left->Value, right->Value, folded)) return false;
    out = ConstExpr(left->Where, std::move(folded));
    return true;
  }
  PSExprKind kind = compare ? PSExprKind::Compare : PSExprKind::Calc;
  if (!compare && PSIsBoolean(type) && owner_.BooleanShortCircuit && (op == opAnd || op == opOr)) {
    kind = op == opAnd ? PSExprKind::AndThen : PSExprKind::OrElse;
  }
  return OperatorNode(at, kind, type, op, std::move(left), std::move(right), out);
}

bool PSCompileSession::OperatorNode(const PSPos& at, PSExprKind kind, PSType* type, uint8_t op,
                                    PSExprPtr left, PSExprPtr right, PSExprPtr& out) {
  auto node = std::make_unique<PSExpr>();
  node->Kind = kind;
  node->Type = type;
  node->Where = left->Where;
  node->Op = op;
  node->Left = std::move(left);
  node->Right = std::move(right);
  SetHeight(*node);
  if (node->Height > kPSMaxNesting) return ErrorAt(at, ecInternalError, "nesting too deep");
  out = std::move(node);
  return true;
}

// Boolean `and`/`or` with exactly one constant side: the constant either decides the
// result or is not needed; either way a warning says so.
bool PSCompileSession::SimplifyBoolean(const PSPos& at, uint8_t op, PSExprPtr& left,
                                       PSExprPtr& right, PSExprPtr& out, bool& done) {
  bool leftConst = left->Kind == PSExprKind::Const;
  if (leftConst == (right->Kind == PSExprKind::Const)) return true;
  bool value = (leftConst ? left : right)->Value.Int != 0;
  bool isAnd = op == opAnd;
  done = true;
  if (value == isAnd) {
    // True and x, x and True, False or x, x or False: the result is x.
    std::string word = value ? "True" : "False";
    std::string opText = isAnd ? "and" : "or";
    std::string param = leftConst ? word + " " + opText : opText + " " + word;
    Warning(at, wcIsNotNeeded, "\"" + param + "\"");
    out = std::move(leftConst ? right : left);
    return true;
  }
  Warning(at, wcCalculationAlwaysEvaluatesTo, value ? "True" : "False");
  out = ConstExpr((leftConst ? left : right)->Where, BoolConst(value));
  return true;
}

// constexpr -> expression, which must fold to a constant
bool PSCompileSession::ParseConstExpression(PSConst& out) {
  PSPos at = Here();
  PSExprPtr e;
  if (!ParseExpression(e)) return false;
  if (e->Kind != PSExprKind::Const) return ErrorAt(at, ecTypeMismatch);
  out = std::move(e->Value);
  return true;
}
