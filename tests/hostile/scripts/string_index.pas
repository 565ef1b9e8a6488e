var S : string;
begin
  S := 'abc';
  Print(Copy(S, 2147483647, 2147483647) + '|' + Copy(S, -2147483647 - 1, 5));
  S[0] := 'x';
  Print(S);
end.
