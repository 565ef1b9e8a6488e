// A run that loops forever stops at the instruction budget it was given.
var
  i: Integer;
begin
  while True do Inc(i);
end.

// budget: 100000
// stderr: Instruction budget exceeded
// status: 1
