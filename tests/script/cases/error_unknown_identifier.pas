var
  i: Integer;
begin
  i := 1;
  Count := i;
end.
// stderr: [Error] (5:3): Unknown identifier 'COUNT'
// status: 1
