// An index outside the string is a script exception.
var
  s: string;
  c: Char;
begin
  s := 'abc';
  c := s[3];
  Print(c);
  c := s[4];
  Print('not reached');
end.

// expect: c
// stderr: Out of string range
// status: 1
