// The routines every script can call, declared at the start of each compile with their
// declaration texts, and the header parser that host declarations go through.
#include <array>

#include "data/ascii_case.h"
#include "script/compiler_internal.h"
#include "script/ps_errors.h"

namespace {

// A built-in: its declaration, the executor's name when it is not the upper-cased
// declared name, and the untyped kind for those whose arguments take the caller's type.
struct PSBuiltin {
  std::string_view Decl;
  std::string_view ExecName = {};
  PSUntyped Untyped = PSUntyped::None;
  std::string_view ImportDecl = {};  // untyped: fixed; others: from the parameters
};

using namespace std::string_view_literals;

const std::array<PSBuiltin, 55> kBuiltins = {{
    {"function IntToStr(i: Int64): String;"},
    {"function StrToInt(s: String): Longint;"},
    {"function StrToIntDef(s: String; def: Longint): Longint;"},
    {"function Copy(s: AnyString; iFrom, iCount: Longint): AnyString;"},
    {"function Pos(SubStr, S: AnyString): Longint;"},
    {"procedure Delete(var s: AnyString; ifrom, icount: Longint);"},
    {"procedure Insert(s: AnyString; var s2: AnyString; iPos: Longint);"},
    {"function GetArrayLength: integer;", {}, PSUntyped::GetArrayLength, "\1\1"sv},
    {"procedure SetArrayLength;", {}, PSUntyped::SetArrayLength, "\0\1\0"sv},
    {"Function StrGet(var S : String; I : Integer) : Char;"},
    {"Function StrGet2(S : String; I : Integer) : Char;"},
    {"procedure StrSet(c : Char; I : Integer; var s : String);"},
    {"Function WStrGet(var S : AnyString; I : Integer) : WideChar;"},
    {"procedure WStrSet(c : AnyString; I : Integer; var s : AnyString);"},
    {"Function VarArrayGet(var S : Variant; I : Integer) : Variant;"},
    {"procedure VarArraySet(c : Variant; I : Integer; var s : Variant);"},
    {"Function AnsiUppercase(s : String) : String;"},
    {"Function AnsiLowercase(s : String) : String;"},
    {"Function Uppercase(s : AnyString) : AnyString;"},
    {"Function Lowercase(s : AnyString) : AnyString;"},
    {"Function Trim(s : AnyString) : AnyString;"},
    {"function Length: Integer;", {}, PSUntyped::Length, "\1\0"sv},
    {"procedure SetLength;", {}, PSUntyped::SetLength, "\0\1\0"sv},
    {"function Low: Int64;", {}, PSUntyped::Low, "\1\0"sv},
    {"function High: Int64;", {}, PSUntyped::High, "\1\0"sv},
    {"procedure Dec;", {}, PSUntyped::Dec, "\0\1"sv},
    {"procedure Inc;", {}, PSUntyped::Inc, "\0\1"sv},
    {"Function Sin(e : Extended) : Extended;"},
    {"Function Cos(e : Extended) : Extended;"},
    {"Function Sqrt(e : Extended) : Extended;"},
    {"Function Round(e : Extended) : Longint;"},
    {"Function Trunc(e : Extended) : Longint;"},
    {"Function Int(e : Extended) : Extended;"},
    {"Function Pi : Extended;"},
    {"Function Abs(e : Extended) : Extended;"},
    {"function StrToFloat(s: String): Extended;"},
    {"Function FloatToStr(e : Extended) : String;"},
    {"Function Padl(s : AnyString;I : longInt) : AnyString;"},
    {"Function Padr(s : AnyString;I : longInt) : AnyString;"},
    {"Function Padz(s : AnyString;I : longInt) : AnyString;"},
    {"Function Replicate(c : char;I : longInt) : String;"},
    {"Function StringOfChar(c : char;I : longInt) : String;"},
    {"function Assigned(I: Longint): Boolean;", "!ASSIGNED", PSUntyped::Assigned, "\1\0"sv},
    {"function Unassigned: Variant;"},
    {"function VarIsEmpty(const V: Variant): Boolean;"},
    {"function Null: Variant;"},
    {"function VarIsNull(const V: Variant): Boolean;"},
    {"function VarType(const V: Variant): TVarType;"},
    {"procedure RaiseLastException;"},
    {"procedure RaiseException(Ex: TQXException; Param: String);"},
    {"function ExceptionType: TQXException;"},
    {"function ExceptionParam: String;"},
    {"function ExceptionProc: Cardinal;"},
    {"function ExceptionPos: Cardinal;"},
    {"function ExceptionToString(er: TQXException; Param: String): String;"},
}};

const std::array<PSBuiltin, 4> kMoreBuiltins = {{
    {"function StrToInt64(s: String): int64;"},
    {"function Int64ToStr(i: Int64): String;"},
    {"function SizeOf: Longint;", {}, PSUntyped::SizeOf, "\1\0"sv},
    {"function IDispatchInvoke(Self: IDispatch; PropertySet: Boolean; const Name: String; "
     "Par: array of variant): variant;"},
}};

// The variant type codes scripts see as constants of TVarType.
const std::array<std::pair<std::string_view, int>, 25> kVarTypes = {{
    {"varEmpty", 0},     {"varNull", 1},      {"varSmallInt", 2},    {"varInteger", 3},
    {"varSingle", 4},    {"varDouble", 5},    {"varCurrency", 6},    {"varDate", 7},
    {"varOleStr", 8},    {"varDispatch", 9},  {"varError", 10},      {"varBoolean", 11},
    {"varVariant", 12},  {"varUnknown", 13},  {"varShortInt", 16},   {"varByte", 17},
    {"varWord", 18},     {"varLongWord", 19}, {"varInt64", 20},      {"varStrArg", 72},
    {"varString", 256},  {"varAny", 257},     {"varTypeMask", 4095}, {"varArray", 8192},
    {"varByRef", 16384},
}};

}  // namespace

std::string PSCompileSession::ImportDeclOf(const PSDecl& decl) {
  std::string text(1, decl.Result ? '\1' : '\0');
  for (const PSParam& param : decl.Params)
    text += param.ByRef() ? '\1' : '\0';
  return text;
}

// The types and constants the built-ins use, then the built-ins themselves.
void PSCompileSession::DeclareBuiltins() {
  PSType* varType = FindType("WORD");
  globalScope_["TVARTYPE"] = {PSSymbolKind::Type, varType, 0};
  for (const auto& [name, code] : kVarTypes) {
    consts_.push_back(IntConst(varType, code));
    globalScope_[UpperAscii(std::string(name))] = {PSSymbolKind::Const, nullptr,
                                                   consts_.size() - 1};
  }
  AddEnum("TQXException", {kPSErrorNames.begin(), kPSErrorNames.end()}, false);
  for (const char* name : {"IUnknown", "IInterface", "IDispatch"}) {
    AddType(name, btInterface, PSTypeKind::Interface);
  }
  auto declare = [this](const PSBuiltin& builtin) {
    auto proc = std::make_unique<PSProc>();
    if (!ParseHeader(builtin.Decl, *proc)) return;
    proc->External = true;
    proc->Untyped = builtin.Untyped;
    proc->ExecName = builtin.ExecName.empty() ? proc->Name : std::string(builtin.ExecName);
    proc->ImportDecl = builtin.Untyped == PSUntyped::None ? ImportDeclOf(proc->Decl)
                                                          : std::string(builtin.ImportDecl);
    AddNamedProc(std::move(proc));
  };
  for (const PSBuiltin& builtin : kBuiltins)
    declare(builtin);
  for (const PSBuiltin& builtin : kMoreBuiltins)
    declare(builtin);
  strGet_ = procs_[Lookup("STRGET")->Index].get();
  strGet2_ = procs_[Lookup("STRGET2")->Index].get();
  strSet_ = procs_[Lookup("STRSET")->Index].get();
  getArrayLength_ = procs_[Lookup("GETARRAYLENGTH")->Index].get();
  setArrayLength_ = procs_[Lookup("SETARRAYLENGTH")->Index].get();
  wstrGet_ = procs_[Lookup("WSTRGET")->Index].get();
  wstrSet_ = procs_[Lookup("WSTRSET")->Index].get();
  byte_ = FindType("BYTE");
  wideChar_ = FindType("WIDECHAR");
  wideString_ = FindType("WIDESTRING");
}

const TPSRegProc& PSCompileSession::DeclareHostRoutine(std::string_view header) {
  auto proc = std::make_unique<PSProc>();
  bool ok = ParseHeader(header, *proc);
  auto found = globalScope_.find(proc->Name);
  // A host routine may hide a built-in or an earlier host routine, nothing else.
  if (ok && found != globalScope_.end() && found->second.Kind != PSSymbolKind::Proc) ok = false;
  if (!ok) throw EPSCompilerException("Unable to register function " + std::string(header));
  proc->External = true;
  proc->ExecName = proc->Name;
  proc->ImportDecl = ImportDeclOf(proc->Decl);
  regProcs_.push_back(
      std::make_unique<TPSRegProc>(TPSRegProc{proc->Name, proc->OrgName, proc->ImportDecl}));
  AddNamedProc(std::move(proc));
  return *regProcs_.back();
}

namespace {

// Reads a header's tokens; any mismatch makes the whole header fail.
class HeaderReader {
 public:
  HeaderReader(PSCompileSession& session, std::string_view header) : session_(session) {
    lex_.SetOnParserError([this](TPSPascalParser&, TPSParserError) { ok_ = false; });
    lex_.SetText(header);
  }

  // header -> (PROCEDURE | FUNCTION) ident [ '(' [group {';' group}] ')' ] [':' type] [';']
  bool Read(PSProc& proc) {
    bool function = lex_.TokenKind() == tkFunction;
    if (!function && lex_.TokenKind() != tkProcedure) return false;
    lex_.Next();
    if (lex_.TokenKind() != tkIdentifier) return false;
    proc.Name = lex_.TokenText();
    proc.OrgName = lex_.OriginalText();
    lex_.Next();
    if (Accept(tkOpenParen) && !Accept(tkCloseParen)) {
      do {
        if (!ReadGroup(proc.Decl)) return false;
      } while (Accept(tkSemicolon));
      if (!Accept(tkCloseParen)) return false;
    }
    if (function && (!Accept(tkColon) || !ReadType(proc.Decl.Result))) return false;
    Accept(tkSemicolon);
    return ok_ && lex_.TokenKind() == tkEndOfText;
  }

 private:
  bool Accept(TPSTokenKind kind) {
    if (lex_.TokenKind() != kind) return false;
    lex_.Next();
    return true;
  }

  // group -> [CONST | VAR | OUT] ident {',' ident} ':' type
  bool ReadGroup(PSDecl& decl) {
    PSParamMode mode = PSParamMode::Value;
    if (Accept(tkConst)) mode = PSParamMode::Const;
    if (Accept(tkVar)) mode = PSParamMode::Var;
    if (Accept(tkOut)) mode = PSParamMode::Out;
    size_t first = decl.Params.size();
    do {
      if (lex_.TokenKind() != tkIdentifier) return false;
      decl.Params.push_back({lex_.TokenText(), lex_.OriginalText(), nullptr, mode});
      lex_.Next();
    } while (Accept(tkComma));
    PSType* type = nullptr;
    if (!Accept(tkColon) || !ReadType(type)) return false;
    for (size_t i = first; i < decl.Params.size(); ++i)
      decl.Params[i].Type = type;
    return true;
  }

  // type -> ident | ARRAY OF ident | ARRAY OF CONST
  bool ReadType(PSType*& out) {
    if (Accept(tkArray)) {
      if (!Accept(tkOf)) return false;
      PSType* element = session_.FindType("VARIANT");
      if (!Accept(tkConst) && !ReadType(element)) return false;
      out = session_.ArrayOf(element);
      return true;
    }
    if (lex_.TokenKind() != tkIdentifier) return false;
    out = session_.FindType(lex_.TokenText());
    lex_.Next();
    return out != nullptr;
  }

  PSCompileSession& session_;
  TPSPascalParser lex_;
  bool ok_ = true;
};

}  // namespace

bool PSCompileSession::ParseHeader(std::string_view header, PSProc& proc) {
  return HeaderReader(*this, header).Read(proc);
}
