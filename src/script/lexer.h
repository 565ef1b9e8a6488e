// The lexer of the script language: cuts an 8-bit Pascal source into numbered tokens for
// the compiler and for the header parser of host routine declarations. It knows token
// kinds, keywords and positions; the values of literals come from the helpers at the end,
// which the compiler applies to the token texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

// Token kinds. The compiler tests these numbers, so they never change.
enum TPSTokenKind : uint8_t {
  tkEndOfText = 0,  // also the token after a lexical error
  tkComment = 1,
  tkWhiteSpace = 2,
  tkIdentifier = 3,
  tkSemicolon = 4,
  tkComma = 5,
  tkPeriod = 6,
  tkColon = 7,
  tkOpenParen = 8,
  tkCloseParen = 9,
  tkOpenBracket = 10,
  tkCloseBracket = 11,
  tkAssign = 12,  // :=
  tkEqual = 13,
  tkNotEqual = 14,  // <>
  tkGreater = 15,
  tkGreaterEqual = 16,
  tkLess = 17,
  tkLessEqual = 18,
  tkPlus = 19,
  tkMinus = 20,
  tkSlash = 21,
  tkStar = 22,
  tkInteger = 23,
  tkReal = 24,
  tkString = 25,     // 'quoted'
  tkCharCode = 26,   // #65 or #$41
  tkHexNumber = 27,  // $FF
  tkAt = 28,
  tkCaret = 29,
  tkRange = 30,  // ..
  tkAnd = 31,
  tkArray = 32,
  tkBegin = 33,
  tkCase = 34,
  tkConst = 35,
  tkDiv = 36,
  tkDo = 37,
  tkDownTo = 38,
  tkElse = 39,
  tkEnd = 40,
  tkFor = 41,
  tkFunction = 42,
  tkIf = 43,
  tkIn = 44,
  tkMod = 45,
  tkNot = 46,
  tkOf = 47,
  tkOr = 48,
  tkProcedure = 49,
  tkProgram = 50,
  tkRepeat = 51,
  tkRecord = 52,
  tkSet = 53,
  tkShl = 54,
  tkShr = 55,
  tkThen = 56,
  tkTo = 57,
  tkType = 58,
  tkUntil = 59,
  tkUses = 60,
  tkVar = 61,
  tkWhile = 62,
  tkWith = 63,
  tkXor = 64,
  tkExit = 65,
  tkClass = 66,
  tkConstructor = 67,
  tkDestructor = 68,
  tkInherited = 69,
  tkPrivate = 70,
  tkPublic = 71,
  tkPublished = 72,
  tkProtected = 73,
  tkProperty = 74,
  tkVirtual = 75,
  tkOverride = 76,
  tkAs = 77,
  tkIs = 78,
  tkUnit = 79,
  tkTry = 80,
  tkExcept = 81,
  tkFinally = 82,
  tkExternal = 83,
  tkForward = 84,
  tkExport = 85,
  tkLabel = 86,
  tkGoto = 87,
  tkChr = 88,
  tkOrd = 89,
  tkInterface = 90,
  tkImplementation = 91,
  tkInitialization = 92,
  tkFinalization = 93,
  tkOut = 94,
  tkNil = 95,
};

// The lexical errors, numbered as the compiler's error hook receives them.
enum class TPSParserError { CommentError = 1, StringError = 2, CharError = 3, SyntaxError = 4 };

// One reserved word: its upper-case name and its token kind.
struct TPSKeyword {
  std::string_view name;
  TPSTokenKind kind;
};

// The 65 reserved words, sorted by name in ascending byte order; shared read-only.
std::span<const TPSKeyword> PSKeywords();
// The kind of an upper-case word: its keyword kind, or tkIdentifier.
TPSTokenKind PSKeywordKind(std::string_view upperName);

// The hash that speeds up name comparison in the compiler and the executor: starting
// from 0, each byte is added to the hash rotated left by 7 bits (mod 2^32).
uint32_t PSNameHash(std::string_view name);

// Reads one source token by token. Comments and white space are skipped unless reported.
class TPSPascalParser {
 public:
  // Called once per lexical error, after the current token has become the end of text.
  using ErrorHook = std::function<void(TPSPascalParser&, TPSParserError)>;

  // Keeps a copy of source and reads its first token. A zero byte ends the text.
  void SetText(std::string_view source);
  // Reads the token after the current one; at the end of text it stays there.
  void Next();

  // The kind of the current token.
  TPSTokenKind TokenKind() const { return kind_; }
  // Identifiers upper-cased; numbers, strings and character codes as written; empty for
  // every other kind, keywords included.
  const std::string& TokenText() const { return tokenText_; }
  // The same with identifiers as written.
  const std::string& OriginalText() const { return originalText_; }
  // The byte index of the token's first byte, from 0.
  size_t Position() const { return pos_; }
  // The token's length in bytes (0 at the end of text).
  size_t TokenLength() const { return length_; }
  // The line of the token's first byte, from 1.
  int Row() const { return row_; }
  // The column of the token's first byte, from 1, counted in bytes.
  int Col() const { return static_cast<int>(pos_ - lineStart_) + 1; }

  // Whether comments (kind 1) are returned as tokens; off by default.
  bool ReportComments() const { return reportComments_; }
  void SetReportComments(bool on) { reportComments_ = on; }
  // Whether white space (kind 2) is returned as tokens; off by default.
  bool ReportWhiteSpace() const { return reportWhiteSpace_; }
  void SetReportWhiteSpace(bool on) { reportWhiteSpace_ = on; }
  // The error hook; none by default.
  void SetOnParserError(ErrorHook hook) { onParserError_ = std::move(hook); }

 private:
  struct Scanned;

  void ReadToken();
  Scanned Scan(size_t start);
  Scanned ScanWhiteSpace(size_t start);
  Scanned ScanIdentifier(size_t start) const;
  Scanned ScanNumber(size_t start) const;
  Scanned ScanCharCode(size_t start) const;
  Scanned ScanString(size_t start) const;
  Scanned ScanBlockComment(size_t start, std::string_view close);
  Scanned ScanSymbol(size_t start) const;
  size_t SkipLineBreak(size_t i);
  size_t SkipWhile(size_t i, bool (*accept)(char)) const;
  char At(size_t i) const { return i < text_.size() ? text_[i] : '\0'; }
  void MovePastToken();
  void SetTexts();
  void Fail(TPSParserError error);

  std::string text_;
  size_t pos_ = 0;
  size_t length_ = 0;
  TPSTokenKind kind_ = tkEndOfText;
  std::string tokenText_;
  std::string originalText_;
  int row_ = 1;
  size_t lineStart_ = 0;
  // Line breaks inside the current token count only once the parser moves past it, so
  // that a reported white space or comment stands at the row and column of its start.
  int rowsInToken_ = 0;
  size_t lineStartAfterToken_ = 0;
  bool reportComments_ = false;
  bool reportWhiteSpace_ = false;
  ErrorHook onParserError_;
};

// Literal values, computed by the compiler from token texts.

// How the compiler types an integer literal.
enum class TPSIntegerLiteralType { LongInt, LongWord, Int64 };

// The value of an integer token (decimal) or hexadecimal token ("$" and hex digits). A
// text that does not convert, such as "$" alone, or a value above 2^63 - 1, gives 0.
int64_t PSIntegerLiteralValue(std::string_view text);
// LongInt for 0 to 2147483647, LongWord for 2147483648 to 4294967295, else Int64.
TPSIntegerLiteralType PSIntegerLiteralType(int64_t value);
// The value of a real token, rounded to the nearest 80-bit extended value ("." is always
// the decimal point). Too large a value gives infinity; a text that does not convert, 0.
long double PSRealLiteralValue(std::string_view text);
// The value of a quoted string token: without its enclosing quotes, each '' made '.
std::string PSStringLiteralValue(std::string_view text);
// The code of a character token: decimal after "#", hexadecimal after "#$". Codes above
// 255 make the constant a wide string; one that does not fit 32 bits gives 0xFFFFFFFF,
// and "#" or "#$" alone gives 0.
uint32_t PSCharCodeValue(std::string_view text);
