// The built-in routines every executor offers: thin handlers that read their arguments
// from the call, apply the cores of builtin_text.h and store the result. Routines that
// take arguments of any type (Length, SetLength, Low, High, Inc, Dec, SizeOf, Assigned and
// the array routines) look at the raw argument values.
#include <algorithm>
#include <string>

#include "script/builtin_text.h"
#include "script/exec_builtins_wide.h"
#include "script/exec_machine.h"

namespace {

using Routine = bool (*)(TPSExec&, TPSCall&);
using A = TPSCallAccess;

bool IsNarrow(TPSBaseType b) {
  return b == btString || b == btPChar;
}

bool IsWideText(TPSBaseType b) {
  return b == btWideString || b == btUnicodeString;
}

// Stores text as the result, or stops at the memory bound.
bool ResultText(TPSCall& call, const std::optional<std::string>& text) {
  if (!text) {
    A::Fail(call, kPSGuardMemory, "");
    return false;
  }
  call.SetResultStr(*text);
  return true;
}

bool Fail(TPSCall&) {
  return false;
}

bool IntToStr(TPSExec&, TPSCall& c) {
  c.SetResultStr(PSIntToStr(c.Int(0)));
  return true;
}

bool StrToInt(TPSExec&, TPSCall& c) {
  c.SetResultInt(PSStrToInt(c.Str(0)));
  return true;
}

bool StrToIntDef(TPSExec&, TPSCall& c) {
  c.SetResultInt(PSStrToIntDef(c.Str(0), static_cast<int32_t>(c.Int(1))));
  return true;
}

bool Pos(TPSExec&, TPSCall& c) {
  if (IsWideArgument(c, 0) || IsWideArgument(c, 1)) return WidePos(c);
  c.SetResultInt(PSPos(c.Str(0), c.Str(1)));
  return true;
}

bool Copy(TPSExec&, TPSCall& c) {
  if (IsWideArgument(c, 0)) return WideCopy(c);
  c.SetResultStr(PSCopy(c.Str(0), static_cast<int32_t>(c.Int(1)), static_cast<int32_t>(c.Int(2))));
  return true;
}

bool Delete(TPSExec&, TPSCall& c) {
  if (IsWideArgument(c, 0)) return WideDelete(c);
  TPSValue* s = A::Arg(c, 0);
  int32_t from = static_cast<int32_t>(c.Int(1)), count = static_cast<int32_t>(c.Int(2));
  if (IsNarrow(s->Type->Base)) {
    if (s->Str) PSDelete(MutableStr(*s), from, count);
    return true;
  }
  std::string text = c.Str(0);
  PSDelete(text, from, count);
  c.SetStr(0, text);
  return true;
}

bool Insert(TPSExec&, TPSCall& c) {
  if (IsWideArgument(c, 0) || IsWideArgument(c, 1)) return WideInsert(c);
  std::string add = c.Str(0), text = c.Str(1);
  if (add.size() + text.size() > kPSMaxBuiltinString) return ResultText(c, std::nullopt);
  PSInsert(add, text, static_cast<int32_t>(c.Int(2)));
  c.SetStr(1, text);
  return true;
}

// StrGet and StrGet2: character I of S.
bool StrGet(TPSExec&, TPSCall& c) {
  const TPSValue* s = A::Arg(c, 0);
  std::string copy;
  const std::string& text = IsNarrow(s->Type->Base) ? StrOf(*s) : (copy = c.Str(0));
  int64_t i = c.Int(1);
  if (!PSInStringRange(text, i)) {
    c.Raise(erCustomError, kPSOutOfStringRange);
    return false;
  }
  c.SetResultInt(static_cast<uint8_t>(text[static_cast<size_t>(i - 1)]));
  return true;
}

bool StrSet(TPSExec&, TPSCall& c) {
  TPSValue* s = A::Arg(c, 2);
  int64_t i = c.Int(1);
  if (!IsNarrow(s->Type->Base) || !PSInStringRange(StrOf(*s), i)) {
    c.Raise(erCustomError, kPSOutOfStringRange);
    return false;
  }
  MutableStr(*s)[static_cast<size_t>(i - 1)] = static_cast<char>(c.Int(0));
  return true;
}

bool Uppercase(TPSExec&, TPSCall& c) {
  if (IsWideArgument(c, 0)) return WideUppercase(c);
  c.SetResultStr(PSUppercase(c.Str(0)));
  return true;
}

bool Lowercase(TPSExec&, TPSCall& c) {
  if (IsWideArgument(c, 0)) return WideLowercase(c);
  c.SetResultStr(PSLowercase(c.Str(0)));
  return true;
}

bool Trim(TPSExec&, TPSCall& c) {
  if (IsWideArgument(c, 0)) return WideTrim(c);
  c.SetResultStr(PSTrim(c.Str(0)));
  return true;
}

// The element count of a string or array value; nothing for other kinds.
std::optional<int64_t> LengthOf(const TPSValue& v) {
  TPSBaseType b = v.Type->Base;
  if (IsNarrow(b)) return static_cast<int64_t>(StrOf(v).size());
  if (IsWideText(b)) return static_cast<int64_t>(WStrOf(v).size());
  if (b == btChar || b == btWideChar) return 1;
  if (b == btArray) return v.Block ? static_cast<int64_t>(v.Block->Items.size()) : 0;
  if (b == btStaticArray) return v.Type->Count;
  return std::nullopt;
}

bool Length(TPSExec&, TPSCall& c) {
  std::optional<int64_t> n = LengthOf(*A::Arg(c, 0));
  if (!n) return false;
  c.SetResultInt(*n);
  return true;
}

bool SetLength(TPSExec&, TPSCall& c) {
  TPSValue* v = A::Arg(c, 0);
  int64_t n = c.Int(1);
  if (v->Type->Base == btArray) return ResizeArray(c, *v, n);
  if (n > static_cast<int64_t>(kPSMaxBuiltinString)) return ResultText(c, std::nullopt);
  if (n < 0) n = 0;
  if (IsNarrow(v->Type->Base)) {
    MutableStr(*v).resize(static_cast<size_t>(n), ' ');
    return true;
  }
  if (IsWideText(v->Type->Base)) {
    MutableWStr(*v).resize(static_cast<size_t>(n), u' ');
    return true;
  }
  return false;
}

// The lowest and highest values of an integer kind.
void IntRange(TPSBaseType b, int64_t& low, int64_t& high) {
  int bits = PSIntegerBits(b);
  bool isSigned = b == btS8 || b == btS16 || b == btS32 || b == btS64;
  if (bits == 64) {
    low = INT64_MIN;
    high = INT64_MAX;
  } else if (isSigned) {
    low = -(int64_t{1} << (bits - 1));
    high = (int64_t{1} << (bits - 1)) - 1;
  } else {
    low = 0;
    high = (int64_t{1} << bits) - 1;
  }
}

bool Bound(TPSCall& c, bool high) {
  const TPSValue& v = *A::Arg(c, 0);
  TPSBaseType b = v.Type->Base;
  int64_t low = 0, top = 0;
  if (b == btStaticArray) {
    low = v.Type->LowBound;
    top = low + static_cast<int64_t>(v.Type->Count) - 1;
  } else if (b == btArray || IsNarrow(b) || IsWideText(b)) {
    low = b == btArray ? 0 : 1;
    top = *LengthOf(v) - (b == btArray ? 1 : 0);
  } else if (IsIntType(v.Type) || b == btChar || b == btWideChar) {
    IntRange(b, low, top);
  } else {
    return false;
  }
  c.SetResultInt(high ? top : low);
  return true;
}

bool Low(TPSExec&, TPSCall& c) {
  return Bound(c, false);
}

bool High(TPSExec&, TPSCall& c) {
  return Bound(c, true);
}

bool Step(TPSCall& c, int64_t delta) {
  TPSValue& v = *A::Arg(c, 0);
  TPSBaseType b = v.Type->Base;
  if (!IsIntType(v.Type) && b != btChar && b != btWideChar) return false;
  v.I = PSWrapInteger(b, static_cast<int64_t>(static_cast<uint64_t>(v.I) + delta));
  return true;
}

bool Dec(TPSExec&, TPSCall& c) {
  return Step(c, -1);
}

bool Inc(TPSExec&, TPSCall& c) {
  return Step(c, 1);
}

template <long double (*F)(long double)>
bool RealFn(TPSExec&, TPSCall& c) {
  c.SetResultReal(F(c.Real(0)));
  return true;
}

template <std::optional<int32_t> (*F)(long double)>
bool ToInt(TPSExec&, TPSCall& c) {
  std::optional<int32_t> n = F(c.Real(0));
  if (!n) {
    c.Raise(ErMathError, "");
    return false;
  }
  c.SetResultInt(*n);
  return true;
}

bool Pi(TPSExec&, TPSCall& c) {
  c.SetResultReal(PSPi());
  return true;
}

bool StrToFloat(TPSExec&, TPSCall& c) {
  std::string s = c.Str(0);
  std::optional<long double> x = PSStrToFloat(s);
  if (!x) {
    c.Raise(erException, PSInvalidFloatText(s));
    return false;
  }
  c.SetResultReal(*x);
  return true;
}

bool FloatToStr(TPSExec&, TPSCall& c) {
  c.SetResultStr(PSFloatToStr(c.Real(0)));
  return true;
}

template <std::optional<std::string> (*F)(std::string_view, int32_t, size_t)>
bool Pad(TPSExec&, TPSCall& c) {
  if (IsWideArgument(c, 0)) {
    return WidePad(c, F == PSPadz ? u'0' : u' ', F != PSPadr);
  }
  return ResultText(c, F(c.Str(0), static_cast<int32_t>(c.Int(1)), kPSMaxBuiltinString));
}

bool Replicate(TPSExec&, TPSCall& c) {
  return ResultText(c, PSReplicate(static_cast<char>(c.Int(0)), static_cast<int32_t>(c.Int(1))));
}

bool Assigned(TPSExec&, TPSCall& c) {
  const TPSValue& v = *A::Arg(c, 0);
  switch (v.Type->Base) {
    case btString:
    case btPChar:
      c.SetResultBool(v.Str != nullptr);
      return true;
    case btWideString:
    case btUnicodeString:
      c.SetResultBool(v.WStr != nullptr);
      return true;
    case btArray:
      c.SetResultBool(v.Block != nullptr);
      return true;
    case btProcPtr:
      c.SetResultBool(v.Aux != 0 || v.I != 0);
      return true;
    case btPointer:
      c.SetResultBool(v.RefKind != TPSRefKind::Nil);
      return true;
    default:
      if (!IsIntType(v.Type) && v.Type->Base != btClass && v.Type->Base != btInterface) {
        return false;
      }
      c.SetResultBool(v.I != 0);
      return true;
  }
}

}  // namespace

bool ResizeArray(TPSCall& c, TPSValue& a, int64_t n) {
  if (n < 0) n = 0;
  const TPSTypeRec* element = a.Type->Element;
  uint64_t grow = static_cast<uint64_t>(n) * element->Slots;
  if (static_cast<uint64_t>(n) > kMaxHeapSlots || LiveHeapSlots() + grow > kMaxHeapSlots) {
    A::Fail(c, kPSGuardMemory, "");
    return false;
  }
  TPSBlock* old = a.Block;
  TPSBlock* block = n == 0 ? nullptr : NewBlock(static_cast<size_t>(n));
  size_t count = block ? block->Items.size() : 0;
  size_t keep = old ? std::min(old->Items.size(), count) : 0;
  for (size_t i = 0; i < count; ++i) {
    if (i < keep) {
      ValueCopyNew(block->Items[i], old->Items[i]);
    } else {
      ValueInit(block->Items[i], element);
    }
  }
  ReleaseBlock(old);
  a.Block = block;
  return true;
}

// Registered in the fixed order that decides which of two equal names wins.
void RegisterBuiltins(TPSExec& exec) {
  const std::pair<const char*, Routine> routines[] = {
      {"!NOTIFICATIONVARIANTSET", [](TPSExec&, TPSCall& c) { return Fail(c); }},
      {"!NOTIFICATIONVARIANTGET", [](TPSExec&, TPSCall& c) { return Fail(c); }},
      {"INTTOSTR", IntToStr},
      {"STRTOINT", StrToInt},
      {"STRTOINTDEF", StrToIntDef},
      {"POS", Pos},
      {"COPY", Copy},
      {"DELETE", Delete},
      {"INSERT", Insert},
      {"STRGET", StrGet},
      {"STRGET2", StrGet},
      {"STRSET", StrSet},
      {"UPPERCASE", Uppercase},
      {"LOWERCASE", Lowercase},
      {"TRIM", Trim},
      {"LENGTH", Length},
      {"SETLENGTH", SetLength},
      {"LOW", Low},
      {"HIGH", High},
      {"DEC", Dec},
      {"INC", Inc},
      {"SIN", RealFn<PSSin>},
      {"COS", RealFn<PSCos>},
      {"SQRT", RealFn<PSSqrt>},
      {"ROUND", ToInt<PSRound>},
      {"TRUNC", ToInt<PSTrunc>},
      {"INT", RealFn<PSInt>},
      {"PI", Pi},
      {"ABS", RealFn<PSAbs>},
      {"STRTOFLOAT", StrToFloat},
      {"FLOATTOSTR", FloatToStr},
      {"PADL", Pad<PSPadl>},
      {"PADR", Pad<PSPadr>},
      {"PADZ", Pad<PSPadz>},
      {"REPLICATE", Replicate},
      {"STRINGOFCHAR", Replicate},
      {"!ASSIGNED", Assigned},
  };
  for (const auto& [name, routine] : routines) {
    exec.RegisterRoutine(routine, name);
  }
  RegisterMoreBuiltins(exec);
}
