// Booleans: comparisons, and/or/xor/not, and both sides of and/or always evaluated.
var
  p, q: Boolean;
  i, calls: Integer;

function Touch(v: Boolean): Boolean;
begin
  calls := calls + 1;
  Result := v;
end;

procedure Show(b: Boolean);
begin
  if b then Print('True') else Print('False');
end;

begin
  p := True; q := False;
  Show(p and q); Show(p or q); Show(p xor q); Show(not p); Show(p xor p);
  Show(not (p and q) = (not p or not q));
  i := 5;
  Show((i > 3) and (i < 10)); Show((i < 3) or (i = 5)); Show(i <> 5);
  Show(i >= 5); Show(i <= 4); Show(False < True);
  calls := 0;
  if Touch(False) and Touch(True) then Print('no');
  if Touch(True) or Touch(False) then Print(IntToStr(calls));
  Print(IntToStr(ord(p)) + IntToStr(ord(q)));
end.

// expect: False
// expect: True
// expect: True
// expect: False
// expect: False
// expect: True
// expect: True
// expect: True
// expect: False
// expect: True
// expect: False
// expect: True
// expect: 4
// expect: 10
