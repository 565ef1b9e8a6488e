// Attributes: lists in square brackets before a type or procedure declaration, each naming
// an attribute type that the host declared, with constant arguments for its fields. They
// travel with their type or procedure into the container; the game declares no attribute
// types, so its scripts cannot use any.
#include <utility>

#include "data/byte_io.h"
#include "script/compiler_internal.h"

void PSCompileSession::DeclareHostAttributeType(std::string_view header) {
  auto type = std::make_unique<PSProc>();
  bool ok = ParseHeader("procedure " + std::string(header), *type) && !type->Decl.Result;
  for (const PSParam& field : type->Decl.Params) {
    if (field.ByRef() || field.Type->Kind == PSTypeKind::Array) ok = false;
  }
  if (ok && FindAttributeType(type->Name)) ok = false;
  if (!ok) throw EPSCompilerException("Unable to register type " + std::string(header));
  attributeTypes_.push_back(std::move(type));
}

const PSProc* PSCompileSession::FindAttributeType(const std::string& name) const {
  for (const auto& type : attributeTypes_) {
    if (type->Name == name) return type.get();
  }
  return nullptr;
}

// attributes -> '[' attribute { ',' attribute } ']' { '[' ... ']' }
// The attributes are kept until the declaration they stand before takes them.
bool PSCompileSession::ParseAttributes() {
  while (Tk() == tkOpenBracket) {
    Next();
    for (;;) {
      if (!ParseAttribute()) return false;
      if (Tk() == tkCloseBracket) break;
      if (Tk() != tkComma) return Error(ecCloseBlockExpected);
      Next();
    }
    Next();
  }
  return true;
}

// attribute -> ident [ '(' [ constexpr { ',' constexpr } ] ')' ]
bool PSCompileSession::ParseAttribute() {
  if (Tk() != tkIdentifier) return Error(ecIdentifierExpected);
  PSPos at = Here();
  const PSProc* type = FindAttributeType(lex_.TokenText());
  if (!type) return Error(ecUnknownIdentifier, lex_.TokenText());
  Next();
  std::vector<PSConst> args;
  if (Tk() == tkOpenParen) {
    Next();
    while (Tk() != tkCloseParen) {
      PSPos argAt = Here();
      PSConst value;
      if (!ParseConstExpression(value)) return false;
      if (args.size() < type->Decl.Params.size()) {
        PSType* fieldType = type->Decl.Params[args.size()].Type;
        if (!CanAssign(fieldType, value.Type)) return ErrorAt(argAt, ecTypeMismatch);
        PSConst converted;
        if (!ConvertConst(argAt, value, fieldType, converted)) return false;
        value = std::move(converted);
      }
      args.push_back(std::move(value));
      if (Tk() == tkCloseParen) break;
      if (Tk() != tkComma) return Error(ecCloseRoundExpected);
      Next();
    }
    Next();
  }
  if (args.size() != type->Decl.Params.size()) return ErrorAt(at, ecInvalidNumberOfParameters);
  TPSAttribute attribute{type->OrgName, {}};
  for (const PSConst& value : args) {
    TPSContainerType fieldType;
    fieldType.BaseType = value.Type->Base;
    ByteWriter out;
    if (!WriteConstant(out, fieldType, EncodeConst(value))) return ErrorAt(at, ecTypeMismatch);
    attribute.Fields.push_back({TypeNo(value.Type), out.Take()});
  }
  pendingAttributes_.push_back(std::move(attribute));
  return true;
}

// The attributes read before a declaration, handed to it.
std::vector<TPSAttribute> PSCompileSession::TakeAttributes() {
  return std::exchange(pendingAttributes_, {});
}
