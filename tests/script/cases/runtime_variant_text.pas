// A variant's text that is no number cannot be read as one.
var
  v: Variant;
  i: Integer;
begin
  v := '12';
  i := v;
  Print(IntToStr(i));
  v := 'twelve';
  i := v;
  Print('not reached');
end.
// expect: 12
// stderr: Type Mismatch
// status: 1
