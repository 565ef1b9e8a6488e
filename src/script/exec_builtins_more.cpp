// The later built-ins: variants, dynamic arrays, the script's view of the exception its
// except part handles, 64-bit and locale conversions, SizeOf and wide characters.
#include <string>

#include "script/builtin_text.h"
#include "script/exec_machine.h"

namespace {

using Routine = bool (*)(TPSExec&, TPSCall&);
using A = TPSCallAccess;

// The variant result slot, emptied; nil when the result is no variant.
TPSValue* EmptyVariantResult(TPSCall& c) {
  TPSValue* r = A::Result(c);
  if (!r || r->Type->Base != btVariant) return nullptr;
  ValueRelease(*r);
  r->Boxed = nullptr;
  r->VarNull = 0;
  return r;
}

bool Unassigned(TPSExec&, TPSCall& c) {
  return EmptyVariantResult(c) != nullptr;
}

bool Null(TPSExec&, TPSCall& c) {
  TPSValue* r = EmptyVariantResult(c);
  if (r) r->VarNull = 1;
  return r != nullptr;
}

bool VarIsEmpty(TPSExec&, TPSCall& c) {
  const TPSValue& v = *A::Arg(c, 0);
  c.SetResultBool(v.Type->Base == btVariant && !v.Boxed && !v.VarNull);
  return true;
}

bool VarIsNull(TPSExec&, TPSCall& c) {
  const TPSValue& v = *A::Arg(c, 0);
  c.SetResultBool(v.Type->Base == btVariant && v.VarNull);
  return true;
}

// The variant type code of a value held in a variant.
int64_t VarTypeCode(TPSBaseType b) {
  switch (b) {
    case btS8:
      return 16;
    case btU8:
      return 17;
    case btS16:
      return 2;
    case btU16:
      return 18;
    case btS32:
      return 3;
    case btU32:
      return 19;
    case btS64:
      return 20;
    case btSingle:
      return 4;
    case btDouble:
    case btExtended:
      return 5;
    case btCurrency:
      return 6;
    case btWideString:
    case btUnicodeString:
    case btWideChar:
      return 8;
    case btString:
    case btChar:
    case btPChar:
      return 256;
    default:
      return 12;
  }
}

bool VarType(TPSExec&, TPSCall& c) {
  const TPSValue& v = *A::Arg(c, 0);
  if (v.Type->Base != btVariant) return false;
  c.SetResultInt(v.VarNull ? 1 : v.Boxed ? VarTypeCode(v.Boxed->Type->Base) : 0);
  return true;
}

bool IDispatchInvoke(TPSExec&, TPSCall& c) {
  c.Raise(erCustomError, "Variant is null, cannot invoke");
  return false;
}

bool GetArrayLength(TPSExec&, TPSCall& c) {
  const TPSValue& v = *A::Arg(c, 0);
  if (v.Type->Base == btStaticArray) {
    c.SetResultInt(v.Type->Count);
  } else if (v.Type->Base == btArray) {
    c.SetResultInt(v.Block ? static_cast<int64_t>(v.Block->Items.size()) : 0);
  } else {
    c.Raise(erCustomError, "Invalid array");
    return false;
  }
  return true;
}

bool SetArrayLength(TPSExec&, TPSCall& c) {
  TPSValue& v = *A::Arg(c, 0);
  if (v.Type->Base != btArray) {
    c.Raise(erCustomError, "Invalid array");
    return false;
  }
  return ResizeArray(c, v, c.Int(1));
}

// The innermost handler that holds an exception for its except part, if any.
const TPSHandler* Holder(const TPSCall& c) {
  const std::vector<TPSHandler>& handlers = A::Machine(c)->handlers;
  for (auto it = handlers.rbegin(); it != handlers.rend(); ++it) {
    if (it->Holding) return &*it;
  }
  return nullptr;
}

bool RaiseLastException(TPSExec&, TPSCall& c) {
  const TPSHandler* h = Holder(c);
  if (!h) return true;
  TPSMachine& m = *A::Machine(c);
  m.keepPlace = true;
  m.keptProcNo = h->ProcNo;
  m.keptPos = h->Pos;
  c.Raise(h->Code, h->Param);
  return false;
}

bool RaiseException(TPSExec&, TPSCall& c) {
  c.Raise(static_cast<TPSError>(c.Int(0)), c.Str(1));
  return false;
}

bool ExceptionType(TPSExec&, TPSCall& c) {
  const TPSHandler* h = Holder(c);
  c.SetResultInt(h ? h->Code : ErNoError);
  return true;
}

bool ExceptionParam(TPSExec&, TPSCall& c) {
  const TPSHandler* h = Holder(c);
  c.SetResultStr(h ? h->Param : "");
  return true;
}

bool ExceptionProc(TPSExec&, TPSCall& c) {
  const TPSHandler* h = Holder(c);
  c.SetResultInt(h ? h->ProcNo : 0);
  return true;
}

bool ExceptionPos(TPSExec&, TPSCall& c) {
  const TPSHandler* h = Holder(c);
  c.SetResultInt(h ? h->Pos : 0);
  return true;
}

bool ExceptionToString(TPSExec&, TPSCall& c) {
  c.SetResultStr(PSErrorToString(static_cast<TPSError>(c.Int(0)), c.Str(1)));
  return true;
}

bool AnsiUppercase(TPSExec&, TPSCall& c) {
  c.SetResultStr(PSAnsiUppercase(c.Str(0)));
  return true;
}

bool AnsiLowercase(TPSExec&, TPSCall& c) {
  c.SetResultStr(PSAnsiLowercase(c.Str(0)));
  return true;
}

bool StrToInt64(TPSExec&, TPSCall& c) {
  std::string s = c.Str(0);
  std::optional<int64_t> n = PSStrToInt64(s);
  if (!n) {
    c.Raise(erException, PSInvalidIntegerText(s));
    return false;
  }
  c.SetResultInt(*n);
  return true;
}

bool Int64ToStr(TPSExec&, TPSCall& c) {
  c.SetResultStr(PSIntToStr(c.Int(0)));
  return true;
}

bool SizeOf(TPSExec&, TPSCall& c) {
  c.SetResultInt(A::Arg(c, 0)->Type->Size);
  return true;
}

bool IsWideText(TPSBaseType b) {
  return b == btWideString || b == btUnicodeString;
}

bool WStrGet(TPSExec&, TPSCall& c) {
  const TPSValue& s = *A::Arg(c, 0);
  int64_t i = c.Int(1);
  if (!IsWideText(s.Type->Base)) {
    std::string text = c.Str(0);
    if (!PSInStringRange(text, i)) {
      c.Raise(erCustomError, kPSOutOfStringRange);
      return false;
    }
    c.SetResultInt(static_cast<uint8_t>(text[static_cast<size_t>(i - 1)]));
    return true;
  }
  const std::u16string& text = WStrOf(s);
  if (i < 1 || static_cast<uint64_t>(i) > text.size()) {
    c.Raise(erCustomError, kPSOutOfStringRange);
    return false;
  }
  c.SetResultInt(text[static_cast<size_t>(i - 1)]);
  return true;
}

// The character of WStrSet's first argument: a character's code or a text's first one.
// False for a value of any other type, which only a damaged container passes.
bool FirstChar(const TPSValue& v, char16_t& ch) {
  switch (v.Type->Base) {
    case btChar:
    case btWideChar:
      ch = static_cast<char16_t>(v.I);
      return true;
    case btWideString:
    case btUnicodeString:
      ch = WStrOf(v).empty() ? u'\0' : WStrOf(v)[0];
      return true;
    case btString:
    case btPChar:
      ch = StrOf(v).empty() ? u'\0' : static_cast<char16_t>(static_cast<uint8_t>(StrOf(v)[0]));
      return true;
    default:
      return false;
  }
}

bool WStrSet(TPSExec&, TPSCall& c) {
  TPSValue& s = *A::Arg(c, 2);
  int64_t i = c.Int(1);
  char16_t ch = 0;
  if (!FirstChar(*A::Arg(c, 0), ch)) {
    c.Raise(ErTypeMismatch, "");
    return false;
  }
  bool wide = IsWideText(s.Type->Base);
  size_t length = wide ? WStrOf(s).size() : (s.Type->Base == btString ? StrOf(s).size() : 0);
  if (i < 1 || static_cast<uint64_t>(i) > length) {
    c.Raise(erCustomError, kPSOutOfStringRange);
    return false;
  }
  if (wide) {
    MutableWStr(s)[static_cast<size_t>(i - 1)] = ch;
  } else {
    MutableStr(s)[static_cast<size_t>(i - 1)] = static_cast<char>(ch & 0xFF);
  }
  return true;
}

}  // namespace

void RegisterMoreBuiltins(TPSExec& exec) {
  const std::pair<const char*, Routine> routines[] = {
      {"UNASSIGNED", Unassigned},
      {"VARISEMPTY", VarIsEmpty},
      {"NULL", Null},
      {"VARISNULL", VarIsNull},
      {"VARTYPE", VarType},
      {"IDISPATCHINVOKE", IDispatchInvoke},
      {"GETARRAYLENGTH", GetArrayLength},
      {"SETARRAYLENGTH", SetArrayLength},
      {"RAISELASTEXCEPTION", RaiseLastException},
      {"RAISEEXCEPTION", RaiseException},
      {"EXCEPTIONTYPE", ExceptionType},
      {"EXCEPTIONPARAM", ExceptionParam},
      {"EXCEPTIONPROC", ExceptionProc},
      {"EXCEPTIONPOS", ExceptionPos},
      {"EXCEPTIONTOSTRING", ExceptionToString},
      {"ANSIUPPERCASE", AnsiUppercase},
      {"ANSILOWERCASE", AnsiLowercase},
      {"STRTOINT64", StrToInt64},
      {"INT64TOSTR", Int64ToStr},
      {"SIZEOF", SizeOf},
      {"WSTRGET", WStrGet},
      {"WSTRSET", WStrSet},
  };
  for (const auto& [name, routine] : routines) {
    exec.RegisterRoutine(routine, name);
  }
}
