// Runs of temporary arithmetic that the executor does at once: their results, and every way
// they must end exactly as the instructions one by one would (errors at their own
// positions, the budget, unexpected stack depths, references, temporaries left pushed).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exec_asm.h"
#include "script/exec.h"

using namespace asmtest;

namespace {

// g0 := (g0 + g0 * g1) mod 7 as compiled: two temporaries, a store and the pops.
Asm Expression() {
  return A()
      .PushType(tS32)
      .Assign(L(1), G(0))
      .PushType(tS32)
      .Assign(L(2), G(0))
      .Calc(2, L(2), G(1))
      .Calc(0, L(1), L(2))
      .Pop()
      .Calc(4, L(1), CI(7))
      .Assign(G(0), L(1))
      .Pop();
}

TEST(ExecBlock, results_and_errors_as_one_by_one) {
  RunCases({
      {"expression", Expression().Log(G(0)).Ret().Take(), "0 | ok"},
      {"expression on set globals",
       A().Assign(G(0), CI(5)).Assign(G(1), CI(4)).Take() + Expression().Log(G(0)).Ret().Take(),
       "4 | ok"},
      {"wraps in the temporary's width",
       A().PushType(tBool)
           .Assign(L(1), CI(250))
           .Calc(0, L(1), CI(10))
           .Assign(G(0), L(1))
           .Pop()
           .Log(G(0))
           .Ret()
           .Take(),
       "4 | ok"},
      {"division by a zero variable stops at the calculation",
       A().PushType(tS32)
           .Assign(L(1), CI(1))
           .Calc(3, L(1), G(1))
           .Assign(G(0), L(1))
           .Pop()
           .Ret()
           .Take(),
       " | ErDivideByZero 1:20"},
      {"a number stored into a string stops at the store, nothing stored",
       A().PushType(tS32)
           .Assign(L(1), CI(1))
           .Calc(0, L(1), CI(2))
           .Assign(G(2), L(1))
           .Pop()
           .Ret()
           .Take(),
       " | ErTypeMismatch 1:36"},
      {"a string source stops at its assignment",
       A().PushType(tS32).Assign(L(1), G(2)).Calc(0, L(1), CI(2)).Pop().Ret().Take(),
       " | ErTypeMismatch 1:5"},
      {"an operand above the expected depth is out of the stack",
       A().PushType(tS32).Assign(L(2), CI(1)).Calc(0, L(2), CI(2)).Pop().Ret().Take(),
       " | erOutOfStackRange 1:5"},
      {"a deeper stack than the code expects runs one by one",
       A().PushType(tS32)
           .PushType(tS32)
           .PushType(tS32)
           .Assign(L(2), CI(3))
           .Calc(2, L(2), CI(3))
           .Log(L(2))
           .Log(L(3))
           .Pop()
           .Pop()
           .Pop()
           .Ret()
           .Take(),
       "9 0 | ok"},
      {"temporaries left pushed keep their values",
       A().PushType(tS32)
           .PushType(tS64)
           .Assign(L(2), CI(6))
           .Calc(2, L(2), CI(7))
           .Assign(L(1), L(2))
           .Calc(1, L(1), CI(2))
           .Log(L(1))
           .Log(L(2))
           .Pop()
           .Pop()
           .Ret()
           .Take(),
       "40 42 | ok"},
      {"floating temporaries",
       A().PushType(tDouble)
           .Assign(L(1), CI(1))
           .Calc(3, L(1), CI(4))
           .Calc(0, L(1), CD(0.5))
           .Log(L(1))
           .Calc(3, L(1), CD(0))
           .Pop()
           .Ret()
           .Take(),
       "0.75 | ErDivideByZero 1:68"},
      {"a comparison sets the flag",
       A().PushType(tBool)
           .Op(TPSOpcode::Compare)
           .Byte(15)
           .O(L(1))
           .O(CD(1.5))
           .O(CI(2))
           .Op(TPSOpcode::SetFlag)
           .O(L(1))
           .Byte(0)
           .Pop()
           .Op(TPSOpcode::JumpFlag)
           .To(1)
           .Log(CI(0))
           .Label(1)
           .Log(CI(1))
           .Ret()
           .Take(),
       "1 | ok"},
  });
}

// A procedure that adds 5 to its var parameter through a temporary.
std::string AddFive() {
  return A()
      .PushType(tS32)
      .Assign(L(1), L(-1))
      .Calc(0, L(1), CI(5))
      .Assign(L(-1), L(1))
      .Pop()
      .Ret()
      .Take();
}

TEST(ExecBlock, references_calls_and_pops) {
  RunCases({
      {"through a var parameter",
       A().Assign(G(1), CI(2))
           .PushType(tPtr)
           .Op(TPSOpcode::SetRef)
           .O(L(1))
           .O(G(1))
           .Call(2)
           .Pop()
           .Log(G(1))
           .Ret()
           .Take(),
       "7 | ok", AddFive()},
      {"a pop pair over a return marker stops at the second", A().Call(2).Ret().Take(),
       " | erOutOfStackRange 2:6", A().PushType(tS32).Pop().Pop().Ret().Take()},
      {"a pop row of three over a return marker stops at the third", A().Call(2).Ret().Take(),
       " | erOutOfStackRange 2:12",
       A().PushType(tS32).PushType(tS32).Pop().Pop().Pop().Ret().Take()},
      {"a pop after an assignment over a return marker stops at the pop", A().Call(2).Ret().Take(),
       " | erOutOfStackRange 2:15", A().Assign(G(0), CI(3)).Pop().Ret().Take()},
      {"a reference pushed for a host call",
       A().Assign(G(0), CI(7)).Op(TPSOpcode::PushRef).O(G(0)).Call(0).Pop().Ret().Take(), "7 | ok"},
      {"a reference pushed for a call",
       A().PushType(tS32).Op(TPSOpcode::PushRef).O(L(1)).Call(2).Pop().Log(L(1)).Pop().Ret().Take(),
       "5 | ok", AddFive()},
  });
}

// g0 := 1 / 3 in a temporary of type, stored into g0 of type dest, then logged.
std::string Third(uint32_t type, uint32_t dest) {
  Program p;
  p.Var(dest);
  p.Main(A().PushType(type)
             .Assign(L(1), CI(1))
             .Calc(3, L(1), CI(3))
             .Assign(G(0), L(1))
             .Pop()
             .Log(G(0))
             .Ret()
             .Take());
  return RunProgram(p);
}

TEST(ExecBlock, floats_in_their_own_precision) {
  const struct {
    uint32_t Type, Dest;
    std::string Expected;
  } cases[] = {
      {tSingle, tDouble, "0.333333343267441 | ok"},
      {tDouble, tDouble, "0.333333333333333 | ok"},
      {tExt, tSingle, "0.333333343267441 | ok"},
      {tExt, tExt, "0.333333333333333 | ok"},
      {tS32, tDouble, "0 | ok"},
      {tDouble, tS32, " | ErTypeMismatch 1:36"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Third(c.Type, c.Dest), c.Expected) << c.Type << " " << c.Dest;
  }
}

TEST(ExecBlock, budget_stops_between_a_reference_and_its_call) {
  Program p;
  p.Var(tS32);
  p.Main(A().Assign(G(0), CI(7)).Op(TPSOpcode::PushRef).O(G(0)).Call(0).Pop().Ret().Take());
  EXPECT_EQ(RunProgram(p, [](TPSExec& exec) { exec.SetInstructionBudget(2); }),
            " | erCustomError 'Instruction budget exceeded' 1:21 budget");
}

TEST(ExecBlock, budget_stops_at_a_pop_after_an_assignment) {
  Program p;
  p.Main(A().PushType(tS32).Log(CI(0)).Assign(L(1), CI(2)).Pop().Ret().Take());
  EXPECT_EQ(RunProgram(p, [](TPSExec& exec) { exec.SetInstructionBudget(5); }),
            "0 | erCustomError 'Instruction budget exceeded' 1:36 budget");
}

// for g0 := 1 to 3 do Log(g0), with the test's result in a temporary of type flag.
Program CountingLoop(uint32_t flag) {
  Program p;
  p.Var(tS32);
  p.Main(A().Assign(G(0), CI(1))
             .PushType(flag)
             .Label(1)
             .Op(TPSOpcode::Compare)
             .Byte(13)
             .O(L(1))
             .O(G(0))
             .O(CI(3))
             .Op(TPSOpcode::JumpIfFalse)
             .To(2)
             .O(L(1))
             .Log(G(0))
             .Op(TPSOpcode::Inc)
             .O(G(0))
             .Op(TPSOpcode::Jump)
             .To(1)
             .Label(2)
             .Pop()
             .Ret()
             .Take());
  return p;
}

// The loop's step and test run together; the budget stops at each of the four.
TEST(ExecBlock, loop_step_and_test) {
  EXPECT_EQ(RunProgram(CountingLoop(tBool)), "1 2 3 | ok");
  EXPECT_EQ(RunProgram(CountingLoop(tS64)), " | erInvalidType 1:41");
  const std::vector<std::pair<uint64_t, std::string>> cases = {
      {7, "1:63"}, {8, "1:69"}, {9, "1:20"}, {10, "1:41"}, {11, "1:51"},
  };
  for (const auto& [budget, pos] : cases) {
    EXPECT_EQ(
        RunProgram(CountingLoop(tBool), [&, budget = budget](TPSExec& exec) { exec.SetInstructionBudget(budget); }),
        "1 | erCustomError 'Instruction budget exceeded' " + pos + " budget")
        << budget;
  }
}

// Stops the expression at each of its instructions in turn.
TEST(ExecBlock, budget_stops_inside_at_each_instruction) {
  const std::vector<std::pair<uint64_t, std::string>> cases = {
      {1, "1:5"}, {2, "1:16"}, {4, "1:32"}, {7, "1:57"}, {9, "1:84"}, {10, "1:85"},
  };
  for (const auto& [budget, pos] : cases) {
    Program p;
    p.Var(tS32);
    p.Var(tS32);
    p.Main(Expression().Log(G(0)).Ret().Take());
    EXPECT_EQ(RunProgram(p, [&, budget = budget](TPSExec& exec) { exec.SetInstructionBudget(budget); }),
              " | erCustomError 'Instruction budget exceeded' " + pos + " budget")
        << budget;
  }
}

}  // namespace
