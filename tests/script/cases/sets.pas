// Sets of enumerations, Char, Byte and Boolean: constructors with constant and computed
// elements and ranges, the operators, comparisons, `in`, parameters, results and SizeOf.
type
  TColor = (Red, Green, Blue, Yellow);
  TColors = set of TColor;
  TChars = set of Char;
const
  Primary = [Red, Green, Blue];
  Digits = ['0'..'9'];
var
  a, b: TColors;
  cs: TChars;
  bs: set of Byte;
  c: TColor;
  i, lo, hi: Integer;
  s: string;
  ch: Char;
  flags: set of Boolean;
  v: Variant;

function Describe(x: TColors): string;
var
  k: TColor;
begin
  Result := '[';
  for k := Red to Yellow do
    if k in x then Result := Result + IntToStr(Ord(k));
  Result := Result + ']';
end;

procedure AddTo(var x: TColors; k: TColor);
begin
  x := x + [k];
end;

function Both(x, y: TColors): TColors;
begin
  Result := x * y;
end;

begin
  a := [Red, Blue];
  b := [Green..Yellow];
  Print(Describe(a) + Describe(b));
  Print(Describe(a + b) + Describe(a - b) + Describe(a * b) + Describe(Both(a, b)));
  c := Green;
  a := a + [c];
  Print(Describe(a));
  a := a - [Red];
  Print(Describe(a));
  if Green in a then Print('green in');
  if not (Red in a) then Print('red out');
  if a = [Green, Blue] then Print('equal');
  if a <> b then Print('differ');
  if [Blue] <= a then Print('subset');
  if b >= [Yellow] then Print('superset');
  a := [];
  Print(Describe(a));
  cs := ['a'..'z', '_'];
  s := '';
  for i := 0 to 255 do
    if Chr(i) in cs then s := s + Chr(i);
  Print(s);
  lo := 3; hi := 7;
  bs := [1, lo..hi, 200];
  s := '';
  for i := 0 to 255 do
    if i in bs then s := s + IntToStr(i) + ',';
  Print(s);
  bs := [hi..lo];
  if bs = [] then Print('empty range');
  lo := -5; hi := 1000;
  bs := [lo..hi];
  if (0 in bs) and (255 in bs) then Print('clamped');
  i := 300;
  if not (i in bs) then Print('300 not in');
  AddTo(a, Yellow);
  AddTo(a, Red);
  Print(Describe(a) + Describe(Primary - a));
  if Yellow in Primary then Print('wrong') else Print('yellow not primary');
  ch := '7';
  if ch in Digits then Print('digit');
  if not (ch in ['a'..'z']) then Print('no letter');
  if ch in ['0'..ch] then Print('computed range');
  flags := [True];
  if not (False in flags) then Print('booleans');
  v := 'x';
  if v in ['a'..'z'] then Print('variant element');
  Print(IntToStr(SizeOf(a)) + ' ' + IntToStr(SizeOf(flags)) + ' ' + IntToStr(SizeOf(cs)) + ' ' + IntToStr(SizeOf(TColors)));
end.

// expect: [02][123]
// expect: [0123][0][2][2]
// expect: [012]
// expect: [12]
// expect: green in
// expect: red out
// expect: equal
// expect: differ
// expect: subset
// expect: superset
// expect: []
// expect: _abcdefghijklmnopqrstuvwxyz
// expect: 1,3,4,5,6,7,200,
// expect: empty range
// expect: clamped
// expect: 300 not in
// expect: [03][12]
// expect: yellow not primary
// expect: digit
// expect: no letter
// expect: computed range
// expect: booleans
// expect: variant element
// expect: 1 1 32 1
