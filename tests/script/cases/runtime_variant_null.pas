// Arithmetic on a null variant stops the script.
var
  v: Variant;
begin
  v := 1;
  v := v + 1;
  Print(IntToStr(v));
  v := Null;
  v := v + 1;
  Print('not reached');
end.
// expect: 2
// stderr: Null variant error
// status: 1
