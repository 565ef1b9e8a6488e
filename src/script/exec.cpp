// The executor's public face, the run, script calls and returns, and the exception
// mechanism with its try handlers.
#include "script/exec.h"

#include <exception>
#include <new>

#include "script/exec_machine.h"
#include "script/lexer.h"

namespace {

TPSTypeRec MakeType(TPSBaseType base, uint8_t flags) {
  TPSTypeRec t;
  t.Base = base;
  t.Flags = flags;
  t.Size = 12;
  return t;
}

}  // namespace

const TPSTypeRec kPSPointerType = MakeType(btPointer, kTypeManaged);
const TPSTypeRec kPSReturnMarkerType = MakeType(btReturnAddress, 0);

TPSMachine::TPSMachine(TPSExec& o) : owner(o) {}

TPSMachine::~TPSMachine() {
  Clear();
}

void TPSMachine::Stop(TPSError c, std::string_view p, TPSGuardStop g) {
  code = c;
  param = p;
  procNo = proc ? proc->No : 0;
  pos = proc && ip < proc->Code.size() ? proc->Code[ip].Pos : 0;
  guard = g;
  handlers.clear();
}

bool TPSMachine::Raise(TPSError c, std::string_view p) {
  std::string text(p);
  errParam.clear();
  if (c == kPSGuardMemory) {
    Stop(erOutOfMemory, "", TPSGuardStop::MemoryBound);
    return false;
  }
  if (c == kPSGuardDepth) {
    Stop(erOutOfStackRange, "", TPSGuardStop::CallDepth);
    return false;
  }
  if (c == kPSGuardBudget) {
    Stop(erCustomError, "Instruction budget exceeded", TPSGuardStop::InstructionBudget);
    return false;
  }
  code = c;
  param = std::move(text);
  procNo = keepPlace ? keptProcNo : proc->No;
  pos = keepPlace ? keptPos : proc->Code[ip].Pos;
  keepPlace = false;
  return Unwind();
}

// Moves the pending exception into h, whose except part takes it over: it is no longer
// pending, and the exception routines of the script read it from there.
void TPSMachine::HandOver(TPSHandler& h) {
  h.Except = kNoTarget;
  h.Holding = true;
  h.Code = code;
  h.Param = std::move(param);
  h.ProcNo = procNo;
  h.Pos = pos;
  code = ErNoError;
  param.clear();
}

// Hands the pending exception to the innermost handler that can take it: a finally part
// runs with the exception still pending; an except part takes the exception over.
bool TPSMachine::Unwind() {
  while (!handlers.empty()) {
    TPSHandler& h = handlers.back();
    ReleaseStackTo(h.StackCount);
    frames.resize(h.Depth);
    proc = h.Proc;
    base = h.Base;
    if (h.Finally != kNoTarget) {
      ip = h.Finally;
      h.Finally = kNoTarget;
      return true;
    }
    if (h.Except != kNoTarget) {
      ip = h.Except;
      HandOver(h);
      return true;
    }
    // An exception out of the except part still runs the finally part that follows it.
    if (h.Finally2 != kNoTarget) {
      ip = h.Finally2;
      h.Finally2 = kNoTarget;
      h.Holding = false;
      return true;
    }
    handlers.pop_back();
  }
  return false;
}

// A return first lets each try of the current frame run its pending finally part, on the
// stack as it was when the try began; the return is then performed again when that part
// ends.
bool TPSMachine::DoReturn() {
  while (!handlers.empty() && handlers.back().Depth == frames.size()) {
    TPSHandler& h = handlers.back();
    uint32_t* part = h.Finally != kNoTarget ? &h.Finally : &h.Finally2;
    if (*part != kNoTarget) {
      ReleaseStackTo(h.StackCount);
      ip = *part;
      *part = kNoTarget;
      h.ReturnWaiting = true;
      return true;
    }
    handlers.pop_back();
  }
  if (frames.empty()) return false;
  ReleaseStackTo(static_cast<size_t>(base));
  TPSFrame frame = frames.back();
  frames.pop_back();
  proc = frame.Proc;
  ip = frame.Ip;
  base = frame.Base;
  return true;
}

// The end of a part of the innermost try, which belongs to the current frame. False when
// the run ends.
//
// An end that does not stand where a part or the end of the try begins is a jump out of
// the try (break, continue): its finally parts still run, and then the code after that end
// goes on instead of the code after the try. A pending exception takes precedence over
// such a jump.
bool TPSMachine::TryEnd(uint8_t part) {
  TPSHandler& h = handlers.back();
  // The next instruction in the run; the decoded order is not the order of the code bytes.
  uint32_t after = ip + 1;
  bool leaving = !h.Begins(proc->Code[ip].Pos + 2);  // the byte after the opcode and part
  auto jump = [&](uint32_t& target) {
    if (leaving) h.Resume = after;
    ip = target;
    target = kNoTarget;
    return true;
  };
  if (part == 0 && h.Finally != kNoTarget) return jump(h.Finally);
  if (part == 1 && code != ErNoError && h.Except != kNoTarget) {
    // The except part follows the finally part in the code.
    ip = h.Except;
    HandOver(h);
    return true;
  }
  if (part == 2) {
    // The except part is over: the exception routines no longer see its exception.
    h.Except = kNoTarget;
    h.Holding = false;
  }
  if (part != 3 && h.Finally2 != kNoTarget) return jump(h.Finally2);
  uint32_t next = h.Resume != kNoTarget ? h.Resume : h.End != kNoTarget ? h.End : after;
  if (leaving) next = after;
  bool returnWaiting = h.ReturnWaiting;
  handlers.pop_back();
  // Only the ends of finally parts pass a pending exception on.
  if (code != ErNoError && (part == 1 || part == 3)) return Unwind();
  if (returnWaiting) return DoReturn();
  ip = next;
  return true;
}

// Memory exhausted inside an instruction (a string or array below its bound that still
// cannot be allocated) stops the run like the memory guard; nothing escapes RunMain.
void TPSMachine::RunLoopCatching() {
  try {
    Loop();
  } catch (const std::bad_alloc&) {
    Stop(erOutOfMemory, "", TPSGuardStop::MemoryBound);
  } catch (const std::exception& e) {
    Stop(erException, e.what(), TPSGuardStop::None);
  }
}

bool TPSMachine::RunMain() {
  if (status != TPSStatus::Loaded) return false;
  handlers.clear();
  code = ErNoError;
  param.clear();
  procNo = pos = 0;
  guard = TPSGuardStop::None;
  if (mainProc == kNoMainProc) return false;
  if (procs[mainProc].External) {
    code = erNoMainProc;
    procNo = mainProc;
    return false;
  }
  proc = &procs[mainProc];
  ip = 0;
  base = -1;
  jumpFlag = false;
  keepPlace = false;
  budgetLeft = budgetStart = budget == 0 ? UINT64_MAX : budget;
  status = TPSStatus::Running;
  RunLoopCatching();
  status = TPSStatus::Loaded;
  handlers.clear();
  frames.clear();
  ReleaseStackTo(0);
  return code == ErNoError;
}

TPSExec::TPSExec() : m_(std::make_unique<TPSMachine>(*this)) {
  RegisterBuiltins(*this);
}

TPSExec::~TPSExec() = default;

void TPSExec::RegisterRoutine(TPSHostRoutine routine, std::string_view name, int selector) {
  TPSRoutine r;
  r.Name = std::string(name.substr(0, 255));
  for (char& ch : r.Name) {
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  }
  r.Hash = PSNameHash(r.Name);
  r.Fn = std::move(routine);
  r.Selector = selector;
  m_->routines.push_back(std::move(r));
}

bool TPSExec::LoadCompiledData(std::string_view data) {
  if (m_->status == TPSStatus::Running) return false;  // a host routine may not reload
  m_->code = ErNoError;
  m_->param.clear();
  m_->procNo = m_->pos = 0;
  m_->guard = TPSGuardStop::None;
  TPSError error = m_->Load(data);
  if (error == ErNoError) return true;
  std::string param = std::move(m_->param);
  m_->Clear();
  m_->code = error;
  m_->param = std::move(param);
  return false;
}

bool TPSExec::RunMain() {
  return m_->RunMain();
}

TPSStatus TPSExec::Status() const {
  return m_->status;
}

TPSError TPSExec::ExceptionCode() const {
  return m_->code;
}

const std::string& TPSExec::ExceptionParam() const {
  return m_->param;
}

uint32_t TPSExec::ExceptionProcNo() const {
  return m_->procNo;
}

uint32_t TPSExec::ExceptionPos() const {
  return m_->pos;
}

std::string TPSExec::LastErrorText() const {
  return PSErrorToString(m_->code, m_->param);
}

void TPSExec::SetInstructionBudget(uint64_t n) {
  m_->budget = n;
}

void TPSExec::SetMaxCallDepth(uint32_t n) {
  m_->maxDepth = n;
}

uint64_t TPSExec::InstructionsRun() const {
  return m_->budgetStart - m_->budgetLeft;
}

TPSGuardStop TPSExec::GuardStop() const {
  return m_->guard;
}
