// The script engine against Lua 5.4: six programs written in both languages, each run on
// our executor and on Lua in the same process. Prints both times and the ratio engine/Lua
// (below 1.0: the engine is faster). Compiling and loading are not timed, as the game
// compiles once per level and runs its scripts many times.
//
//   script_bench [REPEATS]    best of REPEATS runs of each program (default 3)
#include <lua.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "script/compiler.h"
#include "script/exec.h"

namespace {

struct Program {
  const char* name;
  const char* pascal;  // reports its result with Report(S: string)
  const char* lua;     // reports its result with report(s)
};

const Program kPrograms[] = {
    {"recursive calls",
     R"(function Fib(n: Integer): Integer;
        begin
          if n < 2 then Result := n else Result := Fib(n - 1) + Fib(n - 2);
        end;
        begin Report(IntToStr(Fib(30))); end.)",
     R"(local function fib(n) if n < 2 then return n end return fib(n - 1) + fib(n - 2) end
        report(tostring(fib(30))))"},
    {"integer loops",
     R"(var i, j, sum: Integer;
        begin
          sum := 0;
          for i := 1 to 2000 do
            for j := 1 to 5000 do
              sum := (sum + i * j) mod 1000003;
          Report(IntToStr(sum));
        end.)",
     R"(local sum = 0
        for i = 1, 2000 do for j = 1, 5000 do sum = (sum + i * j) % 1000003 end end
        report(tostring(sum)))"},
    {"string building",
     R"(var i, j, total: Integer; t: string;
        begin
          total := 0;
          for i := 1 to 20000 do begin
            t := '';
            for j := 1 to 50 do t := t + IntToStr(j) + ',';
            total := total + Length(t) + Pos('49,', t);
          end;
          Report(IntToStr(total));
        end.)",
     R"(local total = 0
        for i = 1, 20000 do
          local t = ''
          for j = 1, 50 do t = t .. tostring(j) .. ',' end
          total = total + #t + (string.find(t, '49,', 1, true) or 0)
        end
        report(tostring(total)))"},
    {"host calls",
     R"(var i, sum: Integer;
        begin
          sum := 0;
          for i := 1 to 3000000 do sum := HostAdd(sum, i) mod 1000003;
          Report(IntToStr(sum));
        end.)",
     R"(local sum = 0
        for i = 1, 3000000 do sum = host_add(sum, i) % 1000003 end
        report(tostring(sum)))"},
    {"mixed",
     R"(var i, hits: Integer; x, y, acc: Double; s: string;
        function Dist(a, b: Double): Double;
        begin
          Result := Sqrt(a * a + b * b);
        end;
        begin
          hits := 0; acc := 0; s := '';
          for i := 1 to 1000000 do begin
            x := (i mod 1000) / 1000.0;
            y := (i mod 777) / 777.0;
            if Dist(x, y) < 1 then hits := hits + 1 else acc := acc + x * y;
            if i mod 100000 = 0 then s := s + IntToStr(hits) + ';';
          end;
          Report(s + IntToStr(Trunc(acc)));
        end.)",
     R"(local hits, acc, s = 0, 0.0, ''
        local function dist(a, b) return math.sqrt(a * a + b * b) end
        for i = 1, 1000000 do
          local x = (i % 1000) / 1000.0
          local y = (i % 777) / 777.0
          if dist(x, y) < 1 then hits = hits + 1 else acc = acc + x * y end
          if i % 100000 == 0 then s = s .. tostring(hits) .. ';' end
        end
        report(s .. tostring(math.floor(acc))))"},
    {"array",
     R"(var a: array of Int64; i, r: Integer; sum: Int64;
        begin
          SetLength(a, 1000000);
          sum := 0;
          for r := 1 to 20 do begin
            for i := 0 to 999999 do a[i] := i + r;
            for i := 0 to 999999 do sum := sum + a[i];
          end;
          Report(IntToStr(sum));
        end.)",
     R"(local a, sum = {}, 0
        for r = 1, 20 do
          for i = 1, 1000000 do a[i] = i - 1 + r end
          for i = 1, 1000000 do sum = sum + a[i] end
        end
        report(tostring(sum)))"},
    {"exceptions",
     R"(var i, caught, cleaned: Integer;
        procedure Check(n: Integer);
        begin
          if n mod 3 = 0 then RaiseException(erCustomError, 'three');
        end;
        begin
          caught := 0; cleaned := 0;
          for i := 1 to 300000 do begin
            try
              try
                Check(i);
              finally
                cleaned := cleaned + 1;
              end;
            except
              if ExceptionParam = 'three' then caught := caught + 1;
            end;
          end;
          Report(IntToStr(caught) + ' ' + IntToStr(cleaned));
        end.)",
     R"(local caught, cleaned = 0, 0
        local function check(n) if n % 3 == 0 then error('three', 0) end end
        for i = 1, 300000 do
          local ok, err = pcall(function()
            local fine, inner = pcall(check, i)
            cleaned = cleaned + 1
            if not fine then error(inner, 0) end
          end)
          if not ok and err == 'three' then caught = caught + 1 end
        end
        report(tostring(caught) .. ' ' .. tostring(cleaned)))"},
};

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "script_bench: %s\n", what.c_str());
  std::exit(1);
}

std::string Compile(const Program& program) {
  TPSPascalCompiler compiler;
  compiler.OnUses = [](TPSPascalCompiler& c, const std::string& unit) {
    if (unit != "SYSTEM") return false;
    c.DeclareRoutine("procedure Report(S: string)");
    c.DeclareRoutine("function HostAdd(A, B: Integer): Integer");
    return true;
  };
  std::string data;
  if (!compiler.CompileSource(program.pascal) || !compiler.GetCompiledData(data)) {
    std::string messages;
    for (const TPSPascalCompilerMessage& m : compiler.Messages())
      messages += m.MessageToString() + "\n";
    Fail(std::string(program.name) + " does not compile:\n" + messages);
  }
  return data;
}

// The best time of repeats runs on the engine; the report in result.
double RunEngine(const Program& program, int repeats, std::string& result) {
  std::string data = Compile(program);
  TPSExec exec;
  exec.RegisterRoutine(
      [&result](TPSExec&, TPSCall& call) {
        result = call.Str(0);
        return true;
      },
      "REPORT");
  exec.RegisterRoutine(
      [](TPSExec&, TPSCall& call) {
        call.SetResultInt(call.Int(0) + call.Int(1));
        return true;
      },
      "HOSTADD");
  if (!exec.LoadCompiledData(data)) Fail(std::string(program.name) + ": " + exec.LastErrorText());
  double best = 1e30;
  for (int i = 0; i < repeats; ++i) {
    Clock::time_point start = Clock::now();
    if (!exec.RunMain()) Fail(std::string(program.name) + ": " + exec.LastErrorText());
    best = std::min(best, Seconds(start));
  }
  return best;
}

int LuaReport(lua_State* lua) {
  auto* result = static_cast<std::string*>(lua_touserdata(lua, lua_upvalueindex(1)));
  *result = luaL_checkstring(lua, 1);
  return 0;
}

int LuaHostAdd(lua_State* lua) {
  lua_pushinteger(lua, luaL_checkinteger(lua, 1) + luaL_checkinteger(lua, 2));
  return 1;
}

double RunLua(const Program& program, int repeats, std::string& result) {
  lua_State* lua = luaL_newstate();
  luaL_openlibs(lua);
  lua_pushlightuserdata(lua, &result);
  lua_pushcclosure(lua, LuaReport, 1);
  lua_setglobal(lua, "report");
  lua_register(lua, "host_add", LuaHostAdd);
  double best = 1e30;
  for (int i = 0; i < repeats; ++i) {
    if (luaL_loadstring(lua, program.lua) != LUA_OK) Fail(lua_tostring(lua, -1));
    Clock::time_point start = Clock::now();
    if (lua_pcall(lua, 0, 0, 0) != LUA_OK) Fail(lua_tostring(lua, -1));
    best = std::min(best, Seconds(start));
  }
  lua_close(lua);
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  int repeats = argc > 1 ? std::atoi(argv[1]) : 3;
  if (repeats < 1) Fail("usage: script_bench [REPEATS]");
  std::printf("%-18s %10s %10s %7s\n", "program", "engine ms", "lua ms", "ratio");
  for (const Program& program : kPrograms) {
    std::string engineResult, luaResult;
    double engine = RunEngine(program, repeats, engineResult);
    double lua = RunLua(program, repeats, luaResult);
    if (engineResult != luaResult) {
      Fail(std::string(program.name) + ": the engine reports \"" + engineResult + "\", Lua \"" +
           luaResult + "\"");
    }
    std::printf("%-18s %10.1f %10.1f %7.2f\n", program.name, engine * 1000, lua * 1000,
                engine / lua);
    std::fflush(stdout);
  }
  return 0;
}
