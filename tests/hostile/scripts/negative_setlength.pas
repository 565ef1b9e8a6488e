var S : string; A : array of integer;
begin
  SetLength(A, -1);
  SetLength(S, -2147483647 - 1);
  Print(IntToStr(Length(A)) + ' ' + IntToStr(Length(S)));
end.
