// Statements, compiled into the current procedure's code as they are read: assignment,
// calls, blocks, if, while, repeat, for, case, break, continue and exit.
#include <algorithm>
#include <utility>

#include "script/compiler_internal.h"
#include "script/ps_integer.h"

namespace {

bool IsIn(TPSTokenKind kind, std::initializer_list<TPSTokenKind> kinds) {
  return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
}

PSOperand VarOperand(const PSExpr& var) {
  PSOperand operand;
  operand.Var = var.Var;
  return operand;
}

}  // namespace

// statements -> statement { ';' statement }, ended by one of the terminators
bool PSCompileSession::ParseStatementList(std::initializer_list<TPSTokenKind> terminators) {
  for (;;) {
    bool done = false;
    if (!ParseAfterStatement(terminators, done)) return false;
    if (done) return true;
    if (!ParseStatement(false)) return false;
    if (Tk() == tkSemicolon) {
      Next();
      continue;
    }
    if (!ParseAfterStatement(terminators, done)) return false;
    if (done) return true;
    return Error(ecSemicolonExpected);
  }
}

// The tokens a statement list cannot go on with: its terminators (done), the end of the
// text, and the parts of a try statement outside one.
bool PSCompileSession::ParseAfterStatement(std::initializer_list<TPSTokenKind> terminators,
                                           bool& done) {
  done = IsIn(Tk(), terminators);
  if (done) return true;
  if (Tk() == tkEndOfText) return Error(ecUnexpectedEndOfFile);
  if (Tk() == tkExcept || Tk() == tkFinally) return Error(ecEndExpected);
  return true;
}

// statement -> assignment | call | block | if | while | repeat | for | case | break
//            | continue | exit | try | goto | label ':' statement | (empty)
// In a one-statement position (single: after then, else, do or a case label) the
// statement may be empty before ';', END, ELSE or UNTIL.
// Each statement counts one level of nesting.
bool PSCompileSession::ParseStatement(bool single) {
  if (!Nest()) return false;
  bool ok = ParseStatementKind(single);
  --nesting_;
  return ok;
}

bool PSCompileSession::ParseStatementKind(bool single) {
  int depth = depth_;
  bool ok = false;
  switch (Tk()) {
    case tkSemicolon:
      return true;
    case tkEnd:
    case tkElse:
    case tkUntil:
      if (single) return true;
      return Error(ecIdentifierExpected);
    case tkIdentifier:
      ok = ParseIdentifierStatement();
      break;
    case tkBegin:
      ok = ParseBlock();
      break;
    case tkIf:
      ok = ParseIf();
      break;
    case tkWhile:
      ok = ParseWhile();
      break;
    case tkRepeat:
      ok = ParseRepeat();
      break;
    case tkFor:
      ok = ParseFor();
      break;
    case tkCase:
      ok = ParseCase();
      break;
    case tkWith:
      ok = ParseWith();
      break;
    case tkExit:
      ok = ParseExit();
      break;
    case tkTry:
      ok = ParseTry();
      break;
    case tkGoto:
      ok = ParseGoto();
      break;
    case tkEndOfText:
      return Error(ecUnexpectedEndOfFile);
    default:
      return Error(ecIdentifierExpected);
  }
  if (ok) CheckDepth(depth);
  return ok && !failed_;
}

// ident-statement -> target-statement | call | BREAK | CONTINUE
bool PSCompileSession::ParseIdentifierStatement() {
  PSPos at = Here();
  std::string name = lex_.TokenText();
  PSExprPtr target;
  if (FindWithField(name, at, target)) {
    Next();
    return ParseSelectors(target, true) && ParseTargetStatement(std::move(target));
  }
  if (PSLabel* label = FindLabel(CurrentLabels(), name)) return ParseLabelStatement(*label);
  const PSSymbol* sym = Lookup(name);
  if (!sym && (name == "BREAK" || name == "CONTINUE")) return ParseBreakContinue(name == "BREAK");
  if (!sym) return Error(ecUnknownIdentifier, name);
  if (sym->Kind == PSSymbolKind::Proc) {
    PSExprPtr call;
    Next();
    if (Tk() == tkAssign) return ErrorAt(at, ecVariableExpected);
    if (!ParseCall(*procs_[sym->Index], at, call)) return false;
    if (call->Kind != PSExprKind::Call) return true;  // folded: SizeOf, Length of a constant
    EmitCall(*call);
    if (call->Type) Pop(1);
    return true;
  }
  if (sym->Kind == PSSymbolKind::Const || sym->Kind == PSSymbolKind::Type) {
    Next();
    return Tk() == tkAssign ? ErrorAt(at, ecVariableExpected) : Error(ecAssignmentExpected);
  }
  PSSymbol copy = *sym;
  if (!ParseVariable(copy, at, target) || !ParseSelectors(target, true)) return false;
  return ParseTargetStatement(std::move(target));
}

// target-statement -> selected-variable ':=' expression
//                   | selected-string '[' expression ']' ':=' expression
//                   | selected-procedure-pointer [ '(' arguments ')' ]
bool PSCompileSession::ParseTargetStatement(PSExprPtr target) {
  if (PSIsProcPtr(target->Type) && Tk() != tkAssign) {
    PSExprPtr call;
    const PSPos at = target->Where;
    if (!ParseCallThrough(std::move(target), at, call)) return false;
    EmitCall(*call);
    if (call->Type) Pop(1);
    return true;
  }
  bool wide = PSIsWideText(target->Type);
  if (Tk() == tkOpenBracket && (PSIsString(target->Type) || wide)) {
    Next();
    PSExprPtr index;
    if (!ParseExpression(index)) return false;
    if (!PSIsInteger(index->Type)) return ErrorAt(index->Where, ecTypeMismatch);
    if (!Expect(tkCloseBracket, ecCloseBlockExpected)) return false;
    if (wide) return ParseWideAssignment(std::move(target), std::move(index));
    return ParseStringAssignment(std::move(target), std::move(index));
  }
  return ParseAssignment(std::move(target));
}

// assignment -> variable ':=' expression
bool PSCompileSession::ParseAssignment(PSExprPtr target) {
  if (Tk() != tkAssign) return Error(ecAssignmentExpected);
  if (!target->Assignable) return ErrorAt(target->Where, ecVariableExpected);
  Next();
  PSExprPtr value;
  if (!ParseExpression(value)) return false;
  FitUntyped(*value, target->Type);
  if (!CanAssign(target->Type, value->Type)) return ErrorAt(value->Where, ecTypeMismatch);
  int temps = 0;
  PSOperand dest = Prepare(*target, temps);  // a variable, perhaps with selectors
  EmitAssign(dest, *value);
  Pop(temps);
  return true;
}

// string-assignment -> variable '[' expression ']' ':=' expression, a call of StrSet
bool PSCompileSession::ParseStringAssignment(PSExprPtr var, PSExprPtr index) {
  if (!Expect(tkAssign, ecAssignmentExpected)) return false;
  PSExprPtr value;
  if (!ParseExpression(value)) return false;
  PSExpr call;
  call.Kind = PSExprKind::Call;
  call.Proc = strSet_;
  call.Args.push_back(std::move(value));
  call.Args.push_back(std::move(index));
  call.Args.push_back(std::move(var));
  for (size_t i = 0; i < call.Args.size(); ++i) {
    if (!CheckArgument(strSet_->Decl.Params[i], call.Args[i])) return false;
  }
  EmitCall(call);
  return true;
}

// block -> BEGIN statements END
bool PSCompileSession::ParseBlock() {
  Next();
  if (!ParseStatementList({tkEnd})) return false;
  Next();
  return true;
}

// if -> IF expression THEN statement [ELSE statement]
bool PSCompileSession::ParseIf() {
  Next();
  PSExprPtr cond;
  if (!ParseExpression(cond) || !CheckCondition(cond)) return false;
  if (!Expect(tkThen, ecThenExpected)) return false;
  PSOperand temp;
  EmitCondition(*cond, temp);
  Emit(TPSOpcode::SetFlag);
  EmitOperand(temp);
  EmitU8(1);  // the flag is set when the condition is false
  Pop(1);
  PSJump toElse = EmitJump(TPSOpcode::JumpFlag);
  if (!ParseStatement(true)) return false;
  if (Tk() != tkElse) {
    PatchHere(toElse);
    return true;
  }
  PSJump toEnd = EmitJump(TPSOpcode::Jump);
  PatchHere(toElse);
  Next();
  if (!ParseStatement(true)) return false;
  PatchHere(toEnd);
  return true;
}

// Ends a loop: its breaks land here, its continues at continueAt.
void PSCompileSession::CloseLoop(size_t continueAt) {
  PSLoop loop = std::move(loops_.back());
  loops_.pop_back();
  for (const PSJump& jump : loop.Breaks)
    PatchHere(jump);
  for (const PSJump& jump : loop.Continues) {
    if (jump.Depth != loop.BodyDepth) Error(ecInternalError, "stack depth");
    PatchTo(jump, continueAt);
  }
}

// while -> WHILE expression DO statement
// The condition's temporary lives through the loop and is popped after it.
bool PSCompileSession::ParseWhile() {
  Next();
  PSExprPtr cond;
  if (!ParseExpression(cond) || !CheckCondition(cond)) return false;
  if (!Expect(tkDo, ecDoExpected)) return false;
  int outer = depth_;
  PSOperand temp = PushTemp(cond->Type);
  size_t top = code_->size();
  EmitInto(temp, cond->Type, *cond);
  PSJump exit = EmitJump(TPSOpcode::JumpIfFalse, &temp);
  loops_.push_back({{}, {}, outer, depth_, tries_.size()});
  if (!ParseStatement(true)) return false;
  EmitJumpTo(TPSOpcode::Jump, top, loops_.back().BodyDepth);
  PatchHere(exit);
  Pop(1);
  CloseLoop(top);
  return true;
}

// repeat -> REPEAT statements UNTIL expression
bool PSCompileSession::ParseRepeat() {
  Next();
  int outer = depth_;
  PSOperand temp = PushTemp(boolean_);
  size_t top = code_->size();
  loops_.push_back({{}, {}, outer, depth_, tries_.size()});
  if (!ParseStatementList({tkUntil})) return false;
  Next();
  size_t continueAt = code_->size();
  PSExprPtr cond;
  if (!ParseExpression(cond) || !CheckCondition(cond)) return false;
  EmitInto(temp, boolean_, *cond);
  EmitJumpTo(TPSOpcode::JumpIfFalse, top, loops_.back().BodyDepth, &temp);
  Pop(1);
  CloseLoop(continueAt);
  return true;
}

namespace {

// The last value a counter of type can take going up (the highest of its width) or down
// (the lowest).
int64_t CounterLimit(const PSType* type, bool up) {
  int bits = PSIntegerBits(type->Base);
  bool isSigned =
      type->Base == btS8 || type->Base == btS16 || type->Base == btS32 || type->Base == btS64;
  if (isSigned) {
    int64_t high = static_cast<int64_t>((uint64_t{1} << (bits - 1)) - 1);
    return up ? high : -high - 1;
  }
  return up ? static_cast<int64_t>((uint64_t{1} << bits) - 1) : 0;
}

}  // namespace

// for -> FOR variable ':=' expression (TO | DOWNTO) expression DO statement
// The end value is computed once, before the loop.
bool PSCompileSession::ParseFor() {
  Next();
  if (Tk() != tkIdentifier) return Error(ecIdentifierExpected);
  PSPos at = Here();
  const PSSymbol* sym = Lookup(lex_.TokenText());
  if (!sym) return Error(ecUnknownIdentifier, lex_.TokenText());
  PSSymbol copy = *sym;
  bool isVar = copy.Kind != PSSymbolKind::Const && copy.Kind != PSSymbolKind::Type &&
               copy.Kind != PSSymbolKind::Proc;
  if (!isVar) return Error(ecVariableExpected);
  PSExprPtr var;
  if (!ParseVariable(copy, at, var)) return false;
  if (!var->Assignable) return ErrorAt(at, ecVariableExpected);
  bool ordinal = PSIsInteger(var->Type) || var->Type->Kind == PSTypeKind::Enum;
  if (!ordinal) return ErrorAt(at, ecTypeMismatch);
  if (!Expect(tkAssign, ecAssignmentExpected)) return false;
  PSExprPtr first;
  if (!ParseExpression(first)) return false;
  if (!CanAssign(var->Type, first->Type)) return ErrorAt(first->Where, ecTypeMismatch);
  if (Tk() != tkTo && Tk() != tkDownTo) return Error(ecToExpected);
  bool up = Tk() == tkTo;
  Next();
  PSExprPtr last;
  if (!ParseExpression(last)) return false;
  if (!CanCompare(var->Type, last->Type)) return ErrorAt(last->Where, ecTypeMismatch);
  if (!Expect(tkDo, ecDoExpected)) return false;
  return EmitFor(*var, *first, *last, up);
}

bool PSCompileSession::EmitFor(const PSExpr& var, const PSExpr& first, const PSExpr& last,
                               bool up) {
  int outer = depth_;
  PSOperand counter = VarOperand(var);
  EmitAssign(counter, first);
  PSOperand end;
  if (last.Kind == PSExprKind::Const) {
    end = ConstOperand(last.Value);
  } else {
    end = PushTemp(last.Type);
    EmitInto(end, last.Type, last);
  }
  PSOperand flag = PushTemp(boolean_);
  size_t top = code_->size();
  EmitCompare(up ? opLessEqual : opGreaterEqual, flag, counter, end);
  PSJump exit = EmitJump(TPSOpcode::JumpIfFalse, &flag);
  loops_.push_back({{}, {}, outer, depth_, tries_.size()});
  if (!ParseStatement(true)) return false;
  size_t continueAt = code_->size();
  // A counter at the last value of its type would wrap around on the step and the loop
  // would never end (for b := 250 to 255, for w := 9 downto 0 with unsigned counters): the
  // loop ends there instead. Only an end that is a constant short of that value cannot
  // bring the counter to it.
  int64_t limit = CounterLimit(var.Type, up);
  bool canReachLimit =
      last.Kind != PSExprKind::Const || (up ? last.Value.Int >= limit : last.Value.Int <= limit);
  PSJump atLimit;
  if (canReachLimit) {
    EmitCompare(opNotEqual, flag, counter, ConstOperand(IntConst(var.Type, limit)));
    atLimit = EmitJump(TPSOpcode::JumpIfFalse, &flag);
  }
  Emit(up ? TPSOpcode::Inc : TPSOpcode::Dec);
  EmitOperand(counter);
  EmitJumpTo(TPSOpcode::Jump, top, loops_.back().BodyDepth);
  PatchHere(exit);
  if (canReachLimit) PatchHere(atLimit);
  Pop(depth_ - outer);
  CloseLoop(continueAt);
  return true;
}

// break-continue -> BREAK | CONTINUE
// Pops what the loop pushed since its start (break) or its body (continue), then jumps.
bool PSCompileSession::ParseBreakContinue(bool isBreak) {
  if (loops_.empty()) return Error(ecNotInLoop);
  Next();
  PSLoop& loop = loops_.back();
  int depth = depth_;
  LeaveTries(loop.TryCount);
  Pop(depth_ - (isBreak ? loop.EndDepth : loop.BodyDepth));
  PSJump jump = EmitJump(TPSOpcode::Jump);
  (isBreak ? loop.Breaks : loop.Continues).push_back(jump);
  // The code after the jump is not reached; it goes on at the depth before the pops.
  depth_ = depth;
  return true;
}

// exit -> EXIT; the return releases everything the procedure pushed.
bool PSCompileSession::ParseExit() {
  Next();
  Emit(TPSOpcode::Return);
  return true;
}

// case -> CASE expression OF { label { ',' label } ':' statement [';'] }
//         [ELSE statement [';']] END
// The selector (when computed) and the branch flag live through the whole statement.
bool PSCompileSession::ParseCase() {
  Next();
  PSExprPtr selector;
  if (!ParseExpression(selector)) return false;
  bool comparable = PSIsOrdinal(selector->Type) || PSIsString(selector->Type);
  if (!comparable) return ErrorAt(selector->Where, ecTypeMismatch);
  if (!Expect(tkOf, ecOfExpected)) return false;
  int outer = depth_;
  PSOperand value;
  if (selector->Kind == PSExprKind::Var || selector->Kind == PSExprKind::Const) {
    int none = 0;
    value = Prepare(*selector, none);
  } else {
    value = PushTemp(selector->Type);
    EmitInto(value, selector->Type, *selector);
  }
  PSOperand flag = PushTemp(boolean_);
  std::vector<PSJump> ends;
  while (Tk() != tkEnd && Tk() != tkElse) {
    if (Tk() == tkEndOfText) return Error(ecUnexpectedEndOfFile);
    if (!ParseCaseBranch(value, selector->Type, flag, ends)) return false;
  }
  if (Tk() == tkElse) {
    Next();
    if (!ParseStatement(true)) return false;
    if (Tk() == tkSemicolon) Next();
  }
  if (!Expect(tkEnd, ecEndExpected)) return false;
  for (const PSJump& jump : ends)
    PatchHere(jump);
  Pop(depth_ - outer);
  return true;
}

// branch -> label { ',' label } ':' statement [';']
bool PSCompileSession::ParseCaseBranch(const PSOperand& selector, PSType* selectorType,
                                       const PSOperand& flag, std::vector<PSJump>& ends) {
  for (bool first = true;; first = false) {
    if (!ParseCaseLabel(selector, selectorType, flag, first)) return false;
    if (Tk() != tkComma) break;
    Next();
  }
  if (!Expect(tkColon, ecColonExpected)) return false;
  PSJump next = EmitJump(TPSOpcode::JumpIfFalse, &flag);
  if (!ParseStatement(true)) return false;
  ends.push_back(EmitJump(TPSOpcode::Jump));
  PatchHere(next);
  if (Tk() == tkSemicolon) Next();
  return true;
}

// label -> expression [ '..' expression ]; the flag becomes true when the selector
// matches this label or an earlier one of the branch.
bool PSCompileSession::ParseCaseLabel(const PSOperand& selector, PSType* selectorType,
                                      const PSOperand& flag, bool first) {
  PSExprPtr low;
  PSExprPtr high;
  if (!ParseExpression(low)) return false;
  if (!CanCompare(selectorType, low->Type)) return ErrorAt(low->Where, ecTypeMismatch);
  if (Tk() == tkRange) {
    Next();
    if (!ParseExpression(high)) return false;
    if (!CanCompare(selectorType, high->Type)) return ErrorAt(high->Where, ecTypeMismatch);
  }
  PSOperand match = first ? flag : PushTemp(boolean_);
  auto compare = [&](const PSOperand& dest, uint8_t op, const PSExpr& bound) {
    int temps = 0;
    PSOperand operand = Prepare(bound, temps);
    EmitCompare(op, dest, selector, operand);
    Pop(temps);
  };
  auto combine = [&](uint8_t op, const PSOperand& into, const PSOperand& other) {
    Emit(TPSOpcode::Calculate);
    EmitU8(op);
    EmitOperand(into);
    EmitOperand(other);
    Pop(1);
  };
  if (!high) {
    compare(match, opEqual, *low);
  } else {
    compare(match, opGreaterEqual, *low);
    PSOperand below = PushTemp(boolean_);
    compare(below, opLessEqual, *high);
    combine(opAnd, match, below);
  }
  if (!first) combine(opOr, flag, match);
  return true;
}
