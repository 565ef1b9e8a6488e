// Strings and characters: literals, concatenation, indexing, comparison and the string
// routines.
var
  s, t: string;
  c: Char;
  i: Integer;

begin
  s := 'Hello';
  t := s + ', ' + 'World';
  Print(t);
  Print('It''s' + #32 + #$41#66 + 'C');
  c := s[1]; Print(c);
  s[1] := 'J'; Print(s);
  i := 2; c := t[i + 3]; Print(c + c + 'x');
  Print(IntToStr(Length(s)) + ' ' + IntToStr(Length('')));
  SetLength(s, 3); Print(s);
  Print(chr(65) + chr(66)); Print(IntToStr(ord('A')) + ' ' + IntToStr(ord(c)));
  // Comparison is by bytes.
  if 'abc' < 'abd' then Print('abc < abd');
  if 'b' > 'abc' then Print('b > abc');
  if s = 'Jel' then Print('equal');
  if s <> 'jel' then Print('case counts');
  if c = 'o' then Print('char equals');
  // Routines.
  Print(Copy('abcdef', 2, 3)); Print('[' + Copy('abc', 5, 1) + ']'); Print(Copy('abc', 2, 99));
  Print(IntToStr(Pos('lo', 'Hello')) + ' ' + IntToStr(Pos('x', 'Hello')));
  s := 'abcdef'; Delete(s, 2, 2); Print(s);
  Insert('XY', s, 2); Print(s);
  Print(Uppercase('abc1') + Lowercase('DEF') + AnsiUppercase('ghi') + AnsiLowercase('JKL'));
  Print('[' + Trim('  x y  ') + ']');
  Print('[' + Padl('ab', 5) + '][' + Padr('ab', 5) + '][' + Padz('7', 3) + '][' + Padl('abcde', 3) + ']');
  Print(Replicate('-', 5) + StringOfChar('=', 3));
  Print(IntToStr(StrToInt('123') + 1) + ' ' + IntToStr(StrToInt('x')) + ' ' +
        IntToStr(StrToIntDef('x', 42)) + ' ' + IntToStr(StrToInt('$FF')));
  Print(Int64ToStr(StrToInt64('9000000000') * 2));
  Print(IntToStr(SizeOf(i)) + ' ' + IntToStr(SizeOf(s)) + ' ' + IntToStr(SizeOf(c)));
  if not Assigned(t) then Print('unreachable');
  t := '';
  if not Assigned(t) then Print('empty is not assigned');
  c := 'a'; Inc(c); Inc(c); Dec(c); Print(c);
  // A string built in a loop.
  s := '';
  for i := 1 to 5 do s := s + IntToStr(i);
  Print(s);
end.

// expect: Hello, World
// expect: It's ABC
// expect: H
// expect: Jello
// expect: oox
// expect: 5 0
// expect: Jel
// expect: AB
// expect: 65 111
// expect: abc < abd
// expect: b > abc
// expect: equal
// expect: case counts
// expect: char equals
// expect: bcd
// expect: []
// expect: bc
// expect: 4 0
// expect: adef
// expect: aXYdef
// expect: ABC1defGHIjkl
// expect: [x y]
// expect: [   ab][ab   ][007][abcde]
// expect: -----===
// expect: 124 -1 42 255
// expect: 18000000000
// expect: 4 4 1
// expect: empty is not assigned
// expect: b
// expect: 12345
