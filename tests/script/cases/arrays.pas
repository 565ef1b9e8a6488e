// Arrays: static arrays over integer, negative, character and enumeration bounds, dynamic
// arrays with their reference semantics, open array parameters, array of const, nested
// indexes, the array routines and SizeOf of every kind of type.
type
  TColor = (Red, Green, Blue);
  TInts = array of Integer;
  TGrid = array[1..3, -1..1] of Integer;
  TWords = array[0..2] of string;

var
  zero: array[0..3] of Integer;
  neg: array[-3..-1] of Int64;
  letters: array['a'..'e'] of Integer;
  shades: array[TColor] of string;
  grid: TGrid;
  a, b: TInts;
  words: TWords;
  names: array of string;
  consts: array of const;
  i, j, k: Integer;
  c: Char;
  s: string;

function Sum(const v: array of Integer): Integer;
var
  i: Integer;
begin
  Result := 0;
  for i := Low(v) to High(v) do Result := Result + v[i];
end;

procedure Twice(var v: array of Integer);
var
  i: Integer;
begin
  for i := 0 to High(v) do v[i] := v[i] * 2;
end;

// An open array handed on to another open array keeps what it holds.
function Describe(v: array of Integer): string;
begin
  Result := IntToStr(Length(v)) + '/' + IntToStr(Sum(v));
  v[0] := -100;
end;

function Range(n: Integer): TInts;
var
  i: Integer;
begin
  SetLength(Result, n);
  for i := 0 to n - 1 do Result[i] := i + 1;
end;

// An array of const takes values of any type, each as a variant.
function Describe2(const args: array of const): string;
var
  second: string;
begin
  if Length(args) > 1 then second := args[1];
  Result := IntToStr(Length(args)) + '[' + second + ']';
end;

function Join(const w: array of string): string;
var
  i: Integer;
begin
  Result := '';
  for i := 0 to High(w) do Result := Result + w[i];
end;

begin
  // Static arrays: bounds, elements, folded Length/Low/High.
  for i := 0 to 3 do zero[i] := i * 10;
  for i := -3 to -1 do neg[i] := i;
  Print(IntToStr(zero[3]) + ' ' + IntToStr(neg[-3]) + ' ' + IntToStr(neg[-1]));
  Print(IntToStr(Low(neg)) + '..' + IntToStr(High(neg)) + ' ' + IntToStr(Length(neg)) + ' ' + IntToStr(Length(zero)));
  for i := ord('a') to ord('e') do letters[chr(i)] := i - ord('a');
  c := 'd';
  Print(IntToStr(letters[c]) + IntToStr(letters['e']) + ' ' + Low(letters) + High(letters));
  shades[Red] := 'r';
  shades[Blue] := 'b';
  Print(shades[Red] + shades[Green] + shades[Blue] + IntToStr(Length(shades)));
  // Two indexes in one bracket or in two are the same element.
  for i := 1 to 3 do
    for j := -1 to 1 do grid[i, j] := i * 10 + j;
  Print(IntToStr(grid[2][-1]) + ' ' + IntToStr(grid[3, 1]) + ' ' + IntToStr(Length(grid[1])));
  // Dynamic arrays: zeroed growth, kept elements, shared by assignment until resized.
  SetLength(a, 3);
  a[0] := 5; a[2] := 7;
  SetLength(a, 5);
  Print(IntToStr(a[0]) + IntToStr(a[1]) + IntToStr(a[2]) + IntToStr(a[4]) + ' ' + IntToStr(High(a)));
  b := a;
  b[1] := 9;
  Print(IntToStr(a[1]));
  SetLength(b, 2);
  b[0] := 1;
  Print(IntToStr(a[0]) + ' ' + IntToStr(Length(b)) + ' ' + IntToStr(GetArrayLength(a)));
  SetArrayLength(b, 4);
  Print(IntToStr(Length(b)) + IntToStr(b[1]) + IntToStr(b[3]));
  SetLength(a, 0);
  Print(IntToStr(Length(a)) + ' ' + IntToStr(High(a)));
  a := Range(4);
  Print(IntToStr(a[3]) + ' ' + IntToStr(Range(6)[5]) + ' ' + IntToStr(Length(Range(2))));
  // Open arrays take static and dynamic arrays; Low is 0 and High Length - 1 inside.
  Print(IntToStr(Sum(zero)) + ' ' + IntToStr(Sum(a)));
  Twice(zero);
  Twice(a);
  Print(IntToStr(zero[1]) + ' ' + IntToStr(a[0]));
  Print(Describe(zero) + ' ' + Describe(a) + ' ' + IntToStr(zero[0]) + ' ' + IntToStr(a[0]));
  // Array constructors for open array parameters.
  k := 5;
  Print(IntToStr(Sum([1, 2, k * 10])) + ' ' + IntToStr(Sum([])) + ' ' + Join(['x', 'y', 'z']));
  Print(Describe2([1, 'second', 2.5, True]) + ' ' + Describe2([]));
  // Strings in arrays: a[i][j] indexes the string, for reading and writing.
  words[0] := 'tree';
  words[1] := 'house';
  words[1][1] := 'm';
  SetLength(names, 2);
  names[1] := 'xyz';
  names[1][2] := words[0][2];
  Print(words[1] + ' ' + names[1] + ' ' + words[1][5] + ' ' + Join(words) + Join(names));
  s := 'abc';
  s[2] := 'X';
  Print(s + s[3]);
  // An array of const holds variants.
  SetLength(consts, 3);
  consts[0] := 42;
  consts[1] := 'text';
  consts[2] := 2.5;
  k := consts[0];
  s := consts[1];
  Print(IntToStr(k + 1) + ' ' + s + ' ' + IntToStr(Length(consts)));
  // Computed indexes.
  k := 2;
  Print(IntToStr(zero[k + 1]) + ' ' + IntToStr(zero[k * 2 - 4]) + ' ' + IntToStr(neg[k - 5]));
  // Value sizes of every kind of type.
  Print(IntToStr(SizeOf(Byte)) + IntToStr(SizeOf(Boolean)) + IntToStr(SizeOf(Char)) + IntToStr(SizeOf(Word)) +
    IntToStr(SizeOf(SmallInt)) + IntToStr(SizeOf(Integer)) + IntToStr(SizeOf(Cardinal)) + IntToStr(SizeOf(Int64)) + ' ' +
    IntToStr(SizeOf(Single)) + IntToStr(SizeOf(Double)) + IntToStr(SizeOf(Extended)) + IntToStr(SizeOf(Currency)) + ' ' +
    IntToStr(SizeOf(string)) + IntToStr(SizeOf(PChar)) + IntToStr(SizeOf(Variant)) + IntToStr(SizeOf(WideChar)) +
    IntToStr(SizeOf(WideString)) + IntToStr(SizeOf(TColor)) + ' ' + IntToStr(SizeOf(TInts)) +
    IntToStr(SizeOf(neg)) + ' ' + IntToStr(SizeOf(TGrid)) + ' ' + IntToStr(SizeOf(words)) + ' ' + IntToStr(SizeOf(grid[1])));
end.

// expect: 30 -3 -1
// expect: -3..-1 3 4
// expect: 34 ae
// expect: rb3
// expect: 19 31 3
// expect: 5070 4
// expect: 9
// expect: 5 2 5
// expect: 490
// expect: 0 -1
// expect: 4 6 2
// expect: 60 10
// expect: 20 2
// expect: 4/120 4/20 0 -100
// expect: 53 0 xyz
// expect: 4[second] 0[]
// expect: mouse xrz e treemousexrz
// expect: aXcc
// expect: 43 text 3
// expect: 60 0 -3
// expect: 11122448 48108 4416241 424 36 12 12
