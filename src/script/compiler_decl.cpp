// Declarations: const, type and var sections, and procedures and functions with their
// parameters, forward declarations and bodies.
#include <utility>

#include "script/compiler_internal.h"

// const -> CONST ident '=' constexpr ';' { ident '=' constexpr ';' }
bool PSCompileSession::ParseConstSection() {
  Next();
  do {
    if (Tk() != tkIdentifier) return Error(ecIdentifierExpected);
    std::string name = lex_.TokenText();
    if (!CheckNewName(name, false)) return false;
    Next();
    if (!Expect(tkEqual, ecIsExpected)) return false;
    PSConst value;
    if (!ParseConstExpression(value)) return false;
    if (!Expect(tkSemicolon, ecSemicolonExpected)) return false;
    consts_.push_back(std::move(value));
    globalScope_[name] = {PSSymbolKind::Const, nullptr, consts_.size() - 1};
  } while (Tk() == tkIdentifier);
  return true;
}

// type -> TYPE [attributes] ident '=' typedef ';' { [attributes] ident '=' typedef ';' }
// Attributes followed by a procedure heading end the section and belong to the procedure.
bool PSCompileSession::ParseTypeSection() {
  Next();
  do {
    if (Tk() == tkOpenBracket) {
      if (!ParseAttributes()) return false;
      if (Tk() == tkProcedure || Tk() == tkFunction) return true;
    }
    if (Tk() != tkIdentifier) return Error(ecIdentifierExpected);
    std::string name = lex_.TokenText();
    std::string orgName = lex_.OriginalText();
    if (!CheckNewName(name, false)) return false;
    Next();
    if (!Expect(tkEqual, ecIsExpected)) return false;
    PSType* type = nullptr;
    size_t known = types_.size();
    std::vector<TPSAttribute> attributes = TakeAttributes();
    if (!ParseTypeDef(orgName, type)) return false;
    if (!Expect(tkSemicolon, ecSemicolonExpected)) return false;
    globalScope_[name] = {PSSymbolKind::Type, type, 0};
    // An alias shares its type, which keeps its own attributes.
    if (types_.size() > known && type == types_.back().get()) type->Attributes = attributes;
  } while (Tk() == tkIdentifier || Tk() == tkOpenBracket);
  return true;
}

// var -> VAR ident {',' ident} ':' typedef ';' { ident {',' ident} ':' typedef ';' }
bool PSCompileSession::ParseVarSection(bool global) {
  Next();
  do {
    std::vector<PSVar> names;
    for (;;) {
      if (Tk() != tkIdentifier) return Error(ecIdentifierExpected);
      PSVar var{lex_.TokenText(), lex_.OriginalText(), nullptr, Here(), false};
      if (!CheckNewName(var.Name, !global)) return false;
      for (const PSVar& earlier : names) {
        if (earlier.Name == var.Name) return Error(ecDuplicateIdentifier, var.Name);
      }
      names.push_back(std::move(var));
      Next();
      if (Tk() != tkComma) break;
      Next();
    }
    if (!Expect(tkColon, ecColonExpected)) return false;
    PSType* type = nullptr;
    if (!ParseTypeDef("", type)) return false;
    if (!Expect(tkSemicolon, ecSemicolonExpected)) return false;
    for (PSVar& var : names) {
      var.Type = type;
      std::vector<PSVar>& list = global ? globals_ : locals_;
      list.push_back(std::move(var));
      PSSymbolKind kind = global ? PSSymbolKind::GlobalVar : PSSymbolKind::LocalVar;
      (global ? globalScope_ : localScope_)[list.back().Name] = {kind, nullptr, list.size() - 1};
    }
  } while (Tk() == tkIdentifier);
  return true;
}

// params -> '(' [ group { ';' group } ] ')'
// group  -> [CONST | VAR | OUT] ident { ',' ident } ':' typeref
bool PSCompileSession::ParseParams(PSDecl& decl) {
  Next();
  if (Tk() == tkCloseParen) {
    Next();
    return true;
  }
  for (;;) {
    PSParamMode mode = PSParamMode::Value;
    if (Tk() == tkConst) mode = PSParamMode::Const;
    if (Tk() == tkVar) mode = PSParamMode::Var;
    if (Tk() == tkOut) mode = PSParamMode::Out;
    if (mode != PSParamMode::Value) Next();
    size_t first = decl.Params.size();
    for (;;) {
      if (Tk() != tkIdentifier) return Error(ecIdentifierExpected);
      for (const PSParam& earlier : decl.Params) {
        if (earlier.Name == lex_.TokenText()) return Error(ecDuplicateIdentifier, earlier.Name);
      }
      decl.Params.push_back({lex_.TokenText(), lex_.OriginalText(), nullptr, mode});
      Next();
      if (Tk() != tkComma) break;
      Next();
    }
    if (!Expect(tkColon, ecColonExpected)) return false;
    PSType* type = nullptr;
    bool open = Tk() == tkArray;
    if (!ParseTypeRef(type)) return false;
    if (open) type = OpenArrayOf(type->Element);
    for (size_t i = first; i < decl.Params.size(); ++i)
      decl.Params[i].Type = type;
    if (Tk() == tkCloseParen) break;
    if (!Expect(tkSemicolon, ecCloseRoundExpected)) return false;
  }
  Next();
  return true;
}

namespace {

bool SameDecl(const PSDecl& a, const PSDecl& b) {
  if (a.Params.size() != b.Params.size()) return false;
  if (!PSCompileSession::SameType(a.Result, b.Result)) return false;
  for (size_t i = 0; i < a.Params.size(); ++i) {
    const PSParam& x = a.Params[i];
    const PSParam& y = b.Params[i];
    if (x.Name != y.Name || x.Mode != y.Mode || !PSCompileSession::SameType(x.Type, y.Type)) {
      return false;
    }
  }
  return true;
}

}  // namespace

// heading -> (PROCEDURE | FUNCTION) ident [params] [':' typeref] ';'
// A name already declared must be a forward declaration, which is handed back.
bool PSCompileSession::ParseProcHeading(PSProc& proc, PSProc*& forward) {
  bool function = Tk() == tkFunction;
  Next();
  if (Tk() != tkIdentifier) return Error(ecIdentifierExpected);
  proc.Name = lex_.TokenText();
  proc.OrgName = lex_.OriginalText();
  proc.Where = Here();
  if (auto found = globalScope_.find(proc.Name); found != globalScope_.end()) {
    const PSSymbol& sym = found->second;
    bool isForward = sym.Kind == PSSymbolKind::Proc && procs_[sym.Index]->Forward;
    if (!isForward) return Error(ecDuplicateIdentifier, proc.Name);
    forward = procs_[sym.Index].get();
  }
  Next();
  if (Tk() == tkOpenParen && !ParseParams(proc.Decl)) return false;
  if (function) {
    if (!Expect(tkColon, ecColonExpected)) return false;
    if (!ParseTypeRef(proc.Decl.Result)) return false;
  }
  return Expect(tkSemicolon, ecSemicolonExpected);
}

// procedure -> heading ( FORWARD ';' | body )
bool PSCompileSession::ParseProcedure() {
  auto proc = std::make_unique<PSProc>();
  proc->Attributes = TakeAttributes();
  PSProc* forward = nullptr;
  if (!ParseProcHeading(*proc, forward)) return false;
  if (forward && !SameDecl(forward->Decl, proc->Decl)) {
    return ErrorAt(proc->Where, ecForwardParameterMismatch);
  }
  if (Tk() == tkForward) {
    if (forward) return ErrorAt(proc->Where, ecDuplicateIdentifier, proc->Name);
    Next();
    if (!Expect(tkSemicolon, ecSemicolonExpected)) return false;
    proc->Forward = true;
    AddNamedProc(std::move(proc));
    return true;
  }
  if (forward && !proc->Attributes.empty()) forward->Attributes = std::move(proc->Attributes);
  PSProc* target = forward ? forward : AddNamedProc(std::move(proc));
  target->Forward = false;
  return ParseProcBody(*target);
}

PSProc* PSCompileSession::AddNamedProc(std::unique_ptr<PSProc> proc) {
  std::string name = proc->Name;
  PSProc* added = AddProc(std::move(proc));
  globalScope_[name] = {PSSymbolKind::Proc, nullptr, procs_.size() - 1};
  return added;
}

// body -> [EXPORT ';'] { var-section | label-section } BEGIN statements END ';'
bool PSCompileSession::ParseProcBody(PSProc& proc) {
  proc_ = &proc;
  localScope_.clear();
  locals_.clear();
  for (size_t i = 0; i < proc.Decl.Params.size(); ++i) {
    localScope_[proc.Decl.Params[i].Name] = {PSSymbolKind::Param, nullptr, i};
  }
  if (proc.Decl.Result) localScope_["RESULT"] = {PSSymbolKind::Result, nullptr, 0};
  if (Tk() == tkExport) {
    Next();
    if (!Expect(tkSemicolon, ecSemicolonExpected)) return false;
  }
  if (Tk() == tkExternal) return ParseExternal();
  localLabels_.clear();
  while (Tk() == tkVar || Tk() == tkLabel) {
    if (!(Tk() == tkVar ? ParseVarSection(false) : ParseLabelSection(false))) return false;
  }
  if (Tk() != tkBegin) return Error(ecBeginExpected);
  BeginCode(proc, 0);
  for (const PSVar& local : locals_)
    PushTemp(local.Type);
  Next();
  if (!ParseStatementList({tkEnd})) return false;
  Next();
  if (!Expect(tkSemicolon, ecSemicolonExpected)) return false;
  if (!ResolveLabels()) return false;
  EndCode();
  proc_ = nullptr;
  localScope_.clear();
  locals_.clear();
  return true;
}

namespace {

std::string ModeText(PSParamMode mode) {
  switch (mode) {
    case PSParamMode::Const:
      return "const ";
    case PSParamMode::Var:
      return "var ";
    case PSParamMode::Out:
      return "out ";
    case PSParamMode::Value:
      break;
  }
  return "";
}

}  // namespace

// The export declaration of a script procedure, as a Pascal heading with upper-case names:
// "function ADD(A: LONGINT; var B: STRING): LONGINT".
std::string PSCompileSession::DeclText(const PSProc& proc) {
  std::string text = proc.Decl.Result ? "function " : "procedure ";
  text += proc.Name;
  if (!proc.Decl.Params.empty()) {
    text += "(";
    for (size_t i = 0; i < proc.Decl.Params.size(); ++i) {
      const PSParam& param = proc.Decl.Params[i];
      if (i > 0) text += "; ";
      text += ModeText(param.Mode) + param.Name + ": " + param.Type->Name;
    }
    text += ")";
  }
  if (proc.Decl.Result) text += ": " + proc.Decl.Result->Name;
  return text;
}
