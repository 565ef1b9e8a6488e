// Arrays: dynamic and static array types, open array parameters, index selectors with
// their index variables, and the array forms of Length, Low, High and GetArrayLength.
#include <utility>

#include "script/compiler_internal.h"

bool PSCompileSession::IsStaticArray(const PSType* t) {
  return t && t->Kind == PSTypeKind::StaticArray;
}

bool PSCompileSession::IsAnyArray(const PSType* t) {
  return t && (t->Kind == PSTypeKind::Array || t->Kind == PSTypeKind::StaticArray);
}

bool PSCompileSession::SameStaticArray(const PSType* a, const PSType* b) {
  if (a == b) return true;
  if (!IsStaticArray(a) || !IsStaticArray(b)) return false;
  if (a->Low != b->Low || a->Count != b->Count) return false;
  return SameType(a->Element, b->Element) || SameStaticArray(a->Element, b->Element);
}

PSType* PSCompileSession::OpenArrayOf(PSType* element) {
  for (const auto& type : types_) {
    if (type->OpenArray && type->Element == element) return type.get();
  }
  auto type = std::make_unique<PSType>();
  type->Kind = PSTypeKind::Array;
  type->Base = btArray;
  type->Element = element;
  type->OpenArray = true;
  types_.push_back(std::move(type));
  return types_.back().get();
}

// array -> ARRAY OF (CONST | typedef)
//        | ARRAY '[' range { ',' range } ']' OF typedef
// a[1..2, 3..4] is an array of arrays, the last range innermost.
bool PSCompileSession::ParseArrayType(PSType*& out) {
  Next();
  struct Range {
    PSPos At;
    PSType* IndexType = nullptr;
    int64_t Low = 0, High = 0;
  };
  std::vector<Range> ranges;
  if (Tk() == tkOpenBracket) {
    do {
      Next();
      Range range{Here()};
      if (!ParseArrayRange(range.IndexType, range.Low, range.High)) return false;
      ranges.push_back(range);
    } while (Tk() == tkComma);
    if (!Expect(tkCloseBracket, ecCloseBlockExpected)) return false;
  } else if (Tk() != tkOf) {
    return Error(ecOpenBlockExpected);
  }
  if (!Expect(tkOf, ecOfExpected)) return false;
  PSType* element = FindType("VARIANT");
  if (Tk() == tkConst && ranges.empty()) {
    Next();
  } else if (!ParseTypeDef("", element)) {
    return false;
  }
  if (ranges.empty()) {
    out = ArrayOf(element);
    return true;
  }
  for (size_t i = ranges.size(); i-- > 0;) {
    const Range& r = ranges[i];
    if (!MakeStaticArray(r.At, r.IndexType, r.Low, r.High, element, element)) return false;
  }
  out = element;
  return true;
}

// range -> constexpr '..' constexpr | ordinal-type-name
// The bounds are integers, characters or values of one enumeration.
bool PSCompileSession::ParseArrayRange(PSType*& indexType, int64_t& low, int64_t& high) {
  PSType* named = Tk() == tkIdentifier ? FindType(lex_.TokenText()) : nullptr;
  if (named) {
    if (named->Kind != PSTypeKind::Enum && !PSIsChar(named) && named->Base != btU8) {
      return Error(ecTypeMismatch);
    }
    Next();
    indexType = named->Kind == PSTypeKind::Enum || PSIsChar(named) ? named : longInt_;
    low = 0;
    high = named->Kind == PSTypeKind::Enum ? named->EnumHigh : 255;
    return true;
  }
  PSConst first, last;
  if (!ParseConstExpression(first)) return false;
  if (!Expect(tkRange, ecTypeMismatch)) return false;
  PSPos at = Here();
  if (!ParseConstExpression(last)) return false;
  bool ordinal = PSIsOrdinal(first.Type) && PSIsOrdinal(last.Type);
  if (!ordinal || !CanCompare(first.Type, last.Type)) return ErrorAt(at, ecTypeMismatch);
  indexType = PSIsInteger(first.Type) ? longInt_ : first.Type;
  low = first.Int;
  high = last.Int;
  return true;
}

// The bounds must fit a 32-bit low bound and the element count a container entry.
bool PSCompileSession::MakeStaticArray(const PSPos& at, PSType* indexType, int64_t low,
                                       int64_t high, PSType* element, PSType*& out) {
  if (high < low || low < INT32_MIN || low > INT32_MAX) return ErrorAt(at, ecTypeMismatch);
  uint64_t count = static_cast<uint64_t>(high) - static_cast<uint64_t>(low) + 1;
  if (count >= kStaticArrayCountLimit || count * PSValueSize(element) > kMaxValueSize) {
    return ErrorAt(at, ecCustomError, "Data type too large");
  }
  auto type = std::make_unique<PSType>();
  type->Kind = PSTypeKind::StaticArray;
  type->Base = btStaticArray;
  type->Element = element;
  type->IndexType = indexType;
  type->Low = low;
  type->Count = static_cast<uint32_t>(count);
  types_.push_back(std::move(type));
  out = types_.back().get();
  return true;
}

// index -> '[' expression { ',' expression } ']'; a[i, j] is a[i][j].
bool PSCompileSession::ParseIndexSelector(PSExprPtr& e) {
  do {
    Next();
    PSExprPtr index;
    if (!ParseExpression(index)) return false;
    if (!IsAnyArray(e->Type)) return ErrorAt(index->Where, ecTypeMismatch);
    if (!AddIndex(e, std::move(index))) return false;
  } while (Tk() == tkComma);
  return Expect(tkCloseBracket, ecCloseBlockExpected);
}

// A constant index selects its element directly (when it lies in the range an element
// number can name; the executor checks the rest), any other goes through a variable.
bool PSCompileSession::AddIndex(PSExprPtr& e, PSExprPtr index) {
  PSType* array = e->Type;
  PSType* indexType = IsStaticArray(array) ? array->IndexType : longInt_;
  bool fits = PSIsInteger(indexType) ? PSIsInteger(index->Type)
                                     : SameType(indexType, index->Type) ||
                                           (PSIsChar(indexType) && PSIsChar(index->Type));
  if (!fits) return ErrorAt(index->Where, ecTypeMismatch);
  PSSelector selector;
  selector.Low = IsStaticArray(array) ? array->Low : 0;
  if (index->Kind == PSExprKind::Const && index->Value.Int >= selector.Low) {
    uint64_t number = static_cast<uint64_t>(index->Value.Int) - static_cast<uint64_t>(selector.Low);
    if (number <= INT32_MAX) {
      selector.Number = static_cast<uint32_t>(number);
      AddSelector(e, std::move(selector), array->Element);
      return true;
    }
  }
  selector.Index = std::move(index);
  AddSelector(e, std::move(selector), array->Element);
  return true;
}

// An index that is already an integer variable at a low bound of 0 is used as it is;
// any other is computed into a 64-bit temporary less the low bound.
uint32_t PSCompileSession::IndexVar(const PSSelector& selector, int& temps) {
  const PSExpr& index = *selector.Index;
  bool plain = index.Kind == PSExprKind::Var && index.Path.empty() && !index.Source;
  if (plain && selector.Low == 0 && PSIsOrdinal(index.Type) && !PSIsChar(index.Type)) {
    return index.Var;
  }
  PSOperand temp = PushTemp(int64_);
  ++temps;
  EmitInto(temp, int64_, index);
  if (selector.Low != 0) {
    Emit(TPSOpcode::Calculate);
    EmitU8(opSub);
    EmitOperand(temp);
    EmitOperand(ConstOperand(IntConst(int64_, selector.Low)));
  }
  return temp.Var;
}

// Static arrays know their bounds, so Length, Low, High and GetArrayLength fold. Inside a
// routine an open array parameter may hold a static array of any low bound: it counts
// from 0, and its length comes from GetArrayLength, which takes either kind by reference.
bool PSCompileSession::ArrayBuiltin(PSProc& proc, const PSPos& at, std::vector<PSExprPtr>& args,
                                    PSExprPtr& out, bool& done) {
  const PSType* type = args[0]->Type;
  PSUntyped kind = proc.Untyped;
  bool bound = kind == PSUntyped::Length || kind == PSUntyped::Low || kind == PSUntyped::High ||
               kind == PSUntyped::GetArrayLength;
  if (!bound || (!IsStaticArray(type) && !type->OpenArray)) {
    if (type->OpenArray && (kind == PSUntyped::SetLength || kind == PSUntyped::SetArrayLength)) {
      return ErrorAt(args[0]->Where, ecTypeMismatch);
    }
    return true;
  }
  done = true;
  PSType* index = IsStaticArray(type) ? type->IndexType : int64_;
  int64_t low = IsStaticArray(type) ? type->Low : 0;
  if (kind == PSUntyped::Low) {
    out = ConstExpr(at, IntConst(index, low));
    return true;
  }
  if (IsStaticArray(type)) {
    int64_t count = type->Count;
    out = kind == PSUntyped::High ? ConstExpr(at, IntConst(index, low + count - 1))
                                  : ConstExpr(at, IntConst(longInt_, count));
    return true;
  }
  auto call = std::make_unique<PSExpr>();
  call->Kind = PSExprKind::Call;
  call->Where = at;
  call->Proc = getArrayLength_;
  call->Type = longInt_;
  call->Args = std::move(args);
  SetHeight(*call);
  if (kind != PSUntyped::High) {
    out = std::move(call);
    return true;
  }
  return MakeBinary(at, opSub, std::move(call), ConstExpr(at, IntConst(longInt_, 1)), out);
}

// An open array parameter takes a static or dynamic array of its element type, or another
// open array parameter; a var one only a variable.
bool PSCompileSession::CheckOpenArrayArgument(const PSParam& param, PSExprPtr& arg) {
  if (param.ByRef() && (arg->Kind != PSExprKind::Var || !arg->Assignable)) {
    return ErrorAt(arg->Where, ecVariableExpected);
  }
  const PSType* element = param.Type->Element;
  bool fits = IsAnyArray(arg->Type) && (SameType(arg->Type->Element, element) ||
                                        SameStaticArray(arg->Type->Element, element));
  return fits || ErrorAt(arg->Where, ecTypeMismatch);
}

// A value argument is a copy of the array as it is: a static array stays static (so the
// routine sees its elements from 0) and a dynamic one shares its elements, as dynamic
// arrays do. An open array passed on keeps the kind it was given, so it is pushed as it
// stands rather than converted into a slot of a declared type.
void PSCompileSession::EmitOpenArrayArgument(const PSExpr& arg, bool byRef) {
  if (byRef) return EmitArgument(nullptr, arg, true);
  bool plain = arg.Kind == PSExprKind::Var && arg.Path.empty() && !arg.Source;
  if (arg.Type->OpenArray && plain) {
    PSOperand var;
    var.Var = arg.Var;
    Emit(TPSOpcode::Push);
    EmitOperand(var);
    ++depth_;
    return;
  }
  PSOperand slot = PushTemp(arg.Type);
  EmitInto(slot, arg.Type, arg);
}

bool PSCompileSession::ParseArgument(const PSProc& proc, size_t index, PSExprPtr& out) {
  bool open = proc.Untyped == PSUntyped::None && index < proc.Decl.Params.size() &&
              proc.Decl.Params[index].Type->OpenArray;
  if (open && Tk() == tkOpenBracket) {
    return ParseArrayConstructor(proc.Decl.Params[index].Type->Element, out);
  }
  return ParseExpression(out);
}

// constructor -> '[' [ expression { ',' expression } ] ']'
// Builds a dynamic array of the parameter's element type; an array of const takes values
// of any type, each held as a variant.
bool PSCompileSession::ParseArrayConstructor(PSType* element, PSExprPtr& out) {
  auto node = std::make_unique<PSExpr>();
  node->Kind = PSExprKind::ArrayOf;
  node->Type = ArrayOf(element);
  node->Where = Here();
  Next();
  for (bool more = Tk() != tkCloseBracket; more;) {
    PSExprPtr item;
    if (!ParseExpression(item)) return false;
    if (!CanAssign(element, item->Type)) return ErrorAt(item->Where, ecTypeMismatch);
    node->Args.push_back(std::move(item));
    more = Tk() == tkComma;
    if (more) Next();
  }
  if (!Expect(tkCloseBracket, ecCloseBlockExpected)) return false;
  SetHeight(*node);
  out = std::move(node);
  return true;
}

// SetArrayLength(dest, count), then every element by its number.
void PSCompileSession::EmitArrayConstructor(const PSOperand& dest, const PSExpr& e) {
  PSExpr resize;
  resize.Kind = PSExprKind::Call;
  resize.Proc = setArrayLength_;
  auto array = std::make_unique<PSExpr>();
  array->Kind = PSExprKind::Var;
  array->Type = e.Type;
  array->Var = dest.Var;
  resize.Args.push_back(std::move(array));
  resize.Args.push_back(
      ConstExpr(e.Where, IntConst(longInt_, static_cast<int64_t>(e.Args.size()))));
  EmitCall(resize);
  for (size_t i = 0; i < e.Args.size(); ++i) {
    PSOperand item;
    item.Kind = TPSOperandKind::Element;
    item.Var = dest.Var;
    item.Index = static_cast<uint32_t>(i);
    EmitAssign(item, *e.Args[i]);
  }
}
