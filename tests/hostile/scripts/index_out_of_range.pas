var A : array of integer; S : string;
begin
  SetLength(A, 3);
  A[2147483647] := 1;
  Print('after');
end.
