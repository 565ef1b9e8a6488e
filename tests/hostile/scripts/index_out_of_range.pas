var A : array of integer;
begin
  SetLength(A, 3);
  A[2147483647] := 1;
  Print('after');
end.
