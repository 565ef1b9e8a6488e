// Base type codes: the kind of every type in the compiled container and of every value
// in the executor. The compiler maps its own kinds onto these before writing.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

enum TPSBaseType : uint8_t {
  btReturnAddress = 0,  // the executor's return records; never in a container
  btU8 = 1,             // Byte, Boolean and enumerations up to 256 values
  btS8 = 2,
  btU16 = 3,  // also enumerations up to 65536 values
  btS16 = 4,
  btU32 = 5,  // also larger enumerations
  btS32 = 6,
  btSingle = 7,
  btDouble = 8,
  btExtended = 9,  // 80-bit, 10 bytes
  btString = 10,   // 8-bit string
  btRecord = 11,
  btArray = 12,    // dynamic array
  btPointer = 13,  // the executor's typed reference to another value
  btPChar = 14,
  btVariant = 16,
  btS64 = 17,
  btChar = 18,
  btWideString = 19,
  btWideChar = 20,
  btProcPtr = 21,
  btStaticArray = 22,
  btSet = 23,
  btCurrency = 24,  // 64-bit fixed point, 4 decimals
  btClass = 25,
  btInterface = 26,
  btUnicodeString = 28,
};

// The highest base type code there is.
inline constexpr uint8_t kLastBaseType = btUnicodeString;

// Whether a type entry of a container may carry this code. Return records belong to the
// executor alone, and 15 and 27 name no kind.
constexpr bool IsContainerBaseType(uint8_t code) {
  return code >= btU8 && code <= kLastBaseType && code != 15 && code != 27;
}

// A short name of each code for listings ("U8", "Record", ...); empty for unused codes.
inline constexpr std::array<std::string_view, kLastBaseType + 1> kBaseTypeNames = {
    "ReturnAddress", "U8",         "S8",        "U16",      "S16",           "U32",
    "S32",           "Single",     "Double",    "Extended", "String",        "Record",
    "Array",         "Pointer",    "PChar",     "",         "Variant",       "S64",
    "Char",          "WideString", "WideChar",  "ProcPtr",  "StaticArray",   "Set",
    "Currency",      "Class",      "Interface", "",         "UnicodeString",
};
