// A constant side of "and" or "or" is folded away with a warning; the program still runs.
var
  x: Integer;
begin
  x := 2;
  if True and (x > 1) then Print('a');
  if (x > 1) and True then Print('b');
  if (x > 1) and False then Print('c');
  if False or (x > 5) then Print('d');
  if (x > 5) or True then Print('e');
  if False and (x > 1) then Print('f');
end.

// expect: a
// expect: b
// expect: e
// stderr: [Warning] (6:11): "True and" is not needed
// stderr: [Warning] (7:14): "and True" is not needed
// stderr: [Warning] (8:14): Calculation always evaluates to False
// stderr: [Warning] (9:12): "False or" is not needed
// stderr: [Warning] (10:14): Calculation always evaluates to True
// stderr: [Warning] (11:12): Calculation always evaluates to False
