// `in` needs an element of the set's type.
var
  chars: set of Char;
begin
  chars := ['a'];
  if 1 in chars then
    chars := [];
end.
// stderr: [Error] (6:8): Type mismatch
// status: 1
