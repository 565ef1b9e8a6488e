// Host routine calls: the arguments on the stack become a TPSCall, the routine runs, and
// its failure or its exception becomes the instruction's error.
#include <exception>
#include <iterator>

#include "script/builtin_text.h"
#include "script/exec_machine.h"

TPSError TPSMachine::CallHost(const DProc& p) {
  const size_t n = p.ByRef.size();
  const size_t need = n + (p.HasResult ? 1 : 0);
  // The arguments lie above the frame's return marker.
  if (static_cast<int64_t>(sp) - static_cast<int64_t>(need) <= base || need > sp) {
    return erOutOfStackRange;
  }
  TPSError err = ErNoError;
  auto value = [&](TPSValue& slot) -> TPSValue* {
    if (slot.Type->Base == btReturnAddress) {
      err = erOutOfStackRange;
      return nullptr;
    }
    return slot.Type->Base == btPointer ? Deref(slot, err) : &slot;
  };
  TPSValue* result = p.HasResult ? value(stack[sp - 1]) : nullptr;
  // Few arguments, the common case, need no allocation.
  TPSValue* few[8];
  TPSValue** args = few;
  if (n > std::size(few)) {
    argBuf.resize(n);
    args = argBuf.data();
  }
  for (size_t i = 0; i < n && err == ErNoError; ++i) {
    args[i] = value(stack[sp - need + n - 1 - i]);
  }
  if (err != ErNoError) return err;
  TPSCall call;
  TPSCallAccess::Bind(call, args, n, result, this);
  bool ok = false;
  try {
    ok = p.Routine->Fn(owner, call);
  } catch (const std::exception& e) {
    errParam = e.what();
    return erException;
  } catch (...) {
    errParam.clear();
    return erException;
  }
  if (TPSCallAccess::Error(call) != ErNoError) {
    errParam = TPSCallAccess::ErrorParam(call);
    return TPSCallAccess::Error(call);
  }
  return ok ? ErNoError : erCouldNotCallProc;
}

TPSValue* TPSCall::Target(size_t i) const {
  return i < count_ ? args_[i] : nullptr;
}

void TPSCall::Fail(TPSError code, std::string_view param) {
  error_ = code;
  errorParam_ = std::string(param);
}

TPSBaseType TPSCall::ArgType(size_t i) const {
  const TPSValue* v = Target(i);
  return v ? v->Type->Base : btReturnAddress;
}

int64_t TPSCall::Int(size_t i) const {
  // An integer argument, the common case, is read at once.
  if (i < count_ && IsIntType(args_[i]->Type)) return args_[i]->I;
  const TPSValue* v = Target(i);
  if (!v) return 0;
  if (v->Type->Base == btVariant && v->Boxed) v = v->Boxed;
  TPSBaseType b = v->Type->Base;
  return IsIntType(v->Type) || b == btChar || b == btWideChar ? v->I : 0;
}

long double TPSCall::Real(size_t i) const {
  long double x = 0;
  const TPSValue* v = Target(i);
  return v && ReadReal(*v, x) ? x : 0;
}

std::string TPSCall::Str(size_t i) const {
  std::string s;
  const TPSValue* v = Target(i);
  if (v) ReadStr(*v, s);
  return s;
}

void TPSCall::SetInt(size_t i, int64_t v) {
  if (TPSValue* t = Target(i); t && AssignInt(*t, v) != ErNoError) Fail(ErTypeMismatch, "");
}

void TPSCall::SetReal(size_t i, long double v) {
  if (TPSValue* t = Target(i); t && AssignReal(*t, v) != ErNoError) Fail(ErTypeMismatch, "");
}

void TPSCall::SetStr(size_t i, std::string_view v) {
  if (v.size() > kPSMaxBuiltinString) return Fail(kPSGuardMemory, "");
  if (TPSValue* t = Target(i); t && AssignStr(*t, v) != ErNoError) Fail(ErTypeMismatch, "");
}

void TPSCall::SetResultInt(int64_t v) {
  if (result_ && IsIntType(result_->Type)) {
    result_->I = Wrap(result_->Type, v);
    return;
  }
  if (result_ && AssignInt(*result_, v) != ErNoError) Fail(ErTypeMismatch, "");
}

void TPSCall::SetResultReal(long double v) {
  if (result_ && AssignReal(*result_, v) != ErNoError) Fail(ErTypeMismatch, "");
}

void TPSCall::SetResultStr(std::string_view v) {
  if (v.size() > kPSMaxBuiltinString) return Fail(kPSGuardMemory, "");
  if (result_ && AssignStr(*result_, v) != ErNoError) Fail(ErTypeMismatch, "");
}

void TPSCall::SetResultBool(bool v) {
  SetResultInt(v ? 1 : 0);
}

void TPSCall::Raise(TPSError code, std::string_view param) {
  Fail(code, param);
}
