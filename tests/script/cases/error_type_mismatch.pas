var
  i: Integer;
begin
  i := 'text';
end.
// stderr: [Error] (4:8): Type mismatch
// status: 1
