var
  i: Integer;
begin
  with i do Print('no');
end.
// stderr: [Error] (4:8): Class type expected
// status: 1
