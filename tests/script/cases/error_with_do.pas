type
  TPoint = record X, Y: Integer; end;
var
  p: TPoint;
begin
  with p X := 1;
end.
// stderr: [Error] (6:10): 'DO' expected
// status: 1
