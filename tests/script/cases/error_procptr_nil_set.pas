// nil belongs to procedure pointers and interfaces, not to sets.
var
  s: set of Char;
begin
  s := nil;
end.
// stderr: [Error] (5:8): Type mismatch
// status: 1
