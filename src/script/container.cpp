#include "script/container.h"

#include <algorithm>
#include <cassert>
#include <new>

namespace {

constexpr std::string_view kMagic = "QXPS";
constexpr size_t kHeaderSize = 28;
// Export names and declarations are at most this long.
constexpr uint32_t kMaxNameLength = 1073741824;
// Procedure-pointer declarations and class names are shorter than this.
constexpr uint32_t kShortTextLimit = 256;
// An empty procedure body is written as this: the return instruction.
constexpr std::string_view kLoneReturn = "\x09";

constexpr uint8_t kTypeExported = 0x80;  // in the base code byte
constexpr uint8_t kProcExternal = 0x01;
constexpr uint8_t kProcExported = 0x02;
constexpr uint8_t kProcAttributes = 0x04;
constexpr uint8_t kVarExported = 0x01;

// A defect found while reading: the code the read answers.
struct Rejection {
  TPSError Code;
};

[[noreturn]] void Reject(TPSError code) {
  throw Rejection{code};
}

// Makes a byte reader answer code when bytes run short.
ByteReader::Failure RejectWith(TPSError code) {
  return [code](std::string_view) { Reject(code); };
}

// The size of a constant of a fixed-size kind, or 0 for kinds without fixed-size constants.
uint32_t FixedConstantSize(TPSBaseType type) {
  switch (type) {
    case btU8:
    case btS8:
    case btChar:
      return 1;
    case btU16:
    case btS16:
    case btWideChar:
      return 2;
    case btU32:
    case btS32:
    case btSingle:
    case btProcPtr:
      return 4;
    case btDouble:
    case btS64:
    case btCurrency:
      return 8;
    case btExtended:
      return 10;
    default:
      return 0;
  }
}

}  // namespace

uint32_t BaseValueSize(TPSBaseType type) {
  switch (type) {
    case btReturnAddress:
    case btPointer:
    case btProcPtr:
      return 12;
    case btVariant:
      return 16;
    case btString:
    case btArray:
    case btPChar:
    case btWideString:
    case btClass:
    case btInterface:
    case btUnicodeString:
      return 4;  // a reference
    default:
      return FixedConstantSize(type);
  }
}

namespace {

// The value size of type given the sizes of the types before it, unbounded.
uint64_t ValueSizeOf(const TPSContainerType& type, const std::vector<uint32_t>& earlier) {
  auto sizeOf = [&](uint32_t typeNo) -> uint64_t {
    assert(typeNo < earlier.size());
    return typeNo < earlier.size() ? earlier[typeNo] : 0;
  };
  switch (type.BaseType) {
    case btRecord: {
      uint64_t sum = 0;
      for (uint32_t field : type.FieldTypes) {
        sum += sizeOf(field);
      }
      return sum;
    }
    case btStaticArray:
      return sizeOf(type.ElementType) * type.ElementCount;
    case btSet:
      return (uint64_t{type.SetBits} + 7) / 8;
    default:
      return BaseValueSize(type.BaseType);
  }
}

// ---- Writing ----

void WriteText32(ByteWriter& out, std::string_view text) {
  out.U32(static_cast<uint32_t>(text.size()));
  out.Bytes(text);
}

void WriteAttributes(ByteWriter& out, const std::vector<TPSAttribute>& attributes) {
  out.U32(static_cast<uint32_t>(attributes.size()));
  for (const TPSAttribute& attribute : attributes) {
    WriteText32(out, attribute.Name);
    out.U32(static_cast<uint32_t>(attribute.Fields.size()));
    for (const TPSAttributeField& field : attribute.Fields) {
      out.U32(field.TypeNo);
      out.Bytes(field.Value);
    }
  }
}

void WriteKindData(ByteWriter& out, const TPSContainerType& type) {
  switch (type.BaseType) {
    case btRecord:
      out.U32(static_cast<uint32_t>(type.FieldTypes.size()));
      for (uint32_t field : type.FieldTypes) {
        out.U32(field);
      }
      break;
    case btArray:
      out.U32(type.ElementType);
      break;
    case btStaticArray:
      out.U32(type.ElementType);
      out.U32(type.ElementCount);
      out.I32(type.LowBound);
      break;
    case btSet:
      out.U32(type.SetBits);
      break;
    case btProcPtr:
      WriteText32(out, type.Declaration);
      break;
    case btClass:
      WriteText32(out, type.ClassName);
      break;
    case btInterface:
      for (uint8_t byte : type.InterfaceId) {
        out.U8(byte);
      }
      break;
    default:
      break;
  }
}

void WriteType(ByteWriter& out, const TPSContainerType& type, uint32_t version) {
  out.U8(static_cast<uint8_t>(type.BaseType | (type.ExportName ? kTypeExported : 0)));
  WriteKindData(out, type);
  if (type.ExportName) WriteText32(out, *type.ExportName);
  if (version >= kFirstVersionWithTypeAttributes) WriteAttributes(out, type.Attributes);
}

std::string_view BodyOf(const TPSContainerProc& proc) {
  return proc.Code.empty() ? kLoneReturn : std::string_view(proc.Code);
}

void WriteProc(ByteWriter& out, const TPSContainerProc& proc, uint32_t codeOffset) {
  uint8_t flags = (proc.External ? kProcExternal : 0) | (proc.Exported ? kProcExported : 0) |
                  (proc.Attributes.empty() ? 0 : kProcAttributes);
  out.U8(flags);
  if (proc.External) {
    assert(proc.Name.size() < 256);
    out.U8(static_cast<uint8_t>(proc.Name.size()));
    out.Bytes(proc.Name);
    if (proc.Exported) WriteText32(out, proc.ImportDecl);
  } else {
    out.U32(codeOffset);
    out.U32(static_cast<uint32_t>(BodyOf(proc).size()));
    if (proc.Exported) {
      WriteText32(out, proc.ExportName);
      WriteText32(out, proc.ExportDecl);
    }
  }
  if (!proc.Attributes.empty()) WriteAttributes(out, proc.Attributes);
}

// The header and the three tables, with the code blocks placed from codeStart on.
std::string WriteTables(const TPSContainer& c, size_t codeStart) {
  ByteWriter out;
  out.Bytes(kMagic);
  out.U32(c.Version);
  out.U32(static_cast<uint32_t>(c.Types.size()));
  out.U32(static_cast<uint32_t>(c.Procs.size()));
  out.U32(static_cast<uint32_t>(c.Vars.size()));
  out.U32(c.MainProc);
  out.U32(0);
  for (const TPSContainerType& type : c.Types) {
    WriteType(out, type, c.Version);
  }
  size_t codeOffset = codeStart;
  for (const TPSContainerProc& proc : c.Procs) {
    WriteProc(out, proc, static_cast<uint32_t>(codeOffset));
    if (!proc.External) codeOffset += BodyOf(proc).size();
  }
  for (const TPSContainerVar& var : c.Vars) {
    out.U32(var.TypeNo);
    out.U8(var.ExportName ? kVarExported : 0);
    if (var.ExportName) WriteText32(out, *var.ExportName);
  }
  return out.Take();
}

// ---- Reading ----

// Reads one container; every defect throws a Rejection.
class ContainerReader {
 public:
  explicit ContainerReader(std::string_view bytes) : in_(bytes, RejectWith(erUnexpectedEof)) {}

  TPSContainer Read();

 private:
  struct Counts {
    uint32_t Types, Procs, Vars;
  };

  Counts ReadHeader();
  TPSContainerType ReadType();
  void ReadKindData(TPSContainerType& type);
  uint32_t ReadTypeNumber(TPSError tooHigh);
  std::vector<TPSAttribute> ReadAttributes();
  TPSAttributeField ReadAttributeField();
  TPSContainerProc ReadProc();
  void ReadCode(TPSContainerProc& proc);
  TPSContainerVar ReadVar();
  std::string ReadText32(uint32_t limit, TPSError tooLong);

  ByteReader in_;
  TPSContainer c_;
  std::vector<uint32_t> sizes_;  // of the types read so far
};

// The counts drive loops that read at least one byte per entry, so a huge count over a
// short container ends at its last byte; nothing is reserved from them.
TPSContainer ContainerReader::Read() {
  Counts counts = ReadHeader();
  for (uint32_t i = 0; i < counts.Types; ++i) {
    c_.Types.push_back(ReadType());
    uint64_t size = ValueSizeOf(c_.Types.back(), sizes_);
    if (size > kMaxValueSize) Reject(erOutOfMemory);
    sizes_.push_back(static_cast<uint32_t>(size));
  }
  for (uint32_t i = 0; i < counts.Procs; ++i) {
    c_.Procs.push_back(ReadProc());
  }
  for (uint32_t i = 0; i < counts.Vars; ++i) {
    c_.Vars.push_back(ReadVar());
  }
  if (c_.MainProc != kNoMainProc && c_.MainProc >= counts.Procs) Reject(erNoMainProc);
  return std::move(c_);
}

ContainerReader::Counts ContainerReader::ReadHeader() {
  if (in_.Remaining() < kHeaderSize || in_.Span(kMagic.size(), "") != kMagic) {
    Reject(erInvalidHeader);
  }
  c_.Version = in_.U32();
  if (c_.Version < kOldestContainerVersion || c_.Version > kContainerVersion) {
    Reject(erInvalidHeader);
  }
  Counts counts;
  counts.Types = in_.U32();
  counts.Procs = in_.U32();
  counts.Vars = in_.U32();
  c_.MainProc = in_.U32();
  in_.Skip(4, "");  // reserved
  return counts;
}

TPSContainerType ContainerReader::ReadType() {
  uint8_t code = in_.U8();
  uint8_t base = code & ~kTypeExported;
  if (!IsContainerBaseType(base)) Reject(erInvalidType);
  TPSContainerType type;
  type.BaseType = static_cast<TPSBaseType>(base);
  ReadKindData(type);
  if (code & kTypeExported) type.ExportName = ReadText32(kMaxNameLength, erInvalidType);
  if (c_.Version >= kFirstVersionWithTypeAttributes) type.Attributes = ReadAttributes();
  return type;
}

void ContainerReader::ReadKindData(TPSContainerType& type) {
  switch (type.BaseType) {
    case btRecord: {
      uint32_t count = in_.U32();
      if (count == 0) Reject(erUnexpectedEof);
      in_.Need(size_t{count} * 4, "");
      type.FieldTypes.reserve(count);
      for (uint32_t i = 0; i < count; ++i) {
        type.FieldTypes.push_back(ReadTypeNumber(ErOutOfRange));
      }
      break;
    }
    case btArray:
      type.ElementType = ReadTypeNumber(ErTypeMismatch);
      break;
    case btStaticArray:
      type.ElementType = ReadTypeNumber(ErTypeMismatch);
      type.ElementCount = in_.U32();
      if (type.ElementCount >= kStaticArrayCountLimit) Reject(ErOutOfRange);
      type.LowBound = in_.I32();
      break;
    case btSet:
      type.SetBits = in_.U32();
      if (type.SetBits > kMaxSetBits) Reject(ErTypeMismatch);
      break;
    case btProcPtr:
      type.Declaration = ReadText32(kShortTextLimit - 1, erInvalidType);
      break;
    case btClass:
      type.ClassName = ReadText32(kShortTextLimit - 1, erInvalidType);
      break;
    case btInterface:
      in_.Need(type.InterfaceId.size(), "");
      for (uint8_t& byte : type.InterfaceId) {
        byte = in_.U8();
      }
      break;
    default:
      break;
  }
}

// A reference to a type read before the current one; a later one answers tooHigh.
uint32_t ContainerReader::ReadTypeNumber(TPSError tooHigh) {
  uint32_t typeNo = in_.U32();
  if (typeNo >= c_.Types.size()) Reject(tooHigh);
  return typeNo;
}

std::vector<TPSAttribute> ContainerReader::ReadAttributes() {
  std::vector<TPSAttribute> attributes;
  uint32_t count = in_.U32();
  for (uint32_t i = 0; i < count; ++i) {
    TPSAttribute attribute;
    attribute.Name = ReadText32(kMaxNameLength, erUnexpectedEof);
    uint32_t fieldCount = in_.U32();
    for (uint32_t f = 0; f < fieldCount; ++f) {
      attribute.Fields.push_back(ReadAttributeField());
    }
    attributes.push_back(std::move(attribute));
  }
  return attributes;
}

// A field's type is one read before it: for a type's attributes, one before that type.
TPSAttributeField ContainerReader::ReadAttributeField() {
  TPSAttributeField field;
  field.TypeNo = in_.U32();
  if (field.TypeNo >= c_.Types.size()) Reject(ErOutOfRange);
  size_t start = in_.Position();
  if (!ReadConstant(in_, c_.Types[field.TypeNo])) Reject(erInvalidType);
  field.Value = std::string(in_.Bytes().substr(start, in_.Position() - start));
  return field;
}

TPSContainerProc ContainerReader::ReadProc() {
  TPSContainerProc proc;
  uint8_t flags = in_.U8();
  proc.External = flags & kProcExternal;
  proc.Exported = flags & kProcExported;
  if (proc.External) {
    proc.Name = in_.String(in_.U8(), "");
    if (proc.Exported) proc.ImportDecl = ReadText32(kMaxNameLength, erUnexpectedEof);
  } else {
    ReadCode(proc);
    if (proc.Exported) {
      proc.ExportName = ReadText32(kMaxNameLength, erUnexpectedEof);
      proc.ExportDecl = ReadText32(kMaxNameLength, erUnexpectedEof);
    }
  }
  if (flags & kProcAttributes) proc.Attributes = ReadAttributes();
  return proc;
}

// Code blocks are located by absolute offset and may lie anywhere in the container.
void ContainerReader::ReadCode(TPSContainerProc& proc) {
  uint64_t offset = in_.U32();
  uint64_t length = in_.U32();
  uint64_t size = in_.Bytes().size();
  if (offset >= size || length == 0 || offset + length > size) Reject(erUnexpectedEof);
  proc.Code = std::string(in_.Bytes().substr(offset, length));
}

TPSContainerVar ContainerReader::ReadVar() {
  TPSContainerVar var;
  var.TypeNo = in_.U32();
  if (var.TypeNo >= c_.Types.size()) Reject(erInvalidType);
  if (in_.U8() & kVarExported) var.ExportName = ReadText32(kMaxNameLength, erUnexpectedEof);
  return var;
}

// A u32 length and that many bytes; a length above limit answers tooLong.
std::string ContainerReader::ReadText32(uint32_t limit, TPSError tooLong) {
  uint32_t length = in_.U32();
  if (length > limit) Reject(tooLong);
  return in_.String(length, "");
}

// ---- Instructions ----

constexpr bool ShapesFitInstruction() {
  for (const TPSOpcodeInfo& info : kOpcodeInfo) {
    auto operands = std::count(info.Shape.begin(), info.Shape.end(), 'o');
    if (operands > 3 || info.Shape.size() - operands > 4) return false;
  }
  return true;
}
static_assert(ShapesFitInstruction(), "TPSInstruction holds 3 operands and 4 words");

TPSOperand ReadOperand(const TPSContainer& c, ByteReader& in) {
  TPSOperand operand;
  uint8_t kind = in.U8();
  if (kind > static_cast<uint8_t>(TPSOperandKind::IndexedElement)) {
    Reject(erInvalidOpcodeParameter);
  }
  operand.Kind = static_cast<TPSOperandKind>(kind);
  if (operand.Kind == TPSOperandKind::Const) {
    operand.TypeNo = in.U32();
    if (operand.TypeNo >= c.Types.size()) Reject(erInvalidType);
    std::optional<std::string_view> value = ReadConstant(in, c.Types[operand.TypeNo]);
    if (!value) Reject(erInvalidType);
    operand.Value = *value;
    return operand;
  }
  operand.Var = in.U32();
  if (operand.Kind != TPSOperandKind::Var) operand.Index = in.U32();
  return operand;
}

}  // namespace

std::string WriteContainer(const TPSContainer& container) {
  // The tables come first and hold the code offsets, so they are laid out once to learn
  // where the code starts and once more with the offsets in place.
  std::string bytes = WriteTables(container, 0);
  bytes = WriteTables(container, bytes.size());
  for (const TPSContainerProc& proc : container.Procs) {
    if (!proc.External) bytes += BodyOf(proc);
  }
  return bytes;
}

TPSError ReadContainer(std::string_view bytes, TPSContainer& out, std::string& param) {
  out = TPSContainer{};
  param.clear();
  try {
    out = ContainerReader(bytes).Read();
    return ErNoError;
  } catch (const Rejection& rejection) {
    return rejection.Code;
  } catch (const std::bad_alloc&) {
    return erOutOfMemory;
  }
}

std::vector<uint32_t> ValueSizes(const TPSContainer& container) {
  std::vector<uint32_t> sizes;
  sizes.reserve(container.Types.size());
  for (const TPSContainerType& type : container.Types) {
    uint64_t size = ValueSizeOf(type, sizes);
    sizes.push_back(static_cast<uint32_t>(std::min<uint64_t>(size, UINT32_MAX)));
  }
  return sizes;
}

std::optional<std::string_view> ReadConstant(ByteReader& in, const TPSContainerType& type) {
  switch (type.BaseType) {
    case btString:
    case btPChar:
      return in.Span(in.U32(), "a string constant");
    case btWideString:
    case btUnicodeString:
      return in.Span(size_t{in.U32()} * 2, "a wide string constant");
    case btSet:
      return in.Span((size_t{type.SetBits} + 7) / 8, "a set constant");
    default:
      if (uint32_t size = FixedConstantSize(type.BaseType)) return in.Span(size, "a constant");
      return std::nullopt;
  }
}

bool WriteConstant(ByteWriter& out, const TPSContainerType& type, std::string_view value) {
  switch (type.BaseType) {
    case btString:
    case btPChar:
      WriteText32(out, value);
      return true;
    case btWideString:
    case btUnicodeString:
      if (value.size() % 2 != 0) return false;
      out.U32(static_cast<uint32_t>(value.size() / 2));
      out.Bytes(value);
      return true;
    case btSet:
      if (value.size() != (size_t{type.SetBits} + 7) / 8) return false;
      out.Bytes(value);
      return true;
    default:
      uint32_t size = FixedConstantSize(type.BaseType);
      if (size == 0 || value.size() != size) return false;
      out.Bytes(value);
      return true;
  }
}

TPSError ReadInstruction(const TPSContainer& container, std::string_view code, size_t pos,
                         TPSInstruction& out) {
  try {
    ByteReader in(code, RejectWith(ErOutOfRange));
    in.Seek(pos);
    uint8_t byte = in.U8();
    if (!IsOpcode(byte)) return erInvalidOpcode;
    TPSInstruction instruction;
    instruction.Op = static_cast<TPSOpcode>(byte);
    size_t operands = 0;
    size_t words = 0;
    for (char letter : kOpcodeInfo[byte].Shape) {
      if (letter == 'o') {
        instruction.Operands[operands++] = ReadOperand(container, in);
      } else {
        instruction.Words[words++] = letter == 'b' ? in.U8() : in.U32();
      }
    }
    instruction.End = in.Position();
    out = instruction;
    return ErNoError;
  } catch (const Rejection& rejection) {
    return rejection.Code;
  }
}
