// A procedure pointer takes only procedures of its own parameter list.
function Add(A, B: Integer): Integer;
begin
  Result := A + B;
end;

var
  p: procedure(A: Integer);
begin
  p := @Add;
end.
// stderr: [Error] (10:8): Type mismatch
// status: 1
