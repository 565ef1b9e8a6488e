// An index outside a static array's bounds stops the script.
var
  a: array[-2..2] of Integer;
  i: Integer;
begin
  for i := -2 to 2 do a[i] := i;
  Print(IntToStr(a[-2] + a[2]));
  i := 3;
  a[i] := 1;
  Print('not reached');
end.

// expect: 0
// stderr: Out Of Range
// status: 1
