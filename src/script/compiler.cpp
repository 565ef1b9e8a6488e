// The compiler's public face, one compile's frame and its messages: the program heading,
// the uses clause, the top level of declarations, the main block and the end of a compile.
#include "script/compiler.h"

#include <exception>

#include "script/compiler_internal.h"

TPSPascalCompiler::TPSPascalCompiler() = default;
TPSPascalCompiler::~TPSPascalCompiler() = default;

bool TPSPascalCompiler::CompileSource(std::string_view source) {
  if (session_) return false;  // called again from inside its own OnUses
  messages_.clear();
  output_.clear();
  hasOutput_ = false;
  session_ = std::make_unique<PSCompileSession>(*this, source);
  bool ok = session_->Run();
  session_.reset();
  return ok;
}

bool TPSPascalCompiler::GetCompiledData(std::string& data) const {
  if (!hasOutput_) return false;
  data = output_;
  return true;
}

const std::vector<TPSPascalCompilerMessage>& TPSPascalCompiler::Messages() const {
  return messages_;
}

const TPSRegProc& TPSPascalCompiler::DeclareRoutine(std::string_view header) {
  if (!session_ || !inUses_) {
    throw EPSCompilerException("This function can only be called from within the OnUses event");
  }
  return session_->DeclareHostRoutine(header);
}

void TPSPascalCompiler::DeclareAttributeType(std::string_view header) {
  if (!session_ || !inUses_) {
    throw EPSCompilerException("This function can only be called from within the OnUses event");
  }
  session_->DeclareHostAttributeType(header);
}

PSCompileSession::PSCompileSession(TPSPascalCompiler& owner, std::string_view source)
    : owner_(owner), source_(source) {}

bool PSCompileSession::Run() {
  lex_.SetOnParserError([this](TPSPascalParser&, TPSParserError error) {
    Error(ecCommentError + static_cast<int>(error) - 1);
  });
  RegisterStandardTypes();
  DeclareBuiltins();
  units_.push_back("SYSTEM");
  if (!CallUses("SYSTEM")) return false;
  lex_.SetText(source_);
  if (!ParseProgram() || failed_) return false;
  if (!FinishProgram()) return false;
  owner_.output_ = WriteContainer(BuildContainer());
  owner_.hasOutput_ = true;
  return true;
}

// --- messages ---

PSPos PSCompileSession::Here() const {
  return {lex_.Position(), lex_.Row(), lex_.Col()};
}

bool PSCompileSession::Error(int code, std::string_view param) {
  return ErrorAt(Here(), code, param);
}

bool PSCompileSession::ErrorAt(const PSPos& at, int code, std::string_view param) {
  // The first error ends the compile; anything raised while unwinding is dropped.
  if (failed_) return false;
  failed_ = true;
  owner_.messages_.push_back(
      {TPSMessageKind::Error, code, std::string(param), "", at.Pos, at.Row, at.Col});
  return false;
}

void PSCompileSession::Hint(const PSPos& at, int code, std::string_view param) {
  owner_.messages_.push_back(
      {TPSMessageKind::Hint, code, std::string(param), "", at.Pos, at.Row, at.Col});
}

void PSCompileSession::Warning(const PSPos& at, int code, std::string_view param) {
  owner_.messages_.push_back(
      {TPSMessageKind::Warning, code, std::string(param), "", at.Pos, at.Row, at.Col});
}

bool PSCompileSession::Expect(TPSTokenKind kind, int code) {
  if (Tk() != kind) return Error(code);
  Next();
  return true;
}

// --- program frame ---

bool PSCompileSession::CallUses(const std::string& unit) {
  if (!owner_.OnUses) return true;
  PSPos at = Here();
  owner_.inUses_ = true;
  bool ok = false;
  try {
    ok = owner_.OnUses(owner_, unit);
  } catch (const std::exception& e) {
    owner_.inUses_ = false;
    return ErrorAt(at, ecCustomError, e.what());
  } catch (...) {
    owner_.inUses_ = false;
    return ErrorAt(at, ecCustomError, "");
  }
  owner_.inUses_ = false;
  // A refusal ends the compile without a message of its own.
  if (!ok) failed_ = true;
  return ok;
}

// program -> [PROGRAM ident ';'] [uses] { declaration | label-section } BEGIN statements END '.'
bool PSCompileSession::ParseProgram() {
  if (Tk() == tkProgram) {
    Next();
    if (Tk() != tkIdentifier) return Error(ecIdentifierExpected);
    Next();
    if (!Expect(tkSemicolon, ecSemicolonExpected)) return false;
  }
  if (Tk() == tkUses && !ParseUses()) return false;
  for (;;) {
    switch (Tk()) {
      case tkConst:
        if (!ParseConstSection()) return false;
        break;
      case tkType:
        if (!ParseTypeSection()) return false;
        break;
      case tkVar:
        if (!ParseVarSection(true)) return false;
        break;
      case tkLabel:
        if (!ParseLabelSection(true)) return false;
        break;
      case tkProcedure:
      case tkFunction:
        if (!ParseProcedure()) return false;
        break;
      case tkOpenBracket:
        if (!ParseAttributes()) return false;
        if (Tk() != tkProcedure && Tk() != tkFunction) return Error(ecBeginExpected);
        break;
      case tkBegin:
        return ParseMainBlock();
      case tkEndOfText:
        return Error(ecUnexpectedEndOfFile);
      default:
        return Error(ecBeginExpected);
    }
  }
}

// uses -> USES ident { ',' ident } ';'
bool PSCompileSession::ParseUses() {
  Next();
  for (;;) {
    if (Tk() != tkIdentifier) return Error(ecIdentifierExpected);
    std::string unit = lex_.TokenText();
    for (const std::string& known : units_) {
      if (known == unit) return Error(ecDuplicateIdentifier, unit);
    }
    units_.push_back(unit);
    if (!CallUses(unit)) return false;
    Next();
    if (Tk() == tkSemicolon) break;
    if (Tk() != tkComma) return Error(ecSemicolonExpected);
    Next();
  }
  Next();
  return true;
}

// main -> BEGIN statements END '.'   (compiled as the procedure "!MAIN")
bool PSCompileSession::ParseMainBlock() {
  auto main = std::make_unique<PSProc>();
  main->Name = main->OrgName = "!MAIN";
  main->Where = Here();
  PSProc* proc = AddProc(std::move(main));
  BeginCode(*proc, 0);
  Next();
  if (!ParseStatementList({tkEnd})) return false;
  Next();
  // Text after the final period is not read, so it cannot raise anything.
  if (Tk() != tkPeriod) return Error(ecPeriodExpected);
  if (!ResolveLabels()) return false;
  EndCode();
  return true;
}

// After the main block: forwards must have bodies; unused globals get a hint.
bool PSCompileSession::FinishProgram() {
  for (const auto& proc : procs_) {
    if (proc->Forward) return ErrorAt(proc->Where, ecUnsatisfiedForward, proc->OrgName);
  }
  for (const PSVar& var : globals_) {
    if (!var.Used) Hint(var.Where, hcVariableNotUsed, var.OrgName);
  }
  return true;
}

// A new name of the current scope must not be declared in it yet.
bool PSCompileSession::CheckNewName(const std::string& name, bool local) {
  const auto& scope = local ? localScope_ : globalScope_;
  if (scope.contains(name)) return Error(ecDuplicateIdentifier, name);
  if (FindLabel(local ? localLabels_ : globalLabels_, name))
    return Error(ecDuplicateIdentifier, name);
  return true;
}

PSProc* PSCompileSession::AddProc(std::unique_ptr<PSProc> proc) {
  procs_.push_back(std::move(proc));
  PSProc* added = procs_.back().get();
  if (!added->External) ProcNo(*added);
  return added;
}
