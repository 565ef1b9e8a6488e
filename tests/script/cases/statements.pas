// Statements: if, while, repeat, for, case, break, continue, exit and blocks.
var
  i, j, sum, last: Integer;
  s: string;
  c: Char;
  b: Byte;

procedure Classify(n: Integer);
begin
  case n of
    0: Print('zero');
    1, 2, 3: Print('small');
    4..9: Print('digit');
    -5..-1, 100: begin
      Print('odd one');
    end;
  else
    Print('other');
  end;
end;

procedure StopAtThree;
var
  k: Integer;
begin
  for k := 1 to 10 do begin
    if k = 3 then exit;
    Print('k ' + IntToStr(k));
  end;
  Print('not reached');
end;

begin
  // if / else, nested: the else belongs to the nearest if.
  i := 5;
  if i > 3 then Print('i > 3') else Print('i <= 3');
  if i > 10 then Print('no') else if i > 4 then Print('i > 4') else Print('no');
  if i > 0 then if i > 100 then Print('no') else Print('dangling else');
  // for to / downto; a range that is empty runs no time.
  sum := 0;
  for i := 1 to 100 do sum := sum + i;
  Print(IntToStr(sum) + ' ' + IntToStr(i));
  s := '';
  for i := 5 downto 1 do s := s + IntToStr(i);
  Print(s);
  for i := 2 to 1 do Print('never');
  // A counter that reaches the last value of its type ends the loop there instead of
  // wrapping around.
  sum := 0;
  for b := 3 downto 0 do Inc(sum);
  for b := 250 to 255 do Inc(sum);
  for b := 0 to 300 do Inc(sum);
  last := 2147483647;
  for i := last - 1 to last do Inc(sum);
  Print(IntToStr(sum));
  for i := 1 to 3 do s := s + chr(ord('a') + i);
  Print(s);
  // while with break and continue.
  i := 0; s := '';
  while True do begin
    Inc(i);
    if i mod 2 = 0 then continue;
    if i > 9 then break;
    s := s + IntToStr(i);
  end;
  Print(s);
  // repeat runs at least once.
  i := 10;
  repeat
    Inc(i);
  until i > 5;
  Print(IntToStr(i));
  // Nested loops: break leaves the inner one only.
  sum := 0;
  for i := 1 to 3 do
    for j := 1 to 10 do begin
      if j > i then break;
      sum := sum + j;
    end;
  Print(IntToStr(sum));
  // case.
  Classify(0); Classify(2); Classify(7); Classify(-3); Classify(100); Classify(50);
  c := 'q';
  case c of
    'a'..'m': Print('first half');
    'n'..'z': Print('second half');
  end;
  // exit.
  StopAtThree;
  begin ; ; end;
  if sum = 10 then exit;
  Print('not reached either');
end.

// expect: i > 3
// expect: i > 4
// expect: dangling else
// expect: 5050 101
// expect: 54321
// expect: 268
// expect: 54321bcd
// expect: 13579
// expect: 11
// expect: 10
// expect: zero
// expect: small
// expect: digit
// expect: odd one
// expect: odd one
// expect: other
// expect: second half
// expect: k 1
// expect: k 2
