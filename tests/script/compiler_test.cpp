// The script compiler: messages with their positions, whole listings of the code shapes of
// every statement, folded constants with their types, host declarations and the container.
#include "script/compiler.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "script/container.h"
#include "script/disassembler.h"

namespace {

// The game's declaration hook, cut down: SYSTEM declares two routines, other units fail.
bool GameUses(TPSPascalCompiler& c, const std::string& unit) {
  if (unit != "SYSTEM") return false;
  c.DeclareRoutine("procedure SetInt( Name : string; Value : integer )");
  c.DeclareRoutine("function GetInt( Name : string ) : integer");
  return true;
}

// Every message of a compile, one MessageToString line each.
std::string Messages(const TPSPascalCompiler& c) {
  std::string out;
  for (const TPSPascalCompilerMessage& m : c.Messages())
    out += m.MessageToString() + "\n";
  return out;
}

// The listing of the compiled container followed by the messages, or the messages alone
// when the compile fails.
std::string Compile(const std::string& source) {
  TPSPascalCompiler c;
  c.OnUses = GameUses;
  std::string out;
  if (c.CompileSource(source)) {
    std::string data;
    TPSContainer container;
    std::string param;
    EXPECT_TRUE(c.GetCompiledData(data));
    EXPECT_EQ(ReadContainer(data, container, param), ErNoError);
    out = Disassemble(container);
  }
  return out + Messages(c);
}

std::string MessagesOf(const std::string& source) {
  TPSPascalCompiler c;
  c.OnUses = GameUses;
  c.CompileSource(source);
  return Messages(c);
}

// A 10-byte Extended constant from its hexadecimal listing text.
std::string ExtendedText(const std::string& hex) {
  unsigned char bytes[sizeof(long double)] = {};
  for (size_t i = 0; i < 10 && 2 * i + 2 <= hex.size(); ++i) {
    bytes[i] = static_cast<unsigned char>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
  }
  long double value = 0;
  std::memcpy(&value, bytes, sizeof value);
  char text[64];
  auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

// "TYPE VALUE" of the constant that `const C = expression` folds to, read from the
// operand of an assignment of C in the listing; or the messages when it does not fold.
std::string Folded(const std::string& expression) {
  std::string listing = Compile("const C = " + expression + "; var v: Variant; begin v := C; end.");
  size_t at = listing.find("assign G0, #");
  if (at == std::string::npos) return listing;
  size_t colon = listing.find(':', at);
  size_t end = listing.find('\n', at);
  std::string typeNo = listing.substr(at + 12, colon - at - 12);
  std::string value = listing.substr(colon + 1, end - colon - 1);
  size_t typeLine = listing.find("type " + typeNo + " ");
  size_t nameAt = typeLine + 6 + typeNo.size();
  std::string type = listing.substr(nameAt, listing.find('\n', nameAt) - nameAt);
  if (type == "Extended") value = ExtendedText(value.substr(1));
  return type + " " + value;
}

TEST(Compiler, MessagesAndTheirPositions) {
  struct Case {
    const char* source;
    const char* messages;
  };
  const Case cases[] = {
      {"", "[Error] (1:1): Unexpected end of file\n"},
      {"var x: Integer;", "[Error] (1:16): Unexpected end of file\n"},
      {"program", "[Error] (1:8): Identifier expected\n"},
      {"program p begin end.", "[Error] (1:11): Semicolon (';') expected\n"},
      {"uses System; begin end.", "[Error] (1:6): Duplicate identifier 'SYSTEM'\n"},
      {"uses 5; begin end.", "[Error] (1:6): Identifier expected\n"},
      {"x; begin end.", "[Error] (1:1): 'BEGIN' expected\n"},
      {"begin end", "[Error] (1:10): period ('.') expected\n"},
      {"begin end. \\ after the end", ""},
      {"begin x := 1; end.", "[Error] (1:7): Unknown identifier 'X'\n"},
      {"var a: Integer; A: Byte; begin end.", "[Error] (1:17): Duplicate identifier 'A'\n"},
      {"var a Integer; begin end.", "[Error] (1:7): colon (':') expected\n"},
      {"var a: TFoo; begin end.", "[Error] (1:8): Unknown type 'TFOO'\n"},
      {"const C 1; begin end.", "[Error] (1:9): is ('=') expected\n"},
      {"const C = 1 begin end.", "[Error] (1:13): Semicolon (';') expected\n"},
      {"type T = (a, b; begin end.", "[Error] (1:15): Closing parenthesis expected\n"},
      {"begin { open", "[Error] (1:7): Comment error\n"},
      {"begin SetInt('abc); end.", "[Error] (1:14): String error\n"},
      {"begin SetInt(#65x, 1); end.", "[Error] (1:14): Char error\n"},
      {"begin SetInt('a' 'b', 1); end.", "[Error] (1:18): Syntax error\n"},
      {"var b: Boolean; procedure A; begin end; procedure C; begin end;\n"
       "begin if b then A; else C; end.",
       "[Error] (2:20): Identifier expected\n"},
      {"begin until end.", "[Error] (1:7): Identifier expected\n"},
      {"begin SetInt('a', 1) except end.", "[Error] (1:22): 'END' expected\n"},
      {"begin SetInt('a', 1) SetInt('b', 2) end.", "[Error] (1:22): Semicolon (';') expected\n"},
      {"begin SetInt('a', 1);", "[Error] (1:22): Unexpected end of file\n"},
      {"begin repeat SetInt('a', 1); end.", "[Error] (1:30): Identifier expected\n"},
      {"var x: Integer; begin if x then end.", "[Error] (1:26): Type mismatch\n"},
      {"var b: Boolean; begin if b SetInt('a', 1); end.", "[Error] (1:28): 'THEN' expected\n"},
      {"var b: Boolean; begin while b SetInt('a', 1); end.", "[Error] (1:31): 'DO' expected\n"},
      {"var i: Integer; begin for 1 := 1 to 2 do end.", "[Error] (1:27): Identifier expected\n"},
      {"var i: Integer; begin for i = 1 to 2 do end.", "[Error] (1:29): Assignment expected\n"},
      {"var i: Integer; begin for i := 1 of 2 do end.", "[Error] (1:34): 'TO' expected\n"},
      {"var s: String; begin for s := 1 to 2 do end.", "[Error] (1:26): Type mismatch\n"},
      {"var i: Integer; begin case i 1: end end.", "[Error] (1:30): 'OF' expected\n"},
      {"var a: array 1..3 of Integer; begin end.",
       "[Error] (1:14): Opening square brackets ('[') expected\n"},
      {"var i: Integer; begin case i of 1 SetInt('a', 1) end end.",
       "[Error] (1:35): colon (':') expected\n"},
      {"begin break; end.", "[Error] (1:7): Not in a loop\n"},
      {"var x: Integer; begin x 1; end.", "[Error] (1:25): Assignment expected\n"},
      {"var x: Integer; begin x := 'a'; end.", "[Error] (1:28): Type mismatch\n"},
      {"var x: Integer; begin x := 1.5; end.", "[Error] (1:28): Type mismatch\n"},
      {"const C = 1; begin C := 2; end.", "[Error] (1:20): Variable Expected\n"},
      {"procedure P(const a: Integer); begin a := 1; end; begin end.",
       "[Error] (1:38): Variable Expected\n"},
      {"var x: Integer; begin x := 'a' + 1; end.", "[Error] (1:32): Type mismatch\n"},
      {"var x: Integer; begin x := (1 + 2; end.", "[Error] (1:34): Closing parenthesis expected\n"},
      {"var c: Char; begin c := chr 65; end.",
       "[Error] (1:29): opening parenthesis ('(')expected\n"},
      {"var s: String; begin s[1 := 'a'; end.",
       "[Error] (1:26): Closing square bracket (']') expected\n"},
      {"procedure P; begin end; var x: Integer; begin x := P; end.", "[Error] (1:52): No result\n"},
      {"begin SetInt('a'); end.", "[Error] (1:7): Invalid number of parameters\n"},
      {"begin SetInt('a' 1); end.", "[Error] (1:18): comma (',') expected\n"},
      {"begin SetInt('a', 1 2); end.", "[Error] (1:21): Closing parenthesis expected\n"},
      {"begin SetInt(1, 1); end.", "[Error] (1:14): Type mismatch\n"},
      {"begin Inc(1); end.", "[Error] (1:11): Variable Expected\n"},
      {"procedure P(var a: Integer); begin end; begin P(2); end.",
       "[Error] (1:49): Variable Expected\n"},
      {"procedure P(var a: Integer); begin end; var b: Byte; begin P(b); end.",
       "[Error] (1:62): Type mismatch\n"},
      {"begin Unknown(1); end.", "[Error] (1:7): Unknown identifier 'UNKNOWN'\n"},
      {"procedure P; forward; begin end.", "[Error] (1:11): Unsatisfied Forward P\n"},
      {"procedure P(a: Integer); forward; procedure P(b: Integer); begin end; begin end.",
       "[Error] (1:45): Forward Parameter Mismatch\n"},
      {"procedure P; begin end; procedure P; begin end; begin end.",
       "[Error] (1:35): Duplicate identifier 'P'\n"},
      {"procedure P; external 'x'; begin end.", "[Error] (1:14): 'BEGIN' expected\n"},
      {"procedure P; begin end begin end.", "[Error] (1:24): Semicolon (';') expected\n"},
      {"procedure P; SetInt; begin end.", "[Error] (1:14): 'BEGIN' expected\n"},
      {"const C = 10 div 0; begin end.", "[Error] (1:14): Divide by Zero\n"},
      {"const C = 1 mod 0; begin end.", "[Error] (1:13): Divide by Zero\n"},
      {"const C = 1.5 / 0; begin end.", "[Error] (1:15): Divide by Zero\n"},
      {"var x: Integer; const C = x; begin end.", "[Error] (1:27): Type mismatch\n"},
      {"type TColor = (Red, Green, Blue); TAlias = TColor; var c: TAlias;\n"
       "begin c := Blue; if c > Red then c := Succ; end.",
       "[Error] (2:39): Unknown identifier 'SUCC'\n"},
      {"type TColor = (Red, Green); var c: TColor; begin c := 1; end.",
       "[Error] (1:55): Type mismatch\n"},
      {"type TColor = (Red, Green); var Red: Integer; begin end.",
       "[Error] (1:33): Duplicate identifier 'RED'\n"},
      {"type TColor = (Red, Green); var c: TColor; b: LongBool; i: Int64;\n"
       "begin for c := Red to Green do b := c = Red; while b do b := not b; i := ord(c); end.",
       ""},
      {"function F: Integer; begin F := 1; end; begin end.", "[Error] (1:28): Variable Expected\n"},
      {"function F: Integer; var Result: Integer; begin end; begin end.",
       "[Error] (1:26): Duplicate identifier 'RESULT'\n"},
      {"procedure P; begin Result := 1; end; begin end.",
       "[Error] (1:20): Unknown identifier 'RESULT'\n"},
      {"var x, unused: Integer; begin x := 1; end.",
       "[Hint] (1:8): Variable 'unused' never used\n"},
      {"var x: Integer; begin if True and (x > 1) then x := 1; end.",
       "[Warning] (1:31): \"True and\" is not needed\n"},
      {"var b: Boolean; begin b := b and True; b := False or b; b := b or False; end.",
       "[Warning] (1:30): \"and True\" is not needed\n"
       "[Warning] (1:51): \"False or\" is not needed\n"
       "[Warning] (1:64): \"or False\" is not needed\n"},
      {"var b: Boolean; begin b := b and False; b := True or b; end.",
       "[Warning] (1:30): Calculation always evaluates to False\n"
       "[Warning] (1:51): Calculation always evaluates to True\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MessagesOf(c.source), c.messages) << c.source;
  }
}

TEST(Compiler, CodeShapesOfStatementsAndCalls) {
  struct Case {
    const char* source;
    const char* listing;
  };
  const Case cases[] = {
      {"var b: Boolean; x: Integer; begin if b then x := 1; end.",
       R"(version 23 main 0
type 0 U8
type 1 S32
var 0 type 0 export "B"
var 1 type 1 export "X"
proc 0 "!MAIN"
  0000  pushtype 0
  0005  assign [+1], G0
  0016  setflag [+1], 1
  0023  pop
  0024  jumpflag @0044
  0029  assign G1, #1:1
  0044  ret
)"},
      {"var x: Integer; begin if x > 2 then x := 1 else x := 2; end.",
       R"(version 23 main 0
type 0 U8
type 1 S32
var 0 type 1 export "X"
proc 0 "!MAIN"
  0000  pushtype 0
  0005  compare 14, [+1], G0, #1:2
  0026  setflag [+1], 1
  0033  pop
  0034  jumpflag @0059
  0039  assign G0, #1:1
  0054  jump @0074
  0059  assign G0, #1:2
  0074  ret
)"},
      {"var x: Integer; begin while x < 10 do x := x + 1; end.",
       R"(version 23 main 0
type 0 U8
type 1 S32
var 0 type 1 export "X"
proc 0 "!MAIN"
  0000  pushtype 0
  0005  compare 15, [+1], G0, #1:10
  0026  jumpifnot @0085, [+1]
  0036  pushtype 1
  0041  assign [+2], G0
  0052  calc 0, [+2], #1:1
  0068  assign G0, [+2]
  0079  pop
  0080  jump @0005
  0085  pop
  0086  ret
)"},
      {"var x: Integer; begin repeat x := x - 1 until x = 0; end.",
       R"(version 23 main 0
type 0 U8
type 1 S32
var 0 type 1 export "X"
proc 0 "!MAIN"
  0000  pushtype 0
  0005  pushtype 1
  0010  assign [+2], G0
  0021  calc 1, [+2], #1:1
  0037  assign G0, [+2]
  0048  pop
  0049  compare 16, [+1], G0, #1:0
  0070  jumpifnot @0005, [+1]
  0080  pop
  0081  ret
)"},
      {"var i: Integer; begin for i := 1 to 3 do SetInt('i', i); end.",
       R"(version 23 main 0
type 0 S32
type 1 U8
type 2 String
type 3 Char
var 0 type 0 export "I"
proc 0 "!MAIN"
  0000  assign G0, #0:1
  0015  pushtype 1
  0020  compare 13, [+1], G0, #0:3
  0041  jumpifnot @0102, [+1]
  0051  pushtype 0
  0056  assign [+2], G0
  0067  pushtype 2
  0072  assign [+3], #3:"i"
  0084  call 1
  0089  pop
  0090  pop
  0091  inc G0
  0097  jump @0020
  0102  pop
  0103  ret
proc 1 external "SETINT"
)"},
      {"var i, n: Integer; begin for i := n * 2 downto 1 do if i = 3 then continue else break; "
       "end.",
       R"(version 23 main 0
type 0 S32
type 1 U8
var 0 type 0 export "I"
var 1 type 0 export "N"
proc 0 "!MAIN"
  0000  pushtype 0
  0005  assign [+1], G1
  0016  calc 2, [+1], #0:2
  0032  assign G0, [+1]
  0043  pop
  0044  pushtype 1
  0049  compare 12, [+1], G0, #0:1
  0070  jumpifnot @0146, [+1]
  0080  pushtype 1
  0085  compare 16, [+2], G0, #0:3
  0106  setflag [+2], 1
  0113  pop
  0114  jumpflag @0129
  0119  jump @0135
  0124  jump @0135
  0129  pop
  0130  jump @0147
  0135  dec G0
  0141  jump @0049
  0146  pop
  0147  ret
)"},
      {"var x: Integer; begin case x of 1: x := 2; 2, 3: ; 4..6: x := 0; else x := 9; end; end.",
       R"(version 23 main 0
type 0 U8
type 1 S32
var 0 type 1 export "X"
proc 0 "!MAIN"
  0000  pushtype 0
  0005  compare 16, [+1], G0, #1:1
  0026  jumpifnot @0056, [+1]
  0036  assign G0, #1:2
  0051  jump @0236
  0056  compare 16, [+1], G0, #1:2
  0077  pushtype 0
  0082  compare 16, [+2], G0, #1:3
  0103  calc 8, [+1], [+2]
  0115  pop
  0116  jumpifnot @0131, [+1]
  0126  jump @0236
  0131  compare 12, [+1], G0, #1:4
  0152  pushtype 0
  0157  compare 13, [+2], G0, #1:6
  0178  calc 7, [+1], [+2]
  0190  pop
  0191  jumpifnot @0221, [+1]
  0201  assign G0, #1:0
  0216  jump @0236
  0221  assign G0, #1:9
  0236  pop
  0237  ret
)"},
      {"function Twice(var a: Integer; s: String): Integer; begin a := a * 2; Result := a; end; "
       "var x: Integer; begin x := Twice(x, 'a') + 1; end.",
       R"(version 23 main 1
type 0 S32
type 1 String
type 2 Char
type 3 Pointer
var 0 type 0 export "X"
proc 0 "TWICE"
  0000  pushtype 0
  0005  assign [+1], [-2]
  0016  calc 2, [+1], #0:2
  0032  assign [-2], [+1]
  0043  pop
  0044  assign [-1], [-2]
  0055  ret
proc 1 "!MAIN"
  0000  pushtype 0
  0005  pushtype 0
  0010  pushtype 1
  0015  assign [+3], #2:"a"
  0027  pushtype 3
  0032  setref [+4], G0
  0043  pushref [+2]
  0049  call 0
  0054  pop
  0055  pop
  0056  pop
  0057  assign [+1], [+2]
  0068  pop
  0069  calc 0, [+1], #0:1
  0085  assign G0, [+1]
  0096  pop
  0097  ret
)"},
      {"var b: Boolean; i: Integer; c: Char; begin b := not (i > 0); i := not i; i := -i; c := "
       "chr(i + 1); i := ord(c); end.",
       R"(version 23 main 0
type 0 U8
type 1 S32
type 2 Char
var 0 type 0 export "B"
var 1 type 1 export "I"
var 2 type 2 export "C"
proc 0 "!MAIN"
  0000  pushtype 0
  0005  compare 14, [+1], G1, #1:0
  0026  not [+1]
  0032  assign G0, [+1]
  0043  pop
  0044  pushtype 1
  0049  assign [+1], G1
  0060  bitnot [+1]
  0066  assign G1, [+1]
  0077  pop
  0078  pushtype 1
  0083  assign [+1], G1
  0094  neg [+1]
  0100  assign G1, [+1]
  0111  pop
  0112  pushtype 2
  0117  pushtype 1
  0122  assign [+2], G1
  0133  calc 0, [+2], #1:1
  0149  assign [+1], [+2]
  0160  pop
  0161  assign G2, [+1]
  0172  pop
  0173  pushtype 1
  0178  assign [+1], G2
  0189  assign G1, [+1]
  0200  pop
  0201  ret
)"},
      {"var s: String; c: Char; n: Integer; begin c := s[n]; s[1] := c; Inc(n); n := Length(s + "
       "'x'); end.",
       R"(version 23 main 0
type 0 Char
type 1 S32
type 2 Pointer
type 3 String
var 0 type 3 export "S"
var 1 type 0 export "C"
var 2 type 1 export "N"
proc 0 "!MAIN"
  0000  pushtype 0
  0005  pushtype 1
  0010  assign [+2], G2
  0021  pushtype 2
  0026  setref [+3], G0
  0037  pushref [+1]
  0043  call 1
  0048  pop
  0049  pop
  0050  pop
  0051  assign G1, [+1]
  0062  pop
  0063  pushtype 2
  0068  setref [+1], G0
  0079  pushtype 1
  0084  assign [+2], #1:1
  0099  pushtype 0
  0104  assign [+3], G1
  0115  call 2
  0120  pop
  0121  pop
  0122  pop
  0123  pushtype 2
  0128  setref [+1], G2
  0139  call 3
  0144  pop
  0145  pushtype 1
  0150  pushtype 3
  0155  assign [+2], G0
  0166  calc 0, [+2], #0:"x"
  0179  pushref [+1]
  0185  call 4
  0190  pop
  0191  pop
  0192  assign G2, [+1]
  0203  pop
  0204  ret
proc 1 external "STRGET"
proc 2 external "STRSET"
proc 3 external "INC"
proc 4 external "LENGTH"
)"},
      {"procedure P(a: Byte; var b: String); var t: Int64; begin t := a; if t > 0 then exit; b := "
       "'x' end; var s: String; begin P(1, s); end.",
       R"(version 23 main 1
type 0 S64
type 1 U8
type 2 S32
type 3 Char
type 4 Pointer
type 5 U8
type 6 String
var 0 type 6 export "S"
proc 0 "P"
  0000  pushtype 0
  0005  assign [+1], [-1]
  0016  pushtype 1
  0021  compare 14, [+2], [+1], #2:0
  0042  setflag [+2], 1
  0049  pop
  0050  jumpflag @0056
  0055  ret
  0056  assign [-2], #3:"x"
  0068  ret
proc 1 "!MAIN"
  0000  pushtype 4
  0005  setref [+1], G0
  0016  pushtype 5
  0021  assign [+2], #2:1
  0036  call 0
  0041  pop
  0042  pop
  0043  ret
)"},
      {"const K = 'abc'; var c: Char; begin c := K[2]; end.",
       R"(version 23 main 0
type 0 Char
type 1 S32
type 2 String
var 0 type 0 export "C"
proc 0 "!MAIN"
  0000  pushtype 0
  0005  pushtype 1
  0010  assign [+2], #1:2
  0025  pushtype 2
  0030  assign [+3], #2:"abc"
  0048  pushref [+1]
  0054  call 1
  0059  pop
  0060  pop
  0061  pop
  0062  assign G0, [+1]
  0073  pop
  0074  ret
proc 1 external "STRGET2"
)"},
      // A constant field or index selects by number, a computed index through a variable
      // (less the low bound); a selector after another one goes through a reference.
      {"type TR = record a: Byte; b: array[2..4] of Integer; end;"
       "var r: TR; i: Integer; d: array of Integer;"
       "begin r.b[i] := r.b[3]; d[i] := r.a; end.",
       R"(version 23 main 0
type 0 Pointer
type 1 S64
type 2 U8
type 3 S32
type 4 StaticArray 3 3 2
type 5 Record 2 4
type 6 Array 3
var 0 type 5 export "R"
var 1 type 3 export "I"
var 2 type 6 export "D"
proc 0 "!MAIN"
  0000  pushtype 0
  0005  setref [+1], G0.1
  0020  pushtype 1
  0025  assign [+2], G1
  0036  calc 1, [+2], #1:2
  0056  pushtype 0
  0061  setref [+3], G0.1
  0076  assign [+1][[+2]], [+3].1
  0095  pop
  0096  pop
  0097  pop
  0098  assign G2[G1], G0.0
  0117  ret
)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Compile(c.source), c.listing) << c.source;
  }
}

TEST(Compiler, CallThroughAProcedurePointerIsOpcode13) {
  EXPECT_EQ(Compile("type TF = function(A: Integer): Integer;\n"
                    "function Twice(A: Integer): Integer; begin Result := A * 2; end;\n"
                    "var f: TF; n: Integer;\n"
                    "begin f := @Twice; n := f(3); end."),
            R"(version 23 main 1
type 0 S32
type 1 ProcPtr "function TWICE(A: LONGINT): LONGINT"
type 2 ProcPtr "function (A: LONGINT): LONGINT"
var 0 type 2 export "F"
var 1 type 0 export "N"
proc 0 "TWICE"
  0000  pushtype 0
  0005  assign [+1], [-2]
  0016  calc 2, [+1], #0:2
  0032  assign [-1], [+1]
  0043  pop
  0044  ret
proc 1 "!MAIN"
  0000  assign G0, #1:0
  0015  pushtype 0
  0020  pushtype 0
  0025  assign [+2], #0:3
  0040  pushref [+1]
  0046  callptr G0
  0052  pop
  0053  pop
  0054  assign G1, [+1]
  0065  pop
  0066  ret
)");
}

TEST(Compiler, ConstantsFoldWithTheExecutorsTypeRules) {
  struct Case {
    const char* expression;
    const char* folded;
  };
  const Case cases[] = {
      {"2147483647", "S32 2147483647"},
      {"2147483648", "U32 2147483648"},
      {"4294967296", "S64 4294967296"},
      {"$FFFFFFFF", "U32 4294967295"},
      {"-2147483648", "S64 -2147483648"},  // 2147483648 is a LongWord literal
      {"2147483647 + 1", "S32 -2147483648"},
      {"2147483647 * 2", "S32 -2"},
      {"4294967295 + 1", "U32 0"},
      {"4294967295 + 4294967296", "S64 8589934591"},
      {"-1 + 4294967295", "U32 4294967294"},
      {"7 / 2", "S32 3"},
      {"-7 div 2", "S32 -3"},
      {"-7 mod 2", "S32 -1"},
      {"1 shl 4", "S32 16"},
      {"1 shl 40", "S32 256"},  // counts modulo 32, as the executor takes them
      {"(-9223372036854775807 - 1) div -1", "S64 -9223372036854775808"},
      {"-3000000000", "S64 -3000000000"},  // a LongWord negated is an Int64
      {"4294967296 shl 1", "S64 8589934592"},
      {"-1 shr 28", "S32 15"},
      {"5 and 3", "S32 1"},
      {"5 or 3", "S32 7"},
      {"5 xor 3", "S32 6"},
      {"not 0", "S32 -1"},
      {"7 / 2.0", "Extended 3.5"},
      {"1.5 * 2", "Extended 3"},
      {"-1.25", "Extended -1.25"},
      {"'a' + 'b'", "String \"ab\""},
      {"'a'#66'c'", "String \"aBc\""},
      {"'x'", "Char \"x\""},
      {"''''", "Char \"'\""},
      {"chr(65)", "Char \"A\""},
      {"ord('A') + 1", "S32 66"},
      {"3 > 2", "U8 1"},
      {"'abc' < 'abd'", "U8 1"},
      {"2.5 = 5 / 2", "U8 0"},
      {"2.5 = 5 / 2.0", "U8 1"},
      {"True and False", "U8 0"},
      {"not True", "U8 0"},
      {"True xor True", "U8 0"},
      {"SizeOf(Extended)", "S32 10"},
      {"SizeOf(String)", "S32 4"},
      {"Length('abc')", "S32 3"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Folded(c.expression), c.folded) << c.expression;
  }
}

// One line per procedure entry: external entries with their ImportDecl bytes as digits,
// script procedures with their export name and declaration.
std::string ProcEntries(const TPSContainer& container) {
  std::string out;
  for (const TPSContainerProc& proc : container.Procs) {
    if (proc.External) {
      out += "external " + proc.Name + " ";
      for (char byte : proc.ImportDecl)
        out += static_cast<char>('0' + byte);
    } else {
      out += proc.ExportName + " = " + proc.ExportDecl;
    }
    out += "\n";
  }
  return out;
}

TEST(Compiler, ContainerHoldsUsedRoutinesAndEveryScriptProcedure) {
  TPSPascalCompiler c;
  c.OnUses = [](TPSPascalCompiler& compiler, const std::string&) {
    compiler.DeclareRoutine("procedure Poly_GetPos( ID : integer; var X, Y : single )");
    compiler.DeclareRoutine("function Cr_GetID : integer");
    compiler.DeclareRoutine("procedure GameOver");
    compiler.DeclareRoutine("procedure Victory");
    return true;
  };
  ASSERT_TRUE(
      c.CompileSource("var x, y: Single; s: String; n: Integer;\n"
                      "procedure Unused(a: Byte; const b: String; out c: Integer); begin end;\n"
                      "function Near(var d: Single): Boolean; begin Result := d < 10; end;\n"
                      "begin\n"
                      "  Poly_GetPos(Cr_GetID, x, y);\n"
                      "  if Near(x) and Assigned(s) then Victory;\n"
                      "  SetLength(s, 3); Inc(n); n := High(s) + Low(s) + Length(s);\n"
                      "end."))
      << Messages(c);
  std::string data;
  TPSContainer container;
  std::string param;
  ASSERT_TRUE(c.GetCompiledData(data));
  ASSERT_EQ(ReadContainer(data, container, param), ErNoError);
  EXPECT_EQ(ProcEntries(container),
            "UNUSED = procedure UNUSED(A: BYTE; const B: STRING; out C: LONGINT)\n"
            "NEAR = function NEAR(var D: SINGLE): BOOLEAN\n"
            "!MAIN = procedure !MAIN\n"
            "external CR_GETID 1\n"
            "external POLY_GETPOS 0011\n"
            "external !ASSIGNED 10\n"
            "external VICTORY 0\n"
            "external SETLENGTH 010\n"
            "external INC 01\n"
            "external HIGH 10\n"
            "external LOW 10\n"
            "external LENGTH 10\n");
  EXPECT_EQ(container.MainProc, 2u);
  std::vector<std::string> vars;
  for (const TPSContainerVar& var : container.Vars) {
    vars.push_back(std::string(kBaseTypeNames[container.Types[var.TypeNo].BaseType]) + " " +
                   var.ExportName.value_or("-"));
  }
  EXPECT_EQ(vars, (std::vector<std::string>{"Single X", "Single Y", "String S", "S32 N"}));
}

TEST(Compiler, HostHookAnswersAndExceptions) {
  TPSPascalCompiler c;
  EXPECT_TRUE(c.CompileSource("begin end."));  // no hook: nothing but the built-ins
  c.OnUses = GameUses;
  EXPECT_FALSE(c.CompileSource("uses Other; begin end."));
  EXPECT_EQ(Messages(c), "");
  c.OnUses = [](TPSPascalCompiler& compiler, const std::string&) {
    compiler.DeclareRoutine("procedure Bad(x: NoSuchType)");
    return true;
  };
  EXPECT_FALSE(c.CompileSource("begin end."));
  EXPECT_EQ(Messages(c),
            "[Error] (1:1): Unable to register function procedure Bad(x: NoSuchType)\n");
  std::string data;
  EXPECT_FALSE(c.GetCompiledData(data));
  EXPECT_THROW(c.DeclareRoutine("procedure P"), EPSCompilerException);
}

TEST(Compiler, DeclaredRoutinesCarryTheirImportDecl) {
  struct Case {
    const char* header;
    std::string name, orgName, importDecl;
  };
  const std::vector<Case> cases = {
      {"procedure SetInt( Name : string; Value : integer )", "SETINT", "SetInt",
       std::string("\0\0\0", 3)},
      {"function GetInt( Name : string ) : integer", "GETINT", "GetInt", std::string("\1\0", 2)},
      {"procedure Swap(var a, b: Single; out c: Byte; const d: String);", "SWAP", "Swap",
       std::string("\0\1\1\1\0", 5)},
      {"function F(a: array of const; b: array of Integer): Boolean", "F", "F",
       std::string("\1\0\0", 3)},
  };
  for (const Case& expected : cases) {
    TPSPascalCompiler c;
    TPSRegProc got;
    c.OnUses = [&](TPSPascalCompiler& compiler, const std::string&) {
      got = compiler.DeclareRoutine(expected.header);
      return true;
    };
    EXPECT_TRUE(c.CompileSource("begin end.")) << Messages(c);
    EXPECT_EQ(got.Name, expected.name);
    EXPECT_EQ(got.OrgName, expected.orgName);
    EXPECT_EQ(got.ImportDecl, expected.importDecl) << expected.header;
  }
  for (const char* bad :
       {"procedure", "function F(a: Integer)", "procedure P(a: Foo)", "procedure P(a Integer)",
        "procedure P; extra", "var x: Integer", "procedure P(a: Integer", "procedure Integer"}) {
    TPSPascalCompiler c;
    c.OnUses = [&](TPSPascalCompiler& compiler, const std::string&) {
      EXPECT_THROW(compiler.DeclareRoutine(bad), EPSCompilerException) << bad;
      return true;
    };
    c.CompileSource("begin end.");
  }
}

TEST(Compiler, ShortCircuitSkipsTheRightOperand) {
  TPSPascalCompiler c;
  c.BooleanShortCircuit = true;
  ASSERT_TRUE(
      c.CompileSource("var b: Boolean; x: Integer; begin b := (x > 1) and (x < 5) or b; end."));
  std::string data;
  TPSContainer container;
  std::string param;
  ASSERT_TRUE(c.GetCompiledData(data));
  ASSERT_EQ(ReadContainer(data, container, param), ErNoError);
  EXPECT_EQ(Disassemble(container), R"(version 23 main 0
type 0 U8
type 1 S32
var 0 type 0 export "B"
var 1 type 1 export "X"
proc 0 "!MAIN"
  0000  pushtype 0
  0005  compare 14, [+1], G1, #1:1
  0026  jumpifnot @0057, [+1]
  0036  compare 15, [+1], G1, #1:5
  0057  jumpif @0078, [+1]
  0067  assign [+1], G0
  0078  assign G0, [+1]
  0089  pop
  0090  ret
)");
}

TEST(Compiler, UnitsReachTheHookUpperCasedAfterSystem) {
  TPSPascalCompiler c;
  std::vector<std::string> units;
  c.OnUses = [&units](TPSPascalCompiler& compiler, const std::string& unit) {
    units.push_back(unit);
    if (unit == "MATHS") compiler.DeclareRoutine("function Twice(x: Integer): Integer");
    return true;
  };
  EXPECT_TRUE(c.CompileSource("uses Maths, extra; var x: Integer; begin x := Twice(2); end."))
      << Messages(c);
  EXPECT_EQ(units, (std::vector<std::string>{"SYSTEM", "MATHS", "EXTRA"}));
  EXPECT_FALSE(c.CompileSource("uses Maths, maths; begin end."));
  EXPECT_EQ(Messages(c), "[Error] (1:13): Duplicate identifier 'MATHS'\n");
}

TEST(Compiler, DeepNestingIsRefusedNotFollowed) {
  const std::string sources[] = {
      "var x: Integer; begin x := " + std::string(600, '(') + "1" + std::string(600, ')') +
          "; end.",
      "var x: Integer; begin x := " + std::string(3000, '-') + "1; end.",
  };
  for (const std::string& source : sources) {
    EXPECT_EQ(MessagesOf(source), "[Error] (1:527): Internal error (nesting too deep)\n");
  }
  std::string chain = "var x: Integer; begin x := x";
  for (int i = 0; i < 5000; ++i)
    chain += "+1";
  EXPECT_EQ(MessagesOf(chain + "; end."), "[Error] (1:1027): Internal error (nesting too deep)\n");
  std::string ifs = "var b: Boolean; begin ";
  for (int i = 0; i < 3000; ++i)
    ifs += "if b then ";
  EXPECT_EQ(MessagesOf(ifs + "b := True; end."),
            "[Error] (1:5016): Internal error (nesting too deep)\n");
}

}  // namespace

TEST(Compiler, TryLabelGotoAndFoldingMessages) {
  struct Case {
    const char* source;
    const char* messages;
  };
  const Case cases[] = {
      {"var x: Integer; begin try x := 1; end; end.", "[Error] (1:35): 'END' expected\n"},
      {"var x: Integer; begin try x := 1; finally x := 2; finally end; end.",
       "[Error] (1:51): 'END' expected\n"},
      {"var x: Integer; begin try x := 1; except x := 2; except end; end.",
       "[Error] (1:50): 'END' expected\n"},
      {"var x: Integer; begin try x := 1; except x := 2; finally x := 3; except end; end.",
       "[Error] (1:66): 'END' expected\n"},
      {"var x: Integer; begin try x := 1; finally x := 2;",
       "[Error] (1:50): Unexpected end of file\n"},
      {"label a b; begin end.", "[Error] (1:9): comma (',') expected\n"},
      {"label 5; begin end.", "[Error] (1:7): Identifier expected\n"},
      {"label a; begin end.", "[Error] (1:7): Label 'a' not set\n"},
      {"procedure P; label a; begin end; begin end.", "[Error] (1:20): Label 'a' not set\n"},
      {"begin goto nowhere; end.", "[Error] (1:12): Unknown identifier 'NOWHERE'\n"},
      {"begin goto 5; end.", "[Error] (1:12): Identifier expected\n"},
      {"var x: Integer; begin goto x; end.", "[Error] (1:28): Unknown identifier 'X'\n"},
      {"label a; begin a end.", "[Error] (1:18): colon (':') expected\n"},
      {"label a; begin a: a: end.", "[Error] (1:19): Duplicate identifier 'A'\n"},
      {"label a; var a: Integer; begin a: end.", "[Error] (1:14): Duplicate identifier 'A'\n"},
      {"label a; begin try goto a; finally end; a: end.", "[Error] (1:25): Invalid jump\n"},
      {"label a; begin goto a; try a: finally end; end.", "[Error] (1:21): Invalid jump\n"},
      {"label a; begin try a: except goto a; end; end.", "[Error] (1:35): Invalid jump\n"},
      {"label a; var i: Integer; begin goto a; for i := 1 to 2 do a: ; end.",
       "[Error] (1:37): Invalid jump\n"},
      {"label a; procedure P; begin goto a; end; begin a: end.", "[Error] (1:34): Invalid jump\n"},
      {"label a; var i: Integer; begin for i := 1 to 2 do goto a; a: end.", ""},
      {"procedure P; external 5; begin end.", "[Error] (1:23): String Expected\n"},
      {"const C = 1e4000 * 1e4000; begin end.", "[Error] (1:18): Math Error\n"},
      {"const C = -1e4000 / 1e-4000; begin end.", "[Error] (1:19): Math Error\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MessagesOf(c.source), c.messages) << c.source;
  }
}

TEST(Compiler, CodeShapesOfTryStatements) {
  struct Case {
    const char* source;
    const char* listing;
  };
  const Case cases[] = {
      {"var x: Integer; begin try x := 1; finally x := 2; end; end.",
       R"(version 23 main 0
type 0 S32
var 0 type 0 export "X"
proc 0 "!MAIN"
  0000  try @0034, -, -, @0051
  0017  assign G0, #0:1
  0032  endtry 0
  0034  assign G0, #0:2
  0049  endtry 1
  0051  ret
)"},
      {"var x: Integer; begin try x := 1; except x := 2; end; end.",
       R"(version 23 main 0
type 0 S32
var 0 type 0 export "X"
proc 0 "!MAIN"
  0000  try -, @0034, -, @0051
  0017  assign G0, #0:1
  0032  endtry 0
  0034  assign G0, #0:2
  0049  endtry 2
  0051  ret
)"},
      {"var x: Integer; begin try x := 1; finally x := 2; except x := 3; end; end.",
       R"(version 23 main 0
type 0 S32
var 0 type 0 export "X"
proc 0 "!MAIN"
  0000  try @0034, @0051, -, @0068
  0017  assign G0, #0:1
  0032  endtry 0
  0034  assign G0, #0:2
  0049  endtry 1
  0051  assign G0, #0:3
  0066  endtry 2
  0068  ret
)"},
      {"var x: Integer; begin try x := 1; except x := 2; finally x := 3; end; end.",
       R"(version 23 main 0
type 0 S32
var 0 type 0 export "X"
proc 0 "!MAIN"
  0000  try -, @0034, @0051, @0068
  0017  assign G0, #0:1
  0032  endtry 0
  0034  assign G0, #0:2
  0049  endtry 2
  0051  assign G0, #0:3
  0066  endtry 3
  0068  ret
)"},
      // break closes both try parts it leaves, innermost first, then pops the loop's
      // condition; continue in the except part closes it and the protected part around it.
      {"var x: Integer; begin while x < 3 do try try if x = 1 then break; x := 2; "
       "except continue; end; finally x := 4; end; end.",
       R"(version 23 main 0
type 0 U8
type 1 S32
var 0 type 1 export "X"
proc 0 "!MAIN"
  0000  pushtype 0
  0005  compare 15, [+1], G0, #1:3
  0026  jumpifnot @0171, [+1]
  0036  try @0149, -, -, @0166
  0053  try -, @0136, -, @0147
  0070  pushtype 0
  0075  compare 16, [+2], G0, #1:1
  0096  setflag [+2], 1
  0103  pop
  0104  jumpflag @0119
  0109  endtry 0
  0111  endtry 0
  0113  pop
  0114  jump @0172
  0119  assign G0, #1:2
  0134  endtry 0
  0136  endtry 2
  0138  endtry 0
  0140  jump @0005
  0145  endtry 2
  0147  endtry 0
  0149  assign G0, #1:4
  0164  endtry 1
  0166  jump @0005
  0171  pop
  0172  ret
)"},
      // exit is a plain return; the executor runs the finally part before it returns.
      {"function F: Integer; begin try Result := 1; exit; finally Result := 2; end; end; "
       "begin F; end.",
       R"(version 23 main 1
type 0 S32
proc 0 "F"
  0000  try @0035, -, -, @0052
  0017  assign [-1], #0:1
  0032  ret
  0033  endtry 0
  0035  assign [-1], #0:2
  0050  endtry 1
  0052  ret
proc 1 "!MAIN"
  0000  pushtype 0
  0005  pushref [+1]
  0011  call 0
  0016  pop
  0017  pop
  0018  ret
)"},
      // goto is a jump; one that leaves a loop lands on the loop's pops after the return.
      {"label a, b; var i: Integer; begin a: for i := 1 to 2 do goto b; goto a; b: end.",
       R"(version 23 main 0
type 0 S32
type 1 U8
var 0 type 0 export "I"
proc 0 "!MAIN"
  0000  assign G0, #0:1
  0015  pushtype 1
  0020  compare 13, [+1], G0, #0:2
  0041  jumpifnot @0067, [+1]
  0051  jump @0074
  0056  inc G0
  0062  jump @0020
  0067  pop
  0068  jump @0000
  0073  ret
  0074  pop
  0075  jump @0073
)"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Compile(c.source), c.listing) << c.source;
  }
}

// The game's hook with two attribute types besides.
bool UsesWithAttributes(TPSPascalCompiler& c, const std::string& unit) {
  c.DeclareAttributeType("Tag(Name: string; Level: integer)");
  c.DeclareAttributeType("Marker");
  return GameUses(c, unit);
}

// "Name(type number = value bytes in hexadecimal, ...)" for each attribute.
std::string AttributesText(const std::vector<TPSAttribute>& attributes) {
  std::string out;
  for (const TPSAttribute& a : attributes) {
    out += " " + a.Name + "(";
    for (const TPSAttributeField& f : a.Fields) {
      out += std::to_string(f.TypeNo) + "=";
      for (unsigned char b : f.Value) {
        const char* digits = "0123456789abcdef";
        out += {digits[b >> 4], digits[b & 15]};
      }
      out += ";";
    }
    out += ")";
  }
  return out;
}

TEST(Compiler, AttributesTravelWithTheirTypesAndProcedures) {
  TPSPascalCompiler c;
  c.OnUses = UsesWithAttributes;
  ASSERT_TRUE(
      c.CompileSource("type [Tag('a', 2)] TColor = (Red, Green); TAlias = TColor;\n"
                      "var x: TAlias;\n"
                      "[Marker, Tag('p', 1 + 2)][Marker] procedure P; forward;\n"
                      "procedure P; begin x := Green; end;\n"
                      "begin P; end."))
      << Messages(c);
  std::string data;
  TPSContainer container;
  std::string param;
  ASSERT_TRUE(c.GetCompiledData(data));
  ASSERT_EQ(ReadContainer(data, container, param), ErNoError);
  std::string text;
  for (const TPSContainerType& t : container.Types)
    text += "type" + AttributesText(t.Attributes) + "\n";
  for (const TPSContainerProc& p : container.Procs)
    text += p.ExportName + AttributesText(p.Attributes) + "\n";
  EXPECT_EQ(text,
            "type\n"
            "type\n"
            "type Tag(0=0100000061;1=02000000;)\n"
            "P Marker() Tag(0=0100000070;1=03000000;) Marker()\n"
            "!MAIN\n");
  EXPECT_EQ(Messages(c), "");
}

TEST(Compiler, AttributeMessages) {
  struct Case {
    const char* source;
    const char* messages;
  };
  const Case cases[] = {
      {"[Nope] procedure P; begin end; begin end.", "[Error] (1:2): Unknown identifier 'NOPE'\n"},
      {"[5] procedure P; begin end; begin end.", "[Error] (1:2): Identifier expected\n"},
      {"[Tag('a', 1) procedure P; begin end; begin end.",
       "[Error] (1:14): Closing square bracket (']') expected\n"},
      {"[Tag('a', 1); procedure P; begin end; begin end.",
       "[Error] (1:13): Closing square bracket (']') expected\n"},
      {"[Tag('a')] procedure P; begin end; begin end.",
       "[Error] (1:2): Invalid number of parameters\n"},
      {"[Tag(1, 1)] procedure P; begin end; begin end.", "[Error] (1:6): Type mismatch\n"},
      {"[Tag('a' 1)] procedure P; begin end; begin end.",
       "[Error] (1:10): Closing parenthesis expected\n"},
      {"var x: Integer; [Tag('a', x)] procedure P; begin end; begin end.",
       "[Error] (1:27): Type mismatch\n"},
      {"[Marker] var x: Integer; begin end.", "[Error] (1:10): 'BEGIN' expected\n"},
      {"type [Marker] T = (A); [Marker] procedure P; begin end; begin end.", ""},
      {"type [Marker] 5 = (A); begin end.", "[Error] (1:15): Identifier expected\n"},
  };
  for (const Case& c : cases) {
    TPSPascalCompiler compiler;
    compiler.OnUses = UsesWithAttributes;
    compiler.CompileSource(c.source);
    EXPECT_EQ(Messages(compiler), c.messages) << c.source;
  }
  // Attribute types are declared like routines: from inside OnUses, with a header that
  // parses.
  TPSPascalCompiler outside;
  EXPECT_THROW(outside.DeclareAttributeType("Tag"), EPSCompilerException);
  TPSPascalCompiler bad;
  bad.OnUses = [](TPSPascalCompiler& c, const std::string&) {
    c.DeclareAttributeType("Tag(var Name: string)");
    return true;
  };
  bad.CompileSource("begin end.");
  EXPECT_EQ(Messages(bad), "[Error] (1:1): Unable to register type Tag(var Name: string)\n");
}
