var A : array [0..3] of integer; I : integer;
begin
  I := 4;
  A[I] := 1;
  Print('after');
end.
