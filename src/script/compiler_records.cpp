// Records: record types with their packed fields, field selectors, the operands of
// variables with selectors, the with statement, and the record and array parts of type
// entries and value sizes.
#include <algorithm>
#include <utility>

#include "data/ascii_case.h"
#include "script/compiler_internal.h"

bool PSCompileSession::IsRecord(const PSType* t) {
  return t && t->Kind == PSTypeKind::Record;
}

// A record's size is the sum of its fields (no padding), a static array's its element
// size times its count.
uint64_t PSCompileSession::AggregateSize(const PSType* t) {
  if (t->Kind == PSTypeKind::StaticArray) return uint64_t{PSValueSize(t->Element)} * t->Count;
  uint64_t size = 0;
  for (const PSField& field : t->Fields)
    size += PSValueSize(field.Type);
  return size;
}

// structured -> record | array. A type section names the new type; the name is given only
// once the type is complete, so that a record cannot contain itself.
bool PSCompileSession::ParseStructuredType(const std::string& orgName, PSType*& out) {
  if (!Nest()) return false;
  bool ok = Tk() == tkRecord ? ParseRecordType(out) : ParseArrayType(out);
  --nesting_;
  if (!ok) return false;
  bool fresh = out->Kind == PSTypeKind::Record || out->Kind == PSTypeKind::StaticArray;
  if (fresh && !orgName.empty()) {
    out->Name = UpperAscii(orgName);
    out->OrgName = orgName;
  }
  return true;
}

// record -> RECORD field-group { ';' field-group } [';'] END
bool PSCompileSession::ParseRecordType(PSType*& out) {
  PSPos at = Here();
  Next();
  std::vector<PSField> fields;
  do {
    if (!ParseFieldGroup(fields)) return false;
    if (Tk() == tkEnd) break;
    if (!Expect(tkSemicolon, ecSemicolonExpected)) return false;
  } while (Tk() != tkEnd);
  Next();
  auto record = std::make_unique<PSType>();
  record->Kind = PSTypeKind::Record;
  record->Base = btRecord;
  record->Fields = std::move(fields);
  if (AggregateSize(record.get()) > kMaxValueSize) {
    return ErrorAt(at, ecCustomError, "Data type too large");
  }
  types_.push_back(std::move(record));
  out = types_.back().get();
  return true;
}

// field-group -> ident { ',' ident } ':' typedef
bool PSCompileSession::ParseFieldGroup(std::vector<PSField>& fields) {
  size_t first = fields.size();
  for (;;) {
    if (Tk() != tkIdentifier) return Error(ecIdentifierExpected);
    for (const PSField& earlier : fields) {
      if (earlier.Name == lex_.TokenText()) return Error(ecDuplicateIdentifier, earlier.Name);
    }
    fields.push_back({lex_.TokenText(), lex_.OriginalText(), nullptr});
    Next();
    if (Tk() != tkComma) break;
    Next();
  }
  if (!Expect(tkColon, ecColonExpected)) return false;
  PSType* type = nullptr;
  if (!ParseTypeDef("", type)) return false;
  for (size_t i = first; i < fields.size(); ++i)
    fields[i].Type = type;
  return true;
}

// selectors -> { '.' ident | '[' expression { ',' expression } ']' }
// A period after a value that is no record ends the selectors; what follows decides.
bool PSCompileSession::ParseSelectors(PSExprPtr& e, bool assignment) {
  for (;;) {
    if (Tk() == tkPeriod && IsRecord(e->Type)) {
      if (!ParseFieldSelector(e)) return false;
    } else if (Tk() == tkOpenBracket && (PSIsString(e->Type) || PSIsWideText(e->Type))) {
      if (assignment) return true;
      if (!ParseStringIndex(e, e)) return false;
    } else if (Tk() == tkOpenParen && PSIsProcPtr(e->Type) && !assignment) {
      const PSPos at = e->Where;
      if (!ParseCallThrough(std::move(e), at, e)) return false;
      if (!e->Type) return ErrorAt(at, ecNoResult);
    } else if (Tk() == tkOpenBracket && IsAnyArray(e->Type)) {
      if (!ParseIndexSelector(e)) return false;
    } else if (Tk() == tkOpenBracket) {
      return Error(ecTypeMismatch);
    } else {
      return true;
    }
  }
}

// field -> '.' ident
bool PSCompileSession::ParseFieldSelector(PSExprPtr& e) {
  Next();
  if (Tk() != tkIdentifier) return Error(ecIdentifierExpected);
  const std::vector<PSField>& fields = e->Type->Fields;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].Name != lex_.TokenText()) continue;
    PSSelector selector;
    selector.Number = static_cast<uint32_t>(i);
    AddSelector(e, std::move(selector), fields[i].Type);
    Next();
    return true;
  }
  return Error(ecUnknownIdentifier, lex_.TokenText());
}

void PSCompileSession::AddSelector(PSExprPtr& e, PSSelector selector, PSType* type) {
  if (e->Kind != PSExprKind::Var) {
    // A call's result: its slot is the variable the selectors start from.
    auto var = std::make_unique<PSExpr>();
    var->Kind = PSExprKind::Var;
    var->Where = e->Where;
    var->Height = e->Height + 1;
    var->Source = std::move(e);
    e = std::move(var);
  }
  e->Path.push_back(std::move(selector));
  e->Type = type;
  if (e->Path.back().Index) e->Height = std::max(e->Height, e->Path.back().Index->Height + 1);
}

// Each selector but the last needs its aggregate as a variable of its own: a reference to
// the element is pushed, and the next selector selects from what it refers to.
PSOperand PSCompileSession::SelectOperand(const PSExpr& e, int& temps) {
  temps = 0;
  PSOperand current;
  if (e.Source) {
    current = Prepare(*e.Source, temps);
  } else {
    current.Var = e.Var;
  }
  for (const PSSelector& selector : e.Path) {
    if (current.Kind != TPSOperandKind::Var) {
      PSOperand ref = PushTemp(pointer_);
      ++temps;
      Emit(TPSOpcode::SetRef);
      EmitOperand(ref);
      EmitOperand(current);
      current = ref;
    }
    uint32_t aggregate = current.Var;
    current.Kind = selector.Index ? TPSOperandKind::IndexedElement : TPSOperandKind::Element;
    current.Index = selector.Index ? IndexVar(selector, temps) : selector.Number;
    current.Var = aggregate;
  }
  return current;
}

// with -> WITH expression { ',' expression } DO statement
// A record variable with selectors is reached through a reference pushed for the whole
// statement; a call's result slot stays pushed as well.
bool PSCompileSession::ParseWith() {
  Next();
  int outer = depth_;
  size_t scopes = withs_.size();
  bool ok = true;
  for (;;) {
    PSExprPtr e;
    ok = ParseExpression(e);
    if (ok && !IsRecord(e->Type)) ok = ErrorAt(e->Where, ecClassTypeExpected);
    if (!ok) break;
    PSWithScope scope{e->Type, 0, e->Kind == PSExprKind::Var && e->Assignable};
    if (e->Kind == PSExprKind::Var && e->Path.empty() && !e->Source) {
      scope.Var = e->Var;
    } else {
      PSOperand ref = PushTemp(pointer_);
      int temps = 0;
      PSOperand target = Prepare(*e, temps);
      Emit(TPSOpcode::SetRef);
      EmitOperand(ref);
      EmitOperand(target);
      // A call's result slot must live as long as the reference to it.
      bool fromCall = e->Kind != PSExprKind::Var || e->Source;
      if (!fromCall) Pop(temps);
      scope.Var = ref.Var;
    }
    withs_.push_back(scope);
    if (Tk() != tkComma) break;
    Next();
  }
  if (ok) ok = Expect(tkDo, ecDoExpected) && ParseStatement(true);
  withs_.resize(scopes);
  if (ok) Pop(depth_ - outer);
  return ok;
}

bool PSCompileSession::FindWithField(const std::string& name, const PSPos& at, PSExprPtr& out) {
  for (size_t i = withs_.size(); i-- > 0;) {
    const PSWithScope& scope = withs_[i];
    const std::vector<PSField>& fields = scope.Type->Fields;
    for (size_t n = 0; n < fields.size(); ++n) {
      if (fields[n].Name != name) continue;
      out = std::make_unique<PSExpr>();
      out->Kind = PSExprKind::Var;
      out->Where = at;
      out->Var = scope.Var;
      out->Assignable = scope.Assignable;
      out->Type = fields[n].Type;
      out->Path.push_back({static_cast<uint32_t>(n), nullptr, 0});
      return true;
    }
  }
  return false;
}

void PSCompileSession::FillContainerType(const PSType& type, TPSContainerType& entry) {
  for (const PSField& field : type.Fields)
    entry.FieldTypes.push_back(TypeNo(field.Type));
  if (type.Kind == PSTypeKind::StaticArray) {
    entry.ElementCount = type.Count;
    entry.LowBound = static_cast<int32_t>(type.Low);
  }
}
