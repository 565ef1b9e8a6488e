// The game declares no attribute types: an attribute before a procedure names an unknown
// identifier.
type
  TColor = (Red, Green);

[Tag('unused', 1)]
procedure P;
begin
end;

begin
end.

// stderr: [Error] (6:2): Unknown identifier 'TAG'
// status: 1
