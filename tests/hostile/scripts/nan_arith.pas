var R : single; I : integer;
begin
  R := 0;
  R := R / R;
  Print(FloatToStr(R));
  I := Round(R);
  Print(IntToStr(I));
  I := Trunc(1e30);
  Print(IntToStr(I));
end.
