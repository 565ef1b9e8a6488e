// The script executor: loads a compiled container, binds its host routines by name and
// runs its main procedure on a value stack. Runtime errors and script exceptions share one
// mechanism (a code, a parameter and the place they happened) and unwind through the
// script's try blocks. Guards that no script can catch bound the instructions run, the
// call depth and the size of strings, so that a level's script can never hang the game.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "script/ps_errors.h"
#include "script/ps_types.h"

class TPSExec;
struct TPSValue;
struct TPSMachine;

// The executor's state: not loaded, loaded, running (inside RunMain), paused (never used by
// the game).
enum class TPSStatus { NotLoaded, Loaded, Running, Paused };

// Which guard, if any, stopped the last RunMain or load.
enum class TPSGuardStop { None, InstructionBudget, CallDepth, MemoryBound };

// One host routine call: its arguments in declaration order, and its result.
class TPSCall {
 public:
  // The number of arguments.
  size_t Count() const { return count_; }
  // The base type of argument i (a var argument: the type of the variable it refers to).
  TPSBaseType ArgType(size_t i) const;
  // Argument i of an integer kind, Int64, Char, WideChar or Boolean; 0 for other kinds.
  int64_t Int(size_t i) const;
  // Argument i of any number kind; 0 for other kinds.
  long double Real(size_t i) const;
  // Argument i of a String, Char or PChar (wide kinds keep the low byte of each character).
  std::string Str(size_t i) const;
  // Writes argument i, converted to its type; a value that does not convert raises a type
  // mismatch once the routine returns.
  void SetInt(size_t i, int64_t v);
  // Writes a number into argument i, converted to its type.
  void SetReal(size_t i, long double v);
  // Writes a text into argument i, converted to its type.
  void SetStr(size_t i, std::string_view v);
  // Stores the result, converted to the result type; ignored for a procedure.
  void SetResultInt(int64_t v);
  // Stores a number result.
  void SetResultReal(long double v);
  // Stores a text result.
  void SetResultStr(std::string_view v);
  // Stores a Boolean result.
  void SetResultBool(bool v);
  // Leaves a script exception pending; the routine then returns false.
  void Raise(TPSError code, std::string_view param);

 private:
  friend struct TPSCallAccess;
  void Fail(TPSError code, std::string_view param);
  TPSValue* Target(size_t i) const;

  TPSValue* const* args_ = nullptr;  // each a value, never a reference
  size_t count_ = 0;
  TPSValue* result_ = nullptr;  // nil for a procedure
  TPSMachine* machine_ = nullptr;
  TPSError error_ = ErNoError;
  std::string errorParam_;
};

// A host routine: answers false when the call failed (with or without a raised exception).
using TPSHostRoutine = std::function<bool(TPSExec&, TPSCall&)>;

// Loads and runs one compiled script.
class TPSExec {
 public:
  // Registers the built-in routines.
  TPSExec();
  ~TPSExec();
  TPSExec(const TPSExec&) = delete;
  TPSExec& operator=(const TPSExec&) = delete;

  // Adds a host routine under the upper-cased name; a later registration of a name hides an
  // earlier one. The selector names a calling convention; only 0 is used.
  void RegisterRoutine(TPSHostRoutine routine, std::string_view name, int selector = 0);
  // Clears anything loaded, then reads and binds a container. False with the error fields
  // set when it fails; the executor is then not loaded.
  bool LoadCompiledData(std::string_view data);
  // Runs the main procedure from its start; true when it ended without a pending exception.
  bool RunMain();
  // The current state.
  TPSStatus Status() const;
  // The code of the last error (ErNoError after a clean run).
  TPSError ExceptionCode() const;
  // The parameter of the last error.
  const std::string& ExceptionParam() const;
  // The procedure in which the last error happened.
  uint32_t ExceptionProcNo() const;
  // The byte position, in that procedure's code, of the instruction that failed.
  uint32_t ExceptionPos() const;
  // PSErrorToString of the last error.
  std::string LastErrorText() const;
  // Stops a RunMain after n instructions; 0 for no limit (the default).
  void SetInstructionBudget(uint64_t n);
  // The instructions the last RunMain ran (the budget it used).
  uint64_t InstructionsRun() const;
  // Stops a RunMain whose script calls nest deeper than n (100000 by default).
  void SetMaxCallDepth(uint32_t n);
  // The guard that stopped the last RunMain or load, if any.
  TPSGuardStop GuardStop() const;

 private:
  friend struct TPSMachine;
  std::unique_ptr<TPSMachine> m_;
};
