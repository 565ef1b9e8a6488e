// The texts of the compiler's messages and their formatted form.
#include <array>
#include <string>

#include "script/compiler_internal.h"

namespace {

constexpr std::array<std::string_view, 42> kErrorTexts = {
    "Unknown identifier '%s'",
    "Identifier expected",
    "Comment error",
    "String error",
    "Char error",
    "Syntax error",
    "Unexpected end of file",
    "Semicolon (';') expected",
    "'BEGIN' expected",
    "period ('.') expected",
    "Duplicate identifier '%s'",
    "colon (':') expected",
    "Unknown type '%s'",
    "Closing parenthesis expected",
    "Type mismatch",
    "Internal error (%s)",
    "Assignment expected",
    "'THEN' expected",
    "'DO' expected",
    "No result",
    "opening parenthesis ('(')expected",
    "comma (',') expected",
    "'TO' expected",
    "is ('=') expected",
    "'OF' expected",
    "Closing square bracket (']') expected",
    "Variable Expected",
    "String Expected",
    "'END' expected",
    "Label '%s' not set",
    "Not in a loop",
    "Invalid jump",
    "Opening square brackets ('[') expected",
    "Write-only property",
    "Read-only property",
    "Class type expected",
    "%s",
    "Divide by Zero",
    "Math Error",
    "Unsatisfied Forward %s",
    "Forward Parameter Mismatch",
    "Invalid number of parameters",
};

constexpr std::array<std::string_view, 3> kHintTexts = {
    "Variable '%s' never used",
    "Function '%s' never used",
    "%s",
};

constexpr std::array<std::string_view, 4> kWarningTexts = {
    "Calculation always evaluates to %s",
    "%s is not needed",
    "Abstract Class Construction",
    "%s",
};

// The template of a code from a table, or the fallback beyond it.
template <size_t N>
std::string_view Template(const std::array<std::string_view, N>& table, int code,
                          std::string_view fallback) {
  if (code < 0 || static_cast<size_t>(code) >= N) return fallback;
  return table[static_cast<size_t>(code)];
}

std::string_view KindName(TPSMessageKind kind) {
  switch (kind) {
    case TPSMessageKind::Error:
      return "Error";
    case TPSMessageKind::Hint:
      return "Hint";
    case TPSMessageKind::Warning:
      return "Warning";
  }
  return "Error";
}

}  // namespace

std::string PSMessageText(TPSMessageKind kind, int code, std::string_view param) {
  std::string_view text;
  switch (kind) {
    case TPSMessageKind::Error:
      text = Template(kErrorTexts, code, "Unknown error");
      break;
    case TPSMessageKind::Hint:
      text = Template(kHintTexts, code, "Unknown hint");
      break;
    case TPSMessageKind::Warning:
      text = Template(kWarningTexts, code, "Unknown warning");
      break;
  }
  std::string out(text);
  if (size_t at = out.find("%s"); at != std::string::npos) out.replace(at, 2, param);
  return out;
}

std::string TPSPascalCompilerMessage::ShortMessageToString() const {
  return PSMessageText(Kind, Code, Param);
}

std::string TPSPascalCompilerMessage::MessageToString() const {
  return "[" + std::string(KindName(Kind)) + "] " + Module + "(" + std::to_string(Row) + ":" +
         std::to_string(Col) + "): " + ShortMessageToString();
}
