// Variants: empty and null, VarType, assignment from and to the simple types, variant
// arithmetic in the wider held type, numbers read from text, comparisons and conditions.
type
  TDir = (North, East, South);
var
  v, v2: Variant;
  i: Integer;
  b: Byte;
  i64: Int64;
  d: Double;
  e: Extended;
  s: string;
  ch: Char;
  w: WideString;
  ok: Boolean;
  dir: TDir;
  cur: Currency;
  t: TVarType;
  arr: TVariantArray;

function Kind(x: Variant): string;
begin
  Result := IntToStr(VarType(x));
  if VarIsEmpty(x) then Result := Result + ' empty';
  if VarIsNull(x) then Result := Result + ' null';
end;

begin
  Print(Kind(v));
  v := Null;
  Print(Kind(v));
  v := Unassigned;
  Print(Kind(v));
  v := 42;
  Print(Kind(v));
  i := v;
  Print(IntToStr(i));
  v := v + 8;
  Print(IntToStr(v) + ' ' + Kind(v));
  v := v * 2.5;
  Print(FloatToStr(v) + ' ' + Kind(v));
  v := 'abc';
  Print(Kind(v));
  v := v + 'def';
  s := v;
  Print(s);
  v := '123';
  i := v + 0;
  i := v;
  Print(IntToStr(i + 1));
  v := 7;
  s := v;
  Print(s + '!');
  b := 200;
  v := b;
  Print(Kind(v));
  i64 := 1234567890123;
  v := i64;
  Print(Kind(v) + ' ' + IntToStr(v));
  d := 1.5;
  v := d;
  Print(Kind(v));
  v := True;
  ok := v;
  if ok then Print('true back');
  ch := 'x';
  v := ch;
  Print(Kind(v));
  w := 'wide';
  v := w;
  Print(Kind(v));
  cur := 2.25;
  v := cur;
  Print(Kind(v));
  e := v;
  Print(FloatToStr(e));
  v := 3;
  v2 := 4;
  if v < v2 then Print('3 < 4');
  if v = 3 then Print('v = 3');
  v2 := v;
  v := 10;
  Print(IntToStr(v2) + ' ' + IntToStr(v));
  v := -v;
  Print(IntToStr(v));
  dir := South;
  v := dir;
  i := v;
  Print(IntToStr(i));
  t := varInteger;
  Print(IntToStr(t) + ' ' + IntToStr(varString) + ' ' + IntToStr(varByRef));
  SetArrayLength(arr, 2);
  Print(IntToStr(GetArrayLength(arr)));
  v := Unassigned;
  i := v;
  s := v;
  Print(IntToStr(i) + '[' + s + ']');
  Print(IntToStr(SizeOf(v)));
  v := True;
  if v then Print('variant condition');
  v := 0;
  i := 0;
  while not v do
  begin
    i := i + 1;
    v := i >= 3;
  end;
  Print(IntToStr(i));
end.

// expect: 0 empty
// expect: 1 null
// expect: 0 empty
// expect: 3
// expect: 42
// expect: 50 3
// expect: 125 5
// expect: 256
// expect: abcdef
// expect: 124
// expect: 7!
// expect: 17
// expect: 20 1234567890123
// expect: 5
// expect: true back
// expect: 256
// expect: 8
// expect: 6
// expect: 2.25
// expect: 3 < 4
// expect: v = 3
// expect: 3 10
// expect: -10
// expect: 2
// expect: 3 256 16384
// expect: 2
// expect: 0[]
// expect: 16
// expect: variant condition
// expect: 3
