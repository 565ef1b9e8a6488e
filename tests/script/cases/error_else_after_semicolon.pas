var
  x: Boolean;
begin
  if x then Print('a'); else Print('b');
end.
// stderr: [Error] (4:25): Identifier expected
// status: 1
