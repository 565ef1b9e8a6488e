var I : integer;
begin
  I := 2147483647;
  I := I + 1;
  Print(IntToStr(I));
  I := -2147483647 - 1;
  Print(IntToStr(I div -1));
  Print(IntToStr(I mod -1));
end.
