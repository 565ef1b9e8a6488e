#include "script/exec_value.h"

#include <cmath>
#include <cstring>
#include <memory>

namespace {

thread_local uint64_t liveHeapSlots = 0;

template <typename Buf>
void ReleaseText(Buf* buf) {
  if (buf && --buf->Refs == 0) delete buf;
}

// A block of zeroed elements for a record or a static array.
TPSBlock* ZeroBlock(const TPSTypeRec* type) {
  if (type->Base == btRecord) {
    TPSBlock* block = NewBlock(type->Fields.size());
    for (size_t i = 0; i < type->Fields.size(); ++i) {
      ValueInit(block->Items[i], type->Fields[i]);
    }
    return block;
  }
  TPSBlock* block = NewBlock(type->Count);
  for (TPSValue& item : block->Items) {
    ValueInit(item, type->Element);
  }
  return block;
}

TPSBlock* CopyBlock(const TPSBlock* src) {
  TPSBlock* block = NewBlock(src->Items.size());
  for (size_t i = 0; i < src->Items.size(); ++i) {
    ValueCopyNew(block->Items[i], src->Items[i]);
  }
  return block;
}

// Whether values of a and b have the same layout, so that one may be assigned to the
// other whole (records, arrays, sets).
bool SameShape(const TPSTypeRec* a, const TPSTypeRec* b) {
  if (a == b) return true;
  if (a->Base != b->Base) return false;
  switch (a->Base) {
    case btRecord:
      if (a->Fields.size() != b->Fields.size()) return false;
      for (size_t i = 0; i < a->Fields.size(); ++i) {
        if (!SameShape(a->Fields[i], b->Fields[i])) return false;
      }
      return true;
    case btStaticArray:
      return a->Count == b->Count && SameShape(a->Element, b->Element);
    case btArray:
      return SameShape(a->Element, b->Element);
    case btSet:
      return a->SetBits == b->SetBits;
    default:
      return true;
  }
}

TPSError AssignFloat(TPSValue& dest, long double x) {
  switch (dest.Type->Base) {
    case btSingle:
      dest.F32 = static_cast<float>(x);
      return ErNoError;
    case btDouble:
      dest.F64 = static_cast<double>(x);
      return ErNoError;
    case btExtended:
      dest.F80 = x;
      return ErNoError;
    case btCurrency:
      if (!(std::fabs(x) < 9.2e14L)) return ErMathError;
      dest.I = static_cast<int64_t>(std::llrint(x * 10000.0L));
      return ErNoError;
    default:
      return ErTypeMismatch;
  }
}

// dest := src for two types of one representation; dest keeps its own type.
void ReplaceKeepingType(TPSValue& dest, const TPSValue& src) {
  const TPSTypeRec* type = dest.Type;
  ValueReplace(dest, src);
  dest.Type = type;
}

// The aggregates, sets, procedure pointers and opaque handles: same shapes only.
TPSError AssignWhole(TPSValue& dest, const TPSValue& src) {
  if (!SameShape(dest.Type, src.Type)) return ErTypeMismatch;
  switch (dest.Type->Base) {
    case btRecord:
    case btStaticArray:
      // Element by element, so that references into dest's block stay valid.
      for (size_t i = 0; i < dest.Block->Items.size(); ++i) {
        TPSError error = AssignValue(dest.Block->Items[i], src.Block->Items[i]);
        if (error != ErNoError) return error;
      }
      return ErNoError;
    case btArray:
    case btSet:
    case btProcPtr:
    case btClass:
    case btInterface:
      ReplaceKeepingType(dest, src);
      return ErNoError;
    default:
      return ErTypeMismatch;
  }
}

TPSError AssignVariant(TPSValue& dest, const TPSValue& src) {
  if (src.Type->Base == btReturnAddress || src.Type->Base == btPointer) return ErTypeMismatch;
  if (src.Type->Base == btVariant) {
    ValueReplace(dest, src);
    return ErNoError;
  }
  TPSValue* box = new TPSValue;
  ValueCopyNew(*box, src);
  ValueRelease(dest);
  dest.Boxed = box;
  dest.VarNull = 0;
  return ErNoError;
}

}  // namespace

std::u16string Widen(std::string_view s) {
  std::u16string out(s.size(), u'\0');
  for (size_t i = 0; i < s.size(); ++i) {
    out[i] = static_cast<unsigned char>(s[i]);
  }
  return out;
}

std::string Narrow(const std::u16string& s) {
  std::string out(s.size(), '\0');
  for (size_t i = 0; i < s.size(); ++i) {
    out[i] = s[i] < 256 ? static_cast<char>(s[i]) : '?';
  }
  return out;
}

void SetWStrValue(TPSValue& v, std::u16string text) {
  TPSWideBuf* own = text.empty() ? nullptr : new TPSWideBuf{1, std::move(text)};
  ReleaseText(v.WStr);
  v.WStr = own;
}

TPSBlock* NewBlock(size_t count) {
  TPSBlock* block = new TPSBlock;
  block->Items.resize(count);
  liveHeapSlots += count;
  return block;
}

void ReleaseBlock(TPSBlock* block) {
  if (!block || --block->Refs != 0) return;
  for (TPSValue& item : block->Items) {
    ValueRelease(item);
  }
  liveHeapSlots -= block->Items.size();
  delete block;
}

void ValueInitBlock(TPSValue& v, const TPSTypeRec* type) {
  if (type->Base == btSet) {
    v.Set = new uint8_t[kSetBytes]();
  } else {
    v.Block = ZeroBlock(type);
  }
}

void ValueReleaseManaged(TPSValue& v) {
  switch (v.Type->Base) {
    case btString:
    case btPChar:
      ReleaseText(v.Str);
      break;
    case btWideString:
    case btUnicodeString:
      ReleaseText(v.WStr);
      break;
    case btRecord:
    case btStaticArray:
    case btArray:
      ReleaseBlock(v.Block);
      break;
    case btSet:
      delete[] v.Set;
      break;
    case btVariant:
      if (v.Boxed) ValueRelease(*v.Boxed);
      delete v.Boxed;
      break;
    case btPointer:
      if (v.RefKind == TPSRefKind::Block) ReleaseBlock(v.Block);
      break;
    default:
      break;
  }
}

// Allocations come first and dst is written last, so that an allocation failure leaves
// dst as it was.
void ValueCopyNew(TPSValue& dst, const TPSValue& src) {
  TPSValue v = src;
  switch (src.Type->Base) {
    case btString:
    case btPChar:
      if (src.Str) ++src.Str->Refs;
      break;
    case btWideString:
    case btUnicodeString:
      if (src.WStr) ++src.WStr->Refs;
      break;
    case btRecord:
    case btStaticArray:
      v.Block = CopyBlock(src.Block);
      break;
    case btArray:
      if (src.Block) ++src.Block->Refs;
      break;
    case btSet:
      v.Set = new uint8_t[kSetBytes];
      std::memcpy(v.Set, src.Set, kSetBytes);
      break;
    case btVariant:
      if (src.Boxed) {
        auto box = std::make_unique<TPSValue>();
        ValueCopyNew(*box, *src.Boxed);
        v.Boxed = box.release();
      }
      break;
    case btPointer:
      if (src.RefKind == TPSRefKind::Block) ++src.Block->Refs;
      break;
    default:
      break;
  }
  dst = v;
}

void ValueReplace(TPSValue& dst, const TPSValue& src) {
  if (&dst == &src) return;
  TPSValue old = dst;
  ValueCopyNew(dst, src);
  ValueRelease(old);
}

std::string& MutableStr(TPSValue& v) {
  if (!v.Str) {
    v.Str = new TPSStrBuf;
  } else if (v.Str->Refs > 1) {
    TPSStrBuf* own = new TPSStrBuf{1, v.Str->S};
    --v.Str->Refs;
    v.Str = own;
  }
  return v.Str->S;
}

std::u16string& MutableWStr(TPSValue& v) {
  if (!v.WStr) {
    v.WStr = new TPSWideBuf;
  } else if (v.WStr->Refs > 1) {
    TPSWideBuf* own = new TPSWideBuf{1, v.WStr->S};
    --v.WStr->Refs;
    v.WStr = own;
  }
  return v.WStr->S;
}

void SetStrValue(TPSValue& v, std::string text) {
  if (v.Str && v.Str->Refs == 1) {
    v.Str->S = std::move(text);
    return;
  }
  TPSStrBuf* own = text.empty() ? nullptr : new TPSStrBuf{1, std::move(text)};
  ReleaseText(v.Str);
  v.Str = own;
}

bool ReadReal(const TPSValue& v, long double& out) {
  switch (v.Type->Base) {
    case btSingle:
      out = v.F32;
      return true;
    case btDouble:
      out = v.F64;
      return true;
    case btExtended:
      out = v.F80;
      return true;
    case btCurrency:
      out = static_cast<long double>(v.I) / 10000.0L;
      return true;
    case btVariant:
      return v.Boxed && ReadReal(*v.Boxed, out);
    default:
      if (!IsIntType(v.Type)) return false;
      out = static_cast<long double>(v.I);
      return true;
  }
}

bool ReadStr(const TPSValue& v, std::string& out) {
  switch (v.Type->Base) {
    case btString:
    case btPChar:
      out = StrOf(v);
      return true;
    case btChar:
      out.assign(1, static_cast<char>(v.I));
      return true;
    case btWideString:
    case btUnicodeString:
      out = Narrow(WStrOf(v));
      return true;
    case btWideChar:
      out.assign(1, v.I < 256 ? static_cast<char>(v.I) : '?');
      return true;
    case btVariant:
      return v.Boxed && ReadStr(*v.Boxed, out);
    default:
      return false;
  }
}

TPSError AssignInt(TPSValue& dest, int64_t x) {
  TPSBaseType base = dest.Type->Base;
  if (IsIntType(dest.Type) || base == btChar || base == btWideChar) {
    dest.I = PSWrapInteger(base, x);
    return ErNoError;
  }
  if (base == btCurrency) {
    dest.I = static_cast<int64_t>(static_cast<uint64_t>(x) * 10000u);
    return ErNoError;
  }
  return AssignFloat(dest, static_cast<long double>(x));
}

TPSError AssignReal(TPSValue& dest, long double x) {
  return AssignFloat(dest, x);
}

TPSError AssignStr(TPSValue& dest, std::string_view text) {
  switch (dest.Type->Base) {
    case btString:
    case btPChar:
      SetStrValue(dest, std::string(text));
      return ErNoError;
    case btWideString:
    case btUnicodeString:
      SetWStrValue(dest, Widen(text));
      return ErNoError;
    case btChar:
      if (text.size() != 1) return ErTypeMismatch;
      dest.I = static_cast<uint8_t>(text[0]);
      return ErNoError;
    default:
      return ErTypeMismatch;
  }
}

TPSError AssignValue(TPSValue& dest, const TPSValue& src) {
  const TPSBaseType db = dest.Type->Base;
  const TPSBaseType sb = src.Type->Base;
  if (sb == btVariant && db != btVariant) return AssignFromVariant(dest, src);
  if (IsIntType(dest.Type) || db == btChar || db == btWideChar) {
    if (!IsIntType(src.Type) && sb != btChar && sb != btWideChar) return ErTypeMismatch;
    if (db == btChar && sb == btWideChar && src.I > 255) {
      dest.I = '?';  // narrowed like a wide string
      return ErNoError;
    }
    dest.I = PSWrapInteger(db, src.I);
    return ErNoError;
  }
  switch (db) {
    case btSingle:
    case btDouble:
    case btExtended:
    case btCurrency: {
      if (db == btCurrency && sb == btCurrency) {
        dest.I = src.I;
        return ErNoError;
      }
      if (db == btCurrency && IsIntType(src.Type)) return AssignInt(dest, src.I);
      long double x;
      if (!ReadReal(src, x)) return ErTypeMismatch;
      return AssignFloat(dest, x);
    }
    case btString:
    case btPChar:
      if (sb == btString || sb == btPChar) {
        ReplaceKeepingType(dest, src);
        return ErNoError;
      }
      [[fallthrough]];
    case btWideString:
    case btUnicodeString: {
      if ((sb == btWideString || sb == btUnicodeString) &&
          (db == btWideString || db == btUnicodeString)) {
        ReplaceKeepingType(dest, src);
        return ErNoError;
      }
      if (sb == btWideChar && (db == btWideString || db == btUnicodeString)) {
        SetWStrValue(dest, std::u16string(1, static_cast<char16_t>(src.I)));
        return ErNoError;
      }
      std::string text;
      if (!ReadStr(src, text)) return ErTypeMismatch;
      return AssignStr(dest, text);
    }
    case btVariant:
      return AssignVariant(dest, src);
    default:
      return AssignWhole(dest, src);
  }
}

uint64_t LiveHeapSlots() {
  return liveHeapSlots;
}

std::u16string WideText(const TPSValue& v) {
  switch (v.Type->Base) {
    case btWideString:
    case btUnicodeString:
      return WStrOf(v);
    case btWideChar:
      return std::u16string(1, static_cast<char16_t>(v.I));
    default: {
      std::string s;
      ReadStr(v, s);
      return Widen(s);
    }
  }
}
