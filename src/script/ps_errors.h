// Runtime error codes of the script executor: the code a failed load or run leaves behind,
// and the text a host shows for it. Scripts see the same codes as the enumeration
// TQXException, named and ordered as here.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

enum TPSError : uint8_t {
  ErNoError,
  erCannotImport,
  erInvalidType,
  ErInternalError,
  erInvalidHeader,
  erInvalidOpcode,
  erInvalidOpcodeParameter,
  erNoMainProc,
  erOutOfGlobalVarsRange,
  erOutOfProcRange,
  ErOutOfRange,
  erOutOfStackRange,
  ErTypeMismatch,
  erUnexpectedEof,
  erVersionError,
  ErDivideByZero,
  ErMathError,
  erCouldNotCallProc,
  erOutofRecordRange,
  erOutOfMemory,
  erException,
  erNullPointerException,
  erNullVariantError,
  erInterfaceNotSupported,
  erCustomError,
};

// The names of the codes in order, as the script-visible enumeration declares them.
inline constexpr std::array<std::string_view, 25> kPSErrorNames = {
    "ErNoError",
    "erCannotImport",
    "erInvalidType",
    "ErInternalError",
    "erInvalidHeader",
    "erInvalidOpcode",
    "erInvalidOpcodeParameter",
    "erNoMainProc",
    "erOutOfGlobalVarsRange",
    "erOutOfProcRange",
    "ErOutOfRange",
    "erOutOfStackRange",
    "ErTypeMismatch",
    "erUnexpectedEof",
    "erVersionError",
    "ErDivideByZero",
    "ErMathError",
    "erCouldNotCallProc",
    "erOutofRecordRange",
    "erOutOfMemory",
    "erException",
    "erNullPointerException",
    "erNullVariantError",
    "erInterfaceNotSupported",
    "erCustomError",
};

// The text of an error with its parameter: "Cannot Import SETINT", "Type Mismatch", ...
// Codes beyond the table give "Unknown error".
std::string PSErrorToString(TPSError code, std::string_view param);
