#include "script/ps_errors.h"

#include <algorithm>

namespace {

// The texts of the codes whose text does not depend on the parameter, by code.
constexpr std::array<std::string_view, 25> kFixedTexts = {
    "No Error",
    "",
    "Invalid Type",
    "Internal error",
    "Invalid Header",
    "Invalid Opcode",
    "Invalid Opcode Parameter",
    "no Main Proc",
    "Out of Global Vars range",
    "Out of Proc Range",
    "Out Of Range",
    "Out Of Stack Range",
    "Type Mismatch",
    "Unexpected End Of File",
    "Version error",
    "divide by Zero",
    "Math error",
    "",
    "Out of Record Fields Range",
    "Out Of Memory",
    "",
    "Null Pointer Exception",
    "Null variant error",
    "Interface not supported",
    "",
};

// A routine name as far as its first control character: a name from a damaged
// container may run on into binary bytes.
std::string_view UpToControl(std::string_view text) {
  auto control = std::find_if(text.begin(), text.end(),
                              [](char c) { return static_cast<unsigned char>(c) < 0x20; });
  return text.substr(0, static_cast<size_t>(control - text.begin()));
}

}  // namespace

std::string PSErrorToString(TPSError code, std::string_view param) {
  switch (code) {
    case erCannotImport:
      return "Cannot Import " + std::string(UpToControl(param));
    case erCouldNotCallProc:
      return param.empty() ? "Could not call proc"
                           : "Could not call proc (" + std::string(param) + ")";
    case erException:
      return "Exception: " + std::string(param);
    case erCustomError:
      return std::string(param);
    default:
      if (code < kFixedTexts.size()) return std::string(kFixedTexts[code]);
      return "Unknown error";
  }
}
