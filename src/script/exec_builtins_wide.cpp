// The AnyString built-ins on wide strings. Letter case of wide strings follows the
// letters of Latin-1, Latin Extended-A, Greek and Cyrillic, the same whatever the locale.
#include "script/exec_builtins_wide.h"

#include <algorithm>
#include <string>

#include "script/builtin_text.h"
#include "script/exec_machine.h"

namespace {

using A = TPSCallAccess;

// The text of argument i, widened when it is 8-bit.
std::u16string WideArg(const TPSCall& c, size_t i) {
  return WideText(*A::Arg(c, i));
}

// Stores the result: a wide result slot takes the text, an 8-bit one its narrowing.
bool StoreResult(TPSCall& c, std::u16string text) {
  if (text.size() > kPSMaxBuiltinString / 2) {
    A::Fail(c, kPSGuardMemory, "");
    return false;
  }
  TPSValue* r = A::Result(c);
  if (r && (r->Type->Base == btWideString || r->Type->Base == btUnicodeString)) {
    SetWStrValue(*r, std::move(text));
  } else {
    c.SetResultStr(Narrow(text));
  }
  return true;
}

// Where a 1-based position falls in a text of size n: 0 for positions below 1.
size_t Start(int64_t from) {
  return from < 1 ? 0 : static_cast<size_t>(from) - 1;
}

char16_t UpperOf(char16_t ch) {
  if ((ch >= u'a' && ch <= u'z') || (ch >= 0xE0 && ch <= 0xFE && ch != 0xF7)) return ch - 0x20;
  if (ch == 0xFF) return 0x178;
  if (ch >= 0x100 && ch <= 0x17F && ch != 0x130 && ch != 0x131 && ch != 0x138 && ch != 0x149 &&
      ch != 0x17F) {
    bool oddUpper = (ch >= 0x139 && ch <= 0x148) || (ch >= 0x179 && ch <= 0x17E);
    return (ch % 2 == 0) == oddUpper ? ch - 1 : ch;
  }
  if (ch >= 0x3B1 && ch <= 0x3C9 && ch != 0x3C2) return ch - 0x20;
  if (ch >= 0x430 && ch <= 0x44F) return ch - 0x20;
  if (ch >= 0x450 && ch <= 0x45F) return ch - 0x50;
  return ch;
}

char16_t LowerOf(char16_t ch) {
  if ((ch >= u'A' && ch <= u'Z') || (ch >= 0xC0 && ch <= 0xDE && ch != 0xD7)) return ch + 0x20;
  if (ch == 0x178) return 0xFF;
  if (ch >= 0x100 && ch <= 0x17F && ch != 0x130 && ch != 0x131 && ch != 0x138 && ch != 0x149 &&
      ch != 0x17F) {
    bool oddUpper = (ch >= 0x139 && ch <= 0x148) || (ch >= 0x179 && ch <= 0x17E);
    return (ch % 2 == 1) == oddUpper ? ch + 1 : ch;
  }
  if (ch >= 0x391 && ch <= 0x3A9 && ch != 0x3A2) return ch + 0x20;
  if (ch >= 0x410 && ch <= 0x42F) return ch + 0x20;
  if (ch >= 0x400 && ch <= 0x40F) return ch + 0x50;
  return ch;
}

// Stores text into the variable argument i: a wide string keeps its kind, any other
// variable takes it as a string.
void StoreText(TPSCall& c, size_t i, std::u16string text) {
  TPSValue& s = *A::Arg(c, i);
  if (s.Type->Base == btWideString || s.Type->Base == btUnicodeString) {
    SetWStrValue(s, std::move(text));
  } else {
    c.SetStr(i, Narrow(text));
  }
}

}  // namespace

bool IsWideArgument(const TPSCall& c, size_t i) {
  TPSBaseType b = c.ArgType(i);
  return b == btWideString || b == btUnicodeString || b == btWideChar;
}

bool WideCopy(TPSCall& c) {
  std::u16string s = WideArg(c, 0);
  size_t start = Start(c.Int(1));
  int64_t count = c.Int(2);
  if (count <= 0 || start >= s.size()) return StoreResult(c, u"");
  return StoreResult(c, s.substr(start, static_cast<size_t>(count)));
}

bool WidePos(TPSCall& c) {
  std::u16string sub = WideArg(c, 0), s = WideArg(c, 1);
  size_t at = sub.empty() ? std::u16string::npos : s.find(sub);
  c.SetResultInt(at == std::u16string::npos ? 0 : static_cast<int64_t>(at) + 1);
  return true;
}

// A wide string keeps its kind; a WideChar variable, which only a damaged container
// passes, takes the result as any string would be stored into it.
bool WideDelete(TPSCall& c) {
  int64_t from = c.Int(1), count = c.Int(2);
  std::u16string text = WideArg(c, 0);
  if (from < 1 || static_cast<uint64_t>(from) > text.size() || count <= 0) return true;
  text.erase(static_cast<size_t>(from) - 1, static_cast<size_t>(count));
  StoreText(c, 0, std::move(text));
  return true;
}

bool WideInsert(TPSCall& c) {
  std::u16string add = WideArg(c, 0), text = WideArg(c, 1);
  if (add.size() + text.size() > kPSMaxBuiltinString / 2) {
    A::Fail(c, kPSGuardMemory, "");
    return false;
  }
  text.insert(std::min(Start(c.Int(2)), text.size()), add);
  StoreText(c, 1, std::move(text));
  return true;
}

bool WideUppercase(TPSCall& c) {
  std::u16string s = WideArg(c, 0);
  std::transform(s.begin(), s.end(), s.begin(), UpperOf);
  return StoreResult(c, std::move(s));
}

bool WideLowercase(TPSCall& c) {
  std::u16string s = WideArg(c, 0);
  std::transform(s.begin(), s.end(), s.begin(), LowerOf);
  return StoreResult(c, std::move(s));
}

bool WideTrim(TPSCall& c) {
  std::u16string s = WideArg(c, 0);
  size_t first = 0, last = s.size();
  while (first < last && s[first] < 33)
    ++first;
  while (last > first && s[last - 1] < 33)
    --last;
  return StoreResult(c, s.substr(first, last - first));
}

bool WidePad(TPSCall& c, char16_t fill, bool front) {
  std::u16string s = WideArg(c, 0);
  int64_t n = c.Int(1);
  if (n > static_cast<int64_t>(kPSMaxBuiltinString / 2)) {
    A::Fail(c, kPSGuardMemory, "");
    return false;
  }
  if (n > static_cast<int64_t>(s.size())) {
    std::u16string pad(static_cast<size_t>(n) - s.size(), fill);
    s = front ? pad + s : s + pad;
  }
  return StoreResult(c, std::move(s));
}
