var I : integer; R : extended;
begin
  I := 99999999999999999999;
  R := 1e99999;
  Print(IntToStr(I));
end.
