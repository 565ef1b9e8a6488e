// A set holds at most 256 elements: Integer is no element type.
var
  s: set of Integer;
begin
end.
// stderr: [Error] (3:13): Type mismatch
// status: 1
