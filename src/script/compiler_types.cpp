// Types: the standard type table, type declarations and references, the numbering of used
// types in the container, and the rules of assignment, operators and comparison.
#include <unordered_set>
#include <utility>

#include "data/ascii_case.h"
#include "script/compiler_internal.h"
#include "script/container.h"

bool PSIsInteger(const PSType* t) {
  if (!t || t->Kind != PSTypeKind::Plain) return false;
  return (t->Base >= btU8 && t->Base <= btS32) || t->Base == btS64;
}

bool PSIsFloat(const PSType* t) {
  if (!t || t->Kind != PSTypeKind::Plain) return false;
  return t->Base == btSingle || t->Base == btDouble || t->Base == btExtended ||
         t->Base == btCurrency;
}

bool PSIsNumber(const PSType* t) {
  return PSIsInteger(t) || PSIsFloat(t);
}

bool PSIsString(const PSType* t) {
  return t && t->Kind == PSTypeKind::Plain && (t->Base == btString || t->Base == btPChar);
}

bool PSIsChar(const PSType* t) {
  return t && t->Kind == PSTypeKind::Plain && t->Base == btChar;
}

bool PSIsBoolean(const PSType* t) {
  return t && t->BoolLike;
}

bool PSIsOrdinal(const PSType* t) {
  return PSIsInteger(t) || PSIsChar(t) || (t && t->Kind == PSTypeKind::Enum);
}

namespace {

bool IsVariant(const PSType* t) {
  return t && t->Kind == PSTypeKind::Plain && t->Base == btVariant;
}

// The code an enumeration is written as, by its number of values.
TPSBaseType EnumBase(int64_t high) {
  if (high < 256) return btU8;
  if (high < 65536) return btU16;
  return btU32;
}

}  // namespace

uint32_t PSValueSize(const PSType* t) {
  if (t->Kind == PSTypeKind::Record || t->Kind == PSTypeKind::StaticArray) {
    return static_cast<uint32_t>(PSCompileSession::AggregateSize(t));
  }
  if (t->Kind == PSTypeKind::Set) return (t->SetBits + 7) / 8;
  return BaseValueSize(t->Base);
}

PSType* PSCompileSession::AddType(std::string orgName, TPSBaseType base, PSTypeKind kind) {
  auto type = std::make_unique<PSType>();
  type->Name = UpperAscii(orgName);
  type->OrgName = std::move(orgName);
  type->Base = base;
  type->Kind = kind;
  types_.push_back(std::move(type));
  PSType* added = types_.back().get();
  if (!added->Name.empty()) globalScope_[added->Name] = {PSSymbolKind::Type, added, 0};
  return added;
}

PSType* PSCompileSession::AddEnum(std::string orgName, std::vector<std::string> values,
                                  bool boolLike) {
  PSType* type = AddType(std::move(orgName), btU8, PSTypeKind::Enum);
  type->EnumHigh = static_cast<int64_t>(values.size()) - 1;
  type->Base = EnumBase(type->EnumHigh);
  type->BoolLike = boolLike;
  auto& scope = proc_ ? localScope_ : globalScope_;
  for (size_t i = 0; i < values.size(); ++i) {
    consts_.push_back(IntConst(type, static_cast<int64_t>(i)));
    scope[UpperAscii(values[i])] = {PSSymbolKind::Const, nullptr, consts_.size() - 1};
  }
  return type;
}

void PSCompileSession::RegisterStandardTypes() {
  AddType("Byte", btU8);
  boolean_ = AddEnum("Boolean", {"False", "True"}, true);
  for (auto [name, high] :
       {std::pair{"LongBool", 2147483647}, {"WordBool", 65535}, {"ByteBool", 255}}) {
    PSType* type = AddEnum(name, {}, true);
    type->EnumHigh = high;
    type->Base = EnumBase(high);
  }
  char_ = AddType("Char", btChar);
  AddType("WideChar", btWideChar);
  AddType("WideString", btWideString);
  AddType("UnicodeString", btUnicodeString);
  string_ = AddType("String", btString);
  for (const char* alias : {"AnsiString", "NativeString", "tbtString"}) {
    globalScope_[UpperAscii(alias)] = {PSSymbolKind::Type, string_, 0};
  }
  AddType("AnyString", btString)->AnyString = true;
  AddType("ShortInt", btS8);
  AddType("Word", btU16);
  AddType("SmallInt", btS16);
  longInt_ = AddType("LongInt", btS32);
  longWord_ = AddType("LongWord", btU32);
  globalScope_["INTEGER"] = {PSSymbolKind::Type, longInt_, 0};
  globalScope_["CARDINAL"] = {PSSymbolKind::Type, longWord_, 0};
  pointer_ = AddType("___Pointer", btPointer);
  int64_ = AddType("Int64", btS64);
  AddType("Single", btSingle);
  AddType("Double", btDouble);
  extended_ = AddType("Extended", btExtended);
  AddType("Currency", btCurrency);
  AddType("PChar", btPChar);
  PSType* variant = AddType("Variant", btVariant);
  // Reads and writes of a notification variant call the host; written as a 32-bit word.
  AddType("!NotificationVariant", btU32);
  PSType* variantArray = AddType("TVariantArray", btArray, PSTypeKind::Array);
  variantArray->Element = variant;
}

PSType* PSCompileSession::FindType(const std::string& upperName) const {
  auto found = globalScope_.find(upperName);
  if (found == globalScope_.end() || found->second.Kind != PSSymbolKind::Type) return nullptr;
  return found->second.Type;
}

PSType* PSCompileSession::ArrayOf(PSType* element) {
  for (const auto& type : types_) {
    if (type->Kind == PSTypeKind::Array && type->Name.empty() && type->Element == element) {
      return type.get();
    }
  }
  PSType* type = AddType("", btArray, PSTypeKind::Array);
  type->Element = element;
  return type;
}

// typeref -> ident | ARRAY OF typeref | ARRAY OF CONST
bool PSCompileSession::ParseTypeRef(PSType*& out) {
  if (Tk() != tkArray) {
    if (Tk() != tkIdentifier) return Error(ecIdentifierExpected);
    out = FindType(lex_.TokenText());
    if (!out) return Error(ecUnknownType, lex_.TokenText());
    Next();
    return true;
  }
  if (!Nest()) return false;
  Next();
  PSType* element = FindType("VARIANT");
  bool ok = Expect(tkOf, ecOfExpected);
  if (ok && Tk() == tkConst) {
    Next();
  } else if (ok) {
    ok = ParseTypeRef(element);
  }
  --nesting_;
  if (ok) out = ArrayOf(element);
  return ok;
}

// typedef -> typeref | '(' ident { ',' ident } ')' | settype | proctype | interface
bool PSCompileSession::ParseTypeDef(const std::string& orgName, PSType*& out) {
  if (Tk() == tkRecord || Tk() == tkArray) return ParseStructuredType(orgName, out);
  if (Tk() == tkSet) return ParseSetType(out);
  if (Tk() == tkProcedure || Tk() == tkFunction) return ParseProcType(out);
  if (Tk() == tkInterface) return ParseInterfaceType(orgName, out);
  if (Tk() != tkOpenParen) return ParseTypeRef(out);
  Next();
  std::vector<std::string> values;
  std::unordered_set<std::string> seen;  // upper case, so that long lists stay linear
  for (;;) {
    if (Tk() != tkIdentifier) return Error(ecIdentifierExpected);
    if (!CheckNewName(lex_.TokenText(), proc_ != nullptr)) return false;
    if (!seen.insert(lex_.TokenText()).second) {
      return Error(ecDuplicateIdentifier, lex_.TokenText());
    }
    values.push_back(lex_.OriginalText());
    Next();
    if (Tk() == tkCloseParen) break;
    if (!Expect(tkComma, ecCloseRoundExpected)) return false;
  }
  Next();
  out = AddEnum(orgName, std::move(values), false);
  return true;
}

uint32_t PSCompileSession::TypeNo(PSType* t) {
  if (t->AnyString) t = string_;  // an AnyString slot holds an 8-bit string
  if (t->ContainerNo == kPSNotNumbered) {
    // Elements first: a container type refers to earlier entries only.
    if (t->Element) TypeNo(t->Element);
    for (const PSField& field : t->Fields)
      TypeNo(field.Type);
    t->ContainerNo = static_cast<uint32_t>(usedTypes_.size());
    usedTypes_.push_back(t);
  }
  return t->ContainerNo;
}

bool PSCompileSession::SameType(const PSType* a, const PSType* b) {
  if (a == b) return true;
  if (!a || !b || a->Kind != PSTypeKind::Plain || b->Kind != PSTypeKind::Plain) return false;
  return a->Base == b->Base;
}

bool PSCompileSession::CanAssign(const PSType* dest, const PSType* src) {
  bool decided = false;
  bool valueRule = ValueCanAssign(dest, src, decided);
  if (decided) return valueRule;
  if (SameType(dest, src) || IsVariant(dest) || IsVariant(src)) return true;
  if (IsStaticArray(dest)) return SameStaticArray(dest, src);
  if (PSIsInteger(dest)) return PSIsInteger(src);
  if (PSIsFloat(dest)) return PSIsNumber(src);
  if (PSIsString(dest)) return PSIsString(src) || PSIsChar(src);
  if (PSIsBoolean(dest)) return PSIsBoolean(src);
  return false;
}

// Between two integers the wider: Int64, else LongWord, else LongInt.
PSType* PSCompileSession::WiderInteger(const PSType* left, const PSType* right) const {
  if (left->Base == btS64 || right->Base == btS64) return int64_;
  if (left->Base == btU32 || right->Base == btU32) return longWord_;
  return longInt_;
}

// The type of -x for an integer x: Int64 for Int64 and LongWord (whose negatives a LongWord
// cannot hold), else LongInt, so that -b of a Byte is negative.
PSType* PSCompileSession::NegatedInteger(const PSType* type) const {
  return type->Base == btS64 || type->Base == btU32 ? int64_ : longInt_;
}

PSType* PSCompileSession::CalcResultType(uint8_t op, PSType* left, PSType* right) const {
  if (IsVariant(left) || IsVariant(right)) return IsVariant(left) ? left : right;
  if (PSType* wide = WideResultType(op, left, right)) return wide;
  bool numbers = PSIsNumber(left) && PSIsNumber(right);
  bool integers = PSIsInteger(left) && PSIsInteger(right);
  switch (op) {
    case opAdd:
      if ((PSIsString(left) || PSIsChar(left)) && (PSIsString(right) || PSIsChar(right))) {
        return string_;
      }
      [[fallthrough]];
    case opSub:
    case opMul:
    case opDiv:
    case opIntDiv:
      if (!numbers) return nullptr;
      if (PSIsFloat(left)) return left;
      if (PSIsFloat(right)) return right;
      return WiderInteger(left, right);
    case opMod:
    case opShl:
    case opShr:
      return integers ? WiderInteger(left, right) : nullptr;
    case opAnd:
    case opOr:
    case opXor:
      if (integers) return WiderInteger(left, right);
      return PSIsBoolean(left) && PSIsBoolean(right) ? left : nullptr;
    default:
      return nullptr;
  }
}

bool PSCompileSession::CanCompare(const PSType* left, const PSType* right) const {
  bool decided = false;
  bool valueRule = ValueCanCompare(left, right, decided);
  if (decided) return valueRule;
  if (IsVariant(left) || IsVariant(right)) return true;
  if (PSIsNumber(left) && PSIsNumber(right)) return true;
  if ((PSIsString(left) || PSIsChar(left)) && (PSIsString(right) || PSIsChar(right))) {
    return true;
  }
  if (PSIsBoolean(left) && PSIsBoolean(right)) return true;
  return left == right && left->Kind == PSTypeKind::Enum;
}
