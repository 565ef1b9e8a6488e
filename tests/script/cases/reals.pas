// Floating types and Currency: the result type of mixed operands, conversions, the
// number routines and their texts.
var
  s: Single;
  d: Double;
  e: Extended;
  cur: Currency;
  i: Integer;

procedure Show(v: Extended);
begin
  Print(FloatToStr(v));
end;

begin
  // Two integers divide as integers; a floating operand makes the division exact.
  d := 1 / 4; Show(d);
  d := 1.0 / 4; Show(d);
  d := 7; d := d / 2; Show(d);
  i := 7; d := i / 2.0; Show(d);
  e := 1 / 3.0; Show(e);
  // Each width keeps its own precision.
  s := 0.1; Show(s);
  d := 0.1; Show(d);
  s := 16777217; Show(s);
  d := 16777217; Show(d);
  // An integer operand takes the floating type of the other side.
  s := 1.5; Show(s * 2); Show(3 - s);
  // Currency keeps four decimals.
  cur := 1.5; cur := cur * 2; Show(cur);
  cur := 0.25; Show(cur + 1); Show(cur / 2);
  // Texts.
  Show(1e20); Show(-2.5); Show(1.5e-7); Show(100000000000000); Show(0.0001);
  Show(StrToFloat('2.5') * 2); Show(StrToFloat('-1E3'));
  // Routines.
  Print(IntToStr(Round(2.5)) + ' ' + IntToStr(Round(3.5)) + ' ' + IntToStr(Round(-2.5)));
  Print(IntToStr(Trunc(-2.7)) + ' ' + IntToStr(Trunc(2.7)));
  Show(Int(2.7)); Show(Int(-2.7)); Show(Abs(-1.5)); Show(Sqrt(16)); Show(Pi);
  Show(Sin(0)); Show(Cos(0)); Show(Sqrt(2) * Sqrt(2));
  Show(-d); e := -e; Show(e);
  if s < 2 then Print('less');
end.

// expect: 0
// expect: 0.25
// expect: 3.5
// expect: 3.5
// expect: 0.333333333333333
// expect: 0.100000001490116
// expect: 0.1
// expect: 16777216
// expect: 16777217
// expect: 3
// expect: 1.5
// expect: 3
// expect: 1.25
// expect: 0.125
// expect: 1E20
// expect: -2.5
// expect: 1.5E-7
// expect: 100000000000000
// expect: 0.0001
// expect: 5
// expect: -1000
// expect: 2 4 -2
// expect: -2 2
// expect: 2
// expect: -2
// expect: 1.5
// expect: 4
// expect: 3.14159265358979
// expect: 0
// expect: 1
// expect: 2
// expect: -16777217
// expect: -0.333333333333333
// expect: less
