// Sets: `set of T` for enumerations, Char and Byte, set constructors with constant and
// computed elements and ranges, the set operators + - *, comparison and `in`.
//
// Every set counts its elements from 0: bit n stands for the element of ordinal n. The
// constant part of a constructor is folded into one set constant; each computed element
// is added with a calculate `+` of the element itself, which the executor takes as
// "include", and a computed range with a short loop over its (clamped) bounds.
#include <algorithm>
#include <tuple>
#include <utility>

#include "script/compiler_internal.h"

bool PSIsSet(const PSType* t) {
  return t && t->Kind == PSTypeKind::Set;
}

namespace {

// The bytes of a set of bits elements.
size_t SetBytes(uint32_t bits) {
  return (size_t{bits} + 7) / 8;
}

// Whether element may be in a set whose elements are of type key.
bool FitsElement(const PSType* key, const PSType* element) {
  if (!key || PSIsVariant(element)) return true;  // a variant is checked at run time
  if (PSIsChar(key)) return PSIsChar(element);
  if (key->Kind == PSTypeKind::Enum) return element == key;
  return PSIsInteger(element);
}

// The operators of two sets and their result: the set itself or a Boolean.
bool SetOperator(uint8_t op, bool& compare) {
  compare = op == opEqual || op == opNotEqual || op == opLessEqual || op == opGreaterEqual;
  return compare || op == opAdd || op == opSub || op == opMul;
}

}  // namespace

PSType* PSCompileSession::SetOf(PSType* element) {
  for (const auto& type : types_) {
    if (type->Kind == PSTypeKind::Set && type->SetElement == element) return type.get();
  }
  PSType* type = AddType("", btSet, PSTypeKind::Set);
  type->SetElement = element;
  if (!element) return type;
  type->SetBits = element->Kind == PSTypeKind::Enum ? static_cast<uint32_t>(element->EnumHigh) + 1
                                                    : kMaxSetBits;
  return type;
}

// settype -> SET OF typeref, the type an enumeration of at most 256 values, Char or Byte
bool PSCompileSession::ParseSetType(PSType*& out) {
  Next();
  if (!Expect(tkOf, ecOfExpected)) return false;
  PSPos at = Here();
  PSType* element = nullptr;
  if (!ParseTypeRef(element)) return false;
  if (element == byte_ || PSIsChar(element)) {
    out = SetOf(element);
    return true;
  }
  if (element->Kind != PSTypeKind::Enum || element->EnumHigh >= kMaxSetBits) {
    return ErrorAt(at, ecTypeMismatch);
  }
  out = SetOf(element);
  return true;
}

// setcons -> '[' [ element { ',' element } ] ']'
bool PSCompileSession::ParseSetConstructor(PSExprPtr& out) {
  PSPos at = Here();
  Next();
  PSType* key = nullptr;
  std::string bits(kMaxSetBits / 8, '\0');
  auto build = std::make_unique<PSExpr>();
  build->Kind = PSExprKind::SetBuild;
  build->Where = at;
  while (Tk() != tkCloseBracket) {
    if (!ParseSetElement(key, bits, *build)) return false;
    if (Tk() == tkCloseBracket) break;
    if (!Expect(tkComma, ecCloseBlockExpected)) return false;
  }
  Next();
  PSType* type = SetOf(key);
  bits.resize(SetBytes(type->SetBits));
  PSConst value{type, 0, 0, std::move(bits)};
  if (build->Elements.empty()) {
    out = ConstExpr(at, std::move(value));
    return true;
  }
  build->Type = type;
  build->Value = std::move(value);
  for (const auto& [first, last] : build->Elements) {
    build->Height = std::max({build->Height, first->Height + 1, last ? last->Height + 1 : 0});
  }
  out = std::move(build);
  return true;
}

// element -> expression [ '..' expression ]; key is the element type of the first one
bool PSCompileSession::ParseSetElement(PSType*& key, std::string& bits, PSExpr& build) {
  PSExprPtr first, last;
  for (PSExprPtr* part : {&first, &last}) {
    if (part == &last) {
      if (Tk() != tkRange) break;
      Next();
    }
    if (!ParseExpression(*part)) return false;
    PSType* type = (*part)->Type;
    bool ordinal = PSIsChar(type) || PSIsInteger(type) ||
                   (type->Kind == PSTypeKind::Enum && type->EnumHigh < kMaxSetBits);
    if (!ordinal || !FitsElement(key, type)) return ErrorAt((*part)->Where, ecTypeMismatch);
    if (!key) key = PSIsInteger(type) ? byte_ : type;
  }
  bool constant = first->Kind == PSExprKind::Const && (!last || last->Kind == PSExprKind::Const);
  if (!constant) {
    build.Elements.emplace_back(std::move(first), std::move(last));
    return true;
  }
  // Elements outside 0..255 have no bit; they are left out as the executor leaves them.
  int64_t low = std::max<int64_t>(first->Value.Int, 0);
  int64_t high = std::min<int64_t>(last ? last->Value.Int : first->Value.Int, kMaxSetBits - 1);
  for (int64_t n = low; n <= high; ++n) {
    bits[static_cast<size_t>(n / 8)] |= static_cast<char>(1 << (n % 8));
  }
  return true;
}

bool PSCompileSession::MakeSetBinary(const PSPos& at, uint8_t op, PSExprPtr& left, PSExprPtr& right,
                                     PSExprPtr& out, bool& done) {
  if (!PSIsSet(left->Type) && !PSIsSet(right->Type)) return true;
  done = true;
  bool compare = true;
  PSType* type = boolean_;
  if (op == opIn) {
    if (!PSIsSet(right->Type) || !FitsElement(right->Type->SetElement, left->Type) ||
        PSIsSet(left->Type)) {
      return ErrorAt(at, ecTypeMismatch);
    }
  } else {
    FitUntyped(*left, right->Type);
    FitUntyped(*right, left->Type);
    if (!PSIsSet(left->Type) || !PSIsSet(right->Type) ||
        left->Type->SetElement != right->Type->SetElement || !SetOperator(op, compare)) {
      return ErrorAt(at, ecTypeMismatch);
    }
    if (!compare) type = left->Type;
  }
  if (left->Kind == PSExprKind::Const && right->Kind == PSExprKind::Const) {
    const std::string& r = right->Value.Str;
    if (op == opIn) {
      uint64_t n = static_cast<uint64_t>(left->Value.Int);
      bool in = n < right->Type->SetBits && (static_cast<uint8_t>(r[n / 8]) >> (n % 8) & 1);
      out = ConstExpr(left->Where, BoolConst(in));
      return true;
    }
    std::string l = left->Value.Str;
    bool leftHasRight = true, rightHasLeft = true;
    for (size_t i = 0; i < l.size(); ++i) {
      auto a = static_cast<uint8_t>(l[i]), b = static_cast<uint8_t>(r[i]);
      leftHasRight = leftHasRight && (b & ~a) == 0;
      rightHasLeft = rightHasLeft && (a & ~b) == 0;
      l[i] = static_cast<char>(op == opAdd ? a | b : op == opSub ? a & ~b : a & b);
    }
    if (!compare) {
      out = ConstExpr(left->Where, PSConst{type, 0, 0, std::move(l)});
    } else {
      bool equal = leftHasRight && rightHasLeft;
      bool result = op == opEqual       ? equal
                    : op == opNotEqual  ? !equal
                    : op == opLessEqual ? rightHasLeft
                                        : leftHasRight;
      out = ConstExpr(left->Where, BoolConst(result));
    }
    return true;
  }
  return OperatorNode(at, compare ? PSExprKind::Compare : PSExprKind::Calc, type, op,
                      std::move(left), std::move(right), out);
}

void PSCompileSession::EmitSetBuild(const PSOperand& dest, const PSExpr& e) {
  if (e.Value.Str.find_first_not_of('\0') != std::string::npos) {
    Emit(TPSOpcode::Calculate);
    EmitU8(opAdd);
    EmitOperand(dest);
    EmitOperand(ConstOperand(e.Value));
  }
  for (const auto& [first, last] : e.Elements) {
    if (last) {
      EmitSetRange(dest, *first, *last);
      continue;
    }
    int temps = 0;
    PSOperand element = Prepare(*first, temps);
    Emit(TPSOpcode::Calculate);
    EmitU8(opAdd);
    EmitOperand(dest);
    EmitOperand(element);
    Pop(temps);
  }
}

// i := max(low, 0); h := min(high, 255); while i <= h do begin dest + i; inc(i) end
void PSCompileSession::EmitSetRange(const PSOperand& dest, const PSExpr& low, const PSExpr& high) {
  PSOperand i = PushTemp(int64_);
  EmitAssign(i, low);
  PSOperand h = PushTemp(int64_);
  EmitAssign(h, high);
  PSOperand flag = PushTemp(boolean_);
  for (auto [bound, op, limit] :
       {std::tuple{i, opLess, int64_t{0}}, std::tuple{h, opGreater, int64_t{kMaxSetBits - 1}}}) {
    PSOperand value = ConstOperand(IntConst(int64_, limit));
    EmitCompare(op, flag, bound, value);
    PSJump inRange = EmitJump(TPSOpcode::JumpIfFalse, &flag);
    Emit(TPSOpcode::Assign);
    EmitOperand(bound);
    EmitOperand(value);
    PatchHere(inRange);
  }
  size_t loop = code_->size();
  EmitCompare(opLessEqual, flag, i, h);
  PSJump done = EmitJump(TPSOpcode::JumpIfFalse, &flag);
  Emit(TPSOpcode::Calculate);
  EmitU8(opAdd);
  EmitOperand(dest);
  EmitOperand(i);
  Emit(TPSOpcode::Inc);
  EmitOperand(i);
  EmitJumpTo(TPSOpcode::Jump, loop, depth_);
  PatchHere(done);
  Pop(3);
}
