// `set` needs `of` before its element type.
var
  s: set Byte;
begin
end.
// stderr: [Error] (3:10): 'OF' expected
// status: 1
