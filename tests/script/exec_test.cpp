// The executor on hand-assembled containers: runtime errors with their places, the try
// machinery, loading and binding, host calls, guards, decoding and fused instructions,
// and random instruction streams.
#include "script/exec.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "exec_asm.h"
#include "script/exec_machine.h"

using namespace asmtest;

namespace {

TEST(Exec, runtime_errors_stop_at_the_failing_instruction) {
  RunCases({
      {"opcode 10", "\x0A", " | erInvalidOpcode 1:0"},
      {"opcode 27 after a nop", "\xFF\x1B", " | erInvalidOpcode 1:1"},
      {"jump past the end", A().Op(TPSOpcode::Jump).Word(100).Take(), " | ErOutOfRange 1:105"},
      {"operand past the end", std::string("\x00\x00\x00", 3), " | ErOutOfRange 1:0"},
      {"falling off the end", "\xFF", " | ErOutOfRange 1:1"},
      {"integer division by a zero variable",
       A().Assign(G(0), CI(7)).Calc(3, G(0), G(1)).Ret().Take(), " | ErDivideByZero 1:15"},
      {"mod by zero on the stack", A().PushType(tS32).Calc(4, L(1), CI(0)).Ret().Take(),
       " | ErDivideByZero 1:5"},
      {"pop on an empty stack", A().Pop().Take(), " | erOutOfStackRange 1:0"},
      {"call out of range", A().Call(99).Take(), " | erOutOfProcRange 1:0"},
      {"pushtype out of range", A().PushType(99).Take(), " | erInvalidType 1:0"},
      {"string into an integer", A().Assign(G(0), CS("x")).Take(), " | ErTypeMismatch 1:0"},
      {"float into an integer", A().Assign(G(0), CD(1)).Take(), " | ErTypeMismatch 1:0"},
      {"global out of range", A().Assign(G(50), CI(1)).Take(), " | erOutOfGlobalVarsRange 1:0"},
      {"stack variable outside the stack", A().Assign(L(5), CI(1)).Take(),
       " | erOutOfStackRange 1:0"},
      {"calculate operator 11", A().Calc(11, G(0), CI(1)).Take(),
       " | erInvalidOpcodeParameter 1:0"},
      {"assign to a constant", A().Assign(CI(1), CI(2)).Take(), " | erInvalidOpcodeParameter 1:0"},
      {"condition of a string", A().Op(TPSOpcode::JumpIfFalse).To(1).O(G(2)).Label(1).Ret().Take(),
       " | erInvalidType 1:0"},
      {"element of an integer", A().Assign(E(G(0), 0), CI(1)).Take(), " | ErTypeMismatch 1:0"},
      {"record field out of range", A().Assign(E(G(3), 2), CI(1)).Take(), " | ErOutOfRange 1:0"},
      {"array index out of range", A().Assign(G(0), CI(3)).Assign(X(G(4), G(0)), CI(1)).Take(),
       " | ErOutOfRange 1:15"},
      {"nil reference", A().PushType(tPtr).Assign(L(1), CI(1)).Take(),
       " | erNullPointerException 1:5"},
      {"error inside a called procedure", A().Call(2).Ret().Take(), " | erOutOfStackRange 2:0",
       A().Pop().Ret().Take()},
      {"try end without a try", A().EndTry(0).Take(), " | ErInternalError 1:0"},
  });
}

TEST(Exec, try_machinery) {
  const Opd zero = G(1);  // g1 stays 0
  auto fails = [&](Asm& a) -> Asm& { return a.Calc(3, G(0), zero); };
  Asm a[14];
  RunCases({
      {"finally runs on normal exit",
       a[0].Try(10, -1, -1, 11)
           .Log(CI(1))
           .EndTry(0)
           .Label(10)
           .Log(CI(2))
           .EndTry(1)
           .Label(11)
           .Log(CI(3))
           .Ret()
           .Take(),
       "1 2 3 | ok"},
      {"finally runs on error, then the error goes on",
       fails(a[1].Try(10, -1, -1, 11))
           .Log(CI(1))
           .EndTry(0)
           .Label(10)
           .Log(CI(2))
           .EndTry(1)
           .Label(11)
           .Log(CI(3))
           .Ret()
           .Take(),
       "2 | ErDivideByZero 1:17"},
      {"except catches and clears",
       fails(a[2].Try(-1, 10, -1, 11))
           .Log(CI(1))
           .EndTry(0)
           .Label(10)
           .Log(CI(2))
           .EndTry(2)
           .Label(11)
           .Log(CI(3))
           .Ret()
           .Take(),
       "2 3 | ok"},
      {"except skipped without error",
       a[3].Try(-1, 10, -1, 11)
           .Log(CI(1))
           .EndTry(0)
           .Label(10)
           .Log(CI(2))
           .EndTry(2)
           .Label(11)
           .Log(CI(3))
           .Ret()
           .Take(),
       "1 3 | ok"},
      {"finally then except on error",
       fails(a[4].Try(10, 12, -1, 11))
           .Log(CI(1))
           .EndTry(0)
           .Label(10)
           .Log(CI(2))
           .EndTry(1)
           .Label(12)
           .Log(CI(3))
           .EndTry(2)
           .Label(11)
           .Log(CI(4))
           .Ret()
           .Take(),
       "2 3 4 | ok"},
      {"finally, except skipped, without error",
       a[5].Try(10, 12, -1, 11)
           .Log(CI(1))
           .EndTry(0)
           .Label(10)
           .Log(CI(2))
           .EndTry(1)
           .Label(12)
           .Log(CI(3))
           .EndTry(2)
           .Label(11)
           .Log(CI(4))
           .Ret()
           .Take(),
       "1 2 4 | ok"},
      {"except then second finally on error",
       fails(a[6].Try(-1, 10, 12, 11))
           .Log(CI(1))
           .EndTry(0)
           .Label(10)
           .Log(CI(2))
           .EndTry(2)
           .Label(12)
           .Log(CI(3))
           .EndTry(3)
           .Label(11)
           .Log(CI(4))
           .Ret()
           .Take(),
       "2 3 4 | ok"},
      {"second finally without error",
       a[7].Try(-1, 10, 12, 11)
           .Log(CI(1))
           .EndTry(0)
           .Label(10)
           .Log(CI(2))
           .EndTry(2)
           .Label(12)
           .Log(CI(3))
           .EndTry(3)
           .Label(11)
           .Log(CI(4))
           .Ret()
           .Take(),
       "1 3 4 | ok"},
      {"a return inside a try waits for the finally", a[8].Call(2).Log(CI(4)).Ret().Take(),
       "2 4 | ok",
       a[9].Try(10, -1, -1, 11)
           .Ret()
           .EndTry(0)
           .Label(10)
           .Log(CI(2))
           .EndTry(1)
           .Label(11)
           .Log(CI(3))
           .Ret()
           .Take()},
      {"an error in a called procedure unwinds to the caller's handler",
       a[10]
           .PushType(tS32)
           .Assign(L(1), CI(5))
           .Try(-1, 10, -1, 11)
           .Call(2)
           .Log(CI(1))
           .EndTry(0)
           .Label(10)
           .Log(CI(2))
           .EndTry(2)
           .Label(11)
           .Log(L(1))
           .Pop()
           .Ret()
           .Take(),
       "2 5 | ok", a[11].PushType(tS32).Calc(3, L(1), CI(0)).Log(CI(9)).Ret().Take()},
      {"an end of a part that stands elsewhere leaves through the finally part",
       a[12]
           .Try(10, -1, -1, 11)
           .EndTry(0)
           .Log(CI(1))
           .Ret()
           .EndTry(0)
           .Label(10)
           .Log(CI(2))
           .EndTry(1)
           .Label(11)
           .Log(CI(3))
           .Ret()
           .Take(),
       "2 1 | ok"},
      {"an error in the except part runs the second finally part, then goes on",
       fails(a[13].Try(-1, 10, 12, 11))
           .Log(CI(1))
           .EndTry(0)
           .Label(10)
           .Log(CI(2))
           .Calc(3, G(0), zero)
           .EndTry(2)
           .Label(12)
           .Log(CI(3))
           .EndTry(3)
           .Label(11)
           .Log(CI(4))
           .Ret()
           .Take(),
       "2 3 | ErDivideByZero 1:63"},
  });
}

TEST(Exec, loading_and_binding) {
  Program missing;
  missing.Host("NOPE", std::string("\0", 1));
  missing.Main("\x09");
  EXPECT_EQ(RunProgram(missing), "load: Cannot Import NOPE");

  // A later registration of a name wins; names are upper-cased when registered.
  Program twice;
  uint32_t host = twice.Host("HOST", std::string("\0", 1));
  twice.Main(A().Call(host).Ret().Take());
  EXPECT_EQ(RunProgram(twice,
                       [](TPSExec& exec) {
                         exec.RegisterRoutine([](TPSExec&, TPSCall&) { return false; }, "host");
                         exec.RegisterRoutine([](TPSExec&, TPSCall&) { return true; }, "Host");
                       }),
            " | ok");

  Program none;
  EXPECT_EQ(RunProgram(none), " | ErNoError 0:0");

  // A program too large to decode is refused at load.
  Program huge;
  huge.Main(std::string(kMaxDecodedInstructions + 1, '\xFF'));
  EXPECT_EQ(RunProgram(huge), "load: Out Of Memory");

  // Globals keep their values from one run to the next; a failed load unloads.
  Program counter;
  counter.Var(tS32);
  counter.Main(A().Calc(0, G(0), CI(1)).Log(G(0)).Ret().Take());
  TPSExec exec;
  std::string log;
  AddLog(exec, log);
  ASSERT_TRUE(exec.LoadCompiledData(counter.Bytes()));
  EXPECT_TRUE(exec.RunMain());
  EXPECT_TRUE(exec.RunMain());
  EXPECT_EQ(log, "1 2");
  EXPECT_EQ(exec.Status(), TPSStatus::Loaded);
  EXPECT_FALSE(exec.LoadCompiledData("QXPS"));
  EXPECT_EQ(exec.Status(), TPSStatus::NotLoaded);
  EXPECT_EQ(exec.LastErrorText(), "Invalid Header");
  EXPECT_FALSE(exec.RunMain());
}

// A program calling host routine HOST(a, var b, c): Integer with a = 1, b = g0 = 2, c = 3,
// logging the result and g0 afterwards.
Program HostCallProgram() {
  Program p;
  p.Var(tS32);
  uint32_t host = p.Host("HOST", std::string("\1\0\1\0", 4));
  p.Main(A().Assign(G(0), CI(2))
             .PushType(tS32)
             .Push(CI(3))
             .PushType(tPtr)
             .Op(TPSOpcode::SetRef)
             .O(L(3))
             .O(G(0))
             .Push(CI(1))
             .Op(TPSOpcode::PushRef)
             .O(L(1))
             .Call(host)
             .Pop()
             .Pop()
             .Pop()
             .Pop()
             .Log(L(1))
             .Log(G(0))
             .Ret()
             .Take());
  return p;
}

TEST(Exec, host_calls) {
  const std::pair<TPSHostRoutine, std::string> cases[] = {
      {[](TPSExec&, TPSCall& c) {
         c.SetResultInt(c.Int(0) * 100 + c.Int(1) * 10 + c.Int(2) + 1000 * c.Count());
         c.SetInt(1, 7);
         return true;
       },
       "3123 7 | ok"},
      {[](TPSExec&, TPSCall& c) {
         c.SetResultStr("x");
         return true;
       },
       " | ErTypeMismatch 2:62"},
      {[](TPSExec&, TPSCall&) { return false; }, " | erCouldNotCallProc 2:62"},
      {[](TPSExec&, TPSCall&) -> bool { throw std::runtime_error("boom"); },
       " | erException 'boom' 2:62"},
      {[](TPSExec&, TPSCall& c) {
         c.Raise(erCustomError, "mine");
         return false;
       },
       " | erCustomError 'mine' 2:62"},
  };
  for (const auto& [routine, expected] : cases) {
    EXPECT_EQ(RunProgram(HostCallProgram(),
                         [&, routine = routine](TPSExec& exec) { exec.RegisterRoutine(routine, "HOST"); }),
              expected);
  }
}

TEST(Exec, guards_stop_the_run_past_every_handler) {
  Program loop;
  loop.Main(Asm()
                .Try(-1, 10, -1, 11)
                .Label(1)
                .Op(TPSOpcode::Jump)
                .To(1)
                .EndTry(0)
                .Label(10)
                .Log(CI(2))
                .EndTry(2)
                .Label(11)
                .Ret()
                .Take());
  EXPECT_EQ(RunProgram(loop, [](TPSExec& exec) { exec.SetInstructionBudget(1000); }),
            " | erCustomError 'Instruction budget exceeded' 1:17 budget");

  // Fused pairs count as the two instructions they are.
  for (auto [budget, expected] : {std::pair{11, "1:5"}, std::pair{12, "1:11"}}) {
    Program counting;
    counting.Main(
        Asm().PushType(tS32).Label(0).Op(TPSOpcode::Inc).O(L(1)).Op(TPSOpcode::Jump).To(0).Take());
    EXPECT_EQ(
        RunProgram(counting, [&, budget = budget](TPSExec& exec) { exec.SetInstructionBudget(budget); }),
        std::string(" | erCustomError 'Instruction budget exceeded' ") + expected + " budget");
  }

  // The if shape, stopped before each of its four instructions in turn.
  for (auto [budget, expected] :
       {std::pair{1, "1:5"}, std::pair{2, "1:30"}, std::pair{3, "1:37"}, std::pair{4, "1:38"}}) {
    Program branching;
    branching.Main(Asm()
                       .PushType(tBool)
                       .Op(TPSOpcode::Compare)
                       .Byte(14)
                       .O(L(1))
                       .O(CI(2))
                       .O(CI(1))
                       .Op(TPSOpcode::SetFlag)
                       .O(L(1))
                       .Byte(1)
                       .Pop()
                       .Op(TPSOpcode::JumpFlag)
                       .To(1)
                       .Label(1)
                       .Ret()
                       .Take());
    EXPECT_EQ(
        RunProgram(branching, [&, budget = budget](TPSExec& exec) { exec.SetInstructionBudget(budget); }),
        std::string(" | erCustomError 'Instruction budget exceeded' ") + expected + " budget");
  }

  Program pushing;
  pushing.Main(Asm().PushType(tS32).Assign(L(1), CI(1)).Ret().Take());
  EXPECT_EQ(RunProgram(pushing, [&](TPSExec& exec) { exec.SetInstructionBudget(1); }),
            " | erCustomError 'Instruction budget exceeded' 1:5 budget");

  Program recursion;
  recursion.Main(Asm()
                     .Try(-1, 10, -1, 11)
                     .Call(2)
                     .EndTry(0)
                     .Label(10)
                     .Log(CI(2))
                     .EndTry(2)
                     .Label(11)
                     .Ret()
                     .Take());
  recursion.Proc(Asm().Call(2).Ret().Take());
  EXPECT_EQ(RunProgram(recursion, [](TPSExec& exec) { exec.SetMaxCallDepth(50); }),
            " | erOutOfStackRange 2:0 depth");
  EXPECT_EQ(RunProgram(recursion), " | erOutOfStackRange 2:0 depth");

  Program big;
  uint32_t replicate = big.Host("REPLICATE", std::string("\1\0\0", 3));
  big.Main(Asm()
               .Try(-1, 10, -1, 11)
               .PushType(tStr)
               .Push(CI(70 << 20))
               .Push(CCh('x'))
               .Op(TPSOpcode::PushRef)
               .O(L(1))
               .Call(replicate)
               .EndTry(0)
               .Label(10)
               .Log(CI(2))
               .EndTry(2)
               .Label(11)
               .Ret()
               .Take());
  EXPECT_EQ(RunProgram(big), " | erOutOfMemory 2:45 memory");

  Program doubling;
  doubling.Var(tStr);
  doubling.Main(
      Asm().Assign(G(0), CS("x")).Label(1).Calc(0, G(0), G(0)).Op(TPSOpcode::Jump).To(1).Take());
  EXPECT_EQ(RunProgram(doubling), " | erOutOfMemory 1:16 memory");
}

// The game shares one budget among the scripts of a tick, so a run says what it used:
// all of its budget when stopped, each instruction (a fused pair as two) otherwise.
TEST(Exec, a_run_counts_the_instructions_it_ran) {
  Program counting;
  counting.Main(
      Asm().PushType(tS32).Label(0).Op(TPSOpcode::Inc).O(L(1)).Op(TPSOpcode::Jump).To(0).Take());
  Program pushing;
  pushing.Main(Asm().PushType(tS32).Assign(L(1), CI(1)).Ret().Take());
  for (auto [program, budget, expected] :
       {std::tuple{&counting, 11, 11}, std::tuple{&pushing, 0, 3}, std::tuple{&pushing, 5, 3}}) {
    TPSExec exec;
    std::string log;
    AddLog(exec, log);
    exec.SetInstructionBudget(uint64_t(budget));
    ASSERT_TRUE(exec.LoadCompiledData(program->Bytes()));
    exec.RunMain();
    EXPECT_EQ(exec.InstructionsRun(), uint64_t(expected)) << budget;
  }
}

// Random instruction streams over a small pool of operands: whatever they do, every run
// ends (under a budget), leaves the executor loaded and can run again.
TEST(Exec, hostile_code_ends_cleanly) {
  std::mt19937 rng(20261208);
  auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
  const std::vector<Opd> pool = {G(0),       G(1),       G(2),          G(3),          G(4),
                                 G(5),       G(9),       L(-3),         L(-1),         L(0),
                                 L(1),       L(2),       L(4),          CI(0),         CI(-1),
                                 CI(3),      CS("ab"),   CD(0.5),       CCh('z'),      CB(true),
                                 E(G(3), 1), E(G(4), 5), X(G(4), G(0)), X(L(1), L(2)), E(L(-1), 0)};
  for (int round = 0; round < 3000; ++round) {
    Program p;
    for (uint32_t t : {tS32, tS32, tStr, tRec, tStatic, tDyn, tPtr, tVariant})
      p.Var(t);
    p.Host("LENGTH", std::string("\1\0", 2));
    p.Host("STRGET", std::string("\1\1\0", 3));
    p.Host("SETLENGTH", std::string("\0\1\0", 3));
    std::string code[2];
    for (std::string& body : code) {
      Asm a;
      size_t count = 1 + pick(12);
      for (size_t i = 0; i < count; ++i) {
        uint8_t op = static_cast<uint8_t>(pick(28));
        const std::string_view shape = kOpcodeInfo[op].Shape;
        a.Op(static_cast<TPSOpcode>(op));
        for (char letter : shape) {
          if (letter == 'o') a.O(pool[pick(pool.size())]);
          if (letter == 'b') a.Byte(static_cast<uint8_t>(pick(20)));
          if (letter == 'u') a.Word(static_cast<uint32_t>(pick(op == 11 ? 9 : 6)));
          if (letter == 'j') a.Word(static_cast<uint32_t>(static_cast<int>(pick(40)) - 20));
          if (letter == 'p')
            a.Word(pick(4) == 0 ? kNoCodePosition : static_cast<uint32_t>(pick(30)));
        }
      }
      if (pick(3) != 0) a.Ret();
      body = a.Take();
    }
    p.Main(code[0]);
    p.Proc(code[1]);
    TPSExec exec;
    std::string log;
    AddLog(exec, log);
    exec.SetInstructionBudget(2000);
    exec.SetMaxCallDepth(20);
    ASSERT_TRUE(exec.LoadCompiledData(p.Bytes()));
    exec.RunMain();
    exec.RunMain();
    ASSERT_EQ(exec.Status(), TPSStatus::Loaded);
  }
}

// Calls a built-in with no arguments and logs its result: EXCEPTIONTYPE and the like.
Asm& LogCall(Asm& a, uint32_t routine, uint32_t result, int32_t depth) {
  return a.PushType(result)
      .Op(TPSOpcode::PushRef)
      .O(L(depth + 1))
      .Call(routine)
      .Pop()
      .Log(L(depth + 1))
      .Pop();
}

TEST(Exec, decoding_follows_the_bytes_actually_reached) {
  uint32_t value = 0x09FF;  // the bytes of nop, ret
  RunCases({
      {"a jump into the middle of an instruction runs the bytes found there",
       A().Op(TPSOpcode::Jump).Word(11).Assign(G(0), C(tS32, Raw(&value, 4))).Log(G(0)).Take(),
       " | ok"},
      {"a try position past the code",
       A().Op(TPSOpcode::TryEnter).Word(0).Word(1000).Word(kNoCodePosition).Word(0).Ret().Take(),
       " | ErOutOfRange 1:0"},
      {"pop-jumps, flags and procedure pointers",
       A().PushType(tS32)
           .PushType(tS32)
           .Op(TPSOpcode::Pop2Jump)
           .To(1)
           .Label(1)
           .Op(TPSOpcode::SetFlag)
           .O(CB(true))
           .Byte(1)
           .Op(TPSOpcode::JumpFlag)
           .To(2)
           .Log(CI(1))
           .Label(2)
           .Op(TPSOpcode::CallPtr)
           .O(C(tProc, U32(2)))
           .PushType(tS32)
           .Op(TPSOpcode::PopJump)
           .To(3)
           .Label(3)
           .Log(CI(3))
           .Ret()
           .Take(),
       "1 2 3 | ok", A().Log(CI(2)).Ret().Take()},
      {"a jump to the second instruction of a fused compare and jump",
       A().PushType(tBool)
           .Assign(L(1), CB(true))
           .Op(TPSOpcode::Jump)
           .To(5)
           .Op(TPSOpcode::Compare)
           .Byte(16)
           .O(L(1))
           .O(CI(1))
           .O(CI(2))
           .Label(5)
           .Op(TPSOpcode::JumpIfFalse)
           .To(6)
           .O(L(1))
           .Log(CI(1))
           .Label(6)
           .Log(CI(2))
           .Ret()
           .Take(),
       "1 2 | ok"},
      {"a fused jump on an Int64 result fails as the jump",
       A().PushType(tS64)
           .Op(TPSOpcode::Compare)
           .Byte(16)
           .O(L(1))
           .O(CI(1))
           .O(CI(1))
           .Op(TPSOpcode::JumpIfFalse)
           .To(1)
           .O(L(1))
           .Label(1)
           .Ret()
           .Take(),
       " | erInvalidType 1:30"},
      {"the if shape: compare, setflag, pop, flag jump; condition true",
       A().PushType(tBool)
           .Op(TPSOpcode::Compare)
           .Byte(14)
           .O(L(1))
           .O(CI(2))
           .O(CI(1))
           .Op(TPSOpcode::SetFlag)
           .O(L(1))
           .Byte(1)
           .Pop()
           .Op(TPSOpcode::JumpFlag)
           .To(1)
           .Log(CI(1))
           .Label(1)
           .Log(CI(2))
           .Ret()
           .Take(),
       "1 2 | ok"},
      {"the if shape; condition false",
       A().PushType(tBool)
           .Op(TPSOpcode::Compare)
           .Byte(14)
           .O(L(1))
           .O(CI(1))
           .O(CI(2))
           .Op(TPSOpcode::SetFlag)
           .O(L(1))
           .Byte(1)
           .Pop()
           .Op(TPSOpcode::JumpFlag)
           .To(1)
           .Log(CI(1))
           .Label(1)
           .Log(CI(2))
           .Ret()
           .Take(),
       "2 | ok"},
      {"calling the main procedure through a pointer",
       A().Op(TPSOpcode::CallPtr).O(C(tProc, U32(1))).Take(), " | erOutOfProcRange 1:0"},
  });
}

TEST(Exec, except_parts_see_and_reraise_the_exception) {
  Program p;
  for (uint32_t t : {tS32, tS32})
    p.Var(t);
  uint32_t type = p.Host("EXCEPTIONTYPE", std::string("\1", 1));
  uint32_t proc = p.Host("EXCEPTIONPROC", std::string("\1", 1));
  uint32_t pos = p.Host("EXCEPTIONPOS", std::string("\1", 1));
  uint32_t reraise = p.Host("RAISELASTEXCEPTION", std::string("\0", 1));
  Asm a;
  a.Try(-1, 10, -1, 11)
      .Try(-1, 20, -1, 21)
      .Call(6)
      .EndTry(0)
      .Label(20)
      .Log(CI(1))
      .Call(reraise)
      .Log(CI(9))
      .EndTry(2)
      .Label(21)
      .EndTry(0)
      .Label(10);
  for (uint32_t routine : {type, proc, pos})
    LogCall(a, routine, tS32, 0);
  p.Main(a.EndTry(2).Label(11).Ret().Take());
  p.Proc(Asm().Log(CI(0)).Calc(3, G(0), G(1)).Ret().Take());
  EXPECT_EQ(RunProgram(p), "0 1 15 6 16 | ok");
}

TEST(Exec, host_routines_cannot_reenter_or_reload) {
  Program p;
  uint32_t host = p.Host("HOST", std::string("\0", 1));
  p.Main(Asm().Call(host).Ret().Take());
  const std::string bytes = p.Bytes();
  std::string seen;
  EXPECT_EQ(RunProgram(p,
                       [&](TPSExec& exec) {
                         exec.RegisterRoutine(
                             [&](TPSExec& self, TPSCall&) {
                               seen = std::to_string(self.RunMain()) +
                                      std::to_string(self.LoadCompiledData(bytes)) +
                                      std::to_string(static_cast<int>(self.Status()));
                               return true;
                             },
                             "HOST");
                       }),
            " | ok");
  EXPECT_EQ(seen, "002");
}

}  // namespace
