// Dividing by a zero variable stops the run with the executor's error; what ran before stays.
var
  i, zero: Integer;
begin
  i := 10;
  Print('before');
  i := i div zero;
  Print('after');
end.

// expect: before
// stderr: divide by Zero
// status: 1
