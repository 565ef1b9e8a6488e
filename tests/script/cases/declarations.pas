// Constants, type aliases and enumerations.
program Declarations;

const
  Max = 10;
  Half = Max div 2;
  Name = 'Tovi';
  Twice = 3.5 * 2;
  Big = Max * 10000000000;
  Letter = 'x';
  Debug = False;
  Mask = $F0 or $0F;

type
  TColor = (Red, Green, Blue);
  TCount = Integer;
  TText = string;

var
  col: TColor;
  n: TCount;
  t: TText;

begin
  Print(IntToStr(Half) + ' ' + Name + '2 ' + FloatToStr(Twice) + ' ' + IntToStr(Big));
  Print(Letter + Letter + ' ' + IntToStr(Mask));
  if not Debug then Print('not debugging');
  col := Green;
  Print(IntToStr(ord(col)));
  if col = Green then Print('green');
  if Blue > Red then Print('ordered');
  t := '';
  for col := Red to Blue do t := t + IntToStr(ord(col));
  Print(t);
  col := Blue;
  case col of
    Red: Print('red');
    Blue: Print('blue');
  end;
  n := Max; Inc(n); Print(IntToStr(n));
end.

// expect: 5 Tovi2 7 100000000000
// expect: xx 255
// expect: not debugging
// expect: 1
// expect: green
// expect: ordered
// expect: 012
// expect: blue
// expect: 11
