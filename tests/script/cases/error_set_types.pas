// Sets of different element types do not mix.
type
  TColor = (Red, Green);
var
  colors: set of TColor;
  chars: set of Char;
begin
  colors := [Red];
  chars := colors;
end.
// stderr: [Error] (9:12): Type mismatch
// status: 1
