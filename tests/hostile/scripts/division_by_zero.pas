var I : integer;
begin
  I := 0;
  Print('before');
  Print(IntToStr(5 div I));
  Print('after');
end.
