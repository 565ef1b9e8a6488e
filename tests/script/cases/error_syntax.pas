var
  i: Integer;
begin
  i := 1 \ 2;
end.
// stderr: [Error] (4:10): Syntax error
// status: 1
