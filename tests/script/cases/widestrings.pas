// Wide strings and characters: wide literals, concatenation with 8-bit text, comparison,
// indexing, conversions both ways (Latin-1; other characters narrow to '?') and the
// AnyString built-ins answering the kind they were given.
const
  Smile = 'a' + #$263A;
  Ordered = #$263A > 'z';
var
  w, w2: WideString;
  u: UnicodeString;
  c: WideChar;
  s: string;
  ch: Char;

function Codes(x: WideString): string;
var
  k: Integer;
begin
  Result := '';
  for k := 1 to Length(x) do
  begin
    if k > 1 then Result := Result + ' ';
    Result := Result + IntToStr(Ord(x[k]));
  end;
end;

begin
  w := 'Hello';
  Print(w);
  w := w + ' ' + #$263A;
  Print(IntToStr(Length(w)) + ': ' + Codes(w));
  s := w;
  Print(s);
  c := w[7];
  Print(IntToStr(Ord(c)));
  w[1] := 'J';
  w[2] := #$E9;
  Print(Codes(w));
  u := 'abc';
  u := u + w;
  Print(Codes(u));
  if w = 'J' + #$E9 + 'llo ' + #$263A then Print('equal');
  if 'abc' < u then Print('less');
  w2 := Copy(w, 2, 3);
  Print(Codes(w2));
  Print(IntToStr(Pos(#$263A, w)));
  Delete(w, 1, 2);
  Print(Codes(w));
  Insert(#$263A + 'x', w, 2);
  Print(Codes(w));
  Print(Uppercase(w) + '|' + Codes(Lowercase('ABC' + #$C9)));
  w := '  pad me ' + #9;
  Print('[' + Trim(w) + ']');
  Print('[' + Padl('ab', 5) + '][' + Padr('ll', 5) + '][' + Codes(Padr(w2, 5)) + '][' + Padz(#$263A, 3) + ']');
  SetLength(w, 3);
  Print('[' + w + ']' + IntToStr(Length(w)));
  ch := 'z';
  c := ch;
  Print(IntToStr(Ord(c)));
  c := #$416;
  ch := c;
  Print(ch);
  s := 'caf' + #$E9;
  w := s;
  Print(Codes(w));
  Print(Codes(Uppercase(w)));
  s := Uppercase(s);
  Print(IntToStr(Ord(s[4])));
  w := Smile + 'b';
  Print(Codes(w) + ' ' + IntToStr(Ord(Copy(w, 2, 1)[1])));
  if Ordered then Print('wide order');
  u := 'abc';
  u := Uppercase(u) + u;
  Print(u);
  c := #$263A;
  Inc(c);
  Print(IntToStr(Ord(c)));
end.

// expect: Hello
// expect: 7: 72 101 108 108 111 32 9786
// expect: Hello ?
// expect: 9786
// expect: 74 233 108 108 111 32 9786
// expect: 97 98 99 74 233 108 108 111 32 9786
// expect: equal
// expect: less
// expect: 233 108 108
// expect: 7
// expect: 108 108 111 32 9786
// expect: 108 9786 120 108 111 32 9786
// expect: L?XLO ?|97 98 99 201
// expect: [pad me]
// expect: [   ab][ll   ][233 108 108 32 32][00?]
// expect: [  p]3
// expect: 122
// expect: ?
// expect: 99 97 102 233
// expect: 67 65 70 201
// expect: 233
// expect: 97 9786 98 9786
// expect: wide order
// expect: ABCabc
// expect: 9787
