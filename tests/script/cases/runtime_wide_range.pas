// Writing past the end of a wide string is a script exception.
var
  w: WideString;
begin
  w := 'ab';
  w[2] := #$263A;
  Print(IntToStr(Ord(w[2])));
  w[3] := 'c';
  Print('not reached');
end.
// expect: 9786
// stderr: Out of string range
// status: 1
