#include "script/disassembler.h"

#include <bit>
#include <charconv>
#include <cstdio>

namespace {

// Text in double quotes, with quotes, backslashes and bytes outside printable ASCII
// escaped, so that a listing is always one line of plain text.
std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte > 0x7E) {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Hex(std::string_view bytes) {
  std::string out;
  for (char c : bytes) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned char>(c));
    out += digits;
  }
  return out;
}

// A code offset, four digits at least.
std::string Position(int64_t offset) {
  char text[24];
  std::snprintf(text, sizeof text, offset < 0 ? "%lld" : "%04lld", static_cast<long long>(offset));
  return text;
}

uint64_t LittleEndian(std::string_view bytes) {
  uint64_t value = 0;
  for (size_t i = bytes.size(); i-- > 0;) {
    value = value << 8 | static_cast<uint8_t>(bytes[i]);
  }
  return value;
}

int64_t SignedLittleEndian(std::string_view bytes) {
  unsigned shift = 64 - 8 * static_cast<unsigned>(bytes.size());
  return static_cast<int64_t>(LittleEndian(bytes) << shift) >> shift;
}

template <typename Real>
std::string RealText(Real value) {
  char text[32];
  auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

std::string ConstantValueText(TPSBaseType type, std::string_view value) {
  switch (type) {
    case btU8:
    case btU16:
    case btU32:
    case btProcPtr:
      return std::to_string(LittleEndian(value));
    case btS8:
    case btS16:
    case btS32:
    case btS64:
      return std::to_string(SignedLittleEndian(value));
    case btSingle:
      return RealText(std::bit_cast<float>(static_cast<uint32_t>(LittleEndian(value))));
    case btDouble:
      return RealText(std::bit_cast<double>(LittleEndian(value)));
    case btChar:
    case btString:
    case btPChar:
      return Quoted(value);
    default:
      return "$" + Hex(value);
  }
}

std::string VarText(uint32_t var) {
  if (var < kGlobalVarLimit) return "G" + std::to_string(var);
  int64_t offset = int64_t{var} - kStackVarBase;
  return (offset < 0 ? "[" : "[+") + std::to_string(offset) + "]";
}

std::string OperandText(const TPSContainer& c, const TPSOperand& operand) {
  switch (operand.Kind) {
    case TPSOperandKind::Var:
      return VarText(operand.Var);
    case TPSOperandKind::Const:
      return "#" + std::to_string(operand.TypeNo) + ":" +
             ConstantValueText(c.Types[operand.TypeNo].BaseType, operand.Value);
    case TPSOperandKind::Element:
      return VarText(operand.Var) + "." + std::to_string(operand.Index);
    case TPSOperandKind::IndexedElement:
      return VarText(operand.Var) + "[" + VarText(operand.Index) + "]";
  }
  return "?";
}

// Jump distances and try positions count from the end of the instruction.
std::string WordText(char shape, uint32_t word, size_t end) {
  switch (shape) {
    case 'j':
      return "@" + Position(static_cast<int64_t>(end) + static_cast<int32_t>(word));
    case 'p':
      if (word == kNoCodePosition) return "-";
      return "@" + Position(static_cast<int64_t>(end) + word);
    default:
      return std::to_string(word);
  }
}

std::string InstructionText(const TPSContainer& c, const TPSInstruction& instruction) {
  const TPSOpcodeInfo& info = kOpcodeInfo[static_cast<uint8_t>(instruction.Op)];
  std::string text(info.Mnemonic);
  size_t operands = 0;
  size_t words = 0;
  for (char shape : info.Shape) {
    text += operands + words == 0 ? " " : ", ";
    if (shape == 'o') {
      text += OperandText(c, instruction.Operands[operands++]);
    } else {
      text += WordText(shape, instruction.Words[words++], instruction.End);
    }
  }
  return text;
}

std::string KindDataText(const TPSContainerType& type) {
  switch (type.BaseType) {
    case btRecord: {
      std::string text;
      for (uint32_t field : type.FieldTypes) {
        text += " " + std::to_string(field);
      }
      return text;
    }
    case btArray:
      return " " + std::to_string(type.ElementType);
    case btStaticArray:
      return " " + std::to_string(type.ElementType) + " " + std::to_string(type.ElementCount) +
             " " + std::to_string(type.LowBound);
    case btSet:
      return " " + std::to_string(type.SetBits);
    case btProcPtr:
      return " " + Quoted(type.Declaration);
    case btClass:
      return " " + Quoted(type.ClassName);
    case btInterface:
      return " " + Hex(std::string_view(reinterpret_cast<const char*>(type.InterfaceId.data()),
                                        type.InterfaceId.size()));
    default:
      return "";
  }
}

std::string TypeLine(const TPSContainerType& type, size_t number) {
  std::string line = "type " + std::to_string(number) + " ";
  line += type.BaseType <= kLastBaseType ? kBaseTypeNames[type.BaseType] : "?";
  line += KindDataText(type);
  if (type.ExportName) line += " export " + Quoted(*type.ExportName);
  if (!type.Attributes.empty()) line += " attributes " + std::to_string(type.Attributes.size());
  return line + "\n";
}

std::string VarLine(const TPSContainerVar& var, size_t number) {
  std::string line = "var " + std::to_string(number) + " type " + std::to_string(var.TypeNo);
  if (var.ExportName) line += " export " + Quoted(*var.ExportName);
  return line + "\n";
}

std::string CodeLines(const TPSContainer& c, std::string_view code) {
  std::string lines;
  size_t pos = 0;
  while (pos < code.size()) {
    TPSInstruction instruction;
    TPSError error = ReadInstruction(c, code, pos, instruction);
    lines += "  " + Position(static_cast<int64_t>(pos)) + "  ";
    if (error != ErNoError) return lines + "bad: " + PSErrorToString(error, "") + "\n";
    lines += InstructionText(c, instruction) + "\n";
    pos = instruction.End;
  }
  return lines;
}

std::string ProcLines(const TPSContainer& c, const TPSContainerProc& proc, size_t number) {
  std::string heading = "proc " + std::to_string(number) + " ";
  if (proc.External) return heading + "external " + Quoted(proc.Name) + "\n";
  return heading + Quoted(proc.ExportName) + "\n" + CodeLines(c, proc.Code);
}

}  // namespace

std::string Disassemble(const TPSContainer& container) {
  std::string text = "version " + std::to_string(container.Version) + " main ";
  text += container.MainProc == kNoMainProc ? "none" : std::to_string(container.MainProc);
  text += "\n";
  for (size_t i = 0; i < container.Types.size(); ++i) {
    text += TypeLine(container.Types[i], i);
  }
  for (size_t i = 0; i < container.Vars.size(); ++i) {
    text += VarLine(container.Vars[i], i);
  }
  for (size_t i = 0; i < container.Procs.size(); ++i) {
    text += ProcLines(container, container.Procs[i], i);
  }
  return text;
}
