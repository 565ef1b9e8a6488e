// StrToInt and StrToIntDef never fail; StrToInt64 raises on a text that is no number.
var
  x: Int64;
begin
  Print(IntToStr(StrToInt('12a')) + ' ' + IntToStr(StrToIntDef('', 7)));
  x := StrToInt64('12a');
  Print('not reached');
end.

// expect: -1 7
// stderr: Exception: '12a' is not a valid integer value
// status: 1
