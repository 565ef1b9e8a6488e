// The compiled container: the byte string that carries a compiled script from the
// compiler to the executor. It holds a 28-byte header, the type, procedure and variable
// tables and the code of every script procedure, all little-endian:
//
//   "QXPS", u32 version, u32 type count, u32 procedure count, u32 variable count,
//   u32 main procedure (kNoMainProc for none), u32 reserved (0)
//
// This module holds the container as plain data, writes it byte for byte, and reads it
// back with every check the executor relies on, answering the executor's error code.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/byte_io.h"
#include "script/opcodes.h"
#include "script/ps_errors.h"
#include "script/ps_types.h"

// The version written; a reader accepts kOldestContainerVersion to this.
inline constexpr uint32_t kContainerVersion = 23;
inline constexpr uint32_t kOldestContainerVersion = 12;
// Type entries carry an attribute block from this version on.
inline constexpr uint32_t kFirstVersionWithTypeAttributes = 21;
// The main procedure field of a container without one.
inline constexpr uint32_t kNoMainProc = 0xFFFFFFFF;
// A static array has fewer elements than this.
inline constexpr uint32_t kStaticArrayCountLimit = 536870912;
// A set has at most this many bits.
inline constexpr uint32_t kMaxSetBits = 256;
// The longest value a container may declare, in bytes: every global variable is
// allocated when a container loads.
inline constexpr uint32_t kMaxValueSize = 1073741824;

// One field of an attribute: a type number and a constant of that type in the constant
// encoding, count included (see WriteConstant).
struct TPSAttributeField {
  uint32_t TypeNo = 0;
  std::string Value;
  bool operator==(const TPSAttributeField&) const = default;
};

// An attribute attached to a type or procedure: the attribute type's name and its fields.
struct TPSAttribute {
  std::string Name;
  std::vector<TPSAttributeField> Fields;
  bool operator==(const TPSAttribute&) const = default;
};

// A type entry. Entry i is type number i and refers to earlier entries only. Fields that
// the base type does not use stay at their defaults.
struct TPSContainerType {
  TPSBaseType BaseType = btU8;
  std::vector<uint32_t> FieldTypes;       // btRecord: one type per field, at least one
  uint32_t ElementType = 0;               // btArray, btStaticArray
  uint32_t ElementCount = 0;              // btStaticArray
  int32_t LowBound = 0;                   // btStaticArray
  uint32_t SetBits = 0;                   // btSet
  std::string Declaration;                // btProcPtr: below 256 bytes
  std::string ClassName;                  // btClass: below 256 bytes
  std::array<uint8_t, 16> InterfaceId{};  // btInterface
  std::optional<std::string> ExportName;
  std::vector<TPSAttribute> Attributes;
  bool operator==(const TPSContainerType&) const = default;
};

// A procedure entry: a host routine (External) or a script procedure with its code.
struct TPSContainerProc {
  bool External = false;
  // Whether the export information is written: an external's ImportDecl, an internal's
  // export name and declaration. The compiler sets it for every procedure.
  bool Exported = true;
  std::string Name;        // External: the host routine's upper-case name, below 256 bytes
  std::string ImportDecl;  // External: result byte, then one by-reference byte per parameter
  std::string Code;        // internal: the bytecode; empty is written as a lone return
  std::string ExportName;  // internal: the upper-case procedure name
  std::string ExportDecl;  // internal: the declaration text
  std::vector<TPSAttribute> Attributes;
  bool operator==(const TPSContainerProc&) const = default;
};

// A global variable entry.
struct TPSContainerVar {
  uint32_t TypeNo = 0;
  std::optional<std::string> ExportName;
  bool operator==(const TPSContainerVar&) const = default;
};

// A whole container.
struct TPSContainer {
  uint32_t Version = kContainerVersion;
  std::vector<TPSContainerType> Types;
  std::vector<TPSContainerProc> Procs;
  std::vector<TPSContainerVar> Vars;
  uint32_t MainProc = kNoMainProc;
  bool operator==(const TPSContainer&) const = default;
};

// The container's bytes. The model is trusted: it comes from the compiler.
std::string WriteContainer(const TPSContainer& container);

// Reads and checks a container. On success fills out and answers ErNoError; otherwise
// answers the code of the first defect (erInvalidHeader, erInvalidType, erUnexpectedEof,
// ErOutOfRange, ErTypeMismatch, erNoMainProc, erOutOfMemory) and leaves out empty. Host
// routine names are not bound here; param is for the executor's error parameter and is
// left empty.
TPSError ReadContainer(std::string_view bytes, TPSContainer& out, std::string& param);

// The size of a value of every type, by type number: fixed by the base type, the sum of
// the fields for records, element size times count for static arrays. Types must refer to
// earlier types only, as every container read does.
std::vector<uint32_t> ValueSizes(const TPSContainer& container);
// The value size of a base type that holds no other types; 0 for records, static arrays
// and sets, whose size comes from their parts.
uint32_t BaseValueSize(TPSBaseType type);

// Constant encoding, shared by attribute fields and constant operands: fixed-size kinds
// take their value size in bytes; strings and PChars a u32 length and the bytes; wide and
// Unicode strings a u32 count of characters and two bytes each; sets their byte size;
// procedure pointers a u32 procedure number. Other kinds have no constants.

// Reads a constant of type; answers its value bytes without a length, or nothing when the
// type has no constants. Bytes cut short go to in's failure function.
std::optional<std::string_view> ReadConstant(ByteReader& in, const TPSContainerType& type);
// Appends value (the bytes of a string, two bytes per character of a wide string, the
// exact value bytes otherwise) with its length; false when the type has no constants or
// a fixed-size value has the wrong size.
bool WriteConstant(ByteWriter& out, const TPSContainerType& type, std::string_view value);

// One value operand of an instruction.
struct TPSOperand {
  TPSOperandKind Kind = TPSOperandKind::Var;
  uint32_t Var = 0;        // Var, Element, IndexedElement: the variable number
  uint32_t Index = 0;      // Element: field or element number; IndexedElement: index variable
  uint32_t TypeNo = 0;     // Const
  std::string_view Value;  // Const: the value bytes without a length; a view into the code
};

// One decoded instruction.
struct TPSInstruction {
  TPSOpcode Op = TPSOpcode::Nop;
  size_t End = 0;                        // the offset after its last operand
  std::array<TPSOperand, 3> Operands{};  // the 'o' operands, in order
  std::array<uint32_t, 4> Words{};       // the other operands, in order; 'j' as its bits
};

// Decodes the instruction at pos of code. Fails with ErOutOfRange when it runs past the
// end, erInvalidOpcode for a byte that is no opcode, erInvalidOpcodeParameter for an
// unknown operand kind, erInvalidType for a constant of a missing type or of a type
// without constants.
TPSError ReadInstruction(const TPSContainer& container, std::string_view code, size_t pos,
                         TPSInstruction& out);
