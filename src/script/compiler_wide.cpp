// Wide strings and characters: wide string constants, concatenation, indexing through
// WStrGet and WStrSet, and the string kind of the AnyString built-ins.
//
// The engine's 8-bit strings are bytes of Latin-1 text, the game's own script text; a
// wide string holds UTF-16 code units. Widening maps byte b to the character b; narrowing
// keeps characters below 256 and turns every other one into '?'. A string constant with a
// character code above 255 (#$263A) is a wide constant.
#include <utility>

#include "script/compiler_internal.h"

bool PSIsWideText(const PSType* t) {
  return t && t->Kind == PSTypeKind::Plain &&
         (t->Base == btWideString || t->Base == btUnicodeString);
}

bool PSIsWideChar(const PSType* t) {
  return t && t->Kind == PSTypeKind::Plain && t->Base == btWideChar;
}

// `+` with a wide operand and another text makes a wide string: the wide string
// operand's own kind (WideString or UnicodeString), else WideString.
PSType* PSCompileSession::WideResultType(uint8_t op, PSType* left, PSType* right) const {
  auto text = [](const PSType* t) {
    return PSIsString(t) || PSIsChar(t) || PSIsWideText(t) || PSIsWideChar(t);
  };
  bool wide =
      PSIsWideText(left) || PSIsWideText(right) || PSIsWideChar(left) || PSIsWideChar(right);
  if (op != opAdd || !wide || !text(left) || !text(right)) return nullptr;
  if (PSIsWideText(left)) return left;
  if (PSIsWideText(right)) return right;
  return wideString_;
}

// The constant holds its UTF-16 code units as little-endian byte pairs.
PSExprPtr PSCompileSession::WideConst(const PSPos& at, const std::u16string& text) {
  if (text.size() == 1) return ConstExpr(at, IntConst(wideChar_, text[0]));
  PSConst value;
  value.Type = wideString_;
  for (char16_t c : text) {
    value.Str += static_cast<char>(c & 0xFF);
    value.Str += static_cast<char>(c >> 8);
  }
  return ConstExpr(at, std::move(value));
}

namespace {

// The characters of a constant text of any kind.
std::u16string WideText(const PSConst& c) {
  if (PSIsChar(c.Type) || PSIsWideChar(c.Type))
    return std::u16string(1, static_cast<char16_t>(c.Int));
  std::u16string text;
  if (PSIsWideText(c.Type)) {
    for (size_t i = 0; i + 1 < c.Str.size(); i += 2) {
      text += static_cast<char16_t>(static_cast<uint8_t>(c.Str[i]) |
                                    static_cast<uint8_t>(c.Str[i + 1]) << 8);
    }
    return text;
  }
  for (char ch : c.Str)
    text += static_cast<char16_t>(static_cast<unsigned char>(ch));
  return text;
}

}  // namespace

bool PSCompileSession::FoldWide(uint8_t op, const PSExpr& left, const PSExpr& right,
                                PSExprPtr& out) {
  std::u16string l = WideText(left.Value), r = WideText(right.Value);
  if (op == opAdd) {
    out = WideConst(left.Where, l + r);
    return true;
  }
  bool result = op == opEqual       ? l == r
                : op == opNotEqual  ? l != r
                : op == opLess      ? l < r
                : op == opGreater   ? l > r
                : op == opLessEqual ? l <= r
                                    : l >= r;
  out = ConstExpr(left.Where, BoolConst(result));
  return true;
}

// windex -> '[' expression ']' after a wide string: WStrGet, the string by reference
// when it is a variable, else by value.
bool PSCompileSession::ParseWideIndex(PSExprPtr& var, PSExprPtr& out) {
  PSPos at = Here();
  Next();
  PSExprPtr index;
  if (!ParseExpression(index)) return false;
  if (!PSIsInteger(index->Type)) return ErrorAt(index->Where, ecTypeMismatch);
  if (!Expect(tkCloseBracket, ecCloseBlockExpected)) return false;
  PSProc* proc = wstrGet_;
  if (var->Kind != PSExprKind::Var) {
    // The same routine with a value parameter: the executor reads the value either way.
    if (!wstrGet2_) {
      signatures_.push_back(std::make_unique<PSProc>(*wstrGet_));
      wstrGet2_ = signatures_.back().get();
      wstrGet2_->Decl.Params[0].Mode = PSParamMode::Value;
      wstrGet2_->ImportDecl = ImportDeclOf(wstrGet2_->Decl);
      wstrGet2_->ContainerNo = kPSNotNumbered;
    }
    proc = wstrGet2_;
  }
  auto call = std::make_unique<PSExpr>();
  call->Kind = PSExprKind::Call;
  call->Where = at;
  call->Proc = proc;
  call->Type = wideChar_;
  call->Args.push_back(std::move(var));
  call->Args.push_back(std::move(index));
  FitAnyString(*call);
  call->Type = wideChar_;
  SetHeight(*call);
  out = std::move(call);
  return true;
}

// wassign -> variable '[' expression ']' ':=' expression, a call of WStrSet
bool PSCompileSession::ParseWideAssignment(PSExprPtr var, PSExprPtr index) {
  if (!Expect(tkAssign, ecAssignmentExpected)) return false;
  PSExprPtr value;
  if (!ParseExpression(value)) return false;
  if (!PSIsChar(value->Type) && !PSIsWideChar(value->Type)) {
    return ErrorAt(value->Where, ecTypeMismatch);
  }
  PSExpr call;
  call.Kind = PSExprKind::Call;
  call.Proc = wstrSet_;
  call.Args.push_back(std::move(value));
  call.Args.push_back(std::move(index));
  call.Args.push_back(std::move(var));
  for (size_t i = 0; i < call.Args.size(); ++i) {
    if (!CheckArgument(wstrSet_->Decl.Params[i], call.Args[i])) return false;
  }
  FitAnyString(call);
  EmitCall(call);
  return true;
}

// AnyString parameters and results take the kind of the first wide string argument
// (WideString or UnicodeString), or WideString for a WideChar; otherwise they stay
// 8-bit strings.
void PSCompileSession::FitAnyString(PSExpr& call) {
  const PSDecl& decl = call.Proc->Decl;
  PSType* kind = nullptr;
  for (size_t i = 0; i < decl.Params.size() && i < call.Args.size(); ++i) {
    PSType* type = call.Args[i]->Type;
    if (!decl.Params[i].Type->AnyString) continue;
    if (PSIsWideText(type)) {
      kind = type;
      break;
    }
    if (PSIsWideChar(type) && !kind) kind = wideString_;
  }
  if (!kind) return;
  call.AnyKind = kind;
  if (decl.Result && decl.Result->AnyString) call.Type = kind;
}
