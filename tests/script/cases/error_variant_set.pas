// A variant holds simple values only.
var
  v: Variant;
  s: set of Char;
begin
  s := ['x'];
  v := s;
end.
// stderr: [Error] (7:8): Type mismatch
// status: 1
