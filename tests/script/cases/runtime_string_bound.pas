// A string that doubles without end stops at the string size bound.
var
  s: string;
begin
  s := 'x';
  while True do s := s + s;
end.

// stderr: Out Of Memory
// status: 1
