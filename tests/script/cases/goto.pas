// Label sections, labelled statements and goto: forward and backward jumps, jumps out of
// loops and case statements (which pop what those statements hold), labels of procedures
// and of the main block, a jump within a try part.
label
  again, done, skip, inner;
var
  i, n: Integer;

function Find(wanted: Integer): Integer;
label
  found;
var
  k: Integer;
begin
  Result := -1;
  for k := 1 to 10 do
    case k mod 4 of
      0: if k = wanted then goto found;
    end;
  exit;
found:
  Result := k;
end;

procedure Twice;
label
  top, bottom;
var
  k: Integer;
begin
  k := 0;
top:
  k := k + 1;
  Print('twice ' + IntToStr(k));
  if k < 2 then goto top;
  goto bottom;
  Print('not reached');
bottom:
end;

begin
  i := 0;
again:
  i := i + 1;
  if i < 3 then goto again;
  Print('i = ' + IntToStr(i));
  goto skip;
  Print('not reached');
skip: Print('skipped');
  Print(IntToStr(Find(8)) + ' ' + IntToStr(Find(5)));
  Twice;
  // Out of nested loops in one jump; the loops' values are popped on the way.
  n := 0;
  while True do
    for i := 1 to 100 do begin
      n := n + i;
      if n > 20 then goto done;
    end;
done:
  Print('n = ' + IntToStr(n) + ', i = ' + IntToStr(i));
  try
    goto inner;
    Print('not reached');
  inner:
    Print('inside the try');
  finally
    Print('finally');
  end;
end.

// expect: i = 3
// expect: skipped
// expect: 8 -1
// expect: twice 1
// expect: twice 2
// expect: n = 21, i = 6
// expect: inside the try
// expect: finally
