// The compiled container: its exact bytes, a round trip of every type kind, every check of
// the reader with the code it answers, the constant encoding, the runtime error texts and
// a whole disassembly listing.
#include "script/container.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "script/disassembler.h"

using namespace std::string_literals;

// A failing comparison shows the containers as listings.
void PrintTo(const TPSContainer& container, std::ostream* out) {
  *out << "\n" << Disassemble(container);
}

namespace {

std::string U32(uint32_t value) {
  ByteWriter out;
  out.U32(value);
  return out.Take();
}

std::string Header(uint32_t version, uint32_t types, uint32_t procs, uint32_t vars,
                   uint32_t main = kNoMainProc) {
  return "QXPS" + U32(version) + U32(types) + U32(procs) + U32(vars) + U32(main) + U32(0);
}

// A type entry of a version 23 container: base code, kind data, an empty attribute block.
std::string Type(char code, const std::string& data = "") {
  return code + data + U32(0);
}

// An attribute block of one attribute "A" with one field of type fieldType.
std::string Attribute(uint32_t fieldType, const std::string& encoded) {
  return U32(1) + U32(1) + "A" + U32(1) + U32(fieldType) + encoded;
}

TPSContainerType Plain(TPSBaseType base) {
  TPSContainerType type;
  type.BaseType = base;
  return type;
}

TPSContainerProc Internal(const std::string& name, const std::string& code) {
  TPSContainerProc proc;
  proc.ExportName = name;
  proc.ExportDecl = "0";
  proc.Code = code;
  return proc;
}

TPSContainerProc External(const std::string& name, const std::string& decl) {
  TPSContainerProc proc;
  proc.External = true;
  proc.Name = name;
  proc.ImportDecl = decl;
  return proc;
}

// One type of every base code a container carries, with each kind's data, export names,
// attributes, and procedures and variables of every form.
TPSContainer EveryKind() {
  TPSContainer c;
  for (TPSBaseType base :
       {btU8, btS8, btU16, btS16, btU32, btS32, btSingle, btDouble, btExtended, btString}) {
    c.Types.push_back(Plain(base));  // 0 .. 9
  }
  c.Types[0].ExportName = "BYTE";
  c.Types.push_back(Plain(btRecord));  // 10
  c.Types.back().FieldTypes = {0, 5, 9};
  c.Types.push_back(Plain(btArray));  // 11
  c.Types.back().ElementType = 10;
  for (TPSBaseType base :
       {btPointer, btPChar, btVariant, btS64, btChar, btWideString, btWideChar}) {
    c.Types.push_back(Plain(base));  // 12 .. 18
  }
  c.Types.push_back(Plain(btProcPtr));  // 19
  c.Types.back().Declaration = "procedure(A: Integer)";
  c.Types.push_back(Plain(btStaticArray));  // 20
  c.Types.back().ElementType = 5;
  c.Types.back().ElementCount = 10;
  c.Types.back().LowBound = -3;
  c.Types.push_back(Plain(btSet));  // 21
  c.Types.back().SetBits = 200;
  c.Types.push_back(Plain(btCurrency));  // 22
  c.Types.push_back(Plain(btClass));     // 23
  c.Types.back().ClassName = "TOBJECT";
  c.Types.push_back(Plain(btInterface));  // 24
  c.Types.back().InterfaceId = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 255};
  c.Types.push_back(Plain(btUnicodeString));  // 25
  c.Types.back().ExportName = "";
  c.Types.back().Attributes = {{"MYATTR", {{9, "\x02\0\0\0hi"s}, {5, "\x07\0\0\0"s}}}};

  c.Procs.push_back(External("SETINT", "\0\0\0"s));
  c.Procs.push_back(External("", ""));
  c.Procs.back().Exported = false;
  c.Procs.push_back(Internal("!MAIN", "\xFF\x09"));
  c.Procs.push_back(Internal("WITHATTR", "\x09"));
  c.Procs.back().Attributes = {{"A", {}}, {"B", {{0, "\x01"}}}};
  c.Procs.push_back(Internal("", "\x09"));
  c.Procs.back().Exported = false;
  c.Procs.back().ExportDecl = "";

  c.Vars = {{10, "P"}, {25, std::nullopt}};
  c.MainProc = 2;
  return c;
}

TPSError Read(const std::string& bytes) {
  TPSContainer c;
  std::string param;
  return ReadContainer(bytes, c, param);
}

}  // namespace

TEST(Container, writes_the_exact_layout_with_an_empty_body_as_a_return) {
  TPSContainer c;
  c.Types = {Plain(btU8)};
  c.Procs = {Internal("!MAIN", "")};
  c.Procs[0].ExportDecl = "";
  c.Vars = {{0, std::nullopt}};
  c.MainProc = 0;
  std::string expected = Header(23, 1, 1, 1, 0) +     // 28 bytes
                         "\x01" + U32(0) +            // type U8, no attributes
                         "\x02" + U32(60) + U32(1) +  // code at 60, 1 byte
                         U32(5) + "!MAIN" + U32(0) +  // export name, declaration
                         U32(0) + "\x00"s +           // variable of type 0
                         "\x09";                      // the lone return
  EXPECT_EQ(WriteContainer(c), expected);
  EXPECT_EQ(WriteContainer(TPSContainer{}), Header(23, 0, 0, 0));
}

TEST(Container, every_type_kind_survives_a_round_trip) {
  TPSContainer written = EveryKind();
  TPSContainer read;
  std::string param = "stale";
  ASSERT_EQ(ReadContainer(WriteContainer(written), read, param), ErNoError);
  EXPECT_EQ(read, written);
  EXPECT_EQ(param, "");
  std::vector<uint32_t> sizes = {1, 1,  2, 2, 4, 4, 4,  8,  10, 4, 9, 4, 12,
                                 4, 16, 8, 1, 4, 2, 12, 40, 25, 8, 4, 4, 4};
  EXPECT_EQ(ValueSizes(read), sizes);
}

TEST(Container, a_container_cut_short_anywhere_is_an_unexpected_end) {
  std::string bytes = WriteContainer(EveryKind());
  std::vector<TPSError> codes, expected;
  for (size_t length = 0; length < bytes.size(); ++length) {
    codes.push_back(Read(bytes.substr(0, length)));
    expected.push_back(length < 28 ? erInvalidHeader : erUnexpectedEof);
  }
  EXPECT_EQ(codes, expected);
}

TEST(Container, each_defect_answers_its_code) {
  const std::string u8 = Type('\x01');
  const std::string main = "\x02" + U32(0) + U32(1) + U32(0) + U32(0);  // code at offset 0
  struct Case {
    std::string name;
    std::string bytes;
    TPSError expected;
  };
  const std::vector<Case> cases = {
      {"empty", "", erInvalidHeader},
      {"short header", Header(23, 0, 0, 0).substr(0, 27), erInvalidHeader},
      {"wrong magic", "QXPT" + Header(23, 0, 0, 0).substr(4), erInvalidHeader},
      {"version 11", Header(11, 0, 0, 0), erInvalidHeader},
      {"version 24", Header(24, 0, 0, 0), erInvalidHeader},
      {"version 12, types without attributes", Header(12, 1, 0, 0) + "\x01", ErNoError},
      {"version 23", Header(23, 1, 0, 0) + u8, ErNoError},
      {"type code 0", Header(23, 1, 0, 0) + Type('\x00'), erInvalidType},
      {"type code 15", Header(23, 1, 0, 0) + Type('\x0F'), erInvalidType},
      {"type code 27", Header(23, 1, 0, 0) + Type('\x1B'), erInvalidType},
      {"type code 29", Header(23, 1, 0, 0) + Type('\x1D'), erInvalidType},
      {"type code 15 exported", Header(23, 1, 0, 0) + Type('\x8F', U32(0)), erInvalidType},
      {"export name too long", Header(23, 1, 0, 0) + "\x81" + U32(1073741825), erInvalidType},
      {"record of no fields", Header(23, 1, 0, 0) + Type('\x0B', U32(0)), erUnexpectedEof},
      {"record of itself", Header(23, 1, 0, 0) + Type('\x0B', U32(1) + U32(0)), ErOutOfRange},
      {"array of a later type", Header(23, 1, 0, 0) + Type('\x0C', U32(0)), ErTypeMismatch},
      {"static array of a later type", Header(23, 1, 0, 0) + Type('\x16', U32(0) + U32(1) + U32(0)),
       ErTypeMismatch},
      {"static array too long",
       Header(23, 2, 0, 0) + u8 + Type('\x16', U32(0) + U32(536870912) + U32(0)), ErOutOfRange},
      {"value of 2 GiB",
       Header(23, 3, 0, 0) + u8 + Type('\x16', U32(0) + U32(536870911) + U32(0)) +
           Type('\x16', U32(1) + U32(4) + U32(0)),
       erOutOfMemory},
      {"set of 256 bits", Header(23, 1, 0, 0) + Type('\x17', U32(256)), ErNoError},
      {"set of 257 bits", Header(23, 1, 0, 0) + Type('\x17', U32(257)), ErTypeMismatch},
      {"procedure pointer text of 256",
       Header(23, 1, 0, 0) + Type('\x15', U32(256) + std::string(256, 'x')), erInvalidType},
      {"attribute field of an unknown type", Header(23, 1, 0, 0) + "\x01" + Attribute(1, "\x05"),
       ErOutOfRange},
      {"attribute field of a record",
       Header(23, 3, 0, 0) + u8 + Type('\x0B', U32(1) + U32(0)) + "\x01" + Attribute(1, "\x05"),
       erInvalidType},
      {"code offset beyond the end", Header(23, 0, 1, 0) + "\0"s + U32(1000) + U32(1),
       erUnexpectedEof},
      {"code length beyond the end", Header(23, 0, 1, 0) + "\0"s + U32(0) + U32(38),
       erUnexpectedEof},
      {"code length to the end", Header(23, 0, 1, 0) + "\0"s + U32(0) + U32(37), ErNoError},
      {"code length 0", Header(23, 0, 1, 0) + "\0"s + U32(0) + U32(0), erUnexpectedEof},
      {"import declaration beyond the end", Header(23, 0, 1, 0) + "\x03\x01X" + U32(2) + "\x01",
       erUnexpectedEof},
      {"variable of a missing type", Header(23, 1, 0, 1) + u8 + U32(1) + "\0"s, erInvalidType},
      {"main procedure out of range", Header(23, 0, 1, 0, 1) + main, erNoMainProc},
      {"main procedure 0", Header(23, 0, 1, 0, 0) + main, ErNoError},
      {"no main procedure", Header(23, 0, 1, 0) + main, ErNoError},
      {"huge type count", Header(23, 0x80000000, 0, 0) + u8 + u8, erUnexpectedEof},
      {"huge procedure count", Header(23, 0, 0xFFFFFFFF, 0) + main, erUnexpectedEof},
      {"huge variable count", Header(23, 1, 0, 0xFFFFFFFF) + u8 + U32(0) + "\0"s, erUnexpectedEof},
      {"huge field count", Header(23, 2, 0, 0) + u8 + Type('\x0B', U32(0x40000000) + U32(0)),
       erUnexpectedEof},
      {"huge attribute count", Header(23, 1, 0, 0) + "\x01" + U32(0xFFFFFFFF) + U32(0),
       erUnexpectedEof},
      {"huge wide string constant",
       Header(23, 2, 0, 0) + Type('\x13') + "\x01" + Attribute(0, U32(0xFFFFFFFF) + "ab"),
       erUnexpectedEof},
  };
  std::string results, expected;
  for (const Case& c : cases) {
    results += c.name + ": " + std::string(kPSErrorNames[Read(c.bytes)]) + "\n";
    expected += c.name + ": " + std::string(kPSErrorNames[c.expected]) + "\n";
  }
  EXPECT_EQ(results, expected);
}

TEST(Container, constants_are_stored_in_their_types_encoding) {
  struct Case {
    TPSContainerType type;
    std::string value;
    std::string encoded;  // empty: the type has no constants or the value does not fit
  };
  TPSContainerType set9 = Plain(btSet);
  set9.SetBits = 9;
  const std::vector<Case> cases = {
      {Plain(btU8), "\x05", "\x05"},
      {Plain(btS16), "\x34\x12", "\x34\x12"},
      {Plain(btSingle), "\0\0\xC0\x3F"s, "\0\0\xC0\x3F"s},
      {Plain(btExtended), "0123456789", "0123456789"},
      {Plain(btCurrency), "01234567", "01234567"},
      {Plain(btProcPtr), "\x07\0\0\0"s, "\x07\0\0\0"s},
      {Plain(btString), "abc", "\x03\0\0\0abc"s},
      {Plain(btPChar), "", "\0\0\0\0"s},
      {Plain(btWideString), "a\0b\0"s, "\x02\0\0\0a\0b\0"s},
      {Plain(btUnicodeString), "a\0"s, "\x01\0\0\0a\0"s},
      {set9, "\x01\x02", "\x01\x02"},
      {set9, "\x01", ""},
      {Plain(btU32), "\x01", ""},
      {Plain(btWideChar), "abc", ""},
      {Plain(btRecord), "", ""},
      {Plain(btVariant), "", ""},
      {Plain(btArray), "", ""},
  };
  std::vector<std::string> encoded, expected, readBack, values;
  for (const Case& c : cases) {
    ByteWriter out;
    encoded.push_back(WriteConstant(out, c.type, c.value) ? out.Take() : "");
    expected.push_back(c.encoded);
    if (c.encoded.empty()) continue;
    ByteReader in(c.encoded);
    std::string value(ReadConstant(in, c.type).value_or("none"));
    readBack.push_back(value + (in.AtEnd() ? "" : " (not at end)"));
    values.push_back(c.value);
  }
  EXPECT_EQ(encoded, expected);
  EXPECT_EQ(readBack, values);
}

TEST(PSErrors, every_code_has_its_text) {
  std::string texts;
  for (int code = 0; code <= 25; ++code) {
    texts += PSErrorToString(static_cast<TPSError>(code), "P") + "\n";
  }
  EXPECT_EQ(texts,
            "No Error\nCannot Import P\nInvalid Type\nInternal error\nInvalid Header\n"
            "Invalid Opcode\nInvalid Opcode Parameter\nno Main Proc\nOut of Global Vars range\n"
            "Out of Proc Range\nOut Of Range\nOut Of Stack Range\nType Mismatch\n"
            "Unexpected End Of File\nVersion error\ndivide by Zero\nMath error\n"
            "Could not call proc (P)\nOut of Record Fields Range\nOut Of Memory\nException: P\n"
            "Null Pointer Exception\nNull variant error\nInterface not supported\nP\n"
            "Unknown error\n");
  EXPECT_EQ(PSErrorToString(erCannotImport, "SETINT\x01junk"), "Cannot Import SETINT");
  EXPECT_EQ(PSErrorToString(erCouldNotCallProc, ""), "Could not call proc");
  EXPECT_EQ(PSErrorToString(erException, ""), "Exception: ");
  EXPECT_EQ(kPSErrorNames[erCustomError], "erCustomError");
}

namespace {

constexpr uint32_t Local(int32_t offset) {
  return kStackVarBase + static_cast<uint32_t>(offset);
}

// Bytecode written by hand, an instruction at a time.
struct Code {
  ByteWriter out;
  Code& Op(TPSOpcode op) {
    out.U8(static_cast<uint8_t>(op));
    return *this;
  }
  Code& Byte(uint8_t value) {
    out.U8(value);
    return *this;
  }
  Code& Word(uint32_t value) {
    out.U32(value);
    return *this;
  }
  Code& Var(uint32_t var) {
    out.U8(0);
    return Word(var);
  }
  Code& Const(uint32_t typeNo, const std::string& encoded) {
    out.U8(1);
    out.U32(typeNo);
    out.Bytes(encoded);
    return *this;
  }
  Code& Element(uint32_t var, uint32_t n) {
    out.U8(2);
    out.U32(var);
    return Word(n);
  }
  Code& Indexed(uint32_t var, uint32_t indexVar) {
    out.U8(3);
    out.U32(var);
    return Word(indexVar);
  }
};

}  // namespace

TEST(Disassembler, lists_a_container_whole) {
  using enum TPSOpcode;
  Code main;
  main.Op(PushType)
      .Word(1)
      .Op(Assign)
      .Var(Local(1))
      .Const(0, U32(5))
      .Op(Calculate)
      .Byte(0)
      .Var(0)
      .Const(0, U32(-3))
      .Op(Compare)
      .Byte(14)
      .Var(Local(1))
      .Var(0)
      .Const(0, U32(10))
      .Op(JumpIfFalse)
      .Word(90)
      .Var(Local(1))
      .Op(TryEnter)
      .Word(38)
      .Word(kNoCodePosition)
      .Word(kNoCodePosition)
      .Word(61)
      .Op(Push)
      .Const(4, "\0\0\xC0\x3F"s)
      .Op(Push)
      .Element(1, 1)
      .Op(PushRef)
      .Indexed(Local(-2), 0)
      .Op(Call)
      .Word(0)
      .Op(Pop)
      .Op(TryEnd)
      .Byte(0)
      .Op(Assign)
      .Element(1, 1)
      .Const(2, U32(2) + "h\""s)
      .Op(TryEnd)
      .Byte(1)
      .Op(SetFlag)
      .Var(Local(1))
      .Byte(1)
      .Op(JumpFlag)
      .Word(static_cast<uint32_t>(-157))
      .Op(Return);
  TPSContainer c;
  c.Types = {Plain(btS32), Plain(btU8), Plain(btString), Plain(btRecord), Plain(btSingle)};
  c.Types[3].FieldTypes = {0, 2};
  c.Vars = {{0, "X"}, {3, std::nullopt}};
  c.Procs = {External("SETINT", "\0\0\0"s), Internal("!MAIN", main.out.Take()),
             Internal("BAD1", "\xFF\x1B"), Internal("BAD2", "\x02\x04"),
             Internal("BAD3", "\x06\x01\x00"s)};
  c.MainProc = 1;
  TPSContainer read;
  std::string param;
  ASSERT_EQ(ReadContainer(WriteContainer(c), read, param), ErNoError);
  EXPECT_EQ(Disassemble(read),
            "version 23 main 1\n"
            "type 0 S32\n"
            "type 1 U8\n"
            "type 2 String\n"
            "type 3 Record 0 2\n"
            "type 4 Single\n"
            "var 0 type 0 export \"X\"\n"
            "var 1 type 3\n"
            "proc 0 external \"SETINT\"\n"
            "proc 1 \"!MAIN\"\n"
            "  0000  pushtype 1\n"
            "  0005  assign [+1], #0:5\n"
            "  0020  calc 0, G0, #0:-3\n"
            "  0036  compare 14, [+1], G0, #0:10\n"
            "  0057  jumpifnot @0157, [+1]\n"
            "  0067  try @0122, -, -, @0145\n"
            "  0084  push #4:1.5\n"
            "  0094  push G1.1\n"
            "  0104  pushref [-2][G0]\n"
            "  0114  call 0\n"
            "  0119  pop\n"
            "  0120  endtry 0\n"
            "  0122  assign G1.1, #2:\"h\\\"\"\n"
            "  0143  endtry 1\n"
            "  0145  setflag [+1], 1\n"
            "  0152  jumpflag @0000\n"
            "  0157  ret\n"
            "proc 2 \"BAD1\"\n"
            "  0000  nop\n"
            "  0001  bad: Invalid Opcode\n"
            "proc 3 \"BAD2\"\n"
            "  0000  bad: Invalid Opcode Parameter\n"
            "proc 4 \"BAD3\"\n"
            "  0000  bad: Out Of Range\n");
}
