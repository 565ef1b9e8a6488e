var S : string; A : array of integer;
begin
  SetLength(A, 2147483647);
  Print('array');
  SetLength(S, 2147483647);
  Print('string');
end.
