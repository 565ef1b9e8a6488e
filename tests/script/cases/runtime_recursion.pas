// Recursion without end stops at the call depth bound instead of exhausting memory.
function Down(n: Integer): Integer;
begin
  Result := Down(n + 1);
end;

begin
  Print('start');
  Down(0);
end.

// expect: start
// stderr: Out Of Stack Range
// status: 1
