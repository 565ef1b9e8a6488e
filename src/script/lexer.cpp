#include "script/lexer.h"

#include <locale.h>  // newlocale (POSIX)
#include <stdlib.h>  // strtold_l (glibc)
#include <algorithm>
#include <array>
#include <bit>
#include <limits>
#include <optional>
#include <utility>

#include "data/ascii_case.h"

namespace {

// Sorted by name in byte order, so that a word is found by bisection.
constexpr std::array<TPSKeyword, 65> kKeywords = {{
    {"AND", tkAnd},
    {"ARRAY", tkArray},
    {"AS", tkAs},
    {"BEGIN", tkBegin},
    {"CASE", tkCase},
    {"CHR", tkChr},
    {"CLASS", tkClass},
    {"CONST", tkConst},
    {"CONSTRUCTOR", tkConstructor},
    {"DESTRUCTOR", tkDestructor},
    {"DIV", tkDiv},
    {"DO", tkDo},
    {"DOWNTO", tkDownTo},
    {"ELSE", tkElse},
    {"END", tkEnd},
    {"EXCEPT", tkExcept},
    {"EXIT", tkExit},
    {"EXPORT", tkExport},
    {"EXTERNAL", tkExternal},
    {"FINALIZATION", tkFinalization},
    {"FINALLY", tkFinally},
    {"FOR", tkFor},
    {"FORWARD", tkForward},
    {"FUNCTION", tkFunction},
    {"GOTO", tkGoto},
    {"IF", tkIf},
    {"IMPLEMENTATION", tkImplementation},
    {"IN", tkIn},
    {"INHERITED", tkInherited},
    {"INITIALIZATION", tkInitialization},
    {"INTERFACE", tkInterface},
    {"IS", tkIs},
    {"LABEL", tkLabel},
    {"MOD", tkMod},
    {"NIL", tkNil},
    {"NOT", tkNot},
    {"OF", tkOf},
    {"OR", tkOr},
    {"ORD", tkOrd},
    {"OUT", tkOut},
    {"OVERRIDE", tkOverride},
    {"PRIVATE", tkPrivate},
    {"PROCEDURE", tkProcedure},
    {"PROGRAM", tkProgram},
    {"PROPERTY", tkProperty},
    {"PROTECTED", tkProtected},
    {"PUBLIC", tkPublic},
    {"PUBLISHED", tkPublished},
    {"RECORD", tkRecord},
    {"REPEAT", tkRepeat},
    {"SET", tkSet},
    {"SHL", tkShl},
    {"SHR", tkShr},
    {"THEN", tkThen},
    {"TO", tkTo},
    {"TRY", tkTry},
    {"TYPE", tkType},
    {"UNIT", tkUnit},
    {"UNTIL", tkUntil},
    {"USES", tkUses},
    {"VAR", tkVar},
    {"VIRTUAL", tkVirtual},
    {"WHILE", tkWhile},
    {"WITH", tkWith},
    {"XOR", tkXor},
}};
static_assert(std::ranges::is_sorted(kKeywords, {}, &TPSKeyword::name));

constexpr std::pair<std::string_view, TPSTokenKind> kTwoByteSymbols[] = {
    {":=", tkAssign},       {"<=", tkLessEqual}, {"<>", tkNotEqual},
    {">=", tkGreaterEqual}, {"..", tkRange},
};

constexpr std::pair<char, TPSTokenKind> kOneByteSymbols[] = {
    {'(', tkOpenParen}, {')', tkCloseParen}, {'[', tkOpenBracket}, {']', tkCloseBracket},
    {',', tkComma},     {';', tkSemicolon},  {'+', tkPlus},        {'-', tkMinus},
    {'*', tkStar},      {'/', tkSlash},      {'@', tkAt},          {'^', tkCaret},
    {'=', tkEqual},     {':', tkColon},      {'<', tkLess},        {'>', tkGreater},
    {'.', tkPeriod},
};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
  return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

bool IsIdentifierStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsIdentifierPart(char c) {
  return IsIdentifierStart(c) || IsDigit(c);
}

bool IsWhiteSpace(char c) {
  return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

bool IsLineBreak(char c) {
  return c == '\r' || c == '\n';
}

// The value of a run of digits in base 10 or 16, saturated at the largest uint64_t;
// nothing when the run is empty or holds another byte.
std::optional<uint64_t> DigitsValue(std::string_view digits, unsigned base) {
  if (digits.empty()) return std::nullopt;
  constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
  uint64_t value = 0;
  for (char c : digits) {
    unsigned digit;
    if (IsDigit(c)) {
      digit = static_cast<unsigned>(c - '0');
    } else if (base == 16 && IsHexDigit(c)) {
      digit = static_cast<unsigned>(UpperAscii(c) - 'A' + 10);
    } else {
      return std::nullopt;
    }
    value = value > (kMax - digit) / base ? kMax : value * base + digit;
  }
  return value;
}

}  // namespace

std::span<const TPSKeyword> PSKeywords() {
  return kKeywords;
}

TPSTokenKind PSKeywordKind(std::string_view upperName) {
  auto it = std::ranges::lower_bound(kKeywords, upperName, {}, &TPSKeyword::name);
  return it != kKeywords.end() && it->name == upperName ? it->kind : tkIdentifier;
}

uint32_t PSNameHash(std::string_view name) {
  uint32_t hash = 0;
  for (unsigned char b : name)
    hash = std::rotl(hash, 7) + b;
  return hash;
}

// What Scan found at a position: a token kind and the index after the token, or an error.
struct TPSPascalParser::Scanned {
  TPSTokenKind kind;
  size_t end;
  std::optional<TPSParserError> error;
};

void TPSPascalParser::SetText(std::string_view source) {
  text_ = source;
  pos_ = 0;
  length_ = 0;
  kind_ = tkEndOfText;
  row_ = 1;
  lineStart_ = 0;
  rowsInToken_ = 0;
  ReadToken();
}

void TPSPascalParser::Next() {
  if (kind_ == tkEndOfText) return;
  MovePastToken();
  ReadToken();
}

void TPSPascalParser::ReadToken() {
  for (;;) {
    Scanned token = Scan(pos_);
    if (token.error) return Fail(*token.error);
    kind_ = token.kind;
    length_ = token.end - pos_;
    bool skip =
        (kind_ == tkComment && !reportComments_) || (kind_ == tkWhiteSpace && !reportWhiteSpace_);
    if (!skip) break;
    MovePastToken();
  }
  SetTexts();
}

TPSPascalParser::Scanned TPSPascalParser::Scan(size_t start) {
  char c = At(start);
  char next = At(start + 1);
  if (c == '\0') return {tkEndOfText, start, {}};
  if (IsWhiteSpace(c)) return ScanWhiteSpace(start);
  if (IsIdentifierStart(c)) return ScanIdentifier(start);
  if (IsDigit(c)) return ScanNumber(start);
  if (c == '$') return {tkHexNumber, SkipWhile(start + 1, IsHexDigit), {}};
  if (c == '#') return ScanCharCode(start);
  if (c == '\'') return ScanString(start);
  if (c == '{') return ScanBlockComment(start, "}");
  if (c == '(' && next == '*') return ScanBlockComment(start, "*)");
  if (c == '/' && next == '/') {
    size_t end = start + 2;
    while (At(end) != '\0' && !IsLineBreak(At(end)))
      ++end;
    return {tkComment, end, {}};
  }
  return ScanSymbol(start);
}

TPSPascalParser::Scanned TPSPascalParser::ScanWhiteSpace(size_t start) {
  size_t i = start;
  while (IsWhiteSpace(At(i)))
    i = IsLineBreak(At(i)) ? SkipLineBreak(i) : i + 1;
  return {tkWhiteSpace, i, {}};
}

TPSPascalParser::Scanned TPSPascalParser::ScanIdentifier(size_t start) const {
  size_t end = SkipWhile(start, IsIdentifierPart);
  std::string upper = UpperAscii(text_.substr(start, end - start));
  return {PSKeywordKind(upper), end, {}};
}

// Digits, then a decimal point unless it starts "..", so that 1..5 is a range; then an
// exponent only where a digit follows the E and its sign, so that 1e is 1 and then E.
TPSPascalParser::Scanned TPSPascalParser::ScanNumber(size_t start) const {
  size_t i = SkipWhile(start, IsDigit);
  bool real = false;
  if (At(i) == '.' && At(i + 1) != '.') {
    real = true;
    i = SkipWhile(i + 1, IsDigit);
  }
  if (At(i) == 'E' || At(i) == 'e') {
    size_t digits = At(i + 1) == '+' || At(i + 1) == '-' ? i + 2 : i + 1;
    if (IsDigit(At(digits))) {
      real = true;
      i = SkipWhile(digits, IsDigit);
    }
  }
  return {real ? tkReal : tkInteger, i, {}};
}

// #65 or #$41. A decimal code that runs into a letter (#65A) is an error rather than a code
// and an identifier; a hexadecimal one simply ends where its digits do.
TPSPascalParser::Scanned TPSPascalParser::ScanCharCode(size_t start) const {
  if (At(start + 1) == '$') return {tkCharCode, SkipWhile(start + 2, IsHexDigit), {}};
  size_t end = SkipWhile(start + 1, IsDigit);
  if (IsIdentifierStart(At(end))) return {tkEndOfText, start, TPSParserError::CharError};
  return {tkCharCode, end, {}};
}

// A doubled quote stands for one quote; a string never spans lines.
TPSPascalParser::Scanned TPSPascalParser::ScanString(size_t start) const {
  for (size_t i = start + 1;; ++i) {
    char c = At(i);
    if (c == '\0' || IsLineBreak(c)) return {tkEndOfText, start, TPSParserError::StringError};
    if (c != '\'') continue;
    if (At(i + 1) != '\'') return {tkString, i + 1, {}};
    ++i;
  }
}

// { ... } or (* ... *), which may span lines; the opening is as long as close.
TPSPascalParser::Scanned TPSPascalParser::ScanBlockComment(size_t start, std::string_view close) {
  size_t i = start + close.size();
  for (;;) {
    char c = At(i);
    if (c == '\0') return {tkEndOfText, start, TPSParserError::CommentError};
    if (std::string_view(text_).substr(i).starts_with(close))
      return {tkComment, i + close.size(), {}};
    i = IsLineBreak(c) ? SkipLineBreak(i) : i + 1;
  }
}

// A two-byte symbol where its second byte follows (:= <= <> >= ..), else a one-byte one.
TPSPascalParser::Scanned TPSPascalParser::ScanSymbol(size_t start) const {
  std::string_view pair = std::string_view(text_).substr(start, 2);
  for (const auto& [symbol, kind] : kTwoByteSymbols)
    if (pair == symbol) return {kind, start + 2, {}};
  for (const auto& [symbol, kind] : kOneByteSymbols)
    if (At(start) == symbol) return {kind, start + 1, {}};
  return {tkEndOfText, start, TPSParserError::SyntaxError};
}

// CR LF is one line break, and so are a lone CR and a lone LF.
size_t TPSPascalParser::SkipLineBreak(size_t i) {
  i += At(i) == '\r' && At(i + 1) == '\n' ? 2 : 1;
  ++rowsInToken_;
  lineStartAfterToken_ = i;
  return i;
}

size_t TPSPascalParser::SkipWhile(size_t i, bool (*accept)(char)) const {
  while (accept(At(i)))
    ++i;
  return i;
}

void TPSPascalParser::MovePastToken() {
  pos_ += length_;
  length_ = 0;
  if (rowsInToken_ > 0) {
    row_ += rowsInToken_;
    lineStart_ = lineStartAfterToken_;
    rowsInToken_ = 0;
  }
}

void TPSPascalParser::SetTexts() {
  std::string_view written(text_.data() + pos_, length_);
  switch (kind_) {
    case tkIdentifier:
      originalText_ = written;
      tokenText_ = UpperAscii(originalText_);
      break;
    case tkInteger:
    case tkReal:
    case tkString:
    case tkCharCode:
    case tkHexNumber:
      originalText_ = written;
      tokenText_ = written;
      break;
    default:
      originalText_.clear();
      tokenText_.clear();
  }
}

void TPSPascalParser::Fail(TPSParserError error) {
  kind_ = tkEndOfText;
  length_ = 0;
  rowsInToken_ = 0;
  tokenText_.clear();
  originalText_.clear();
  if (onParserError_) onParserError_(*this, error);
}

int64_t PSIntegerLiteralValue(std::string_view text) {
  bool hex = text.starts_with('$');
  std::optional<uint64_t> value = DigitsValue(hex ? text.substr(1) : text, hex ? 16 : 10);
  if (!value || *value > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return 0;
  return static_cast<int64_t>(*value);
}

TPSIntegerLiteralType PSIntegerLiteralType(int64_t value) {
  if (value >= 0 && value <= std::numeric_limits<int32_t>::max())
    return TPSIntegerLiteralType::LongInt;
  if (value >= 0 && value <= std::numeric_limits<uint32_t>::max())
    return TPSIntegerLiteralType::LongWord;
  return TPSIntegerLiteralType::Int64;
}

// strtold in the "C" locale, so that "." is the decimal point whatever locale the process
// runs in; only the shapes the lexer reads are accepted (no sign, "inf" or hexadecimal).
long double PSRealLiteralValue(std::string_view text) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
  if (text.empty() || !IsDigit(text[0]) ||
      text.find_first_not_of("0123456789.Ee+-") != std::string_view::npos)
    return 0;
  std::string copy(text);
  char* end = nullptr;
  long double value = strtold_l(copy.c_str(), &end, cLocale);
  return end == copy.c_str() + copy.size() ? value : 0;
}

std::string PSStringLiteralValue(std::string_view text) {
  if (text.size() < 2) return {};
  std::string_view inner = text.substr(1, text.size() - 2);
  std::string value;
  for (size_t i = 0; i < inner.size(); ++i) {
    value += inner[i];
    if (inner[i] == '\'' && i + 1 < inner.size() && inner[i + 1] == '\'') ++i;
  }
  return value;
}

uint32_t PSCharCodeValue(std::string_view text) {
  if (!text.starts_with('#')) return 0;
  std::string_view code = text.substr(1);
  bool hex = code.starts_with('$');
  std::optional<uint64_t> value = DigitsValue(hex ? code.substr(1) : code, hex ? 16 : 10);
  if (!value) return 0;
  return static_cast<uint32_t>(std::min<uint64_t>(*value, std::numeric_limits<uint32_t>::max()));
}
