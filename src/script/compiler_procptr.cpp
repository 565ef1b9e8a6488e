// Procedural types and procedure pointers (`@Name`, nil, calls through a pointer),
// interface type declarations, and the assignment and comparison rules of the value
// types: sets, procedure pointers, interfaces, wide strings and variants.
//
// A procedure pointer constant carries the container number of its procedure; nil is a
// zeroed value of the pointer's type, pushed where it is used.
#include <utility>

#include "script/compiler_internal.h"

bool PSIsProcPtr(const PSType* t) {
  return t && t->Kind == PSTypeKind::ProcPtr;
}

bool PSIsVariant(const PSType* t) {
  return t && t->Kind == PSTypeKind::Plain && t->Base == btVariant;
}

std::string PSProcTypeDeclaration(const PSType& t) {
  std::string text = PSCompileSession::DeclText(*t.Signature);
  if (text.size() > 255) text.resize(255);
  return text;
}

// proctype -> PROCEDURE [params] | FUNCTION [params] ':' typeref
bool PSCompileSession::ParseProcType(PSType*& out) {
  bool function = Tk() == tkFunction;
  Next();
  auto signature = std::make_unique<PSProc>();
  if (Tk() == tkOpenParen && !ParseParams(signature->Decl)) return false;
  if (function) {
    if (!Expect(tkColon, ecColonExpected)) return false;
    if (!ParseTypeRef(signature->Decl.Result)) return false;
  }
  out = AddType("", btProcPtr, PSTypeKind::ProcPtr);
  out->Signature = signature.get();
  signatures_.push_back(std::move(signature));
  return true;
}

// interface -> INTERFACE [ '(' ident ')' ] [ '[' string ']' ] { heading } END
// The game's host declares no interfaces, so the methods are read and dropped: nothing
// could implement them.
bool PSCompileSession::ParseInterfaceType(const std::string& orgName, PSType*& out) {
  Next();
  if (Tk() == tkOpenParen) {
    Next();
    if (Tk() != tkIdentifier) return Error(ecIdentifierExpected);
    PSType* parent = FindType(lex_.TokenText());
    if (!parent) return Error(ecUnknownType, lex_.TokenText());
    if (parent->Kind != PSTypeKind::Interface) return Error(ecTypeMismatch);
    Next();
    if (!Expect(tkCloseParen, ecCloseRoundExpected)) return false;
  }
  if (Tk() == tkOpenBracket) {
    Next();
    if (!Expect(tkString, ecStringExpected)) return false;
    if (!Expect(tkCloseBracket, ecCloseBlockExpected)) return false;
  }
  while (Tk() == tkProcedure || Tk() == tkFunction) {
    bool function = Tk() == tkFunction;
    Next();
    if (!Expect(tkIdentifier, ecIdentifierExpected)) return false;
    PSDecl decl;
    if (Tk() == tkOpenParen && !ParseParams(decl)) return false;
    if (function && (!Expect(tkColon, ecColonExpected) || !ParseTypeRef(decl.Result))) {
      return false;
    }
    if (!Expect(tkSemicolon, ecSemicolonExpected)) return false;
  }
  if (!Expect(tkEnd, ecEndExpected)) return false;
  out = AddType(orgName, btInterface, PSTypeKind::Interface);
  return true;
}

// addr -> '@' ident, the name of a procedure or function
bool PSCompileSession::ParseAddressOf(PSExprPtr& out) {
  PSPos at = Here();
  Next();
  if (Tk() != tkIdentifier) return Error(ecIdentifierExpected);
  const PSSymbol* sym = Lookup(lex_.TokenText());
  if (!sym) return Error(ecUnknownIdentifier, lex_.TokenText());
  if (sym->Kind != PSSymbolKind::Proc || procs_[sym->Index]->Untyped != PSUntyped::None) {
    return Error(ecTypeMismatch);
  }
  PSProc* proc = procs_[sym->Index].get();
  Next();
  PSType* type = nullptr;
  for (const auto& t : types_) {
    if (t->Kind == PSTypeKind::ProcPtr && t->Signature == proc) type = t.get();
  }
  if (!type) {
    type = AddType("", btProcPtr, PSTypeKind::ProcPtr);
    type->Signature = proc;
  }
  out = ConstExpr(at, PSConst{type, ProcNo(*proc), 0, {}});
  return true;
}

// nil -> NIL, typed by what it is assigned to, passed as or compared with
bool PSCompileSession::ParseNil(PSExprPtr& out) {
  if (!nil_) nil_ = AddType("", btPointer);
  out = std::make_unique<PSExpr>();
  out->Kind = PSExprKind::Zero;
  out->Type = nil_;
  out->Where = Here();
  Next();
  return true;
}

// callptr -> variable [ '(' arguments ')' ], the variable of a procedural type
bool PSCompileSession::ParseCallThrough(PSExprPtr var, const PSPos& at, PSExprPtr& out) {
  if (var->Kind != PSExprKind::Var) return ErrorAt(at, ecVariableExpected);
  // The call instruction names the pointer by a plain variable number.
  if (!var->Path.empty() || var->Source) return ErrorAt(at, ecTypeMismatch);
  if (!ParseCall(*var->Type->Signature, at, out)) return false;
  out->Through = std::move(var);
  return true;
}

void PSCompileSession::FitUntyped(PSExpr& e, PSType* to) {
  if (!to) return;
  if (e.Kind == PSExprKind::Zero && e.Type == nil_ &&
      (to->Kind == PSTypeKind::ProcPtr || to->Kind == PSTypeKind::Interface)) {
    e.Type = to;
  } else if (e.Kind == PSExprKind::Const && PSIsSet(e.Type) && !e.Type->SetElement && PSIsSet(to)) {
    e.Type = e.Value.Type = to;
    e.Value.Str.assign((to->SetBits + 7) / 8, '\0');
  }
}

bool PSCompileSession::SameSignature(const PSDecl& a, const PSDecl& b) {
  if (a.Params.size() != b.Params.size() || !SameType(a.Result, b.Result)) return false;
  for (size_t i = 0; i < a.Params.size(); ++i) {
    if (a.Params[i].ByRef() != b.Params[i].ByRef() ||
        !SameType(a.Params[i].Type, b.Params[i].Type)) {
      return false;
    }
  }
  return true;
}

namespace {

// Texts that a wide string may take: 8-bit and wide strings and characters.
bool IsAnyText(const PSType* t) {
  return PSIsString(t) || PSIsChar(t) || PSIsWideText(t) || PSIsWideChar(t);
}

}  // namespace

bool PSCompileSession::ValueCanAssign(const PSType* dest, const PSType* src, bool& decided) {
  decided = true;
  if (PSIsSet(dest) || PSIsSet(src)) {
    return PSIsSet(dest) && PSIsSet(src) &&
           (dest->SetElement == src->SetElement || !src->SetElement);
  }
  if (PSIsProcPtr(dest) || PSIsProcPtr(src)) {
    return PSIsProcPtr(dest) && PSIsProcPtr(src) &&
           SameSignature(dest->Signature->Decl, src->Signature->Decl);
  }
  bool destInterface = dest && dest->Kind == PSTypeKind::Interface;
  bool srcInterface = src && src->Kind == PSTypeKind::Interface;
  if (destInterface || srcInterface) return destInterface && srcInterface;
  if (PSIsVariant(dest) && src && src->Base == btPointer) return false;  // nil
  if (PSIsVariant(dest) || PSIsVariant(src)) {
    decided = false;
    return false;
  }
  if (PSIsWideText(dest) || (PSIsString(dest) && (PSIsWideText(src) || PSIsWideChar(src)))) {
    return IsAnyText(src);
  }
  if (PSIsWideChar(dest) || (PSIsChar(dest) && PSIsWideChar(src))) {
    return PSIsChar(src) || PSIsWideChar(src);
  }
  decided = false;
  return false;
}

bool PSCompileSession::ValueCanCompare(const PSType* left, const PSType* right,
                                       bool& decided) const {
  decided = true;
  if (PSIsProcPtr(left) || PSIsProcPtr(right)) {
    return PSIsProcPtr(left) && PSIsProcPtr(right) &&
           SameSignature(left->Signature->Decl, right->Signature->Decl);
  }
  bool leftInterface = left->Kind == PSTypeKind::Interface;
  bool rightInterface = right->Kind == PSTypeKind::Interface;
  if (leftInterface || rightInterface) return leftInterface && rightInterface;
  bool wide =
      PSIsWideText(left) || PSIsWideText(right) || PSIsWideChar(left) || PSIsWideChar(right);
  if (wide && !PSIsVariant(left) && !PSIsVariant(right)) {
    return IsAnyText(left) && IsAnyText(right);
  }
  decided = false;
  return false;
}
