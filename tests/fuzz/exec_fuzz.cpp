// Feeds arbitrary bytes to the script executor: once as a whole compiled container, and
// once as the code of the main procedure of a container with one type of every kind, a
// global of each, every built-in declared and a host routine that writes its arguments.
// Each load is run twice under a small instruction budget and call depth.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "script/container.h"
#include "script/exec.h"

namespace {

using namespace std::string_view_literals;

// The built-ins, with declarations that fit the argument shapes scripts use, and HOST.
const std::pair<const char*, std::string_view> kRoutines[] = {
    {"INTTOSTR", "\1\0"sv},
    {"COPY", "\1\0\0\0"sv},
    {"DELETE", "\0\1\0\0"sv},
    {"INSERT", "\0\0\1\0"sv},
    {"STRGET", "\1\1\0"sv},
    {"STRSET", "\0\0\0\1"sv},
    {"LENGTH", "\1\0"sv},
    {"SETLENGTH", "\0\1\0"sv},
    {"LOW", "\1\0"sv},
    {"HIGH", "\1\0"sv},
    {"INC", "\0\1"sv},
    {"PADL", "\1\0\0"sv},
    {"ROUND", "\1\0"sv},
    {"STRTOFLOAT", "\1\0"sv},
    {"!ASSIGNED", "\1\0"sv},
    {"VARTYPE", "\1\0"sv},
    {"GETARRAYLENGTH", "\1\1"sv},
    {"SETARRAYLENGTH", "\0\1\0"sv},
    {"RAISEEXCEPTION", "\0\0\0"sv},
    {"RAISELASTEXCEPTION", "\0"sv},
    {"EXCEPTIONPARAM", "\1"sv},
    {"SIZEOF", "\1\0"sv},
    {"WSTRSET", "\0\0\0\1"sv},
    {"HOST", "\1\1\0"sv},
};

TPSContainer CodeContainer(std::string_view code) {
  TPSContainer c;
  for (uint8_t b = btU8; b <= btUnicodeString; ++b) {
    if (!IsContainerBaseType(b)) continue;
    TPSContainerType t;
    t.BaseType = static_cast<TPSBaseType>(b);
    t.FieldTypes = {0, 9};  // records: a byte and a string
    t.ElementType = 5;      // arrays of 32-bit integers
    t.ElementCount = 4;
    t.SetBits = 40;
    c.Types.push_back(t);
  }
  for (uint32_t i = 0; i < c.Types.size(); ++i)
    c.Vars.push_back({i, std::nullopt});
  for (const auto& [name, decl] : kRoutines) {
    TPSContainerProc p;
    p.External = true;
    p.Name = name;
    p.ImportDecl = std::string(decl);
    c.Procs.push_back(p);
  }
  TPSContainerProc main;
  main.Code = std::string(code);
  c.Procs.push_back(main);
  c.MainProc = static_cast<uint32_t>(c.Procs.size() - 1);
  c.Procs.push_back(main);  // a second procedure for calls
  return c;
}

// HOST, and PRINT, which the seeds compiled from the language cases call.
bool Host(TPSExec&, TPSCall& call) {
  for (size_t i = 0; i < call.Count(); ++i) {
    call.SetStr(i, call.Str(i) + "x");
    call.SetInt(i, call.Int(i) + 1);
  }
  call.SetResultReal(call.Real(0));
  return call.Count() != 1;
}

void Run(std::string_view container) {
  TPSExec exec;
  exec.RegisterRoutine(Host, "HOST");
  exec.RegisterRoutine(Host, "PRINT");
  exec.SetInstructionBudget(5000);
  exec.SetMaxCallDepth(50);
  if (!exec.LoadCompiledData(container)) return;
  exec.RunMain();
  exec.RunMain();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Run(bytes);
  Run(WriteContainer(CodeContainer(bytes)));
  return 0;
}
