// A tiny assembler for executor tests: containers with a fixed set of types, procedures
// written instruction by instruction with labels, and a host routine LOG that records its
// argument, so that a test compares one line of output and one line of outcome
// ("log | outcome", from RunProgram).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "data/byte_io.h"
#include "script/builtin_text.h"
#include "script/container.h"
#include "script/exec.h"

#include <gtest/gtest.h>

namespace asmtest {

// The type numbers every test container has.
enum Type : uint32_t {
  tBool,
  tS32,
  tStr,
  tPtr,
  tS64,
  tDouble,
  tChar,
  tExt,
  tRec,     // record of S32 and String
  tStatic,  // array[1..3] of S32
  tDyn,     // array of S32
  tSingle,
  tCurrency,
  tU32,
  tVariant,
  tWide,
  tU16,
  tS8,
  tProc,  // procedure pointer
};

// One encoded value operand.
struct Opd {
  std::string Bytes;
};

inline std::string U32(uint32_t v) {
  ByteWriter w;
  w.U32(v);
  return w.Take();
}

inline std::string Raw(const void* p, size_t n) {
  return std::string(static_cast<const char*>(p), n);
}

// Global variable n.
inline Opd G(uint32_t n) {
  return {std::string(1, '\0') + U32(n)};
}
// The stack variable at a frame offset.
inline Opd L(int32_t off) {
  return {std::string(1, '\0') + U32(kStackVarBase + static_cast<uint32_t>(off))};
}
// Element n of a variable (G or L).
inline Opd E(const Opd& var, uint32_t n) {
  return {std::string(1, '\2') + var.Bytes.substr(1) + U32(n)};
}
// The element of a variable indexed by another variable.
inline Opd X(const Opd& var, const Opd& index) {
  return {std::string(1, '\3') + var.Bytes.substr(1) + index.Bytes.substr(1)};
}
// A constant of a type with its encoded value.
inline Opd C(uint32_t type, const std::string& encoded) {
  return {std::string(1, '\1') + U32(type) + encoded};
}
inline Opd CI(int32_t v) {
  return C(tS32, Raw(&v, 4));
}
inline Opd CI64(int64_t v) {
  return C(tS64, Raw(&v, 8));
}
inline Opd CB(bool v) {
  return C(tBool, std::string(1, v ? '\1' : '\0'));
}
inline Opd CD(double v) {
  return C(tDouble, Raw(&v, 8));
}
inline Opd CCh(char c) {
  return C(tChar, std::string(1, c));
}
inline Opd CS(const std::string& s) {
  return C(tStr, U32(static_cast<uint32_t>(s.size())) + s);
}

// Code of one procedure, with forward labels for jumps and try positions.
class Asm {
 public:
  Asm& Op(TPSOpcode op) {
    Settle();
    out_ += static_cast<char>(op);
    return *this;
  }
  Asm& Byte(uint8_t b) {
    out_ += static_cast<char>(b);
    return *this;
  }
  Asm& Word(uint32_t w) {
    out_ += U32(w);
    return *this;
  }
  Asm& O(const Opd& o) {
    out_ += o.Bytes;
    return *this;
  }
  // A jump distance or try position to a label, counted from the instruction's end.
  Asm& To(int label) {
    fixups_.push_back({out_.size(), label, 0});
    waiting_.push_back(fixups_.size() - 1);
    return Word(0);
  }
  Asm& Label(int label) {
    Settle();
    labels_[label] = out_.size();
    return *this;
  }
  Asm& Assign(const Opd& d, const Opd& s) { return Op(TPSOpcode::Assign).O(d).O(s); }
  Asm& Calc(uint8_t op, const Opd& d, const Opd& s) {
    return Op(TPSOpcode::Calculate).Byte(op).O(d).O(s);
  }
  Asm& Push(const Opd& s) { return Op(TPSOpcode::Push).O(s); }
  Asm& PushType(uint32_t t) { return Op(TPSOpcode::PushType).Word(t); }
  Asm& Pop() { return Op(TPSOpcode::Pop); }
  Asm& Call(uint32_t proc) { return Op(TPSOpcode::Call).Word(proc); }
  Asm& Ret() { return Op(TPSOpcode::Return); }
  // try with finally, except, second finally and end labels (-1 for none).
  Asm& Try(int fin, int exc, int fin2, int end) {
    Op(TPSOpcode::TryEnter);
    for (int label : {fin, exc, fin2, end}) {
      if (label < 0) {
        Word(kNoCodePosition);
      } else {
        To(label);
      }
    }
    return *this;
  }
  Asm& EndTry(uint8_t part) { return Op(TPSOpcode::TryEnd).Byte(part); }
  // Pushes a copy of a value, calls LOG (procedure 0 by convention) and pops it.
  Asm& Log(const Opd& v) { return Push(v).Call(0).Pop(); }

  std::string Take() {
    Settle();
    for (const Fixup& f : fixups_) {
      uint32_t distance = static_cast<uint32_t>(labels_.at(f.Label) - f.End);
      out_.replace(f.At, 4, U32(distance));
    }
    return out_;
  }

 private:
  struct Fixup {
    size_t At;
    int Label;
    size_t End;
  };
  // The instruction before ends here: its pending fixups learn their base.
  void Settle() {
    for (size_t i : waiting_)
      fixups_[i].End = out_.size();
    waiting_.clear();
  }
  std::string out_;
  std::vector<Fixup> fixups_;
  std::vector<size_t> waiting_;
  std::map<int, size_t> labels_;
};

// A container under construction: the fixed types, LOG as procedure 0, then the rest.
struct Program {
  TPSContainer C;

  Program() {
    auto plain = [&](TPSBaseType b) {
      TPSContainerType t;
      t.BaseType = b;
      C.Types.push_back(t);
    };
    for (TPSBaseType b : {btU8, btS32, btString, btPointer, btS64, btDouble, btChar, btExtended}) {
      plain(b);
    }
    plain(btRecord);
    C.Types.back().FieldTypes = {tS32, tStr};
    plain(btStaticArray);
    C.Types.back().ElementType = tS32;
    C.Types.back().ElementCount = 3;
    C.Types.back().LowBound = 1;
    plain(btArray);
    C.Types.back().ElementType = tS32;
    for (TPSBaseType b :
         {btSingle, btCurrency, btU32, btVariant, btWideString, btU16, btS8, btProcPtr}) {
      plain(b);
    }
    Host("LOG", std::string("\0\0", 2));
  }
  // A host routine entry; answers its procedure number.
  uint32_t Host(const std::string& name, const std::string& decl) {
    TPSContainerProc p;
    p.External = true;
    p.Name = name;
    p.ImportDecl = decl;
    C.Procs.push_back(p);
    return static_cast<uint32_t>(C.Procs.size() - 1);
  }
  // A script procedure; answers its number.
  uint32_t Proc(const std::string& code) {
    TPSContainerProc p;
    p.ExportName = "P" + std::to_string(C.Procs.size());
    p.Code = code;
    C.Procs.push_back(p);
    return static_cast<uint32_t>(C.Procs.size() - 1);
  }
  // The main procedure.
  Program& Main(const std::string& code) {
    C.MainProc = Proc(code);
    return *this;
  }
  // A global variable; answers its number.
  uint32_t Var(uint32_t type) {
    C.Vars.push_back({type, std::nullopt});
    return static_cast<uint32_t>(C.Vars.size() - 1);
  }
  std::string Bytes() const { return WriteContainer(C); }
};

// Registers LOG, which appends its argument's text to log, one space between entries.
inline void AddLog(TPSExec& exec, std::string& log) {
  exec.RegisterRoutine(
      [&log](TPSExec&, TPSCall& call) {
        if (!log.empty()) log += ' ';
        switch (call.ArgType(0)) {
          case btString:
          case btChar:
          case btPChar:
          case btWideString:
            log += "'" + call.Str(0) + "'";
            break;
          case btSingle:
          case btDouble:
          case btExtended:
          case btCurrency:
            log += PSFloatToStr(call.Real(0));
            break;
          default:
            log += std::to_string(call.Int(0));
        }
        return true;
      },
      "LOG");
}

// How a run ended: "ok", or the error name, its parameter, procedure and position, and a
// guard that stopped it.
inline std::string Outcome(const TPSExec& exec, bool result) {
  if (result) return exec.ExceptionCode() == ErNoError ? "ok" : "true with an error?";
  std::string text = std::string(kPSErrorNames.at(exec.ExceptionCode()));
  if (!exec.ExceptionParam().empty()) text += " '" + exec.ExceptionParam() + "'";
  text += " " + std::to_string(exec.ExceptionProcNo()) + ":" + std::to_string(exec.ExceptionPos());
  static const char* guards[] = {"", " budget", " depth", " memory"};
  return text + guards[static_cast<int>(exec.GuardStop())];
}

// Loads p into a fresh executor with LOG and runs it once: "log | outcome".
inline std::string RunProgram(const Program& p, const std::function<void(TPSExec&)>& setup = {}) {
  TPSExec exec;
  std::string log;
  AddLog(exec, log);
  if (setup) setup(exec);
  if (!exec.LoadCompiledData(p.Bytes())) return "load: " + exec.LastErrorText();
  bool result = exec.RunMain();
  return log + " | " + Outcome(exec, result);
}

// A program with globals g0, g1 (S32), g2 (String), g3 (record), g4 (array[1..3]),
// g5 (dynamic array), main as procedure 1 and an optional procedure 2.
inline std::string RunMain(const std::string& main, const std::string& proc2 = "") {
  Program p;
  for (uint32_t t : {tS32, tS32, tStr, tRec, tStatic, tDyn})
    p.Var(t);
  p.Main(main);
  if (!proc2.empty()) p.Proc(proc2);
  return RunProgram(p);
}

struct Case {
  const char* Name;
  std::string Main;
  std::string Expected;
  std::string Proc2 = "";
};

inline void RunCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    EXPECT_EQ(RunMain(c.Main, c.Proc2), c.Expected) << c.Name;
  }
}

inline Asm A() {
  return Asm();
}

}  // namespace asmtest
