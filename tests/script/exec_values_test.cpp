// The executor's values on hand-assembled containers: calculation, comparison and
// conversion in the destination's type, statements, variables, parameters and elements,
// and the built-in routines through their handlers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exec_asm.h"
#include "script/exec.h"

using namespace asmtest;

namespace {

// dest := init; dest op= src; log dest.
std::string Calculated(uint32_t type, const Opd& init, uint8_t op, const Opd& src) {
  return RunMain(A().PushType(type).Assign(L(1), init).Calc(op, L(1), src).Log(L(1)).Ret().Take());
}

TEST(Exec, calculate_in_the_destination_type) {
  const struct {
    uint32_t Type;
    Opd Init;
    uint8_t Op;
    Opd Src;
    std::string Expected;
  } cases[] = {
      {tS32, CI(7), 3, CI(2), "3 | ok"},
      {tS32, CI(-7), 3, CI(2), "-3 | ok"},
      {tS32, CI(-7), 4, CI(2), "-1 | ok"},
      {tS32, CI(2147483647), 0, CI(1), "-2147483648 | ok"},
      {tS32, CI(3), 2, CI64(0x100000001), "3 | ok"},
      {tBool, CI(200), 0, CI(100), "44 | ok"},
      {tS32, CI(-1), 6, CI(28), "15 | ok"},
      {tS32, CI(1), 5, CI(33), "2 | ok"},
      {tS64, CI(1), 5, CI(40), "1099511627776 | ok"},
      {tU32, CI(0), 1, CI(1), "4294967295 | ok"},
      {tS32, CI(12), 7, CI(10), "8 | ok"},
      {tS32, CI(12), 9, CI(10), "6 | ok"},
      {tS32, CI(1), 0, CCh('A'), "66 | ok"},
      {tDouble, CI(1), 3, CI(4), "0.25 | ok"},
      {tDouble, CI(1), 3, CD(0), " | ErDivideByZero 1:20"},
      {tDouble, CI(1), 4, CI(2), " | ErTypeMismatch 1:20"},
      {tS32, CI(1), 0, CD(1), " | ErTypeMismatch 1:20"},
      {tExt, CI(1), 3, CI(3), "0.333333333333333 | ok"},
      {tSingle, CD(0.5), 2, CI(3), "1.5 | ok"},
      {tCurrency, CD(1.5), 2, CI(3), "4.5 | ok"},
      {tStr, CS("ab"), 0, CS("cd"), "'abcd' | ok"},
      {tStr, CS("ab"), 0, CCh('x'), "'abx' | ok"},
      {tStr, CS("ab"), 1, CS("b"), " | ErTypeMismatch 1:22"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Calculated(c.Type, c.Init, c.Op, c.Src), c.Expected) << c.Type << " op " << int{c.Op};
  }
}

// x := a op b as compiled: push T; T := a; T op= b; g0 := T; pop; then g0 is logged.
std::string Statement(uint32_t type, const Opd& a, uint8_t op, const Opd& b, uint64_t budget) {
  Program p;
  p.Var(tS32);
  p.Main(A().PushType(type)
             .Assign(L(1), a)
             .Calc(op, L(1), b)
             .Assign(G(0), L(1))
             .Pop()
             .Log(G(0))
             .Ret()
             .Take());
  return RunProgram(p, [&](TPSExec& exec) { exec.SetInstructionBudget(budget); });
}

TEST(Exec, calculation_statements) {
  const struct {
    uint32_t Type;
    Opd A;
    uint8_t Op;
    Opd B;
    uint64_t Budget;
    std::string Expected;
  } cases[] = {
      {tS32, CI(7), 0, CI(5), 0, "12 | ok"},
      {tS32, CI(7), 4, CI(-5), 0, "2 | ok"},
      {tBool, CI(200), 0, CI(100), 0, "44 | ok"},
      {tS64, CI64(int64_t{1} << 40), 0, CI(1), 0, "1 | ok"},
      {tS32, CCh('a'), 0, CI(1), 0, "98 | ok"},
      {tS32, CI(7), 3, CI(0), 0, " | ErDivideByZero 1:20"},
      {tDouble, CI(1), 3, CI(4), 0, " | ErTypeMismatch 1:36"},
      {tS32, CI(7), 0, CI(5), 2, " | erCustomError 'Instruction budget exceeded' 1:20 budget"},
      {tS32, CI(7), 0, CI(5), 3, " | erCustomError 'Instruction budget exceeded' 1:36 budget"},
      {tS32, CI(7), 0, CI(5), 4, " | erCustomError 'Instruction budget exceeded' 1:47 budget"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Statement(c.Type, c.A, c.Op, c.B, c.Budget), c.Expected) << c.Type;
  }
}

// The same shape computing in an older slot than the one it pushes (no compiler writes
// this) runs as its instructions say: the older slot ends up holding the result.
TEST(Exec, calculation_statement_in_another_slot_writes_that_slot) {
  Program p;
  p.Var(tS32);
  p.Main(A().PushType(tS32)
             .PushType(tS32)
             .Assign(L(1), CI(7))
             .Calc(0, L(1), CI(5))
             .Assign(G(0), L(1))
             .Pop()
             .Log(G(0))
             .Log(L(1))
             .Ret()
             .Take());
  EXPECT_EQ(RunProgram(p), "12 12 | ok");
}

TEST(Exec, compare_by_value) {
  const struct {
    Opd Left;
    uint8_t Op;
    Opd Right;
    std::string Expected;
  } cases[] = {
      {CI(1), 15, CI(2), "1 | ok"},
      {CI(2), 12, CD(2.5), "0 | ok"},
      {CI64(5), 16, CI(5), "1 | ok"},
      {CS("abc"), 15, CS("abd"), "1 | ok"},
      {CS("b"), 16, CCh('b'), "1 | ok"},
      {CS("\xe9"), 14, CS("z"), "1 | ok"},
      {CCh('a'), 17, CCh('a'), "0 | ok"},
      {CB(true), 14, CB(false), "1 | ok"},
      {CCh('a'), 15, CI(98), " | ErTypeMismatch 1:5"},
      {CI(1), 18, CI(1), " | ErTypeMismatch 1:5"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RunMain(A().PushType(tBool)
                          .Op(TPSOpcode::Compare)
                          .Byte(c.Op)
                          .O(L(1))
                          .O(c.Left)
                          .O(c.Right)
                          .Log(L(1))
                          .Ret()
                          .Take()),
              c.Expected)
        << int{c.Op};
  }
}

TEST(Exec, assign_converts_and_unary_operations) {
  const struct {
    uint32_t Type;
    Opd Src;
    TPSOpcode Op;
    std::string Expected;
  } cases[] = {
      {tChar, CI(65), TPSOpcode::Nop, "'A' | ok"},
      {tS32, CCh('A'), TPSOpcode::Nop, "65 | ok"},
      {tBool, CI(300), TPSOpcode::Nop, "44 | ok"},
      {tS64, CI(-1), TPSOpcode::Nop, "-1 | ok"},
      {tDouble, CI64(3), TPSOpcode::Nop, "3 | ok"},
      {tCurrency, CI(2), TPSOpcode::Nop, "2 | ok"},
      {tStr, CCh('x'), TPSOpcode::Nop, "'x' | ok"},
      {tChar, CS("x"), TPSOpcode::Nop, " | ErTypeMismatch 1:5"},
      {tBool, CI(0), TPSOpcode::Not, "1 | ok"},
      {tS32, CI(5), TPSOpcode::Not, "0 | ok"},
      {tBool, CI(0), TPSOpcode::BitNot, "255 | ok"},
      {tS32, CI(0), TPSOpcode::BitNot, "-1 | ok"},
      {tS32, CI(5), TPSOpcode::Negate, "-5 | ok"},
      {tDouble, CD(1.5), TPSOpcode::Negate, "-1.5 | ok"},
      {tBool, CI(255), TPSOpcode::Inc, "0 | ok"},
      {tS32, CI(0), TPSOpcode::Dec, "-1 | ok"},
      {tStr, CS("a"), TPSOpcode::Inc, " | ErTypeMismatch 1:21"},
  };
  for (const auto& c : cases) {
    Asm a;
    a.PushType(c.Type).Assign(L(1), c.Src);
    if (c.Op != TPSOpcode::Nop) a.Op(c.Op).O(L(1));
    EXPECT_EQ(RunMain(a.Log(L(1)).Ret().Take()), c.Expected) << c.Type;
  }
}

TEST(Exec, variables_parameters_and_elements) {
  RunCases({
      {"a var parameter writes the caller's variable",
       A().Assign(G(0), CI(1))
           .PushType(tPtr)
           .Op(TPSOpcode::SetRef)
           .O(L(1))
           .O(G(0))
           .Call(2)
           .Pop()
           .Log(G(0))
           .Ret()
           .Take(),
       "6 | ok", A().Calc(0, L(-1), CI(5)).Ret().Take()},
      {"a function result through its reference",
       A().PushType(tS32)
           .Push(CI(21))
           .Op(TPSOpcode::PushRef)
           .O(L(1))
           .Call(2)
           .Pop()
           .Pop()
           .Log(L(1))
           .Ret()
           .Take(),
       "42 | ok", A().Assign(L(-1), L(-2)).Calc(2, L(-1), CI(2)).Ret().Take()},
      {"record fields and array elements",
       A().Assign(E(G(3), 0), CI(4))
           .Assign(E(G(3), 1), CS("r"))
           .Assign(G(0), CI(2))
           .Assign(X(G(4), G(0)), CI(9))
           .Log(E(G(3), 0))
           .Log(E(G(3), 1))
           .Log(E(G(4), 2))
           .Ret()
           .Take(),
       "4 'r' 9 | ok"},
      {"records are copied on assignment",
       A().PushType(tRec)
           .Assign(E(G(3), 0), CI(1))
           .Assign(L(1), G(3))
           .Assign(E(G(3), 0), CI(2))
           .Log(E(L(1), 0))
           .Log(E(G(3), 0))
           .Ret()
           .Take(),
       "1 2 | ok"},
      {"an element reference keeps a popped record alive",
       A().PushType(tRec)
           .PushType(tPtr)
           .Op(TPSOpcode::SetRef)
           .O(L(2))
           .O(E(L(1), 0))
           .Calc(0, L(2), CI(3))
           .Log(L(2))
           .Ret()
           .Take(),
       "3 | ok"},
      {"setrefcopy owns a copy",
       A().Assign(G(0), CI(1))
           .PushType(tPtr)
           .Op(TPSOpcode::SetRefCopy)
           .O(L(1))
           .O(G(0))
           .Calc(0, L(1), CI(5))
           .Log(L(1))
           .Log(G(0))
           .Ret()
           .Take(),
       "6 1 | ok"},
  });
}

// Calls built-in name (declaration decl) with args; logs the by-reference arguments after
// the call, then the result.
std::string CallBuiltin(const std::string& name, const std::string& decl, uint32_t result,
                        const std::vector<Opd>& args) {
  Program p;
  uint32_t routine = p.Host(name, decl);
  bool hasResult = decl[0] != 0;
  Asm a;
  int32_t depth = 0;
  if (hasResult) a.PushType(result), ++depth;
  for (size_t i = args.size(); i-- > 0;) {
    ++depth;
    if (decl[1 + i]) {
      a.PushType(tPtr).Op(TPSOpcode::SetRef).O(L(depth)).O(args[i]);
    } else {
      a.Push(args[i]);
    }
  }
  if (hasResult) a.Op(TPSOpcode::PushRef).O(L(1));
  a.Call(routine);
  if (hasResult) a.Pop();
  const int32_t first = hasResult ? 1 : 0;
  for (size_t i = 0; i < args.size(); ++i) {
    if (decl[1 + i]) a.Log(L(first + static_cast<int32_t>(args.size() - i)));
  }
  if (hasResult) a.Log(L(1));
  p.Main(a.Ret().Take());
  std::string out = RunProgram(p);
  return out.substr(0, out.find(" | ok"));
}

TEST(Exec, builtins_through_their_handlers) {
  const std::string f1("\1\0", 2), f2("\1\0\0", 3), f3("\1\0\0\0", 4), f0("\1", 1);
  const struct {
    const char* Name;
    std::string Decl;
    uint32_t Result;
    std::vector<Opd> Args;
    std::string Expected;
  } cases[] = {
      {"INTTOSTR", f1, tStr, {CI64(-1234)}, "'-1234'"},
      {"STRTOINT", f1, tS32, {CS("$10")}, "16"},
      {"STRTOINT", f1, tS32, {CS("x")}, "-1"},
      {"STRTOINTDEF", f2, tS32, {CS("x"), CI(7)}, "7"},
      {"COPY", f3, tStr, {CS("abcdef"), CI(2), CI(3)}, "'bcd'"},
      {"POS", f2, tS32, {CS("cd"), CS("abcdef")}, "3"},
      {"DELETE", std::string("\0\1\0\0", 4), tS32, {CS("abcdef"), CI(2), CI(3)}, "'aef'"},
      {"INSERT", std::string("\0\0\1\0", 4), tS32, {CS("XY"), CS("abc"), CI(2)}, "'aXYbc'"},
      {"STRGET", std::string("\1\1\0", 3), tChar, {CS("abc"), CI(2)}, "'abc' 'b'"},
      {"STRGET2", f2, tChar, {CS("abc"), CI(3)}, "'c'"},
      {"STRSET", std::string("\0\0\0\1", 4), tS32, {CCh('Z'), CI(2), CS("abc")}, "'aZc'"},
      {"UPPERCASE", f1, tStr, {CS("aB\xe9")}, "'AB\xe9'"},
      {"LOWERCASE", f1, tStr, {CS("aB")}, "'ab'"},
      {"ANSIUPPERCASE", f1, tStr, {CS("a\xe9")}, "'A\xc9'"},
      {"ANSILOWERCASE", f1, tStr, {CS("A\xc9")}, "'a\xe9'"},
      {"TRIM", f1, tStr, {CS(" \tx ")}, "'x'"},
      {"LENGTH", f1, tS32, {CS("abcd")}, "4"},
      {"SETLENGTH", std::string("\0\1\0", 3), tS32, {CS("abcd"), CI(2)}, "'ab'"},
      {"INC", std::string("\0\1", 2), tS32, {CI(5)}, "6"},
      {"DEC", std::string("\0\1", 2), tS32, {CI(5)}, "4"},
      {"SIN", f1, tExt, {CD(0)}, "0"},
      {"COS", f1, tExt, {CD(0)}, "1"},
      {"SQRT", f1, tExt, {CD(16)}, "4"},
      {"ROUND", f1, tS32, {CD(2.5)}, "2"},
      {"TRUNC", f1, tS32, {CD(-2.7)}, "-2"},
      {"INT", f1, tExt, {CD(2.7)}, "2"},
      {"PI", f0, tExt, {}, "3.14159265358979"},
      {"ABS", f1, tExt, {CI(-3)}, "3"},
      {"STRTOFLOAT", f1, tExt, {CS("1.5")}, "1.5"},
      {"STRTOFLOAT",
       f1,
       tExt,
       {CS("x")},
       " | erException ''x' is not a valid floating point value' 2:22"},
      {"FLOATTOSTR", f1, tStr, {CD(0.25)}, "'0.25'"},
      {"PADL", f2, tStr, {CS("ab"), CI(4)}, "'  ab'"},
      {"PADR", f2, tStr, {CS("ab"), CI(4)}, "'ab  '"},
      {"PADZ", f2, tStr, {CS("7"), CI(3)}, "'007'"},
      {"REPLICATE", f2, tStr, {CCh('x'), CI(3)}, "'xxx'"},
      {"STRINGOFCHAR", f2, tStr, {CCh('y'), CI(2)}, "'yy'"},
      {"STRTOINT64", f1, tS64, {CS("123456789012")}, "123456789012"},
      {"INT64TOSTR", f1, tStr, {CI64(-5)}, "'-5'"},
      {"SIZEOF", f1, tS32, {CD(1)}, "8"},
      {"!ASSIGNED", f1, tBool, {CI(0)}, "0"},
      {"!ASSIGNED", f1, tBool, {CS("x")}, "1"},
      {"LOW", f1, tS64, {CS("abc")}, "1"},
      {"HIGH", f1, tS64, {CS("abc")}, "3"},
      {"EXCEPTIONTOSTRING", f2, tStr, {CI(12), CS("")}, "'Type Mismatch'"},
      {"WSTRSET", std::string("\0\0\0\1", 4), tS32, {CCh('x'), CI(2), CS("abc")}, "'axc'"},
      // Only a damaged container passes a number as the character.
      {"WSTRSET",
       std::string("\0\0\0\1", 4),
       tS32,
       {CI(0x263a), CI(1), CS("abc")},
       " | ErTypeMismatch 2:43"},
      {"RAISEEXCEPTION",
       std::string("\0\0\0", 3),
       tS32,
       {CI(24), CS("own")},
       " | erCustomError 'own' 2:23"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CallBuiltin(c.Name, c.Decl, c.Result, c.Args), c.Expected) << c.Name;
  }
}

// A container may declare a built-in with fewer arguments than the routine reads: the call
// fails or works on what is there, and never reads past the arguments it was given.
TEST(Exec, builtins_called_without_their_arguments_fail_cleanly) {
  const char* names[] = {
      "INTTOSTR",
      "STRTOINT",
      "STRTOINTDEF",
      "POS",
      "COPY",
      "DELETE",
      "INSERT",
      "STRGET",
      "STRGET2",
      "STRSET",
      "UPPERCASE",
      "LOWERCASE",
      "TRIM",
      "LENGTH",
      "SETLENGTH",
      "LOW",
      "HIGH",
      "DEC",
      "INC",
      "SIN",
      "SQRT",
      "ROUND",
      "PADL",
      "REPLICATE",
      "!ASSIGNED",
      "VARISEMPTY",
      "VARISNULL",
      "VARTYPE",
      "GETARRAYLENGTH",
      "SETARRAYLENGTH",
      "RAISEEXCEPTION",
      "EXCEPTIONTOSTRING",
      "STRTOINT64",
      "SIZEOF",
      "WSTRGET",
      "WSTRSET",
      "IDISPATCHINVOKE",
  };
  for (const char* name : names) {
    for (const std::string& decl : {std::string("\1", 1), std::string("\0", 1)}) {
      std::string out = CallBuiltin(name, decl, tS32, {});
      EXPECT_TRUE(out.find('|') == std::string::npos || out.rfind(" | ", 0) == 0)
          << name << ": " << out;
    }
  }
}

TEST(Exec, string_index_error_is_a_catchable_script_exception) {
  Program p;
  uint32_t strGet = p.Host("STRGET2", std::string("\1\0\0", 3));
  uint32_t type = p.Host("EXCEPTIONTYPE", std::string("\1", 1));
  uint32_t text = p.Host("EXCEPTIONPARAM", std::string("\1", 1));
  Asm a;
  a.Try(-1, 10, -1, 11)
      .PushType(tChar)
      .Push(CI(0))
      .Push(CS("abc"))
      .Op(TPSOpcode::PushRef)
      .O(L(1))
      .Call(strGet)
      .Log(CI(1))
      .EndTry(0)
      .Label(10);
  for (auto [routine, result] : {std::pair{type, tS32}, std::pair{text, tStr}}) {
    a.PushType(result).Op(TPSOpcode::PushRef).O(L(1)).Call(routine).Pop().Log(L(1)).Pop();
  }
  p.Main(a.EndTry(2).Label(11).Ret().Take());
  EXPECT_EQ(RunProgram(p), "24 'Out of string range' | ok");
}

TEST(Exec, arrays_variants_and_wide_strings) {
  Program p;
  for (uint32_t t : {tDyn, tDyn, tVariant, tDouble, tWide, tS32})
    p.Var(t);
  uint32_t setLength = p.Host("SETARRAYLENGTH", std::string("\0\1\0", 3));
  uint32_t getLength = p.Host("GETARRAYLENGTH", std::string("\1\1", 2));
  uint32_t high = p.Host("HIGH", std::string("\1\0", 2));
  uint32_t varType = p.Host("VARTYPE", std::string("\1\0", 2));
  uint32_t wstrGet = p.Host("WSTRGET", std::string("\1\1\0", 3));
  Asm a;
  a.Push(CI(3)).PushType(tPtr).Op(TPSOpcode::SetRef).O(L(2)).O(G(0)).Call(setLength).Pop().Pop();
  a.Assign(E(G(0), 2), CI(7)).Assign(G(1), G(0)).Assign(E(G(1), 0), CI(5));
  a.Log(E(G(0), 0)).Log(E(G(0), 2));  // the arrays share their elements
  a.PushType(tS32)
      .PushType(tPtr)
      .Op(TPSOpcode::SetRef)
      .O(L(2))
      .O(G(0))
      .Op(TPSOpcode::PushRef)
      .O(L(1))
      .Call(getLength)
      .Pop()
      .Pop()
      .Log(L(1))
      .Pop();
  a.PushType(tS64)
      .PushType(tDyn)
      .Assign(L(2), G(0))
      .Op(TPSOpcode::PushRef)
      .O(L(1))
      .Call(high)
      .Pop()
      .Pop()
      .Log(L(1))
      .Pop();
  a.Assign(G(2), CI(42)).Assign(G(3), G(2)).Log(G(3));
  a.PushType(tU16)
      .Push(G(2))
      .Op(TPSOpcode::PushRef)
      .O(L(1))
      .Call(varType)
      .Pop()
      .Pop()
      .Log(L(1))
      .Pop();
  a.Assign(G(4), CS("hey"))
      .Assign(G(5), CI(2))
      .PushType(tU16)
      .Push(G(5))
      .PushType(tPtr)
      .Op(TPSOpcode::SetRef)
      .O(L(3))
      .O(G(4))
      .Op(TPSOpcode::PushRef)
      .O(L(1))
      .Call(wstrGet)
      .Pop()
      .Pop()
      .Pop()
      .Log(L(1))
      .Pop();
  p.Main(a.Ret().Take());
  EXPECT_EQ(RunProgram(p), "5 7 3 2 42 3 101 | ok");
}

}  // namespace
