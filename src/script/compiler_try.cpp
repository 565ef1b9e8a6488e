// Try statements, break and continue out of try parts, label sections, labelled statements
// and goto.
//
// A try statement enters a handler (instruction 19 with the positions of its parts) and
// closes each part with instruction 20, whose operand names the part; the executor decides
// from the handler where control goes next. break and continue close every try part they
// leave the same way, innermost first, before they jump.
#include <utility>

#include "script/compiler_internal.h"

namespace {

// Positions of the handler's slots, in the order instruction 19 carries them.
enum TrySlot : int { kFinallySlot = 0, kExceptSlot = 1, kSecondFinallySlot = 2, kEndSlot = 3 };

// Bytes of instruction 19: the opcode and four positions.
constexpr size_t kTryEnterSize = 17;

}  // namespace

// try -> TRY statements FINALLY statements [EXCEPT statements] END
//      | TRY statements EXCEPT statements [FINALLY statements] END
bool PSCompileSession::ParseTry() {
  Next();
  size_t enter = code_->size();
  Emit(TPSOpcode::TryEnter);
  for (int i = 0; i < 4; ++i)
    EmitU32(kNoCodePosition);
  size_t origin = enter + kTryEnterSize;
  auto place = [&](int slot) {
    auto at = static_cast<uint32_t>(code_->size() - origin);
    for (size_t i = 0; i < 4; ++i)
      (*code_)[enter + 1 + 4 * slot + i] = static_cast<char>(at >> (8 * i));
  };
  tries_.push_back({++tryCount_, 0, depth_});
  if (!ParseTryPart(0, {tkFinally, tkExcept, tkEnd})) return false;
  if (Tk() == tkEnd) return Error(ecEndExpected);
  bool finallyFirst = Tk() == tkFinally;
  Next();
  place(finallyFirst ? kFinallySlot : kExceptSlot);
  uint8_t first = finallyFirst ? 1 : 2;
  if (!ParseTryPart(first, {tkEnd, finallyFirst ? tkExcept : tkFinally})) return false;
  if (Tk() != tkEnd) {
    Next();
    place(finallyFirst ? kExceptSlot : kSecondFinallySlot);
    if (!ParseTryPart(finallyFirst ? 2 : 3, {tkEnd})) return false;
  }
  Next();
  place(kEndSlot);
  tries_.pop_back();
  return true;
}

// The statements of one part and the instruction 20 that closes it.
bool PSCompileSession::ParseTryPart(uint8_t part, std::initializer_list<TPSTokenKind> terminators) {
  tries_.back().Part = part;
  if (!ParseStatementList(terminators)) return false;
  Emit(TPSOpcode::TryEnd);
  EmitU8(part);
  return true;
}

// Each try part left is closed as its own end would close it, after the values pushed
// inside it are popped, so that a finally part the executor runs next finds the stack as
// it was when the try began.
void PSCompileSession::LeaveTries(size_t keep) {
  for (size_t i = tries_.size(); i-- > keep;) {
    Pop(depth_ - tries_[i].Depth);
    Emit(TPSOpcode::TryEnd);
    EmitU8(tries_[i].Part);
  }
}

// label -> LABEL ident { ',' ident } ';'
bool PSCompileSession::ParseLabelSection(bool global) {
  Next();
  std::vector<PSLabel>& labels = global ? globalLabels_ : localLabels_;
  for (;;) {
    if (Tk() != tkIdentifier) return Error(ecIdentifierExpected);
    std::string name = lex_.TokenText();
    if (!CheckNewName(name, !global)) return false;
    labels.push_back({name, lex_.OriginalText(), Here(), false, 0, 0, {}});
    Next();
    if (Tk() == tkSemicolon) break;
    if (Tk() != tkComma) return Error(ecCommaExpected);
    Next();
  }
  Next();
  return true;
}

PSLabel* PSCompileSession::FindLabel(std::vector<PSLabel>& labels, const std::string& name) {
  for (PSLabel& label : labels) {
    if (label.Name == name) return &label;
  }
  return nullptr;
}

// labelled -> label ':' statement
bool PSCompileSession::ParseLabelStatement(PSLabel& label) {
  if (label.Set) return Error(ecDuplicateIdentifier, label.Name);
  Next();
  if (!Expect(tkColon, ecColonExpected)) return false;
  label.Set = true;
  label.At = code_->size();
  label.Depth = depth_;
  label.Tries = tries_;
  // A label may end a try part as it may end a block.
  if (Tk() == tkFinally || Tk() == tkExcept) return true;
  return ParseStatement(true);
}

// goto -> GOTO label; resolved when the block ends
bool PSCompileSession::ParseGoto() {
  Next();
  if (Tk() != tkIdentifier) return Error(ecIdentifierExpected);
  std::string name = lex_.TokenText();
  if (!FindLabel(CurrentLabels(), name)) {
    // A label of the main block cannot be reached from a procedure.
    if (proc_ && FindLabel(globalLabels_, name)) return Error(ecInvalidJump);
    return Error(ecUnknownIdentifier, name);
  }
  PSPos at = Here();
  Next();
  gotos_.push_back({name, at, EmitJump(TPSOpcode::Jump), tries_});
  return true;
}

// Every declared label must be set; a goto must stay within its try part and may not
// jump into a statement that holds values on the stack (a for or case statement, a while
// loop) from outside it. A goto out of such statements pops their values on the way.
bool PSCompileSession::ResolveLabels() {
  std::vector<PSLabel>& labels = CurrentLabels();
  for (const PSLabel& label : labels) {
    if (!label.Set) return ErrorAt(label.Where, ecUnSetLabel, label.OrgName);
  }
  for (const PSGoto& jump : gotos_) {
    const PSLabel& label = *FindLabel(labels, jump.Name);
    if (jump.Tries != label.Tries || jump.Jump.Depth < label.Depth) {
      return ErrorAt(jump.Where, ecInvalidJump);
    }
    if (jump.Jump.Depth == label.Depth) {
      PatchTo(jump.Jump, label.At);
    } else {
      gotoStubs_.push_back({jump.Jump, jump.Jump.Depth - label.Depth, label.At});
    }
  }
  gotos_.clear();
  labels.clear();
  return true;
}

void PSCompileSession::EmitGotoStubs() {
  for (const PSGotoStub& stub : gotoStubs_) {
    PatchTo(stub.Jump, code_->size());
    for (int i = 0; i < stub.Pops; ++i)
      Emit(TPSOpcode::Pop);
    PSJump jump = EmitJump(TPSOpcode::Jump);
    PatchTo(jump, stub.Target);
  }
  gotoStubs_.clear();
}

// external -> EXTERNAL string ';'. No host hook binds external declarations, so one that
// reads well still fails, at its EXTERNAL, where the body was due.
bool PSCompileSession::ParseExternal() {
  PSPos at = Here();
  Next();
  if (Tk() != tkString) return Error(ecStringExpected);
  return ErrorAt(at, ecBeginExpected);
}
